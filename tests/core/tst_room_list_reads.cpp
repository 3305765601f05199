// The rooms list reads each room's latest message in the list query's own statement: every room gets
// its own latest message whichever row is read first and in whatever order, also rooms listed twice,
// rooms without a latest message and one whose latest message is gone (read on its own then). The
// list reads only the columns a row shows; everything else about those messages is there when asked
// for. Rooms read without their messages find them one by one.
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
    void latestMessagesReadAsWholeOnes();
    void aLongListReadsItsLatestMessagesInOneStatement();

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

void TestRoomListReads::latestMessagesReadAsWholeOnes() {
    auto other = PLPersistence::PS_context();
    const auto rooms = ChatRoom::allChatRoomsWithLatestMessages();
    for (const auto& room : rooms) {
        const auto latest = room->latestMessage();
        if (!latest)
            continue;
        // The room whose latest message was gone reads its newest message whole, on its own.
        QCOMPARE(latest->isWhole(), room->roomId() == QStringLiteral("r50"));
        const auto whole =
            Message::PS_findFirstByAttribute(QStringLiteral("messageId"), latest->messageId(), other);
        QVERIFY(whole);
        // What a row shows, then what it does not read.
        QCOMPARE(latest->displayText(), whole->displayText());
        QCOMPARE(latest->type(), whole->type());
        QCOMPARE(latest->date(), whole->date());
        QCOMPARE(latest->state(), whole->state());
        QCOMPARE(latest->senderUser()->userID(), whole->senderUser()->userID());
        QVERIFY(!latest->fromUser() && !whole->fromUser());
        QCOMPARE(latest->isWhole(), room->roomId() == QStringLiteral("r50"));
        QCOMPARE(latest->htmlText(), whole->htmlText());
        QCOMPARE(latest->latestAction(), whole->latestAction());
        QVERIFY(latest->isWhole());
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
    const auto rooms = ChatRoom::allChatRoomsWithLatestMessages();
    for (int i = 0; i < kLong; ++i) {
        const auto latest = rooms[i]->latestMessage();
        QVERIFY2(latest, qPrintable(rooms[i]->roomId()));
        QCOMPARE(latest->messageId(), QStringLiteral("latest-") + rooms[i]->roomId());
    }
    QCOMPARE(context->fetchCount() - before, quint64(1));
    // A room whose latest message changed since is read on its own.
    auto newer = world->message(rooms[3], QStringLiteral("newer"), 60000);
    rooms[3]->setLatestMessageId(newer->messageId());
    QCOMPARE(rooms[3]->latestMessage(), newer);
}

QTEST_GUILESS_MAIN(TestRoomListReads)
#include "tst_room_list_reads.moc"
