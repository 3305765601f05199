// The host's start-up road against the stand-in: the parameter check, a first start through the
// bring-up, a relaunch in the set-up state, waiting start-ups answered once each, failures, and the
// session's reset.
#include "FacadeTestKit.h"
#include "ModelManagerHooksDouble.h"
#include "core/model/ChatRoom.h"
#include "core/model/CurrentUserInfo.h"
#include "core/model/Message.h"
#include "core/model/PLModelManager.h"
#include "core/session/PelnixInfo.h"
#include "core/session/PelnixStateManager.h"
#include "foundation/PLStoredModel.h"
#include "foundation/persistence/PLPersistence.h"
#include "interface/Pelnix.h"
#include "media/PLMultiMediaInfo.h"
#include "media/PLRichMediaOutbox.h"
#include "media/PLRichMediaPosts.h"
#include "platform/NotificationCenter.h"
#include "platform/store/SqliteConnection.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace pelnix;
using namespace pelnix::test;

namespace {

struct Answers {
    struct Answer {
        bool success = false;
        PLOptionalError error;
        QString message;
    };
    QList<Answer> list;
    PLResultHandler handler() {
        return [this](bool s, const PLOptionalError& e, const QString& m) { list.append({s, e, m}); };
    }
};

// What a new process of the host starts from: the store and the saved session, nothing in memory.
void relaunch() {
    PLModelManager::destroySharedInstance();
    PLPersistence::cleanUp();
    PelnixStateManager::destroyStateManager();
    PLStoredModel::dropSharedInstancesForTesting();
}

// Counts the notifications of the given names.
struct NotificationCount {
    explicit NotificationCount(const QStringList& names) {
        for (const QString& name : names)
            tokens << platform::NotificationCenter::defaultCenter()->addObserver(
                name, [this](const platform::Notification& n) { counts[n.name] += 1; });
    }
    ~NotificationCount() {
        for (auto token : tokens)
            platform::NotificationCenter::defaultCenter()->removeObserver(token);
    }
    QHash<QString, int> counts;
    QList<platform::NotificationCenter::Token> tokens;
};

// A finished first start whose store an older version of the library wrote (schema version 7),
// relaunched in the given session state.
void leaveAnOldStore(CoreFixture& world, quint64 sessionState) {
    signIn(world);
    Answers first;
    Pelnix::initWithCompletionHandler(first.handler());
    QTRY_COMPARE(first.list.size(), 1);
    QVERIFY(first.list[0].success);
    auto account = CurrentUserInfo::currentUserInfo();
    account->setVersion(7);
    account->save();
    const auto info = PelnixInfo::sharedInstance();
    info->setSessionState(sessionState);
    info->save();
    relaunch();
    QTRY_COMPARE(world.server().openStreams(world.userID()), 0);
}

// Runs `sql` on the store's file while the store is closed.
void onTheStoreFile(const QString& path, const QString& sql) {
    platform::SqliteConnection connection;
    QString problem;
    QVERIFY2(connection.open(path, &problem), qPrintable(problem));
    QVERIFY2(connection.exec(sql), qPrintable(connection.lastError()));
}

void seedOpsRoom(CoreFixture& world) {
    world.server().seed(QJsonObject{
        {"org", "acme"},
        {"users",
         QJsonArray{QJsonObject{{"id", 42}, {"email", "bob@acme.test"}, {"name", "Bob"}, {"token", "b0b"}}}},
        {"rooms", QJsonArray{QJsonObject{
                      {"_id", "r1"}, {"name", "Ops"}, {"members", QJsonArray{41, 42}}, {"admin", 42}}}}});
}

} // namespace

class TestStartUp : public QObject {
    Q_OBJECT
private slots:
    void init() {
        world = std::make_unique<CoreFixture>();
        hooks = std::make_unique<ModelManagerHooksDouble>();
    }
    void cleanup() {
        PLModelManager::destroySharedInstance();
        PLPersistence::cleanUp();
        PelnixStateManager::destroyStateManager();
        hooks.reset();
        PLModelManager::resetHooks();
        world.reset();
    }

