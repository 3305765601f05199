// Session state, app-lock flags and the configuration's environments and overrides.
#include "TestSandbox.h"
#include "core/api/PLAppConfigurations.h"
#include "core/api/PLColorConfiguration.h"
#include "core/api/UploadSizeLimitText.h"
#include "core/session/PLAppLockSettingsManager.h"
#include "core/session/PelnixInfo.h"
#include "core/session/PelnixStateManager.h"
#include "foundation/PLStoredModel.h"
#include "platform/Log.h"
#include "platform/UserDefaults.h"

#include <QCoreApplication>
#include <QFile>
#include <QTest>
#include <QUrl>

using namespace pelnix;

namespace {
QStringList g_lines;
void capture(QtMsgType, const QMessageLogContext&, const QString& msg) {
    g_lines << msg;
}

struct AccountCalls {
    int databaseOpens = 0;
    QList<std::tuple<qint32, QString, QString>> accounts;
};
} // namespace

class TestSessionConfig : public QObject {
    Q_OBJECT
private slots:
    void init() {
        m_sandbox = std::make_unique<test::TestSandbox>();
        PLStoredModel::dropSharedInstancesForTesting();
        PelnixStateManager::destroyStateManager();
        m_calls = {};
        PelnixStateManager::setDatabaseInitializer([this] { ++m_calls.databaseOpens; });
        PelnixStateManager::setAccountInitializer(
            [this](qint32 id, const QString& email, const QString& token) {
                m_calls.accounts.append({id, email, token});
            });
    }
    void cleanup() {
        PelnixStateManager::destroyStateManager();
        PelnixStateManager::setDatabaseInitializer({});
        PelnixStateManager::setAccountInitializer({});
        PLAppConfigurations::setAccountOverridesSource({});
        PLStoredModel::dropSharedInstancesForTesting();
        m_sandbox.reset();
    }

    void thirdCredentialCreatesTheAccountInAnyOrder();
    void credentialsAreRefusedOnceSetUpIsComplete();
    void parameterCheckListsWhatIsMissing();
    void sessionStatesGateTheCredentials_data();
    void sessionStatesGateTheCredentials();
    void sessionStateChangesClearAppearanceButKeepHostSettings();
    void sessionInfoSurvivesANewProcess();
    void appLockFlagsStartRight();
    void configurationEnvironmentsAndBaseUrl();
    void configurationOverridesByPrecedence();
    void aBaseWithoutItsFinalSlashFormsTheSameAddresses_data();
    void aBaseWithoutItsFinalSlashFormsTheSameAddresses();
    void environmentSelectionOffDropsTheTable();
    void colourConfigurationComesFromItsResource();
    void overLimitAlertNamesTheConfiguredLimit_data();
    void overLimitAlertNamesTheConfiguredLimit();

private:
    std::unique_ptr<test::TestSandbox> m_sandbox;
    AccountCalls m_calls;
};

void TestSessionConfig::thirdCredentialCreatesTheAccountInAnyOrder() {
    auto* state = PelnixStateManager::sharedStateManagerInstance();
    state->setAuthToken(QStringLiteral("tok"));
    state->setUserID(QString());
    QVERIFY(!state->isAllParametersSet());
    state->setUserID(QStringLiteral("42abc"));
    QVERIFY(m_calls.accounts.isEmpty());
    state->setUserEmailID(QStringLiteral("ann@acme.test"));
    QCOMPARE(m_calls.accounts.size(), 1);
    QCOMPARE(m_calls.accounts.at(0),
             std::make_tuple(qint32(42), QStringLiteral("ann@acme.test"), QStringLiteral("tok")));
    QCOMPARE(m_calls.databaseOpens, 1);
    QVERIFY(state->isAllParametersSet());

    // Setting one again re-creates the account; the store is opened once per state object.
    state->setAuthToken(QStringLiteral("tok2"));
    QCOMPARE(m_calls.accounts.size(), 2);
    QCOMPARE(m_calls.databaseOpens, 1);
    QCOMPARE(PelnixStateManager::userIDValue(QStringLiteral("x1")), 0);
    QCOMPARE(PelnixStateManager::userIDValue(QStringLiteral(" -17z")), -17);
    QCOMPARE(PelnixStateManager::userIDValue(QStringLiteral("99999999999")), INT32_MAX);
}

