// The model manager against the stand-in service: the bring-up up to the event stream, the stream's
// events, reconnects and their back-off, and the life-cycle and network handling.

#include "CoreFixture.h"
#include "ModelManagerHooksDouble.h"

#include "core/model/ChatRoom.h"
#include "core/model/ChatRoomNotifications.h"
#include "core/model/CurrentUserInfo.h"
#include "core/model/Message.h"
#include "core/model/PLModelManager.h"
#include "core/model/User.h"
#include "core/session/PelnixInfo.h"
#include "foundation/persistence/PLPersistence.h"
#include "platform/MainThread.h"
#include "platform/NotificationCenter.h"
#include "platform/SerialQueue.h"
#include "platform/UserDefaults.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QSignalSpy>
#include <QTest>

using namespace pelnix;
using namespace pelnix::test;

namespace {

constexpr qint64 kLastLogin = 1'700'000'000'000;

PLModelManager* manager() {
    return PLModelManager::sharedModelManager();
}

void signIn(CoreFixture& world) {
    manager()->initialize();
    CurrentUserInfo::initializeCurrentUserForSDKWithID(qint32(world.userID()), world.email(), world.token());
    auto account = CurrentUserInfo::currentUserInfo();
    account->setLastLoginTime(kLastLogin);
    account->save();
}

void storeFlags(bool styleSheets, bool forms, bool rooms) {
    auto account = CurrentUserInfo::currentUserInfo();
    account->setStyleSheetsUpdated(styleSheets);
    account->setFormJSONsUpdated(forms);
    account->setRoomsFetched(rooms);
    account->save();
}

QList<standin::StandinServer::LoggedRequest> streamRequests(CoreFixture& world) {
    QList<standin::StandinServer::LoggedRequest> out;
    for (const auto& r : world.server().requestLog())
        if (r.server == "api" && r.path.find("/events") != std::string::npos)
            out << r;
    return out;
}

qint64 afterOf(const standin::StandinServer::LoggedRequest& request) {
    for (const auto& [key, value] : decodeForm(request.query))
        if (key == QLatin1String("after"))
            return value.toLongLong();
    return -1;
}

QJsonObject messageEvent(const QString& room, const QString& id, qint64 date, const QString& text) {
    return QJsonObject{{"roomId", room},       {"_id", id},    {"type", "message"},
                       {"date", double(date)}, {"text", text}, {"sender", "42"}};
}

// "ChatRoomsFetchedNotification" and the message notifications, as the main thread saw them.
struct Recorder {
    Recorder() {
        auto* center = platform::NotificationCenter::defaultCenter();
        tokens << center->addObserver(QLatin1String(PLChatRoomsFetchedNotification),
                                      [this](const platform::Notification& n) { endings << n.userInfo; });
        tokens << center->addObserver(QLatin1String(ChatRoomMessageAddedNotification),
                                      [this](const platform::Notification& n) {
                                          offMain = offMain || !platform::isMainThread();
                                          added << n.userInfo.value(QLatin1String(kMessageIDKey)).toString();
                                      });
    }
    ~Recorder() {
        for (auto token : tokens)
            platform::NotificationCenter::defaultCenter()->removeObserver(token);
    }
    QList<QVariantMap> endings;
    QStringList added;
    bool offMain = false;
    QList<platform::NotificationCenter::Token> tokens;
};

// Waits until every block queued on the event queue so far has run.
void drainEventQueue() {
    const auto marker = manager()->dataProcessingQueue()->postMarker();
    QTRY_VERIFY(marker->load());
}

QStringList roomTexts(const QString& roomId) {
    QStringList out;
    const auto room = ChatRoom::chatRoomWithID(roomId);
    if (!room)
        return out;
    for (const auto& m : Message::PS_findAllSortedBy(QStringLiteral("date"), true,
                                                     platform::PredicateKey(QStringLiteral("room")) == room))
        out << m->text();
    return out;
}

// Every request for the stream answered with `status` in the way `mode` gives.
standin::StandinServer::Fault everyStreamAnswered(standin::StandinServer::FaultMode mode, int status,
                                                  const std::string& body = {}) {
    standin::StandinServer::Fault fault;
    fault.pathPattern = "^/events";
    fault.method = "GET";
    fault.count = -1;
    fault.mode = mode;
    fault.statusCode = status;
    fault.body = body;
    return fault;
}

} // namespace