    void missingCredentialsAreListedAfterTheCallReturns();
    void firstStartThenRelaunch();
    void firstStartImportsTheServersRooms();
    void startUpsWaitingTogetherAreEachAnsweredOnce();
    void failedBringUpAnswersOnce();
    void bringUpEndings_data();
    void bringUpEndings();
    void resetEmptiesTheSession();
    void sessionEndedByTheServerWaitsForNewCredentials();
    void aMessageReadOnTheMainThreadReachesTheBadge();
    void videoAttachmentGoesOutWithItsPreviewAndSize();
    void startWithAnOldStoreUpgradesAndGoesOn_data();
    void startWithAnOldStoreUpgradesAndGoesOn();
    void failedUpgradeEndsTheStartAndTheNextLaunchFinishesIt();

private:
    void startWithTheLibrarysOwnBringUp();

    std::unique_ptr<CoreFixture> world;
    std::unique_ptr<ModelManagerHooksDouble> hooks;
};

void TestStartUp::missingCredentialsAreListedAfterTheCallReturns() {
    Pelnix::setUserEmailID(world->email());
    Answers answers;
    Pelnix::initWithCompletionHandler(answers.handler());
    QCOMPARE(answers.list.size(), 0);
    QTRY_COMPARE(answers.list.size(), 1);
    QVERIFY(!answers.list[0].success);
    QCOMPARE(answers.list[0].error->code, -1000);
    QCOMPARE(answers.list[0].error->localizedDescription,
             QStringLiteral("User ID not set\nAuthenticationCode not set\n"));
    QCOMPARE(Pelnix::sessionState(), quint64(0));
}

void TestStartUp::firstStartThenRelaunch() {
    signIn(*world);
    Answers first;
    Pelnix::initWithCompletionHandler(first.handler());
    QTRY_COMPARE(first.list.size(), 1);
    QVERIFY2(first.list[0].success, qPrintable(first.list[0].message));
    QCOMPARE(Pelnix::sessionState(), quint64(2));
    QTRY_VERIFY(world->server().openStreams(world->userID()) > 0);
    QCOMPARE(hooks->count("rooms"), 1);
    // The bring-up's downloads are the smart-message layer's own.
    const int stylesheetLists = world->requestsTo("xslt");
    QVERIFY(stylesheetLists > 0);

    // Credentials are refused while set up; a new process starts at once, without a bring-up,
    // and its stream connects again.
    Pelnix::setAuthenticationCode(QStringLiteral("other"));
    QCOMPARE(PelnixStateManager::sharedStateManagerInstance()->authToken(), world->token());
    world->server().closeStreams();
    relaunch();
    const int streamsBefore = world->requestsTo("/events");
    Answers second;
    Pelnix::initWithCompletionHandler(second.handler());
    QTRY_COMPARE(second.list.size(), 1);
    QVERIFY(second.list[0].success);
    QVERIFY(!second.list[0].error);
    QCOMPARE(hooks->count("rooms"), 1);
    QCOMPARE(world->requestsTo("xslt"), stylesheetLists);
    QTRY_VERIFY(world->requestsTo("/events") > streamsBefore);
}

// The library's own bring-up, without stand-ins for the room list or the outbox, with the group
// "Ops" (r1) of the fixture's user and Bob on the server.
void TestStartUp::startWithTheLibrarysOwnBringUp() {
    hooks.reset();
    seedOpsRoom(*world);
    signIn(*world);
    Answers answers;
    Pelnix::initWithCompletionHandler(answers.handler());
    QTRY_COMPARE(answers.list.size(), 1);
    QVERIFY2(answers.list[0].success, qPrintable(answers.list[0].message));
}

void TestStartUp::firstStartImportsTheServersRooms() {
    startWithTheLibrarysOwnBringUp();
    QCOMPARE(Pelnix::sessionState(), quint64(2));
    const auto groups = Pelnix::pelnixGroups();
    QVERIFY(groups);
    QCOMPARE(groups->size(), 1);
    QCOMPARE(groups->first().name, QStringLiteral("Ops"));
    QTRY_VERIFY(world->server().openStreams(world->userID()) > 0);
}