void TestSessionConfig::credentialsAreRefusedOnceSetUpIsComplete() {
    PelnixInfo::sharedInstance()->setSessionState(2);
    auto* state = PelnixStateManager::sharedStateManagerInstance();
    state->setLoggingEnabled(true);
    g_lines.clear();
    auto previous = qInstallMessageHandler(capture);
    state->setAuthToken(QStringLiteral("secret-token"));
    state->setUserEmailID(QStringLiteral("a@b.test"));
    state->setUserID(QStringLiteral("1"));
    qInstallMessageHandler(previous);
    QVERIFY(state->authToken().isEmpty());
    QVERIFY(state->userID().isEmpty());
    QVERIFY(m_calls.accounts.isEmpty());
    QCOMPARE(g_lines, (QStringList{"Pelnix : Failed to set authToken as initialization is completed",
                                   "Pelnix : Failed to set userEmailID as initialization is completed",
                                   "Pelnix : Failed to set userID as initialization is completed"}));
    QVERIFY(!g_lines.join("").contains("secret-token"));
    QVERIFY(state->isAllParametersSet());
    bool ok = false;
    PelnixStateManager::checkWetherUserHasSetAllRequiredParametersWithCompletionHandler(
        [&](bool success, const PLOptionalError& error) { ok = success && !error; });
    QVERIFY(ok);
}

void TestSessionConfig::parameterCheckListsWhatIsMissing() {
    auto* state = PelnixStateManager::sharedStateManagerInstance();
    std::optional<PLError> error;
    bool success = true;
    auto check = [&] {
        PelnixStateManager::checkWetherUserHasSetAllRequiredParametersWithCompletionHandler(
            [&](bool ok, const PLOptionalError& e) {
                success = ok;
                error = e;
            });
    };
    check();
    QVERIFY(!success);
    QCOMPARE(error->code, qint64(-1000));
    QCOMPARE(error->domain, QStringLiteral("inc.karvest.Pelnix"));
    QCOMPARE(error->localizedDescription,
             QStringLiteral("Email ID not set\nUser ID not set\nAuthenticationCode not set\n"));

    state->setUserID(QStringLiteral("5"));
    state->setAuthToken(QStringLiteral("t"));
    check();
    QCOMPARE(error->localizedDescription, QStringLiteral("Email ID not set\n"));

    // Logged in through e-mail verification passes without credentials.
    PelnixStateManager::destroyStateManager();
    PelnixStateManager::sharedStateManagerInstance()->setIsLoginSuccessful(true);
    QCOMPARE(PelnixInfo::sharedInstance()->sessionState(), quint64(1));
    check();
    QVERIFY(success);
    PelnixStateManager::checkWetherUserHasSetAllRequiredParametersWithCompletionHandler({}); // nil is fine
}

void TestSessionConfig::sessionStatesGateTheCredentials_data() {
    QTest::addColumn<quint64>("sessionState");
    QTest::addColumn<bool>("parametersSet");
    QTest::addColumn<bool>("checkPasses");
    QTest::addColumn<bool>("settersAccepted");
    QTest::newRow("no session") << quint64(0) << false << false << true;
    QTest::newRow("logged in") << quint64(1) << false << true << true;
    QTest::newRow("set up") << quint64(2) << true << true << false;
    // The server ended the session: nothing counts as set until the host hands credentials over again.
    QTest::newRow("ended by the server") << quint64(3) << false << false << true;
}

