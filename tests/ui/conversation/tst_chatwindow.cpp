// The chat window over the real store: the rows a page gives (date rows, the new-updates separator,
// grouping), read marking on the virtual clock, the collapse of stale rows, paging with the position
// kept, appending, the active room and link taps.

#include "ConversationTestWorld.h"

#include "core/api/PLAppConfigurations.h"
#include "core/model/ChatRoomNotifications.h"
#include "core/model/PendingMessageInfo.h"
#include "core/model/RoomModelServices.h"
#include "platform/NotificationCenter.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Button.h"
#include "ui/conversation/PLActiveRoomOwnership.h"
#include "ui/conversation/PLBulkUserJoinedMessageCell.h"
#include "ui/conversation/PLChatMessageCell.h"
#include "ui/conversation/PLChatWindowScrollToBottomOrTopView.h"
#include "ui/conversation/PLDateMessage.h"
#include "ui/conversation/PLDateMessageCell.h"
#include "ui/conversation/PLExtendedTextMessageCell.h"
#include "ui/conversation/PLLoadMoreMessagesView.h"
#include "ui/conversation/PLMarkMessageAsReadHelper.h"
#include "ui/conversation/PLPostToChatView.h"
#include "ui/conversation/PLTextMessageCell.h"
#include "ui/conversation/PLUnreadCountMessage.h"
#include "ui/conversation/PLUnreadMessagesSeparatorCell.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QSignalSpy>

using namespace pelnix;
using namespace pelnix::test;
using platform::ui::IndexPath;

namespace {

// The rows as text: "date", "new:<title>" and the message IDs.
QStringList rowNames(PLChatWindowViewController* chat) {
    QStringList names;
    for (const auto& row : chat->rowList().rows()) {
        if (row.dateMessage())
            names << QStringLiteral("date");
        else if (row.unreadCountMessage())
            names << QStringLiteral("new:") + row.displayText();
        else if (const auto message = row.message())
            names << message->messageId();
        else
            names << QStringLiteral("snapshot");
    }
    return names;
}

qreal screenY(PLChatWindowViewController* chat, int index) {
    auto* list = chat->collectionView();
    return list->rectForRow(IndexPath::forItem(index)).top() - list->contentOffset().y();
}

int indexOfId(PLChatWindowViewController* chat, const QString& id) {
    return int(rowNames(chat).indexOf(id));
}

void setGroupingMinutes(double minutes) {
    PLAppConfigurations::currentConfiguration()->setProperty("durationBetweenTextMessagesToGroup", minutes);
}

void setPageSize(quint64 size) {
    PLAppConfigurations::currentConfiguration()->setProperty("numberOfMessagesLoadedOnce", size);
}

const qint64 kDay = at(2024, 3, 12, 9, 0);

} // namespace

class TestChatWindow : public QObject {
    Q_OBJECT
private slots:
    void init() {
        world = std::make_unique<ConversationWorld>();
        room = world->importRoom(QStringLiteral("r1"));
        setGroupingMinutes(2.0);
        setPageSize(30);
    }
    void cleanup() {
        room.reset();
        world.reset();
    }

    void pageRows_data();
    void pageRows();
    void separatorTextCountsTheUnreadRows();
    void grouping_data();
    void grouping();
    void groupingComparesSendersByID();
    void readMarkingAfterAppearing();
    void aCellsReadReachesTheUnreadCountsWithNothingHoldingItsRoom();
    void leavingEarlyLeavesRowsUnread();
    void rowScrolledAwayBeforeItsDelayStaysUnread();
    void rowUnderTheBarCountsByItsTop();
    void collapseAboveTheScreenKeepsVisibleRowsStill();
    void collapseBelowTheScreenKeepsTheOffset();
    void nothingCollapsesWhileDragging();
    void controlTypes();
    void appendingANewDay();
    void indexSetsFollowAPageAbove();
    void pageJoiningTheSameDay();
    void pageOfAnEarlierDay();
    void lastPageAndEmptyPage();
    void rebuiltListPagesWithoutLosingItsFirstMessage();
    void expandingTheLastJoinedRowScrollsToTheBottom();
    void messageOfAnotherRoomIsNotAdded();
    void secondWindowOnTheSameRoomKeepsTheActiveRoom();
    void linkTapsInClosedRoomsAreRefused_data();
    void linkTapsInClosedRoomsAreRefused();
    void sendingPostsTheTextAsTyped();

private:
    std::unique_ptr<ConversationWorld> world;
    ChatRoom::Ptr room;
};

