// Room operations against the stand-in: the room list's rules for rooms that went missing, the
// reply rules of creation, removal and admin change, leaving and closing with their local
// clearing, the event queue held while a room-changing request is in flight, and the stream
// events about the user's own leaving.

#include "OutboxTestWorld.h"

#include <QtTest>

using namespace pelnix;
using namespace pelnix::test;

using Fault = standin::StandinServer::Fault;
using FaultMode = standin::StandinServer::FaultMode;

namespace {

struct Result {
    bool called = false;
    bool success = false;
    bool hasError = false;
    QString message;
};

PLResultHandler recorder(Result& result) {
    return [&result](bool success, const PLOptionalError& error, const QString& message) {
        result = {true, success, error.has_value(), message};
    };
}

int requestsTo(const standin::StandinServer& server, const std::string& method, const std::string& pathPart) {
    int count = 0;
    for (const auto& request : server.requestLog())
        count += request.method == method && request.path.find(pathPart) != std::string::npos ? 1 : 0;
    return count;
}

} // namespace

class TestRoomOperations : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { w.reset(); }

    void roomListFetchRules();
    void roomListReplyThatIsNoListChangesNothing();
    void createNeedsContacts();
    void removingAnAlreadyRemovedMemberSucceeds();
    void adminChangeNeedsSuccessfulFlag();
    void leaveAndClose();
    void clearingKeepsRecentTombstones();
    void queueHeldOnlyWhileARoomChangingRequestIsInFlight();
    void latestMessagesWithAnEmptyReplyFail();
    void ownLeavingEventsAreDropped();

private:
    std::unique_ptr<OutboxTestWorld> w;
};

void TestRoomOperations::roomListFetchRules() {
    w = std::make_unique<OutboxTestWorld>(QStringList{"g1"}, false);
    auto account = CurrentUserInfo::currentUserInfo();
    account->setRoomsFetched(true);
    account->save();
    Result result;
    QVERIFY(!ChatRoom::getPrivateRoomsWithCompletionHandler(recorder(result)));
    QCOMPARE(requestsTo(w->server(), "GET", "/rooms/lite"), 0);

    account->setRoomsFetched(false);
    account->save();
    int fetchedNotifications = 0;
    auto token = platform::NotificationCenter::defaultCenter()->addObserver(
        QLatin1String(PLChatRoomsFetchedNotification),
        [&](const platform::Notification&) { ++fetchedNotifications; });
    QVERIFY(ChatRoom::getPrivateRoomsWithCompletionHandler(recorder(result)));
    QTRY_VERIFY(result.called);
    QVERIFY(result.success);
    QVERIFY(w->room("g1"));
    QVERIFY(CurrentUserInfo::currentUserInfo()->roomsFetched());
    QCOMPARE(fetchedNotifications, 1);

    // Later rooms that the server no longer lists: a group is marked gone and loses the user's
    // admin flag; a one-to-one room and a room left here are never marked.
    auto gone = w->world->room("gone");
    auto mine = RoomMember::findOrCreate(gone, QString::number(w->fixture->userID()));
    mine->setIsCreator(true);
    auto oneToOne = w->world->room("pair");
    oneToOne->setType("1");
    auto left = w->world->room("left", 1);
    PLPersistence::PS_defaultContext()->save();
    account = CurrentUserInfo::currentUserInfo();
    account->setRoomsFetched(false);
    account->save();
    result = {};
    QVERIFY(ChatRoom::getPrivateRoomsWithCompletionHandler(recorder(result)));
    QTRY_VERIFY(result.called);
    QCOMPARE(gone->status(), qint16(2));
    QVERIFY(!mine->isCreator());
    QCOMPARE(oneToOne->status(), qint16(0));
    QCOMPARE(left->status(), qint16(1));
    QCOMPARE(w->room("g1")->status(), qint16(0));
    platform::NotificationCenter::defaultCenter()->removeObserver(token);
}

void TestRoomOperations::roomListReplyThatIsNoListChangesNothing() {
    w = std::make_unique<OutboxTestWorld>(QStringList{"g1"});
    // A reply that is an object without "error" (here a user profile) is no room list.
    PLAppConfigurations::currentConfiguration()->setProperty(
        "roomsLiteURL", w->fixture->baseUrl() + "users/" + QString::number(w->fixture->userID()));
    Result result;
    QVERIFY(ChatRoom::getPrivateRoomsWithCompletionHandler(recorder(result)));
    QTRY_VERIFY(result.called);
    QVERIFY(!result.success);
    QCOMPARE(w->room("g1")->status(), qint16(0));
    QVERIFY(!CurrentUserInfo::currentUserInfo()->roomsFetched());
}

