// Public rooms and the member refresh against the stand-in service.
#include "CoreFixture.h"
#include "RoomModelTestKit.h"
#include "core/api/PLAppConfigurations.h"
#include "core/model/PLPublicRoom.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QSignalSpy>

using namespace pelnix;
using namespace pelnix::test;

namespace {

struct Outcome {
    bool called = false;
    bool success = false;
    QString message;
    QList<std::shared_ptr<PLPublicRoom>> rooms;
};

} // namespace

class TestPublicRooms : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void listMarksOnlyActiveLocalRoomsJoined_data();
    void listMarksOnlyActiveLocalRoomsJoined();
    void listRefusalsAndOddReplies();
    void joinInvitesAndFetchesTheRoom();
    void joinRefusals();
    void memberRefresh();

private:
    Outcome list();
    int requestsTo(const std::string& pathPart) const;

    std::unique_ptr<CoreFixture> fixture;
    std::unique_ptr<RoomModelWorld> world;
};

void TestPublicRooms::init() {
    fixture = std::make_unique<CoreFixture>();
    fixture->server().seed(QJsonObject{
        {"users",
         QJsonArray{QJsonObject{{"id", 42}, {"email", "bob@acme.test"}, {"name", "Bob"}, {"token", "b"}}}},
        {"rooms",
         QJsonArray{
             QJsonObject{{"_id", "g1"}, {"name", "Group"}, {"members", QJsonArray{41, 42}}},
             QJsonObject{{"_id", "p1"}, {"name", "Open"}, {"members", QJsonArray{42}}, {"public", true}},
             QJsonObject{
                 {"_id", "p2"}, {"name", "Also open"}, {"members", QJsonArray{41, 42}}, {"public", true}}}}});
    world = std::make_unique<RoomModelWorld>();
    // The account of the fixture's user.
    User::PS_findFirstByAttribute("userID", kMe)->setUserID(qint32(fixture->userID()));
    PLPersistence::PS_defaultContext()->save();
    auto& services = RoomModelServices::shared();
    services.roomsURL = [] { return PLAppConfigurations::currentConfiguration()->roomsURL(); };
}

void TestPublicRooms::cleanup() {
    world.reset();
    fixture.reset();
}

Outcome TestPublicRooms::list() {
    Outcome outcome;
    bool started = PLPublicRoom::getPublicRoomsWithCompletionHandler(
        [&](bool success, const PLOptionalError&, const QString& message,
            const QList<std::shared_ptr<PLPublicRoom>>& rooms) {
            outcome = {true, success, message, rooms};
        });
    if (started)
        (void)QTest::qWaitFor([&] { return outcome.called; }, 10000);
    return outcome;
}

int TestPublicRooms::requestsTo(const std::string& pathPart) const {
    int count = 0;
    for (const auto& r : fixture->server().requestLog())
        if (r.server == "api" && r.path.find(pathPart) != std::string::npos)
            ++count;
    return count;
}

void TestPublicRooms::listMarksOnlyActiveLocalRoomsJoined_data() {
    QTest::addColumn<int>("localStatus"); // -1: not stored
    QTest::addColumn<bool>("joined");
    QTest::newRow("not stored") << -1 << false;
    QTest::newRow("active") << 0 << true;
    QTest::newRow("left") << 1 << false;
    QTest::newRow("removed") << 2 << false;
    QTest::newRow("deleted") << 3 << false;
}

void TestPublicRooms::listMarksOnlyActiveLocalRoomsJoined() {
    QFETCH(int, localStatus);
    QFETCH(bool, joined);
    if (localStatus >= 0)
        world->room("p2", qint16(localStatus));
    Outcome outcome = list();
    QVERIFY(outcome.success);
    QCOMPARE(outcome.rooms.size(), 2);
    QCOMPARE(outcome.rooms[0]->roomId(), QString("p1"));
    QCOMPARE(outcome.rooms[1]->name(), QString("Also open"));
    QVERIFY(outcome.rooms[1]->membersUrl().endsWith("/rooms/p2/members"));
    QCOMPARE(outcome.rooms[1]->roomURL(), outcome.rooms[1]->membersUrl().chopped(8));
    QVERIFY(!outcome.rooms[0]->isuserJoined());
    QCOMPARE(outcome.rooms[1]->isuserJoined(), joined);
}

