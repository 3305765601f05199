#include "interface/PelnixInviteHelper.h"

#include "core/api/AccountAPIServices.h"
#include "core/model/OwnedService.h"
#include "foundation/PLReachabilityResponder.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace pelnix {

namespace {

const QString kNoNetwork = QStringLiteral("Please check your network connection");

} // namespace

QVariantList PelnixInviteHelper::arrayOfDictionariesFromInviteArray(const QVariantList& contacts) {
    QVariantList out;
    for (const QVariant& element : contacts) {
        if (element.metaType() != QMetaType::fromType<PelnixInviteContact>())
            continue;
        const auto contact = element.value<PelnixInviteContact>();
        out.append(
            QVariantMap{{QStringLiteral("email"), contact.emailID.isNull() ? QString("") : contact.emailID},
                        {QStringLiteral("name"), contact.name.isNull() ? QString("") : contact.name}});
    }
    return out;
}

void PelnixInviteHelper::inviteContacts(const QVariantList& contacts, PLResultHandler completion) {
    auto answer = [completion](bool success, const PLOptionalError& error, const QString& message) {
        if (completion)
            completion(success, error, message);
    };
    if (!PLReachabilityResponder::sharedInstance()->isNetworkReachable(false))
        return answer(false, std::nullopt, kNoNetwork);
    auto* service = new PLInviteViaEmailAPIService;
    service->setSelectedContacts(arrayOfDictionariesFromInviteArray(contacts));
    const bool started =
        OwnedService::start(service, [answer](const QByteArray& data, const PLOptionalError& error) {
            // An empty reply still ends the host's wait, with whatever the transport said.
            if (data.isEmpty())
                return answer(false, error, {});
            const QJsonObject reply = QJsonDocument::fromJson(data).object();
            if (reply.value(QStringLiteral("status")).toString() == QStringLiteral("Success"))
                return answer(true, std::nullopt, {});
            answer(false, error, reply.value(QStringLiteral("message")).toString());
        });
    // The request could not leave (the network went away since the check).
    if (!started)
        answer(false, std::nullopt, kNoNetwork);
}

} // namespace pelnix