void TestChatWindow::pageRows_data() {
    QTest::addColumn<QList<qint64>>("dates");
    QTest::addColumn<QStringList>("rows");
    QTest::newRow("empty room") << QList<qint64>{} << QStringList{};
    QTest::newRow("one message") << QList<qint64>{kDay} << QStringList{"date", "m0"};
    QTest::newRow("two on one day") << QList<qint64>{kDay, kDay + 3600000} << QStringList{"date", "m0", "m1"};
    QTest::newRow("23:59 and 00:01") << QList<qint64>{at(2024, 3, 12, 23, 59), at(2024, 3, 13, 0, 1)}
                                     << QStringList{"date", "m0", "date", "m1"};
    QTest::newRow("three days") << QList<qint64>{at(2024, 3, 1, 8, 0), at(2024, 3, 1, 9, 0),
                                                 at(2024, 3, 5, 8, 0), at(2024, 4, 5, 8, 0)}
                                << QStringList{"date", "m0", "m1", "date", "m2", "date", "m3"};
}

void TestChatWindow::pageRows() {
    QFETCH(QList<qint64>, dates);
    QFETCH(QStringList, rows);
    for (int i = 0; i < dates.size(); ++i)
        world->importMessage(room, QStringLiteral("m%1").arg(i), dates[i], QStringLiteral("text %1").arg(i),
                             world->me());
    auto* chat = world->open(room);
    QCOMPARE(rowNames(chat), rows);
    QCOMPARE(chat->collectionView()->numberOfItemsInSection(0), rows.size());
    QVERIFY(!chat->hasMoreMessagesToLoad());
}

void TestChatWindow::separatorTextCountsTheUnreadRows() {
    world->importMessage(room, "old", at(2024, 3, 11, 9, 0), "read", world->me());
    // The unread run starts a day: the separator stands between that day's date row and the message.
    for (int i = 0; i < 3; ++i)
        world->importMessage(room, QStringLiteral("u%1").arg(i), kDay + i * 1000, "unread", kBob);
    auto* chat = world->open(room);
    QCOMPARE(rowNames(chat), (QStringList{"date", "old", "date", "new:3 New Updates ", "u0", "u1", "u2"}));
    QCOMPARE(PLUnreadCountMessage(1).displayText(), QStringLiteral("1 New Update  "));
    QCOMPARE(PLUnreadCountMessage(0).displayText(), QString());
}

void TestChatWindow::grouping_data() {
    QTest::addColumn<double>("minutes");
    QTest::addColumn<qint64>("gap");
    QTest::addColumn<qint32>("secondSender");
    QTest::addColumn<bool>("grouped");
    QTest::newRow("30 s, 1 min") << 1.0 << qint64(30000) << kBob << true;
    QTest::newRow("60 s, 1 min (strictly less)") << 1.0 << qint64(60000) << kBob << false;
    QTest::newRow("59.999 s, 1 min") << 1.0 << qint64(59999) << kBob << true;
    QTest::newRow("another sender") << 1.0 << qint64(1000) << kCarol << false;
    QTest::newRow("across midnight") << 60.0 << at(2024, 3, 13, 0, 1) - at(2024, 3, 12, 23, 59) << kBob
                                     << false;
}

void TestChatWindow::grouping() {
    QFETCH(double, minutes);
    QFETCH(qint64, gap);
    QFETCH(qint32, secondSender);
    QFETCH(bool, grouped);
    setGroupingMinutes(minutes);
    const qint64 first = at(2024, 3, 12, 23, 59);
    world->importMessage(room, "a", first, "first", kBob);
    world->importMessage(room, "b", first + gap, "second", secondSender);
    auto* chat = world->open(room);
    const int second = indexOfId(chat, "b");
    QCOMPARE(chat->isExtendedTextMessageAtIndexPath(IndexPath::forItem(second)), grouped);
    QCOMPARE(chat->reuseIdentifierForItemAtIndex(second),
             grouped ? PLExtendedTextMessageCell::kIdentifier : PLTextMessageCell::kIdentifier);
    if (auto* cell = chat->collectionView()->cellForItemAtIndexPath(IndexPath::forItem(second)))
        QCOMPARE(cell->reuseIdentifier(), chat->reuseIdentifierForItemAtIndex(second));
}

