// The chat window on a room of 100,000 messages that are all unread: it opens at the first unread
// message with the separator counting all of them, holding a window of rows rather than the room, and
// reading down to the end pages the rest in, marks every message read and shows the newest, with no
// row lost or doubled. Its first frame already stands at the first unread row.
#include "ConversationTestWorld.h"

#include "core/model/ChatRoomNotifications.h"
#include "core/model/RoomModelServices.h"
#include "platform/NotificationCenter.h"
#include "ui/conversation/PLChatWindowScrollToBottomOrTopView.h"
#include "ui/conversation/PLUnreadCountMessage.h"

#include <QAbstractAnimation>
#include <QSet>
#include <algorithm>
#include <functional>

using namespace pelnix;
using namespace pelnix::test;
using platform::ui::IndexPath;

namespace {

constexpr int kMessages = 100000;
// Seconds apart, so that every few hundred messages a new day begins.
constexpr qint64 kSpacing = 300 * 1000;

using K = platform::PredicateKey;

// Calls `painting` as the widget is about to paint a frame: what it then shows is what the user sees.
class PaintWatch : public QObject {
public:
    explicit PaintWatch(std::function<void()> painting) : m_painting(std::move(painting)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            m_painting();
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_painting;
};

bool animating(const QObject* object) {
    const auto animations = object->findChildren<QAbstractAnimation*>();
    return std::any_of(animations.begin(), animations.end(),
                       [](const QAbstractAnimation* a) { return a->state() == QAbstractAnimation::Running; });
}

} // namespace

class TestChatWindowBigRoom : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void opensAtTheFirstUnreadAndReadsDownToTheNewest();
    void theFirstFrameStandsAtTheFirstUnreadRow_data();
    void theFirstFrameStandsAtTheFirstUnreadRow();
    void aShortUnreadRunStillOpensWithEveryUnreadRow();
    void aForegroundRefreshKeepsTheWindow();
    void theBottomButtonReachesTheNewestMessage();
    void theUsersOwnPostShowsAtOnce();

private:
    void fill(int read, int unread);
    std::unique_ptr<ConversationWorld> world;
    ChatRoom::Ptr room;
    qint64 start = 0;
};

void TestChatWindowBigRoom::init() {
    world = std::make_unique<ConversationWorld>();
    room = world->importRoom("big");
    start = at(2026, 3, 1, 9, 0);
}

void TestChatWindowBigRoom::cleanup() {
    room.reset();
    world.reset();
}

void TestChatWindowBigRoom::fill(int read, int unread) {
    const auto bob = User::userWithIntID(kBob);
    for (int i = 0; i < read + unread; ++i) {
        auto message = Message::PS_createEntity();
        message->setMessageId(QStringLiteral("m%1").arg(i));
        message->setType(2);
        message->setText(QStringLiteral("message %1").arg(i));
        message->setDate(start + qint64(i) * kSpacing);
        message->setSenderUser(bob);
        message->setValue(QStringLiteral("state"), qint16(i < read ? 1 : 0));
        room->addMessagesObject(message);
    }
    room->save();
}

void TestChatWindowBigRoom::opensAtTheFirstUnreadAndReadsDownToTheNewest() {
    fill(0, kMessages);
    auto* chat = world->open(room, QSize(400, 4000));
    auto* list = chat->collectionView();
    auto& rows = chat->rowList();
    // A window, not the room.
    QVERIFY(rows.count() < 1000);
    QVERIFY(chat->hasNewerMessagesToLoad());
    QVERIFY(!chat->hasMoreMessagesToLoad());
    const int separator = rows.unreadMessageSeperatorIndexIfPresent();
    QVERIFY(separator != PLChatWindowRowList::kNotFound);
    QCOMPARE(rows.at(separator).unreadCountMessage()->displayText(),
             QStringLiteral("%1 New Updates ").arg(kMessages));
    const auto first = rows.at(separator + 1).message();
    QVERIFY(first);
    QCOMPARE(first->messageId(), QStringLiteral("m0"));
    const auto visible = list->indexPathsForVisibleItems();
    QVERIFY(visible.contains(IndexPath::forItem(separator)));
    QVERIFY(visible.contains(IndexPath::forItem(separator + 1)));

    // Reading down, a screen at a time, each screen left in view until its marks fire.
    ConversationWorld::advance(PLChatWindowViewController::kAppearingReadDelayMs + 1);
    int screens = 0;
    for (;;) {
        const qreal bottom = list->maximumContentOffset().y();
        const qreal y = list->contentOffset().y();
        if (y >= bottom && !chat->hasNewerMessagesToLoad())
            break;
        list->setContentOffset(QPointF(0, qMin(bottom, y + list->height() / 2)));
        chat->scrollViewDidEndDecelerating();
        ConversationWorld::advance(PLChatWindowViewController::kReadDelayMs + 1);
        QVERIFY2(++screens < kMessages, "the end never came");
    }
    ConversationWorld::advance(PLChatWindowViewController::kReadDelayMs + 1);

    // Every message once, in date order, and the newest in view.
    QSet<QString> seen;
    qint64 previous = 0;
    for (int i = 0; i < rows.count(); ++i) {
        const auto message = rows.at(i).message();
        if (!message)
            continue;
        QVERIFY2(!seen.contains(message->messageId()), qPrintable(message->messageId()));
        seen.insert(message->messageId());
        QVERIFY(message->date() >= previous);
        previous = message->date();
    }
    QCOMPARE(seen.size(), kMessages);
    QVERIFY(list->indexPathsForVisibleItems().contains(IndexPath::forItem(rows.count() - 1)));
    QCOMPARE(rows.at(rows.count() - 1).message()->messageId(), QStringLiteral("m%1").arg(kMessages - 1));
    // Read in the store, not only in memory.
    QCOMPARE(Message::PS_countOfEntitiesWithPredicate(K("state") == 0), qint64(0));
    QCOMPARE(room->unreadMessagesCount(), 0);
}

