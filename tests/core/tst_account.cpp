// The account row and its server operations, against the stand-in service.
#include "CoreFixture.h"
#include "FakeNetwork.h"
#include "core/model/Challenge.h"
#include "core/model/CurrentUserInfo.h"
#include "core/model/PLModelManager.h"
#include "core/model/User.h"
#include "core/session/PelnixInfo.h"
#include "core/session/PelnixStateManager.h"
#include "foundation/PLStoredModel.h"
#include "platform/NotificationCenter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QTest>

using namespace pelnix;
using namespace pelnix::test;

namespace {

// The outcome of one account operation.
struct Outcome {
    bool called = false;
    bool success = false;
    PLOptionalError error;
    QString message;
    PLResultHandler handler() {
        return [this](bool s, const PLOptionalError& e, const QString& m) {
            called = true;
            success = s;
            error = e;
            message = m;
        };
    }
};

CurrentUserInfo::Ptr account() {
    return CurrentUserInfo::currentUserInfo();
}

// Opens the store and signs in as the fixture's seeded user, as the host's login does.
void signIn(CoreFixture& world) {
    PLModelManager::sharedModelManager()->initialize();
    CurrentUserInfo::initializeCurrentUserForSDKWithID(qint32(world.userID()), world.email(), world.token());
}

QVariantMap loginObject(const QVariantMap& user) {
    return {{"user", user}};
}

} // namespace

class TestAccount : public QObject {
    Q_OBJECT
private slots:
    void cleanup() {
        PLPersistence::cleanUp();
        PLModelManager::destroySharedInstance();
    }

    void firstAccessCreatesOneEmptyAccount();
    void loginObjectFillsTheAccount();
    void phoneChoice_data();
    void phoneChoice();
    void appLockAndRemovalFromTheOrganisation();
    void registerThenVerify_data();
    void registerThenVerify();
    void registrationMovesTheStatus_data();
    void registrationMovesTheStatus();
    void refusalsCarryTheServersMessage();
    void verificationIsReportedWhenTheConfigurationCannotStart();
    void userConfigurationSwitchesAndOverrides();
    void deviceTokenIsSentOnce();
    void coBrandingImagesArriveInTheBackground();
    void coBrandingImagesCutShortAreNotStored_data();
    void coBrandingImagesCutShortAreNotStored();
    void hostLoginStartsFromAFreshStore();
    void currentUserIDFollowsEveryAccountChange();
    void offlineOperationsStartNothing();
};

void TestAccount::firstAccessCreatesOneEmptyAccount() {
    CoreFixture world;
    PLModelManager::sharedModelManager()->initialize();
    const auto row = account();
    QCOMPARE(account(), row);
    QCOMPARE(CurrentUserInfo::PS_countOfEntities(), 1);
    QCOMPARE(row->status(), 0);
    QVERIFY(row->user());
    QCOMPARE(row->challenge()->salt(), QString(""));
    QVERIFY(!row->challenge()->salt().isNull());
    QCOMPARE(row->challenge()->token(), QString(""));
}

void TestAccount::loginObjectFillsTheAccount() {
    CoreFixture world;
    PLModelManager::sharedModelManager()->initialize();
    const auto row = account();
    row->updateWithLoginDictionary(loginObject({
        {"email", "ann@mail.acme.test"},
        {"id", 41},
        {"org", ""},
        {"type", "admin"},
        {"token", QVariantMap{{"expiry", 1900000000}}},
        {"profile", QVariantMap{{"image", "https://pics.test/ann.png"},
                                {"bigImgUrl", "https://pics.test/profiles/dummy/profile.png"},
                                {"lastLoginTime", 1700000000123.0},
                                {"profileName", "Ann"}}},
    }));
    QCOMPARE(row->user()->organisation(), QString("mail.acme.test"));
    QCOMPARE(row->user()->userID(), 41);
    QCOMPARE(row->user()->bigImageUrl(), QString("https://pics.test/ann.png")); // a placeholder is not kept
    QCOMPARE(row->lastLoginTime(), Q_INT64_C(1700000000123));
    QCOMPARE(row->tokenExpiry(), 1900000000);
    QCOMPARE(row->type(), QString("admin"));
    QCOMPARE(CurrentUserInfo::currentUserID(), 41);

    row->updateWithLoginDictionary(loginObject({{"email", "no-at-sign"}, {"org", ""}}));
    QCOMPARE(row->user()->organisation(), QString("no-at-sign"));
    QVERIFY(!PLPersistence::PS_defaultContext()->hasChanges()); // the parser saves
}

