// The chat window following its room: where an updated message goes for each kind of update, with
// every stored row index checked against the row it named after each batch; the old rendering kept
// in view and the placeholder above the screen, with nothing in view moving; the "New Updates"
// button half a second after a message arrives out of sight; a failed post discarded or resent.

#include "ConversationTestWorld.h"

#include "core/api/PLAppConfigurations.h"
#include "core/model/ChatRoomNotifications.h"
#include "core/model/PendingMessageInfo.h"
#include "platform/NotificationCenter.h"
#include "platform/ui/Animator.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/Scheduler.h"
#include "platform/ui/ScreenRegistry.h"
#include "platform/ui/Window.h"
#include "platform/ui/testing/FakeWebView.h"
#include "smart/PLSmartMessageInfo.h"
#include "ui/conversation/ConversationNotifications.h"
#include "ui/conversation/ConversationScreens.h"
#include "ui/conversation/PLChatWindowScrollToBottomOrTopView.h"
#include "ui/conversation/PLNewUpdatesNotificationButton.h"
#include "ui/conversation/PLPostFailureHandlerHelper.h"
#include "ui/conversation/PLPostToChatView.h"
#include "ui/conversation/PLSmartMessageCell.h"

#include <QAbstractAnimation>
#include <QApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QScopeGuard>
#include <algorithm>
#include <functional>

using namespace pelnix;
using namespace pelnix::test;
using platform::ui::IndexPath;

namespace {

const qint64 kDay1 = at(2024, 3, 11, 9, 0);
const qint64 kDay2 = at(2024, 3, 12, 9, 0);
// The messages of the room, in date order: two days of 20 each; "s" ones are smart messages of Bob's.
const QStringList kSmart{QStringLiteral("m3"), QStringLiteral("m15"), QStringLiteral("m25"),
                         QStringLiteral("m33"), QStringLiteral("m39")};

void setPageSize(quint64 size) {
    PLAppConfigurations::currentConfiguration()->setProperty("numberOfMessagesLoadedOnce", size);
}

qreal screenY(PLChatWindowViewController* chat, int index) {
    auto* list = chat->collectionView();
    return list->rectForRow(IndexPath::forItem(index)).top() - list->contentOffset().y();
}

int rowOfMessage(PLChatWindowViewController* chat, const QString& id) {
    const auto& rows = chat->rowList().rows();
    for (int i = 0; i < rows.size(); ++i)
        if (const auto message = rows[i].message(); message && message->messageId() == id)
            return i;
    return -1;
}

// Where each visible row stands on screen, by row object.
QHash<const void*, qreal> screenPositions(PLChatWindowViewController* chat) {
    QHash<const void*, qreal> positions;
    for (const IndexPath& path : chat->collectionView()->indexPathsForVisibleItems())
        positions.insert(chat->rowList().at(path.item()).identity(), screenY(chat, path.item()));
    return positions;
}

void postUpdated(const QString& messageId) {
    platform::NotificationCenter::defaultCenter()->post(QLatin1String(ChatRoomMessageUpdatedNotification), {},
                                                        {{QLatin1String(kMessageIDKey), messageId}});
}

// Calls `look` whenever the watched object receives one of the events.
class EventWatch : public QObject {
public:
    EventWatch(QObject* watched, QList<QEvent::Type> types, std::function<void()> look)
        : m_watched(watched), m_types(std::move(types)), m_look(std::move(look)) {
        watched->installEventFilter(this);
    }
    ~EventWatch() override {
        if (m_watched)
            m_watched->removeEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (m_types.contains(event->type()))
            m_look();
        return QObject::eventFilter(watched, event);
    }

private:
    QPointer<QObject> m_watched;
    QList<QEvent::Type> m_types;
    std::function<void()> m_look;
};

bool animating(const QObject* object) {
    const auto animations = object->findChildren<QAbstractAnimation*>();
    return std::any_of(animations.begin(), animations.end(),
                       [](const QAbstractAnimation* a) { return a->state() == QAbstractAnimation::Running; });
}

// The rows a set names, kept as row objects.
QList<PLChatWindowCellContent> rowsIn(PLChatWindowViewController* chat,
                                      const PLChatWindowRowList::IndexSet& set) {
    QList<PLChatWindowCellContent> rows;
    for (int index : set)
        rows << chat->rowList().at(index);
    return rows;
}

} // namespace

