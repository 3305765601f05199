// The host's facade as a host drives it, against the stand-in service: settings and their session
// gates, appearance, passcode refusals, registration, profile, groups and their filter, contacts,
// invitations and the signed-in user.
#include "FacadeTestKit.h"
#include "TestSandbox.h"
#include "core/api/PLAppConfigurations.h"
#include "core/api/UploadSizeLimitText.h"
#include "core/model/ChatRoom.h"
#include "core/model/CurrentUserInfo.h"
#include "core/model/PLModelManager.h"
#include "core/model/RoomModelServices.h"
#include "core/model/User.h"
#include "core/session/PelnixInfo.h"
#include "core/session/PelnixStateManager.h"
#include "foundation/PLKeychainAccessHelper.h"
#include "interface/PLCustomContactProvider.h"
#include "interface/Pelnix.h"
#include "interface/PelnixGroupFilterManager.h"
#include "interface/PelnixInviteHelper.h"
#include "interface/PelnixUser.h"
#include "platform/NotificationCenter.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
#include "ui/shell/PelnixSplashScreenWithLogo.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QScopeGuard>
#include <QTest>

using namespace pelnix;
using namespace pelnix::test;

namespace {

void setSessionState(quint64 state) {
    const auto info = PelnixInfo::sharedInstance();
    info->setSessionState(state);
    info->save();
}

ChatRoom::List importRooms(const char* json) {
    return ChatRoom::updateChatRoomsWithArray(QJsonDocument::fromJson(json).array().toVariantList());
}

QStringList groupIDs() {
    QStringList ids;
    for (const PelnixGroup& g : Pelnix::pelnixGroups().value_or(QList<PelnixGroup>{}))
        ids << g.groupID;
    ids.sort();
    return ids;
}

// A host's contact source; counts how often it is asked, also after it is gone.
class HostContacts : public QObject, public PLCustomContactProvider {
public:
    explicit HostContacts(int* asked) : m_asked(asked) {}
    std::optional<QList<PLPelnixContact>> customAddressBookContacts() override {
        ++*m_asked;
        return QList<PLPelnixContact>{{"Ada", "ada@host.test", {}}, {"Bo", {}, "+44 20 7946 0000"}};
    }

private:
    int* m_asked;
};

// A provider that offers no list.
class SilentContacts : public QObject, public PLCustomContactProvider {};

// What the contact picker does to load the host's contacts.
std::optional<QList<PLPelnixContact>> pickerLoadsHostContacts() {
    auto* provider = PLCustomContactProvider::of(Pelnix::customAddressBookContactProvider());
    return provider ? provider->customAddressBookContacts() : std::nullopt;
}

} // namespace

class TestFacade : public QObject {
    Q_OBJECT
private slots:
    void cleanup() {
        PelnixGroupFilter::setChatRoomsToFilter({}, false);
        PLPersistence::cleanUp();
        PLModelManager::destroySharedInstance();
        PelnixStateManager::destroyStateManager();
        PLKeychainAccessHelper::dropKeychainInstanceForTesting();
    }

    void serverSettingsChangeOnlyBetweenSessions_data();
    void serverSettingsChangeOnlyBetweenSessions();
    void sandboxingNeedsTheFeatureAndARunningSession();
    void appearanceRoundTrips();
    void passcodeRefusals_data();
    void passcodeRefusals();
    void registrationGatesAndVerification();
    void profileUpdateChecksInOrder();
    void aPictureOverTheLimitIsToldAndReportedInTheFacadesWords();
    void groupsAndTheirFilter();
    void contactsAnswerOnceAlsoWhenTheDownloadFails();
    void invitations();
    void signedInUserAndReset();
    void hostContactProviderIsHeldWeakly();
};

void TestFacade::serverSettingsChangeOnlyBetweenSessions_data() {
    QTest::addColumn<quint64>("state");
    QTest::addColumn<bool>("changes");
    QTest::newRow("no session") << quint64(0) << true;
    QTest::newRow("logged in") << quint64(1) << false;
    QTest::newRow("set up") << quint64(2) << false;
    QTest::newRow("ended by the server") << quint64(3) << false;
}

