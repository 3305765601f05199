// The members screens against the stand-in service, with the library started as a host starts it:
// adding and removing members, withdrawing an invitation and handing the admin role over, each done
// through the screens, each reaching the server, and each seen by Bob's client on his event stream or
// in his own request; the refusals say what the user must see.
#include "KeyPresses.h"
#include "MembersTestKit.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/testing/RecordingSystemServices.h"
#include "ui/rooms/PLActiveMembersViewController.h"
#include "ui/rooms/PLGroupMembersViewController.h"
#include "ui/rooms/PLMakeAdminViewController.h"
#include "ui/rooms/PLMembersTableViewCell.h"
#include "ui/rooms/PLPendingMembersViewController.h"
#include "ui/rooms/PLSelectAdminViewController.h"
#include "ui/toolkit/PLSwipeViewController.h"

#include <QApplication>

using namespace pelnix;
using namespace pelnix::test;
using platform::ui::ScreenRegistry;
using standin::FaultInjector;

namespace {
// Server round trips on a loaded machine take their time; the live kit waits as long.
constexpr int kServerWaitMs = 20000;

QJsonArray seededRooms() {
    return QJsonArray{
        QJsonObject{{"_id", "g-pair"}, {"name", "Pair"}, {"members", QJsonArray{41, 42}}, {"admin", 41}},
        QJsonObject{{"_id", "g-admin"}, {"name", "Ops"}, {"members", QJsonArray{41, 42, 43}}, {"admin", 41}}};
}

PLMembersTableViewCell* rowCell(platform::ui::TableView* table, int row) {
    return qobject_cast<PLMembersTableViewCell*>(table->cellForRowAtIndexPath({0, row}));
}

// Bob's own view of a room's invitations, as his client asks for them.
QStringList inviteesAsBob(LiveService& service, const QString& roomID) {
    QNetworkRequest request(
        QUrl(service.fixture.baseUrl() + QStringLiteral("rooms/%1/invitees").arg(roomID)));
    request.setRawHeader("Authorization", QByteArrayLiteral("Tavrix 42:b0b:echat"));
    QNetworkReply* reply = service.network.get(request);
    QSignalSpy finished(reply, &QNetworkReply::finished);
    finished.wait(10000);
    reply->deleteLater();
    QStringList names;
    for (const QJsonValue& invitee : QJsonDocument::fromJson(reply->readAll()).array())
        names << invitee.toObject().value("name").toString();
    return names;
}
} // namespace

class TestMembersLive : public QObject {
    Q_OBJECT
private slots:
    void init() {
        ScreenRegistry::shared()->clear();
        service = std::make_unique<LiveService>(seededRooms());
        FakeContactPicker::registerScreen();
        bob = std::make_unique<StreamReader>(service->fixture.baseUrl(), 42, "b0b");
    }
    void cleanup() {
        bob.reset();
        service.reset();
        ScreenRegistry::shared()->clear();
        platform::ui::SystemServices::setCurrent(nullptr);
    }

    void addMembersThroughThePicker();
    void removeAMemberWhileSearching();
    void aRefusedRemovalSaysSoAndKeepsTheList();
    void withdrawInvitationsUntilTheEmptyRowReturns();
    void aReloadShowsNoRowOfTheEmptiedList();
    void invitePhoneInviteeAgainBySms();
    void handTheAdminRoleOver();
    void aRefusedTransferKeepsTheConfirmation();
    void addMembersTakesTheKeys_data();
    void addMembersTakesTheKeys();

private:
    // Invites by e-mail and by phone people without an account, as Ann's client does.
    void invite(const QString& roomID) {
        Outcome added;
        QVERIFY(ChatRoom::chatRoomWithID(roomID)->addContacts(
            {PLAddressBookContact{"Dee", "dee@acme.test", QString(), 0},
             PLAddressBookContact{"Phil", QString(), "+15550100", 0}},
            added.handler()));
        QTRY_COMPARE_WITH_TIMEOUT(added.calls, 1, kServerWaitMs);
        QVERIFY(added.success);
    }
    PLGroupMembersViewController* membersOf(const QString& roomID) {
        auto* screen = new PLGroupMembersViewController;
        screen->configureWithChatRoom(ChatRoom::chatRoomWithID(roomID));
        return screen;
    }