class TestChatWindowUpdates : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup() {
        room.reset();
        world.reset();
        platform::ui::WebView::setMaker({});
    }

    void updateKinds_data();
    void updateKinds();
    void oldRenderingCollapsesOnceOffScreen();
    void anotherUsersMessageWhileReadingOlderRowsShowsTheButton();
    void flingDownHidesTheButtonHalfASecondAfterItsFirstStep();
    void theButtonStaysOutOfSightAsTheWindowOpens_data();
    void theButtonStaysOutOfSightAsTheWindowOpens();
    void aButtonLeavingAsTheWindowGrowsEndsOutOfSight();
    void theScrollControlAppearsInItsPlaceRightToLeft();
    void theScrollControlFollowsADirectionTurnedAtRunTime_data();
    void theScrollControlFollowsADirectionTurnedAtRunTime();
    void eachNoticeNamesItsOwnRow();
    void ownMessageIsAddedReadAndScrolledTo();
    void discardedPostLeavesTheScreenAndTheStore();
    void discardedReplyKeepsTheSmartMessage();
    void resentPostMovesToTheEnd();
    void choiceForAnotherRoomIsLeftToItsWindow();
    void windowWithoutARoomTakesNoOtherRoomsMessages();

private:
    PLChatWindowViewController* openWithRoom();
    // Rows in date order, each day's first message under its date row, each message once.
    void verifyRows(PLChatWindowViewController* chat);

    std::unique_ptr<ConversationWorld> world;
    ChatRoom::Ptr room;
    QHash<QString, Message::Ptr> messages;
};

void TestChatWindowUpdates::init() {
    // Smart messages show in the recording web view.
    platform::ui::WebView::setMaker([](QWidget* parent) { return new platform::ui::FakeWebView(parent); });
    world = std::make_unique<ConversationWorld>();
    room = world->importRoom(QStringLiteral("r1"));
    setPageSize(100);
    messages.clear();
    for (int i = 0; i < 40; ++i) {
        const QString id = QStringLiteral("m%1").arg(i);
        const qint64 date = (i < 20 ? kDay1 : kDay2) + (i % 20) * 60000;
        const bool smart = kSmart.contains(id);
        const qint32 sender = smart ? kBob : (i % 2 ? kBob : kCarol);
        auto message = world->importMessage(
            room, id, date,
            smart ? QStringLiteral("{\"formid\":\"f-%1\",\"displayname\":\"Poll\"}").arg(id)
                  : QStringLiteral("Message %1 of the day").arg(i),
            sender, smart ? QStringLiteral("smartmessage") : QStringLiteral("message"));
        message->setState(1);
        if (smart) {
            message->setHtmlText(QStringLiteral("<p>Poll %1, first version</p>").arg(i));
            message->setDisplayCellHeight(90);
        }
        message->save();
        messages.insert(id, message);
    }
}

PLChatWindowViewController* TestChatWindowUpdates::openWithRoom() {
    return world->open(room);
}

void TestChatWindowUpdates::verifyRows(PLChatWindowViewController* chat) {
    const auto& rows = chat->rowList().rows();
    QSet<const void*> seen;
    QDate day;
    bool dated = false;
    for (const auto& row : rows) {
        if (row.isStale())
            continue;
        if (row.dateMessage()) {
            day = row.day();
            dated = true;
            continue;
        }
        QVERIFY2(dated && row.day() == day, "a message without the date row of its day above it");
        if (const auto message = row.message()) {
            QVERIFY2(!seen.contains(message.get()), qPrintable(message->messageId()));
            seen.insert(message.get());
        }
    }
    for (const auto* set : {&chat->rowList().currentCellsToHide(), &chat->rowList().allCellsToHide(),
                            &chat->rowList().newUpdateMessages()})
        for (int index : *set)
            QVERIFY(chat->rowList().isValidIndex(index));
}

void TestChatWindowUpdates::updateKinds_data() {
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("scroll"); // "top" or "bottom"
    QTest::addColumn<bool>("mine");
    QTest::addColumn<int>("kind");
    QTest::newRow("0: the user's own change") << "m15"
                                              << "bottom" << true << 0;
    QTest::newRow("1: above the screen") << "m3"
                                         << "bottom" << false << 1;
    QTest::newRow("2: in view, away from the end") << "m3"
                                                   << "top" << false << 2;
    QTest::newRow("3: below the screen") << "m33"
                                         << "top" << false << 3;
    QTest::newRow("4: in view, near the end") << "m33"
                                              << "bottom" << false << 4;
    QTest::newRow("4: the last row") << "m39"
                                     << "bottom" << false << 4;
    QTest::newRow("5: no row") << "old"
                               << "bottom" << false << 5;
}

