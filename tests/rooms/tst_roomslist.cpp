// The rooms list's rules over a real store: order and the placeholder row, the live updates while on
// screen, the options by role with one row open at a time, the confirmed clear, search, opening a
// room, the host's title and items, the floating label and the contact picker.
#include "RoomsTestKit.h"
#include "interface/PelnixGroupFilterManager.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Button.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/NavigationItem.h"
#include "ui/rooms/PLChatRoomDefaultCell.h"
#include "ui/toolkit/PLCustomSearchTextField.h"

#include <QApplication>
#include <QKeyEvent>

using namespace pelnix;
using namespace pelnix::test;
using platform::ui::Scheduler;
using platform::ui::ScreenRegistry;

namespace {

const QList<RoomSeed> kFourRooms{{"A", "Alpha", 5000, false, 42},
                                 {"B", "Bravo", 4000, false, kAnn},
                                 {"C", "Charlie", 3000, false, 42},
                                 {"D", "Delta", 2000, true, 42}};

void type(PLCustomSearchTextField* field, const QString& text) {
    for (const QChar key : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(key));
        QApplication::sendEvent(field, &press);
    }
}

void notifyUpdated(const QString& roomID) {
    platform::NotificationCenter::defaultCenter()->post(QLatin1String(ChatRoomUpdatedNotification), {},
                                                        {{QLatin1String(kChatRoomIDKey), roomID}});
    RoomsStore::settle();
}

} // namespace

class TestRoomsList : public QObject {
    Q_OBJECT
private slots:
    void init() {
        ScreenRegistry::shared()->clear();
        store = std::make_unique<RoomsStore>();
    }
    void cleanup() {
        store.reset();
        ScreenRegistry::shared()->clear();
    }

    void emptyStoreShowsOnePlaceholderRow();
    void roomsAreListedNewestFirstThroughTheHostFilter();
    void notificationMatrix_data();
    void notificationMatrix();
    void notificationsAreHeardOnlyWhileOnScreen();
    void aBurstInOneTurnEndsWithEveryRowInPlace();
    void anOpenRowStaysOpenWhileOtherRoomsMove();
    void aViewLoadedButNotShownFillsOnTheNextTurn();
    void rowsReadTheirLatestMessagesAsTheyAreShown();
    void optionsByRole_data();
    void optionsByRole();
    void oneRowIsOpenAtATimeAndATapClosesIt();
    void confirmedClear();
    void clearAnsweredNoDoesNothing();
    void answerActsOnTheRoomChosenNotOnTheRowThere();
    void searchFiltersByNameIgnoringCase();
    void searchInsertsOnlyExactCaseMatches();
    void openingARoomHandsItToTheConversation();
    void anUnavailableConversationOpensNothing();
    void hostTitleAndBarItems();
    void floatingLabelSlidesOutStaysAndGoes();
    void newConversationOpensThePicker();
    void sharedInstanceIsTheLastLoadedList();

private:
    std::unique_ptr<RoomsStore> store;
};

void TestRoomsList::emptyStoreShowsOnePlaceholderRow() {
    FakeChatWindow::registerScreen();
    ListOnScreen screen;
    QCOMPARE(screen.table()->numberOfRows(0), 1);
    QCOMPARE(screen.table()->rectForRow({0, 0}).height(), 108.0);
    QVERIFY(qobject_cast<PLChatRoomDefaultCell*>(screen.table()->cellForRowAtIndexPath({0, 0})));
    screen.clickRow(0);
    QVERIFY(!screen.covering());
    // Searching an empty list shows nothing at all.
    screen.list->setChatRoomsViewState(PLChatRoomsTableViewController::SearchState);
    QCOMPARE(screen.table()->numberOfRows(0), 0);
}