void TestChatWindow::groupingComparesSendersByID() {
    world->importMessage(room, "a", kDay, "first", kBob);
    auto second = world->importMessage(room, "b", kDay + 1000, "second", kBob);
    // Two user rows for one person, as an import of a stale copy can leave: still one sender.
    auto twin = User::PS_createEntity();
    twin->setUserID(kBob);
    twin->setProfileName(QStringLiteral("Bob"));
    second->setSenderUser(twin);
    second->save();
    auto* chat = world->open(room);
    QVERIFY(chat->isExtendedTextMessageAtIndexPath(IndexPath::forItem(indexOfId(chat, "b"))));
}

void TestChatWindow::readMarkingAfterAppearing() {
    for (int i = 0; i < 3; ++i)
        world->importMessage(room, QStringLiteral("r%1").arg(i), kDay + i * 1000, "seen before", world->me());
    QList<Message::Ptr> unread;
    for (int i = 0; i < 20; ++i)
        unread << world->importMessage(room, QStringLiteral("u%1").arg(i), kDay + 10000 + i * 100000,
                                       QStringLiteral("update %1").arg(i), kBob);
    auto* chat = world->open(room);
    // The first unread row is in view.
    const int first = indexOfId(chat, "u0");
    QVERIFY(chat->collectionView()->indexPathsForVisibleItems().contains(IndexPath::forItem(first)));
    const double threshold = chat->bottomVisibleCellThresholdTopValue();
    ConversationWorld::advance(2600);
    for (const auto& message : unread)
        QCOMPARE(message->state(), qint16(0));
    ConversationWorld::advance(100);
    int read = 0;
    for (const auto& message : unread) {
        const int index = indexOfId(chat, message->messageId());
        const bool seen =
            chat->collectionView()->indexPathsForVisibleItems().contains(IndexPath::forItem(index)) &&
            chat->collectionView()->rectForRow(IndexPath::forItem(index)).top() < threshold;
        QCOMPARE(message->state() == 1, seen);
        read += seen ? 1 : 0;
    }
    QVERIFY(read > 0 && read < 20);
    // The store has it, not only the objects in memory; so do the room's count and the total.
    QCOMPARE(Message::PS_countOfEntitiesWithPredicate(platform::PredicateKey("state") == 0),
             qint64(20 - read));
    // The room was never counted: the event queue counts it.
    QTRY_COMPARE(room->unreadMessagesCount(), qint64(20 - read));
    QCOMPARE(ChatRoom::totalUnreadMessagesCount(), qint64(20 - read));
    QTRY_COMPARE(ChatRoom::PS_aggregateOperation("max:", "tempUnreadMessageCount").toLongLong(),
                 qint64(20 - read));
}

void TestChatWindow::aCellsReadReachesTheUnreadCountsWithNothingHoldingItsRoom() {
    for (int i = 0; i < 12; ++i)
        world->importMessage(room, QStringLiteral("u%1").arg(i), kDay + i * 1000, "unread", kBob);
    room->save();
    QTRY_COMPARE(ChatRoom::totalUnreadMessagesCount(), 12); // counted on the event queue
    room.reset();
    // What a cell does when its row has been seen; the room is only the message's key to it.
    PLChatMessageCell cell(QStringLiteral("cell"));
    const auto message = Message::messageWithID(QStringLiteral("u4"));
    cell.setMessage(message);
    cell.markRead(1);
    QCOMPARE(message->state(), qint16(1));
    QCOMPARE(ChatRoom::totalUnreadMessagesCount(), 11);
    QCOMPARE(ChatRoom::chatRoomWithID(QStringLiteral("r1"))->unreadMessagesCount(), 11);
    QTRY_COMPARE(ChatRoom::PS_aggregateOperation("max:", "tempUnreadMessageCount").toLongLong(), qint64(11));
}

void TestChatWindow::leavingEarlyLeavesRowsUnread() {
    for (int i = 0; i < 5; ++i)
        world->importMessage(room, QStringLiteral("u%1").arg(i), kDay + i * 1000, "unread", kBob);
    world->open(room);
    ConversationWorld::advance(2000);
    world->window.reset();
    ConversationWorld::advance(5000);
    QCOMPARE(Message::PS_countOfEntitiesWithPredicate(platform::PredicateKey("state") == 0), qint64(5));
}