void TestChatWindowBigRoom::theFirstFrameStandsAtTheFirstUnreadRow_data() {
    QTest::addColumn<int>("read");
    QTest::addColumn<int>("unread");
    QTest::newRow("20 unread of 1,000") << 980 << 20;
    QTest::newRow("5 unread of 1,000") << 995 << 5;
    QTest::newRow("1,000 all unread") << 0 << 1000;
}

// With animations running as for the user, the first frame the list paints shows the first unread row
// and the separator above it whole above the input bar, and no frame after it shows that row anywhere
// else: the list opens there, it does not scroll there.
void TestChatWindowBigRoom::theFirstFrameStandsAtTheFirstUnreadRow() {
    QFETCH(int, read);
    QFETCH(int, unread);
    fill(read, unread);
    platform::ui::Animator::setInstant(false);
    auto* chat = world->load(room);
    auto* list = chat->collectionView();
    auto& rows = chat->rowList();
    const int separator = rows.unreadMessageSeperatorIndexIfPresent();
    const int first = rows.indexOf(rows.unreadMessages().value(0));
    QCOMPARE(first, separator + 1);
    // The screen's top of the first unread row at each frame, and whether it and the separator showed
    // whole above the input bar.
    QList<qreal> tops;
    QList<bool> whole;
    const auto onScreen = [list](int index) {
        return list->rectForRow(IndexPath::forItem(index)).translated(0, -list->contentOffset().y());
    };
    const auto shownWhole = [&](int index) {
        const QRectF row = onScreen(index);
        return row.top() >= 0 && row.bottom() <= list->viewport()->height() - list->contentInset().bottom();
    };
    PaintWatch watch([&] {
        tops << onScreen(first).top();
        whole << (shownWhole(separator) && shownWhole(first));
    });
    list->viewport()->installEventFilter(&watch);
    world->window->show();
    QTRY_VERIFY(!tops.isEmpty());
    QVERIFY2(whole.first(), qPrintable(QStringLiteral("the first frame shows the first unread row at %1 px, "
                                                      "the view is %2 px high")
                                           .arg(tops.first())
                                           .arg(list->viewport()->height())));
    // Whatever the list still does on its own, settled.
    QTRY_VERIFY(!animating(list));
    ConversationWorld::advance(PLChatWindowViewController::kAppearingReadDelayMs +
                               PLChatWindowViewController::kSettleDelayMs);
    QTRY_VERIFY(!animating(list));
    QCoreApplication::processEvents();
    list->viewport()->removeEventFilter(&watch);
    const qreal settled = onScreen(first).top();
    for (int frame = 0; frame < tops.size(); ++frame)
        QVERIFY2(qAbs(tops[frame] - settled) < 0.5,
                 qPrintable(QStringLiteral("frame %1 shows the first unread row at %2 px, it stays at %3 px")
                                .arg(frame)
                                .arg(tops[frame])
                                .arg(settled)));
}

void TestChatWindowBigRoom::aShortUnreadRunStillOpensWithEveryUnreadRow() {
    // Up to the window's size the first page is the rule's: every unread message, and the rows
    // before them.
    const int unread = PLChatWindowViewController::kUnreadWindowRows;
    fill(500, unread);
    auto* chat = world->open(room);
    auto& rows = chat->rowList();
    QVERIFY(!chat->hasNewerMessagesToLoad());
    QCOMPARE(rows.unreadMessages().size(), unread);
    const int separator = rows.unreadMessageSeperatorIndexIfPresent();
    QCOMPARE(rows.at(separator).unreadCountMessage()->displayText(),
             QStringLiteral("%1 New Updates ").arg(unread));
    QCOMPARE(rows.at(rows.count() - 1).message()->messageId(), QStringLiteral("m%1").arg(500 + unread - 1));
}