void TestChatWindowUpdates::updateKinds() {
    QFETCH(QString, target);
    QFETCH(QString, scroll);
    QFETCH(bool, mine);
    QFETCH(int, kind);
    // A message from before the loaded page: it has no row.
    auto old =
        world->importMessage(room, "old", kDay1 - 86400000,
                             "{\"formid\":\"f-old\",\"displayname\":\"Old poll\"}", kBob, "smartmessage");
    old->setState(1);
    old->save();
    setPageSize(40);
    auto* chat = openWithRoom();
    auto* list = chat->collectionView();
    QCOMPARE(rowOfMessage(chat, "old"), -1);
    if (scroll == QLatin1String("top"))
        list->setContentOffset(QPointF(0, 0));
    else
        list->scrollToBottomAnimated(false);
    QCoreApplication::processEvents();
    const auto message = target == QLatin1String("old") ? old : messages.value(target);
    const int index = rowOfMessage(chat, target);
    const bool wasLast = index == chat->rowList().count() - 1;

    // Rows the sets name before: every row after the target, and one in view.
    auto& rows = chat->rowList();
    for (int i = qMax(index + 1, 1); i < rows.count(); ++i)
        rows.newUpdateMessages().insert(i);
    const auto visible = list->indexPathsForVisibleItems();
    const int watched = visible.at(1).item() == index ? visible.at(2).item() : visible.at(1).item();
    rows.currentCellsToHide().insert(watched);
    const auto namedUpdates = rowsIn(chat, rows.newUpdateMessages());
    const auto namedHidden = rowsIn(chat, rows.currentCellsToHide());
    const auto positions = screenPositions(chat);
    auto* cellBefore =
        qobject_cast<PLSmartMessageCell*>(list->cellForItemAtIndexPath(IndexPath::forItem(index)));

    // The change as the model makes it: a new version, by Bob or by the user.
    message->setFromUser(mine ? CurrentUserInfo::currentUserInfo()->user() : User::userWithIntID(kBob));
    message->setHtmlText(QStringLiteral("<p>Second version</p>"));
    message->setDate(kDay2 + 40 * 60000);
    message->save();
    QCOMPARE(int(chat->updateKindForMessage(message, index, list->indexPathsForVisibleItems())), kind);
    postUpdated(message->messageId());

    verifyRows(chat);
    // Every index the sets held still names its row; what the update added are stale copies, the date
    // rows they leave, or the message itself.
    for (const auto& row : namedUpdates)
        if (const int at = rows.indexOf(row); at != PLChatWindowRowList::kNotFound)
            QVERIFY2(rows.newUpdateMessages().count(at), "a row lost its place among the new updates");
    for (const auto& row : namedHidden)
        if (const int at = rows.indexOf(row); at != PLChatWindowRowList::kNotFound)
            QVERIFY(rows.currentCellsToHide().count(at) || rows.allCellsToHide().count(at));
    for (const auto* set : {&rows.currentCellsToHide(), &rows.allCellsToHide(), &rows.newUpdateMessages()})
        for (int at : *set) {
            const auto row = rows.at(at);
            const bool named = namedUpdates.contains(row) || namedHidden.contains(row);
            QVERIFY2(named || row.isStale() || row.dateMessage() || row.message() == message,
                     qPrintable(QStringLiteral("index %1 names a row it never named").arg(at)));
        }

    // The message now stands at the end, once.
    QCOMPARE(rowOfMessage(chat, target), rows.count() - 1);
    switch (kind) {
    case PLChatWindowViewController::UpdateMine:
        QCOMPARE(message->state(), qint16(1));
        break;
    case PLChatWindowViewController::UpdateAboveScreen: {
        // A placeholder took the old row's place and collapsed; nothing in view moved.
        const auto placeholder = rows.at(index);
        QVERIFY(placeholder.smartMessageInfo() && !placeholder.smartMessageInfo()->smartMessage());
        QVERIFY(rows.allCellsToHide().count(index));
        QCOMPARE(list->rectForRow(IndexPath::forItem(index)).height(), 0.0);
        int compared = 0;
        for (const IndexPath& path : list->indexPathsForVisibleItems())
            if (positions.contains(rows.at(path.item()).identity())) {
                QCOMPARE(screenY(chat, path.item()), positions.value(rows.at(path.item()).identity()));
                ++compared;
            }
        QVERIFY(compared > 3);
        break;
    }
    case PLChatWindowViewController::UpdateVisibleAwayFromEnd: {
        // The cell keeps the old rendering, marked as updated, and waits to collapse off screen.
        const auto snapshot = rows.at(index).smartMessageInfo();
        QVERIFY(snapshot);
        QCOMPARE(snapshot->smartMessage(), message);
        QVERIFY(rows.currentCellsToHide().count(index));
        auto* cell =
            qobject_cast<PLSmartMessageCell*>(list->cellForItemAtIndexPath(IndexPath::forItem(index)));
        QVERIFY(cell);
        QCOMPARE(cell, cellBefore);
        QCOMPARE(PLChatWindowCellContent(cell->currentDisplayedMessage()), rows.at(index));
        QVERIFY(snapshot->htmlString().contains(QStringLiteral("first version")));
        QVERIFY(cell->staleMessageIndicatorImageView()->isVisible());
        QCOMPARE(platform::ui::Animator::alpha(cell->staleMessageIndicatorImageView()), 1.0);
        for (const IndexPath& path : list->indexPathsForVisibleItems())
            if (positions.contains(rows.at(path.item()).identity()))
                QCOMPARE(screenY(chat, path.item()), positions.value(rows.at(path.item()).identity()));
        break;
    }
    case PLChatWindowViewController::UpdateVisibleNearEnd:
        if (wasLast)
            QCOMPARE(message->state(), qint16(1));
        break;
    default:
        break;
    }

    // Half a second later the row counts as a new update: not for the user's own change, nor for the
    // last row updated while the list is near its end.
    const bool notice = kind != PLChatWindowViewController::UpdateMine &&
                        !(kind == PLChatWindowViewController::UpdateVisibleNearEnd && wasLast);
    const int last = rows.count() - 1;
    rows.newUpdateMessages().erase(last);
    ConversationWorld::advance(499);
    QVERIFY(!rows.newUpdateMessages().count(last));
    ConversationWorld::advance(1);
    QCOMPARE(bool(rows.newUpdateMessages().count(last)), notice);
    verifyRows(chat);
}