void TestAccount::phoneChoice_data() {
    QTest::addColumn<QVariantList>("phones");
    QTest::addColumn<QString>("number");
    const auto phone = [](const char* number, const char* status, double updated) {
        return QVariant(QVariantMap{{"phone", number},
                                    {"countryCode", "+1"},
                                    {"status", status},
                                    {"updateDate", updated},
                                    {"createDate", 1.0},
                                    {"verificationStatus", "VERIFIED"}});
    };
    QTest::newRow("newest of the accepted statuses")
        << QVariantList{phone("111", "ACTIVE", 10), phone("222", "OTHER", 30), phone("333", "INACTIVE", 20)}
        << "333";
    QTest::newRow("status compared exactly")
        << QVariantList{phone("111", "active", 10), phone("222", "BLOCKED", 30)} << QString();
    QTest::newRow("no phones") << QVariantList{} << QString();
}

void TestAccount::phoneChoice() {
    QFETCH(QVariantList, phones);
    QFETCH(QString, number);
    CoreFixture world;
    PLModelManager::sharedModelManager()->initialize();
    const auto row = account();
    row->setPhoneNumber("999");
    row->setPhoneStatus("ACTIVE");
    row->setPhoneUpdateDate(5);
    row->updateCurrentPhoneDetailsFromDictionary(loginObject({{"profile", QVariantMap{{"phones", phones}}}}));
    QCOMPARE(row->phoneNumber(), number);
    QCOMPARE(row->phoneStatus().isNull(), number.isNull());
    QCOMPARE(row->isPhoneVerified(), !number.isNull());
    QCOMPARE(row->phoneUpdateDate(), number.isNull() ? 5 : 20); // dates stay when nothing is chosen
}

void TestAccount::appLockAndRemovalFromTheOrganisation() {
    CoreFixture world;
    signIn(world);
    const auto row = account();
    row->changeAppLockStatusToState(1);
    QCOMPARE(row->appLockState(), 1);
    row->setShowsAppLockScreen(true); // the server forces the lock
    row->changeAppLockStatusToState(0);
    QCOMPARE(row->appLockState(), 1);

    QList<QPair<int, quint64>> seen; // stored status and session state when the notification came
    const auto token = platform::NotificationCenter::defaultCenter()->addObserver(
        PLUserDeletedFromOrgNotification, [&seen](const platform::Notification&) {
            const auto fileContext = PLPersistence::PS_context(); // reads what is in the file
            const auto stored = CurrentUserInfo::PS_findFirst(fileContext);
            seen << qMakePair(int(stored->status()), PelnixInfo::sharedInstance()->sessionState());
        });
    // A "userremoved" event naming the account, applied on the event queue.
    PLModelManager::sharedModelManager()->addToDataProcessingQueue([id = world.userID()] {
        User::applyContactEvent({{"type", "userremoved"}, {"message", QVariantMap{{"userId", id}}}});
    });
    QTRY_COMPARE(seen.size(), 1);
    platform::NotificationCenter::defaultCenter()->removeObserver(token);
    QCOMPARE(seen.first(), qMakePair(4, quint64(3)));
    QCOMPARE(account()->status(), 4);
}

void TestAccount::registerThenVerify_data() {
    QTest::addColumn<QString>("email");
    QTest::addColumn<bool>("nameless");
    QTest::addColumn<int>("status");
    QTest::newRow("complete profile") << "ann@acme.test" << false << 3;
    QTest::newRow("new user the service names") << "ben@acme.test" << false << 3;
    QTest::newRow("user without a profile") << "ben@acme.test" << true << 2;
}