void TestChatWindowBigRoom::aForegroundRefreshKeepsTheWindow() {
    // Back in the foreground the list is read again: the rows it holds, not the whole unread run.
    fill(10, 5000);
    auto* chat = world->open(room);
    auto& rows = chat->rowList();
    const int before = rows.count();
    QVERIFY(chat->hasNewerMessagesToLoad());
    chat->refreshWithLatestMessages(chat->messagesForRefresh());
    QCOMPARE(rows.count(), before);
    QVERIFY(chat->hasNewerMessagesToLoad());
    const int separator = rows.unreadMessageSeperatorIndexIfPresent();
    QCOMPARE(rows.at(separator).unreadCountMessage()->displayText(), QStringLiteral("5000 New Updates "));
    QCOMPARE(rows.at(separator + 1).message()->messageId(), QStringLiteral("m10"));
}

void TestChatWindowBigRoom::theBottomButtonReachesTheNewestMessage() {
    // The last 60 of the 5,000 unread messages are what the newest page shows.
    fill(10, 5000);
    auto* chat = world->open(room, QSize(400, 720));
    auto* list = chat->collectionView();
    auto& rows = chat->rowList();
    ConversationWorld::advance(PLChatWindowViewController::kAppearingReadDelayMs + 1);
    const qint64 readAtOpen = Message::PS_countOfEntitiesWithPredicate(K("state") == 1) - 10;
    QVERIFY(readAtOpen > 0);
    QVERIFY(chat->hasNewerMessagesToLoad());
    // At the end of the rows held the bottom button stays: the room goes on below them.
    list->setContentOffset(list->maximumContentOffset());
    chat->showOrHideScrollToTopButtons();
    auto* control = chat->scrollToBottomOrTopView();
    QCOMPARE(control->controllType(), 3u);

    chat->scrollToTopOrBottomView(control, 1);
    QVERIFY(!chat->hasNewerMessagesToLoad());
    QVERIFY(chat->hasMoreMessagesToLoad());
    QVERIFY(rows.count() < 1000);
    const auto newest = rows.at(rows.count() - 1).message();
    QCOMPARE(newest->messageId(), QStringLiteral("m5009"));
    QVERIFY(list->indexPathsForVisibleItems().contains(IndexPath::forItem(rows.count() - 1)));
    // The separator heads the unread rows the page holds and counts them.
    const int separator = rows.unreadMessageSeperatorIndexIfPresent();
    QVERIFY(separator != PLChatWindowRowList::kNotFound);
    const auto firstShown = rows.at(separator + 1).message();
    QVERIFY(firstShown);
    const qsizetype unreadShown = rows.unreadMessages().size();
    QCOMPARE(rows.at(separator).unreadCountMessage()->displayText(),
             QStringLiteral("%1 New Updates ").arg(unreadShown));
    for (int i = 0; i < separator; ++i)
        QVERIFY(!rows.at(i).message() || rows.at(i).message()->state() == 1);

    // What came on screen turns read; what was skipped stays unread.
    ConversationWorld::advance(PLChatWindowViewController::kReadDelayMs + 1);
    QCOMPARE(newest->state(), qint16(1));
    QCOMPARE(Message::messageWithID(QStringLiteral("m2000"))->state(), qint16(0));
    const qint64 read = Message::PS_countOfEntitiesWithPredicate(K("state") == 1) - 10 - readAtOpen;
    QVERIFY(read > 0);
    QVERIFY(read <= unreadShown);
    QCOMPARE(control->controllType(), 1u);

    // At the true end live messages follow again.
    world->importMessage(room, "live", start + 5011 * kSpacing, "just now", kBob);
    platform::NotificationCenter::defaultCenter()->post(QLatin1String(ChatRoomMessageAddedNotification), {},
                                                        {{QLatin1String(kMessageIDKey), "live"}});
    QCOMPARE(rows.at(rows.count() - 1).message()->messageId(), QStringLiteral("live"));
}

void TestChatWindowBigRoom::theUsersOwnPostShowsAtOnce() {
    fill(10, 5000);
    auto* chat = world->open(room);
    auto& rows = chat->rowList();
    QVERIFY(chat->hasNewerMessagesToLoad());
    // Another's message waits for the pages below; the user's own shows at once, at the end.
    world->importMessage(room, "theirs", start + 5010 * kSpacing, "from Bob", kBob);
    platform::NotificationCenter::defaultCenter()->post(QLatin1String(ChatRoomMessageAddedNotification), {},
                                                        {{QLatin1String(kMessageIDKey), "theirs"}});
    QCOMPARE(rows.indexOfMessage(Message::messageWithID(QStringLiteral("theirs")).get()),
             PLChatWindowRowList::kNotFound);

    chat->postTextMessage(QStringLiteral("on my way"));
    QVERIFY(!chat->hasNewerMessagesToLoad());
    const auto last = rows.at(rows.count() - 1).message();
    QCOMPARE(last->text(), QStringLiteral("on my way"));
    QCOMPARE(last->state(), qint16(1));
    QVERIFY(rows.indexOfMessage(Message::messageWithID(QStringLiteral("theirs")).get()) !=
            PLChatWindowRowList::kNotFound);
    QVERIFY(
        chat->collectionView()->indexPathsForVisibleItems().contains(IndexPath::forItem(rows.count() - 1)));
    QVERIFY(rows.count() < 1000);
}

QTEST_MAIN(TestChatWindowBigRoom)
#include "tst_chatwindowbigroom.moc"
