#include "ui/rooms/RoomsTexts.h"

#include "foundation/PLCurrentBundleInfo.h"
#include "platform/BidiText.h"

#include <QRegularExpression>

namespace pelnix::RoomsTexts {

QString localized(const char* key) {
    return PLCurrentBundleInfo::localizedString(QString::fromUtf8(key));
}

QString localizedFormat(const char* key, const QStringList& arguments) {
    static const QRegularExpression placeholder(QStringLiteral("%(@|ld|lu|d)"));
    const QString format = localized(key);
    QString out;
    qsizetype from = 0;
    qsizetype next = 0;
    // Arguments are never scanned again, so a "%@" inside a room name stays as typed; each is isolated,
    // so that a name cannot reorder the words around it.
    for (auto it = placeholder.globalMatch(format); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        out += format.mid(from, match.capturedStart() - from);
        out += platform::BidiText::isolated(arguments.value(next++));
        from = match.capturedEnd();
    }
    return out + format.mid(from);
}

} // namespace pelnix::RoomsTexts