void TestRoomsList::roomsAreListedNewestFirstThroughTheHostFilter() {
    store->add(kFourRooms);
    // A left room is not listed.
    store->add({{"E", "Echo", 9000}});
    auto left = ChatRoom::chatRoomWithID("E");
    left->setStatus(1);
    left->save();
    ListOnScreen screen;
    QCOMPARE(screen.rows(), (QStringList{"A", "B", "C", "D"}));
    QCOMPARE(screen.shownRows(), screen.rows());
    QCOMPARE(screen.table()->rectForRow({0, 1}).height(), PLChatRoomTableViewCell::cellHeight());
    QCOMPARE(store->analytics.last("Home screen visited"), (QVariantMap{{"#of groups", qint64(4)}}));
    // The host's filter changes: the list follows at once.
    PelnixGroupFilterManager::groupFilterManager()->pelnixFilterWithChatRooms({ChatRoom::chatRoomWithID("B")},
                                                                              true);
    QCOMPARE(screen.rows(), (QStringList{"A", "C", "D"}));
}

void TestRoomsList::notificationMatrix_data() {
    QTest::addColumn<QList<RoomSeed>>("rooms");
    QTest::addColumn<QString>("event");
    QTest::addColumn<QString>("room");
    QTest::addColumn<qint64>("date");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QString>("topLine");
    QTest::newRow("the top room is redrawn in place")
        << kFourRooms << "message"
        << "A" << qint64(6000) << QStringList{"A", "B", "C", "D"} << "Bob: news";
    QTest::newRow("a newer room moves to the top")
        << kFourRooms << "message"
        << "C" << qint64(6000) << QStringList{"C", "A", "B", "D"} << "Bob: news";
    QTest::newRow("the bottom room moves to the top")
        << kFourRooms << "message"
        << "D" << qint64(7000) << QStringList{"D", "A", "B", "C"} << "Bob: news";
    QTest::newRow("as new as the top stays in place")
        << kFourRooms << "message"
        << "C" << qint64(5000) << QStringList{"A", "B", "C", "D"} << "";
    QTest::newRow("an older update stays in place")
        << kFourRooms << "message"
        << "D" << qint64(2500) << QStringList{"A", "B", "C", "D"} << "";
    QTest::newRow("a room not listed is inserted at the top")
        << kFourRooms << "new room"
        << "E" << qint64(1000) << QStringList{"E", "A", "B", "C", "D"} << "";
    QTest::newRow("a room ID with no room is ignored")
        << kFourRooms << "notify"
        << "nosuch" << qint64(0) << QStringList{"A", "B", "C", "D"} << "";
    QTest::newRow("the first room replaces the placeholder") << QList<RoomSeed>{} << "new room"
                                                             << "E" << qint64(1000) << QStringList{"E"} << "";
}

void TestRoomsList::notificationMatrix() {
    QFETCH(QList<RoomSeed>, rooms);
    QFETCH(QString, event);
    QFETCH(QString, room);
    QFETCH(qint64, date);
    QFETCH(QStringList, rows);
    QFETCH(QString, topLine);
    store->add(rooms);
    ListOnScreen screen;
    if (event == "message") {
        store->receive(messageJSON(room, "news-1", date, 42, "news"));
    } else if (event == "new room") {
        store->add({{room, "Echo", date}});
        notifyUpdated(room);
    } else {
        notifyUpdated(room);
    }
    QCOMPARE(screen.rows(), rows);
    // Every row in its place on screen, each cell showing its own room.
    QCOMPARE(screen.shownRows(), rows);
    QCOMPARE(screen.table()->numberOfRows(0), rows.size());
    if (!topLine.isEmpty())
        QCOMPARE(screen.cell(0)->lastMessageLabel()->text(), topLine);
}

void TestRoomsList::notificationsAreHeardOnlyWhileOnScreen() {
    store->add(kFourRooms);
    ListOnScreen screen;
    QVERIFY(screen.list->isObservingNotifications());
    screen.nav->pushViewController(new platform::ui::ViewController, false);
    QVERIFY(!screen.list->isObservingNotifications());
    store->receive(messageJSON("D", "d-1", 9000, 42));
    QCOMPARE(screen.rows(), (QStringList{"A", "B", "C", "D"}));
    // Coming back reloads from the store.
    screen.nav->popViewController(false);
    QVERIFY(screen.list->isObservingNotifications());
    QCOMPARE(screen.rows(), (QStringList{"D", "A", "B", "C"}));
}