void TestChatWindow::rowScrolledAwayBeforeItsDelayStaysUnread() {
    for (int i = 0; i < 40; ++i)
        world->importMessage(room, QStringLiteral("r%1").arg(i), kDay + i * 1000, "older, read", world->me());
    auto target = world->importMessage(room, "u0", kDay + 100000, "the only unread one", kBob);
    for (int i = 0; i < 40; ++i)
        world->importMessage(room, QStringLiteral("s%1").arg(i), kDay + 200000 + i * 1000, "mine",
                             world->me());
    setPageSize(100);
    auto* chat = world->open(room);
    auto* list = chat->collectionView();
    QVERIFY(list->indexPathsForVisibleItems().contains(IndexPath::forItem(indexOfId(chat, "u0"))));
    ConversationWorld::advance(1000);
    // Away before its 2.7 s are over: the mark is dropped.
    list->scrollToBottomAnimated(false);
    QVERIFY(!list->indexPathsForVisibleItems().contains(IndexPath::forItem(indexOfId(chat, "u0"))));
    ConversationWorld::advance(5000);
    QCOMPARE(target->state(), qint16(0));
    // Back in view, the next pass schedules it again.
    chat->scrollToMessageAtIndex(indexOfId(chat, "u0"), true);
    ConversationWorld::advance(500 + 1699);
    QCOMPARE(target->state(), qint16(0));
    ConversationWorld::advance(1);
    QCOMPARE(target->state(), qint16(1));
}

void TestChatWindow::rowUnderTheBarCountsByItsTop() {
    for (int i = 0; i < 60; ++i)
        world->importMessage(room, QStringLiteral("u%1").arg(i), kDay + i * 1000, "unread text", kBob);
    auto* chat = world->open(room);
    auto* list = chat->collectionView();
    const int bar = chat->postToChatView()->height();
    // Put row u40 (out of view when the window opened) half under the input bar: its top 5 points
    // above the bar's top.
    const int index = indexOfId(chat, "u40");
    QVERIFY(!list->indexPathsForVisibleItems().contains(IndexPath::forItem(index)));
    const QRectF row = list->rectForRow(IndexPath::forItem(index));
    list->setContentOffset(QPointF(0, row.top() + 5 - (list->height() - bar)));
    QVERIFY(chat->bottomVisibleCellThresholdTopValue() - row.top() == 5);
    const auto paths = list->indexPathsForVisibleItems();
    chat->markVisibleMessagesAsReadAfterDelay(1700);
    ConversationWorld::advance(1700);
    QCOMPARE(chat->rowList().at(index).message()->state(), qint16(1));
    // The next row's top is below the bar's top: not seen, although the list shows it under the bar.
    QVERIFY(paths.contains(IndexPath::forItem(index + 1)));
    QCOMPARE(chat->rowList().at(index + 1).message()->state(), qint16(0));
}

void TestChatWindow::collapseAboveTheScreenKeepsVisibleRowsStill() {
    for (int i = 0; i < 5; ++i)
        world->importMessage(room, QStringLiteral("r%1").arg(i), kDay + i * 1000, "read", world->me());
    for (int i = 0; i < 40; ++i)
        world->importMessage(room, QStringLiteral("u%1").arg(i), kDay + 10000 + i * 1000, "unread", kBob);
    setPageSize(100);
    auto* chat = world->open(room);
    auto* list = chat->collectionView();
    const int separator = chat->rowList().unreadMessageSeperatorIndexIfPresent();
    QVERIFY(separator > 0);
    QVERIFY(chat->rowList().currentCellsToHide().count(separator));
    list->scrollToBottomAnimated(false);
    const auto visible = list->indexPathsForVisibleItems();
    QVERIFY(visible.first().item() > separator);
    const int watched = visible.first().item() + 1;
    const qreal before = screenY(chat, watched);
    const qreal offset = list->contentOffset().y();
    chat->scrollViewDidEndDragging(false);
    QVERIFY(chat->rowList().allCellsToHide().count(separator));
    QCOMPARE(list->rectForRow(IndexPath::forItem(separator)).height(), 0.0);
    QCOMPARE(list->contentOffset().y(), offset - PLUnreadMessagesSeparatorCell::cellHeight());
    QCOMPARE(screenY(chat, watched), before);
}

