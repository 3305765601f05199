#include "smart/SmartDownloadReply.h"

#include "foundation/PLCurrentBundleInfo.h"

#include <QJsonDocument>

namespace pelnix {

SmartDownloadReply SmartDownloadReply::read(const QByteArray& data, const PLOptionalError& transportError,
                                            const QString& defaultText) {
    const QString defaultMessage = PLCurrentBundleInfo::localizedString(defaultText);
    SmartDownloadReply reply;
    if (transportError) {
        reply.error = transportError;
        reply.message = transportError->localizedDescription.isEmpty() ? defaultMessage
                                                                       : transportError->localizedDescription;
        return reply;
    }
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(data, &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject()) {
        reply.message = defaultMessage;
        reply.error = PLError(PLCurrentBundleInfo::identifier(), -1, defaultMessage);
        return reply;
    }
    reply.object = document.object();
    if (reply.object.contains(QStringLiteral("error"))) {
        const QString reason = reply.object.value(QStringLiteral("reason")).toString();
        const QJsonValue status = reply.object.value(QStringLiteral("statusCode"));
        const qint64 code = status.isString() ? status.toString().toLongLong() : qint64(status.toDouble(-1));
        reply.message = reason.isEmpty() ? defaultMessage : reason;
        reply.error = PLError(PLCurrentBundleInfo::identifier(), code, reply.message);
        reply.object = {};
    }
    return reply;
}

QString SmartDownloadReply::loggable() const {
    return error ? QStringLiteral("%1 %2").arg(error->domain).arg(error->code) : QString();
}

} // namespace pelnix
