// The members screen and its two lists on the store: which tabs and bar each role gets, Cancel only
// when presented, the added-members banner, the search routed to the selected tab and hidden by a tab
// change, the Active list's order, search and taps, and the keyboard observers of a screen that left.
#include "HeldThreadPool.h"
#include "MembersTestKit.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/KeyboardMonitor.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/NavigationItem.h"
#include "ui/rooms/PLActiveMembersViewController.h"
#include "ui/rooms/PLGroupMembersViewController.h"
#include "ui/rooms/PLMemberListReader.h"
#include "ui/rooms/PLMembersTableViewCell.h"
#include "ui/rooms/PLPendingMembersViewController.h"
#include "ui/toolkit/PLCustomSearchTextField.h"
#include "ui/toolkit/PLSwipeViewController.h"

#include <QApplication>

using namespace pelnix;
using namespace pelnix::test;
using platform::ui::ScreenRegistry;

namespace {
// Member detail as far as the Active list knows it: what it was handed.
class FakeMemberDetail : public platform::ui::ViewController {
    Q_OBJECT
    Q_PROPERTY(qint32 userID MEMBER userID)
    Q_PROPERTY(QString roomId MEMBER roomID)
public:
    qint32 userID = 0;
    QString roomID;
};

const QList<Person> kPeople{kAnnPerson,
                            {42, "Zulu", "zulu@acme.test"},
                            {43, "alpha", "al@acme.test"},
                            {44, QString(), "nameless@acme.test"},
                            {45, "Bert", "abe@acme.test"},
                            {46, "Anna", "anna@acme.test"}};

PLGroupMembersViewController* membersOf(const QString& roomID) {
    auto* screen = new PLGroupMembersViewController;
    screen->configureWithChatRoom(ChatRoom::chatRoomWithID(roomID));
    return screen;
}

QStringList rowTexts(PLActiveMembersViewController* list) {
    QStringList out;
    for (const auto& member : list->shownMembers())
        out << (member && member->user() ? member->user()->profileName() : QString());
    return out;
}
} // namespace

class TestMembers : public QObject {
    Q_OBJECT
private slots:
    void init() {
        ScreenRegistry::shared()->clear();
        store = std::make_unique<RoomsStore>();
        ScreenRegistry::shared()->registerScreen("Home", "PLGroupMemeberDetailTableViewController",
                                                 [] { return new FakeMemberDetail; });
        addGroup("g-admin", "Ops", kPeople, kAnn);
        addGroup("g-open", "Open", kPeople, 42);
        addGroup("g-hidden", "Hidden", kPeople, 42, true);
    }
    void cleanup() {
        store.reset();
        ScreenRegistry::shared()->clear();
    }

    void screensAreFoundByTheirCallersNames_data();
    void screensAreFoundByTheirCallersNames();
    void tabsAndBar_data();
    void tabsAndBar();
    void activeTitle_data();
    void activeTitle();
    void cancelOnlyWhenPresented();
    void bannerSaysHowManyAndGoes();
    void bannerGoesAtOnceWhenTheScreenLeaves();
    void searchGoesToTheSelectedTabAndATabChangeHidesIt();
    void activeListOrdersYouFirstThenByNameWhateverTheCase();
    void activeSearchMatchesNameOrEmailPrefixNeverSelf();
    void aPersonTheStoreHoldsTwiceIsListedOnce();
    void aRoomOfThousandsShowsAtOnceAndItsRowsOnceRead();
    void aRoomPastSixteenBitsShowsItsRealCount();
    void tappingOwnRowOpensNothingOthersOpenDetail();
    void keyboardObserversGoWithTheScreen();
    void bottomInsetCoversTheBarAndTheKeyboard();

private:
    std::unique_ptr<RoomsStore> store;
};

void TestMembers::screensAreFoundByTheirCallersNames_data() {
    QTest::addColumn<QString>("storyboard");
    QTest::addColumn<QString>("identifier");
    QTest::addColumn<QString>("className");
    QTest::newRow("members, pushed") << "Home"
                                     << "GroupMembersViewController"
                                     << "pelnix::PLGroupMembersViewController";
    QTest::newRow("members, presented") << "Home"
                                        << "GroupMembersNavigationController"
                                        << "pelnix::PLGroupMembersViewController";
    QTest::newRow("admin change") << "PLSelectAdminViewController"
                                  << "PLSelectAdminViewController"
                                  << "pelnix::PLSelectAdminViewController";
    QTest::newRow("member detail") << "Home"
                                   << "PLGroupMemeberDetailTableViewController"
                                   << "pelnix::PLGroupMemeberDetailTableViewController";
}