void TestStartUp::startUpsWaitingTogetherAreEachAnsweredOnce() {
    signIn(*world);
    world->setOnline(true);
    Answers a, b;
    Pelnix::initWithCompletionHandler(a.handler());
    Pelnix::initWithCompletionHandler(b.handler());
    QTRY_COMPARE(a.list.size(), 1);
    QTRY_COMPARE(b.list.size(), 1);
    QVERIFY(a.list[0].success && b.list[0].success);
    QCOMPARE(hooks->count("rooms"), 1);
    // Nothing is answered twice later on.
    Answers c;
    Pelnix::initWithCompletionHandler(c.handler());
    QTRY_COMPARE(c.list.size(), 1);
    QCOMPARE(a.list.size(), 1);
    QCOMPARE(b.list.size(), 1);
}

void TestStartUp::failedBringUpAnswersOnce() {
    signIn(*world);
    hooks->failRooms = true;
    Answers answers;
    Pelnix::initWithCompletionHandler(answers.handler());
    QTRY_COMPARE(answers.list.size(), 1);
    QVERIFY(!answers.list[0].success);
    QVERIFY(Pelnix::sessionState() != 2);
    QVERIFY(!PelnixStateManager::sharedStateManagerInstance()->isInitialSetUpDone());

    // Offline: the bring-up cannot start its downloads, and the host still hears once.
    hooks->failRooms = false;
    world->setOnline(false);
    Answers offline;
    Pelnix::initWithCompletionHandler(offline.handler());
    QTRY_COMPARE(offline.list.size(), 1);
    QVERIFY(!offline.list[0].success);
    QCOMPARE(answers.list.size(), 1);

    // Back online, a new call finishes the start.
    world->setOnline(true);
    Answers again;
    Pelnix::initWithCompletionHandler(again.handler());
    QTRY_COMPARE(again.list.size(), 1);
    QVERIFY(again.list[0].success);
    QCOMPARE(offline.list.size(), 1);
}

void TestStartUp::bringUpEndings_data() {
    QTest::addColumn<QVariantMap>("userInfo");
    QTest::addColumn<bool>("success");
    QTest::addColumn<bool>("hasError");
    QTest::addColumn<QString>("message");
    QTest::newRow("no user info") << QVariantMap() << true << false << QString();
    QTest::newRow("empty error, a message")
        << QVariantMap{{"Error", ""}, {"Msg", "Failed to update from JSON"}} << false << false
        << "Failed to update from JSON";
    QTest::newRow("an error") << QVariantMap{{"Error", QVariant::fromValue(PLError("d", 5, "x"))},
                                             {"Msg", ""}}
                              << false << true << "";
}

void TestStartUp::bringUpEndings() {
    QFETCH(QVariantMap, userInfo);
    QFETCH(bool, success);
    QFETCH(bool, hasError);
    QFETCH(QString, message);
    signIn(*world);
    Answers answers;
    Pelnix::chatRoomsFetchCompletedWithInfo(userInfo, answers.handler());
    QCOMPARE(answers.list.size(), 0);
    QTRY_COMPARE(answers.list.size(), 1);
    QCOMPARE(answers.list[0].success, success);
    QCOMPARE(answers.list[0].error.has_value(), hasError);
    QCOMPARE(answers.list[0].message, message);
    QCOMPARE(Pelnix::sessionState() == 2, success);
}

void TestStartUp::resetEmptiesTheSession() {
    signIn(*world);
    Answers answers;
    Pelnix::initWithCompletionHandler(answers.handler());
    QTRY_COMPARE(answers.list.size(), 1);
    QVERIFY(answers.list[0].success);
    Pelnix::resetPelnixSession();
    QCOMPARE(Pelnix::sessionState(), quint64(0));
    QVERIFY(!PelnixStateManager::sharedStateManagerInstance()->isInitialSetUpDone());
    QCOMPARE(ChatRoom::PS_countOfEntities(), 0);
    QCOMPARE(Pelnix::numberOfUnreadMessages(), 0);
    QTRY_COMPARE(world->server().openStreams(world->userID()), 0);
}

