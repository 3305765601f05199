// The model manager's ties to the application's life cycle and to the network, and the outbox and
// upload drivers' entry points.

#include "core/model/ChatRoom.h"
#include "core/model/PLModelManager.h"

#include "foundation/PLReachabilityResponder.h"
#include "platform/MainThread.h"
#include "platform/NotificationCenter.h"

#include <QGlobalStatic>
#include <QPointer>

namespace pelnix {

namespace {

Q_GLOBAL_STATIC(PLModelManagerHooks, g_hooks, PLModelManagerHooks::defaults())

bool isOnline() {
    return PLReachabilityResponder::sharedInstance()->networkStatus() != 0;
}

} // namespace

PLModelManagerHooks PLModelManagerHooks::defaults() {
    PLModelManagerHooks h;
    h.startFetchingXSLT = [](PLResultHandler, PLProgressHandler) { return false; };
    h.updateFormJSONs = [](PLResultHandler) { return false; };
    h.refreshChatlets = [] {};
    h.fetchChatRooms = [](PLProgressHandler progress, PLResultHandler completion) {
        return ChatRoom::getPrivateRoomsWithCompletionHandler(std::move(completion), std::move(progress));
    };
    // Through the entry that drops the echo of the user's own leaving or closing, which the answer
    // to the request has already applied.
    h.applyRoomEvent = [](const QVariantMap& event) { ChatRoom::updateWithEventsDict(event); };
    h.prepareOutbox = &PLModelManager::prepareOutbox;
    h.postPendingMessages = [] { PLModelManager::sharedModelManager()->postPendingMessages(); };
    h.rearmUnansweredPosts = [](bool fromWelcome) {
        PLModelManager::sharedModelManager()->rearmUnansweredPosts(fromWelcome);
    };
    h.uploadPendingMedia = [] {};
    return h;
}

PLModelManagerHooks& PLModelManager::hooks() {
    return *g_hooks;
}

void PLModelManager::resetHooks() {
    *g_hooks = PLModelManagerHooks::defaults();
}

void PLModelManager::registerForNetworkUpdatesAndNotifications() {
    Q_ASSERT(platform::isMainThread());
    auto* center = platform::NotificationCenter::defaultCenter();
    // Observers added with this object as context go away with it.
    center->addObserver(
        QLatin1String(PLApplicationDidEnterBackgroundNotification),
        [this](const platform::Notification&) { stopPersistentConnectionForUpdates(); }, this);
    center->addObserver(
        QLatin1String(PLApplicationWillEnterForegroundNotification),
        [this](const platform::Notification&) { startPersistentConnectionForUpdates(); }, this);
    // A changed address book has to be read into the contact list again.
    center->addObserver(
        QStringLiteral("PLAddressBookUpdated"),
        [this](const platform::Notification&) { m_localAddressBookSynched = false; }, this);
    // The responder outlives every manager: the handler acts only while this one exists, and the
    // next manager's registration under the same key replaces it.
    QPointer<PLModelManager> self(this);
    PLReachabilityResponder::sharedInstance()->addHandler(
        [self](int status) {
            if (!self)
                return;
            if (status == 0) {
                self->stopPersistentConnectionForUpdates();
                return;
            }
            self->startPersistentConnectionForUpdates();
            hooks().postPendingMessages();
            self->uploadRichMediaFilesToCloud();
        },
        QStringLiteral("PLModelManager"));
}

void PLModelManager::prepareAndStartPostingPendingMessages() {
    Q_ASSERT(platform::isMainThread());
    hooks().prepareOutbox();
    hooks().postPendingMessages();
    uploadRichMediaFilesToCloud();
}

void PLModelManager::uploadRichMediaFilesToCloud() {
    Q_ASSERT(platform::isMainThread());
    if (!isOnline())
        return;
    hooks().uploadPendingMedia();
}

} // namespace pelnix
