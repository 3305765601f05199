// The rooms list reads each room's latest message through the list query, a run of rows at a time:
// every room gets its own latest message whichever row is read first and in whatever order, also
// rooms listed twice, rooms without a latest message and one whose latest message is gone.
#include "RoomModelTestKit.h"

using namespace pelnix;
using namespace pelnix::test;

namespace {

constexpr int kRooms = 100;

enum class Order { TopDown, BottomUp, FromTheMiddle };

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

private:
    static QString expectedLatest(const ChatRoom::Ptr& room);
    std::unique_ptr<RoomModelWorld> world;
};

void TestRoomListReads::init() {
    world = std::make_unique<RoomModelWorld>();
    for (int r = 0; r < kRooms; ++r) {
        auto room = world->room(QStringLiteral("r%1").arg(r));
        room->setActivityDate(1000 + r);
        // Every seventh room has no message; the others two, the later one the latest.
        if (r % 7 != 0) {
            world->message(room, QStringLiteral("old%1").arg(r), 10 + r);
            auto latest = world->message(room, QStringLiteral("new%1").arg(r), 500 + r);
            room->updateLatestMessage(latest);
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
    QTest::newRow("top down") << Order::TopDown;
    QTest::newRow("bottom up") << Order::BottomUp;
    QTest::newRow("from the middle, both ways") << Order::FromTheMiddle;
}

void TestRoomListReads::eachRoomGetsItsLatestMessage() {
    QFETCH(Order, order);
    const auto rooms = ChatRoom::allChatRooms();
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
    const auto first = ChatRoom::allChatRooms();
    QCOMPARE(first[10]->latestMessage()->messageId(), expectedLatest(first[10]));
    const auto second = ChatRoom::allChatRooms();
    for (int i = kRooms - 1; i >= 0; --i) {
        const auto latest = second[i]->latestMessage();
        QCOMPARE(latest ? latest->messageId() : QString(), expectedLatest(second[i]));
        const auto again = first[i]->latestMessage();
        QCOMPARE(again ? again->messageId() : QString(), expectedLatest(first[i]));
    }
}

QTEST_GUILESS_MAIN(TestRoomListReads)
#include "tst_room_list_reads.moc"
