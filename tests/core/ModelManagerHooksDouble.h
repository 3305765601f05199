#pragma once

// A stand-in for what the model manager calls outside core: the smart-message downloads, the
// room-list fetch and the outbox drivers. Downloads answer on the main thread's next turn, as the
// real ones do, and refuse to start while the network is down.

#include "core/model/CurrentUserInfo.h"
#include "core/model/PLModelManager.h"
#include "foundation/PLReachabilityResponder.h"
#include "platform/MainThread.h"
#include "platform/NotificationCenter.h"

#include <QStringList>

namespace pelnix::test {

class ModelManagerHooksDouble {
public:
    ModelManagerHooksDouble() {
        auto& h = PLModelManager::hooks();
        h.startFetchingXSLT = [this](PLResultHandler done, PLProgressHandler progress) {
            return start("xslt", failXSLT, std::move(done), std::move(progress));
        };
        h.updateFormJSONs = [this](PLResultHandler done) {
            return start("forms", failForms, std::move(done), {});
        };
        h.refreshChatlets = [this] { calls << "chatlets"; };
        h.fetchChatRooms = [this](PLProgressHandler progress, PLResultHandler done) {
            return start(
                "rooms", failRooms,
                [done](bool ok, const PLOptionalError& e, const QString& m) {
                    if (ok) {
                        const auto account = CurrentUserInfo::currentUserInfo();
                        account->setRoomsFetched(true);
                        account->save();
                        platform::NotificationCenter::defaultCenter()->post(
                            QLatin1String(PLChatRoomsFetchedNotification));
                    }
                    done(ok, e, m);
                },
                std::move(progress));
        };
        h.prepareOutbox = [this] { calls << "prepareOutbox"; };
        h.postPendingMessages = [this] { calls << "post"; };
        h.rearmUnansweredPosts = [this](bool fromWelcome) {
            calls << (fromWelcome ? "rearm welcome" : "rearm quiet");
        };
        h.uploadPendingMedia = [this] { calls << "upload"; };
    }
    ~ModelManagerHooksDouble() { PLModelManager::resetHooks(); }

    int count(const QString& call) const { return int(calls.count(call)); }

    QStringList calls;
    bool failXSLT = false;
    bool failForms = false;
    bool failRooms = false;

private:
    bool start(const QString& name, bool fail, PLResultHandler done, PLProgressHandler progress) {
        calls << name;
        if (!PLReachabilityResponder::sharedInstance()->isReachable())
            return false;
        platform::runOnMain([fail, done, progress] {
            if (progress)
                progress(0.5);
            done(!fail, std::nullopt, QString());
        });
        return true;
    }
};

} // namespace pelnix::test
