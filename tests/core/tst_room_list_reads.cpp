// The rooms list reads each room's latest message in the list query's own statement: every room gets
// its own latest message whichever row is read first and in whatever order, also rooms listed twice,
// rooms without a latest message and one whose latest message is gone (read on its own then). The
// list holds the values a row shows on the room, no message object; the object asked for is made of
// them, with no read of its own, and reads the rest of its row when asked for it. What the held values
// show is what the object would show, also after the message changed here or elsewhere, was deleted,
// or a newer one arrived, and in a context of its own. Rooms read without their messages find them one
// by one, in their own context.
#include "RoomModelTestKit.h"

using namespace pelnix;
using namespace pelnix::test;

namespace {

constexpr int kRooms = 100;

enum class Order { TopDown, BottomUp, FromTheMiddle };

ChatRoom::List listedRooms(bool withLatestMessages) {
    return withLatestMessages ? ChatRoom::allChatRoomsWithLatestMessages() : ChatRoom::allChatRooms();
}

} // namespace

Q_DECLARE_METATYPE(Order)

class TestRoomListReads : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup() { world.reset(); }
    void eachRoomGetsItsLatestMessage_data();
    void eachRoomGetsItsLatestMessage();
    void aListAskedAgainReadsTheSameMessages();
    void latestMessagesReadAsValuesThenWholeObjects();
    void aLongListReadsItsLatestMessagesInOneStatement();
    void theListShowsWhatTheObjectShows_data();
    void theListShowsWhatTheObjectShows();
    void eachContextShowsItsOwnLatestMessage();
    void runsOfRoomsReadTheirLatestMessagesTogether();

private:
    static QString expectedLatest(const ChatRoom::Ptr& room);
    std::unique_ptr<RoomModelWorld> world;
};

void TestRoomListReads::init() {
    world = std::make_unique<RoomModelWorld>();
    const auto sender = world->user(42, QStringLiteral("Bob"));
    for (int r = 0; r < kRooms; ++r) {
        auto room = world->room(QStringLiteral("r%1").arg(r));
        room->setActivityDate(1000 + r);
        // Every seventh room has no message; the others two, the later one the latest.
        if (r % 7 != 0) {
            world->message(room, QStringLiteral("old%1").arg(r), 10 + r);
            auto latest = world->message(room, QStringLiteral("new%1").arg(r), 500 + r);
            latest->setSenderUser(sender);
            if (r % 3 == 0) { // a smart message with its rendered page
                latest->setType(1);
                latest->setDisplayName(QStringLiteral("Poll %1").arg(r));
                latest->setHtmlText(
                    QStringLiteral("<html><body>%1</body></html>").arg(QString(3000, QChar('p'))));
                latest->setLatestAction(QStringLiteral("init"));
            } else if (r % 5 == 0) { // a text message whose text is none
                latest->setText(QString());
            }
            // Named as the latest directly: the room's activity is later than both messages.
            room->setLatestMessageId(latest->messageId());
        }
        room->save();
    }
    // One room names a latest message that no longer exists: its newest message is taken instead.
    auto healed = ChatRoom::chatRoomWithID("r50");
    healed->setLatestMessageId("gone");
    healed->save();
    PLPersistence::PS_defaultContext()->reset();
}

QString TestRoomListReads::expectedLatest(const ChatRoom::Ptr& room) {
    const int r = room->roomId().mid(1).toInt();
    return r % 7 == 0 ? QString() : QStringLiteral("new%1").arg(r);
}

void TestRoomListReads::eachRoomGetsItsLatestMessage_data() {
    QTest::addColumn<Order>("order");
    QTest::addColumn<bool>("withLatestMessages");
    QTest::newRow("top down") << Order::TopDown << true;
    QTest::newRow("bottom up") << Order::BottomUp << true;
    QTest::newRow("from the middle, both ways") << Order::FromTheMiddle << true;
    QTest::newRow("rooms alone, bottom up") << Order::BottomUp << false;
}