class TestEventStream : public QObject {
    Q_OBJECT
private slots:
    void init() {
        world = std::make_unique<CoreFixture>();
        hooks = std::make_unique<ModelManagerHooksDouble>();
        PLModelManager::setStreamTimings({60000, 40, 80});
        signIn(*world);
    }
    void cleanup() {
        PLModelManager::destroySharedInstance();
        PLPersistence::cleanUp();
        hooks.reset();
        world.reset();
        PLModelManager::setStreamTimings({});
        platform::UserDefaults::remove(QStringLiteral("UserDefaultsKey"));
    }

    void firstStartRunsToTheStreamAndFollowsIt_data();
    void firstStartRunsToTheStreamAndFollowsIt();
    void startUpAlwaysAnswers_data();
    void startUpAlwaysAnswers();
    void everySplitOfTheBytesGivesTheSameStore();
    void reconnectResumesBeforeTheLastEventAndAppliesNothingTwice();
    void refusedStreamsBackOffAndDataResetsTheDelay();
    void eventTimeWelcomeAndQuietRearm();
    void lifeCycleAndNetworkDriveTheStream();
    void sessionEndsForGood_data();
    void sessionEndsForGood();

private:
    // A session whose downloads are all stored: one call opens the stream.
    void startWithEverythingStored() {
        storeFlags(true, true, true);
        auto account = CurrentUserInfo::currentUserInfo();
        account->setPrivateEventTime(QDateTime::currentMSecsSinceEpoch());
        account->save();
        QCOMPARE(manager()->checkAppSatusAndProceed(), 0);
        QTRY_COMPARE(world->server().openStreams(world->userID()), 1);
        QTRY_VERIFY(hooks->count("rearm welcome") >= 1);
    }

    std::unique_ptr<CoreFixture> world;
    std::unique_ptr<ModelManagerHooksDouble> hooks;
};

void TestEventStream::firstStartRunsToTheStreamAndFollowsIt_data() {
    QTest::addColumn<bool>("previousMajorVersion");
    QTest::addColumn<qint64>("lastLogin");
    QTest::addColumn<qint64>("after");
    QTest::newRow("fresh account") << false << kLastLogin << kLastLogin - 5000;
    QTest::newRow("restored from the previous major version")
        << true << kLastLogin << kLastLogin - 604800000 - 5000;
    QTest::newRow("no time of any event yet: from the start") << false << qint64(0) << qint64(0);
}