void TestStartUp::sessionEndedByTheServerWaitsForNewCredentials() {
    signIn(*world);
    Answers first;
    Pelnix::initWithCompletionHandler(first.handler());
    QTRY_COMPARE(first.list.size(), 1);
    QVERIFY(first.list[0].success);
    QTRY_VERIFY(world->server().openStreams(world->userID()) > 0);
    // The server removes the account from its organisation.
    world->server().injectRaw(world->userID(), QString("data: {\"type\":\"userremoved\",\"date\":5,"
                                                       "\"message\":{\"userId\":%1}}\n")
                                                   .arg(world->userID())
                                                   .toStdString());
    QTRY_COMPARE(Pelnix::sessionState(), quint64(3));

    // The host's next process starts before it has handed over any credential: refused, listing
    // all three, with nothing sent and the ended session kept.
    relaunch();
    const int bringUps = hooks->count("rooms");
    const int stylesheetLists = world->requestsTo("xslt");
    Answers refused;
    Pelnix::initWithCompletionHandler(refused.handler());
    QTRY_COMPARE(refused.list.size(), 1);
    QVERIFY(!refused.list[0].success);
    QCOMPARE(refused.list[0].error->code, -1000);
    QCOMPARE(refused.list[0].error->localizedDescription,
             QStringLiteral("Email ID not set\nUser ID not set\nAuthenticationCode not set\n"));
    QCOMPARE(Pelnix::sessionState(), quint64(3));
    QVERIFY(!PelnixStateManager::sharedStateManagerInstance()->isInitialSetUpDone());
    QVERIFY(!PelnixStateManager::sharedStateManagerInstance()->isAllParametersSet());
    QCOMPARE(hooks->count("rooms"), bringUps);
    QCOMPARE(world->requestsTo("xslt"), stylesheetLists);

    // Credentials are taken again in the ended state, and the start runs the whole bring-up.
    signIn(*world);
    QCOMPARE(PelnixStateManager::sharedStateManagerInstance()->authToken(), world->token());
    QCOMPARE(CurrentUserInfo::currentUserInfo()->status(), 3);
    Answers again;
    Pelnix::initWithCompletionHandler(again.handler());
    QTRY_COMPARE(again.list.size(), 1);
    QVERIFY2(again.list[0].success, qPrintable(again.list[0].message));
    QCOMPARE(hooks->count("rooms"), bringUps + 1);
    QCOMPARE(Pelnix::sessionState(), quint64(2));
    QVERIFY(PelnixStateManager::sharedStateManagerInstance()->isInitialSetUpDone());
    QTRY_VERIFY(world->server().openStreams(world->userID()) > 0);
}