void TestRoomsList::aBurstInOneTurnEndsWithEveryRowInPlace() {
    store->add(kFourRooms);
    ListOnScreen screen;
    // Three updates before the list gets a turn: C and D become newest in turn, A is redrawn.
    for (const auto& [room, date] : QList<std::pair<QString, qint64>>{{"C", 7000}, {"A", 100}, {"D", 8000}})
        ChatRoom::updateRoomWithMessageDict(messageJSON(room, room + "-burst", date, 42, "burst " + room));
    RoomsStore::settle();
    QCOMPARE(screen.rows(), (QStringList{"D", "C", "A", "B"}));
    QCOMPARE(screen.shownRows(), screen.rows());
    QCOMPARE(screen.cell(0)->lastMessageLabel()->text(), QStringLiteral("Bob: burst D"));
    QCOMPARE(screen.cell(1)->lastMessageLabel()->text(), QStringLiteral("Bob: burst C"));
    QCOMPARE(screen.table()->numberOfRows(0), 4);
}

void TestRoomsList::anOpenRowStaysOpenWhileOtherRoomsMove() {
    store->add(kFourRooms);
    ListOnScreen screen;
    PLChatRoomTableViewCell* open = screen.cell(1);
    open->toggleCellState();
    QCOMPARE(open->chatRoom()->roomId(), QStringLiteral("B"));
    store->receive(messageJSON("D", "d-1", 9000, 42));
    QCOMPARE(screen.rows(), (QStringList{"D", "A", "B", "C"}));
    // B's row moved down one place with its cell, still open.
    QCOMPARE(screen.cell(2), open);
    QCOMPARE(open->currentState(), 1);
    QCOMPARE(screen.list->swipedCell(), open);
    // A message in B's own room redraws its row: the row closes, as a reused row does.
    store->receive(messageJSON("B", "b-1", 9500, 42));
    QCOMPARE(screen.rows().first(), QStringLiteral("B"));
    QVERIFY(!screen.list->swipedCell());
}

// The first frame reads the latest messages of the first screen's rows, not of every room; the rows
// scrolled to read theirs, and each row shows its own.
void TestRoomsList::rowsReadTheirLatestMessagesAsTheyAreShown() {
    constexpr int kRooms = 400;
    QList<RoomSeed> seeds;
    for (int r = 0; r < kRooms; ++r)
        seeds << RoomSeed{QStringLiteral("r%1").arg(r), QStringLiteral("Room %1").arg(r), 1000 + r};
    store->add(seeds);
    for (int r = 0; r < kRooms; ++r)
        ChatRoom::updateRoomWithMessageDict(messageJSON(QStringLiteral("r%1").arg(r),
                                                        QStringLiteral("m%1").arg(r), 100000 + r, 42,
                                                        QStringLiteral("text %1").arg(r)));
    const auto context = PLPersistence::PS_defaultContext();
    context->save();
    context->reset();
    RoomsStore::settle();

    ListOnScreen screen;
    const auto rooms = screen.list->chatRooms();
    QCOMPARE(rooms.size(), kRooms);
    const auto holding = [&rooms] {
        QList<int> rows;
        for (int i = 0; i < rooms.size(); ++i)
            if (rooms[i]->holdsLatestMessage())
                rows << i;
        return rows;
    };
    const auto showsItsOwn = [&screen](int row) {
        const int r = kRooms - 1 - row; // newest first
        return screen.cell(row)->lastMessageLabel()->text() == QStringLiteral("Bob: text %1").arg(r);
    };
    const QList<int> first = holding();
    QVERIFY2(first.size() >= 8 && first.size() <= 64, qPrintable(QString::number(first.size())));
    QCOMPARE(first.first(), 0);
    QVERIFY(showsItsOwn(0) && showsItsOwn(5));
    // The bottom of the list, then its middle.
    for (const qreal y :
         {screen.table()->contentSize().height(), screen.table()->contentSize().height() / 2}) {
        screen.table()->setContentOffset(QPointF(0, y));
        QCoreApplication::processEvents();
        for (auto* cell : screen.table()->visibleCells()) {
            const int row = screen.table()->indexPathForCell(cell)->row;
            QVERIFY2(rooms[row]->holdsLatestMessage(), qPrintable(QString::number(row)));
            QVERIFY2(showsItsOwn(row), qPrintable(QString::number(row)));
        }
    }
    QVERIFY(holding().size() < kRooms);
}