// A new process in each session state, before the host has handed over any credential.
void TestSessionConfig::sessionStatesGateTheCredentials() {
    QFETCH(quint64, sessionState);
    QFETCH(bool, parametersSet);
    QFETCH(bool, checkPasses);
    QFETCH(bool, settersAccepted);
    const auto info = PelnixInfo::sharedInstance();
    info->setSessionState(sessionState);
    QVERIFY(info->save());
    PLStoredModel::dropSharedInstancesForTesting();
    auto* state = PelnixStateManager::sharedStateManagerInstance();

    QCOMPARE(state->isAllParametersSet(), parametersSet);
    bool passed = !checkPasses;
    PLOptionalError error;
    PelnixStateManager::checkWetherUserHasSetAllRequiredParametersWithCompletionHandler(
        [&](bool ok, const PLOptionalError& e) {
            passed = ok;
            error = e;
        });
    QCOMPARE(passed, checkPasses);
    if (!checkPasses) {
        QCOMPARE(error->code, qint64(-1000));
        QCOMPARE(error->localizedDescription,
                 QStringLiteral("Email ID not set\nUser ID not set\nAuthenticationCode not set\n"));
    }
    QCOMPARE(state->isAllParametersSet(), parametersSet);

    state->setUserEmailID(QStringLiteral("ann@acme.test"));
    state->setUserID(QStringLiteral("42"));
    state->setAuthToken(QStringLiteral("tok"));
    QCOMPARE(state->authToken().isEmpty(), !settersAccepted);
    QCOMPARE(m_calls.accounts.size(), settersAccepted ? 1 : 0);
    QVERIFY(state->isAllParametersSet());
    QCOMPARE(PelnixInfo::sharedInstance()->sessionState(), sessionState);
}

void TestSessionConfig::sessionStateChangesClearAppearanceButKeepHostSettings() {
    auto info = PelnixInfo::sharedInstance();
    info->setNavigationTitle(QStringLiteral("Team"));
    info->setMediaIconBase64(QStringLiteral("iVBOR"));
    info->setShowContactsOptions(3);
    info->setAppLockFeatureEnabled(false);
    info->setHostURL(QStringLiteral("http://host.test/"));
    info->setDeviceToken(QStringLiteral("dev"));
    info->setMediaIconScale(2);
    info->setShouldHideCancelButton(true);
    info->setSandBoxingEnabled(true);

    info->setSessionState(0); // unchanged: nothing happens
    QCOMPARE(info->navigationTitle(), QStringLiteral("Team"));
    QVERIFY(!QFile::exists(info->SM_saveFilePath()));

    info->setSessionState(2);
    QCOMPARE(info->navigationTitle(), QStringLiteral("Team"));
    info->setSessionState(0);
    QVERIFY(info->navigationTitle().isEmpty());
    QVERIFY(info->mediaIconBase64().isEmpty());
    QCOMPARE(info->showContactsOptions(), quint64(0));
    QVERIFY(info->appLockFeatureEnabled());
    QCOMPARE(info->hostURL(), QStringLiteral("http://host.test/"));
    QCOMPARE(info->deviceToken(), QStringLiteral("dev"));
    QCOMPARE(info->mediaIconScale(), 2.0);
    QVERIFY(info->shouldHideCancelButton());
    QVERIFY(info->sandBoxingEnabled());
    QVERIFY(QFile::exists(info->SM_saveFilePath())); // the clearing saved

    info->setNavigationTitle(QStringLiteral("Again"));
    info->setSessionState(3);
    QVERIFY(info->navigationTitle().isEmpty());
}