void TestFacade::serverSettingsChangeOnlyBetweenSessions() {
    QFETCH(quint64, state);
    QFETCH(bool, changes);
    CoreFixture world;
    const QString host = Pelnix::currentHostURL();
    setSessionState(state);
    Pelnix::setHostURL(QStringLiteral("https://elsewhere.test/"));
    Pelnix::setPNEnvironmentID(QStringLiteral("pn-2"));
    Pelnix::setAppLockFeatureEnabled(false);
    Pelnix::setSandboxingFeatureEnabled(false);
    Pelnix::setRemoteNotificationsDeviceToken(QStringLiteral("device-1"));

    // The configuration follows a new server at once.
    QCOMPARE(PLAppConfigurations::currentConfiguration()->roomsURL().startsWith("https://elsewhere.test/"),
             changes);

    PLStoredModel::dropSharedInstancesForTesting(); // read back what was saved
    const auto info = PelnixInfo::sharedInstance();
    QCOMPARE(Pelnix::currentHostURL(), changes ? QStringLiteral("https://elsewhere.test/") : host);
    QCOMPARE(info->pnEnvironmentID(), changes ? QStringLiteral("pn-2") : QString());
    QCOMPARE(info->appLockFeatureEnabled(), !changes);
    QCOMPARE(info->sandboxingFeatureEnabled(), !changes);
    QCOMPARE(info->deviceToken(), QStringLiteral("device-1")); // any state
}

void TestFacade::sandboxingNeedsTheFeatureAndARunningSession() {
    CoreFixture world;
    signIn(world);
    Pelnix::setSandBoxingEnabled(true); // state 0: ignored
    QVERIFY(!PelnixInfo::sharedInstance()->sandBoxingEnabled());
    QVERIFY(!Pelnix::isSandBoxingEnabled());

    completeSetUp();
    Pelnix::setSandBoxingEnabled(true);
    QVERIFY(Pelnix::isSandBoxingEnabled());
    QVERIFY(CurrentUserInfo::currentUserInfo()->sandBoxingEnabled());

    // With the feature switched off, the account's choice no longer counts.
    PelnixInfo::sharedInstance()->setSandboxingFeatureEnabled(false);
    QVERIFY(CurrentUserInfo::currentUserInfo()->sandBoxingEnabled());
    QVERIFY(!Pelnix::isSandBoxingEnabled());
    Pelnix::setSandBoxingEnabled(false);
    QVERIFY(CurrentUserInfo::currentUserInfo()->sandBoxingEnabled());
}

void TestFacade::appearanceRoundTrips() {
    CoreFixture world;
    Pelnix::setNavigationTitle(QStringLiteral("Team"));
    Pelnix::setNavigationTitle(std::nullopt);
    Pelnix::setNavigationTitleColor(QColor(10, 20, 30, 128));
    Pelnix::setNavigationTitleColor(QColor()); // ignored
    Pelnix::setTableViewSeparatorColor(QColor(Qt::red));

    QImage icon(8, 6, QImage::Format_ARGB32);
    icon.fill(Qt::transparent);
    QPainter(&icon).fillRect(2, 1, 3, 2, QColor(0, 128, 255));
    icon.setDevicePixelRatio(2);
    Pelnix::setMediaIcon(icon);
    Pelnix::setChatletIcon(QImage()); // ignored

    PLStoredModel::dropSharedInstancesForTesting(); // read back what was saved
    QCOMPARE(Pelnix::navigationTitle(), QStringLiteral("Team"));
    QCOMPARE(Pelnix::navigationTitleColor(), QColor(10, 20, 30, 128));
    QCOMPARE(Pelnix::tableViewSeparatorColor(), QColor(Qt::red));
    const QImage back = Pelnix::mediaIcon();
    QCOMPARE(back.devicePixelRatio(), 2.0);
    QCOMPARE(back.convertToFormat(QImage::Format_ARGB32), icon);
    QVERIFY(Pelnix::chatletIcon().isNull());
    QVERIFY(Pelnix::imageFromEncodedString(QStringLiteral("not a picture"), 1).isNull());

    // A session's end clears the look but keeps the server.
    const QString host = Pelnix::currentHostURL();
    setSessionState(2);
    Pelnix::resetPelnixSession();
    QCOMPARE(Pelnix::navigationTitle(), QString());
    QVERIFY(Pelnix::mediaIcon().isNull());
    QCOMPARE(Pelnix::currentHostURL(), host);
}

