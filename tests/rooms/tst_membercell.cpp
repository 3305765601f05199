// The member row of both member lists: its configuration by role and kind of invitee, its removal
// confirmation with the network checked before and after, and a row reused after the empty state.
#include "MembersTestKit.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "ui/rooms/PLMembersTableViewCell.h"

#include <QApplication>

using namespace pelnix;
using namespace pelnix::test;

namespace {
const QColor kYou(16, 112, 189);
const QColor kName(64, 64, 64);

std::shared_ptr<RoomMember> memberOf(qint32 userID) {
    return RoomMember::roomMemberWithRoom(ChatRoom::chatRoomWithID("g-team"), User::userWithIntID(userID));
}

PLMembersTableViewCell* makeCell(const QString& identifier, QWidget* parent) {
    auto* cell = new PLMembersTableViewCell(identifier, parent);
    cell->resize(320, int(PLMembersTableViewCell::kRowHeight));
    cell->show();
    return cell;
}
} // namespace

class TestMemberCell : public QObject {
    Q_OBJECT
private slots:
    void init() {
        store = std::make_unique<RoomsStore>();
        addGroup("g-team", "Team",
                 {kAnnPerson, {42, "Bob", "bob@acme.test"}, {43, "Carla", "carla@acme.test"}}, 42);
        window = std::make_unique<platform::ui::Window>();
        window->resize(320, 568);
        window->makeKeyAndVisible();
    }
    void cleanup() {
        window.reset();
        store.reset();
    }

    void activeRow_data();
    void activeRow();
    void pendingRow_data();
    void pendingRow();
    void emptyStateRowIsCentredAndReuseRestoresTheLayout();
    void removalAsksAndChecksTheNetworkBeforeAndAfter();
    void removalOfAMemberTheStoreDroppedCallsNobody();
    void anInviteesNumberShowsAsItsInvitationSendsIt();
    void theDelegateIsNotOwned();

private:
    std::unique_ptr<RoomsStore> store;
    std::unique_ptr<platform::ui::Window> window;
};

void TestMemberCell::activeRow_data() {
    QTest::addColumn<qint32>("member");
    QTest::addColumn<bool>("isAdmin");
    QTest::addColumn<bool>("isCurrentUser");
    QTest::addColumn<bool>("currentUserIsAdmin");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QColor>("colour");
    QTest::addColumn<bool>("badge");
    QTest::addColumn<bool>("removable");
    QTest::newRow("admin's own row") << kAnn << true << true << true << "You" << kYou << true << false;
    QTest::newRow("member seen by the admin")
        << 43 << false << false << true << "Carla" << kName << false << true;
    QTest::newRow("admin seen by a member")
        << 42 << true << false << false << "Bob" << kName << true << false;
    QTest::newRow("member's own row") << kAnn << false << true << false << "You" << kYou << false << false;
    QTest::newRow("member seen by a member")
        << 43 << false << false << false << "Carla" << kName << false << false;
}

void TestMemberCell::activeRow() {
    QFETCH(qint32, member);
    QFETCH(bool, isAdmin);
    QFETCH(bool, isCurrentUser);
    QFETCH(bool, currentUserIsAdmin);
    PLMembersTableViewCell* cell = makeCell(PLMembersTableViewCell::kActiveIdentifier, window.get());
    cell->configureCellWithMember(memberOf(member), isAdmin, isCurrentUser, currentUserIsAdmin);
    QTEST(cell->emailLabel()->text(), "text");
    QTEST(cell->emailLabel()->textColor(), "colour");
    QTEST(!cell->adminLabel()->isHidden(), "badge");
    QTEST(!cell->closeButton()->isHidden(), "removable");
    QVERIFY(cell->inviteButton()->isHidden());
    QVERIFY(cell->emailImageview()->isHidden());
    QCOMPARE(cell->member(), memberOf(member));
}