void TestRoomsList::aViewLoadedButNotShownFillsOnTheNextTurn() {
    store->add(kFourRooms);
    QPointer<PLChatRoomsTableViewController> list = qobject_cast<PLChatRoomsTableViewController*>(
        ScreenRegistry::shared()->instantiate("Home", "PLChatRoomsTableViewController"));
    list->loadViewIfNeeded();
    RoomsStore::settle();
    QCOMPARE(list->chatRooms().size(), 4);
    QCOMPARE(list->tableView()->numberOfRows(0), 4);
    delete list.data();
}

void TestRoomsList::optionsByRole_data() {
    QTest::addColumn<RoomSeed>("room");
    QTest::addColumn<QList<qint64>>("options");
    QTest::addColumn<qreal>("stripWidth");
    // add members, clear, close for a group's admin; clear, leave for everyone else.
    QTest::newRow("group admin") << RoomSeed{"G", "Group", 1000, false, kAnn} << QList<qint64>{3, 2, 1}
                                 << 170.0;
    QTest::newRow("group member") << RoomSeed{"G", "Group", 1000, false, 42} << QList<qint64>{2, 1} << 120.0;
    QTest::newRow("one-to-one admin") << RoomSeed{"G", "", 1000, true, kAnn} << QList<qint64>{2, 1} << 120.0;
    QTest::newRow("one-to-one member") << RoomSeed{"G", "", 1000, true, 42} << QList<qint64>{2, 1} << 120.0;
}

void TestRoomsList::optionsByRole() {
    QFETCH(RoomSeed, room);
    QFETCH(QList<qint64>, options);
    QFETCH(qreal, stripWidth);
    store->add({room});
    ListOnScreen screen;
    const auto stored = ChatRoom::chatRoomWithID("G");
    QCOMPARE(screen.list->numberOfOptionsForChatRoom(stored), options.size());
    for (int i = 0; i < options.size(); ++i)
        QCOMPARE(screen.list->chatRoomTypeAtIndex(i, stored), options[i]);
    QCOMPARE(screen.list->chatRoomTypeAtIndex(options.size(), stored), qint64(0));
    PLChatRoomTableViewCell* cell = screen.cell(0);
    cell->toggleCellState();
    QCOMPARE(cell->collectionViewWidth(), stripWidth);
    QCOMPARE(cell->chatRoomOptions(), options);
}

void TestRoomsList::oneRowIsOpenAtATimeAndATapClosesIt() {
    FakeChatWindow::registerScreen();
    store->add(kFourRooms);
    ListOnScreen screen;
    PLChatRoomTableViewCell* first = screen.cell(0);
    PLChatRoomTableViewCell* second = screen.cell(1);
    first->toggleCellState();
    QCOMPARE(screen.list->swipedCell(), first);
    second->toggleCellState();
    QCOMPARE(first->currentState(), 0);
    QCOMPARE(screen.list->swipedCell(), second);
    // A tap on what is left of the open row's content closes it and opens nothing.
    screen.clickRow(1, 40);
    QCOMPARE(second->currentState(), 0);
    QVERIFY(!screen.list->swipedCell());
    QVERIFY(!screen.covering());
    // Once closed, a tap opens the room.
    screen.clickRow(1);
    QVERIFY(qobject_cast<FakeChatWindow*>(screen.covering()));
}