void TestRoomListReads::eachRoomGetsItsLatestMessage() {
    QFETCH(Order, order);
    QFETCH(bool, withLatestMessages);
    const auto rooms = listedRooms(withLatestMessages);
    QCOMPARE(rooms.size(), kRooms);
    QList<int> indexes;
    for (int i = 0; i < kRooms; ++i)
        indexes << i;
    if (order == Order::BottomUp)
        std::reverse(indexes.begin(), indexes.end());
    if (order == Order::FromTheMiddle)
        std::rotate(indexes.begin(), indexes.begin() + kRooms / 2, indexes.end());
    for (int i : std::as_const(indexes)) {
        const auto latest = rooms[i]->latestMessage();
        QCOMPARE(latest ? latest->messageId() : QString(), expectedLatest(rooms[i]));
    }
}

void TestRoomListReads::aListAskedAgainReadsTheSameMessages() {
    const auto first = ChatRoom::allChatRoomsWithLatestMessages();
    QCOMPARE(first[10]->latestMessage()->messageId(), expectedLatest(first[10]));
    const auto second = ChatRoom::allChatRoomsWithLatestMessages();
    for (int i = kRooms - 1; i >= 0; --i) {
        const auto latest = second[i]->latestMessage();
        QCOMPARE(latest ? latest->messageId() : QString(), expectedLatest(second[i]));
        const auto again = first[i]->latestMessage();
        QCOMPARE(again ? again->messageId() : QString(), expectedLatest(first[i]));
    }
}

void TestRoomListReads::latestMessagesReadAsValuesThenWholeObjects() {
    auto other = PLPersistence::PS_context();
    const auto context = PLPersistence::PS_defaultContext();
    const auto rooms = ChatRoom::allChatRoomsWithLatestMessages();
    for (const auto& room : rooms) {
        const auto whole = Message::messageWithID(expectedLatest(room), other);
        // What a row shows, read without an object of the message.
        const auto shown = room->latestMessageSummary();
        if (!whole) {
            QVERIFY(!shown);
            continue;
        }
        QVERIFY(shown);
        QCOMPARE(shown->messageId, whole->messageId());
        QCOMPARE(shown->displayText, whole->displayText());
        QCOMPARE(shown->type, whole->type());
        QCOMPARE(shown->date, whole->date());
        QCOMPARE(shown->state, whole->state());
        QCOMPARE(shown->sender(context.get())->userID(), whole->senderUser()->userID());
        QCOMPARE(shown->fromUserKey, 0);
        // The room whose latest message was gone has it looked up on its own; the others hold values.
        QCOMPARE(bool(context->heldObject(whole->primaryKey())), room->roomId() == QStringLiteral("r50"));
        // Asked for, the message is the context's object of the row, made of what the list read: what a
        // row shows of it reads nothing more.
        const quint64 reads = context->rowReadCount();
        const auto latest = room->latestMessage();
        QCOMPARE(latest->primaryKey(), whole->primaryKey());
        QCOMPARE(latest, Message::messageWithID(whole->messageId()));
        QCOMPARE(MessageSummary::of(*latest), MessageSummary::of(*whole));
        QCOMPARE(context->rowReadCount(), reads);
        // Every value as the store holds it, null ones too; the rest of the row is read when first asked.
        const auto* entity = whole->entity();
        for (const auto& attribute : entity->attributes())
            QVERIFY2(latest->value(attribute.name) == whole->value(attribute.name),
                     qPrintable(attribute.name));
        for (const auto& relationship : entity->relationships())
            if (!relationship.toMany)
                QCOMPARE(latest->foreignKey(relationship.name), whole->foreignKey(relationship.name));
        QVERIFY(latest->isWhole());
        QCOMPARE(room->latestMessageSummary(), MessageSummary::of(*whole));
    }
}

