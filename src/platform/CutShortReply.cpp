#include "platform/CutShortReply.h"

#include <QLoggingCategory>
#include <QNetworkReply>

namespace pelnix::platform {

Q_LOGGING_CATEGORY(lcCutShort, "pelnix.network.replies", QtWarningMsg)

bool isCutShort(const QNetworkReply* reply, qint64 received) {
    if (!reply || reply->operation() == QNetworkAccessManager::HeadOperation)
        return false;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if ((status >= 100 && status < 200) || status == 204 || status == 304)
        return false;
    bool known = false;
    const qint64 announced = reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(&known);
    if (!known || received >= announced)
        return false;
    qCDebug(lcCutShort) << "answer cut short:" << received << "of" << announced << "bytes";
    return true;
}

} // namespace pelnix::platform