void TestFacade::passcodeRefusals_data() {
    QTest::addColumn<bool>("setUp");
    QTest::addColumn<bool>("feature");
    QTest::addColumn<bool>("stored");
    QTest::addColumn<qint64>("type");
    QTest::addColumn<qint64>("expected"); // 0: a screen is given
    QTest::addColumn<QString>("text");
    QTest::newRow("before start-up") << false << true << false << qint64(2) << qint64(-1003)
                                     << "InitWithCompletionHandler method is not called";
    QTest::newRow("feature off") << true << false << false << qint64(2) << qint64(-1006)
                                 << "Passcode feature is not enabled.";
    QTest::newRow("set up over a stored one")
        << true << true << true << qint64(0) << qint64(-1005) << "Passcode is already enabled";
    QTest::newRow("set up") << true << true << false << qint64(0) << qint64(0) << "";
    QTest::newRow("change without one")
        << true << true << false << qint64(3) << qint64(-1006) << "Passcode is not enabled.";
    QTest::newRow("disable without one")
        << true << true << false << qint64(1) << qint64(-1006) << "Passcode is not enabled.";
    QTest::newRow("change") << true << true << true << qint64(3) << qint64(0) << "";
    QTest::newRow("lock without one") << true << true << false << qint64(2) << qint64(0) << "";
    QTest::newRow("unknown type") << true << true << true << qint64(7) << qint64(-1006)
                                  << "Passcode is not enabled.";
}

void TestFacade::passcodeRefusals() {
    QFETCH(bool, setUp);
    QFETCH(bool, feature);
    QFETCH(bool, stored);
    QFETCH(qint64, type);
    QFETCH(qint64, expected);
    QFETCH(QString, text);
    CoreFixture world;
    signIn(world);
    PelnixInfo::sharedInstance()->setAppLockFeatureEnabled(feature);
    if (setUp)
        completeSetUp();
    if (stored)
        QVERIFY(PLKeychainAccessHelper::setNewPassCodePin(QStringLiteral("1234")));

    int calls = 0;
    PLOptionalError error;
    std::unique_ptr<platform::ui::ViewController> screen(
        Pelnix::passcodeViewControllerOfType(type, [&](bool done, const PLOptionalError& e, auto*) {
            ++calls;
            QVERIFY(!done);
            error = e;
        }));
    if (expected == 0) {
        QVERIFY(screen);
        QCOMPARE(calls, 0);
    } else {
        QVERIFY(!screen);
        QCOMPARE(calls, 1);
        QCOMPARE(code(error), expected);
        QCOMPARE(error->localizedDescription, text);
    }
    // The plain check agrees, except that it does not refuse setting up over a stored passcode.
    PLOptionalError checkError;
    const bool canShow = Pelnix::canShowPasscodeViewForType(type, &checkError);
    QCOMPARE(canShow, expected == 0 || expected == -1005);
    if (!canShow)
        QCOMPARE(code(checkError), expected == -1003 ? -1003 : -1006);
}