void TestSessionConfig::sessionInfoSurvivesANewProcess() {
    auto fresh = PelnixInfo::sharedInstance();
    QVERIFY(fresh->appLockFeatureEnabled());
    QVERIFY(fresh->sandboxingFeatureEnabled());
    QCOMPARE(fresh->sessionState(), quint64(0));

    fresh->setSessionState(2);
    fresh->setNavigationTitle(QStringLiteral("Grüße"));
    fresh->setNavigationTitleColor(QStringLiteral("#0086caff"));
    fresh->setHostURL(QStringLiteral("http://127.0.0.1:1/"));
    fresh->setPnEnvironmentID(QStringLiteral("dev-cert"));
    fresh->setShowContactsOptions(5);
    fresh->setChatletIconScale(1.5);
    fresh->setSandboxingFeatureEnabled(false);
    fresh->setLeftBarButtonItems({QStringLiteral("not saved")});
    QVERIFY(fresh->save());

    PLStoredModel::dropSharedInstancesForTesting();
    auto loaded = PelnixInfo::sharedInstance();
    QVERIFY(loaded != fresh);
    QCOMPARE(loaded->sessionState(), quint64(2));
    QCOMPARE(loaded->navigationTitle(), QStringLiteral("Grüße"));
    QCOMPARE(loaded->navigationTitleColor(), QStringLiteral("#0086caff"));
    QCOMPARE(loaded->hostURL(), QStringLiteral("http://127.0.0.1:1/"));
    QCOMPARE(loaded->pnEnvironmentID(), QStringLiteral("dev-cert"));
    QCOMPARE(loaded->showContactsOptions(), quint64(5));
    QCOMPARE(loaded->chatletIconScale(), 1.5);
    QVERIFY(!loaded->sandboxingFeatureEnabled());
    QVERIFY(loaded->appLockFeatureEnabled());
    QVERIFY(loaded->leftBarButtonItems().isEmpty());
    QVERIFY(loaded->isLoggedInToPelnix());
}

void TestSessionConfig::appLockFlagsStartRight() {
    auto* lock = PLAppLockSettingsManager::sharedAppLockSettingsManager();
    QVERIFY(lock->shouldShowAppLockScreen());
    QVERIFY(!lock->isAlreadyPresentingLockScreen());
    QCOMPARE(PLAppLockSettingsManager::sharedAppLockSettingsManager(), lock);
}

void TestSessionConfig::configurationEnvironmentsAndBaseUrl() {
    auto* config = PLAppConfigurations::currentConfiguration();
    QCOMPARE(config->currentEnvironment(), QStringLiteral("local"));
    QCOMPARE(config->baseURL(), QStringLiteral("http://127.0.0.1:8080/"));
    QCOMPARE(config->roomsURL(), QStringLiteral("http://127.0.0.1:8080/rooms/"));
    QCOMPARE(config->pictureBucketParameterValue(), QStringLiteral("pelnix.media"));
    QVERIFY(config->maxPendingMessageRetryCount() > 0);

    // A stored choice beats the resource's default environment.
    platform::UserDefaults::setValue(PLAppConfigurations::currentEnvironmentDefaultsKey(),
                                     QStringLiteral("production"));
    PLAppConfigurations::reloadCurrentConfiguration();
    config = PLAppConfigurations::currentConfiguration();
    QCOMPARE(config->currentEnvironment(), QStringLiteral("production"));
    QCOMPARE(config->roomsURL(), QStringLiteral("https://api.pelnix.invalid/rooms/"));

    // An unknown environment leaves the endpoints as the resource's top level gives them.
    platform::UserDefaults::setValue(PLAppConfigurations::currentEnvironmentDefaultsKey(),
                                     QStringLiteral("nowhere"));
    PLAppConfigurations::reloadCurrentConfiguration();
    config = PLAppConfigurations::currentConfiguration();
    QCOMPARE(config->currentEnvironment(), QStringLiteral("nowhere"));
    QVERIFY(config->roomsURL().isEmpty());
    platform::UserDefaults::remove(PLAppConfigurations::currentEnvironmentDefaultsKey());

    // The host's URL takes the place of the environment's base inside every endpoint.
    PelnixInfo::sharedInstance()->setHostURL(QStringLiteral("http://127.0.0.1:5555/"));
    PLAppConfigurations::reloadCurrentConfiguration();
    config = PLAppConfigurations::currentConfiguration();
    QCOMPARE(config->roomsURL(), QStringLiteral("http://127.0.0.1:5555/rooms/"));
    QCOMPARE(config->eventsURL(), QStringLiteral("http://127.0.0.1:5555/events?"));
}