void TestMembers::screensAreFoundByTheirCallersNames() {
    QFETCH(QString, storyboard);
    QFETCH(QString, identifier);
    // The real registrations, as the library's assembly makes them.
    ScreenRegistry::shared()->clear();
    RoomsScreens::registerScreens();
    platform::ui::ViewController* screen = ScreenRegistry::shared()->instantiate(storyboard, identifier);
    QVERIFY(screen);
    if (auto* nav = qobject_cast<NavigationController*>(screen))
        screen = nav->topViewController();
    QTEST(QString::fromLatin1(screen->metaObject()->className()), "className");
    // Group information hands the room over by the property "roomId".
    QVERIFY(screen->setProperty("roomId", QStringLiteral("g-admin")));
    QCOMPARE(screen->property("roomId").toString(), QStringLiteral("g-admin"));
    if (auto* nav = screen->navigationController())
        delete nav;
    else
        delete screen;
}

void TestMembers::tabsAndBar_data() {
    QTest::addColumn<QString>("room");
    QTest::addColumn<QStringList>("tabs");
    QTest::addColumn<bool>("bar");
    QTest::newRow("admin") << "g-admin" << QStringList{"Active(6)", "Pending"} << true;
    QTest::newRow("member, profiles shown") << "g-open" << QStringList{"Active(6)", "Pending"} << false;
    QTest::newRow("member, profiles hidden") << "g-hidden" << QStringList{"Active(6)"} << false;
}

void TestMembers::tabsAndBar() {
    QFETCH(QString, room);
    auto* screen = membersOf(room);
    OnScreen shown(screen, 1);
    QStringList titles;
    for (auto* page : screen->swipeViewController()->viewControllers())
        titles << page->title();
    QTEST(titles, "tabs");
    QTEST(!screen->bottomView()->isHidden(), "bar");
    QCOMPARE(screen->bottomActionBarHeight(), screen->isCurrentUserCreator() ? 50.0 : 0.0);
    QCOMPARE(screen->title(), QStringLiteral("Members"));
    QCOMPARE(PLGroupMembersViewController::groupName(), ChatRoom::chatRoomWithID(room)->name());
}

void TestMembers::activeTitle_data() {
    QTest::addColumn<qint64>("count");
    QTest::addColumn<QString>("title");
    QTest::newRow("none") << qint64(0) << "Active";
    QTest::newRow("one") << qint64(1) << "Active(1)";
    QTest::newRow("five") << qint64(5) << "Active(5)";
    QTest::newRow("past 16 bits") << qint64(50000) << "Active(50000)";
}

void TestMembers::activeTitle() {
    QFETCH(qint64, count);
    QTEST(PLActiveMembersViewController::titleForMemberCount(count), "title");
}

void TestMembers::cancelOnlyWhenPresented() {
    auto* presented = membersOf("g-admin");
    {
        OnScreen shown(presented);
        QCOMPARE(presented->navigationItem()->leftBarButtonItems().size(), 1);
    }
    auto* pushed = membersOf("g-admin");
    OnScreen shown(pushed, 1);
    QVERIFY(pushed->navigationItem()->leftBarButtonItems().isEmpty());
    QCOMPARE(pushed->navigationItem()->rightBarButtonItems().size(), 1);

    // Presented over another screen, Cancel dismisses the stack.
    auto* root = new platform::ui::ViewController;
    OnScreen host(root);
    auto* modal = membersOf("g-admin");
    auto* stack = new NavigationController(modal);
    root->presentViewController(stack, false);
    QCoreApplication::processEvents();
    QCOMPARE(root->presentedViewController(), stack);
    modal->cancelButtonClicked();
    QTRY_VERIFY(!root->presentedViewController());
}