void TestPublicRooms::listRefusalsAndOddReplies() {
    standin::StandinServer::Fault refusal;
    refusal.pathPattern = "publicrooms";
    refusal.mode = standin::StandinServer::FaultMode::ErrorEnvelope;
    refusal.statusCode = 200;
    refusal.reason = "Not today";
    fixture->server().addFault(refusal);
    Outcome outcome = list();
    QVERIFY(outcome.called && !outcome.success);
    QCOMPARE(outcome.message, QString("Not today"));
    QVERIFY(outcome.rooms.isEmpty());

    standin::StandinServer::Fault broken;
    broken.pathPattern = "publicrooms";
    fixture->server().addFault(broken);
    outcome = list();
    QVERIFY(outcome.called && !outcome.success);
    QCOMPARE(outcome.message, QString());
}

void TestPublicRooms::joinInvitesAndFetchesTheRoom() {
    QStringList fetched;
    RoomModelServices::shared().fetchRoom = [&](const QString& url, PLResultHandler completion) {
        fetched << url;
        completion(true, std::nullopt, {});
        return true;
    };
    auto rooms = list().rooms;
    auto open = rooms.value(0);
    QVERIFY(open && !open->isuserJoined());
    Outcome outcome;
    QVERIFY(open->joinGroupWithCompletionHandler(
        [&](bool success, const PLOptionalError&, const QString& message) {
            outcome.called = true;
            outcome.success = success;
            outcome.message = message;
        }));
    QTRY_VERIFY_WITH_TIMEOUT(outcome.called, 10000);
    QVERIFY(outcome.success);
    QCOMPARE(fetched, QStringList{open->roomURL()});
    auto invite = fixture->lastRequest("/rooms/p1/members");
    QCOMPARE(invite.method, std::string("POST"));
    QVERIFY(decodeForm(invite.body).contains({"members", QString::number(fixture->userID())}));
}

void TestPublicRooms::joinRefusals() {
    auto rooms = list().rooms;
    QCOMPARE(rooms.size(), 2);
    const int before = requestsTo("/members");

    // Already joined, or nobody signed in: nothing is sent.
    rooms[1]->setIsuserJoined(true);
    QVERIFY(!rooms[1]->joinGroupWithCompletionHandler({}));
    RoomModelServices::shared().currentUserID = [] { return 0; };
    QVERIFY(!rooms[0]->joinGroupWithCompletionHandler({}));
    QCOMPARE(requestsTo("/members"), before);
    RoomModelServices::reset();

    // The server refuses (here: already a member), or the room cannot be fetched: one fixed text.
    for (auto room : {rooms[1], rooms[0]}) {
        room->setIsuserJoined(false);
        Outcome outcome;
        QVERIFY(room->joinGroupWithCompletionHandler(
            [&](bool success, const PLOptionalError& error, const QString& message) {
                outcome.called = true;
                outcome.success = success || error.has_value();
                outcome.message = message;
            }));
        QTRY_VERIFY_WITH_TIMEOUT(outcome.called, 10000);
        QVERIFY(!outcome.success);
        QCOMPARE(outcome.message, QString("Failed to fetch Room info."));
    }
}

void TestPublicRooms::memberRefresh() {
    QList<int> queued;
    RoomModelServices::shared().addToDataProcessingQueue = [&](std::function<void()> block) {
        queued << 1;
        world->onQueue(std::move(block));
    };
    auto room = world->room("g1");
    world->user(42, "");
    auto bob = RoomMember::findOrCreate(room, 42);
    auto stranger = RoomMember::findOrCreate(room, 77);
    room->save();

    bob->update();
    QTRY_VERIFY_WITH_TIMEOUT(queued.size() == 1, 10000);
    QCOMPARE(requestsTo("/rooms/g1/members/42"), 1);
    QCOMPARE(fixture->lastRequest("/rooms/g1/members/42").method, std::string("GET"));

    // A refusal (not a member there) is not applied.
    stranger->update();
    QTRY_COMPARE_WITH_TIMEOUT(requestsTo("/rooms/g1/members/77"), 1, 10000);
    auto marker = std::make_shared<bool>(false);
    platform::runOnMain([marker] { *marker = true; });
    QTRY_VERIFY(*marker);
    QCOMPARE(queued.size(), 1);
}

int main(int argc, char** argv) {
    prepareTestEnvironment();
    QCoreApplication app(argc, argv);
    TestPublicRooms test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_public_rooms.moc"
