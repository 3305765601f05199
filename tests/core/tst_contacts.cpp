// Users and the contact list: the user JSON parser, lookups, contact changes from the event stream
// and the one full fetch of the organisation's contacts.
#include "CoreFixture.h"
#include "core/model/ChatRoom.h"
#include "core/model/CurrentUserInfo.h"
#include "core/model/PLModelManager.h"
#include "core/model/RoomMember.h"
#include "core/model/User.h"
#include "platform/NotificationCenter.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QTest>

using namespace pelnix;
using namespace pelnix::test;

namespace {

void signIn(CoreFixture& world) {
    PLModelManager::sharedModelManager()->initialize();
    CurrentUserInfo::initializeCurrentUserForSDKWithID(qint32(world.userID()), world.email(), world.token());
}

void seedColleagues(CoreFixture& world) {
    world.server().seed(QJsonObject{
        {"org", "acme"},
        {"users", QJsonArray{QJsonObject{{"id", 42}, {"email", "ben@acme.test"}, {"name", "Ben"}},
                             QJsonObject{{"id", 43}, {"email", "cid@acme.test"}, {"name", "Cid"}}}}});
}

int contactRequests(CoreFixture& world) {
    int count = 0;
    for (const auto& r : world.server().requestLog())
        count += r.server == "api" && r.path.find("/contacts") != std::string::npos;
    return count;
}

// Counts "ContactsFetchedNotification".
struct FetchedCounter {
    int count = 0;
    platform::NotificationCenter::Token token = platform::NotificationCenter::defaultCenter()->addObserver(
        PLContactsFetchedNotification, [this](const platform::Notification&) { ++count; });
    ~FetchedCounter() { platform::NotificationCenter::defaultCenter()->removeObserver(token); }
};

User::Ptr userWith(qint32 id, const QString& name, qint16 state, const QString& email = {}) {
    auto user = User::PS_createEntity();
    user->setUserID(id);
    user->setProfileName(name);
    user->setState(state);
    user->setEmail(email.isEmpty() ? name.toLower() + "@acme.test" : email);
    return user;
}

} // namespace

class TestContacts : public QObject {
    Q_OBJECT
private slots:
    void cleanup() {
        PLPersistence::cleanUp();
        PLModelManager::destroySharedInstance();
    }

    void userJsonParser_data();
    void userJsonParser();
    void lookupsAndActiveUsers();
    void contactChangesAndRemoval();
    void listIsFetchedOncePerStore();
    void failedFetchIsReportedAndTriedAgain();
};

void TestContacts::userJsonParser_data() {
    QTest::addColumn<QVariantMap>("json");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("email");
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("letter");
    QTest::addColumn<QString>("image");
    QTest::newRow("fallback keys") << QVariantMap{{"name", ""},
                                                  {"username", "ann"},
                                                  {"email", ""},
                                                  {"useremail", "ann@acme.test"},
                                                  {"id", 7}}
                                   << "ann"
                                   << "ann@acme.test" << 7 << "A" << QString();
    QTest::newRow("first non-zero ID, decoded picture")
        << QVariantMap{{"userId", 0},
                       {"id", 0},
                       {"userid", 9},
                       {"imageUrl", "https%3A%2F%2Fpics.test%2Fa%20b.png"}}
        << QString() << QString() << 9 << "#"
        << "https://pics.test/a b.png";
    QTest::newRow("letter from the e-mail")
        << QVariantMap{{"email", "zoe@acme.test"}} << QString() << "zoe@acme.test" << 0 << "Z" << QString();
}

void TestContacts::userJsonParser() {
    QFETCH(QVariantMap, json);
    QFETCH(QString, name);
    QFETCH(QString, email);
    QFETCH(int, id);
    QFETCH(QString, letter);
    QFETCH(QString, image);
    CoreFixture world;
    PLModelManager::sharedModelManager()->initialize();
    auto user = User::PS_createEntity();
    user->updateWithDictionary(json);
    QCOMPARE(user->profileName(), name);
    QCOMPARE(user->email(), email);
    QCOMPARE(user->userID(), id);
    QCOMPARE(user->groupLetter(), letter);
    QCOMPARE(user->imageUrl(), image);
    QCOMPARE(user->state(), 0);
}

void TestContacts::lookupsAndActiveUsers() {
    CoreFixture world;
    PLModelManager::sharedModelManager()->initialize();
    const auto unknown = userWith(-1, "Nobody", 0);
    userWith(5, "Eve", 1);
    userWith(3, "Dan", 1);
    userWith(4, "Gus", 2);       // removed
    userWith(-7, "Negative", 1); // never listed
    userWith(6, "Fay", 1, "fay@acme.test");

    QCOMPARE(User::userWithID("0"), unknown);
    QCOMPARE(User::userWithID("abc"), unknown);
    QCOMPARE(User::userWithID("5")->profileName(), QString("Eve"));
    QCOMPARE(User::userWithID(3)->profileName(), QString("Dan"));
    QVERIFY(!User::userWithIntID(99));

    QStringList names;
    for (const auto& user : User::allActiveUsers({"fay@acme.test"}))
        names << user->profileName();
    QCOMPARE(names, (QStringList{"Dan", "Eve"}));
    QCOMPARE(User::allActiveUsers({}).size(), 3);
}