void TestAccount::registerThenVerify() {
    QFETCH(QString, email);
    QFETCH(bool, nameless);
    QFETCH(int, status);
    CoreFixture world;
    if (nameless)
        world.server().seed(QJsonObject{{"users", QJsonArray{QJsonObject{{"email", email}, {"name", ""}}}}});
    PLModelManager::sharedModelManager()->initialize();
    Outcome registration;
    QVERIFY(account()->startRegistrationWithEmail(email, registration.handler()));
    QTRY_VERIFY(registration.called);
    QVERIFY(registration.success);
    QVERIFY(registration.message.contains(email));
    QCOMPARE(account()->status(), 1);
    QVERIFY(!account()->challenge()->token().isEmpty());

    Outcome verification;
    const QString code = QString::fromStdString(world.server().otp(email.toStdString()));
    QVERIFY(account()->verifyEmailWithOTPCode(code, verification.handler()));
    QTRY_VERIFY(verification.called);
    QVERIFY(verification.success);
    QCOMPARE(verification.message, QString("Verified."));
    QCOMPARE(account()->status(), status);
    QVERIFY(!account()->tavrixToken().isEmpty());
    QVERIFY(!account()->signature().isEmpty());
    QCOMPARE(account()->env(), QString("http")); // the configuration came before the report
    QCOMPARE(world.requestsTo("api/public", "echat.getUserConfig"), 1);

    // The new token authorises private calls.
    Outcome refresh;
    QVERIFY(account()->refreshUserProfileWithCompletionHandler(refresh.handler()));
    QTRY_VERIFY(refresh.called);
    QVERIFY(refresh.success);
    QVERIFY(
        world.lastRequest("/users/").header("Authorization").find(account()->tavrixToken().toStdString()) !=
        std::string::npos);
}

void TestAccount::registrationMovesTheStatus_data() {
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("after");
    QTest::addColumn<bool>("roomsFetched");
    QTest::newRow("new") << 0 << 1 << true;
    QTest::newRow("code requested") << 1 << 1 << true;
    QTest::newRow("removed") << 4 << 5 << false;
    QTest::newRow("registering again") << 5 << 5 << true;
}

void TestAccount::registrationMovesTheStatus() {
    QFETCH(int, before);
    QFETCH(int, after);
    QFETCH(bool, roomsFetched);
    CoreFixture world;
    PLModelManager::sharedModelManager()->initialize();
    account()->setStatus(qint16(before));
    account()->setRoomsFetched(true);
    Outcome outcome;
    QVERIFY(account()->startRegistrationWithEmail("ann@acme.test", outcome.handler()));
    QTRY_VERIFY(outcome.called);
    QVERIFY(outcome.success);
    QCOMPARE(account()->status(), after);
    QCOMPARE(account()->roomsFetched(), roomsFetched);
}

void TestAccount::refusalsCarryTheServersMessage() {
    CoreFixture world;
    PLModelManager::sharedModelManager()->initialize();
    Outcome verification;
    QVERIFY(account()->verifyEmailWithOTPCode("000000", verification.handler()));
    QTRY_VERIFY(verification.called);
    QVERIFY(!verification.success);
    QVERIFY(!verification.error);
    QCOMPARE(verification.message, QString("invalidOTP"));
    QCOMPARE(account()->status(), 0);
    QVERIFY(account()->tavrixToken().isEmpty());

    // A failed challenge ends the operation without a message and without the second request.
    world.server().addFault({"api/public", "POST", 1, standin::FaultInjector::Mode::ServerError});
    Outcome registration;
    QVERIFY(account()->startRegistrationWithEmail("ann@acme.test", registration.handler()));
    QTRY_VERIFY(registration.called);
    QVERIFY(!registration.success);
    QVERIFY(registration.message.isNull());
    QCOMPARE(world.requestsTo("api/public", "echat.registerWithOTP"), 0);

    // The push service's refusal: "error:reason".
    signIn(world);
    account()->setDeviceToken(" "); // not a token the push service takes
    Outcome push;
    QVERIFY(account()->sendDeviceTokenWithCompletionHandler(push.handler()));
    QTRY_VERIFY(push.called);
    QVERIFY(!push.success);
    QVERIFY2(!push.error, qPrintable(push.error ? push.error->localizedDescription : QString()));
    QCOMPARE(push.message, QString("registrationFailed:Invalid device token."));
    QVERIFY(!account()->deviceTokenSent());
}