void TestSessionConfig::configurationOverridesByPrecedence() {
    auto info = PelnixInfo::sharedInstance();
    auto* config = PLAppConfigurations::currentConfiguration();
    info->setHostURL(QString(QLatin1String("")));
    QCOMPARE(config->baseURL(),
             QStringLiteral("http://127.0.0.1:8080/")); // an empty host URL does not override
    info->setHostURL(QStringLiteral("http://host.test/"));
    info->setPnEnvironmentID(QStringLiteral("host-cert"));
    QCOMPARE(config->baseURL(), QStringLiteral("http://host.test/"));
    QCOMPARE(config->pushNotificationCertificateName(), QStringLiteral("host-cert"));

    PLAccountConfigurationOverrides account;
    PLAppConfigurations::setAccountOverridesSource([&account] { return account; });
    account.userConfigBaseURL = QStringLiteral("https://server.test/");
    account.userConfigPictureBucketName = QStringLiteral("bucket-2");
    // Read anew on every call.
    QCOMPARE(config->baseURL(), QStringLiteral("https://server.test/"));
    QCOMPARE(config->pictureBucketParameterValue(), QStringLiteral("bucket-2"));
    QCOMPARE(config->pushNotificationCertificateName(), QStringLiteral("host-cert"));
    account.userConfigPNCertificateName = QStringLiteral("server-cert");
    QCOMPARE(config->pushNotificationCertificateName(), QStringLiteral("server-cert"));
}

void TestSessionConfig::aBaseWithoutItsFinalSlashFormsTheSameAddresses_data() {
    QTest::addColumn<QString>("hostURL");
    QTest::addColumn<QString>("serverURL");
    QTest::addColumn<QString>("base");
    QTest::newRow("host URL with its slash") << "http://127.0.0.1:5555/"
                                             << ""
                                             << "http://127.0.0.1:5555/";
    QTest::newRow("host URL without it") << "http://127.0.0.1:5555"
                                         << ""
                                         << "http://127.0.0.1:5555/";
    QTest::newRow("host URL with a path") << "http://host.test/pelnix"
                                          << ""
                                          << "http://host.test/pelnix/";
    QTest::newRow("server URL without it") << "http://127.0.0.1:5555/"
                                           << "https://server.test"
                                           << "https://server.test/";
}

void TestSessionConfig::aBaseWithoutItsFinalSlashFormsTheSameAddresses() {
    QFETCH(QString, hostURL);
    QFETCH(QString, serverURL);
    QFETCH(QString, base);
    PLAccountConfigurationOverrides account;
    account.userConfigBaseURL = serverURL;
    PLAppConfigurations::setAccountOverridesSource([account] { return account; });
    PelnixInfo::sharedInstance()->setHostURL(hostURL);
    PLAppConfigurations::reloadCurrentConfiguration();
    auto* config = PLAppConfigurations::currentConfiguration();
    QCOMPARE(config->baseURL(), base);
    QCOMPARE(config->roomsURL(), base + QStringLiteral("rooms/"));
    QCOMPARE(config->basePublicURL(), base + QStringLiteral("api/public?"));
    QVERIFY(QUrl(config->eventsURL(), QUrl::StrictMode).isValid());
}

void TestSessionConfig::environmentSelectionOffDropsTheTable() {
    auto* config = PLAppConfigurations::currentConfiguration();
    QVERIFY(!config->disaplayEnvironmentSelection());
    QVERIFY(config->environments().isEmpty());
    QVERIFY(config->environmentsInfo().isEmpty());
    const QString rooms = config->roomsURL();
    config->setEnvironment(QStringLiteral("production"));
    QCOMPARE(config->currentEnvironment(), QStringLiteral("production"));
    QCOMPARE(config->roomsURL(), rooms); // no table left: only the name changes
    QVERIFY(!platform::UserDefaults::contains(PLAppConfigurations::currentEnvironmentDefaultsKey()));
    config->setEnvironment(QString());
    QCOMPARE(config->currentEnvironment(), QStringLiteral("production"));
}