void TestContacts::contactChangesAndRemoval() {
    CoreFixture world;
    signIn(world);
    User::updateContacts({QVariantMap{{"userId", 9}, {"name", "Skipped"}},
                          QVariantMap{{"id", 8}, {"name", "Bo"}}, QVariantMap{{"id", 10}}});
    QVERIFY(!User::userWithIntID(9));
    QCOMPARE(User::userWithIntID(8)->state(), 1);
    QCOMPARE(User::userWithIntID(10)->state(), 0); // no name: not a contact

    auto room = ChatRoom::PS_createEntity();
    room->setTotalMembers(2);
    auto membership = RoomMember::PS_createEntity();
    membership->setUser(User::userWithIntID(8));
    room->addMembersObject(membership);
    room->save();

    // Stream events arrive on the event queue.
    bool applied = false;
    PLModelManager::sharedModelManager()->addToDataProcessingQueue([&applied] {
        User::applyContactEvent({{"type", "userremoved"}, {"message", QVariantMap{{"userId", 8}}}});
        User::applyContactEvent(
            {{"type", "echatcontact"}, {"message", QVariantMap{{"id", 11}, {"name", "Al"}}}});
        applied = true;
    });
    QTRY_VERIFY(applied);
    QTRY_COMPARE(User::userWithIntID(8)->state(), 2);
    QVERIFY(room->members().isEmpty());
    QCOMPARE(room->totalMembers(), 1);
    QCOMPARE(RoomMember::PS_countOfEntities(), 0);
    QCOMPARE(User::userWithIntID(11)->profileName(), QString("Al"));
    QCOMPARE(CurrentUserInfo::currentUserInfo()->status(), 3); // another user's removal ends nothing

    // Back in the organisation with a name: a contact again.
    User::updateContacts({QVariantMap{{"id", 8}, {"name", "Bo"}}});
    QCOMPARE(User::userWithIntID(8)->state(), 1);
}

void TestContacts::listIsFetchedOncePerStore() {
    CoreFixture world;
    seedColleagues(world);
    signIn(world);
    CurrentUserInfo::currentUserInfo()->setPrivateEventTime(500);
    CurrentUserInfo::currentUserInfo()->save();
    world.server().clearRequestLog();
    world.server().addFault({"/contacts", "GET", 1, standin::FaultInjector::Mode::Hold});
    FetchedCounter fetched;
    QList<bool> outcomes;
    QVERIFY(User::refreshContactsList([&outcomes](bool ok) { outcomes << ok; }));
    QVERIFY(User::refreshContactsList([&outcomes](bool ok) { outcomes << ok; })); // joins the one in flight
    QTRY_COMPARE(world.server().heldCount(), 1);
    world.server().releaseHeld();
    QTRY_COMPARE(fetched.count, 1);
    QCOMPARE(outcomes, (QList<bool>{true, true}));
    QCOMPARE(contactRequests(world), 1);
    QCOMPARE(User::userWithIntID(42)->state(), 1);
    QCOMPARE(User::userWithIntID(43)->profileName(), QString("Cid"));
    QCOMPARE(CurrentUserInfo::currentUserInfo()->usersListUpdateTime(), 500);

    QVERIFY(!User::refreshContactsList());
    QCOMPARE(contactRequests(world), 1);
}

void TestContacts::failedFetchIsReportedAndTriedAgain() {
    CoreFixture world;
    seedColleagues(world);
    signIn(world);
    world.server().clearRequestLog();
    world.server().addFault({"/contacts", "GET", 1, standin::FaultInjector::Mode::ServerError});
    FetchedCounter fetched;
    QList<bool> outcomes;
    QVERIFY(User::refreshContactsList([&outcomes](bool ok) { outcomes << ok; }));
    QTRY_COMPARE(outcomes, QList<bool>{false});
    QCOMPARE(fetched.count, 0);
    QVERIFY(!User::refreshingInProgress());

    // The next call fetches; with no event time known yet, the list counts as not fetched.
    QVERIFY(User::refreshContactsList([&outcomes](bool ok) { outcomes << ok; }));
    QTRY_COMPARE(fetched.count, 1);
    QCOMPARE(CurrentUserInfo::currentUserInfo()->usersListUpdateTime(), 0);
    QVERIFY(User::refreshContactsList());
    QTRY_COMPARE(fetched.count, 2);
    QCOMPARE(contactRequests(world), 3);

    world.setOnline(false);
    QVERIFY(!User::refreshContactsList());
    QVERIFY(!User::refreshingInProgress());
}

QTEST_GUILESS_MAIN(TestContacts)
#include "tst_contacts.moc"