void TestFacade::registrationGatesAndVerification() {
    CoreFixture world;
    Outcome refused;
    setSessionState(2);
    Pelnix::registerUserWithEmail(QStringLiteral("new@acme.test"), refused.handler());
    QCOMPARE(refused.calls, 1);
    QCOMPARE(code(refused.error), -1004);
    QCOMPARE(refused.error->localizedDescription, QStringLiteral("Session is already active"));
    Pelnix::verifyRegisteredEmailWithCode(QStringLiteral("0000"), refused.handler());
    QCOMPARE(code(refused.error), -1004);

    // A session the server ended may register again; without a completion nothing is sent.
    setSessionState(3);
    Pelnix::registerUserWithEmail(QStringLiteral("new@acme.test"), {});
    QCOMPARE(world.requestsTo("api/public", "echat.register"), 0);
    Outcome registration;
    Pelnix::registerUserWithEmail(QStringLiteral("new@acme.test"), registration.handler());
    QTRY_COMPARE(registration.calls, 1);
    QVERIFY(registration.success);

    Outcome verification;
    const QString otp = QString::fromStdString(world.server().otp("new@acme.test"));
    Pelnix::verifyRegisteredEmailWithCode(otp, verification.handler());
    QTRY_COMPARE(verification.calls, 1);
    QVERIFY(verification.success);
    QCOMPARE(Pelnix::sessionState(), quint64(1));

    // The request cannot leave: the host hears so at once.
    world.setOnline(false);
    setSessionState(3);
    Outcome offline;
    Pelnix::registerUserWithEmail(QStringLiteral("new@acme.test"), offline.handler());
    QCOMPARE(offline.calls, 1);
    QCOMPARE(code(offline.error), -1007);
}

void TestFacade::profileUpdateChecksInOrder() {
    CoreFixture world;
    signIn(world);
    world.setOnline(false);
    Outcome empty;
    Pelnix::updateProfileWithName(QString(), QImage(), {}, {}, false, empty.handler());
    QCOMPARE(code(empty.error), -1009);
    QCOMPARE(empty.message, QStringLiteral("Profile name is mandatory. It cannot be empty"));
    Outcome offline;
    Pelnix::updateProfileWithName(QStringLiteral("Ann B"), QImage(), {}, {}, false, offline.handler());
    QCOMPARE(code(offline.error), -1007);
    QCOMPARE(offline.error->localizedDescription, QStringLiteral("No Network Available"));

    world.setOnline(true);
    Outcome noImage;
    Pelnix::updateProfileWithName(QStringLiteral("Ann B"), QImage(), QStringLiteral("5550100"),
                                  QStringLiteral("1"), false, noImage.handler());
    QTRY_COMPARE(noImage.calls, 1);
    QVERIFY(noImage.success);
    const auto sent = world.server().requestLog().back();
    QVERIFY(QByteArray::fromStdString(sent.body + sent.query).count("USE_DEFAULT_IMAGE") == 2);

    // Keeping the current picture sends the stored addresses, whatever picture is given.
    const auto me = CurrentUserInfo::currentUserInfo()->user();
    me->setImageUrl(QStringLiteral("http://pictures.test/thumb.png"));
    me->setBigImageUrl(QStringLiteral("http://pictures.test/big.png"));
    me->save();
    QImage picture(4, 4, QImage::Format_RGB32);
    picture.fill(Qt::green);
    Outcome keep;
    Pelnix::updateProfileWithName(QStringLiteral("Ann B"), picture, {}, {}, true, keep.handler());
    QTRY_COMPARE(keep.calls, 1);
    const auto kept = world.server().requestLog().back();
    QVERIFY(QByteArray::fromStdString(kept.body + kept.query).contains("thumb.png"));
    QVERIFY(!QByteArray::fromStdString(kept.body + kept.query).contains("USE_DEFAULT_IMAGE"));

    // A new picture is stored in both sizes first; the update then names the two stored copies.
    Outcome uploaded;
    Pelnix::updateProfileWithName(QStringLiteral("Ann B"), picture, {}, {}, false, uploaded.handler());
    QTRY_COMPARE_WITH_TIMEOUT(uploaded.calls, 1, 15000);
    QVERIFY(uploaded.success);
    int puts = 0;
    for (const auto& r : world.server().requestLog())
        if (r.server == "s3" && r.method == "PUT" && r.status == 200)
            ++puts;
    QCOMPARE(puts, 2);
    const auto update = world.server().requestLog().back();
    const QByteArray sentUpdate = QByteArray::fromStdString(update.body + update.query);
    QVERIFY(!sentUpdate.contains("thumb.png"));
    QVERIFY(!sentUpdate.contains("USE_DEFAULT_IMAGE"));
}