void TestMemberCell::pendingRow_data() {
    QTest::addColumn<QString>("type");
    QTest::addColumn<bool>("admin");
    QTest::addColumn<QString>("icon");
    QTest::addColumn<bool>("inviteShown");
    QTest::addColumn<QString>("inviteTitle");
    QTest::addColumn<bool>("inviteEnabled");
    QTest::addColumn<bool>("removable");
    QTest::newRow("e-mail invitee, admin")
        << "email" << true << "emailIcon" << true << "Invited" << false << true;
    QTest::newRow("phone invitee, admin")
        << "phone" << true << "phoneIcon" << true << "Invite" << true << true;
    QTest::newRow("e-mail invitee, member")
        << "email" << false << "emailIcon" << false << "" << true << false;
    QTest::newRow("phone invitee, member") << "phone" << false << "phoneIcon" << false << "" << true << false;
}

void TestMemberCell::pendingRow() {
    QFETCH(QString, type);
    QFETCH(bool, admin);
    QFETCH(bool, inviteShown);
    PLMembersTableViewCell* cell = makeCell(PLMembersTableViewCell::kPendingIdentifier, window.get());
    cell->configureCellWithName("dee@acme.test", type, admin);
    QCOMPARE(cell->emailLabel()->text(), QStringLiteral("dee@acme.test"));
    QTEST(cell->iconName(), "icon");
    QVERIFY(!cell->emailImageview()->isHidden());
    QCOMPARE(!cell->inviteButton()->isHidden(), inviteShown);
    if (inviteShown) {
        QTEST(cell->inviteButton()->titleForState(platform::ui::Button::State::Normal), "inviteTitle");
        QTEST(cell->inviteButton()->isEnabled(), "inviteEnabled");
    }
    QTEST(!cell->closeButton()->isHidden(), "removable");
    QVERIFY(cell->adminLabel()->isHidden());
    // A member's view of an invitee gives the text the buttons' room: up to the icon's width from the edge.
    const QRect label = cell->emailLabel()->geometry();
    const int right = cell->contentView()->width() - PLMembersTableViewCell::kIconSide;
    if (admin)
        QVERIFY(label.right() < cell->inviteButton()->geometry().left());
    else
        QCOMPARE(label.x() + label.width(), right);
}

void TestMemberCell::emptyStateRowIsCentredAndReuseRestoresTheLayout() {
    PLMembersTableViewCell* cell = makeCell(PLMembersTableViewCell::kPendingIdentifier, window.get());
    cell->configureCellWithName("dee@acme.test", "email", true);
    const QRect normal = cell->emailLabel()->geometry();
    cell->configureCellForEmptyPendingMembers();
    QCOMPARE(cell->emailLabel()->text(), QStringLiteral("No Pending Members"));
    QCOMPARE(cell->emailLabel()->geometry(), cell->contentView()->rect());
    QVERIFY(cell->emailLabel()->alignment() & Qt::AlignHCenter);
    QVERIFY(cell->inviteButton()->isHidden() && cell->closeButton()->isHidden() &&
            cell->emailImageview()->isHidden());
    // Reused for an invitee: the prototype's layout, not the centred one.
    cell->prepareForReuse();
    cell->configureCellWithName("+15550100", "phone", true);
    QCOMPARE(cell->emailLabel()->geometry(), normal);
    QVERIFY(cell->emailLabel()->alignment() & Qt::AlignLeft);
    QVERIFY(!cell->inviteButton()->isHidden() && !cell->closeButton()->isHidden());
}