void TestRoomOperations::createNeedsContacts() {
    w = std::make_unique<OutboxTestWorld>(QStringList{});
    bool called = false;
    const auto completion = [&](bool, const PLOptionalError&, const QString&, const ChatRoom::Ptr&) {
        called = true;
    };
    QVERIFY(!ChatRoom::createRoomWithName("Team", "hi", {}, {}, {}, false, false, completion));
    QCOMPARE(requestsTo(w->server(), "POST", "/rooms"), 0);

    ChatRoom::Ptr created;
    bool success = false;
    QVERIFY(ChatRoom::createRoomWithName(
        "Team", "hi", {QString("bob@acme.test"), PLAddressBookContact{"Cy", "cy@acme.test", {}, 0}}, {}, {},
        false, false, [&](bool ok, const PLOptionalError&, const QString&, const ChatRoom::Ptr& room) {
            success = ok;
            created = room;
            called = true;
        }));
    QTRY_VERIFY(called);
    QVERIFY(success);
    QVERIFY(created && !created->roomId().isEmpty());
    QCOMPARE(ChatRoom::chatRoomWithID(created->roomId()), created);
    const auto form = decodeForm(w->fixture->lastRequest("/rooms").body);
    QVERIFY(form.contains({"emails", "bob@acme.test,cy@acme.test"}) ||
            form.contains({"emails", "bob@acme.test"}));
}

void TestRoomOperations::removingAnAlreadyRemovedMemberSucceeds() {
    w = std::make_unique<OutboxTestWorld>(QStringList{"g1"});
    auto room = w->room("g1");
    auto bob = RoomMember::findOrCreate(room, "42");
    room->setTotalMembers(2);
    room->save();
    Fault gone{"/members/42$", "DELETE", 1, FaultMode::ErrorEnvelope};
    gone.statusCode = 404;
    w->server().addFault(gone);
    Result result;
    QVERIFY(room->removeMember(bob, recorder(result)));
    QTRY_VERIFY(result.called);
    QVERIFY(result.success);
    QCOMPARE(room->members().size(), 0);
    QCOMPARE(room->totalMembers(), qint16(1));
    // Someone who is not a member is refused before any request.
    QVERIFY(!room->removeMember(bob, recorder(result)));
}

void TestRoomOperations::adminChangeNeedsSuccessfulFlag() {
    w = std::make_unique<OutboxTestWorld>(QStringList{"g1"});
    auto room = w->room("g1");
    auto bob = RoomMember::findOrCreate(room, "42");
    room->save();
    w->server().addFault(Fault{"/changeadmin", "POST", 1, FaultMode::ErrorEnvelope});
    Result result;
    QVERIFY(room->changeAdmin(bob, recorder(result)));
    QTRY_VERIFY(result.called);
    QVERIFY(!result.success);
    QVERIFY(result.message.isEmpty());
    QVERIFY(!bob->isCreator());

    result = {};
    QVERIFY(room->changeAdmin(bob, recorder(result)));
    QTRY_VERIFY(result.called);
    QVERIFY(result.success);
    QVERIFY(bob->isCreator());
}

void TestRoomOperations::leaveAndClose() {
    w = std::make_unique<OutboxTestWorld>(QStringList{"g1", "g2", "g3"});
    // Not a member here: left at once, and the answer still comes.
    auto g1 = w->room("g1");
    w->world->message(g1, "m1", 1000);
    g1->setTotalMembers(1);
    g1->save();
    Result result;
    QVERIFY(!g1->leaveGroupWithCompletionHandler(recorder(result)));
    QTRY_VERIFY(result.called);
    QVERIFY(result.success);
    QCOMPARE(g1->status(), qint16(1));
    QCOMPARE(g1->messages().size(), 0);

    // A member count of 0 is refreshed first; then the own member is removed on the server.
    auto g2 = w->room("g2");
    RoomMember::findOrCreate(g2, QString::number(w->fixture->userID()));
    g2->save();
    result = {};
    QVERIFY(g2->leaveGroupWithCompletionHandler(recorder(result)));
    QTRY_VERIFY(result.called);
    QVERIFY(result.success);
    QCOMPARE(requestsTo(w->server(), "GET", "/rooms/g2"), 1);
    QCOMPARE(requestsTo(w->server(), "DELETE", "/rooms/g2/members/41"), 1);
    QCOMPARE(g2->status(), qint16(1));

    auto g3 = w->room("g3");
    result = {};
    QVERIFY(g3->closeGroupWithCompletionHandler(recorder(result)));
    QTRY_VERIFY(result.called);
    QVERIFY(result.success);
    QCOMPARE(g3->status(), qint16(1));
    QVERIFY(!g3->hasChanges()); // stored, though there were no messages to clear
}