void TestChatWindow::collapseBelowTheScreenKeepsTheOffset() {
    for (int i = 0; i < 30; ++i)
        world->importMessage(room, QStringLiteral("r%1").arg(i), kDay + i * 1000, "read", world->me());
    for (int i = 0; i < 5; ++i)
        world->importMessage(room, QStringLiteral("u%1").arg(i), kDay + 100000 + i * 1000, "unread", kBob);
    setPageSize(100);
    auto* chat = world->open(room);
    auto* list = chat->collectionView();
    const int separator = chat->rowList().unreadMessageSeperatorIndexIfPresent();
    list->setContentOffset(QPointF(0, 0));
    QVERIFY(list->indexPathsForVisibleItems().last().item() < separator);
    chat->scrollViewDidEndDecelerating();
    QVERIFY(chat->rowList().allCellsToHide().count(separator));
    QCOMPARE(list->contentOffset().y(), 0.0);
}

void TestChatWindow::nothingCollapsesWhileDragging() {
    for (int i = 0; i < 40; ++i)
        world->importMessage(room, QStringLiteral("u%1").arg(i), kDay + i * 1000, "unread", kBob);
    auto* chat = world->open(room);
    auto* list = chat->collectionView();
    list->scrollToBottomAnimated(false);
    QTest::mousePress(list->viewport(), Qt::LeftButton, {}, QPoint(100, 200));
    QTest::mouseMove(list->viewport(), QPoint(100, 150));
    QVERIFY(list->isDragging());
    chat->hideCollectionViewCellsWithStaleMessages();
    QVERIFY(chat->rowList().allCellsToHide().empty());
    QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, QPoint(100, 150));
}

void TestChatWindow::controlTypes() {
    auto* chat = world->open(room);
    auto* control = chat->scrollToBottomOrTopView();
    QVERIFY(control);
    QCOMPARE(control->controllType(), 2u); // nothing to scroll
    for (int i = 0; i < 60; ++i)
        world->importMessage(room, QStringLiteral("m%1").arg(i), kDay + i * 1000, "text", world->me());
    world->window.reset();
    chat = world->open(room);
    control = chat->scrollToBottomOrTopView();
    auto* list = chat->collectionView();
    QCOMPARE(control->controllType(), 1u); // opened at the bottom
    list->setContentOffset(QPointF(0, 0));
    QCOMPARE(control->controllType(), 0u);
    list->setContentOffset(QPointF(0, list->maximumContentOffset().y() / 2));
    QCOMPARE(control->controllType(), 3u);
    QVERIFY(control->scrollToTopButton()->isVisibleTo(control));
    QVERIFY(control->scrollToBottonButton()->isVisibleTo(control));
    control->scrollToBottomButtonTapped();
    QCOMPARE(control->controllType(), 1u);
}

void TestChatWindow::appendingANewDay() {
    world->importMessage(room, "a", kDay, "today", world->me());
    auto* chat = world->open(room);
    auto* list = chat->collectionView();
    QSignalSpy batches(list, &PLChatWindowCollectionView::batchApplied);
    auto* center = platform::NotificationCenter::defaultCenter();
    const auto add = [&](const QString& id, qint64 date) {
        world->importMessage(room, id, date, "new", kBob);
        center->post(QLatin1String(ChatRoomMessageAddedNotification), {},
                     {{QLatin1String(kMessageIDKey), id}});
    };
    add("b", kDay + 1000);
    QCOMPARE(rowNames(chat), (QStringList{"date", "a", "b"}));
    QCOMPARE(batches.size(), 1);
    add("c", kDay + 86400000);
    QCOMPARE(rowNames(chat), (QStringList{"date", "a", "b", "date", "c"}));
    QCOMPARE(batches.size(), 2); // the date row and the message in one insertion
    QCOMPARE(list->numberOfItemsInSection(0), 5);
    // A repeated notice adds nothing.
    center->post(QLatin1String(ChatRoomMessageAddedNotification), {}, {{QLatin1String(kMessageIDKey), "c"}});
    QCOMPARE(list->numberOfItemsInSection(0), 5);
}

