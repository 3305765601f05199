// The facade's start-up road: the parameter check, the relaunch of a finished set-up, and the wait
// for the bring-up's end.
#include "interface/Pelnix.h"

#include "core/model/PLModelManager.h"
#include "core/session/PelnixInfo.h"
#include "core/session/PelnixStateManager.h"
#include "interface/PelnixSetUp.h"
#include "platform/MainThread.h"
#include "platform/NotificationCenter.h"

namespace pelnix {

namespace {

// The start-ups waiting for the bring-up's end. A second call while one waits joins it, so every
// completion is answered exactly once by the one notification.
struct WaitingStartUps {
    platform::NotificationCenter::Token observer = 0;
    QList<PLResultHandler> completions;
};

Q_GLOBAL_STATIC(WaitingStartUps, g_waiting)

// The host always hears on the main thread's next turn, also when the answer is known at once.
void answerLater(const PLResultHandler& completion, bool success, const PLOptionalError& error,
                 const QString& message) {
    if (completion)
        platform::runOnMain([completion, success, error, message] { completion(success, error, message); });
}

void markSetUpDone() {
    PelnixStateManager::sharedStateManagerInstance()->setIsInitialSetUpDone(true);
    const auto info = PelnixInfo::sharedInstance();
    info->setSessionState(2);
    info->save();
}

void stopWaiting() {
    if (g_waiting->observer)
        platform::NotificationCenter::defaultCenter()->removeObserver(std::exchange(g_waiting->observer, 0));
}

void answerEveryWaitingStartUp(const QVariantMap& userInfo) {
    const auto completions = std::exchange(g_waiting->completions, {});
    for (const PLResultHandler& completion : completions)
        Pelnix::chatRoomsFetchCompletedWithInfo(userInfo, completion);
}

} // namespace

void Pelnix::initWithCompletionHandler(PLResultHandler completion) {
    Q_ASSERT(platform::isMainThread());
    PelnixSetUp::ensureLibraryIsSetUp();
    PelnixSetUp::connectSmartMessages();
    PelnixStateManager* state = PelnixStateManager::sharedStateManagerInstance();
    state->initializeDatabase();
    PLModelManager::sharedModelManager()->checkForUpgradeForSDK();

    bool parametersSet = false;
    PLOptionalError missing;
    PelnixStateManager::checkWetherUserHasSetAllRequiredParametersWithCompletionHandler(
        [&](bool set, const PLOptionalError& error) {
            parametersSet = set;
            missing = error;
        });
    if (!parametersSet)
        return answerLater(completion, false, missing, {});
    state->initializeDatabase();
    PLModelManager* manager = PLModelManager::sharedModelManager();

    if (PelnixSetUp::sessionState() == 2) {
        state->setIsInitialSetUpDone(true);
        // A desktop relaunch has no first network or foreground callback to start the stream and the
        // outbox, so nothing would move until the network changed: start them here.
        if (!manager->isEventStreamConnected())
            manager->startPersistentConnectionForUpdates();
        manager->prepareAndStartPostingPendingMessages();
        return answerLater(completion, true, std::nullopt, {});
    }

    g_waiting->completions.append(completion);
    if (g_waiting->completions.size() > 1)
        return; // the running bring-up answers this call too
    g_waiting->observer = platform::NotificationCenter::defaultCenter()->addObserver(
        QLatin1String(PLChatRoomsFetchedNotification),
        [](const platform::Notification& notification) { answerEveryWaitingStartUp(notification.userInfo); });
    if (manager->checkAppSatusAndProceed() != 0 || g_waiting->completions.isEmpty())
        return;
    // Nothing was missing: set up at once.
    stopWaiting();
    markSetUpDone();
    for (const PLResultHandler& waiting : std::exchange(g_waiting->completions, {}))
        answerLater(waiting, true, std::nullopt, {});
}

void Pelnix::chatRoomsFetchCompletedWithInfo(const QVariantMap& userInfo, PLResultHandler completion) {
    stopWaiting();
    const QLatin1String errorKey("Error"), messageKey("Msg");
    if (!userInfo.contains(errorKey) && !userInfo.contains(messageKey)) {
        markSetUpDone();
        return answerLater(completion, true, std::nullopt, {});
    }
    const QVariant error = userInfo.value(errorKey);
    const PLOptionalError reported = error.metaType() == QMetaType::fromType<PLError>()
                                         ? PLOptionalError(error.value<PLError>())
                                         : std::nullopt;
    answerLater(completion, false, reported, userInfo.value(messageKey).toString());
}

} // namespace pelnix