void TestRoomListReads::aLongListReadsItsLatestMessagesInOneStatement() {
    // 300 rooms above the others, each with its latest message.
    constexpr int kLong = 300;
    for (int r = 0; r < kLong; ++r) {
        auto room = ChatRoom::PS_createEntity();
        room->setRoomId(QStringLiteral("long%1").arg(r));
        room->setActivityDate(100000 - r);
        auto latest = world->message(room, QStringLiteral("latest-long%1").arg(r), 50000 - r);
        room->setLatestMessageId(latest->messageId());
    }
    const auto context = PLPersistence::PS_defaultContext();
    QVERIFY(context->save());
    context->reset();

    const quint64 before = context->fetchCount();
    const quint64 rowsBefore = context->rowReadCount();
    const auto rooms = ChatRoom::allChatRoomsWithLatestMessages();
    for (int i = 0; i < kLong; ++i) {
        const auto latest = rooms[i]->latestMessage();
        QVERIFY2(latest, qPrintable(rooms[i]->roomId()));
        QCOMPARE(latest->messageId(), QStringLiteral("latest-") + rooms[i]->roomId());
        QCOMPARE(latest->text(), latest->messageId());
        QCOMPARE(latest->date(), 50000 - i);
    }
    // The messages' objects too come of that statement, with no read per room.
    QCOMPARE(context->fetchCount() - before, quint64(1));
    QCOMPARE(context->rowReadCount() - rowsBefore, quint64(0));
    // A room whose latest message changed since is read on its own.
    auto newer = world->message(rooms[3], QStringLiteral("newer"), 60000);
    rooms[3]->setLatestMessageId(newer->messageId());
    QCOMPARE(rooms[3]->latestMessage(), newer);
}

namespace {
// The room "r4" of `rooms`, whose latest message "new4" is a text of Bob's.
ChatRoom::Ptr fourth(const ChatRoom::List& rooms) {
    for (const auto& room : rooms)
        if (room->roomId() == QStringLiteral("r4"))
            return room;
    return nullptr;
}

// What the list shows of the room's latest message, beside what it shows of the message object as the
// room's context holds it.
void compareWithTheObject(const ChatRoom::Ptr& room, const QString& messageId, const QString& line) {
    const auto shown = room->latestMessageSummary();
    const auto latest = room->latestMessage();
    QVERIFY(shown && latest);
    QCOMPARE(latest->managedObjectContext(), room->managedObjectContext());
    QCOMPARE(*shown, MessageSummary::of(*latest));
    QCOMPARE(shown->messageId, messageId);
    QCOMPARE(shown->displayText, line);
}
} // namespace

void TestRoomListReads::theListShowsWhatTheObjectShows_data() {
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("messageId"); // shown afterwards
    QTest::addColumn<QString>("line");
    QTest::newRow("nothing changed") << "none"
                                     << "new4"
                                     << "new4";
    QTest::newRow("its text changed here, unsaved") << "edit here"
                                                    << "new4"
                                                    << "edited here";
    QTest::newRow("changed and saved here, its object let go") << "save here"
                                                               << "new4"
                                                               << "saved here";
    QTest::newRow("held whole here, as a window holds it") << "hold"
                                                           << "new4"
                                                           << "new4";
    QTest::newRow("deleted here, unsaved") << "delete here"
                                           << "old4"
                                           << "old4";
    QTest::newRow("deleted in another context") << "delete elsewhere"
                                                << "old4"
                                                << "old4";
    QTest::newRow("changed over the stream") << "edit on the queue"
                                             << "new4"
                                             << "changed on the queue";
    QTest::newRow("a newer message over the stream") << "newer on the queue"
                                                     << "stream4"
                                                     << "from the stream";
}

