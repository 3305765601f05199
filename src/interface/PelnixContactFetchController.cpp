#include "interface/PelnixContactFetchController.h"

#include "core/model/User.h"
#include "interface/PelnixErrorHandlingHelper.h"
#include "platform/NotificationCenter.h"

namespace pelnix {

std::shared_ptr<PelnixContactFetchController> PelnixContactFetchController::create() {
    return std::shared_ptr<PelnixContactFetchController>(new PelnixContactFetchController);
}

QList<PLPelnixContact> PelnixContactFetchController::activePelnixContacts() {
    QList<PLPelnixContact> contacts;
    for (const auto& user : User::allActiveUsers({}))
        contacts.append(PLPelnixContact{user->profileName(), user->email(), {}});
    return contacts;
}

void PelnixContactFetchController::fetchPelnixContactsWithCompletion(PLContactsHandler completion) {
    m_completion = std::move(completion);
    std::weak_ptr<PelnixContactFetchController> weak = weak_from_this();
    const bool downloading = User::refreshContactsList([weak](bool fetched) {
        if (const auto self = weak.lock()) {
            if (fetched)
                self->finish(true, std::nullopt, activePelnixContacts());
            else
                // The download failed: the host hears of it instead of waiting for ever.
                self->finish(false,
                             PelnixErrorHandlingHelper::errorWithCode(
                                 PelnixErrorNetworkNotAvailable, QStringLiteral("Network Not available")),
                             {});
        }
    });
    if (!downloading) {
        finish(true, std::nullopt, activePelnixContacts());
        return;
    }
    m_keepAlive = shared_from_this();
    // A download joined without a report still ends with the notification.
    m_observer = platform::NotificationCenter::defaultCenter()->addObserver(
        QString::fromLatin1(PLContactsFetchedNotification), [weak](const platform::Notification&) {
            if (const auto self = weak.lock())
                self->finish(true, std::nullopt, activePelnixContacts());
        });
}

void PelnixContactFetchController::finish(bool success, const PLOptionalError& error,
                                          const QList<PLPelnixContact>& contacts) {
    if (m_answered)
        return;
    m_answered = true;
    if (m_observer)
        platform::NotificationCenter::defaultCenter()->removeObserver(std::exchange(m_observer, 0));
    const auto keep = std::exchange(m_keepAlive, nullptr);
    if (m_completion)
        m_completion(success, error, contacts);
}

} // namespace pelnix
