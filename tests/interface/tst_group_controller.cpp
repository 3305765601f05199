// The group controller's and creator's checks, in their order, against rooms in the store: each
// refusal comes at once with its code and nothing reaches the server.
#include "FacadeTestKit.h"
#include "core/model/ChatRoom.h"
#include "core/model/PLModelManager.h"
#include "core/model/RoomMember.h"
#include "core/model/User.h"
#include "core/session/PelnixInfo.h"
#include "core/session/PelnixStateManager.h"
#include "foundation/PLStoredModel.h"
#include "interface/Pelnix.h"
#include "interface/PelnixGroupController.h"
#include "interface/PelnixGroupCreator.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

using namespace pelnix;
using namespace pelnix::test;

namespace {

// A set-up session of the fixture's user (41, "Ann") with three rooms: "mine" (Ann is admin, with
// bob and Cy), "theirs" (bob is admin, with Ann; profiles hidden) and "outside" (Ann not in it).
struct GroupWorld {
    CoreFixture fixture;
    GroupWorld() {
        signIn(fixture);
        completeSetUp();
        ChatRoom::updateChatRoomsWithArray(QJsonDocument::fromJson(R"([
            {"_id":"mine","name":"Mine","type":"2","members":[{"userId":"41","isCreator":1,"user":{"name":"Ann"}},
                {"userId":8,"user":{"name":"bob"}},{"userId":9,"user":{"name":"Cy"}}]},
            {"_id":"theirs","name":"Theirs","type":"2","hideMemberProfile":true,
                "members":[{"userId":8,"isCreator":1},{"userId":"41"}]},
            {"_id":"outside","name":"Outside","type":"2","members":[{"userId":8,"isCreator":1}]}])")
                                               .array()
                                               .toVariantList());
    }
};

std::optional<PelnixGroup> group(const QString& id) {
    return PelnixGroup{QStringLiteral("n"), id, 0};
}

} // namespace

class TestGroupController : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { endSession(); }

    void groupCheckComesFirst();
    void membersAdditionChecksInOrder_data();
    void membersAdditionChecksInOrder();
    void contactsWithEmailAndPhoneAreInvitedTwice();
    void activeMembersAndAdmin();
    void pendingMembersFromServerEntries();
    void messageValidity_data();
    void messageValidity();
    void creatorChecksInOrder_data();
    void creatorChecksInOrder();
};

void TestGroupController::groupCheckComesFirst() {
    GroupWorld world;
    PelnixStateManager::sharedStateManagerInstance()->setIsInitialSetUpDone(false);
    PLOptionalError error;
    QVERIFY(!PelnixGroupController::getActiveMembersOfGroup(group("mine"), &error));
    QCOMPARE(code(error), -1009);
    QCOMPARE(error->localizedDescription, QStringLiteral("InitWithCompletionHandler method is not called"));

    PelnixStateManager::sharedStateManagerInstance()->setIsInitialSetUpDone(true);
    for (const auto& g : {std::optional<PelnixGroup>(), group("unknown")}) {
        error.reset();
        QVERIFY(!PelnixGroupController::getAdminOfGroup(g, &error));
        QCOMPARE(code(error), -1004);
        QCOMPARE(error->localizedDescription, QStringLiteral("Invalid PelnixGroup."));
    }
    // Without an out-parameter the answer alone tells.
    QVERIFY(!PelnixGroupController::getAdminOfGroup(group("unknown")));
}

void TestGroupController::membersAdditionChecksInOrder_data() {
    QTest::addColumn<QString>("room");
    QTest::addColumn<QVariantList>("members");
    QTest::addColumn<qint64>("expected");
    const QVariantList junk{QVariant(42)};
    QTest::newRow("not admin, before the members") << "theirs" << junk << qint64(-1005);
    QTest::newRow("no members") << "mine" << QVariantList() << qint64(-1002);
    QTest::newRow("not a contact") << "mine" << QVariantList{contact("Di", "di@x.test"), QVariant("x")}
                                   << qint64(-1003);
    QTest::newRow("contacts") << "mine" << QVariantList{contact("Di", "di@x.test")} << qint64(0);
}

void TestGroupController::membersAdditionChecksInOrder() {
    QFETCH(QString, room);
    QFETCH(QVariantList, members);
    QFETCH(qint64, expected);
    GroupWorld world;
    PLOptionalError error;
    QCOMPARE(PelnixGroupController::checkIfThereIsErrorInMembersAddition(members, group(room), &error),
             expected != 0);
    QCOMPARE(code(error), expected);
}

void TestGroupController::contactsWithEmailAndPhoneAreInvitedTwice() {
    const QVariantList in{contact("Di", "di@x.test", "+1555"), contact("Ed", "ed@x.test"), QVariant(7)};
    const QVariantList out = PelnixGroupController::getSegregatedMembersToBeAdded(in);
    QCOMPARE(out.size(), 4);
    auto at = [&out](int i) { return out.at(i).value<PLPelnixContact>(); };
    QCOMPARE(at(0).email, QStringLiteral("di@x.test"));
    QVERIFY(at(0).phone.isEmpty());
    QCOMPARE(at(1).phone, QStringLiteral("+1555"));
    QVERIFY(at(1).email.isEmpty());
    QCOMPARE(at(1).profileName, QStringLiteral("Di"));
    QCOMPARE(at(2).email, QStringLiteral("ed@x.test"));
    QCOMPARE(out.at(3), QVariant(7));
}