void TestEventStream::firstStartRunsToTheStreamAndFollowsIt() {
    QFETCH(bool, previousMajorVersion);
    QFETCH(qint64, lastLogin);
    QFETCH(qint64, after);
    auto account = CurrentUserInfo::currentUserInfo();
    account->setLastLoginTime(lastLogin);
    account->save();
    if (previousMajorVersion)
        platform::UserDefaults::setValue(QStringLiteral("UserDefaultsKey"), QByteArray("old"));
    Recorder recorder;
    manager()->setActiveRoomID("r1");
    QSignalSpy states(manager(), &PLModelManager::appConfigurationStateChanged);

    QCOMPARE(manager()->checkAppSatusAndProceed(), 1);
    QTRY_COMPARE(recorder.endings.size(), 1);
    QCOMPARE(recorder.endings.at(0), QVariantMap()); // success
    QCOMPARE(states.size(), 2);
    QCOMPARE(states.at(0).at(0).toLongLong(), 1);
    QCOMPARE(states.at(1).at(0).toLongLong(), 2);
    QCOMPARE(hooks->calls.mid(0, 4), (QStringList{"xslt", "forms", "chatlets", "rooms"}));
    QCOMPARE(manager()->progress(), 0.5);
    QVERIFY(!platform::UserDefaults::contains(QStringLiteral("UserDefaultsKey")));

    QTRY_COMPARE(world->server().openStreams(world->userID()), 1);
    QCOMPARE(streamRequests(*world).size(), 1);
    QCOMPARE(afterOf(streamRequests(*world).at(0)), after);
    QCOMPARE(manager()->appConfigurationState(), 2); // until the next full run

    const qint64 base = QDateTime::currentMSecsSinceEpoch();
    for (int i = 1; i <= 3; ++i)
        world->server().injectEvent(
            world->userID(), messageEvent("r1", QString("m%1").arg(i), base + i, QString("text %1").arg(i)));
    QTRY_COMPARE(recorder.added.size(), 3);
    QCOMPARE(recorder.added, (QStringList{"m1", "m2", "m3"}));
    QVERIFY(!recorder.offMain);
    QCOMPARE(roomTexts("r1"), (QStringList{"text 1", "text 2", "text 3"}));
    QTRY_COMPARE(CurrentUserInfo::currentUserInfo()->privateEventTime(), base + 3);
}

void TestEventStream::startUpAlwaysAnswers_data() {
    QTest::addColumn<QString>("situation");
    QTest::addColumn<qint64>("answer");
    QTest::addColumn<QVariant>("msg"); // invalid: success; none expected when the answer is 0
    QTest::addColumn<bool>("streams");
    QTest::newRow("unverified") << "status 1" << qint64(0) << QVariant() << false;
    QTest::newRow("offline first start")
        << "offline" << qint64(1) << QVariant("Network Not available") << false;
    QTest::newRow("stylesheet failure")
        << "xslt fails" << qint64(1) << QVariant("XSLT fetching failed") << false;
    QTest::newRow("room list failure") << "rooms fail" << qint64(2) << QVariant("") << false;
    QTest::newRow("only the forms missing") << "forms missing" << qint64(0) << QVariant() << true;
    QTest::newRow("upgrade pending") << "upgrade" << qint64(3) << QVariant() << true;
}

// Whatever stops the bring-up, a caller told to wait hears the end exactly once.
void TestEventStream::startUpAlwaysAnswers() {
    QFETCH(QString, situation);
    QFETCH(qint64, answer);
    QFETCH(QVariant, msg);
    QFETCH(bool, streams);
    Recorder recorder;
    auto account = CurrentUserInfo::currentUserInfo();
    if (situation == "status 1") {
        account->setStatus(1);
        account->save();
    } else if (situation == "offline") {
        world->setOnline(false);
    } else if (situation == "xslt fails") {
        hooks->failXSLT = true;
    } else if (situation == "rooms fail") {
        storeFlags(true, true, false);
        hooks->failRooms = true;
    } else if (situation == "forms missing") {
        storeFlags(true, false, true);
    } else if (situation == "upgrade") {
        storeFlags(true, true, true);
        account->setVersion(2);
        account->save();
        manager()->initialize();
        QVERIFY(manager()->needsUpgrade() != 0.0);
    }

    QCOMPARE(manager()->checkAppSatusAndProceed(), answer);
    if (answer == 0) {
        QCOMPARE(hooks->count("xslt") + hooks->count("rooms"), 0);
    } else {
        QTRY_COMPARE(recorder.endings.size(), 1);
        if (msg.isValid()) {
            QCOMPARE(recorder.endings.at(0).value("Msg"), msg);
            QVERIFY(recorder.endings.at(0).contains("Error"));
        } else {
            QCOMPARE(recorder.endings.at(0), QVariantMap());
            QCOMPARE(manager()->appConfigurationState(), 0);
        }
    }
    if (situation == "forms missing")
        QCOMPARE(hooks->calls, (QStringList{"forms", "prepareOutbox", "post", "upload"}));
    if (streams)
        QTRY_COMPARE(world->server().openStreams(world->userID()), 1);
    else
        QCOMPARE(streamRequests(*world).size(), 0);
    QCOMPARE(recorder.endings.size(), answer == 0 ? 0 : 1);
}

