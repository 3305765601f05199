#include "smart/SmartLog.h"

#include <QRegularExpression>

Q_LOGGING_CATEGORY(lcSmart, "pelnix.smart", QtWarningMsg)

namespace pelnix {

QString loggableSheetName(const QString& name) {
    static const QRegularExpression shape(QStringLiteral("^[A-Za-z0-9._-]{1,64}$"));
    return shape.match(name).hasMatch() ? name : QStringLiteral("(a name not shown)");
}

void logSheetFailure(const QString& name, const char* what, const QString& error) {
    const qsizetype lineEnd = error.indexOf(QLatin1Char('\n'));
    const QString sheet = loggableSheetName(name);
    qCWarning(lcSmart).noquote() << "stylesheet" << sheet << what << error.left(lineEnd).left(200);
    if (lineEnd >= 0) {
        // Quoted: the stylesheet's text with its line breaks and quotes escaped.
        qCDebug(lcSmart).noquote() << "stylesheet" << sheet << what << "as libxml2 and libxslt said:";
        qCDebug(lcSmart) << error.mid(lineEnd + 1);
    }
}

} // namespace pelnix