void TestChatWindowUpdates::oldRenderingCollapsesOnceOffScreen() {
    auto* chat = openWithRoom();
    auto* list = chat->collectionView();
    list->setContentOffset(QPointF(0, 0));
    const int index = rowOfMessage(chat, "m3");
    auto message = messages.value("m3");
    message->setFromUser(User::userWithIntID(kBob));
    message->setDate(kDay2 + 40 * 60000);
    message->save();
    postUpdated("m3");
    QVERIFY(chat->rowList().at(index).smartMessageInfo());
    // Still in view: it stays.
    chat->scrollViewDidEndDecelerating();
    QVERIFY(chat->rowList().currentCellsToHide().count(index));
    // Off screen, once scrolling stopped: it collapses without moving what is in view.
    list->scrollToBottomAnimated(false);
    const int watched = list->indexPathsForVisibleItems().first().item() + 1;
    const qreal before = screenY(chat, watched);
    chat->scrollViewDidEndDecelerating();
    QVERIFY(chat->rowList().allCellsToHide().count(index));
    QCOMPARE(list->rectForRow(IndexPath::forItem(index)).height(), 0.0);
    QCOMPARE(screenY(chat, watched), before);
}

void TestChatWindowUpdates::anotherUsersMessageWhileReadingOlderRowsShowsTheButton() {
    auto* chat = openWithRoom();
    auto* list = chat->collectionView();
    list->setContentOffset(QPointF(0, 200));
    QCoreApplication::processEvents();
    const qreal offset = list->contentOffset().y();
    const auto positions = screenPositions(chat);
    auto* button = chat->unreadMessgesNotifiactionButton();
    const QPoint parked = button->pos();

    auto message = world->importMessage(room, "late", kDay2 + 50 * 60000, "Are you there?", kBob);
    platform::NotificationCenter::defaultCenter()->post(QLatin1String(ChatRoomMessageAddedNotification), {},
                                                        {{QLatin1String(kMessageIDKey), "late"}});
    // Appended below, without scrolling: what the user reads stays where it is.
    QCOMPARE(rowOfMessage(chat, "late"), chat->rowList().count() - 1);
    QCOMPARE(list->contentOffset().y(), offset);
    for (const IndexPath& path : list->indexPathsForVisibleItems())
        QCOMPARE(screenY(chat, path.item()), positions.value(chat->rowList().at(path.item()).identity()));
    ConversationWorld::advance(499);
    QCOMPARE(chat->unreadMessagesNotificationViewState(),
             PLChatWindowViewController::kNotificationViewHidden);
    ConversationWorld::advance(1);
    QCOMPARE(chat->unreadMessagesNotificationViewState(), PLChatWindowViewController::kNotificationViewShown);
    // Above the input bar, in full view.
    QCOMPARE(platform::ui::Animator::alpha(button), 1.0);
    QVERIFY(button->geometry().bottom() < chat->postToChatView()->y());
    QVERIFY(button->y() < parked.y());
    QCOMPARE(message->state(), qint16(0));
    // A tap goes to it and the button leaves.
    chat->scrollToNewUpdate();
    QVERIFY(list->indexPathsForVisibleItems().contains(IndexPath::forItem(rowOfMessage(chat, "late"))));
    QCOMPARE(chat->unreadMessagesNotificationViewState(),
             PLChatWindowViewController::kNotificationViewHidden);
}