void TestMembers::bannerSaysHowManyAndGoes() {
    auto* screen = membersOf("g-admin");
    OnScreen shown(screen, 1);
    screen->membersAddedToGroup(1);
    QVERIFY(screen->banner());
    QCOMPARE(screen->banner()->text(), QStringLiteral("1 member added"));
    QCOMPARE(screen->banner()->y(), 0);
    QCOMPARE(screen->banner()->height(), PLGroupMembersViewController::kBannerHeight);
    QCOMPARE(screen->banner()->geometry().center().x(), screen->view()->rect().center().x());
    // The window grows while it shows: it stays in the middle.
    shown.window.resize(1024, 768);
    QCoreApplication::processEvents();
    QCOMPARE(screen->view()->width(), 1024);
    QCOMPARE(screen->banner()->geometry().center().x(), screen->view()->rect().center().x());
    platform::ui::Scheduler::shared()->advance(PLGroupMembersViewController::kBannerStayMs - 1);
    QVERIFY(screen->banner());
    platform::ui::Scheduler::shared()->advance(1);
    QVERIFY(!screen->banner());
    screen->membersAddedToGroup(3);
    QCOMPARE(screen->banner()->text(), QStringLiteral("3 members added"));
}

void TestMembers::bannerGoesAtOnceWhenTheScreenLeaves() {
    auto* screen = membersOf("g-admin");
    OnScreen shown(screen, 1);
    screen->membersAddedToGroup(2);
    QVERIFY(screen->banner());
    shown.nav->popViewController(false);
    QCoreApplication::processEvents();
    QVERIFY(!screen->banner());
    // Its slide back, due later, finds nothing to move.
    platform::ui::Scheduler::shared()->advance(PLGroupMembersViewController::kBannerStayMs);
}

void TestMembers::searchGoesToTheSelectedTabAndATabChangeHidesIt() {
    auto* screen = membersOf("g-admin");
    OnScreen shown(screen, 1);
    screen->searchButtonClicked();
    QVERIFY(screen->isSearchBarShown());
    QCOMPARE(screen->searchView()->placeholderText(), QStringLiteral("Search by name or email"));
    QCOMPARE(screen->searchView()->y(), shown.nav->navigationBar()->y());
    // A wider window: the bar still covers the navigation bar from edge to edge.
    shown.window.resize(1024, 768);
    QCoreApplication::processEvents();
    QCOMPARE(screen->searchView()->geometry(), shown.nav->navigationBar()->geometry());
    screen->searchView()->searchTextField()->setText("an");
    screen->searchTextFieldDidChange(screen->searchView()->searchTextField());
    QVERIFY(screen->activeMembersViewController()->isFiltered());
    QCOMPARE(rowTexts(screen->activeMembersViewController()), QStringList{"Anna"});

    // Another tab: the bar goes and its text with it.
    screen->swipeViewController()->setSelectedIndex(1);
    QVERIFY(!screen->isSearchBarShown());
    QVERIFY(screen->searchView()->textFieldText().isEmpty());
    QVERIFY(screen->searchView()->isHidden());

    // Now the text goes to the Pending list.
    screen->searchButtonClicked();
    screen->searchContactInText("x");
    QVERIFY(screen->pendingMembersViewController()->isFiltered());
    screen->searchViewCancelledSearch();
    QVERIFY(!screen->pendingMembersViewController()->isFiltered());
    QVERIFY(!screen->isSearchBarShown());
}

void TestMembers::activeListOrdersYouFirstThenByNameWhateverTheCase() {
    auto* screen = membersOf("g-admin");
    OnScreen shown(screen, 1);
    PLActiveMembersViewController* list = screen->activeMembersViewController();
    QCOMPARE(rowTexts(list), (QStringList{"Ann", "", "alpha", "Anna", "Bert", "Zulu"}));
    auto* cell =
        qobject_cast<PLMembersTableViewCell*>(list->activeMembersTableView()->cellForRowAtIndexPath({0, 0}));
    QVERIFY(cell);
    QCOMPARE(cell->emailLabel()->text(), QStringLiteral("You"));
    QVERIFY(!cell->adminLabel()->isHidden());
    QVERIFY(cell->closeButton()->isHidden());
    auto* other =
        qobject_cast<PLMembersTableViewCell*>(list->activeMembersTableView()->cellForRowAtIndexPath({0, 2}));
    QCOMPARE(other->emailLabel()->text(), QStringLiteral("alpha"));
    QVERIFY(!other->closeButton()->isHidden());
    QCOMPARE(other->delegate(), static_cast<PLMembersCellDelegate*>(list));
}