void TestStartUp::aMessageReadOnTheMainThreadReachesTheBadge() {
    world->server().seed(QJsonObject{
        {"users", QJsonArray{QJsonObject{{"id", 42}, {"email", "bob@acme.test"}, {"name", "Bob"}}}},
        {"rooms", QJsonArray{QJsonObject{{"_id", "r1"}, {"name", "Ops"}, {"members", QJsonArray{41, 42}}},
                             QJsonObject{{"_id", "r2"}, {"name", "Dev"}, {"members", QJsonArray{41, 42}}}}}});
    signIn(*world);
    Answers answers;
    Pelnix::initWithCompletionHandler(answers.handler());
    QTRY_COMPARE(answers.list.size(), 1);
    QVERIFY(answers.list[0].success);
    QTRY_VERIFY(world->server().openStreams(world->userID()) > 0);
    // Bob's messages arrive through the stream: 12 in one room, 8 in the other.
    const qint64 base = QDateTime::currentMSecsSinceEpoch();
    for (int i = 0; i < 20; ++i)
        world->server().injectEvent(world->userID(), QJsonObject{{"roomId", i < 12 ? "r1" : "r2"},
                                                                 {"_id", QString("m%1").arg(i)},
                                                                 {"type", "message"},
                                                                 {"date", double(base + i)},
                                                                 {"text", QString("text %1").arg(i)},
                                                                 {"sender", "42"}});
    QTRY_COMPARE(Pelnix::numberOfUnreadMessages(), 20);
    QTRY_COMPARE(ChatRoom::chatRoomWithID("r1")->tempUnreadMessageCount(), 12);
    // A later process of the host holds none of the rooms in memory.
    relaunch();
    Answers again;
    Pelnix::initWithCompletionHandler(again.handler());
    QTRY_COMPARE(again.list.size(), 1);
    QCOMPARE(Pelnix::numberOfUnreadMessages(), 20);

    // The chat cell's way of marking a message read: nothing else holds its room.
    const auto message = Message::messageWithID(QStringLiteral("m3"));
    QVERIFY(message && message->room());
    message->setState(1);
    message->save();
    QCOMPARE(Pelnix::numberOfUnreadMessages(), 19);
    QCOMPARE(ChatRoom::totalUnreadMessagesCount(), 19);
    // The event queue stores the room's count.
    QTRY_COMPARE(ChatRoom::PS_aggregateOperation("max:", "tempUnreadMessageCount",
                                                 platform::PredicateKey("roomId") == QStringLiteral("r1"))
                     .toLongLong(),
                 11);
    QCOMPARE(Pelnix::numberOfUnreadMessages(), 19);
}

void TestStartUp::videoAttachmentGoesOutWithItsPreviewAndSize() {
    // The library as a host starts it, with its own bring-up, outbox and uploads. (The tests before
    // reset the model manager's hooks, which a host's process keeps: connect the uploads again.)
    startWithTheLibrarysOwnBringUp();
    PLRichMediaOutbox::install();

    // 20 frames of 64 x 48.
    PLMediaSelection selection;
    selection.mediaType = PLMediaSelection::Movie;
    selection.mediaPath = QStringLiteral(PELNIX_MEDIA_FIXTURES "/clip.webm");
    selection.referenceURL = QStringLiteral("library://asset/clip");
    const auto message =
        PLRichMediaPosts::postRichMediaForMediaSelection(ChatRoom::chatRoomWithID("r1"), selection);
    QVERIFY(message);
    const auto row = PLRichMediaPosts::firstRichMedia(*message->pendingMessages().first());
    // The thumbnail is read off the main thread: the file's description has it once it answers.
    std::optional<PLMultiMediaInfo> info;
    QTRY_VERIFY_WITH_TIMEOUT(
        (info = PLMultiMediaInfo::multiMediaInfoFromJSONstring(row->uploadedMediaInfo())) &&
            info->bigImgSize == QSizeF(64, 48),
        20000);
    QVERIFY2(info->preview.startsWith(QStringLiteral("data:image/jpeg;base64,")), qPrintable(info->preview));
    const QImage preview = QImage::fromData(
        QByteArray::fromBase64(info->preview.section(QLatin1Char(','), 1).toLatin1()), "JPEG");
    QCOMPARE(preview.size(), QSize(64, 48));

    // What the room's members receive carries them too.
    QTRY_COMPARE_WITH_TIMEOUT(world->server().storedMessages("r1").size(), 1, 20000);
    const QString text = world->server().storedMessages("r1").at(0).toObject().value("text").toString();
    const QJsonObject media = QJsonDocument::fromJson(text.toUtf8())
                                  .object()
                                  .value("content")
                                  .toObject()
                                  .value("media")
                                  .toArray()
                                  .at(0)
                                  .toObject();
    QCOMPARE(media.value("fileMime").toString(), QStringLiteral("video/mp4"));
    QCOMPARE(media.value("preview").toString(), info->preview);
    QCOMPARE(media.value("width").toDouble(), 64.0);
    QCOMPARE(media.value("height").toDouble(), 48.0);
}