void TestChatWindowUpdates::flingDownHidesTheButtonHalfASecondAfterItsFirstStep() {
    auto* chat = openWithRoom();
    auto* list = chat->collectionView();
    list->setContentOffset(QPointF(0, 200));
    world->importMessage(room, "late", kDay2 + 50 * 60000, "Are you there?", kBob);
    platform::NotificationCenter::defaultCenter()->post(QLatin1String(ChatRoomMessageAddedNotification), {},
                                                        {{QLatin1String(kMessageIDKey), "late"}});
    ConversationWorld::advance(500);
    QCOMPARE(chat->unreadMessagesNotificationViewState(), PLChatWindowViewController::kNotificationViewShown);
    auto* scheduler = platform::ui::Scheduler::shared();
    const int pendingBefore = scheduler->pendingCount();

    // A fling towards the newer rows, a step every 4 ms for two seconds: each step's perform runs
    // half a second after its step, so the button goes while the list still moves, and the scheduler
    // holds one entry for all the steps' performs, not one for each.
    int mostPending = 0;
    for (int step = 1; step <= 500; ++step) {
        list->setContentOffset(QPointF(0, 200 + step));
        mostPending = qMax(mostPending, scheduler->pendingCount());
        if (step == 125)
            QCOMPARE(chat->unreadMessagesNotificationViewState(),
                     PLChatWindowViewController::kNotificationViewShown);
        ConversationWorld::advance(4);
        if (step == 125)
            QCOMPARE(chat->unreadMessagesNotificationViewState(),
                     PLChatWindowViewController::kNotificationViewHidden);
    }
    QVERIFY2(mostPending <= pendingBefore + 5, qPrintable(QString::number(mostPending - pendingBefore)));
    ConversationWorld::advance(500);
    QCOMPARE(chat->unreadMessagesNotificationViewState(),
             PLChatWindowViewController::kNotificationViewHidden);
}

void TestChatWindowUpdates::theButtonStaysOutOfSightAsTheWindowOpens_data() {
    QTest::addColumn<int>("unread");
    // Whether a message arriving after the open is out of sight, so that the button comes for it.
    QTest::addColumn<bool>("arrivesOutOfSight");
    QTest::newRow("every message unread") << 40 << true;
    QTest::newRow("some read") << 20 << true;
    QTest::newRow("none unread") << 0 << false;
}

// With animations running as for the user, in a window larger than the one the screen is built in:
// whatever the list does as it opens at its first unread row, the button shows nowhere over the rows
// until a message arrives out of sight, and then it comes up above the input bar.
void TestChatWindowUpdates::theButtonStaysOutOfSightAsTheWindowOpens() {
    QFETCH(int, unread);
    QFETCH(bool, arrivesOutOfSight);
    for (int i = 40 - unread; i < 40; ++i) {
        messages.value(QStringLiteral("m%1").arg(i))->setState(0);
        messages.value(QStringLiteral("m%1").arg(i))->save();
    }
    platform::ui::Animator::setInstant(false);
    const auto instant = qScopeGuard([] { platform::ui::Animator::setInstant(true); });
    auto* chat = world->load(room, QSize(400, 720));
    auto* button = chat->unreadMessgesNotifiactionButton();
    const auto inSight = [chat, button] {
        const QRect rows(0, 0, chat->view()->width(), chat->postToChatView()->y());
        return button->isVisibleTo(chat->view()) && platform::ui::Animator::alpha(button) > 0 &&
               button->geometry().intersects(rows);
    };
    QStringList seen;
    QElapsedTimer clock;
    const auto look = [&] {
        if (inSight() &&
            chat->unreadMessagesNotificationViewState() != PLChatWindowViewController::kNotificationViewShown)
            seen << QStringLiteral("%1 ms after the open: (%2, %3), alpha %4")
                        .arg(clock.elapsed())
                        .arg(button->x())
                        .arg(button->y())
                        .arg(platform::ui::Animator::alpha(button));
    };
    EventWatch moves(button, {QEvent::Move, QEvent::Paint}, look);
    clock.start();
    world->window->show();
    for (int ms = 0; ms <= 300; ms += 10) {
        QCoreApplication::processEvents();
        look();
        ConversationWorld::advance(10);
    }
    // Whatever it still does, settled.
    QTRY_VERIFY(!animating(button));
    QVERIFY2(seen.isEmpty(), qPrintable(seen.join(QStringLiteral("; "))));
    QCOMPARE(chat->unreadMessagesNotificationViewState(),
             PLChatWindowViewController::kNotificationViewHidden);

    world->importMessage(room, "late", kDay2 + 50 * 60000, "Are you there?", kBob);
    platform::NotificationCenter::defaultCenter()->post(QLatin1String(ChatRoomMessageAddedNotification), {},
                                                        {{QLatin1String(kMessageIDKey), "late"}});
    // The row goes in, then the notice waits half a second.
    const auto shown = [chat] {
        return chat->unreadMessagesNotificationViewState() ==
               PLChatWindowViewController::kNotificationViewShown;
    };
    for (int ms = 0; ms < 2 * PLChatWindowViewController::kSettleDelayMs && !shown(); ms += 10) {
        QCoreApplication::processEvents();
        ConversationWorld::advance(10);
    }
    QCOMPARE(shown(), arrivesOutOfSight);
    QTRY_VERIFY(!animating(button));
    QVERIFY2(seen.isEmpty(), qPrintable(seen.join(QStringLiteral("; "))));
    QCOMPARE(inSight(), arrivesOutOfSight);
    if (arrivesOutOfSight)
        QVERIFY(button->geometry().bottom() < chat->postToChatView()->y());
}

