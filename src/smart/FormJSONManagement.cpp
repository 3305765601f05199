#include "smart/FormJSONManagement.h"

#include "core/api/PLAppConfigurations.h"
#include "smart/SmartDownload.h"
#include "smart/SmartDownloadReply.h"
#include "smart/SmartLog.h"
#include "smart/SmartNamedRows.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QThread>

namespace pelnix::FormJSONManagement {

bool getFormJSONsWithCompletionHandler(PLSmartDownloadCompletion completion) {
    Q_ASSERT(QThread::currentThread() == QCoreApplication::instance()->thread());
    return SmartDownload::start(
        PLAppConfigurations::currentConfiguration()->formJSONURL(),
        [completion = std::move(completion)](const QByteArray& data, const PLOptionalError& error) {
            const SmartDownloadReply reply =
                SmartDownloadReply::read(data, error, QStringLiteral("Failed to update from JSON"));
            if (reply.ok()) {
                const int stored =
                    SmartNamedRows::store<FormJSON>(reply.object.value(QStringLiteral("forms")).toArray());
                qCInfo(lcSmart) << "stored" << stored << "forms";
            } else {
                qCWarning(lcSmart) << "form list not downloaded:" << reply.loggable();
            }
            if (completion)
                completion(reply.ok(), reply.error, reply.ok() ? QString() : reply.message);
        });
}

FormJSON::Ptr formJSONWithName(const QString& name, const QString& category) {
    return FormJSON::PS_findFirstWithPredicate(SmartNamedRows::named(name, category));
}

} // namespace pelnix::FormJSONManagement