void TestRoomOperations::clearingKeepsRecentTombstones() {
    w = std::make_unique<OutboxTestWorld>(QStringList{"g1"});
    auto account = CurrentUserInfo::currentUserInfo();
    account->setPrivateEventTime(100000);
    account->save();
    auto room = w->room("g1");
    for (auto [id, date] : {std::pair{"old", 50000}, {"edge", 69999}, {"recent", 70000}, {"newest", 90000}})
        w->world->message(room, id, date);
    auto stale = DeletedMessage::PS_createEntity();
    stale->setMessageId("long gone");
    room->addDeletedMessagesObject(stale);
    // A message still being posted stays for its outbox entry.
    auto posting = w->queueText("g1", "in flight");
    posting->setState(2);
    room->save();
    const QString postingId = posting->message()->messageId();

    room->clearMessages(true);
    QStringList tombstones;
    for (const auto& tombstone : room->deletedMessages())
        tombstones << tombstone->messageId();
    tombstones.sort();
    QCOMPARE(tombstones, QStringList({"newest", "recent"}));
    QCOMPARE(room->messages().size(), 0);
    QVERIFY(!Message::messageWithID("old"));
    QVERIFY(Message::messageWithID(postingId));
    QCOMPARE(room->unreadMessagesCount(), qint64(0));

    w->world->message(room, "again", 95000);
    room->save();
    room->clearMessages(false);
    QCOMPARE(room->deletedMessages().size(), 0);
    QCOMPARE(DeletedMessage::PS_countOfEntities(), qint64(0));
}

void TestRoomOperations::queueHeldOnlyWhileARoomChangingRequestIsInFlight() {
    w = std::make_unique<OutboxTestWorld>(QStringList{"g1"});
    auto* queue = PLModelManager::sharedModelManager()->dataProcessingQueue();
    auto room = w->room("g1");
    Fault hold{"/rooms/g1", "", -1, FaultMode::Hold};
    w->server().addFault(hold);

    Result refreshed;
    QVERIFY(room->refreshRoomInfoWithCompletionHandler(recorder(refreshed)));
    QTRY_COMPARE(w->server().heldCount(), 1);
    QVERIFY(!queue->isSuspended());

    bool updated = false;
    QVERIFY(room->updateRoomWithName(
        "Renamed", {}, {}, false, false,
        [&](bool ok, const PLOptionalError&, const QString&, const ChatRoom::Ptr&) { updated = ok; }));
    QTRY_COMPARE(w->server().heldCount(), 2);
    QVERIFY(queue->isSuspended());
    w->server().clearFaults();
    w->server().releaseHeld();
    QTRY_VERIFY(updated && refreshed.called);
    QVERIFY(!queue->isSuspended());

    // A request that cannot start leaves nothing suspended and calls nothing.
    w->fixture->setOnline(false);
    Result offline;
    QVERIFY(!room->fetchLatestMessagesWithCompletionHandler(recorder(offline)));
    QVERIFY(!queue->isSuspended());
    QCoreApplication::processEvents();
    QVERIFY(!offline.called);
}

void TestRoomOperations::latestMessagesWithAnEmptyReplyFail() {
    w = std::make_unique<OutboxTestWorld>(QStringList{"g1"});
    // A rooms address without its final "/" still names the room's messages.
    QString rooms = PLAppConfigurations::currentConfiguration()->roomsURL();
    rooms.chop(1);
    PLAppConfigurations::currentConfiguration()->setProperty("roomsURL", rooms);
    auto room = w->room("g1");
    room->setActivityDate(QDateTime::currentMSecsSinceEpoch() + 60000);
    room->save();
    Result result;
    QVERIFY(room->fetchLatestMessagesWithCompletionHandler(recorder(result)));
    QTRY_VERIFY(result.called);
    QVERIFY(!result.success);
    QVERIFY(!result.hasError);
    QCOMPARE(requestsTo(w->server(), "GET", "/rooms/g1/messages"), 1);
}

void TestRoomOperations::ownLeavingEventsAreDropped() {
    w = std::make_unique<OutboxTestWorld>(QStringList{});
    const QString me = QString::number(w->fixture->userID());
    ChatRoom::updateWithEventsDict(
        json(QString(R"({"type":"left","roomId":"x1","date":5,"_id":"e1","replacements":{"target":%1}})")
                 .arg(me)
                 .toUtf8()));
    ChatRoom::updateWithEventsDict(json(
        QString(
            R"({"type":"kicked","roomId":"x2","date":5,"_id":"e2","sender":%1,"replacements":{"target":42}})")
            .arg(me)
            .toUtf8()));
    QVERIFY(!ChatRoom::chatRoomWithID("x1"));
    QVERIFY(!ChatRoom::chatRoomWithID("x2"));
    // Removed by someone else: applied.
    ChatRoom::updateWithEventsDict(json(
        QString(
            R"({"type":"kicked","roomId":"x3","date":5,"_id":"e3","sender":42,"replacements":{"target":%1}})")
            .arg(me)
            .toUtf8()));
    QVERIFY(ChatRoom::chatRoomWithID("x3"));
}

QTEST_GUILESS_MAIN(TestRoomOperations)
#include "tst_room_operations.moc"