namespace {

// Where the scroll control stands now, with the list's width and direction.
QString placeOf(const PLChatWindowScrollToBottomOrTopView* control) {
    return QStringLiteral("x %1 of %2 (%3)")
        .arg(control->x())
        .arg(control->parentWidget()->width())
        .arg(control->parentWidget()->isRightToLeft() ? QStringLiteral("right to left")
                                                      : QStringLiteral("left to right"));
}

// On the list's trailing edge (the left one right to left): between its place slid in and its place
// just past the edge, never over the rows away from that edge.
bool atItsEdge(const PLChatWindowScrollToBottomOrTopView* control) {
    const QWidget* list = control->parentWidget();
    const int in = list->isRightToLeft() ? 0 : list->width() - control->width();
    const int out = list->isRightToLeft() ? -control->width() : list->width();
    return control->x() >= qMin(in, out) && control->x() <= qMax(in, out);
}

} // namespace

// Right to left, with animations running, the control appears at the list's left edge: at every
// paint and move from the window's first showing it stands there; it never crosses the rows.
void TestChatWindowUpdates::theScrollControlAppearsInItsPlaceRightToLeft() {
    platform::ui::Animator::setInstant(false);
    const auto instant = qScopeGuard([] { platform::ui::Animator::setInstant(true); });
    auto* chat = world->load(room, QSize(400, 720));
    world->window->setLayoutDirection(Qt::RightToLeft);
    QStringList crossing;
    QElapsedTimer clock;
    PLChatWindowScrollToBottomOrTopView* control = nullptr;
    std::unique_ptr<EventWatch> watch;
    const auto look = [&] {
        if (control && control->isVisible() && control->x() != 0)
            crossing << QStringLiteral("%1 ms: %2").arg(clock.elapsed()).arg(placeOf(control));
    };
    clock.start();
    world->window->show();
    for (int ms = 0; ms <= 1000; ms += 10) {
        if (!control && (control = chat->scrollToBottomOrTopView()))
            watch =
                std::make_unique<EventWatch>(control, QList<QEvent::Type>{QEvent::Move, QEvent::Paint}, look);
        QCoreApplication::processEvents();
        look();
        ConversationWorld::advance(10);
    }
    QVERIFY(control);
    QTRY_VERIFY(!animating(control));
    QVERIFY(control->isSlidIn());
    QCOMPARE(control->x(), 0);
    QVERIFY2(crossing.isEmpty(), qPrintable(crossing.join(QStringLiteral("; "))));
}

void TestChatWindowUpdates::theScrollControlFollowsADirectionTurnedAtRunTime_data() {
    QTest::addColumn<bool>("turnTheProgram");
    QTest::newRow("the window's direction") << false;
    QTest::newRow("the program's direction") << true;
}

// Turned at run time while shown, then left to slide out and shown again by a drag: the control
// moves to the new leading edge at once and slides in and out there, in both directions.
void TestChatWindowUpdates::theScrollControlFollowsADirectionTurnedAtRunTime() {
    QFETCH(bool, turnTheProgram);
    auto* chat = world->open(room, QSize(400, 720));
    platform::ui::Animator::setInstant(false);
    const auto restore = qScopeGuard([] {
        platform::ui::Animator::setInstant(true);
        QGuiApplication::setLayoutDirection(Qt::LeftToRight);
    });
    auto* control = chat->scrollToBottomOrTopView();
    QTRY_VERIFY(!animating(control));
    QVERIFY(control->isSlidIn());
    QStringList wrong;
    const auto look = [&] {
        if (!atItsEdge(control))
            wrong << placeOf(control);
    };
    EventWatch watch(control, {QEvent::Move, QEvent::Paint}, look);
    for (const Qt::LayoutDirection direction : {Qt::RightToLeft, Qt::LeftToRight, Qt::RightToLeft}) {
        if (turnTheProgram)
            QGuiApplication::setLayoutDirection(direction);
        else
            world->window->setLayoutDirection(direction);
        QCoreApplication::processEvents();
        QVERIFY2(control->isSlidIn() && control->isShownInSuperview() && atItsEdge(control),
                 qPrintable(placeOf(control)));
        // Left alone, it slides out past its edge; a drag brings it back in.
        ConversationWorld::advance(PLChatWindowScrollToBottomOrTopView::kAutoHideMs);
        QTRY_VERIFY(!animating(control));
        QVERIFY2(!control->isSlidIn() && !control->isShownInSuperview(), qPrintable(placeOf(control)));
        emit chat->collectionView()->willBeginDragging();
        QTRY_VERIFY(!animating(control));
        QVERIFY2(control->isSlidIn() && control->isShownInSuperview() && atItsEdge(control),
                 qPrintable(placeOf(control)));
    }
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(QStringLiteral("; "))));
}