void TestChatWindow::indexSetsFollowAPageAbove() {
    for (int i = 0; i < 40; ++i)
        world->importMessage(room, QStringLiteral("m%1").arg(i), kDay + i * 1000, "text", world->me());
    setPageSize(20);
    auto* chat = world->open(room);
    QCOMPARE(chat->rowList().count(), 21);
    auto& rows = chat->rowList();
    rows.currentCellsToHide() = {3};
    rows.allCellsToHide() = {5, 7};
    rows.newUpdateMessages() = {20};
    const auto named = [&](int index) { return rows.at(index).identity(); };
    const auto n3 = named(3), n5 = named(5), n7 = named(7), n20 = named(20);
    chat->loadMoreMessagesButtonClicked();
    // The page is of the same day: 20 messages in front, the old date row gone.
    QCOMPARE(rows.count(), 41);
    QCOMPARE(rows.currentCellsToHide(), (std::set<int>{23}));
    QCOMPARE(rows.allCellsToHide(), (std::set<int>{25, 27}));
    QCOMPARE(rows.newUpdateMessages(), (std::set<int>{40}));
    QCOMPARE(named(23), n3);
    QCOMPARE(named(25), n5);
    QCOMPARE(named(27), n7);
    QCOMPARE(named(40), n20);
}

void TestChatWindow::pageJoiningTheSameDay() {
    for (int i = 0; i < 100; ++i)
        world->importMessage(room, QStringLiteral("m%1").arg(i), kDay + i * 1000, "text", world->me());
    setPageSize(50);
    auto* chat = world->open(room);
    auto* list = chat->collectionView();
    QVERIFY(chat->hasMoreMessagesToLoad());
    list->setContentOffset(QPointF(0, 0)); // the header in view, as when it is tapped
    const int firstOld = indexOfId(chat, "m50");
    const qreal before = screenY(chat, firstOld);
    chat->loadMoreMessagesButtonClicked();
    QCOMPARE(rowNames(chat).count("date"), 1);
    QCOMPARE(rowNames(chat).first(), QStringLiteral("date"));
    QCOMPARE(indexOfId(chat, "m0"), 1);
    QVERIFY(qAbs(screenY(chat, indexOfId(chat, "m50")) - before) <= 1.0);
    QVERIFY(!chat->hasMoreMessagesToLoad());
}

void TestChatWindow::pageOfAnEarlierDay() {
    for (int i = 0; i < 5; ++i)
        world->importMessage(room, QStringLiteral("old%1").arg(i), kDay - 86400000 + i * 1000, "yesterday",
                             world->me());
    for (int i = 0; i < 30; ++i)
        world->importMessage(room, QStringLiteral("new%1").arg(i), kDay + i * 1000, "today", kBob);
    setPageSize(5);
    auto* chat = world->open(room);
    // The first page reaches back to the first unread message.
    QCOMPARE(rowNames(chat).mid(0, 3), (QStringList{"date", "new:30 New Updates ", "new0"}));
    QCOMPARE(chat->rowList().count(), 32);
    chat->collectionView()->setContentOffset(QPointF(0, 0));
    const qreal before = screenY(chat, 0);
    chat->loadMoreMessagesButtonClicked();
    QCOMPARE(rowNames(chat).mid(0, 8),
             (QStringList{"date", "old0", "old1", "old2", "old3", "old4", "date", "new:30 New Updates "}));
    // The old leading date row stayed where it was on screen, although the header went.
    QVERIFY(!chat->hasMoreMessagesToLoad());
    QVERIFY(qAbs(screenY(chat, 6) - before) <= 1.0);
    // The unread list is worked out again from the grown list.
    QCOMPARE(chat->rowList().unreadMessages().size(), 30);
}

void TestChatWindow::lastPageAndEmptyPage() {
    for (int i = 0; i < 6; ++i)
        world->importMessage(room, QStringLiteral("m%1").arg(i), kDay + i * 1000, "text", world->me());
    setPageSize(3);
    auto* chat = world->open(room);
    auto* list = chat->collectionView();
    QVERIFY(chat->hasMoreMessagesToLoad());
    QCOMPARE(list->rectForHeader(0).height(), PLLoadMoreMessagesView::viewHeight());
    chat->loadMoreMessagesButtonClicked();
    QVERIFY(!chat->hasMoreMessagesToLoad());
    QVERIFY(list->rectForHeader(0).height() < 0.001);
    const QStringList rows = rowNames(chat);
    // Nothing older: a further request changes nothing.
    chat->loadMoreMessagesButtonClicked();
    QCOMPARE(rowNames(chat), rows);
}

