#pragma once

#include "core/api/PLAPIService.h"
#include "core/model/RoomModelServices.h"

#include <QVariantMap>
#include <functional>

namespace pelnix {

// What the model manager's bring-up, stream and drivers call in code that core cannot link (the
// smart-message downloads) or that lives with the outbox and the room server operations. Set on the
// main thread before the session starts; the manager copies them where another thread needs them.
// A download or fetch answers whether its request started; its completion runs on the main thread.
struct PLModelManagerHooks {
    // The stylesheet list download; `progress` gets the fraction. Default: not available (false).
    std::function<bool(PLResultHandler completion, PLProgressHandler progress)> startFetchingXSLT;
    // The form definitions download, called only while `formJSONsUpdated` is NO. Default: false.
    std::function<bool(PLResultHandler completion)> updateFormJSONs;
    // Refreshes the chatlet catalogue, nobody waits for it. Default: nothing.
    std::function<void()> refreshChatlets;
    // The room-list fetch: imports the rooms, sets `roomsFetched` and posts the end notification on
    // success before `completion`. Default: false.
    std::function<bool(PLProgressHandler progress, PLResultHandler completion)> fetchChatRooms;
    // One stream event that is not "welcome", "echatcontact" or "userremoved", on the event queue.
    // Default: the room import of the event.
    std::function<void(const QVariantMap& event)> applyRoomEvent;
    // The outbox's start-up clean-up: completed entries deleted, interrupted ones back to waiting.
    std::function<void()> prepareOutbox;
    // One outbox pass (at most three rooms).
    std::function<void()> postPendingMessages;
    // Entries sent without an answer go back to waiting: on "welcome" and when the stream was quiet.
    std::function<void(bool fromWelcome)> rearmUnansweredPosts;
    // One media-upload pass (at most three uploads).
    std::function<void()> uploadPendingMedia;

    static PLModelManagerHooks defaults();
};

} // namespace pelnix