// The button slides away as the window grows: it ends below the larger window's rows, not where the
// smaller window had them end.
void TestChatWindowUpdates::aButtonLeavingAsTheWindowGrowsEndsOutOfSight() {
    auto* chat = world->open(room, QSize(400, 720));
    auto* button = chat->unreadMessgesNotifiactionButton();
    chat->collectionView()->setContentOffset(QPointF(0, 200));
    world->importMessage(room, "late", kDay2 + 50 * 60000, "Are you there?", kBob);
    platform::NotificationCenter::defaultCenter()->post(QLatin1String(ChatRoomMessageAddedNotification), {},
                                                        {{QLatin1String(kMessageIDKey), "late"}});
    ConversationWorld::advance(PLChatWindowViewController::kSettleDelayMs);
    QCOMPARE(chat->unreadMessagesNotificationViewState(), PLChatWindowViewController::kNotificationViewShown);

    platform::ui::Animator::setInstant(false);
    const auto instant = qScopeGuard([] { platform::ui::Animator::setInstant(true); });
    chat->scrollToNewUpdate();
    QVERIFY(animating(button));
    world->window->resize(400, 900);
    QCoreApplication::processEvents();
    QTRY_VERIFY(!animating(button));
    QCOMPARE(chat->view()->height(), 900);
    QVERIFY2(button->y() >= chat->postToChatView()->y(), qPrintable(QString::number(button->y())));
}

void TestChatWindowUpdates::eachNoticeNamesItsOwnRow() {
    auto* chat = openWithRoom();
    chat->collectionView()->setContentOffset(QPointF(0, 0));
    for (const char* id : {"n1", "n2"}) {
        world->importMessage(room, id, kDay2 + (id[1] - '0') * 3600000, "news", kBob);
        platform::NotificationCenter::defaultCenter()->post(
            QLatin1String(ChatRoomMessageAddedNotification), {},
            {{QLatin1String(kMessageIDKey), QLatin1String(id)}});
        ConversationWorld::advance(200);
    }
    ConversationWorld::advance(300);
    // The first notice came when the second message was already last: it still names the first.
    auto& updates = chat->rowList().newUpdateMessages();
    QVERIFY(updates.count(rowOfMessage(chat, "n1")));
    QVERIFY(updates.count(rowOfMessage(chat, "n2")));
}

void TestChatWindowUpdates::ownMessageIsAddedReadAndScrolledTo() {
    auto* chat = openWithRoom();
    chat->collectionView()->setContentOffset(QPointF(0, 0));
    auto posted = room->postTextMessage(QStringLiteral("Mine"));
    const int row = rowOfMessage(chat, posted->messageId());
    QCOMPARE(row, chat->rowList().count() - 1);
    QCOMPARE(posted->state(), qint16(1));
    QVERIFY(chat->collectionView()->indexPathsForVisibleItems().contains(IndexPath::forItem(row)));
    ConversationWorld::advance(600);
    QVERIFY(!chat->rowList().newUpdateMessages().count(row));
}

void TestChatWindowUpdates::discardedPostLeavesTheScreenAndTheStore() {
    world->fixture.setOnline(false);
    // A failed post on a day of its own: its date row goes with it.
    auto failed = room->createMessage();
    failed->setType(2);
    failed->setText(QStringLiteral("Did not go"));
    failed->setDate(kDay2 + 86400000);
    failed->setState(1);
    auto entry = room->createPendingMessage(failed, 0, 4);
    room->save();
    auto* chat = openWithRoom();
    const int count = chat->rowList().count();
    const int row = rowOfMessage(chat, failed->messageId());
    QCOMPARE(row, count - 1);
    QVERIFY(chat->rowList().at(row - 1).dateMessage());
    chat->rowList().newUpdateMessages().insert(row - 2);
    const auto named = chat->rowList().at(row - 2);

    PLPostFailureHandlerHelper::sharedInstance()->discardPendingMessage(failed);
    QCOMPARE(chat->rowList().count(), count - 2);
    QCOMPARE(rowOfMessage(chat, failed->messageId()), -1);
    QCOMPARE(Message::messageWithID(failed->messageId()), Message::Ptr());
    QCOMPARE(PendingMessageInfo::PS_countOfEntities(), qint64(0));
    QVERIFY(chat->rowList().newUpdateMessages().count(chat->rowList().indexOf(named)));
    verifyRows(chat);
}

void TestChatWindowUpdates::discardedReplyKeepsTheSmartMessage() {
    world->fixture.setOnline(false);
    auto poll = messages.value("m33");
    auto reply = room->createPendingMessage(poll, 2, 4);
    auto waiting = room->createPendingMessage(poll, 2, 1);
    room->save();
    auto* chat = openWithRoom();
    const int row = rowOfMessage(chat, "m33");
    PLPostFailureHandlerHelper::sharedInstance()->discardPendingMessage(poll);
    QCOMPARE(rowOfMessage(chat, "m33"), row);
    QVERIFY(Message::messageWithID("m33"));
    QCOMPARE(poll->failedPendingMessageCount(), 0);
    QCOMPARE(poll->pendingMessages(), QList<PendingMessageInfo::Ptr>{waiting});
}