void TestRoomListReads::theListShowsWhatTheObjectShows() {
    QFETCH(QString, change);
    QFETCH(QString, messageId);
    QFETCH(QString, line);
    const auto context = PLPersistence::PS_defaultContext();
    const auto rooms = ChatRoom::allChatRoomsWithLatestMessages();
    const auto room = fourth(rooms);
    const qint64 key = Message::messageWithID("new4", PLPersistence::PS_context())->primaryKey();
    QCOMPARE(room->latestMessageSummary()->displayText, QStringLiteral("new4"));
    QVERIFY(!context->heldObject(key));

    std::shared_ptr<Message> held;
    if (change == "edit here" || change == "hold") {
        held = Message::messageWithID("new4");
        if (change == "edit here")
            held->setText("edited here");
    }
    if (change == "save here") {
        auto message = Message::messageWithID("new4");
        message->setText("saved here");
        QVERIFY(context->save());
    }
    if (change == "delete here")
        context->deleteObject(Message::messageWithID("new4"));
    if (change == "delete elsewhere") {
        const auto other = PLPersistence::PS_context();
        other->deleteObject(Message::messageWithID("new4", other));
        QVERIFY(other->save());
    }
    if (change == "edit on the queue")
        world->onQueue([] {
            auto message = Message::messageWithID("new4");
            message->setText("changed on the queue");
            message->save();
        });
    if (change == "newer on the queue")
        world->onQueue([] {
            ChatRoom::updateRoomWithMessageDict(json(
                R"({"roomId":"r4","_id":"stream4","type":"message","date":9000,"text":"from the stream","sender":"42"})"));
        });
    // Merged before the list shows the rows again, as at its next read.
    context->processPendingMerges();
    QVERIFY(!context->heldObject(key) || held || change == "delete here");
    compareWithTheObject(room, messageId, line);
}

void TestRoomListReads::eachContextShowsItsOwnLatestMessage() {
    const auto other = PLPersistence::PS_context();
    auto draft = Message::messageWithID("new4", other);
    draft->setText("a draft in the other context");
    const auto mine = fourth(ChatRoom::allChatRoomsWithLatestMessages());
    const auto theirs = fourth(ChatRoom::allChatRoomsWithLatestMessages(other));
    QCOMPARE(theirs->managedObjectContext(), other.get());
    compareWithTheObject(mine, "new4", "new4");
    compareWithTheObject(theirs, "new4", "a draft in the other context");
    // Rooms read without their messages look the latest one up in their own context too.
    const auto third = PLPersistence::PS_context();
    const auto thirdDraft = Message::messageWithID("new4", third);
    thirdDraft->setText("a draft in a third context");
    QCOMPARE(fourth(ChatRoom::allChatRooms(third))->latestMessage(), thirdDraft);
    // Saved there, the change reaches this context's list at its next merge.
    QVERIFY(other->save());
    const auto again = fourth(ChatRoom::allChatRoomsWithLatestMessages());
    QCOMPARE(again, mine);
    compareWithTheObject(mine, "new4", "a draft in the other context");
}

void TestRoomListReads::runsOfRoomsReadTheirLatestMessagesTogether() {
    const auto context = PLPersistence::PS_defaultContext();
    const auto rooms = ChatRoom::allChatRooms();
    const auto run = rooms.mid(10, 20);
    const quint64 before = context->fetchCount();
    ChatRoom::readLatestMessages(run);
    QCOMPARE(context->fetchCount() - before, quint64(1));
    for (const auto& room : rooms)
        QCOMPARE(room->holdsLatestMessage(), run.contains(room));
    // Rooms that hold theirs are not read again; a room without messages holds that it has none.
    ChatRoom::readLatestMessages(run);
    QCOMPARE(context->fetchCount() - before, quint64(1));
    for (const auto& room : run) {
        const auto shown = room->latestMessageSummary();
        QCOMPARE(shown ? shown->messageId : QString(), expectedLatest(room));
    }
    // A room whose latest message changed no longer holds it.
    auto newer = world->message(run[3], QStringLiteral("newer"), 60000);
    run[3]->updateLatestMessage(newer);
    QVERIFY(!run[3]->holdsLatestMessage());
    QCOMPARE(run[3]->latestMessageSummary()->messageId, QStringLiteral("newer"));
}

QTEST_GUILESS_MAIN(TestRoomListReads)
#include "tst_room_list_reads.moc"