void TestMemberCell::removalAsksAndChecksTheNetworkBeforeAndAfter() {
    RecordingMembersDelegate delegate;
    PLMembersTableViewCell* cell = makeCell(PLMembersTableViewCell::kActiveIdentifier, window.get());
    cell->setDelegate(&delegate);
    cell->configureCellWithMember(memberOf(43), false, false, true);
    const auto alerts = [this] { return window->alerts(); };

    // Offline at the tap: the network alert, no confirmation.
    store->fixture.setOnline(false);
    cell->closeButton()->click();
    QCOMPARE(alerts().size(), 1);
    QCOMPARE(alerts().last()->title(), QStringLiteral("Failed"));
    alerts().last()->tapButtonAtIndex(0);
    store->fixture.setOnline(true);

    // "No" does nothing.
    cell->closeButton()->click();
    AlertView* confirm = alerts().last();
    QCOMPARE(confirm->title(), QStringLiteral("Confirm"));
    QCOMPARE(confirm->message(), QStringLiteral("Do you want to delete Carla from this group?"));
    QCOMPARE(confirm->buttonTitleAtIndex(0), QStringLiteral("Yes"));
    QCOMPARE(confirm->cancelButtonIndex(), 1);
    confirm->tapButtonAtIndex(1);
    QVERIFY(delegate.calls.isEmpty());

    // "Yes" after the network went: the alert again, nothing removed.
    cell->closeButton()->click();
    confirm = alerts().last();
    store->fixture.setOnline(false);
    confirm->tapButtonAtIndex(0);
    QCOMPARE(alerts().last()->title(), QStringLiteral("Failed"));
    QVERIFY(delegate.calls.isEmpty());
    alerts().last()->tapButtonAtIndex(0);
    store->fixture.setOnline(true);

    cell->closeButton()->click();
    alerts().last()->tapButtonAtIndex(0);
    QCOMPARE(delegate.calls, QStringList{"remove Carla"});

    // An invitee's row withdraws by its text.
    cell->configureCellWithName("dee@acme.test", "email", true);
    cell->prepareForReuse();
    cell->configureCellWithName("dee@acme.test", "email", true);
    cell->closeButton()->click();
    alerts().last()->tapButtonAtIndex(0);
    QCOMPARE(delegate.calls.last(), QStringLiteral("withdraw dee@acme.test"));
    cell->configureCellWithName("+15550100", "phone", true);
    cell->inviteButton()->click();
    QCOMPARE(delegate.calls.last(), QStringLiteral("invite +15550100"));
}

// A directional control in an invitee's number neither shows nor reaches the text message; the
// withdrawal names the invitee as the server gave it.
void TestMemberCell::anInviteesNumberShowsAsItsInvitationSendsIt() {
    RecordingMembersDelegate delegate;
    PLMembersTableViewCell* cell = makeCell(PLMembersTableViewCell::kPendingIdentifier, window.get());
    cell->setDelegate(&delegate);
    const QString given = QStringLiteral("+1") + QChar(0x202E) + QStringLiteral("0010555");
    cell->configureCellWithName(given, "phone", true);
    QCOMPARE(cell->emailLabel()->text(), QStringLiteral("+10010555"));
    cell->inviteButton()->click();
    QCOMPARE(delegate.calls.last(), QStringLiteral("invite +10010555"));
    cell->closeButton()->click();
    QCOMPARE(window->alerts().last()->message(),
             QStringLiteral("Do you want to delete +10010555 from this group?"));
    window->alerts().last()->tapButtonAtIndex(0);
    QCOMPARE(delegate.calls.last(), QStringLiteral("withdraw ") + given);
}

void TestMemberCell::removalOfAMemberTheStoreDroppedCallsNobody() {
    RecordingMembersDelegate delegate;
    PLMembersTableViewCell* cell = makeCell(PLMembersTableViewCell::kActiveIdentifier, window.get());
    cell->setDelegate(&delegate);
    cell->configureCellWithMember(memberOf(43), false, false, true);
    ChatRoom::chatRoomWithID("g-team")->removeMember(memberOf(43));
    QVERIFY(!cell->member());
    cell->alertViewClickedButtonAtIndex(0);
    QVERIFY(delegate.calls.isEmpty());
}

void TestMemberCell::theDelegateIsNotOwned() {
    PLMembersTableViewCell* cell = makeCell(PLMembersTableViewCell::kActiveIdentifier, window.get());
    {
        RecordingMembersDelegate delegate;
        cell->setDelegate(&delegate);
        QCOMPARE(cell->delegate(), &delegate);
    }
    QVERIFY(!cell->delegate());
    cell->configureCellWithMember(memberOf(43), false, false, true);
    cell->alertViewClickedButtonAtIndex(0); // nobody to tell, nothing happens
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestMemberCell t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_membercell.moc"