void TestChatWindowUpdates::resentPostMovesToTheEnd() {
    world->fixture.setOnline(false);
    auto failed = room->createMessage();
    failed->setType(2);
    failed->setText(QStringLiteral("Try again"));
    failed->setDate(kDay2 + 5 * 60000 + 1);
    failed->setState(1);
    auto entry = room->createPendingMessage(failed, 0, 4);
    entry->setTryCount(3);
    room->save();
    auto* chat = openWithRoom();
    const int row = rowOfMessage(chat, failed->messageId());
    QVERIFY(row < chat->rowList().count() - 1);
    const qint64 order = entry->messageId();
    PLPostFailureHandlerHelper::sharedInstance()->retryFailedPendingMessage(failed);
    QCOMPARE(rowOfMessage(chat, failed->messageId()), chat->rowList().count() - 1);
    QCOMPARE(entry->state(), qint16(1));
    QCOMPARE(entry->tryCount(), qint16(0));
    QVERIFY(entry->messageId() > order);
    QVERIFY(failed->lastUpdatedUserIsMe());
    verifyRows(chat);
}

void TestChatWindowUpdates::choiceForAnotherRoomIsLeftToItsWindow() {
    world->fixture.setOnline(false);
    auto other = world->importRoom(QStringLiteral("r2"));
    auto failed = other->createMessage();
    failed->setType(2);
    failed->setText(QStringLiteral("Elsewhere"));
    other->createPendingMessage(failed, 0, 4);
    other->save();
    auto* chat = openWithRoom();
    const int count = chat->rowList().count();
    // No window shows that room: the sheet's answer carries the discard out itself.
    PLPostFailureHandlerHelper::sharedInstance()->discardPendingMessage(failed);
    QCOMPARE(chat->rowList().count(), count);
    QCOMPARE(Message::messageWithID(failed->messageId()), Message::Ptr());
    QCOMPARE(PendingMessageInfo::PS_countOfEntities(), qint64(0));
}

void TestChatWindowUpdates::windowWithoutARoomTakesNoOtherRoomsMessages() {
    // The room's own window, reading older rows: it leaves Bob's news unread.
    auto* chat = openWithRoom();
    chat->collectionView()->setContentOffset(QPointF(0, 0));
    // A second window, opened as the rooms list opens one, on a room the store does not know.
    ConversationScreens::registerScreens();
    platform::ui::Window second;
    second.resize(320, 568);
    auto* orphan =
        qobject_cast<PLChatWindowViewController*>(platform::ui::ScreenRegistry::shared()->instantiate(
            PLChatWindowViewController::kStoryboard, PLChatWindowViewController::kIdentifier));
    QVERIFY(orphan);
    orphan->setProperty("roomId", QStringLiteral("gone"));
    second.setRootViewController(orphan);
    second.show();
    QCoreApplication::processEvents();
    QVERIFY(orphan->roomId().isEmpty());
    QCOMPARE(orphan->rowList().count(), 0);

    // Bob's message comes as the event stream brings it, announced for the active room.
    const QVariantMap json{{"_id", "news"},
                           {"type", "message"},
                           {"date", double(kDay2 + 50 * 60000)},
                           {"text", "Are you there?"},
                           {"sender", QString::number(kBob)},
                           {"senderObj", QVariantMap{{"userId", kBob}, {"name", "Bob"}}}};
    const auto news = room->updateMessageDict(json, true, {});
    QVERIFY(news);
    QTRY_VERIFY(rowOfMessage(chat, "news") >= 0);
    ConversationWorld::advance(PLChatWindowViewController::kSettleDelayMs +
                               PLChatWindowViewController::kAppearingReadDelayMs);
    QCOMPARE(orphan->rowList().count(), 0);
    // Nothing read on the orphan's account: Bob's message waits for the room's own window.
    QCOMPARE(news->state(), qint16(0));

    // Ann posts, and someone edits a message of the room: still none of the orphan's business.
    const auto mine = room->postTextMessage(QStringLiteral("Here"));
    QVERIFY(rowOfMessage(chat, mine->messageId()) >= 0);
    postUpdated("m33");
    ConversationWorld::advance(PLChatWindowViewController::kSettleDelayMs);
    QCOMPARE(orphan->rowList().count(), 0);
    QCOMPARE(orphan->collectionView()->numberOfItemsInSection(0), 0);
}

int main(int argc, char** argv) {
    prepareTestEnvironment();
    QApplication app(argc, argv);
    TestChatWindowUpdates test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_chatwindowupdates.moc"
