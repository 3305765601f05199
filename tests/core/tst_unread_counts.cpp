// The rooms' stored unread counts, with the threads as the model manager runs them (the event queue
// keeps the counts, the main thread marks them): equal to a count of the messages after every kind
// of change, also while both threads change one room at once; and counts past the 16-bit range.
#include "RoomModelTestKit.h"

#include "platform/NotificationCenter.h"

#include <QCoreApplication>

using namespace pelnix;
using namespace pelnix::test;

namespace {

using K = platform::PredicateKey;

// The count as the store holds it, read past every context.
qint64 storedCount(const QString& roomId) {
    return ChatRoom::PS_aggregateOperation("max:", "tempUnreadMessageCount", K("roomId") == roomId)
        .toLongLong();
}

// The count from the stored messages themselves.
qint64 recount(const QString& roomId) {
    qint64 sum = 0;
    for (const auto& m : Message::PS_findAllWithPredicate(K("room.roomId") == roomId && K("state") == 0))
        sum += m->updateCount();
    return sum;
}

QVariantMap streamEvent(const QString& id, qint64 date, qint32 sender, const QString& text = "hello") {
    return QVariantMap{{"roomId", "r1"},
                       {"_id", id},
                       {"type", "message"},
                       {"date", double(date)},
                       {"text", text},
                       {"sender", QString::number(sender)},
                       {"senderObj", QVariantMap{{"userId", sender}}}};
}

enum class Change {
    StreamNewMessage,
    StreamOwnMessage,
    StreamEditOfReadMessage,
    StreamRepeatedEvent,
    QueueMarksRead,
    MainMarksRead,
    MainMarksTwoReadInOneSave,
    MainImportsRoomList,
    MainDiscardsMessage,
    MainClears,
};

} // namespace

Q_DECLARE_METATYPE(Change)

class TestUnreadCounts : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup() { world.reset(); }

    void keptAfterEachKindOfChange_data();
    void keptAfterEachKindOfChange();
    void keptWhileBothThreadsChangeOneRoom();
    void aReadOnTheMainThreadIsMinusOneOfTheStoredCount();
    void readingAnUncountedRoomCountsOnceAndStoresOnTheQueue();
    void deltaLostWithItsQueueIsAppliedAgain();
    void totalComesFromTheStoredCounts();
    void sumsPastSixteenBits_data();
    void sumsPastSixteenBits();
    void sixteenBitCountsStopAtTheirRange_data();
    void sixteenBitCountsStopAtTheirRange();

private:
    std::unique_ptr<RoomModelWorld> world;
    std::shared_ptr<ChatRoom> room;
};

void TestUnreadCounts::init() {
    world = std::make_unique<RoomModelWorld>();
    world->keepUnreadCountsOnQueue();
    world->user(8, "Bob");
    room = world->room("r1");
    // Two unread messages with 2 and 1 updates, one read; counted once on the queue.
    world->message(room, "a", 10, 0, 2);
    world->message(room, "b", 20, 0, 1);
    world->message(room, "c", 30, 1, 0);
    room->save();
    // Not counted yet: the queue counts it, and the main thread reads nothing unread until then.
    QCOMPARE(room->unreadMessagesCount(), 0);
    world->drain();
    QCOMPARE(storedCount("r1"), 3);
    QCOMPARE(room->unreadMessagesCount(), 3);
}

void TestUnreadCounts::keptAfterEachKindOfChange_data() {
    QTest::addColumn<Change>("change");
    QTest::addColumn<qint64>("expected");
    QTest::newRow("stream: another user's message") << Change::StreamNewMessage << qint64(4);
    QTest::newRow("stream: the user's own message") << Change::StreamOwnMessage << qint64(3);
    QTest::newRow("stream: a read message edited") << Change::StreamEditOfReadMessage << qint64(4);
    QTest::newRow("stream: an event again") << Change::StreamRepeatedEvent << qint64(4);
    QTest::newRow("queue: a message read") << Change::QueueMarksRead << qint64(1);
    QTest::newRow("main: a message read") << Change::MainMarksRead << qint64(1);
    QTest::newRow("main: two read, one save") << Change::MainMarksTwoReadInOneSave << qint64(0);
    QTest::newRow("main: room list brings a message") << Change::MainImportsRoomList << qint64(4);
    QTest::newRow("main: a message discarded") << Change::MainDiscardsMessage << qint64(1);
    QTest::newRow("main: messages cleared") << Change::MainClears << qint64(0);
}