// Reads end anywhere; the store must not care. Each offset gets its own room, so one run covers
// every split of the same two events.
void TestEventStream::everySplitOfTheBytesGivesTheSameStore() {
    storeFlags(true, true, true);
    const QByteArray text = "caf\xc3\xa9 \xf0\x9f\x98\x80 one ";
    const QByteArray templ = "data: {\"roomId\":\"r%1\",\"_id\":\"a%1\",\"type\":\"message\",\"date\":1001,"
                             "\"text\":\"" +
                             text + "\",\"sender\":\"42\"}\n\n" +
                             "data: {\"roomId\":\"r%1\",\"_id\":\"b%1\",\"type\":\"message\",\"date\":1002,"
                             "\"text\":\"two\",\"sender\":\"42\"}\r\n";
    const int length = int(templ.size());
    for (int offset = 1; offset < length; ++offset) {
        const QByteArray body = QByteArray(templ).replace("%1", QByteArray::number(offset));
        const int cut = qMin(offset, int(body.size()) - 1);
        manager()->processData(body.left(cut));
        manager()->processData(body.mid(cut));
    }
    drainEventQueue();
    const QStringList expected{QString::fromUtf8(text), "two"};
    for (int offset = 1; offset < length; ++offset)
        QCOMPARE(roomTexts(QString("r%1").arg(offset)), expected);
    QCOMPARE(Message::PS_countOfEntities(), qint64(2 * (length - 1)));
}

void TestEventStream::reconnectResumesBeforeTheLastEventAndAppliesNothingTwice() {
    Recorder recorder;
    manager()->setActiveRoomID("r1");
    startWithEverythingStored();
    const qint64 base = QDateTime::currentMSecsSinceEpoch() + 1000;
    world->server().injectEvent(world->userID(), messageEvent("r1", "m1", base + 1, "one"));
    world->server().injectEvent(world->userID(), messageEvent("r1", "m2", base + 2, "two"));
    QTRY_COMPARE(CurrentUserInfo::currentUserInfo()->privateEventTime(), base + 2);

    world->server().closeStreams();
    QTRY_COMPARE(streamRequests(*world).size(), 2);
    QTRY_COMPARE(world->server().openStreams(world->userID()), 1);
    QCOMPARE(afterOf(streamRequests(*world).at(1)), base + 2 - 5000);

    // The reconnect replays both; the next live event comes after them on the same stream.
    world->server().injectEvent(world->userID(), messageEvent("r1", "m3", base + 3, "three"));
    QTRY_COMPARE(CurrentUserInfo::currentUserInfo()->privateEventTime(), base + 3);
    drainEventQueue();
    QTRY_COMPARE(recorder.added.size(), 3);
    QCOMPARE(recorder.added, (QStringList{"m1", "m2", "m3"}));
    QCOMPARE(roomTexts("r1"), (QStringList{"one", "two", "three"}));
    QCOMPARE(Message::PS_countOfEntities(), 3);
}