void TestStartUp::startWithAnOldStoreUpgradesAndGoesOn_data() {
    QTest::addColumn<quint64>("sessionState");
    QTest::newRow("logged in") << quint64(1);
    QTest::newRow("set up") << quint64(2);
}

// The launch asks for the pending upgrade and the bring-up stops for it in the same turn: the
// upgrade runs once, and the start goes on to the stream whichever of the two ran it.
void TestStartUp::startWithAnOldStoreUpgradesAndGoesOn() {
    QFETCH(quint64, sessionState);
    leaveAnOldStore(*world, sessionState);
    if (QTest::currentTestFailed())
        return;
    NotificationCount heard({PLDatabaseUpgradedNotification, PLChatRoomsFetchedNotification});
    Answers answers;
    Pelnix::initWithCompletionHandler(answers.handler());
    QTRY_COMPARE(answers.list.size(), 1);
    QVERIFY2(answers.list[0].success, qPrintable(answers.list[0].message));
    QTRY_COMPARE(heard.counts.value(PLChatRoomsFetchedNotification), 1); // the end of start-up
    QCOMPARE(heard.counts.value(PLDatabaseUpgradedNotification), 1);
    QTRY_VERIFY(world->server().openStreams(world->userID()) > 0);
    auto* manager = PLModelManager::sharedModelManager();
    QCOMPARE(manager->appConfigurationState(), 0);
    QCOMPARE(manager->needsUpgrade(), 0.0);
    QCOMPARE(CurrentUserInfo::currentUserInfo()->version(), 8);
    QCOMPARE(Pelnix::sessionState(), quint64(2));
    QVERIFY(PelnixStateManager::sharedStateManagerInstance()->isInitialSetUpDone());
    QCOMPARE(answers.list.size(), 1);
}

// An upgrade that cannot be stored ends the start with an error instead of leaving the host waiting;
// the next launch, able to store it, upgrades and starts.
void TestStartUp::failedUpgradeEndsTheStartAndTheNextLaunchFinishesIt() {
    const QString store = PLPersistence::PS_urlForStoreName(QStringLiteral("Pelnix.xcdatamodeld"));
    leaveAnOldStore(*world, 1);
    onTheStoreFile(store, "CREATE TRIGGER refuseTheUpgrade BEFORE UPDATE OF version ON CurrentUserInfo "
                          "WHEN NEW.version = 8 BEGIN SELECT RAISE(ABORT, 'the disk refused'); END");
    Answers failed;
    Pelnix::initWithCompletionHandler(failed.handler());
    QTRY_COMPARE(failed.list.size(), 1);
    QVERIFY(!failed.list[0].success);
    QCOMPARE(failed.list[0].message, QStringLiteral("The database upgrade did not complete."));
    auto* manager = PLModelManager::sharedModelManager();
    QCOMPARE(manager->appConfigurationState(), 0);
    QVERIFY(manager->needsUpgrade() != 0.0);
    QVERIFY(!PelnixStateManager::sharedStateManagerInstance()->isInitialSetUpDone());
    QCOMPARE(world->server().openStreams(world->userID()), 0);

    relaunch();
    onTheStoreFile(store, "DROP TRIGGER refuseTheUpgrade");
    Answers again;
    Pelnix::initWithCompletionHandler(again.handler());
    QTRY_COMPARE(again.list.size(), 1);
    QVERIFY2(again.list[0].success, qPrintable(again.list[0].message));
    QTRY_COMPARE(CurrentUserInfo::currentUserInfo()->version(), 8);
    QCOMPARE(Pelnix::sessionState(), quint64(2));
    QTRY_VERIFY(world->server().openStreams(world->userID()) > 0);
    QCOMPARE(PLModelManager::sharedModelManager()->appConfigurationState(), 0);
    QCOMPARE(failed.list.size(), 1);
}

QTEST_MAIN(TestStartUp)
#include "tst_startup.moc"
