// Stream events applied on the event queue as the stream does, with notifications observed on the
// main thread.
#include "RoomModelTestKit.h"
#include "platform/store/ObjectContext.h"

#include <QCoreApplication>

using namespace pelnix;
using namespace pelnix::test;

namespace {

// The room as the tests compare it: status, name, admin-only, pictures, members ("*" = admin).
QString roomDigest(const std::shared_ptr<ChatRoom>& room) {
    QStringList members;
    for (const auto& m : room->members())
        members << QString::number(m->user() ? m->user()->userID() : 0) + (m->isCreator() ? "*" : "");
    members.sort();
    return QStringLiteral("%1|%2|%3|%4|%5|%6")
        .arg(room->status())
        .arg(room->name(), room->adminOnly() ? "admin-only" : "open", room->imageUrl(),
             room->bigRoomImageUrl(), members.join(','));
}

QString messageDigest(const std::shared_ptr<Message>& m) {
    return m ? QStringLiteral("%1|%2|%3").arg(m->type()).arg(m->text(), m->bulkJoinedUserNames()) : "none";
}

} // namespace

class TestMessageDispatch : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void systemEvents_data();
    void systemEvents();
    void repeatedOrOlderEventChangesNothing();
    void eventIsStoredInOneCommitWithItsRoom();
    void eventForUnknownRoomCreatesItAndFetchesItOnce();
    void joinedAfterRemovalFetchesTheRoomFirst();
    void ownEchoCompletesALostPostInEveryRoom_data();
    void ownEchoCompletesALostPostInEveryRoom();
    void ownEchoWithNewIdUpdatesThePostedRow();
    void deletionRecordsRefuseClearedMessages();
    void replyToOwnPostIsNeverStale();

private:
    std::unique_ptr<RoomModelWorld> world;
    std::unique_ptr<NotificationLog> log;
};

void TestMessageDispatch::init() {
    world = std::make_unique<RoomModelWorld>();
    log = std::make_unique<NotificationLog>();
    auto room = world->room("r1");
    auto me = User::PS_findFirstByAttribute("userID", kMe);
    for (const auto& user : {me, world->user(8, "Bob"), world->user(9, "Cat"), world->user(10, "Dan")}) {
        if (user->userID() == 10)
            continue;
        auto member = RoomMember::PS_createEntity();
        member->setUser(user);
        member->setIsCreator(user->userID() == 8);
        room->addMembersObject(member);
    }
    room->save();
}

void TestMessageDispatch::cleanup() {
    log.reset();
    world.reset();
}