void TestEventStream::refusedStreamsBackOffAndDataResetsTheDelay() {
    startWithEverythingStored();
    QVERIFY(
        world->server().addFault(everyStreamAnswered(standin::StandinServer::FaultMode::ErrorEnvelope, 503)));

    // Delays well above a refused request's round trip, so a retry loop without them shows.
    PLModelManager::setStreamTimings({60000, 150, 300});
    QElapsedTimer clock;
    clock.start();
    world->server().closeStreams();
    // The stream that carried events is retried at once; the refusals then wait 150, 300, 300 ms.
    QTRY_VERIFY(streamRequests(*world).size() >= 5);
    QVERIFY2(clock.elapsed() >= 150 + 300 + 300, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(CurrentUserInfo::currentUserInfo()->status() != 4); // a refusal is no session end

    world->server().clearFaults();
    QTRY_COMPARE(world->server().openStreams(world->userID()), 1);
    const int before = int(streamRequests(*world).size());
    world->server().closeStreams();
    QTRY_COMPARE(streamRequests(*world).size(), before + 1);
    QTRY_COMPARE(world->server().openStreams(world->userID()), 1);
}

void TestEventStream::eventTimeWelcomeAndQuietRearm() {
    startWithEverythingStored();
    const int welcomes = hooks->count("rearm welcome");
    PLModelManager::setStreamTimings({30, 40, 80});
    world->server().injectRaw(
        world->userID(),
        "data: {\"type\":\"echatcontact\",\"date\":1000,\"message\":{\"id\":50,\"name\":\"Eve\"}}\n"
        "data: {\"type\":\"echatcontact\",\"date\":3000,\"message\":{\"id\":51,\"name\":\"Fay\"}}\n"
        "data: {\"type\":\"echatcontact\",\"date\":2000,\"message\":{\"id\":52,\"name\":\"Gus\"}}\n");
    QTRY_COMPARE(CurrentUserInfo::currentUserInfo()->privateEventTime(), 2000);
    QVERIFY(User::userWithIntID(52));
    QTRY_COMPARE(hooks->count("rearm quiet"), 1);

    world->server().injectRaw(world->userID(), "data: {\"type\":\"welcome\",\"date\":9999}\n");
    QTRY_COMPARE(hooks->count("rearm welcome"), welcomes + 1);
    QCOMPARE(CurrentUserInfo::currentUserInfo()->privateEventTime(), 2000);
    QCOMPARE(hooks->count("rearm quiet"), 1);

    // Another user leaving the organisation only removes that contact.
    world->server().injectRaw(world->userID(),
                              "data: {\"type\":\"userremoved\",\"date\":4000,\"message\":{\"userId\":51}}\n");
    QTRY_COMPARE(CurrentUserInfo::currentUserInfo()->privateEventTime(), 4000);
    QCOMPARE(User::userWithIntID(51)->state(), 2);
    QCOMPARE(CurrentUserInfo::currentUserInfo()->status(), 3);
}

void TestEventStream::lifeCycleAndNetworkDriveTheStream() {
    startWithEverythingStored();
    auto* center = platform::NotificationCenter::defaultCenter();
    hooks->calls.clear();

    center->post(QLatin1String(PLApplicationDidEnterBackgroundNotification));
    QTRY_COMPARE(world->server().openStreams(world->userID()), 0);
    center->post(QLatin1String(PLApplicationWillEnterForegroundNotification));
    QTRY_COMPARE(world->server().openStreams(world->userID()), 1);
    QCOMPARE(hooks->count("upload"), 0); // coming back runs no passes

    world->setOnline(false);
    QTRY_COMPARE(world->server().openStreams(world->userID()), 0);
    QVERIFY(!manager()->isEventStreamConnected());
    world->setOnline(true);
    QTRY_COMPARE(world->server().openStreams(world->userID()), 1);
    QCOMPARE(hooks->count("upload"), 1);
    QVERIFY(hooks->count("post") >= 1);

    PLModelManager::destroySharedInstance();
    QTRY_COMPARE(world->server().openStreams(world->userID()), 0);
    const int requests = int(streamRequests(*world).size());
    world->setOnline(false);
    world->setOnline(true);
    center->post(QLatin1String(PLApplicationWillEnterForegroundNotification));
    QVERIFY(!PLModelManager::hasSharedInstance());
    QCOMPARE(hooks->count("upload"), 1);
    QCOMPARE(int(streamRequests(*world).size()), requests);
}

namespace {
// How the server ends the session in sessionEndsForGood().
enum class SessionEnd { OwnAccountRemoved, CredentialsRefused, RefusedWithErrorStatus, AnswerStartsAPiece };
} // namespace
Q_DECLARE_METATYPE(SessionEnd)

void TestEventStream::sessionEndsForGood_data() {
    QTest::addColumn<SessionEnd>("how");
    QTest::newRow("own account removed") << SessionEnd::OwnAccountRemoved;
    QTest::newRow("credentials refused") << SessionEnd::CredentialsRefused;
    QTest::newRow("credentials refused with HTTP 401") << SessionEnd::RefusedWithErrorStatus;
    QTest::newRow("the answer starts a later piece") << SessionEnd::AnswerStartsAPiece;
}

// The stream ends the session: status 4 once, the stream closed, and no reconnect ever after.
void TestEventStream::sessionEndsForGood() {
    QFETCH(SessionEnd, how);
    const std::string notAuthenticated = R"({"name":"NotAuthenticated","message":"Invalid credentials."})";
    int ended = 0;
    const auto token = platform::NotificationCenter::defaultCenter()->addObserver(
        QLatin1String(PLUserDeletedFromOrgNotification),
        [&ended](const platform::Notification&) { ++ended; });
    switch (how) {
    case SessionEnd::CredentialsRefused: {
        auto account = CurrentUserInfo::currentUserInfo();
        account->setTavrixToken("no longer valid");
        account->save();
        storeFlags(true, true, true);
        QCOMPARE(manager()->checkAppSatusAndProceed(), 0);
        break;
    }
    case SessionEnd::OwnAccountRemoved:
        startWithEverythingStored();
        world->server().injectRaw(world->userID(), QString("data: {\"type\":\"userremoved\",\"date\":5,"
                                                           "\"message\":{\"userId\":%1}}\n")
                                                       .arg(world->userID())
                                                       .toStdString());
        break;
    case SessionEnd::RefusedWithErrorStatus: {
        startWithEverythingStored();
        QVERIFY(world->server().addFault(
            everyStreamAnswered(standin::StandinServer::FaultMode::Answer, 401, notAuthenticated)));
        world->server().closeStreams();
        break;
    }
    case SessionEnd::AnswerStartsAPiece:
        startWithEverythingStored();
        world->server().injectRaw(
            world->userID(),
            "data: {\"type\":\"echatcontact\",\"date\":1000,\"message\":{\"id\":50,\"name\":\"Eve\"}}\n");
        QTRY_COMPARE(CurrentUserInfo::currentUserInfo()->privateEventTime(), 1000);
        world->server().injectRaw(world->userID(), notAuthenticated + "\n");
        break;
    }
    QTRY_COMPARE(CurrentUserInfo::currentUserInfo()->status(), 4);
    QTRY_COMPARE(ended, 1);
    QCOMPARE(PelnixInfo::sharedInstance()->sessionState(), quint64(3));
    QTRY_COMPARE(world->server().openStreams(world->userID()), 0);
    QVERIFY(!manager()->isEventStreamConnected());
    const int requests = int(streamRequests(*world).size());
    manager()->startPersistentConnectionForUpdates();
    world->setOnline(false);
    world->setOnline(true);
    // Neither a connection nor a retry waiting for its delay.
    QCoreApplication::processEvents();
    QVERIFY(!manager()->isEventStreamConnected());
    QVERIFY(!manager()->isEventStreamReconnectPending());
    QCOMPARE(int(streamRequests(*world).size()), requests);
    QCOMPARE(ended, 1);
    QCOMPARE(manager()->validJSON(), how == SessionEnd::OwnAccountRemoved);
    platform::NotificationCenter::defaultCenter()->removeObserver(token);
}

QTEST_GUILESS_MAIN(TestEventStream)
#include "tst_event_stream.moc"