void TestRoomsList::confirmedClear() {
    store->add(kFourRooms);
    store->receive(messageJSON("C", "c-1", 2500, 42));
    store->receive(messageJSON("C", "c-2", 2600, 42));
    ListOnScreen screen;
    PLChatRoomTableViewCell* cell = screen.cell(2);
    QCOMPARE(cell->chatRoom()->roomId(), QStringLiteral("C"));
    cell->toggleCellState();
    cell->optionsCollectionViewCellDidTapOnOption(nullptr); // no option: nothing
    QVERIFY(!screen.alert());
    screen.list->cellDidSelectChatRoomOption(cell, PLChatRoomsTableViewController::ClearOption);
    AlertView* alert = screen.alert();
    QVERIFY(alert);
    QCOMPARE(alert->tag(), 2);
    QCOMPARE(alert->title(), QStringLiteral("Clear Conversation"));
    QCOMPARE(alert->cancelButtonIndex(), 1);
    alert->tapButtonAtIndex(0);

    QVERIFY(ChatRoom::chatRoomWithID("C")->messages().isEmpty());
    QCOMPARE(cell->currentState(), 0);
    QCOMPARE(screen.floatingTexts(), QStringList{QStringLiteral("Conversation cleared successfully")});
    QCOMPARE(store->analytics.last("Clear conversation"), (QVariantMap{{"success", "Success"},
                                                                       {"Group", "Charlie"},
                                                                       {"RoomId", "C"},
                                                                       {"NumbersOfMember", qint64(2)},
                                                                       {"IsAdmin", false},
                                                                       {"Has picture", false}}));
    // Nothing went to a server: clearing is local.
    QCOMPARE(screen.rows(), (QStringList{"A", "B", "C", "D"}));
}

void TestRoomsList::clearAnsweredNoDoesNothing() {
    store->add(kFourRooms);
    store->receive(messageJSON("C", "c-1", 2500, 42));
    ListOnScreen screen;
    screen.list->cellDidSelectChatRoomOption(screen.cell(2), PLChatRoomsTableViewController::ClearOption);
    screen.alert()->tapButtonAtIndex(1);
    QCOMPARE(ChatRoom::chatRoomWithID("C")->messages().size(), 1);
    QVERIFY(screen.floatingTexts().isEmpty());
    QCOMPARE(store->analytics.count("Clear conversation"), 0);
}

void TestRoomsList::answerActsOnTheRoomChosenNotOnTheRowThere() {
    store->add(kFourRooms);
    store->receive(messageJSON("B", "b-1", 1500, 42));
    store->receive(messageJSON("A", "a-1", 1600, 42));
    ListOnScreen screen;
    PLChatRoomTableViewCell* cell = screen.cell(1);
    cell->toggleCellState();
    screen.list->cellDidSelectChatRoomOption(cell, PLChatRoomsTableViewController::ClearOption);
    // Before the answer, a message moves D to the top and the list is reloaded: row 1 is A's now,
    // and the open row is closed.
    store->receive(messageJSON("D", "d-1", 9000, 42));
    screen.list->reloadChatRooms();
    QCOMPARE(screen.cell(1)->chatRoom()->roomId(), QStringLiteral("A"));
    screen.alert()->tapButtonAtIndex(0);
    QVERIFY(ChatRoom::chatRoomWithID("B")->messages().isEmpty());
    QCOMPARE(ChatRoom::chatRoomWithID("A")->messages().size(), 1);
    QCOMPARE(store->analytics.last("Clear conversation").value("RoomId").toString(), QStringLiteral("B"));
}

void TestRoomsList::searchFiltersByNameIgnoringCase() {
    FakeChatWindow::registerScreen();
    store->add(kFourRooms);
    ListOnScreen screen;
    screen.list->searchChatRoomsButtonClickerHandler();
    QCOMPARE(screen.list->chatRoomsViewState(), qint64(1));
    PLCustomSearchView* bar = screen.list->searchView();
    QVERIFY(bar->isVisible());
    // It covers the navigation bar, whatever width the window takes.
    QCOMPARE(bar->geometry(), screen.nav->navigationBar()->geometry());
    screen.window.resize(1024, 768);
    QCoreApplication::processEvents();
    QCOMPARE(bar->geometry(), screen.nav->navigationBar()->geometry());
    QCOMPARE(bar->width(), 1024);
    type(bar->searchTextField(), "ALPH");
    QCOMPARE(screen.rows(), QStringList{"A"});
    QCOMPARE(screen.list->searchText(), QStringLiteral("ALPH"));
    type(bar->searchTextField(), "x");
    QCOMPARE(screen.table()->numberOfRows(0), 0);
    bar->searchTextField()->clear();
    // The one-to-one room D is named after Bob, its other member.
    type(bar->searchTextField(), "a");
    QCOMPARE(screen.rows(), (QStringList{"A", "B", "C"}));
    // Opening a row while searching is reported with the text.
    screen.clickRow(2);
    QCOMPARE(store->analytics.last("Home screen- Search"),
             (QVariantMap{{"TextInput", "a"}, {"#of groups", qint64(3)}}));
    // Leaving the screen ended the search; cancel ends a new one with the whole list and no text.
    screen.nav->popViewController(false);
    QCOMPARE(screen.list->chatRoomsViewState(), qint64(0));
    screen.list->searchChatRoomsButtonClickerHandler();
    type(bar->searchTextField(), "del");
    bar->cancelButton()->click();
    QCOMPARE(screen.list->chatRoomsViewState(), qint64(0));
    QVERIFY(screen.list->searchText().isNull());
    QVERIFY(bar->textFieldText().isEmpty());
    QVERIFY(bar->isHidden());
    QCOMPARE(screen.rows(), (QStringList{"A", "B", "C", "D"}));
}