void TestFacade::aPictureOverTheLimitIsToldAndReportedInTheFacadesWords() {
    CoreFixture world;
    signIn(world);
    // The host's window, in which the library shows its alerts.
    platform::ui::Window window;
    window.makeKeyAndVisible();
    auto* configuration = PLAppConfigurations::currentConfiguration();
    const quint64 limit = configuration->uploadSizeLimit();
    const auto restore = qScopeGuard([&] { configuration->setProperty("uploadSizeLimit", limit); });
    configuration->setProperty("uploadSizeLimit", quint64(100));
    QImage picture(400, 400, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    const auto me = CurrentUserInfo::currentUserInfo()->user();
    me->setImageUrl(QStringLiteral("http://pictures.test/thumb.png"));
    me->save();

    Outcome outcome;
    Pelnix::updateProfileWithName(QStringLiteral("Ann B"), picture, {}, {}, false, outcome.handler());
    QTRY_COMPARE_WITH_TIMEOUT(outcome.calls, 1, 15000);
    // The user is told why; nothing was stored.
    QCOMPARE(window.alerts().size(), 1);
    const platform::ui::AlertView* alert = window.alerts().first();
    QCOMPARE(alert->title(), QStringLiteral("Alert"));
    QCOMPARE(alert->message(), UploadSizeLimitText::overLimitMessage(100));
    QCOMPARE(alert->buttonTitleAtIndex(0), QStringLiteral("OK"));
    for (const auto& r : world.server().requestLog())
        QVERIFY(r.server != "s3" || r.method != "PUT");
    // The name still goes, with the current picture, and the host hears of the upload in the
    // facade's words.
    QVERIFY(outcome.success);
    QCOMPARE(code(outcome.error), -1009);
    QCOMPARE(outcome.error->localizedDescription, QStringLiteral("Profile Image Upload failed"));
    const auto sent = world.server().requestLog().back();
    QVERIFY(QByteArray::fromStdString(sent.body + sent.query).contains("thumb.png"));
}

void TestFacade::groupsAndTheirFilter() {
    CoreFixture world;
    signIn(world);
    PLOptionalError error;
    QVERIFY(!Pelnix::pelnixGroups(&error));
    QCOMPARE(code(error), -1003);
    error.reset();
    QVERIFY(!Pelnix::pelnixGroupWithID(QStringLiteral("g1"), &error));
    QCOMPARE(code(error), -1003);

    completeSetUp();
    importRooms(R"([{"_id":"g1","name":"Ops","type":"2","activityDate":3000},
                   {"_id":"g2","name":"Dev","type":"2","activityDate":2000},
                   {"_id":"g3","name":"Left","type":"2","activityDate":1000}])");
    auto left = ChatRoom::chatRoomWithID(QStringLiteral("g3"));
    left->setStatus(1);
    left->save();

    QCOMPARE(groupIDs(), (QStringList{"g1", "g2"}));
    error.reset();
    QVERIFY(!Pelnix::pelnixGroupWithID(QStringLiteral("nope"), &error));
    QCOMPARE(code(error), -1001);
    QCOMPARE(error->localizedDescription, QStringLiteral("Invalid group ID"));
    const auto ops = Pelnix::pelnixGroupWithID(QStringLiteral("g1"));
    QVERIFY(ops);
    QCOMPARE(ops->name, QStringLiteral("Ops"));
    QCOMPARE(ops->groupType, 0);
    QVERIFY(!ops->isGroupOneToOne());
    QVERIFY(!PelnixGroup::groupWithID(QStringLiteral("nope")));

    int changes = 0;
    const auto token = platform::NotificationCenter::defaultCenter()->addObserver(
        QString::fromLatin1(PLChatRoomGroupFilteringCriterionChangedNotification),
        [&](const platform::Notification&) { ++changes; });
    Pelnix::listOfPelnixGroupsExcludingGroups({*ops, PelnixGroup{"x", "not-stored", 0}}, std::nullopt);
    QCOMPARE(changes, 1);
    QCOMPARE(groupIDs(), (QStringList{"g2"}));
    QVERIFY(PelnixGroupFilterManager::groupFilterManager()->isExcluding());
    QCOMPARE(PelnixGroupFilterManager::groupFilterManager()->chatRoomsToFilter().size(), 1);

    Pelnix::listOfPelnixGroupsIncludingGroups({*ops}, std::nullopt);
    QCOMPARE(groupIDs(), (QStringList{"g1"}));
    Pelnix::listOfPelnixGroupsIncludingGroups({}, std::nullopt);
    QCOMPARE(changes, 3);
    QCOMPARE(groupIDs(), (QStringList{"g1", "g2"}));
    platform::NotificationCenter::defaultCenter()->removeObserver(token);
}