void TestGroupController::activeMembersAndAdmin() {
    GroupWorld world;
    const auto members = PelnixGroupController::getActiveMembersOfGroup(group("mine"));
    QVERIFY(members);
    QStringList names;
    for (const auto& m : *members)
        names << m.memberName + "/" + m.memberID;
    QCOMPARE(names, (QStringList{"Ann/41", "bob/8", "Cy/9"})); // by name, whatever the case

    PLOptionalError error;
    QVERIFY(!PelnixGroupController::getActiveMembersOfGroup(group("theirs"), &error));
    QCOMPARE(error->localizedDescription, QStringLiteral("Admin has hidden member info."));
    QCOMPARE(code(error), -1006);
    error.reset();
    QVERIFY(!PelnixGroupController::getActiveMembersOfGroup(group("outside"), &error));
    QCOMPARE(error->localizedDescription, QStringLiteral("You are not a member of the group"));

    const auto admin = PelnixGroupController::getAdminOfGroup(group("theirs"));
    QVERIFY(admin);
    QCOMPARE(admin->memberID, QStringLiteral("8"));
    QCOMPARE(admin->pelnixGroupID, QStringLiteral("theirs"));
    error.reset();
    QVERIFY(!PelnixGroupController::getAdminOfGroup(group("outside"), &error));
    QCOMPARE(code(error), -1006);

    // A member resolves to the store's membership only in a room they belong to.
    const auto bob = PelnixGroupMember{QStringLiteral("bob"), QStringLiteral("8"), QStringLiteral("mine")};
    QVERIFY(PelnixGroupController::roomMemberFromGroupMember(bob, ChatRoom::chatRoomWithID("mine")));
    const auto cy = PelnixGroupMember{QStringLiteral("Cy"), QStringLiteral("9"), QStringLiteral("theirs")};
    QVERIFY(!PelnixGroupController::roomMemberFromGroupMember(cy, ChatRoom::chatRoomWithID("theirs")));
    QVERIFY(!PelnixGroupMember::memberWithID(QStringLiteral("9"), QStringLiteral("theirs")));
}

void TestGroupController::pendingMembersFromServerEntries() {
    const QVariantList entries{QVariantMap{{"name", "Di"}, {"id", "i1"}, {"type", "email"}}, QVariant("junk"),
                               QVariantMap{{"name", "Ed"}}};
    const auto pending = PelnixGroupPendingMember::getPelnixGroupPendingMembersFrom(entries);
    QCOMPARE(pending.size(), 2);
    QCOMPARE(pending[0].pendingMemberID, QStringLiteral("i1"));
    QCOMPARE(pending[0].pendingMemberType, QStringLiteral("email"));
    QCOMPARE(pending[1].pendingMemberName, QStringLiteral("Ed"));
    // An entry without an ID cannot be withdrawn later: its ID stays null.
    QVERIFY(pending[1].pendingMemberID.isNull());
    QVERIFY(PelnixGroupPendingMember::getPelnixGroupPendingMembersFrom({}).isEmpty());
}

void TestGroupController::messageValidity_data() {
    QTest::addColumn<QVariant>("message");
    QTest::addColumn<bool>("valid");
    QTest::newRow("text") << QVariant("hello") << true;
    QTest::newRow("leading blanks") << QVariant("  hi") << true;
    QTest::newRow("blanks and newlines") << QVariant(" \n\t \r\n") << false;
    QTest::newRow("empty") << QVariant("") << false;
    QTest::newRow("not text") << QVariant(12) << false;
}

void TestGroupController::messageValidity() {
    QFETCH(QVariant, message);
    QFETCH(bool, valid);
    QCOMPARE(PelnixGroupController::isValidMessage(message), valid);
}

void TestGroupController::creatorChecksInOrder_data() {
    QTest::addColumn<bool>("setUp");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QVariantList>("members");
    QTest::addColumn<qint64>("expected");
    const QVariantList one{contact("Di", "di@x.test")};
    QTest::newRow("before start-up") << false << "" << QVariantList() << qint64(-1009);
    QTest::newRow("no name, no members") << true << "" << QVariantList() << qint64(-1000);
    QTest::newRow("21 characters") << true << QString(21, 'a') << one << qint64(-1001);
    QTest::newRow("20 characters") << true << QString(20, 'a') << one << qint64(0);
    QTest::newRow("no members") << true << "Ops" << QVariantList() << qint64(-1002);
    QTest::newRow("not a contact") << true << "Ops" << QVariantList{one.first(), QVariant("x")}
                                   << qint64(-1003);
}

void TestGroupController::creatorChecksInOrder() {
    QFETCH(bool, setUp);
    QFETCH(QString, name);
    QFETCH(QVariantList, members);
    QFETCH(qint64, expected);
    GroupWorld world;
    PelnixStateManager::sharedStateManagerInstance()->setIsInitialSetUpDone(setUp);
    PelnixGroupCreator creator;
    creator.setGroupName(name);
    creator.setGroupMembers(members);
    PLOptionalError error;
    QCOMPARE(creator.checkIfThereisErrorInGroupCreation(&error), expected != 0);
    QCOMPARE(code(error), expected);
}

QTEST_MAIN(TestGroupController)
#include "tst_group_controller.moc"
