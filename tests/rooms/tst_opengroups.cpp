// The public groups screen against the stand-in: the delayed load and its retries, joining with its
// texts, button and analytics, handing a joined group to the host, and the joined group in the rooms
// list.
#include "RoomsTestKit.h"
#include "core/model/PLPublicRoom.h"
#include "foundation/ui/CustomColors.h"
#include "platform/ui/NavigationItem.h"
#include "ui/rooms/PLOpenGroupTableViewCell.h"
#include "ui/rooms/PLOpenGroupsViewController.h"

#include <QApplication>

using namespace pelnix;
using namespace pelnix::test;
using platform::ui::Scheduler;
using platform::ui::ScreenRegistry;
using standin::FaultInjector;

namespace {

// The busy overlay's dismissal waits for a turn of the (virtual) scheduler: give it that turn.
bool overlayGone() {
    Scheduler::shared()->advance(0);
    return !PLActivityIndicatorView::isVisible();
}

QJsonArray seededRooms() {
    return QJsonArray{
        QJsonObject{
            {"_id", "p-joined"}, {"name", "Joined"}, {"members", QJsonArray{41, 42}}, {"public", true}},
        QJsonObject{{"_id", "p-open"}, {"name", "Open"}, {"members", QJsonArray{42, 43}}, {"public", true}},
        QJsonObject{{"_id", "p-noname"}, {"name", ""}, {"members", QJsonArray{42}}, {"public", true}},
        QJsonObject{{"_id", "g-private"}, {"name", "Private"}, {"members", QJsonArray{41, 42}}}};
}

// The screen as the host's container shows it: in a navigation controller in a key window.
struct GroupsOnScreen {
    Window window;
    PLOpenGroupsViewController* screen = qobject_cast<PLOpenGroupsViewController*>(
        ScreenRegistry::shared()->instantiate("Home", "PLOpenGroupsViewController"));
    NavigationController* nav = new NavigationController(screen);
    QList<PelnixGroup> handedOut;

    GroupsOnScreen() {
        screen->setPublicGroupsCompletionHandler([this](const PelnixGroup& group) { handedOut << group; });
        window.resize(320, 568);
        window.setRootViewController(nav);
        window.makeKeyAndVisible();
    }
    // The rows' groups by ID, in the server's order.
    QStringList groups() const {
        QStringList ids;
        for (const auto& group : screen->openGroups())
            ids << group->roomId();
        return ids;
    }
    PLOpenGroupTableViewCell* cell(const QString& id) const {
        const int row = int(groups().indexOf(id));
        return qobject_cast<PLOpenGroupTableViewCell*>(screen->tableView()->cellForRowAtIndexPath({0, row}));
    }
    AlertView* alert() const { return window.alerts().isEmpty() ? nullptr : window.alerts().last(); }
};

} // namespace

class TestOpenGroups : public QObject {
    Q_OBJECT
private slots:
    void init() {
        ScreenRegistry::shared()->clear();
        service = std::make_unique<LiveService>(seededRooms());
        Scheduler::shared()->setVirtualClock(true);
    }
    void cleanup() {
        Scheduler::shared()->setVirtualClock(false);
        service.reset();
        ScreenRegistry::shared()->clear();
    }

    void listLoadsHalfASecondAfterEachAppearance();
    void twoFailuresThenSuccessShowNoAlert();
    void aThirdFailureAlertsAndLaterOnesAreNotRetried();
    void theOverlayStaysUpThroughAnImmediateRetry();
    void offlineShowsTheNetworkAlertOnly();
    void joiningTellsTheUserMarksTheRowAndListsTheRoom();
    void aNamelessGroupIsThisGroup();
    void aRefusedJoinSaysSo();
    void aJoinedRowHandsTheGroupToTheHost();
    void aJoinEndingAfterAReloadMarksTheGroupsRow();

private:
    int listRequests() { return service->requests("GET", "/publicrooms"); }
    std::unique_ptr<LiveService> service;
};

void TestOpenGroups::listLoadsHalfASecondAfterEachAppearance() {
    GroupsOnScreen on;
    QCOMPARE(on.screen->navigationItem()->title(), QStringLiteral("Public Groups"));
    Scheduler::shared()->advance(499);
    QCOMPARE(listRequests(), 0);
    Scheduler::shared()->advance(1);
    QTRY_COMPARE(on.groups(), (QStringList{"p-joined", "p-open", "p-noname"}));
    QTRY_VERIFY(overlayGone());
    QCOMPARE(on.cell("p-joined")->joinButtonImageName(), QStringLiteral("select_address_book"));
    QCOMPARE(on.cell("p-open")->joinButtonImageName(), QStringLiteral("addGroup_icon"));
    QCOMPARE(on.cell("p-open")->groupTitleLabel()->text(), QStringLiteral("Open"));
    // Rows part in the rooms list's separator colour (the host's, when it gives one).
    QCOMPARE(on.cell("p-open")->separatorColor(), CustomColors::chatRoomsTableViewSeparatorColor());
    // Every appearance fetches anew.
    on.nav->pushViewController(new platform::ui::ViewController, false);
    on.nav->popViewController(false);
    Scheduler::shared()->advance(500);
    QTRY_COMPARE(listRequests(), 2);
}