void TestMessageDispatch::systemEvents_data() {
    QTest::addColumn<QByteArray>("event");
    QTest::addColumn<bool>("active");
    QTest::addColumn<QString>("room");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("notifications");

    const QStringList added{"ChatRoomMessageAddedNotification m1", "ChatRoomUpdatedNotification r1"};
    const QString members = "7,8*,9";
    QTest::newRow("message") << QByteArray(R"({"type":"message","text":"hi"})") << true
                             << "0|r1 name|open|||" + members << "2|hi|" << added;
    QTest::newRow("message, other room open")
        << QByteArray(R"({"type":"message","text":"hi"})") << false << "0|r1 name|open|||" + members
        << "2|hi|" << QStringList{"ChatRoomUpdatedNotification r1"};
    QTest::newRow("kicked: me") << QByteArray(R"({"type":"kicked","replacements":{"target":7}})") << true
                                << "2|r1 name|open|||" + members << "6||"
                                << QStringList{"ChatRoomMessageAddedNotification m1",
                                               "ChatRoomKickedNotification r1",
                                               "ChatRoomUpdatedNotification r1"};
    QTest::newRow("kicked: someone else") << QByteArray(R"({"type":"kicked","replacements":{"target":9}})")
                                          << true << "0|r1 name|open|||" + members << "6||" << added;
    QTest::newRow("left") << QByteArray(R"({"type":"left","replacements":{"target":"9"}})") << true
                          << "0|r1 name|open|||7,8*"
                          << "4||" << added;
    QTest::newRow("left: unknown user") << QByteArray(R"({"type":"left","replacements":{"target":"77"}})")
                                        << true << "0|r1 name|open|||" + members << "4||" << added;
    QTest::newRow("joined") << QByteArray(R"({"type":"joined","replacements":{"target":"10"}})") << true
                            << "0|r1 name|open|||10,7,8*,9"
                            << "3||" << added;
    QTest::newRow("joined: new user") << QByteArray(R"({"type":"joined","replacements":{"target":"11"}})")
                                      << true << "0|r1 name|open|||11,7,8*,9"
                                      << "3||" << added;
    QTest::newRow("joined: two users, no names")
        << QByteArray(R"({"type":"joined","info":{"users":[{"userId":"9"},{"userId":"10"}]}})") << true
        << "0|r1 name|open|||10,7,8*,9"
        << "3||" << added;
    QTest::newRow("joined: three users, names in order")
        << QByteArray(R"({"type":"joined","info":{"users":[{"userId":"10"},{"userId":"8"},{"userId":"9"}]}})")
        << true << "0|r1 name|open|||10,7,8*,9"
        << "3||Dan, Bob, Cat" << added;
    QTest::newRow("joined: a user without a name is left out")
        << QByteArray(
               R"({"type":"joined","info":{"users":[{"userId":"10"},{"userId":"8"},{"userId":"12"}]}})")
        << true << "0|r1 name|open|||10,12,7,8*,9"
        << "3||Dan, Bob" << added;
    QTest::newRow("roomNameUpdate")
        << QByteArray(
               R"({"type":"roomNameUpdate","text":"renamed to $newName","replacements":{"newName":"Ops"}})")
        << true << "0|Ops|open|||" + members << "5|renamed to Ops|" << added;
    QTest::newRow("roomAdminOnlyUpdate")
        << QByteArray(R"({"type":"roomAdminOnlyUpdate","replacements":{"adminOnly":1}})") << true
        << "0|r1 name|admin-only|||" + members << "0||" << added;
    QTest::newRow("adminchanged") << QByteArray(R"({"type":"adminchanged","replacements":{"target":9}})")
                                  << true << "0|r1 name|open|||7,8,9*"
                                  << "0||" << added;
    QTest::newRow("roomImgUpdate")
        << QByteArray(R"({"type":"roomImgUpdate","replacements":{"imgUrl":"http://img.test/a.png"}})") << true
        << "0|r1 name|open|http://img.test/a.png||" + members << "5||" << added;
    QTest::newRow("roomDeleted") << QByteArray(R"({"type":"roomDeleted"})") << true
                                 << "3|r1 name|open|||" + members << "0||"
                                 << QStringList{"ChatRoomMessageAddedNotification m1",
                                                "ChatRoomClosedNotification r1",
                                                "ChatRoomUpdatedNotification r1"};
    QTest::newRow("roomDeleted, other room open")
        << QByteArray(R"({"type":"roomDeleted"})") << false << "3|r1 name|open|||" + members << "0||"
        << QStringList{"ChatRoomUpdatedNotification r1"};
    QTest::newRow("display") << QByteArray(R"({"type":"display","text":"note"})") << true
                             << "0|r1 name|open|||" + members << "7|note|" << added;
    QTest::newRow("unknown type is a message") << QByteArray(R"({"type":"sticker","text":"x"})") << true
                                               << "0|r1 name|open|||" + members << "0|x|" << added;
}

void TestMessageDispatch::systemEvents() {
    QFETCH(QByteArray, event);
    QFETCH(bool, active);
    QFETCH(QString, room);
    QFETCH(QString, message);
    QFETCH(QStringList, notifications);

    world->setActiveRoom(active ? "r1" : "r9");
    QVariantMap dict = QJsonDocument::fromJson(event).object().toVariantMap();
    dict.insert({{"roomId", "r1"},
                 {"_id", "m1"},
                 {"date", 1000.0},
                 {"sender", "8"},
                 {"senderObj", QVariantMap{{"userId", 8}}}});
    bool imported = false;
    world->onQueue([&] {
        Q_ASSERT(!platform::isMainThread());
        imported = ChatRoom::updateRoomWithMessageDict(dict) != nullptr;
    });
    QVERIFY(imported);

    auto stored = ChatRoom::chatRoomWithID("r1");
    stored->refreshObject();
    QCOMPARE(roomDigest(stored), room);
    QCOMPARE(messageDigest(Message::messageWithID("m1")), message);
    QCOMPARE(log->entries, notifications);
    QVERIFY(!log->offMain);
    QCOMPARE(stored->latestMessageId(), QString("m1"));
    QCOMPARE(stored->activityDate(), 1000);
}

void TestMessageDispatch::eventIsStoredInOneCommitWithItsRoom() {
    // Every commit of the queue reaches the main context as one change set.
    QStringList commits;
    auto main = PLPersistence::PS_defaultContext();
    const auto token = main->addChangeObserver([&commits](const platform::ChangeSet* changes) {
        QStringList rows;
        for (const auto& row : changes->inserted)
            rows << "+" + row.entity->name();
        for (const auto& update : changes->updated)
            rows << update.entity->name();
        rows.sort();
        commits << rows.join(' ');
    });
    world->onQueue([] {
        ChatRoom::updateRoomWithMessageDict(
            json(R"({"roomId":"r1","_id":"m1","type":"message","date":2000,"text":"one","sender":"8"})"));
    });
    main->removeChangeObserver(token);
    QCOMPARE(commits.size(), 1);
    QVERIFY2(commits[0].startsWith("+Message ChatRoom"), qPrintable(commits[0]));
}

void TestMessageDispatch::repeatedOrOlderEventChangesNothing() {
    world->setActiveRoom("r1");
    QVariantMap first =
        json(R"({"roomId":"r1","_id":"m1","type":"message","date":2000,"text":"one","sender":"8"})");
    world->onQueue([&] { QVERIFY(ChatRoom::updateRoomWithMessageDict(first)); });
    log->entries.clear();

    for (qint64 date : {2000, 1500}) {
        QVariantMap again = first;
        again["date"] = double(date);
        again["text"] = "changed";
        again["type"] = "roomDeleted";
        world->onQueue([&] { QVERIFY(!ChatRoom::updateRoomWithMessageDict(again)); });
    }
    QCOMPARE(log->entries, QStringList());
    auto room = ChatRoom::chatRoomWithID("r1");
    room->refreshObject();
    QCOMPARE(room->status(), 0);
    auto m = Message::messageWithID("m1");
    QCOMPARE(m->text(), QString("one"));
    QCOMPARE(m->updateCount(), 1);
    QCOMPARE(Message::PS_countOfEntities(), 1);

    // The own message keeps its first date; its repeated echo is still a repeat.
    QVariantMap own =
        json(R"({"roomId":"r1","_id":"m2","type":"message","date":3000,"text":"mine","sender":"7",
        "senderObj":{"userId":7}})");
    world->onQueue([&] { QVERIFY(ChatRoom::updateRoomWithMessageDict(own)); });
    own["date"] = 4000.0;
    own["text"] = "edited";
    world->onQueue([&] { QVERIFY(ChatRoom::updateRoomWithMessageDict(own)); });
    QCOMPARE(Message::messageWithID("m2")->date(), 3000);
    log->entries.clear();
    own["type"] = "roomDeleted";
    world->onQueue([&] { QVERIFY(!ChatRoom::updateRoomWithMessageDict(own)); });
    QCOMPARE(log->entries, QStringList());
    room->refreshObject();
    QCOMPARE(room->status(), 0);
    QCOMPARE(Message::messageWithID("m2")->text(), QString("edited"));
}