void TestAccount::verificationIsReportedWhenTheConfigurationCannotStart() {
    CoreFixture world;
    PLModelManager::sharedModelManager()->initialize();
    Outcome registration;
    QVERIFY(account()->startRegistrationWithEmail("ann@acme.test", registration.handler()));
    QTRY_VERIFY(registration.called);
    const QString code = QString::fromStdString(world.server().otp("ann@acme.test"));
    const QString oldSalt = account()->challenge()->salt();

    // Hold the challenge and the verification; the network goes away while the verification is out.
    world.server().addFault({"api/public", "POST", 2, standin::FaultInjector::Mode::Hold});
    Outcome verification;
    QVERIFY(account()->verifyEmailWithOTPCode(code, verification.handler()));
    QTRY_COMPARE(world.server().heldCount(), 1);
    world.server().releaseHeld();
    QTRY_VERIFY(account()->challenge()->salt() != oldSalt); // the verification has started
    QTRY_COMPARE(world.server().heldCount(), 1);
    world.setOnline(false);
    world.server().releaseHeld();
    QTRY_VERIFY(verification.called);
    QVERIFY(verification.success);
    QCOMPARE(verification.message, QString("Verified."));
    QCOMPARE(account()->status(), 3);
    QCOMPARE(world.requestsTo("api/public", "echat.getUserConfig"), 0);
}

void TestAccount::userConfigurationSwitchesAndOverrides() {
    CoreFixture world;
    QTemporaryDir otherData;
    standin::StandinServer other({otherData.path().toStdString(), 0, 0, 15000});
    QVERIFY(other.start());
    // The same account on the server the configuration points to.
    other.seed(QJsonObject{
        {"org", "acme"},
        {"users",
         QJsonArray{QJsonObject{
             {"id", world.userID()}, {"email", world.email()}, {"name", "Ann"}, {"token", world.token()}}}}});
    signIn(world);

    const auto fetch = [&] {
        Outcome outcome;
        if (!account()->getUserConfigWithCompletionHandler(outcome.handler()))
            return outcome;
        if (!QTest::qWaitFor([&] { return outcome.called; }, 10000))
            qFatal("no answer");
        return outcome;
    };
    world.server().setUserConfigProps(QJsonObject{{"sandBoxingEnabled", false},
                                                  {"showsAppLockScreen", false},
                                                  {"baseURL", QString::fromStdString(other.baseUrl())}});
    const Outcome first = fetch();
    QVERIFY(first.success);
    QVERIFY(first.message.isNull());
    QVERIFY(account()->sandBoxingEnabled()); // present counts, whatever the value
    QVERIFY(account()->showsAppLockScreen());
    QCOMPARE(account()->appLockState(), 1);
    QVERIFY(!account()->showCoBrandingSplashScreen());

    // Later private calls go to the server's base URL.
    other.clearRequestLog();
    Outcome refresh;
    QVERIFY(account()->refreshUserProfileWithCompletionHandler(refresh.handler()));
    QTRY_VERIFY(refresh.called);
    bool redirected = false;
    for (const auto& r : other.requestLog())
        redirected = redirected || r.path.find("/users/41") != std::string::npos;
    QVERIFY(redirected);

    // Without "baseURL" the override stays; a host that switched the features off keeps them off.
    PelnixInfo::sharedInstance()->setSandboxingFeatureEnabled(false);
    PelnixInfo::sharedInstance()->setAppLockFeatureEnabled(false);
    other.setUserConfigProps(QJsonObject{{"sandBoxingEnabled", true}, {"showsAppLockScreen", true}});
    QVERIFY(fetch().success);
    QCOMPARE(account()->userConfigBaseURL(), QString::fromStdString(other.baseUrl()));
    QVERIFY(!account()->sandBoxingEnabled());
    QVERIFY(!account()->showsAppLockScreen());
    QCOMPARE(account()->appLockState(), 0);
    other.stop();
}