void TestOpenGroups::twoFailuresThenSuccessShowNoAlert() {
    service->fixture.server().addFault({"/publicrooms", "GET", 2, FaultInjector::Mode::ServerError});
    GroupsOnScreen on;
    Scheduler::shared()->advance(500);
    QTRY_COMPARE(on.groups().size(), 3);
    QCOMPARE(listRequests(), 3);
    QCOMPARE(on.screen->noOfTriesToGetOpenGroups(), qint64(2));
    QVERIFY(!on.alert());
}

void TestOpenGroups::aThirdFailureAlertsAndLaterOnesAreNotRetried() {
    service->fixture.server().addFault({"/publicrooms", "GET", -1, FaultInjector::Mode::ServerError});
    GroupsOnScreen on;
    Scheduler::shared()->advance(500);
    QTRY_VERIFY(on.alert());
    QCOMPARE(on.alert()->title(), QStringLiteral("Failed"));
    QCOMPARE(on.alert()->message(), QStringLiteral("Please try again later."));
    QCOMPARE(listRequests(), 3);
    QTRY_VERIFY(overlayGone());
    // The count is the screen's for its life: the next appearance fails once, alerts, and stops.
    on.alert()->tapButtonAtIndex(0);
    on.nav->pushViewController(new platform::ui::ViewController, false);
    on.nav->popViewController(false);
    Scheduler::shared()->advance(500);
    QTRY_VERIFY(on.alert());
    // A retry would have put the overlay up again within the same answer.
    QTRY_VERIFY(overlayGone());
    QCOMPARE(listRequests(), 4);
    QCOMPARE(on.screen->noOfTriesToGetOpenGroups(), qint64(4));
}

void TestOpenGroups::theOverlayStaysUpThroughAnImmediateRetry() {
    auto& server = service->fixture.server();
    server.addFault({"/publicrooms", "GET", 1, FaultInjector::Mode::ServerError});
    server.addFault({"/publicrooms", "GET", 1, FaultInjector::Mode::Hold});
    GroupsOnScreen on;
    Scheduler::shared()->advance(500);
    QTRY_COMPARE(server.heldCount(), 1);
    // The first answer failed and the retry is waiting: the overlay's deferred dismissal was
    // cancelled by the retry, so it is still up once any pending dismissal had its turn.
    QVERIFY(!overlayGone());
    server.releaseHeld();
    QTRY_COMPARE(on.groups().size(), 3);
    QTRY_VERIFY(overlayGone());
}

void TestOpenGroups::offlineShowsTheNetworkAlertOnly() {
    service->fixture.setOnline(false);
    GroupsOnScreen on;
    Scheduler::shared()->advance(500);
    QVERIFY(on.alert());
    QCOMPARE(on.alert()->message(), QStringLiteral("Please check your network connectivity."));
    QCOMPARE(listRequests(), 0);
    QVERIFY(on.groups().isEmpty());
}

void TestOpenGroups::joiningTellsTheUserMarksTheRowAndListsTheRoom() {
    GroupsOnScreen on;
    Scheduler::shared()->advance(500);
    QTRY_COMPARE(on.groups().size(), 3);
    QVERIFY(!ChatRoom::chatRoomWithID("p-open"));
    on.cell("p-open")->addToGroupButton()->click();
    QVERIFY(PLActivityIndicatorView::isVisible());
    QTRY_VERIFY(on.alert());
    QCOMPARE(on.alert()->message(), QStringLiteral("Now you are part of Open"));
    QCOMPARE(on.alert()->title(), QString());
    QCOMPARE(on.cell("p-open")->joinButtonImageName(), QStringLiteral("select_address_book"));
    QTRY_VERIFY(overlayGone());
    const QVariantMap event = service->analytics.last("Open group joins");
    QCOMPARE(event.value("Open Group"), QVariant("Open"));
    QCOMPARE(event.value("Group id"), QVariant("p-open"));
    QCOMPARE(event.value("success"), QVariant(true));
    QVERIFY(event.value("NumbersOfMember").toLongLong() >= 2);
    QVERIFY(event.contains("Number Of Messages"));
    // Its OK opens the group: the host is handed its name and ID.
    on.alert()->tapButtonAtIndex(0);
    QCOMPARE(on.handedOut, (QList<PelnixGroup>{PelnixGroup{"Open", "p-open", 0}}));
    // A joined group's button does nothing more.
    const int posts = service->requests("POST", "/rooms/p-open/members");
    on.cell("p-open")->addToGroupButton()->click();
    QCOMPARE(service->requests("POST", "/rooms/p-open/members"), posts);

    // The rooms list shows the joined group.
    ListOnScreen list;
    QVERIFY(list.rows().contains("p-open"));
}