void TestMembers::activeSearchMatchesNameOrEmailPrefixNeverSelf() {
    auto* screen = membersOf("g-open");
    OnScreen shown(screen, 1);
    PLActiveMembersViewController* list = screen->activeMembersViewController();
    // "a": alpha and Anna by name, Bert by "abe@", never Ann herself.
    list->searchForMembersUsingSearchText("a");
    QCOMPARE(rowTexts(list), (QStringList{"alpha", "Anna", "Bert"}));
    QCOMPARE(list->activeMembersTableView()->numberOfRows(0), 3);
    list->searchForMembersUsingSearchText("ZU");
    QCOMPARE(rowTexts(list), QStringList{"Zulu"});
    list->searchForMembersUsingSearchText("q");
    QVERIFY(rowTexts(list).isEmpty());
    list->searchForMembersUsingSearchText("");
    QVERIFY(!list->isFiltered());
    QCOMPARE(rowTexts(list).size(), 6);
}

void TestMembers::aPersonTheStoreHoldsTwiceIsListedOnce() {
    // As when the stream's "joined" event and the addition's reply are both applied.
    const auto room = ChatRoom::chatRoomWithID("g-admin");
    auto twin = RoomMember::PS_createEntity();
    twin->setUser(User::userWithIntID(43));
    room->addMembersObject(twin);
    room->save();
    QCOMPARE(room->members().size(), 7);
    auto* screen = membersOf("g-admin");
    OnScreen shown(screen, 1);
    QCOMPARE(rowTexts(screen->activeMembersViewController()),
             (QStringList{"Ann", "", "alpha", "Anna", "Bert", "Zulu"}));
}

void TestMembers::aRoomOfThousandsShowsAtOnceAndItsRowsOnceRead() {
    // 5,000 people, named in the reverse of their import order, Ann among them.
    QList<Person> people{kAnnPerson};
    for (int i = 1; i < 5000; ++i)
        people << Person{1000 + i, QStringLiteral("Member %1").arg(5000 - i, 4, 10, QLatin1Char('0')),
                         QStringLiteral("m%1@acme.test").arg(i)};
    addGroup("g-team", "Team", people, 42);
    auto* screen = membersOf("g-team");
    // The reading thread waits until the test has seen the main thread's part.
    HeldThreadPool reading(PLMemberListReader::readingPool());
    OnScreen shown(screen, 1);
    PLActiveMembersViewController* list = screen->activeMembersViewController();
    QVERIFY(list && list->isViewLoaded());
    // The screen is up and says it is busy; none of the members was read on the main thread.
    QVERIFY(PLActivityIndicatorView::isVisible());
    QCOMPARE(list->activeMembersTableView()->numberOfRows(0), 0);
    QCOMPARE(screen->activeMembersViewController()->title(), QStringLiteral("Active(5000)"));

    reading.release();
    QTRY_COMPARE(list->activeMembersTableView()->numberOfRows(0), 5000);
    platform::ui::Scheduler::shared()->advance(0);
    QVERIFY(!PLActivityIndicatorView::isVisible());
    const auto first = [&](int row) {
        auto* cell = qobject_cast<PLMembersTableViewCell*>(
            list->activeMembersTableView()->cellForRowAtIndexPath({0, row}));
        return cell ? cell->emailLabel()->text() : QString();
    };
    QCOMPARE(first(0), QStringLiteral("You"));
    QCOMPARE(first(1), QStringLiteral("Member 0001"));
    QCOMPARE(first(2), QStringLiteral("Member 0002"));
    QVERIFY(!list->activeMembersTableView()->visibleCells().isEmpty());

    // A search and a removal's refresh work on the rows read.
    list->searchForMembersUsingSearchText("member 004");
    QCOMPARE(list->activeMembersTableView()->numberOfRows(0), 10);
    QCOMPARE(list->shownMembers().first()->user()->profileName(), QStringLiteral("Member 0040"));
    list->refresh();
    QVERIFY(list->isReadingMembers());
    QTRY_VERIFY(!list->isReadingMembers());
    QCOMPARE(list->activeMembersTableView()->numberOfRows(0), 10);
    platform::ui::Scheduler::shared()->advance(0);
    QVERIFY(!PLActivityIndicatorView::isVisible());
}