void TestMessageDispatch::eventForUnknownRoomCreatesItAndFetchesItOnce() {
    QVariantMap event =
        json(R"({"roomId":"r2","_id":"m5","type":"message","date":10,"text":"hello","sender":"8"})");
    world->onQueue([&] { QVERIFY(ChatRoom::updateRoomWithMessageDict(event)); });
    QCOMPARE(log->entries, QStringList{"NewChatRoomAddedNotification r2"});
    QCOMPARE(world->fetches, QStringList{"http://127.0.0.1:0/rooms/r2 async"});
    QVERIFY(ChatRoom::chatRoomWithID("r2"));

    log->entries.clear();
    world->onQueue([&] { QVERIFY(!ChatRoom::updateRoomWithMessageDict(event)); });
    QCOMPARE(log->entries, QStringList());
    QCOMPARE(world->fetches.size(), 1);

    world->onQueue([&] { QVERIFY(!ChatRoom::updateRoomWithMessageDict(json(R"({"_id":"m6","date":11})"))); });
    QCOMPARE(ChatRoom::PS_countOfEntities(), 2);
}

void TestMessageDispatch::joinedAfterRemovalFetchesTheRoomFirst() {
    auto room = ChatRoom::chatRoomWithID("r1");
    room->setStatus(2);
    room->save();
    world->onQueue([&] {
        QVERIFY(ChatRoom::updateRoomWithMessageDict(
            json(R"({"roomId":"r1","_id":"j1","type":"joined","date":5,"replacements":{"target":"7"}})")));
    });
    QCOMPARE(world->fetches, QStringList{"http://127.0.0.1:0/rooms/r1 sync"});
    room->refreshObject();
    QCOMPARE(room->status(), 0);
}