void TestOpenGroups::aNamelessGroupIsThisGroup() {
    GroupsOnScreen on;
    Scheduler::shared()->advance(500);
    QTRY_COMPARE(on.groups().size(), 3);
    on.cell("p-noname")->addToGroupButton()->click();
    QTRY_VERIFY(on.alert());
    QCOMPARE(on.alert()->message(), QStringLiteral("Now you are part of this group"));
}

void TestOpenGroups::aRefusedJoinSaysSo() {
    service->fixture.server().addFault(
        {"/rooms/p-open/members", "POST", 1, FaultInjector::Mode::ErrorEnvelope});
    GroupsOnScreen on;
    Scheduler::shared()->advance(500);
    QTRY_COMPARE(on.groups().size(), 3);
    on.cell("p-open")->addToGroupButton()->click();
    QTRY_VERIFY(on.alert());
    QCOMPARE(on.alert()->message(), QStringLiteral("Failed to join Group."));
    QCOMPARE(on.cell("p-open")->joinButtonImageName(), QStringLiteral("addGroup_icon"));
    QVERIFY(!on.screen->openGroups()[1]->isuserJoined());
    QCOMPARE(service->analytics.last("Open group joins").value("success"), QVariant(false));
    QCOMPARE(service->analytics.last("Open group joins").value("Group id"), QVariant(""));
    // Its OK hands nothing out: no group is stored under that ID.
    on.alert()->tapButtonAtIndex(0);
    QVERIFY(on.handedOut.isEmpty());
    // A join that cannot start (the group is joined already) says so at once.
    on.screen->joinPublicGroup(on.cell("p-joined"));
    QCOMPARE(on.alert()->message(), QStringLiteral("Failed to join Group."));
}

void TestOpenGroups::aJoinedRowHandsTheGroupToTheHost() {
    GroupsOnScreen on;
    Scheduler::shared()->advance(500);
    QTRY_COMPARE(on.groups().size(), 3);
    on.screen->didSelectRowAtIndexPath(on.screen->tableView(), {0, 0});
    QCOMPARE(on.alert()->message(), QStringLiteral("You already joined this group"));
    on.alert()->tapButtonAtIndex(0);
    QCOMPARE(on.handedOut, (QList<PelnixGroup>{PelnixGroup{"Joined", "p-joined", 0}}));
    // A row not joined does nothing when tapped.
    on.screen->didSelectRowAtIndexPath(on.screen->tableView(), {0, 1});
    QVERIFY(!on.alert());
    // Without a host block the screen still works and hands nothing out.
    on.screen->setPublicGroupsCompletionHandler({});
    on.screen->didSelectRowAtIndexPath(on.screen->tableView(), {0, 0});
    on.alert()->tapButtonAtIndex(0);
    QCOMPARE(on.handedOut.size(), 1);
}

void TestOpenGroups::aJoinEndingAfterAReloadMarksTheGroupsRow() {
    GroupsOnScreen on;
    Scheduler::shared()->advance(500);
    QTRY_COMPARE(on.groups().size(), 3);
    auto& server = service->fixture.server();
    server.addFault({"/rooms/p-open/members", "POST", 1, FaultInjector::Mode::Hold});
    on.cell("p-open")->addToGroupButton()->click();
    QTRY_COMPARE(server.heldCount(), 1);
    // The list is fetched again meanwhile, in another order: the row of "that row" is another group.
    auto reordered = on.screen->openGroups();
    QVariantList fresh;
    for (const auto& id : {"p-noname", "p-joined", "p-open"})
        for (const auto& group : reordered)
            if (group->roomId() == QLatin1String(id))
                fresh << QVariantMap{{"_id", group->roomId()},
                                     {"name", group->name()},
                                     {"membersUrl", group->membersUrl()},
                                     {"isuserJoined", group->isuserJoined()}};
    on.screen->setOpenGroups(PLPublicRoom::instancesWithArray(fresh));
    server.releaseHeld();
    QTRY_VERIFY(on.alert());
    QCOMPARE(on.groups(), (QStringList{"p-noname", "p-joined", "p-open"}));
    QVERIFY(on.screen->openGroups()[2]->isuserJoined());
    QVERIFY(!on.screen->openGroups()[0]->isuserJoined());
    QCOMPARE(on.cell("p-open")->joinButtonImageName(), QStringLiteral("select_address_book"));
    QCOMPARE(on.cell("p-noname")->joinButtonImageName(), QStringLiteral("addGroup_icon"));
}

int main(int argc, char** argv) {
    test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestOpenGroups t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_opengroups.moc"