void TestRoomsList::searchInsertsOnlyExactCaseMatches() {
    store->add(kFourRooms);
    ListOnScreen screen;
    screen.list->setChatRoomsViewState(PLChatRoomsTableViewController::SearchState);
    type(screen.list->searchView()->searchTextField(), "echo");
    QVERIFY(screen.rows().isEmpty());
    // The filter ignores case, the insertion of a room new to the list does not.
    store->add({{"E", "Echo", 9000}, {"F", "echo two", 9100}});
    notifyUpdated("E");
    notifyUpdated("F");
    QCOMPARE(screen.rows(), QStringList{"F"});
}

void TestRoomsList::openingARoomHandsItToTheConversation() {
    FakeChatWindow::registerScreen();
    store->add(kFourRooms);
    ListOnScreen screen;
    screen.clickRow(1);
    auto* chat = qobject_cast<FakeChatWindow*>(screen.covering());
    QVERIFY(chat);
    QCOMPARE(chat->chatRoomID(), QStringLiteral("B"));
    QCOMPARE(screen.list->selectedChatRoomID(), QStringLiteral("B"));
    // The contact picker and the host open rooms by ID too.
    screen.nav->popViewController(false);
    screen.list->openChatRoomWithID("D");
    QCOMPARE(qobject_cast<FakeChatWindow*>(screen.covering())->chatRoomID(), QStringLiteral("D"));
}

void TestRoomsList::anUnavailableConversationOpensNothing() {
    store->add(kFourRooms);
    ListOnScreen screen;
    screen.clickRow(0);
    QVERIFY(!screen.covering());
    QCOMPARE(screen.rows(), (QStringList{"A", "B", "C", "D"}));
}

void TestRoomsList::hostTitleAndBarItems() {
    {
        ListOnScreen screen;
        // Alone on its stack: "Cancel" on the left, search and new conversation on the right.
        QCOMPARE(screen.list->navigationItem()->title(), QStringLiteral("Chats"));
        auto* cancel = qobject_cast<platform::ui::Button*>(
            screen.list->navigationItem()->leftBarButtonItem()->customView());
        QVERIFY(cancel);
        QCOMPARE(cancel->titleForState(platform::ui::Button::State::Normal), QStringLiteral("Cancel"));
        QCOMPARE(cancel->font().pixelSize(), 15);
        QWidget* right = screen.list->navigationItem()->rightBarButtonItem()->customView();
        QVERIFY(right->findChild<platform::ui::Button*>("searchChatRoomsButton"));
        QVERIFY(right->findChild<platform::ui::Button*>("addChatRoomButton"));
    }
    Pelnix::setNavigationTitle(QStringLiteral("Acme Chat"));
    Pelnix::shouldHideCancelButton(true);
    {
        ListOnScreen screen;
        QCOMPARE(screen.list->navigationItem()->title(), QStringLiteral("Acme Chat"));
        QCOMPARE(screen.nav->navigationBar()->titleText(), QStringLiteral("Acme Chat"));
        QVERIFY(!screen.list->navigationItem()->leftBarButtonItem());
    }
    // The host's own items win over "Cancel": each list shows an item of its own that taps the host's,
    // which stays the host's, for the next list too.
    QObject host;
    int taps = 0;
    QPointer<platform::ui::BarButtonItem> hostItem = new platform::ui::BarButtonItem(
        QStringLiteral("Menu"), [&taps] { ++taps; }, &host);
    Pelnix::setNavigationItemLeftBarButtonItems({QVariant::fromValue<QObject*>(hostItem.data())});
    for (int list = 1; list <= 2; ++list) {
        ListOnScreen screen;
        platform::ui::BarButtonItem* shown = screen.list->navigationItem()->leftBarButtonItem();
        QVERIFY2(shown && shown->title() == QStringLiteral("Menu"), "no host item on the list");
        shown->trigger();
        QCOMPARE(taps, list);
    }
    QVERIFY2(hostItem && hostItem->parent() == &host, "a list took the host's item along");
    Pelnix::setNavigationItemLeftBarButtonItems({});
    Pelnix::shouldHideCancelButton(false);
}