void TestFacade::contactsAnswerOnceAlsoWhenTheDownloadFails() {
    CoreFixture world;
    world.server().seed(QJsonObject{
        {"org", "acme"},
        {"users", QJsonArray{QJsonObject{{"id", 52}, {"email", "zed@acme.test"}, {"name", "Zed"}},
                             QJsonObject{{"id", 53}, {"email", "bea@acme.test"}, {"name", "Bea"}}}}});
    signIn(world);
    int calls = 0;
    bool success = true;
    PLOptionalError error;
    QList<PLPelnixContact> contacts;
    auto handler = [&](bool s, const PLOptionalError& e, const QList<PLPelnixContact>& c) {
        ++calls;
        success = s;
        error = e;
        contacts = c;
    };
    Pelnix::getPelnixServerContactsWithCompletion(handler);
    QCOMPARE(calls, 1);
    QCOMPARE(code(error), -1003);

    completeSetUp();
    world.server().addFault({"contacts", "", 1});
    calls = 0;
    Pelnix::getPelnixServerContactsWithCompletion(handler);
    QTRY_COMPARE(calls, 1);
    QVERIFY(!success);
    QVERIFY(error);

    calls = 0;
    Pelnix::getPelnixServerContactsWithCompletion(handler);
    QTRY_COMPARE(calls, 1);
    QVERIFY(success);
    QStringList names;
    for (const auto& c : contacts)
        names << c.profileName + "/" + c.email;
    QVERIFY(names.indexOf("Bea/bea@acme.test") >= 0);
    QVERIFY(names.indexOf("Bea/bea@acme.test") < names.indexOf("Zed/zed@acme.test"));

    QCOMPARE(world.requestsTo("contacts"), 2);
}

void TestFacade::invitations() {
    CoreFixture world;
    Outcome outcome;
    const QVariantList one{
        QVariant::fromValue(PelnixInviteContact{QString(), QStringLiteral("cy@else.test")})};
    Pelnix::inviteContactsToPelnix(one, outcome.handler());
    QCOMPARE(outcome.message, QStringLiteral("Please login to Pelnix"));
    QVERIFY(!outcome.error);

    signIn(world);
    completeSetUp();
    Pelnix::inviteContactsToPelnix({}, outcome.handler());
    QCOMPARE(outcome.message, QStringLiteral("Invite emails array is nil"));

    // Only invitation entries go out; a missing name goes out empty.
    const QVariantList mixed{
        QVariant(QStringLiteral("junk")), one.first(),
        QVariant::fromValue(PelnixInviteContact{QStringLiteral("Di"), QStringLiteral("di@x.test")})};
    QCOMPARE(PelnixInviteHelper::arrayOfDictionariesFromInviteArray(mixed),
             (QVariantList{QVariantMap{{"email", "cy@else.test"}, {"name", ""}},
                           QVariantMap{{"email", "di@x.test"}, {"name", "Di"}}}));
    Outcome sent;
    Pelnix::inviteContactsToPelnix(mixed, sent.handler());
    QTRY_COMPARE(sent.calls, 1);
    QVERIFY(sent.success);
    QCOMPARE(world.server().invitations().size(), 1);

    // A reply with no body still ends the host's wait.
    world.server().addFault({"invite", "", 1, standin::StandinServer::FaultMode::Drop});
    Outcome dropped;
    Pelnix::inviteContactsToPelnix(mixed, dropped.handler());
    QTRY_COMPARE(dropped.calls, 1);
    QVERIFY(!dropped.success);
    QVERIFY(dropped.error);

    world.setOnline(false);
    Outcome offline;
    Pelnix::inviteContactsToPelnix(mixed, offline.handler());
    QCOMPARE(offline.calls, 1);
    QCOMPARE(offline.message, QStringLiteral("Please check your network connection"));
}