void TestChatWindow::rebuiltListPagesWithoutLosingItsFirstMessage() {
    for (int i = 0; i < 10; ++i)
        world->importMessage(room, QStringLiteral("m%1").arg(i), kDay + i * 1000, "text", world->me());
    setPageSize(5);
    auto* chat = world->open(room);
    // As after the conversation was cleared from the group's page: the next appearance rebuilds the
    // list from the newest page, without date rows or separator.
    chat->setNeedToRefeshView(true);
    world->window->rootViewController()->beginAppearanceTransition(false, false);
    world->window->rootViewController()->endAppearanceTransition();
    world->window->rootViewController()->beginAppearanceTransition(true, false);
    world->window->rootViewController()->endAppearanceTransition();
    QVERIFY(!chat->needToRefeshView());
    QCOMPARE(rowNames(chat), (QStringList{"m5", "m6", "m7", "m8", "m9"}));
    // A page above such a list keeps every message: only a date row gives way at the seam.
    chat->loadMoreMessagesButtonClicked();
    QCOMPARE(rowNames(chat),
             (QStringList{"date", "m0", "m1", "m2", "m3", "m4", "m5", "m6", "m7", "m8", "m9"}));
}

void TestChatWindow::expandingTheLastJoinedRowScrollsToTheBottom() {
    for (int i = 0; i < 30; ++i)
        world->importMessage(room, QStringLiteral("m%1").arg(i), kDay + i * 1000, "text", world->me());
    QVariantList users;
    for (int i = 0; i < 12; ++i)
        users << QVariantMap{{"userId", 100 + i}, {"name", QStringLiteral("Person number %1").arg(i)}};
    auto joined = world->importMessage(room, "j", kDay + 60000, "Bob added 12 people", kBob, "joined",
                                       {{"info", QVariantMap{{"users", users}}}});
    joined->setState(1);
    joined->save();
    auto* chat = world->open(room);
    auto* list = chat->collectionView();
    const int row = indexOfId(chat, "j");
    QCOMPARE(row, chat->rowList().count() - 1);
    auto* cell =
        qobject_cast<PLBulkUserJoinedMessageCell*>(list->cellForItemAtIndexPath(IndexPath::forItem(row)));
    QVERIFY(cell);
    const qreal collapsed = list->rectForRow(IndexPath::forItem(row)).height();
    chat->arrowIndicatorButtonTappedFrom(cell);
    QVERIFY(chat->bulkUserJoinedMessageStateDictionary().value("j") != 0);
    QVERIFY(list->rectForRow(IndexPath::forItem(row)).height() > collapsed);
    QCOMPARE(list->contentOffset().y(), list->maximumContentOffset().y());
    // Collapsing never scrolls.
    const qreal offset = list->contentOffset().y() - 10;
    list->setContentOffset(QPointF(0, offset));
    cell = qobject_cast<PLBulkUserJoinedMessageCell*>(list->cellForItemAtIndexPath(IndexPath::forItem(row)));
    QVERIFY(cell);
    chat->arrowIndicatorButtonTappedFrom(cell);
    QCOMPARE(chat->bulkUserJoinedMessageStateDictionary().value("j"), 0);
    QCOMPARE(list->rectForRow(IndexPath::forItem(row)).height(), collapsed);
    QCOMPARE(list->contentOffset().y(), offset);
}

void TestChatWindow::messageOfAnotherRoomIsNotAdded() {
    auto other = world->importRoom(QStringLiteral("r2"));
    auto* chat = world->open(room);
    world->importMessage(other, "elsewhere", kDay, "not here", kBob);
    platform::NotificationCenter::defaultCenter()->post(QLatin1String(ChatRoomMessageAddedNotification), {},
                                                        {{QLatin1String(kMessageIDKey), "elsewhere"}});
    QCOMPARE(chat->rowList().count(), 0);
}