void TestAccount::deviceTokenIsSentOnce() {
    CoreFixture world;
    signIn(world);
    QVERIFY(!account()->sendDeviceTokenWithCompletionHandler({})); // no device token yet
    account()->setDeviceToken("device-1");
    account()->sendDeviceToken();
    QTRY_VERIFY(account()->deviceTokenSent());
    account()->sendDeviceToken();
    QCOMPARE(world.requestsTo("/push/"), 1);
    QCOMPARE(world.lastRequest("/push/").path, std::string("/push/41"));
}

void TestAccount::offlineOperationsStartNothing() {
    CoreFixture world;
    signIn(world);
    world.setOnline(false);
    world.server().clearRequestLog();
    Outcome outcome;
    QVERIFY(!account()->getUserConfigWithCompletionHandler(outcome.handler()));
    QVERIFY(!account()->startRegistrationWithEmail("ann@acme.test", outcome.handler()));
    QVERIFY(!account()->verifyPhoneNumberWithCode("1234", outcome.handler()));
    QCoreApplication::processEvents();
    QVERIFY(!outcome.called);
    QVERIFY(world.server().requestLog().empty());
    // A verified phone needs no new code.
    world.setOnline(true);
    account()->setPhoneVerificationStatus("VERIFIED");
    QVERIFY(!account()->resendSMSCodeWithCompletionHandler(outcome.handler()));
}

void TestAccount::coBrandingImagesArriveInTheBackground() {
    CoreFixture world;
    signIn(world);
    const QString image = CurrentUserInfo::localCoBrandingImagePath();
    const QString logo = CurrentUserInfo::localCoBrandingLogoImgePath();
    QVERIFY(account()->coBrandingImage().isNull());
    world.server().setUserConfigProps(
        QJsonObject{{"showCoBrandingSplashScreen", false}, {"splashImagesPath", world.baseUrl() + "splash"}});
    Outcome outcome;
    QVERIFY(account()->getUserConfigWithCompletionHandler(outcome.handler()));
    QTRY_VERIFY(outcome.called);
    QVERIFY(account()->showCoBrandingSplashScreen());
    QTRY_VERIFY(QFile::exists(image) && QFile::exists(logo));
    QCOMPARE(account()->coBrandingImage().width(), 8);
    QVERIFY(!account()->coBrandingLogoImage().isNull());

    // A failed fetch keeps the image already there.
    const QByteArray before = [&] {
        QFile f(image);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    world.server().clearRequestLog();
    world.server().addFault({"CoBrandingImage", "GET", 1, standin::FaultInjector::Mode::ServerError});
    account()->downloadCoBrandingImageIfRequired();
    QTRY_COMPARE(world.requestsTo("/splash/"), 2);
    QTRY_VERIFY(world.server().requestLog().size() == 2 && world.server().requestLog().back().status != 0 &&
                world.server().requestLog().front().status != 0);
    QFile after(image);
    QVERIFY(after.open(QIODevice::ReadOnly));
    QCOMPARE(after.readAll(), before);
}

void TestAccount::coBrandingImagesCutShortAreNotStored_data() {
    QTest::addColumn<qint64>("sent");
    QTest::addColumn<bool>("stored");
    QTest::newRow("whole") << qint64(64) << true;
    QTest::newRow("cut short") << qint64(20) << false;
}

// Qt can finish a download whose connection closed before its announced body as a whole one: the
// image already there stays, and none of the cut one is written.
void TestAccount::coBrandingImagesCutShortAreNotStored() {
    QFETCH(qint64, sent);
    QFETCH(bool, stored);
    CoreFixture world;
    signIn(world);
    const QByteArray old = "the image stored before";
    const QByteArray fresh(64, 'i');
    const QStringList paths{CurrentUserInfo::localCoBrandingImagePath(),
                            CurrentUserInfo::localCoBrandingLogoImgePath()};
    for (const QString& path : paths) {
        QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(old) == old.size());
    }
    FakeNetwork network(FakeReply::Answer::cutShort(fresh, sent, "image/png"));
    CurrentUserInfo::setCoBrandingNetworkAccessManager(&network);
    world.server().setUserConfigProps(QJsonObject{{"showCoBrandingSplashScreen", false},
                                                  {"splashImagesPath", "http://images.test/splash"}});
    Outcome outcome;
    QVERIFY(account()->getUserConfigWithCompletionHandler(outcome.handler()));
    QTRY_VERIFY(outcome.called);
    QTRY_COMPARE(network.answered(), 2);
    for (const QString& path : paths) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), stored ? fresh : old);
    }
}

