// The bring-up: what a verified account needs from the servers before its conversations show
// (stylesheets, forms, chatlets, device token, room list), one missing item after the other, ending
// with the event stream and the outbox running.

#include "core/model/ChatRoom.h"
#include "core/model/CurrentUserInfo.h"
#include "core/model/PLModelManager.h"
#include "core/model/User.h"

#include "core/session/PelnixInfo.h"
#include "foundation/PLCurrentBundleInfo.h"
#include "foundation/PLReachabilityResponder.h"
#include "platform/MainThread.h"
#include "platform/NotificationCenter.h"

#include <QLoggingCategory>
#include <QPointer>

Q_LOGGING_CATEGORY(lcBringUp, "pelnix.modelmanager.bringup", QtWarningMsg)

namespace pelnix {

namespace {

constexpr qint64 kPreviousVersionLookBackMs = 604800000; // 7 days

const char kXSLTFailed[] = "XSLT fetching failed";
const char kFormsFailed[] = "Failed to update from JSON";
const char kNetworkNotAvailable[] = "Network Not available";

bool isOnline() {
    return PLReachabilityResponder::sharedInstance()->networkStatus() != 0;
}

} // namespace

void PLModelManager::postStartUpSucceeded() {
    platform::NotificationCenter::defaultCenter()->post(QLatin1String(PLChatRoomsFetchedNotification));
}

void PLModelManager::postStartUpFailed(const PLOptionalError& error, const QString& message,
                                       const QString& fallbackKey, bool queued) {
    if (queued) {
        // Downloads that could not start all fail for the same reason: one answer is enough.
        if (m_notStartedReported)
            return;
        m_notStartedReported = true;
    }
    const QVariantMap info{
        {QStringLiteral("Error"), error ? QVariant::fromValue(*error) : QVariant(QString())},
        {QStringLiteral("Msg"), !message.isEmpty()      ? message
                                : fallbackKey.isEmpty() ? QString()
                                                        : PLCurrentBundleInfo::localizedString(fallbackKey)}};
    auto* center = platform::NotificationCenter::defaultCenter();
    if (queued)
        center->postQueued(QLatin1String(PLChatRoomsFetchedNotification), {}, info);
    else
        center->post(QLatin1String(PLChatRoomsFetchedNotification), {}, info);
}

qint64 PLModelManager::checkAppSatusAndProceed() {
    Q_ASSERT(platform::isMainThread());
    const auto account = CurrentUserInfo::currentUserInfo();
    if (!account) {
        setAppConfigurationState(0);
        return 0;
    }
    m_notStartedReported = false;
    const QString hostToken = PelnixInfo::sharedInstance()->deviceToken();
    if (account->deviceToken() != hostToken) {
        account->setDeviceToken(hostToken);
        account->save();
    }
    if (account->status() < 2) {
        setAppConfigurationState(0);
        return 0;
    }
    if (!account->styleSheetsUpdated()) {
        updateStyleSheets();
        account->sendDeviceToken();
        return appConfigurationState();
    }
    updateFormJSONs();
    if (!account->roomsFetched()) {
        startFetchingRooms();
        return appConfigurationState();
    }
    account->sendDeviceToken();
    if (needsUpgrade() != 0.0) {
        setAppConfigurationState(3);
        scheduleUpgrade();
        return appConfigurationState();
    }
    startPersistentConnectionForUpdates();
    prepareAndStartPostingPendingMessages();
    setAppConfigurationState(0);
    return 0;
}

void PLModelManager::performUpgrade() {
    Q_ASSERT(platform::isMainThread());
    if (needsUpgrade() != 0.0)
        upgrade();
    // Only a bring-up stopped in state 3 waits for the upgrade; it goes on whether this run did the
    // upgrade or an earlier one already had.
    if (appConfigurationState() != 3)
        return;
    if (needsUpgrade() != 0.0) {
        // Running the bring-up again would schedule the same failing upgrade for ever; the next start
        // tries it again.
        qCWarning(lcBringUp) << "the upgrade did not complete; start-up ends";
        setAppConfigurationState(0);
        postStartUpFailed(std::nullopt, QStringLiteral("The database upgrade did not complete."), {});
        return;
    }
    // Whoever started the session waits for the end of start-up, also on this path.
    if (checkAppSatusAndProceed() == 0)
        postStartUpSucceeded();
}

void PLModelManager::updateStyleSheets() {
    const auto account = CurrentUserInfo::currentUserInfo();
    if (!account || account->status() < 2)
        return;
    setAppConfigurationState(1);
    setProgress(0.0);
    if (!account->styleSheetsUpdated())
        startFetchingXSLT();
    updateFormJSONs();
    hooks().refreshChatlets();
}

void PLModelManager::startFetchingXSLT() {
    QPointer<PLModelManager> self(this);
    const bool started = hooks().startFetchingXSLT(
        [self](bool success, const PLOptionalError& error, const QString& message) {
            if (!self)
                return;
            if (!success) {
                self->postStartUpFailed(error, message, QLatin1String(kXSLTFailed));
                return;
            }
            const auto account = CurrentUserInfo::currentUserInfo();
            if (!account)
                return;
            account->setStyleSheetsUpdated(true);
            account->save();
            if (account->roomsFetched())
                self->postStartUpSucceeded();
            else
                self->startFetchingRooms();
        },
        [self](double fraction) {
            if (self)
                self->setProgress(fraction);
        });
    if (!started)
        // Queued: the caller learns that work started before it hears how it ended.
        postStartUpFailed(std::nullopt, {}, QLatin1String(isOnline() ? kXSLTFailed : kNetworkNotAvailable),
                          true);
}

void PLModelManager::updateFormJSONs() {
    const auto account = CurrentUserInfo::currentUserInfo();
    if (!account || account->formJSONsUpdated())
        return;
    QPointer<PLModelManager> self(this);
    const bool started =
        hooks().updateFormJSONs([self](bool success, const PLOptionalError& error, const QString& message) {
            if (!self)
                return;
            if (!success) {
                self->postStartUpFailed(error, message, QLatin1String(kFormsFailed));
                return;
            }
            if (const auto row = CurrentUserInfo::currentUserInfo()) {
                row->setFormJSONsUpdated(true);
                row->save();
            }
        });
    if (!started)
        postStartUpFailed(std::nullopt, {}, QLatin1String(isOnline() ? kFormsFailed : kNetworkNotAvailable),
                          true);
}

void PLModelManager::startFetchingRooms() {
    setAppConfigurationState(2);
    QPointer<PLModelManager> self(this);
    const bool started = hooks().fetchChatRooms(
        [self](double fraction) {
            if (self)
                self->setProgress(fraction);
        },
        [self](bool success, const PLOptionalError& error, const QString& message) {
            if (!self)
                return;
            if (!success) {
                self->postStartUpFailed(error, message, {});
                return;
            }
            const auto account = CurrentUserInfo::currentUserInfo();
            if (!account)
                return;
            if (account->privateEventTime() == 0)
                account->setPrivateEventTime(ChatRoom::latestMessageDate());
            if (account->privateEventTime() == 0)
                account->setPrivateEventTime(account->lastLoginTime());
            if (isUpgradedFromVersion2x()) {
                account->setPrivateEventTime(account->privateEventTime() - kPreviousVersionLookBackMs);
                cleanupPreviousVersionDefaults();
            }
            account->save();
            self->startPersistentConnectionForUpdates();
            if (account->status() == 3)
                User::refreshContactsList();
        });
    if (!started)
        postStartUpFailed(std::nullopt, {}, isOnline() ? QString() : QLatin1String(kNetworkNotAvailable),
                          true);
}

} // namespace pelnix