void TestMessageDispatch::ownEchoCompletesALostPostInEveryRoom_data() {
    QTest::addColumn<int>("entryState");
    QTest::addColumn<bool>("active");
    QTest::addColumn<bool>("completes");
    QTest::addColumn<QStringList>("notifications");
    const QStringList none{"ChatRoomUpdatedNotification r1"};
    // The own change is not announced as a message update.
    QTest::newRow("posting: its answer completes it") << 2 << true << false << none;
    QTest::newRow("answer lost, room open") << 6 << true << true << none;
    QTest::newRow("answer lost, other room open") << 6 << false << true << none;
    QTest::newRow("failed, other room open") << 4 << false << true << none;
    QTest::newRow("waiting") << 1 << true << false << none;
}

void TestMessageDispatch::ownEchoCompletesALostPostInEveryRoom() {
    QFETCH(int, entryState);
    QFETCH(bool, active);
    QFETCH(bool, completes);
    QFETCH(QStringList, notifications);
    world->setActiveRoom(active ? "r1" : "r9");
    auto room = ChatRoom::chatRoomWithID("r1");
    auto posted = world->message(room, "local-uuid", 100, 1);
    auto entry = PendingMessageInfo::PS_createEntity();
    entry->setSeqId("seq-1");
    entry->setState(qint16(entryState));
    entry->setMessage(posted);
    entry->setRoom(room);
    room->save();

    world->onQueue([&] {
        QVERIFY(ChatRoom::updateRoomWithMessageDict(json(
            R"({"roomId":"r1","_id":"srv-1","type":"message","date":200,"text":"local-uuid","sender":"7","senderObj":{"userId":7},"seqId":"seq-1"})")));
    });
    QCOMPARE(world->completed, completes ? QStringList{"seq-1"} : QStringList());
    QCOMPARE(log->entries, notifications);
}

void TestMessageDispatch::ownEchoWithNewIdUpdatesThePostedRow() {
    auto room = ChatRoom::chatRoomWithID("r1");
    auto posted = world->message(room, "local-uuid", 100, 1);
    auto entry = PendingMessageInfo::PS_createEntity();
    entry->setSeqId("seq-2");
    entry->setState(2);
    entry->setMessage(posted);
    room->save();
    world->onQueue([&] {
        QVERIFY(ChatRoom::updateRoomWithMessageDict(json(
            R"({"roomId":"r1","_id":"srv-2","type":"message","date":300,"text":"sent","sender":"7","senderObj":{"userId":7},"seqId":"seq-2"})")));
    });
    QCOMPARE(Message::PS_countOfEntities(), 1);
    posted->refreshObject();
    QCOMPARE(posted->messageId(), QString("srv-2"));
    // The own message keeps the date it was shown with, and is read.
    QCOMPARE(posted->date(), 100);
    QCOMPARE(posted->state(), 1);
}

void TestMessageDispatch::deletionRecordsRefuseClearedMessages() {
    auto room = ChatRoom::chatRoomWithID("r1");
    auto cleared = DeletedMessage::PS_createEntity();
    cleared->setMessageId("gone");
    cleared->setFormId("form-1");
    cleared->setDate(500);
    room->addDeletedMessagesObject(cleared);
    room->save();

    auto apply = [&](const char* text) {
        std::shared_ptr<Message> result;
        world->onQueue(
            [&] { result = ChatRoom::chatRoomWithID("r1")->updateMessageDict(json(text), true, {}); });
        return result != nullptr;
    };
    const char* refused[] = {
        R"({"_id":"gone","type":"message","date":900})",
        R"({"type":"smartmessage","date":500,"text":"{\"formid\":\"form-1\"}"})",
        R"({"type":"smartmessage","date":400,"text":"{\"formid\":\"form-1\"}"})",
        R"({"type":"smartmessage","date":400,"text":"not json"})",
        R"({"type":"message","date":400})",
    };
    for (const char* text : refused)
        QVERIFY2(!apply(text), text);
    QCOMPARE(Message::PS_countOfEntities(), 0);
    const char* newer =
        R"({"type":"smartmessage","date":501,"text":"{\"formid\":\"form-1\",\"xslt\":\"poll\"}"})";
    QVERIFY(apply(newer));
    QCOMPARE(Message::messageWithFormID("form-1")->type(), 1);
}

void TestMessageDispatch::replyToOwnPostIsNeverStale() {
    auto room = ChatRoom::chatRoomWithID("r1");
    auto posted = world->message(room, "srv-3", 5000, 1);
    room->save();
    auto result = room->updateMessageDict(
        json(R"({"_id":"srv-3","type":"message","date":10,"text":"answer"})"), false, posted);
    QCOMPARE(result, posted);
    QCOMPARE(posted->text(), QString("answer"));
}

int main(int argc, char** argv) {
    prepareTestEnvironment();
    QCoreApplication app(argc, argv);
    TestMessageDispatch test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_message_dispatch.moc"