void TestUnreadCounts::keptAfterEachKindOfChange() {
    QFETCH(Change, change);
    QFETCH(qint64, expected);
    const auto onQueue = [this](std::function<void()> block) { world->onQueue(std::move(block)); };
    const auto streamed = [&](const QVariantMap& e) {
        onQueue([e] { ChatRoom::updateRoomWithMessageDict(e); });
    };
    switch (change) {
    case Change::StreamNewMessage:
        streamed(streamEvent("d", 40, 8));
        break;
    case Change::StreamOwnMessage:
        streamed(streamEvent("d", 40, kMe));
        break;
    case Change::StreamEditOfReadMessage:
        streamed(streamEvent("c", 50, 8, "edited"));
        break;
    case Change::StreamRepeatedEvent:
        streamed(streamEvent("d", 40, 8));
        streamed(streamEvent("d", 40, 8));
        break;
    case Change::QueueMarksRead:
        onQueue([] {
            auto a = Message::messageWithID("a");
            a->setState(1);
            a->save();
        });
        break;
    case Change::MainMarksRead: {
        auto a = Message::messageWithID("a");
        a->setState(1);
        a->save();
        break;
    }
    case Change::MainMarksTwoReadInOneSave:
        Message::messageWithID("a")->setState(1);
        Message::messageWithID("b")->setState(1);
        room->save();
        break;
    case Change::MainImportsRoomList:
        ChatRoom::updateChatRoomsWithArray(QVariantList{
            QVariantMap{{"_id", "r1"}, {"type", "2"}, {"mostRecentMessage", streamEvent("d", 40, 8)}}});
        break;
    case Change::MainDiscardsMessage:
        Message::removeMessage(Message::messageWithID("a"));
        room->save();
        break;
    case Change::MainClears:
        room->clearMessages(false);
        break;
    }
    world->drain(); // the recount a change on the main thread asked for
    world->drain();
    QCOMPARE(recount("r1"), expected);
    QCOMPARE(storedCount("r1"), expected);
    QCOMPARE(room->unreadMessagesCount(), expected);
}

void TestUnreadCounts::keptWhileBothThreadsChangeOneRoom() {
    // The main thread reads messages while the stream brings new ones into the same room: neither
    // thread's changes may be lost from the count.
    constexpr int kRead = 150;
    constexpr int kNew = 500;
    for (int i = 0; i < kRead; ++i)
        world->message(room, QStringLiteral("old%1").arg(i), 100 + i, 0, 1);
    room->save();
    world->drain();
    for (int i = 0; i < kNew; ++i) {
        const QVariantMap e = streamEvent(QStringLiteral("new%1").arg(i), 1000 + i, 8);
        world->queue.async([e] { ChatRoom::updateRoomWithMessageDict(e); });
    }
    for (int i = 0; i < kRead; ++i) {
        auto m = Message::messageWithID(QStringLiteral("old%1").arg(i));
        m->setState(1);
        m->save();
        QCoreApplication::processEvents();
    }
    world->drain();
    world->drain();
    QCOMPARE(recount("r1"), 3 + kNew);
    QCOMPARE(storedCount("r1"), 3 + kNew);
    QCOMPARE(room->unreadMessagesCount(), 3 + kNew);
}

void TestUnreadCounts::aReadOnTheMainThreadIsMinusOneOfTheStoredCount() {
    // A stored count of 10 where the messages sum to 3: a count after the change would answer 2.
    world->onQueue([this] {
        auto queued = ChatRoom::chatRoomWithID("r1");
        queued->setTempUnreadMessageCount(10);
        queued->save();
    });
    QCOMPARE(room->unreadMessagesCount(), 10);
    world->queue.suspend();
    Message::messageWithID("b")->setState(1);
    QCOMPARE(room->unreadMessagesCount(), 9); // before the save, too
    room->save();
    QCOMPARE(storedCount("r1"), 10);
    QCOMPARE(room->unreadMessagesCount(), 9);
    QCOMPARE(ChatRoom::totalUnreadMessagesCount(), 9);
    world->queue.resume();
    world->drain();
    QCOMPARE(storedCount("r1"), 9);
    QCOMPARE(room->unreadMessagesCount(), 9);
    QCOMPARE(ChatRoom::totalUnreadMessagesCount(), 9);
}

void TestUnreadCounts::readingAnUncountedRoomCountsOnceAndStoresOnTheQueue() {
    world->onQueue([] {
        auto queued = ChatRoom::chatRoomWithID("r1");
        queued->setTempUnreadMessageCount(-1);
        queued->save();
    });
    room->refreshObject();
    QCOMPARE(room->tempUnreadMessageCount(), -1);
    QStringList updated;
    const auto token = platform::NotificationCenter::defaultCenter()->addObserver(
        QLatin1String(ChatRoomUpdatedNotification), [&updated](const platform::Notification& n) {
            updated << n.userInfo.value(QLatin1String(kChatRoomIDKey)).toString();
        });
    // The main thread does not count: it reads no unread message until the queue has counted.
    world->queue.suspend();
    QCOMPARE(room->unreadMessagesCount(), 0);
    QCOMPARE(room->unreadMessagesCount(), 0);
    QVERIFY(!room->hasChanges());
    world->queue.resume();
    world->drain();
    QCOMPARE(storedCount("r1"), 3);
    QTRY_COMPARE(updated, QStringList{"r1"}); // counted once, and announced
    QCOMPARE(room->unreadMessagesCount(), 3);
    QCOMPARE(room->tempUnreadMessageCount(), 3);
    platform::NotificationCenter::defaultCenter()->removeObserver(token);
}