    std::unique_ptr<LiveService> service;
    std::unique_ptr<StreamReader> bob;
};

void TestMembersLive::addMembersThroughThePicker() {
    auto* screen = membersOf("g-pair");
    OnScreen shown(screen, 1);
    QTRY_VERIFY_WITH_TIMEOUT(screen->pendingMembersViewController()->isPendingMembersLoaded(), kServerWaitMs);
    const int loadsBefore = service->requests("GET", "/rooms/g-pair/invitees");
    screen->addMoreMembersButton()->click();
    FakeContactPicker* picker = FakeContactPicker::last();
    QVERIFY(picker);
    QVERIFY(picker->isPresentedToAddMoreContacts);
    QCOMPARE(picker->added.size(), 2); // Ann and Bob: neither is offered again
    picker->addContacts({QVariant::fromValue(User::userWithIntID(43)),
                         QVariant::fromValue(PLAddressBookContact{"Dee", "dee@acme.test", QString(), 0})});
    QVERIFY(PLActivityIndicatorView::isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(screen->banner(), kServerWaitMs);
    QCOMPARE(screen->banner()->text(), QStringLiteral("2 members added"));
    QCOMPARE(service->requests("POST", "/rooms/g-pair/members"), 1);
    // Carla is a member now, on the server and in the Active tab; Dee waits in the Pending tab.
    QCOMPARE(screen->activeMembersViewController()->title(), QStringLiteral("Active(3)"));
    QCOMPARE(screen->activeMembersViewController()->shownMembers().size(), 3);
    QTRY_COMPARE_WITH_TIMEOUT(screen->pendingMembersViewController()->title(), QStringLiteral("Pending(1)"),
                              kServerWaitMs);
    // One reload of the invitees per addition.
    QCOMPARE(service->requests("GET", "/rooms/g-pair/invitees"), loadsBefore + 1);
    QTRY_COMPARE_WITH_TIMEOUT(bob->events("joined", "g-pair").size(), 1, kServerWaitMs);
    QCOMPARE(bob->events("joined", "g-pair").first().value("replacements").toMap().value("target").toString(),
             QStringLiteral("43"));
    QCOMPARE(inviteesAsBob(*service, "g-pair"), QStringList{"dee@acme.test"});
}

void TestMembersLive::removeAMemberWhileSearching() {
    auto* screen = membersOf("g-admin");
    OnScreen shown(screen, 1);
    PLActiveMembersViewController* active = screen->activeMembersViewController();
    screen->searchButtonClicked();
    screen->searchContactInText("car");
    QCOMPARE(active->shownMembers().size(), 1);
    PLMembersTableViewCell* carla = rowCell(active->activeMembersTableView(), 0);
    QCOMPARE(carla->emailLabel()->text(), QStringLiteral("Carla"));
    carla->closeButton()->click();
    QCOMPARE(shown.alertText(), QStringLiteral("Confirm | Do you want to delete Carla from this group?"));
    shown.alert()->tapButtonAtIndex(0);
    QTRY_COMPARE_WITH_TIMEOUT(active->title(), QStringLiteral("Active(2)"), kServerWaitMs);
    QVERIFY(active->isFiltered());
    QVERIFY(active->shownMembers().isEmpty());
    QCOMPARE(active->activeMembersTableView()->numberOfRows(0), 0);
    QCOMPARE(service->requests("DELETE", "/rooms/g-admin/members/43"), 1);
    QTRY_COMPARE_WITH_TIMEOUT(bob->events("kicked", "g-admin").size(), 1, kServerWaitMs);
    QCOMPARE(bob->events("kicked", "g-admin").first().value("replacements").toMap().value("target"),
             QVariant("43"));
    const QVariantMap event = service->analytics.last("Remove members");
    QCOMPARE(event.value("success"), QVariant(true));
    QCOMPARE(event.value("NumbersOfMember"), QVariant(qint64(2)));
    QCOMPARE(event.value("RoomId"), QVariant("g-admin"));
    QCOMPARE(event.value("IsAdmin"), QVariant(true));
    screen->searchViewCancelledSearch();
    QCOMPARE(active->shownMembers().size(), 2);
}

void TestMembersLive::aRefusedRemovalSaysSoAndKeepsTheList() {
    service->fixture.server().addFault(
        {"/rooms/g-admin/members/43", "DELETE", 1, FaultInjector::Mode::ErrorEnvelope});
    auto* screen = membersOf("g-admin");
    OnScreen shown(screen, 1);
    PLActiveMembersViewController* active = screen->activeMembersViewController();
    active->removeMember(
        RoomMember::roomMemberWithRoom(ChatRoom::chatRoomWithID("g-admin"), User::userWithIntID(43)));
    QTRY_COMPARE_WITH_TIMEOUT(shown.alertText(), QStringLiteral("Alert | Failed to delete Member."),
                              kServerWaitMs);
    QCOMPARE(active->shownMembers().size(), 3);
    QCOMPARE(service->analytics.last("Remove members").value("success"), QVariant(false));
    QTRY_VERIFY_WITH_TIMEOUT(!PLActivityIndicatorView::isVisible(), kServerWaitMs);
}

void TestMembersLive::withdrawInvitationsUntilTheEmptyRowReturns() {
    invite("g-admin");
    // The screen's own load is held until the tab has opened, which then asks no second time: a
    // second answer could land after the withdrawal below and bring the withdrawn invitee back.
    service->fixture.server().addFault({"/rooms/g-admin/invitees$", "GET", 1, FaultInjector::Mode::Hold});
    auto* screen = membersOf("g-admin");
    OnScreen shown(screen, 1);
    screen->swipeViewController()->setSelectedIndex(1);
    PLPendingMembersViewController* pending = screen->pendingMembersViewController();
    QTRY_VERIFY_WITH_TIMEOUT(pending->pendingMembersTableView(), kServerWaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(service->fixture.server().heldCount(), 1, kServerWaitMs);
    service->fixture.server().releaseHeld();
    QTRY_COMPARE_WITH_TIMEOUT(pending->title(), QStringLiteral("Pending(2)"), kServerWaitMs);
    platform::ui::TableView* table = pending->pendingMembersTableView();
    QCOMPARE(table->numberOfRows(0), 2);
    // Bob's own request, sent after the screen's, is the second one.
    QCOMPARE(inviteesAsBob(*service, "g-admin").size(), 2);
    QCOMPARE(service->requests("GET", "/rooms/g-admin/invitees"), 2);

    // The search looks at the start of the address, case as typed: no match, no row at all.
    screen->searchButtonClicked();
    screen->searchContactInText("D");
    QCOMPARE(table->numberOfRows(0), 0);
    screen->searchContactInText("de");
    QCOMPARE(table->numberOfRows(0), 1);

    // Withdrawn while searching: gone from both lists.
    rowCell(table, 0)->closeButton()->click();
    QCOMPARE(shown.alertText(),
             QStringLiteral("Confirm | Do you want to delete dee@acme.test from this group?"));
    shown.alert()->tapButtonAtIndex(0);
    QTRY_COMPARE_WITH_TIMEOUT(pending->title(), QStringLiteral("Pending(1)"), kServerWaitMs);
    QCOMPARE(table->numberOfRows(0), 0);
    screen->searchViewCancelledSearch();
    QCOMPARE(table->numberOfRows(0), 1);
    QCOMPARE(rowCell(table, 0)->emailLabel()->text(), QStringLiteral("+15550100"));
    QCOMPARE(inviteesAsBob(*service, "g-admin"), QStringList{"+15550100"});

    rowCell(table, 0)->closeButton()->click();
    shown.alert()->tapButtonAtIndex(0);
    QTRY_COMPARE_WITH_TIMEOUT(pending->title(), QStringLiteral("Pending(0)"), kServerWaitMs);
    QVERIFY(pending->showsEmptyRow());
    QCOMPARE(table->numberOfRows(0), 1);
    QCOMPARE(rowCell(table, 0)->emailLabel()->text(), QStringLiteral("No Pending Members"));
    QVERIFY(inviteesAsBob(*service, "g-admin").isEmpty());
    QCOMPARE(service->requests("DELETE", "/rooms/g-admin/invitees/"), 2);
}

void TestMembersLive::aReloadShowsNoRowOfTheEmptiedList() {
    invite("g-admin");
    auto* screen = membersOf("g-admin");
    OnScreen shown(screen, 1);
    screen->swipeViewController()->setSelectedIndex(1);
    PLPendingMembersViewController* pending = screen->pendingMembersViewController();
    QTRY_COMPARE_WITH_TIMEOUT(pending->pendingMembersTableView()->numberOfRows(0), 2, kServerWaitMs);
    service->fixture.server().addFault({"/rooms/g-admin/invitees$", "GET", 1, FaultInjector::Mode::Hold});
    pending->configurePendingMembersAfterAddingAndRemovingMembers();
    // Emptied and shown so at once: the table holds no row of the list that is gone.
    QVERIFY(pending->pendingMembers().isEmpty());
    QCOMPARE(pending->pendingMembersTableView()->numberOfRows(0), 0);
    QVERIFY(pending->pendingMembersTableView()->visibleCells().isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(service->fixture.server().heldCount(), 1, kServerWaitMs);
    service->fixture.server().releaseHeld();
    QTRY_COMPARE_WITH_TIMEOUT(pending->pendingMembersTableView()->numberOfRows(0), 2, kServerWaitMs);
}

void TestMembersLive::invitePhoneInviteeAgainBySms() {
    invite("g-admin");
    auto services = std::make_unique<platform::ui::RecordingSystemServices>();
    auto* recorder = services.get();
    platform::ui::SystemServices::setCurrent(std::move(services));
    auto* screen = membersOf("g-admin");
    OnScreen shown(screen, 1);
    screen->swipeViewController()->setSelectedIndex(1);
    PLPendingMembersViewController* pending = screen->pendingMembersViewController();
    QTRY_COMPARE_WITH_TIMEOUT(pending->pendingMembersTableView()->numberOfRows(0), 2, kServerWaitMs);
    PLMembersTableViewCell* phone = rowCell(pending->pendingMembersTableView(), 1);
    QCOMPARE(phone->inviteButton()->titleForState(platform::ui::Button::State::Normal),
             QStringLiteral("Invite"));
    phone->inviteButton()->click();
    QCOMPARE(recorder->texts.size(), 1);
    QCOMPARE(recorder->texts.first().recipients, QStringList{"+15550100"});
    QVERIFY(recorder->texts.first().body.startsWith("I'm using Pelnix and you should too."));
    recorder->textAvailable = false;
    phone->inviteButton()->click();
    QCOMPARE(shown.alertText(), QStringLiteral("Failed | Can't send SMS"));
    QCOMPARE(recorder->texts.size(), 1);
}

void TestMembersLive::handTheAdminRoleOver() {
    auto* select = new PLSelectAdminViewController;
    select->setCurrentRoom(ChatRoom::chatRoomWithID("g-admin"));
    OnScreen shown(select, 1);
    QCOMPARE(select->contactsSectionTitles(), (QStringList{"B", "C"}));
    QVERIFY(!shown.alert());
    select->didSelectRowAtIndexPath(select->adminSelectionTableView(), {0, 0});
    auto* confirmation = qobject_cast<PLMakeAdminViewController*>(select->presentedViewController());
    QVERIFY(confirmation);
    QCOMPARE(confirmation->confirmationTextLabel()->text(),
             QStringLiteral("All your admin rights will now be transferred to Bob"));
    confirmation->confirmButton()->click();
    QVERIFY(PLActivityIndicatorView::isVisible());
    // Back where the change began.
    QTRY_COMPARE_WITH_TIMEOUT(shown.nav->viewControllers().size(), 1, kServerWaitMs);
    QVERIFY(!shown.nav->presentedViewController());
    QCOMPARE(service->requests("POST", "/rooms/g-admin/changeadmin"), 1);
    const auto room = ChatRoom::chatRoomWithID("g-admin");
    QCOMPARE(room->adminUserID(), 42);
    QVERIFY(!room->isCurrentUserAdmin());
    QTRY_COMPARE_WITH_TIMEOUT(bob->events("adminchanged", "g-admin").size(), 1, kServerWaitMs);
    QCOMPARE(bob->events("adminchanged", "g-admin").first().value("replacements").toMap().value("target"),
             QVariant("42"));
    const QVariantMap event = service->analytics.last("Change Admin");
    QCOMPARE(event.value("success"), QVariant(true));
    QCOMPARE(event.value("IsAdmin"), QVariant(false));
    QCOMPARE(event.value("details of otherUsers"), QVariant("bob@acme.test"));
    QCOMPARE(event.value("Group"), QVariant("Ops"));
}

void TestMembersLive::aRefusedTransferKeepsTheConfirmation() {
    service->fixture.server().addFault(
        {"/rooms/g-admin/changeadmin", "POST", 1, FaultInjector::Mode::ErrorEnvelope});
    auto* select = new PLSelectAdminViewController;
    select->setCurrentRoom(ChatRoom::chatRoomWithID("g-admin"));
    OnScreen shown(select, 1);
    select->didSelectRowAtIndexPath(select->adminSelectionTableView(), {1, 0});
    auto* confirmation = qobject_cast<PLMakeAdminViewController*>(select->presentedViewController());
    QVERIFY(confirmation);
    QCOMPARE(confirmation->selectedMember()->user()->profileName(), QStringLiteral("Carla"));
    confirmation->confirmButton()->click();
    QTRY_COMPARE_WITH_TIMEOUT(shown.alertText(), QStringLiteral("Failed | Couldn't change admin"),
                              kServerWaitMs);
    QCOMPARE(select->presentedViewController(), confirmation);
    QCOMPARE(shown.nav->topViewController(), select);
    QVERIFY(ChatRoom::chatRoomWithID("g-admin")->isCurrentUserAdmin());
    QCOMPARE(service->analytics.last("Change Admin").value("success"), QVariant(false));
    // Closing leaves the list as it was.
    confirmation->closeButton()->click();
    QTRY_VERIFY_WITH_TIMEOUT(!select->presentedViewController(), kServerWaitMs);
    QCOMPARE(select->contactsSectionTitles(), (QStringList{"B", "C"}));
}

void TestMembersLive::addMembersTakesTheKeys_data() {
    addPressingKeys({"Add Members"});
}

// Tab reaches the blue Add Members under the lists; Space, Return and the keypad's Enter press it,
// opening the picker once for a key held down too.
void TestMembersLive::addMembersTakesTheKeys() {
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(int, repeats);
    auto* screen = membersOf("g-pair");
    OnScreen shown(screen, 1);
    QVERIFY(QTest::qWaitForWindowActive(&shown.window));
    QTRY_VERIFY_WITH_TIMEOUT(screen->pendingMembersViewController()->isPendingMembersLoaded(), kServerWaitMs);
    QTRY_VERIFY(!PLActivityIndicatorView::isVisible());
    platform::ui::Button* add = screen->addMoreMembersButton();
    QSignalSpy pressed(add, &platform::ui::Button::clicked);
    QWindow* keys = shown.window.windowHandle();
    QVERIFY(tabTo(keys, add));
    pressKey(keys, Qt::Key(key), modifiers, repeats);
    QCOMPARE(pressed.size(), 1);
    QVERIFY(FakeContactPicker::last());
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestMembersLive t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_memberslive.moc"