void TestRoomsList::floatingLabelSlidesOutStaysAndGoes() {
    ListOnScreen screen;
    auto* bar = screen.nav->navigationBar();
    screen.list->showFloatingLabelWithMessage(QStringLiteral("Saved"));
    QCOMPARE(screen.list->floatingLabels().size(), 1);
    platform::ui::Label* label = screen.list->floatingLabels().first();
    // Out below the bar, centred, 40 high, over the rows, which the list's view stacks over the bar.
    QCOMPARE(label->mapTo(bar->parentWidget(), QPoint()).y(), bar->geometry().bottom() + 1);
    QVERIFY(label->parentWidget() == screen.list->view());
    QCOMPARE(screen.list->view()->children().last(), label);
    QCOMPARE(label->height(), 40);
    QCOMPARE(label->geometry().center().x(), screen.list->view()->width() / 2);
    QCOMPARE(label->property("tag").toInt(), 100);
    Scheduler::shared()->advance(1999);
    QCOMPARE(screen.list->floatingLabels().size(), 1);
    Scheduler::shared()->advance(1);
    QVERIFY(screen.list->floatingLabels().isEmpty());
    // A text wider than the screen wraps on a 50-point label.
    screen.list->showFloatingLabelWithMessage(QString(80, QLatin1Char('x')));
    QCOMPARE(screen.list->floatingLabels().first()->height(), 50);
    QCOMPARE(screen.list->floatingLabels().first()->numberOfLines(), 0);
    // Leaving the screen takes it away.
    screen.nav->pushViewController(new platform::ui::ViewController, false);
    QVERIFY(screen.list->floatingLabels().isEmpty());
}

void TestRoomsList::newConversationOpensThePicker() {
    FakeContactPicker::registerScreen();
    FakeChatWindow::registerScreen();
    store->add(kFourRooms);
    ListOnScreen screen;
    // Without a picker nothing happens; with one it is presented for a new conversation.
    screen.list->navigationItem()
        ->rightBarButtonItem()
        ->customView()
        ->findChild<platform::ui::Button*>("addChatRoomButton")
        ->click();
    QPointer<FakeContactPicker> picker = FakeContactPicker::last();
    QVERIFY(picker);
    QCOMPARE(picker->configured, 1);
    QVERIFY(picker->added.isEmpty());
    QVERIFY(!picker->isPresentedToAddMoreContacts);
    QCOMPARE(picker->delegate.data(), screen.list);
    QVERIFY(screen.nav->presentedViewController());
    // The picker found the room: the list opens it.
    screen.nav->dismissViewController(false);
    QMetaObject::invokeMethod(picker->delegate, "openChatRoomWithID", Q_ARG(QString, QStringLiteral("C")));
    QCOMPARE(qobject_cast<FakeChatWindow*>(screen.covering())->chatRoomID(), QStringLiteral("C"));
}

void TestRoomsList::sharedInstanceIsTheLastLoadedList() {
    QVERIFY(!PLChatRoomsTableViewController::sharedViewControllerInstance());
    auto first = std::make_unique<ListOnScreen>();
    QCOMPARE(PLChatRoomsTableViewController::sharedViewControllerInstance(), first->list);
    {
        ListOnScreen second;
        QCOMPARE(PLChatRoomsTableViewController::sharedViewControllerInstance(), second.list);
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    // Gone with its screen, never a dangling pointer.
    QVERIFY(!PLChatRoomsTableViewController::sharedViewControllerInstance());
}

int main(int argc, char** argv) {
    test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestRoomsList t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_roomslist.moc"