void TestAccount::hostLoginStartsFromAFreshStore() {
    CoreFixture world;
    PLModelManager::sharedModelManager()->initialize();
    account()->setPrivateEventTime(99);
    account()->user()->setProfileName("Someone else");
    account()->save();
    CurrentUserInfo::initializeCurrentUserForSDKWithID(41, "ann@acme.test", "T0k3n+/=");
    QCOMPARE(CurrentUserInfo::PS_countOfEntities(), 1);
    QCOMPARE(account()->status(), 3);
    QCOMPARE(account()->privateEventTime(), 0);
    QCOMPARE(account()->tavrixToken(), QString("T0k3n+/="));
    QCOMPARE(account()->user()->email(), QString("ann@acme.test"));
    QVERIFY(account()->user()->profileName().isEmpty());

    // The host's three credentials reach the same login through the session state.
    PLModelManager::registerModelLayer();
    PelnixStateManager::destroyStateManager();
    auto* state = PelnixStateManager::sharedStateManagerInstance();
    state->setUserID("42");
    state->setUserEmailID("ben@acme.test");
    state->setAuthToken("other-token");
    QCOMPARE(CurrentUserInfo::currentUserID(), 42);
    QCOMPARE(account()->status(), 3);
    QCOMPARE(account()->tavrixToken(), QString("other-token"));
    PelnixStateManager::destroyStateManager();
}

void TestAccount::currentUserIDFollowsEveryAccountChange() {
    // The ID is remembered per thread; each change below must reach both threads' next answer.
    CoreFixture world(CoreFixture::Service::None);
    auto* manager = PLModelManager::sharedModelManager();
    manager->initialize();
    const auto onQueue = [manager]() -> qint32 {
        auto id = std::make_shared<std::atomic<qint32>>(-1);
        manager->addToDataProcessingQueue([id] { *id = CurrentUserInfo::currentUserID(); });
        if (!QTest::qWaitFor([id] { return id->load() != -1; }, 10000))
            return -2;
        return id->load();
    };
    const auto both = [&] { return qMakePair(CurrentUserInfo::currentUserID(), onQueue()); };
    QCOMPARE(both(), qMakePair(0, 0));

    CurrentUserInfo::initializeCurrentUserForSDKWithID(41, "ann@acme.test", "t");
    QCOMPARE(both(), qMakePair(41, 41));
    account()->user()->setUserID(43); // not saved yet: this thread sees it, the queue does not
    QCOMPARE(both(), qMakePair(43, 41));
    account()->save();
    QCOMPARE(both(), qMakePair(43, 43));
    auto other = User::PS_createEntity();
    other->setUserID(44);
    account()->setUser(other);
    account()->save();
    QCOMPARE(both(), qMakePair(44, 44));
    // The queue changes the account too.
    manager->addToDataProcessingQueue([] {
        const auto row = CurrentUserInfo::PS_findFirst();
        row->user()->setUserID(45);
        row->save();
    });
    QTRY_COMPARE(CurrentUserInfo::currentUserID(), 45);
    QCOMPARE(onQueue(), 45);
    // Another login wipes the store; a reset of the session drops it.
    CurrentUserInfo::initializeCurrentUserForSDKWithID(46, "ben@acme.test", "t");
    QCOMPARE(both(), qMakePair(46, 46));
    account()->PS_deleteEntity();
    account(); // a fresh, empty row
    PLPersistence::PS_defaultContext()->save();
    QCOMPARE(both(), qMakePair(0, 0));
    PLPersistence::cleanUp();
    QCOMPARE(onQueue(), 0);
}

QTEST_GUILESS_MAIN(TestAccount)
#include "tst_account.moc"