void TestMembers::aRoomPastSixteenBitsShowsItsRealCount() {
    QList<Person> people{kAnnPerson};
    for (int i = 1; i < 50000; ++i)
        people << Person{1000 + i, QStringLiteral("Member %1").arg(i),
                         QStringLiteral("m%1@acme.test").arg(i)};
    addGroup("g-everyone", "Everyone", people, 1001);
    auto* screen = membersOf("g-everyone");
    OnScreen shown(screen, 1);
    PLActiveMembersViewController* list = screen->activeMembersViewController();
    QVERIFY(list);
    QCOMPARE(list->title(), QStringLiteral("Active(50000)"));
    QTRY_VERIFY_WITH_TIMEOUT(!list->isReadingMembers(), 60000);
    // The stored count keeps its 16 bits; an ordinary room reads it as it is.
    const auto room = ChatRoom::chatRoomWithID("g-everyone");
    QCOMPARE(room->totalMembers(), std::numeric_limits<qint16>::max());
    QCOMPARE(room->memberCount(), 50000);
    const auto ordinary = ChatRoom::chatRoomWithID("g-admin");
    QCOMPARE(ordinary->memberCount(), qint64(ordinary->totalMembers()));
    // One fewer here is one fewer, not the stored count less one.
    room->removeMember(room->adminMember());
    list->refresh();
    QCOMPARE(list->title(), QStringLiteral("Active(49999)"));
    QTRY_VERIFY_WITH_TIMEOUT(!list->isReadingMembers(), 60000);
}

void TestMembers::tappingOwnRowOpensNothingOthersOpenDetail() {
    auto* screen = membersOf("g-admin");
    OnScreen shown(screen, 1);
    PLActiveMembersViewController* list = screen->activeMembersViewController();
    list->didSelectRowAtIndexPath(list->activeMembersTableView(), {0, 0});
    QCOMPARE(shown.nav->topViewController(), screen);
    QVERIFY(!shown.alert());

    store->fixture.setOnline(false);
    list->didSelectRowAtIndexPath(list->activeMembersTableView(), {0, 5});
    QCOMPARE(shown.nav->topViewController(), screen);
    QCOMPARE(shown.alert()->title(), QStringLiteral("Failed"));
    shown.alert()->tapButtonAtIndex(0);
    store->fixture.setOnline(true);

    list->didSelectRowAtIndexPath(list->activeMembersTableView(), {0, 5});
    auto* detail = qobject_cast<FakeMemberDetail*>(shown.nav->topViewController());
    QVERIFY(detail);
    QCOMPARE(detail->userID, 42);
    QCOMPARE(detail->roomID, QStringLiteral("g-admin"));
}

void TestMembers::keyboardObserversGoWithTheScreen() {
    auto* screen = membersOf("g-admin");
    OnScreen shown(screen, 1);
    QVERIFY(screen->isObservingKeyboard());
    QVERIFY(screen->activeMembersViewController()->isObservingKeyboard());
    // The bar rides on the keyboard while the screen shows.
    platform::ui::KeyboardMonitor::shared()->show(216, &shown.window);
    QCOMPARE(screen->bottomView()->geometry().bottom() + 1,
             screen->view()->mapFrom(&shown.window, QPoint(0, shown.window.height() - 216)).y());
    platform::ui::KeyboardMonitor::shared()->hide();
    QCOMPARE(screen->bottomView()->geometry().bottom() + 1, screen->view()->height());

    QPointer<PLGroupMembersViewController> gone(screen);
    shown.nav->popViewController(false);
    QCoreApplication::processEvents();
    if (gone) {
        QVERIFY(!gone->isObservingKeyboard());
        QVERIFY(!gone->activeMembersViewController()->isObservingKeyboard());
    }
    // Nobody left to move: a keyboard now must not reach the screen.
    platform::ui::KeyboardMonitor::shared()->show(216, &shown.window);
    platform::ui::KeyboardMonitor::shared()->hide();
}

void TestMembers::bottomInsetCoversTheBarAndTheKeyboard() {
    auto* screen = membersOf("g-admin");
    OnScreen shown(screen, 1);
    platform::ui::TableView* table = screen->activeMembersViewController()->activeMembersTableView();
    QCOMPARE(table->contentInset().bottom(), 50);
    platform::ui::KeyboardMonitor::shared()->show(216, &shown.window);
    QCOMPARE(table->contentInset().bottom(), 50 + 216);
    platform::ui::KeyboardMonitor::shared()->hide();
    QCOMPARE(table->contentInset().bottom(), 50);
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestMembers t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_members.moc"