void TestUnreadCounts::deltaLostWithItsQueueIsAppliedAgain() {
    // The model manager ends with the delta still waiting on its queue.
    auto& services = RoomModelServices::shared();
    const auto queue = services.addToDataProcessingQueue;
    services.addToDataProcessingQueue = [](std::function<void()>) {};
    Message::messageWithID("b")->setState(1);
    room->save();
    QCOMPARE(room->unreadMessagesCount(), 2);
    services.addToDataProcessingQueue = queue;
    QCOMPARE(room->unreadMessagesCount(), 2);
    world->drain();
    QCOMPARE(storedCount("r1"), 2);
    QCOMPARE(room->unreadMessagesCount(), 2);
}

void TestUnreadCounts::totalComesFromTheStoredCounts() {
    // Rooms not counted yet are counted once, on the queue; left rooms do not count; the rest is the
    // stored sum.
    auto uncounted = world->room("uncounted");
    world->message(uncounted, "u1", 10, 0, 4);
    auto left = world->room("left", 1);
    world->message(left, "l1", 10, 0, 5);
    uncounted->save();
    world->drain();
    world->onQueue([] {
        auto queued = ChatRoom::chatRoomWithID("uncounted");
        queued->setTempUnreadMessageCount(-1);
        queued->save();
    });
    QCOMPARE(ChatRoom::totalUnreadMessagesCount(), 3); // the stored counts, while the queue counts
    world->drain();
    QCOMPARE(storedCount("uncounted"), 4);
    QCOMPARE(ChatRoom::totalUnreadMessagesCount(), 3 + 4);
}

void TestUnreadCounts::sumsPastSixteenBits_data() {
    QTest::addColumn<QList<int>>("updates"); // of the unread messages of one room
    QTest::addColumn<qint64>("total");
    QTest::newRow("at the 16-bit limit") << QList<int>{32767} << qint64(32767);
    QTest::newRow("one past it") << QList<int>{32767, 1} << qint64(32768);
    QTest::newRow("100,010") << QList<int>{32767, 32767, 32767, 1709} << qint64(100010);
}

void TestUnreadCounts::sumsPastSixteenBits() {
    QFETCH(QList<int>, updates);
    QFETCH(qint64, total);
    room->clearMessages(false);
    world->drain();
    auto big = world->room("big");
    for (int i = 0; i < updates.size(); ++i)
        world->message(big, QStringLiteral("u%1").arg(i), 100 + i, 0, qint16(updates[i]));
    big->save();
    big->setTempUnreadMessageCount(-1);
    big->save();
    big->unreadMessagesCount();
    world->drain();
    QCOMPARE(big->unreadMessagesCount(), total);
    QCOMPARE(storedCount("big"), total);
    QCOMPARE(ChatRoom::totalUnreadMessagesCount(), total);
}

void TestUnreadCounts::sixteenBitCountsStopAtTheirRange_data() {
    QTest::addColumn<int>("serverCount");
    QTest::addColumn<int>("stored");
    QTest::newRow("in range") << 5 << 5;
    QTest::newRow("at the top") << 32767 << 32767;
    QTest::newRow("past the top") << 100000 << 32767;
    QTest::newRow("past the bottom") << -40000 << -32768;
}

void TestUnreadCounts::sixteenBitCountsStopAtTheirRange() {
    QFETCH(int, serverCount);
    QFETCH(int, stored);
    auto imported = ChatRoom::updateChatRoomsWithArray(QVariantList{
        QVariantMap{{"_id", "r1"}, {"totalMessages", serverCount}, {"totalMembers", serverCount}}});
    QCOMPARE(imported.value(0)->totalMessages(), stored);
    QCOMPARE(imported.value(0)->totalMembers(), stored);

    // The updates of one message: an edit at the top of the range keeps it there.
    auto m = world->message(room, "top", 40, 0, qint16(std::min(std::max(serverCount, 0), 32767)));
    room->save();
    world->onQueue([] { ChatRoom::updateRoomWithMessageDict(streamEvent("top", 50, 8, "edited")); });
    m->refreshObject();
    QCOMPARE(int(m->updateCount()), std::min(std::max(serverCount, 0) + 1, 32767));
}

QTEST_GUILESS_MAIN(TestUnreadCounts)
#include "tst_unread_counts.moc"