void TestSessionConfig::colourConfigurationComesFromItsResource() {
    const auto colours = PLColorConfiguration::colorConfiguration();
    QCOMPARE(PLColorConfiguration::colorConfiguration(), colours);
    // The bundle's own colours: a title colour that is a whole, opaque colour text.
    QCOMPARE(colours->navigationTitleColor(), QStringLiteral("404040"));
    QCOMPARE(colours->cellSelectionHighlightColor(), QStringLiteral("d0ebd7"));
    QCOMPARE(colours->logoImageName(), QStringLiteral("pelnix_logo_big"));
    QVERIFY(colours->domainSpecificColorConfiguration().isEmpty());

    // A persisted object: a saved change is what the next process loads.
    colours->setNavigationTitleColor(QStringLiteral("0086ca"));
    colours->setDomainSpecificColorConfiguration({{QStringLiteral("acme.test"), QStringLiteral("25a549")}});
    QVERIFY(colours->save());
    QVERIFY(QFile::exists(colours->SM_saveFilePath()));
    QVERIFY(colours->SM_saveFilePath().endsWith(QStringLiteral("/PLColorConfiguration.plist")));
    PLStoredModel::dropSharedInstancesForTesting();
    const auto loaded = PLColorConfiguration::colorConfiguration();
    QVERIFY(loaded != colours);
    QCOMPARE(loaded->navigationTitleColor(), QStringLiteral("0086ca"));
    QCOMPARE(loaded->domainSpecificColorConfiguration().value(QStringLiteral("acme.test")).toString(),
             QStringLiteral("25a549"));
    QCOMPARE(loaded->logoImageName(), QStringLiteral("pelnix_logo_big"));
}

void TestSessionConfig::overLimitAlertNamesTheConfiguredLimit_data() {
    QTest::addColumn<quint64>("limit");
    QTest::addColumn<QString>("message");
    QTest::newRow("the bundle's 25 MiB") << quint64(26214400) << "Max 25MB can be uploaded";
    QTest::newRow("15 MiB") << quint64(15728640) << "Max 15MB can be uploaded";
    QTest::newRow("2.5 MiB") << quint64(2621440) << "Max 2.5MB can be uploaded";
    QTest::newRow("10 million bytes, rounded down") << quint64(10000000) << "Max 9.5MB can be uploaded";
    QTest::newRow("a byte under 1 MiB") << quint64(1048575) << "Max 1023.9KB can be uploaded";
    QTest::newRow("1 MiB") << quint64(1048576) << "Max 1MB can be uploaded";
    QTest::newRow("512 KiB") << quint64(524288) << "Max 512KB can be uploaded";
    QTest::newRow("1.5 KiB") << quint64(1536) << "Max 1.5KB can be uploaded";
    QTest::newRow("100 bytes") << quint64(100) << "Max 100 bytes can be uploaded";
    QTest::newRow("1 byte") << quint64(1) << "Max 1 byte can be uploaded";
    QTest::newRow("nothing") << quint64(0) << "Max 0 bytes can be uploaded";
    QTest::newRow("2 GiB") << quint64(1) * 2 * 1024 * 1024 * 1024 << "Max 2GB can be uploaded";
    QTest::newRow("1.5 GiB") << quint64(1610612736) << "Max 1.5GB can be uploaded";
    QTest::newRow("largest count") << std::numeric_limits<quint64>::max()
                                   << "Max 17179869183.9GB can be uploaded";
}

void TestSessionConfig::overLimitAlertNamesTheConfiguredLimit() {
    QFETCH(quint64, limit);
    QFETCH(QString, message);
    QCOMPARE(UploadSizeLimitText::overLimitMessage(limit), message);
    // The configured limit is the one named.
    auto* config = PLAppConfigurations::currentConfiguration();
    const quint64 saved = config->uploadSizeLimit();
    config->setProperty("uploadSizeLimit", limit);
    QCOMPARE(UploadSizeLimitText::currentOverLimitMessage(), message);
    config->setProperty("uploadSizeLimit", saved);
    QCOMPARE(saved, quint64(26214400));
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QCoreApplication app(argc, argv);
    TestSessionConfig t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_session_config.moc"