void TestFacade::signedInUserAndReset() {
    CoreFixture world;
    QVERIFY(!PelnixUser::currentUser());
    QVERIFY(!PelnixUser::userID());
    QVERIFY(!PelnixUser::phoneNumber());
    QCOMPARE(Pelnix::numberOfUnreadMessages(), 0);

    QObject provider;
    Pelnix::setLoggingEnabled(true);
    Pelnix::setCustomAddressBookContactProvider(&provider);
    signIn(world);
    completeSetUp();
    QCOMPARE(PelnixUser::userID(), QString::number(world.userID()));
    QCOMPARE(PelnixUser::userEmail(), world.email());
    QCOMPARE(PelnixUser::phoneNumber(), QString());
    QVERIFY(!PelnixSplashScreenWithLogo::splashScreenWithLogoView()); // the server asked for no co-branding
    importRooms(R"([{"_id":"g1","name":"Ops","type":"2"}])");
    auto room = ChatRoom::chatRoomWithID(QStringLiteral("g1"));
    room->setTempUnreadMessageCount(4);
    room->save();
    QCOMPARE(Pelnix::numberOfUnreadMessages(), ChatRoom::totalUnreadMessagesCount());

    // Credentials are refused while the session runs.
    Pelnix::setUserEmailID(QStringLiteral("other@acme.test"));
    QCOMPARE(PelnixStateManager::sharedStateManagerInstance()->userEmailID(), world.email());

    Pelnix::resetPelnixSession();
    QCOMPARE(Pelnix::sessionState(), quint64(0));
    QVERIFY(!PelnixStateManager::sharedStateManagerInstance()->loggingEnabled());
    QVERIFY(!Pelnix::customAddressBookContactProvider());
    QVERIFY(!PelnixUser::userID());
    QVERIFY(!ChatRoom::chatRoomWithID(QStringLiteral("g1")));
}

void TestFacade::hostContactProviderIsHeldWeakly() {
    test::TestSandbox sandbox;
    QVERIFY(!pickerLoadsHostContacts());

    int asked = 0;
    auto* host = new HostContacts(&asked);
    Pelnix::setCustomAddressBookContactProvider(host);
    // The picker reads it through the facade; the screens below the facade read the same object.
    QCOMPARE(Pelnix::customAddressBookContactProvider(), host);
    QCOMPARE(PelnixStateManager::sharedStateManagerInstance()->customAddressBookContactProvider(), host);
    const auto contacts = pickerLoadsHostContacts();
    QVERIFY(contacts);
    QCOMPARE(contacts->size(), 2);
    QCOMPARE(contacts->at(0).email, QStringLiteral("ada@host.test"));
    QCOMPARE(contacts->at(1).phone, QStringLiteral("+44 20 7946 0000"));
    QCOMPARE(asked, 1);

    // A provider without a list, and an object that is no provider, offer nothing.
    SilentContacts silent;
    Pelnix::setCustomAddressBookContactProvider(&silent);
    QVERIFY(PLCustomContactProvider::of(Pelnix::customAddressBookContactProvider()));
    QVERIFY(!pickerLoadsHostContacts());
    QObject other;
    Pelnix::setCustomAddressBookContactProvider(&other);
    QCOMPARE(Pelnix::customAddressBookContactProvider(), &other);
    QVERIFY(!pickerLoadsHostContacts());

    // Held weakly: once the host destroys its provider, nobody reaches it.
    Pelnix::setCustomAddressBookContactProvider(host);
    delete host;
    QVERIFY(!Pelnix::customAddressBookContactProvider());
    QVERIFY(!pickerLoadsHostContacts());
    QCOMPARE(asked, 1);
}

QTEST_MAIN(TestFacade)
#include "tst_facade.moc"