void TestChatWindow::secondWindowOnTheSameRoomKeepsTheActiveRoom() {
    auto* manager = PLModelManager::sharedModelManager();
    auto first = std::make_unique<PLChatWindowViewController>();
    first->setChatRoom(room);
    first->loadViewIfNeeded();
    QCOMPARE(manager->activeRoomID(), QStringLiteral("r1"));
    auto second = std::make_unique<PLChatWindowViewController>();
    second->setChatRoom(room);
    second->loadViewIfNeeded();
    first.reset();
    QCOMPARE(manager->activeRoomID(), QStringLiteral("r1"));
    QCOMPARE(RoomModelServices::shared().activeRoomID(), QStringLiteral("r1"));
    second.reset();
    QCOMPARE(manager->activeRoomID(), QString());
    // A window on another room hands the room back to the one opened before it.
    auto r2 = world->importRoom(QStringLiteral("r2"));
    auto onR1 = std::make_unique<PLChatWindowViewController>();
    onR1->setChatRoom(room);
    onR1->loadViewIfNeeded();
    auto onR2 = std::make_unique<PLChatWindowViewController>();
    onR2->setChatRoom(r2);
    onR2->loadViewIfNeeded();
    QCOMPARE(manager->activeRoomID(), QStringLiteral("r2"));
    onR2.reset();
    QCOMPARE(manager->activeRoomID(), QStringLiteral("r1"));
}

void TestChatWindow::linkTapsInClosedRoomsAreRefused_data() {
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("alert");
    QTest::newRow("deleted on the server")
        << 3 << "This group has been terminated by Admin. You are not allowed to post here";
    QTest::newRow("removed") << 2 << "You are no longer a member of this Room.";
    QTest::newRow("active") << 0 << QString();
}

void TestChatWindow::linkTapsInClosedRoomsAreRefused() {
    QFETCH(int, status);
    QFETCH(QString, alert);
    auto message = world->importMessage(room, "a", kDay, "see https://example.org/x", kBob);
    auto* chat = world->open(room);
    room->setStatus(qint16(status));
    room->save();
    QList<int> handled;
    chat->setProcessedLinkHandler([&](int type, const QVariantMap&, const QString&, const Message::Ptr& m) {
        QCOMPARE(m, message);
        handled << type;
    });
    chat->processLinkURLString(QStringLiteral("https://example.org/x"), message);
    const auto alerts = world->window->alerts();
    if (alert.isEmpty()) {
        QVERIFY(alerts.isEmpty());
        QCOMPARE(handled, QList<int>{12});
        return;
    }
    QCOMPARE(handled, QList<int>{});
    QCOMPARE(alerts.size(), 1);
    QCOMPARE(alerts.first()->title(), QStringLiteral("Failed"));
    QCOMPARE(alerts.first()->message(), alert);
    QCOMPARE(alerts.first()->buttonTitleAtIndex(0), QStringLiteral("OK"));
}

void TestChatWindow::sendingPostsTheTextAsTyped() {
    auto* chat = world->open(room);
    auto* bar = chat->postToChatView();
    bar->messageTextView()->setPlainText(QStringLiteral("  \n "));
    bar->sendMessageButtonClicked();
    QCOMPARE(world->window->alerts().size(), 1);
    QCOMPARE(world->window->alerts().first()->title(), QStringLiteral("Post Failed"));
    QCOMPARE(world->window->alerts().first()->message(), QStringLiteral("Enter valid message."));
    QVERIFY(bar->messageTextView()->toPlainText().isEmpty());
    QCOMPARE(Message::PS_countOfEntities(), qint64(0));
    world->window->alerts().first()->tapButtonAtIndex(0);

    bar->messageTextView()->setPlainText(QStringLiteral("  hello there \n"));
    chat->postTextMessage(QStringLiteral("  hello there \n"));
    QCOMPARE(Message::PS_countOfEntities(), qint64(1));
    const auto posted = Message::PS_findFirst();
    QCOMPARE(posted->text(), QStringLiteral("  hello there \n"));
    QVERIFY(bar->messageTextView()->toPlainText().isEmpty());
    // Announced by the room, it shows at once as the last row, read.
    QCOMPARE(rowNames(chat).last(), posted->messageId());
    QCOMPARE(posted->state(), qint16(1));
}

int main(int argc, char** argv) {
    prepareTestEnvironment();
    QApplication app(argc, argv);
    TestChatWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_chatwindow.moc"
