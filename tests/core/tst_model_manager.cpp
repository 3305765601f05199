// The model manager's store duties: opening, the version check, the upgrade steps, the clean-up of
// the previous major version and the wipe-and-reopen.
#include "TestSandbox.h"
#include "core/model/Asset.h"
#include "core/model/Challenge.h"
#include "core/model/ChatRoom.h"
#include "core/model/CurrentUserInfo.h"
#include "core/model/Message.h"
#include "core/model/PLModelManager.h"
#include "core/model/StyleSheetXSLT.h"
#include "core/model/User.h"
#include "core/session/PelnixInfo.h"
#include "foundation/PLStoredModel.h"
#include "foundation/StandardFolders.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSemaphore>
#include <QTest>

using namespace pelnix;
using namespace pelnix::test;

namespace {

PLModelManager* manager() {
    return PLModelManager::sharedModelManager();
}

// Closes the store and forgets the manager, as a relaunch would.
void relaunch() {
    PLPersistence::cleanUp();
    PLModelManager::destroySharedInstance();
    PLStoredModel::dropSharedInstancesForTesting();
}

void writeFile(const QString& path, const QByteArray& data = "x") {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(data);
}

// Records the names of the notifications it is told about, in order.
struct NotificationLog {
    QStringList names;
    QList<int> versionsSeen;
    QStringList storedActions; // what a fresh context reads from the file at that moment
    NotificationLog() {
        for (const char* name :
             {PLPelnixWillBeginDatabaseUpgradeNotification, PLDatabaseUpgradedNotification})
            tokens << platform::NotificationCenter::defaultCenter()->addObserver(
                QString::fromLatin1(name), [this](const platform::Notification& n) {
                    names << n.name;
                    const auto row = CurrentUserInfo::PS_findFirst();
                    versionsSeen << (row ? row->version() : -1);
                    const auto stored =
                        Message::PS_findFirstByAttribute("messageId", "form", PLPersistence::PS_context());
                    storedActions << (stored ? stored->latestAction() : QString("none"));
                });
    }
    ~NotificationLog() {
        for (auto token : tokens)
            platform::NotificationCenter::defaultCenter()->removeObserver(token);
    }
    QList<platform::NotificationCenter::Token> tokens;
};

// A store as an older version left it: one account at `version` with `status`.
void makeStoreAt(int version, int status) {
    manager()->initialize();
    auto row = CurrentUserInfo::currentUserInfo();
    row->setVersion(qint16(version));
    row->setStatus(qint16(status));
    row->save();
    relaunch();
}

} // namespace

class TestModelManager : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { relaunch(); }

    void upgradeFromVersion2RunsEveryStepOnce();
    void versionCheckFollowsStatus_data();
    void versionCheckFollowsStatus();
    void forcedUpgradeAtCurrentVersionStillAnnouncesAndSaves();
    void previousVersionCleanUpStaysInsideTheSandboxAndSparesTheStore();
    void wipeAndReopenMakesAFreshAccount();
    void failedWipeLeavesAClosedStoreThatAnswersEmpty();
    void theEventQueueEndsWithTheApplication();
};

