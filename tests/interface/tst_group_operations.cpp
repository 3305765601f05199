// Creating and administering groups through the facade against the stand-in: what reaches the
// server, in which requests, and what the host hears back.
#include "FacadeTestKit.h"
#include "core/model/ChatRoom.h"
#include "core/model/CurrentUserInfo.h"
#include "core/model/PLModelManager.h"
#include "core/model/RoomMember.h"
#include "core/model/User.h"
#include "core/session/PelnixInfo.h"
#include "core/session/PelnixStateManager.h"
#include "foundation/DocumentSaver.h"
#include "foundation/StandardFolders.h"
#include "foundation/persistence/PLPersistence.h"
#include "interface/Pelnix.h"
#include "interface/PelnixGroupController.h"
#include "interface/PelnixGroupCreator.h"

#include <QDir>
#include <QJsonArray>
#include <QTest>

using namespace pelnix;
using namespace pelnix::test;

namespace {

int requestsTo(CoreFixture& world, const std::string& method, const std::string& pathPart) {
    int count = 0;
    for (const auto& r : world.server().requestLog())
        if (r.server == "api" && r.method == method && r.path.find(pathPart) != std::string::npos)
            ++count;
    return count;
}

// The fixture's user signed in and set up, with a second user, Bob (42), in the organisation.
struct OperationsWorld {
    CoreFixture fixture;
    OperationsWorld() {
        fixture.server().seed(QJsonObject{
            {"org", "acme"},
            {"users", QJsonArray{QJsonObject{
                          {"id", 42}, {"email", "bob@acme.test"}, {"name", "Bob"}, {"token", "b0b"}}}}});
        signIn(fixture);
        completeSetUp();
    }
    PelnixGroup create(const QString& name) {
        PelnixGroupCreator creator;
        creator.setGroupName(name);
        creator.setGroupMembers({contact("Bob", "bob@acme.test")});
        std::optional<PelnixGroup> made;
        int calls = 0;
        creator.createGroupWithCompletionHandler([&](bool success, const PLOptionalError&, const QString&,
                                                     const std::optional<PelnixGroup>& group) {
            ++calls;
            if (success)
                made = group;
        });
        [&] { QTRY_COMPARE(calls, 1); }();
        return made.value_or(PelnixGroup{});
    }
};

} // namespace

class TestGroupOperations : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { endSession(); }

    void createdGroupsAndRefusalsSendNothing();
    void administerAGroup();
    void exitClosesOrLeaves();
};

void TestGroupOperations::createdGroupsAndRefusalsSendNothing() {
    OperationsWorld world;
    const PelnixGroup first = world.create(QStringLiteral("Ops"));
    QVERIFY(!first.groupID.isEmpty());
    QCOMPARE(first.name, QStringLiteral("Ops"));
    QCOMPARE(first.groupType, 0);
    const PelnixGroup second = world.create(QStringLiteral("Ops"));
    QVERIFY(second.groupID != first.groupID);

    // Offline: refused at once, nothing sent.
    world.fixture.setOnline(false);
    world.fixture.server().clearRequestLog();
    PelnixGroupCreator creator;
    creator.setGroupName(QStringLiteral("Ops"));
    creator.setGroupMembers({contact("Bob", "bob@acme.test")});
    qint64 code = 0;
    creator.createGroupWithCompletionHandler(
        [&](bool, const PLOptionalError& error, const QString&, const std::optional<PelnixGroup>&) {
            code = error ? error->code : 0;
        });
    QCOMPARE(code, -1010);
    Outcome add;
    PelnixGroupController::addMembers({contact("Di", "di@x.test")}, first, add.handler());
    QCOMPARE(add.calls, 1);
    QCOMPARE(add.error->code, -1010);
    QCOMPARE(add.error->localizedDescription, QStringLiteral("Please check your network connection"));
    PLOptionalError postError;
    QVERIFY(!PelnixGroupController::postMesage(QStringLiteral("hi"), first, &postError));
    QCOMPARE(postError->code, -1010);
    QVERIFY(world.fixture.server().requestLog().empty());
}

void TestGroupOperations::administerAGroup() {
    OperationsWorld world;
    const PelnixGroup group = world.create(QStringLiteral("Ops"));

    // A contact with both an e-mail and a phone is invited by each.
    world.fixture.server().clearRequestLog();
    Outcome add;
    PelnixGroupController::addMembers({contact("Di", "di@x.test", "+15550100")}, group, add.handler());
    QTRY_COMPARE(add.calls, 1);
    QVERIFY2(add.success, qPrintable(add.message));
    const auto invite = world.fixture.lastRequest("/members");
    const QByteArray body = QByteArray::fromStdString(invite.body + invite.query);
    QVERIFY(body.contains("di%40x.test") || body.contains("di@x.test"));
    QVERIFY(body.contains("15550100"));
    QCOMPARE(requestsTo(world.fixture, "POST", "/members"), 1);

    int pendingCalls = 0;
    QList<PelnixGroupPendingMember> pending;
    PelnixGroupController::getPendingMembersOfGroup(group, [&](bool, const PLOptionalError&, const QString&,
                                                               const QList<PelnixGroupPendingMember>& list) {
        ++pendingCalls;
        pending = list;
    });
    QTRY_COMPARE(pendingCalls, 1);
    QVERIFY(!pending.isEmpty());

    // A post goes out once, as given.
    PLOptionalError error;
    QVERIFY(!PelnixGroupController::postMesage(QStringLiteral(" \n "), group, &error));
    QCOMPARE(error->code, -1008);
    QVERIFY(PelnixGroupController::postMesage(QStringLiteral("  hello"), group));
    auto postsOfHello = [&] {
        int count = 0;
        for (const auto& m : world.fixture.server().storedMessages(group.groupID.toStdString()))
            count += m.toObject().value("text").toString() == QStringLiteral("  hello");
        return count;
    };
    QTRY_COMPARE(postsOfHello(), 1);

    // Bob becomes the admin; then Ann may no longer change it.
    const auto bob = PelnixGroupMember::memberWithID(QStringLiteral("42"), group.groupID);
    QVERIFY(bob);
    Outcome change;
    PelnixGroupController::changeAdminOfGroup(group, *bob, change.handler());
    QTRY_COMPARE(change.calls, 1);
    QVERIFY2(change.success, qPrintable(change.message));
    QTRY_COMPARE(ChatRoom::chatRoomWithID(group.groupID)->adminUserID(), 42);
    Outcome again;
    PelnixGroupController::changeAdminOfGroup(group, *bob, again.handler());
    QCOMPARE(again.error->code, -1005);

    // No longer the admin, Ann leaves rather than closes.
    Outcome leave;
    PelnixGroupController::exitGroup(group, leave.handler());
    QTRY_COMPARE(leave.calls, 1);
    QVERIFY2(leave.success, qPrintable(leave.message));
    QCOMPARE(requestsTo(world.fixture, "DELETE", "/members/" + std::to_string(world.fixture.userID())), 1);
    QCOMPARE(requestsTo(world.fixture, "DELETE", "/rooms/" + group.groupID.toStdString()), 1);
}

void TestGroupOperations::exitClosesOrLeaves() {
    OperationsWorld world;
    const PelnixGroup closed = world.create(QStringLiteral("Closed"));
    const QString folder = DocumentSaver::createDirectoryWithName(closed.groupID);
    QVERIFY(QDir(folder).exists());

    world.fixture.setOnline(false);
    Outcome offline;
    PelnixGroupController::exitGroup(closed, offline.handler());
    QCOMPARE(offline.error->code, -1010);
    QVERIFY(QDir(folder).exists());

    // A refusal by the server keeps the room's media.
    world.fixture.setOnline(true);
    world.fixture.server().addFault(
        {"rooms/" + closed.groupID.toStdString(), "DELETE", 1, standin::FaultInjector::Mode::ErrorEnvelope});
    Outcome refused;
    PelnixGroupController::exitGroup(closed, refused.handler());
    QTRY_COMPARE(refused.calls, 1);
    QVERIFY(!refused.success);
    QVERIFY(QDir(folder).exists());

    Outcome close;
    PelnixGroupController::exitGroup(closed, close.handler());
    QTRY_COMPARE(close.calls, 1);
    QVERIFY2(close.success, qPrintable(close.message));
    QVERIFY(!QDir(folder).exists());
    // The refused request and the accepted one.
    QCOMPARE(requestsTo(world.fixture, "DELETE", "/rooms/" + closed.groupID.toStdString()), 2);
}

QTEST_MAIN(TestGroupOperations)
#include "tst_group_operations.moc"