void TestModelManager::upgradeFromVersion2RunsEveryStepOnce() {
    TestSandbox sandbox;
    manager()->initialize();
    {
        auto row = CurrentUserInfo::currentUserInfo();
        row->setVersion(2);
        row->setStatus(3);
        row->setDeviceToken("device-1");
        auto room = ChatRoom::PS_createEntity();
        room->setRoomId("r1");
        auto older = Message::PS_createEntity();
        older->setDate(1000);
        older->setAssetUrl("file:///old/a.jpg");
        older->setText(R"({"fileUrl":"https://files.test/a.jpg"})");
        older->setReplyCount(2);
        older->setExpired(true);
        room->addMessagesObject(older);
        auto newer = Message::PS_createEntity();
        newer->setDate(5000);
        newer->setAssetUrl("file:///old/b.jpg");
        newer->setText("not json");
        newer->setXsltName("rmform");
        room->addMessagesObject(newer);
        auto form = Message::PS_createEntity();
        form->setMessageId("form");
        form->setDate(3000);
        form->setXsltName("rmform");
        form->setReplyCount(1);
        form->setText(R"({"fileId":"f9","fileUrl":"https://files.test/f9.pdf"})");
        room->addMessagesObject(form);
        auto left = ChatRoom::PS_createEntity();
        left->setStatus(1);
        left->addMessagesObject(Message::PS_createEntity());
        left->messages().first()->setDate(7000);
        for (const char* category : {"detailform", "commentform", "form"}) {
            auto sheet = StyleSheetXSLT::PS_createEntity();
            sheet->setCategory(category);
        }
        row->save();
    }
    writeFile(StandardFolders::publicDataPath() + "/r1/f9.pdf");
    relaunch();

    manager()->initialize();
    QCOMPARE(manager()->needsUpgrade(), 1.0);
    NotificationLog log;
    manager()->checkForUpgradeForSDK();
    QVERIFY(log.names.isEmpty()); // on the main thread's next turn
    QTRY_COMPARE(manager()->needsUpgrade(), 0.0);
    QCOMPARE(log.names,
             (QStringList{"DatabaseWillBeginDatabaseUpgradeNotification", "DatabaseUpgradedNotification"}));
    QCOMPARE(log.versionsSeen, (QList<int>{2, 2})); // stamped after the steps
    // Nothing reached the file before the one save that also stamps the version.
    QCOMPARE(log.storedActions, (QStringList{"", ""}));
    QCOMPARE(
        Message::PS_findFirstByAttribute("messageId", "form", PLPersistence::PS_context())->latestAction(),
        QString("reply"));
    QCOMPARE(PelnixInfo::sharedInstance()->sessionState(), 2ull);
    QCOMPARE(PelnixInfo::sharedInstance()->deviceToken(), QString("device-1"));

    // Everything is stored: read it back after a relaunch.
    relaunch();
    manager()->initialize();
    QCOMPARE(manager()->needsUpgrade(), 0.0);
    QCOMPARE(CurrentUserInfo::currentUserInfo()->version(), 8);
    auto room = ChatRoom::PS_findFirstByAttribute("roomId", "r1");
    QCOMPARE(room->activityDate(), 5000);
    QCOMPARE(ChatRoom::PS_findFirstByAttribute("status", 1)->activityDate(), 0); // left rooms keep theirs
    const auto messages = Message::PS_findAllSortedBy("date", true, Message::Predicate());
    const auto older = messages.at(0);
    QCOMPARE(older->assetUrl(), QString());
    QCOMPARE(older->assets().size(), 1);
    QCOMPARE(older->assets().first()->remoteURL(), QString("https://files.test/a.jpg"));
    QCOMPARE(older->assets().first()->localURL(), QString("file:///old/a.jpg"));
    QCOMPARE(older->latestAction(), QString("expired")); // the last matching rule wins
    const auto form = Message::PS_findFirstByAttribute("messageId", "form");
    QCOMPARE(form->latestAction(), QString("reply"));
    QCOMPARE(form->assets().size(), 1);
    QCOMPARE(form->assets().first()->localURL(), StandardFolders::publicDataPath() + "/r1/f9.pdf");
    const auto newer = Message::PS_findFirstWithPredicate(platform::PredicateKey("date") == 5000);
    QCOMPARE(newer->assetUrl(), QString("file:///old/b.jpg")); // no "fileUrl": kept
    QCOMPARE(newer->latestAction(), QString("init"));
    QCOMPARE(Asset::PS_countOfEntities(), 2);
    QCOMPARE(StyleSheetXSLT::PS_countOfEntities(), 1);
}

void TestModelManager::versionCheckFollowsStatus_data() {
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("version");
    QTest::addColumn<bool>("needsUpgrade");
    QTest::newRow("registration requested, old data") << 1 << 2 << false;
    QTest::newRow("verified, old data") << 2 << 7 << true;
    QTest::newRow("removed, old data") << 4 << 3 << true;
    QTest::newRow("active, current data") << 3 << 8 << false;
}

void TestModelManager::versionCheckFollowsStatus() {
    QFETCH(int, status);
    QFETCH(int, version);
    QFETCH(bool, needsUpgrade);
    TestSandbox sandbox;
    makeStoreAt(version, status);
    manager()->initialize();
    QCOMPARE(manager()->needsUpgrade() != 0.0, needsUpgrade);
    QCOMPARE(CurrentUserInfo::currentUserInfo()->version(), version);
}

void TestModelManager::forcedUpgradeAtCurrentVersionStillAnnouncesAndSaves() {
    TestSandbox sandbox;
    // A new store (status 0) is stamped current without any upgrade.
    manager()->initialize();
    QCOMPARE(manager()->needsUpgrade(), 0.0);
    QCOMPARE(CurrentUserInfo::currentUserInfo()->version(), 8);
    auto row = CurrentUserInfo::currentUserInfo();
    row->setStatus(3);
    auto sheet = StyleSheetXSLT::PS_createEntity();
    sheet->setCategory("detailform"); // only step 4 would remove it
    NotificationLog log;
    manager()->upgrade();
    QCOMPARE(log.names.size(), 2);
    QCOMPARE(StyleSheetXSLT::PS_countOfEntities(), 1);
    QVERIFY(!PLPersistence::PS_defaultContext()->hasChanges()); // saved
}

void TestModelManager::previousVersionCleanUpStaysInsideTheSandboxAndSparesTheStore() {
    TestSandbox sandbox;
    QTemporaryDir outside;
    writeFile(outside.filePath("Documents/keep.txt"));
    // A store left in Documents by the previous version is the one that opens.
    writeFile(sandbox.path("Documents/Pelnix.xcdatamodeld"), {});
    writeFile(sandbox.path("Documents/old.txt"));
    writeFile(sandbox.path("Documents/room/picture.jpg"));
    writeFile(sandbox.path("Library/stray.plist"));
    writeFile(sandbox.path("Library/Application Support/PelnixInfo.plist"));
    platform::UserDefaults::setValue("UserDefaultsKey", QByteArray("previous"));

    manager()->initialize();
    QVERIFY(QFile::exists(sandbox.path("Documents/Pelnix.xcdatamodeld")));
    QVERIFY(!QFile::exists(sandbox.path("Documents/old.txt")));
    QVERIFY(!QDir(sandbox.path("Documents/room")).exists());
    QVERIFY(!QFile::exists(sandbox.path("Library/stray.plist")));
    QVERIFY(QFile::exists(sandbox.path("Library/Application Support/PelnixInfo.plist")));
    QVERIFY(QFile::exists(outside.filePath("Documents/keep.txt")));
    // The store survived its neighbours' removal: the stamped row is there after a relaunch.
    relaunch();
    manager()->initialize();
    QCOMPARE(CurrentUserInfo::currentUserInfo()->version(), 8);

    PLModelManager::cleanupPreviousVersionDefaults();
    QVERIFY(!PLModelManager::isUpgradedFromVersion2x());
}

void TestModelManager::wipeAndReopenMakesAFreshAccount() {
    TestSandbox sandbox;
    manager()->initialize();
    auto row = CurrentUserInfo::currentUserInfo();
    row->setStatus(3);
    row->user()->setUserID(41);
    row->save();

    QCOMPARE(manager()->cleanAndResetupDB(), PLOptionalError());
    QCOMPARE(CurrentUserInfo::PS_countOfEntities(), 1);
    QCOMPARE(CurrentUserInfo::currentUserInfo()->status(), 0);
    QCOMPARE(CurrentUserInfo::currentUserID(), 0);
    QCOMPARE(CurrentUserInfo::currentUserInfo()->challenge()->salt(), QString(""));
}

void TestModelManager::failedWipeLeavesAClosedStoreThatAnswersEmpty() {
    TestSandbox sandbox;
    manager()->initialize();
    CurrentUserInfo::currentUserInfo()->user()->setUserID(41);
    CurrentUserInfo::currentUserInfo()->save();
    const QString path = PLPersistence::PS_defaultStore()->path();
    PLModelManager::setFileRemover([](const QString&) { return false; });
    const PLOptionalError error = manager()->cleanAndResetupDB();
    PLModelManager::setFileRemover({});

    QVERIFY(error);
    QVERIFY(error->localizedDescription.contains(QFileInfo(path).fileName()));
    QVERIFY(!PLPersistence::PS_defaultStore());
    QVERIFY(!CurrentUserInfo::currentUserInfo());
    QCOMPARE(CurrentUserInfo::currentUserID(), 0);
    QVERIFY(User::allActiveUsers({}).isEmpty());
    QVERIFY(!User::userWithIntID(41));
}

// The child half of the test below: an application whose event queue is busy as it ends. Exits 0
// when the model manager, and with it the queue's thread, went with the application.
static int runExitChild(int argc, char** argv) {
    {
        QCoreApplication app(argc, argv);
        TestSandbox sandbox;
        PLModelManager::sharedModelManager()->initialize();
        QSemaphore running;
        PLModelManager::sharedModelManager()->addToDataProcessingQueue([&running] {
            running.release();
            for (int i = 0; i < 200; ++i) // still working on the store while the application ends
                ChatRoom::totalUnreadMessagesCount();
        });
        for (int i = 0; i < 100; ++i)
            PLModelManager::sharedModelManager()->addToDataProcessingQueue(
                [] { ChatRoom::totalUnreadMessagesCount(); });
        running.acquire();
    }
    return PLModelManager::hasSharedInstance() ? 1 : 0;
}

void TestModelManager::theEventQueueEndsWithTheApplication() {
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--exit-child")});
    QVERIFY(child.waitForFinished(60000));
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), 0);
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    if (argc == 2 && QByteArray(argv[1]) == "--exit-child")
        return runExitChild(argc, argv);
    QCoreApplication app(argc, argv);
    TestModelManager test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_model_manager.moc"
