// The request core's contract: when it calls back, how often, on which thread, and what counts as a
// failure; and the event stream's chunk delivery.
#include "CoreFixture.h"
#include "FakeNetwork.h"
#include "ScriptedHttpPeer.h"
#include "core/api/AccountAPIServices.h"
#include "core/api/PLEventsAPIService.h"
#include "core/api/PLGeneralAPIService.h"
#include "foundation/PLReachabilityResponder.h"
#include "platform/MainThread.h"
#include "platform/SerialQueue.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QTest>
#include <QThread>

#include <atomic>
#include <thread>

using namespace pelnix;

class TestApiCore : public QObject {
    Q_OBJECT
private slots:
    void offlineStartReturnsNoAndNeverCallsBack();
    void anAddressThatCannotBeFormedFailsLikeAnyRequest();
    void completionComesOnceOnMainAfterStartReturned();
    void serverErrorPageIsAFailureButTheServiceEnvelopeIsData();
    void everyHttpAnswerReachesTheCaller_data();
    void everyHttpAnswerReachesTheCaller();
    void answerCutShortIsATransportFailure_data();
    void answerCutShortIsATransportFailure();
    void bodyShorterThanItsLengthFailsWhateverQtReported_data();
    void bodyShorterThanItsLengthFailsWhateverQtReported();
    void accountRefusalsReachTheCallerAsData();
    void credentialsSourceMayReadCredentialsAgain();
    void progressFollowsAKnownLength();
    void heldReplyCanBeCancelledAndNeverCallsBack();
    void droppedConnectionIsATransportError();
    void synchronousVariantAnswersBeforeReturningFromAnyThread();
    void eventStreamDeliversChunksInOrderAndStopIsSilent();
    void eventStreamEndByServerCallsCompletion();
    void eventStreamCutShortEndsWithAnError_data();
    void eventStreamCutShortEndsWithAnError();
};

void TestApiCore::offlineStartReturnsNoAndNeverCallsBack() {
    test::CoreFixture world;
    world.setOnline(false);
    int calls = 0;
    PLGetChallengeAPIService request;
    QVERIFY(!request.startServiceWithCompletionHandler(
        [&](const QByteArray&, const PLOptionalError&) { ++calls; }));
    QVERIFY(!request.startSynchrousServiceWithCompletionHandler(
        [&](const QByteArray&, const PLOptionalError&) { ++calls; }));

    // The testing switch forces the same outcome while the network is up.
    world.setOnline(true);
    auto* responder = PLReachabilityResponder::sharedInstance();
    responder->toggleNetworkForTestingPuspose();
    QVERIFY(!request.startServiceWithCompletionHandler(
        [&](const QByteArray&, const PLOptionalError&) { ++calls; }));
    responder->toggleNetworkForTestingPuspose();

    QCoreApplication::processEvents();
    QCOMPARE(calls, 0);
    QVERIFY(world.server().requestLog().empty());
}

namespace {
// A request to the address a configuration without its base's final "/" once formed.
class UnformedAddressRequest : public PLAPIService {
public:
    QString targetURLString() const override { return QStringLiteral("http://127.0.0.1:8080api/public?"); }
};
} // namespace

// Not a silent stop: the caller hears of it as of any failed request, after the start has returned,
// and the log says why.
void TestApiCore::anAddressThatCannotBeFormedFailsLikeAnyRequest() {
    test::CoreFixture world;
    UnformedAddressRequest request;
    QList<PLOptionalError> errors;
    bool returned = false;
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("address cannot be formed"));
    QVERIFY(
        request.startServiceWithCompletionHandler([&](const QByteArray& data, const PLOptionalError& error) {
            QVERIFY(returned);
            QVERIFY(data.isEmpty());
            errors << error;
        }));
    returned = true;
    QTRY_COMPARE(errors.size(), 1);
    QVERIFY(errors.first());
    QCOMPARE(errors.first()->domain, QStringLiteral("PLNetworkErrorDomain"));

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("address cannot be formed"));
    QVERIFY(request.startSynchrousServiceWithCompletionHandler(
        [&](const QByteArray&, const PLOptionalError& error) { errors << error; }));
    QCOMPARE(errors.size(), 2);
    QVERIFY(errors.last());
    QCoreApplication::processEvents();
    QCOMPARE(errors.size(), 2);
    QVERIFY(world.server().requestLog().empty());
}

void TestApiCore::completionComesOnceOnMainAfterStartReturned() {
    test::CoreFixture world;
    PLGetChallengeAPIService request;
    bool returned = false;
    bool calledBeforeReturn = false;
    int calls = 0;
    QThread* thread = nullptr;
    QByteArray body;
    const bool started =
        request.startServiceWithCompletionHandler([&](const QByteArray& data, const PLOptionalError& error) {
            calledBeforeReturn = !returned;
            ++calls;
            thread = QThread::currentThread();
            body = data;
            QVERIFY(!error);
        });
    returned = true;
    QVERIFY(started);
    QTRY_COMPARE(calls, 1);
    QVERIFY(!calledBeforeReturn);
    QCOMPARE(thread, QCoreApplication::instance()->thread());
    QVERIFY(body.contains("challenge"));
    QVERIFY(!request.isRunning());
    QTest::qWait(50); // a second completion would have been queued by now
    QCOMPARE(calls, 1);
}

void TestApiCore::serverErrorPageIsAFailureButTheServiceEnvelopeIsData() {
    test::CoreFixture world;
    world.server().addFault({"api/public", "POST", 1, standin::FaultInjector::Mode::ServerError});
    PLGetChallengeAPIService request;
    std::optional<PLOptionalError> outcome;
    QByteArray body;
    QVERIFY(
        request.startServiceWithCompletionHandler([&](const QByteArray& data, const PLOptionalError& error) {
            outcome = error;
            body = data;
        }));
    QTRY_VERIFY(outcome.has_value());
    QVERIFY(outcome->has_value());
    QCOMPARE((*outcome)->code, qint64(500));
    QVERIFY(!body.isEmpty()); // the page still reaches the caller

    // The service's own JSON refusal (here a 401 envelope) is data for the caller to read.
    world.server().addFault(
        {"rooms/R1", "GET", 1, standin::FaultInjector::Mode::ErrorEnvelope, 0, 401, "Unauthorized"});
    PLGeneralAPIService room;
    room.setCustomURL(world.baseUrl() + QStringLiteral("rooms/R1"));
    outcome.reset();
    QVERIFY(room.startServiceWithCompletionHandler([&](const QByteArray& data, const PLOptionalError& error) {
        outcome = error;
        body = data;
    }));
    QTRY_VERIFY(outcome.has_value());
    QVERIFY(!outcome->has_value());
    QVERIFY(body.contains("\"error\""));
}

namespace {
// A request to whatever URL the test names, so that a scripted peer can answer it.
class PeerRequest : public PLAPIService {
public:
    explicit PeerRequest(QString url, int type = Get) : m_url(std::move(url)), m_type(type) {}
    QString targetURLString() const override { return m_url; }
    int serviceType() const override { return m_type; }

private:
    QString m_url;
    int m_type;
};

// What one request's completion brought; `arrived` stays false when it never came.
struct Outcome {
    bool arrived = false;
    QByteArray data;
    PLOptionalError error;
};

Outcome startAndWait(PLAPIService& request) {
    Outcome outcome;
    const bool started =
        request.startServiceWithCompletionHandler([&](const QByteArray& data, const PLOptionalError& error) {
            outcome = Outcome{true, data, error};
        });
    if (started)
        (void)QTest::qWaitFor([&] { return outcome.arrived; }, 10000);
    return outcome;
}

const QByteArray kHtmlPage = "<html><body><h1>Something went wrong</h1></body></html>";
const QByteArray kPrivateRefusal = R"({"error":"conflict","reason":"Already there.","statusCode":409})";
const QByteArray kAccountRefusal = R"({"response":{"error":{"msg":"invalidOTP"}}})";
const QByteArray kEvents = "data: {\"type\":\"one\"}\ndata: {\"type\":\"two\"}\n";

// A reply as Qt hands it over once finished: its status, its headers and what the transport reported.
std::unique_ptr<test::FakeReply> finishedReply(int status, const QByteArray& contentLength,
                                               QNetworkReply::NetworkError error) {
    test::FakeReply::Answer answer{status, {{"Content-Type", "application/json"}}, {}, error};
    if (!contentLength.isEmpty())
        answer.headers.append({"Content-Length", contentLength});
    auto reply = std::make_unique<test::FakeReply>(answer, QNetworkAccessManager::PostOperation,
                                                   QNetworkRequest(QUrl(QStringLiteral("http://h.test/a"))));
    reply->finishNow();
    return reply;
}
} // namespace

void TestApiCore::everyHttpAnswerReachesTheCaller_data() {
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QByteArray>("extraHeader");
    QTest::addColumn<bool>("envelope");
    for (int status : {400, 401, 403, 404, 407, 409, 413, 422, 500, 503}) {
        const QByteArray tag = QByteArray::number(status);
        QTest::newRow(tag + " html") << status << kHtmlPage << QByteArray() << false;
        QTest::newRow(tag + " private refusal") << status << kPrivateRefusal << QByteArray() << true;
        QTest::newRow(tag + " account refusal") << status << kAccountRefusal << QByteArray() << true;
    }
    // Authentication challenges neither of which this library answers.
    QTest::newRow("401 challenged") << 401 << kAccountRefusal << QByteArray("WWW-Authenticate") << true;
    QTest::newRow("407 challenged") << 407 << kHtmlPage << QByteArray("Proxy-Authenticate") << false;
    // An error status with nothing to read, and one whose "response" holds no refusal.
    QTest::newRow("400 empty") << 400 << QByteArray() << QByteArray() << false;
    QTest::newRow("400 response without error")
        << 400 << QByteArray(R"({"response":{"success":{}}})") << QByteArray() << false;
    QTest::newRow("400 error not in an object") << 400 << QByteArray(R"(["error"])") << QByteArray() << false;
}

// Whatever the status, an answer whose status line and body arrived hands its body to the caller;
// only the status rule decides whether an error comes with it.
void TestApiCore::everyHttpAnswerReachesTheCaller() {
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, extraHeader);
    QFETCH(bool, envelope);
    test::CoreFixture world(test::CoreFixture::Service::None);
    ScriptedHttpPeer peer;
    QList<QPair<QByteArray, QByteArray>> headers{{"Content-Type", "application/json"}};
    if (!extraHeader.isEmpty())
        headers.append({extraHeader, "Basic realm=\"pelnix\""});
    for (int type : {PLAPIService::Get, PLAPIService::Post, PLAPIService::Delete}) {
        peer.enqueue(ScriptedHttpPeer::respond(status, body, headers));
        PeerRequest request(peer.endpoint() + QStringLiteral("/answer?"), type);
        const Outcome outcome = startAndWait(request);
        QVERIFY(outcome.arrived);
        QCOMPARE(outcome.data, body);
        if (envelope) {
            QVERIFY2(!outcome.error, qPrintable(outcome.error ? outcome.error->debugText() : QString()));
        } else {
            QVERIFY(outcome.error);
            QCOMPARE(outcome.error->domain, QStringLiteral("PLHTTPErrorDomain"));
            QCOMPARE(outcome.error->code, qint64(status));
        }
    }
    QCOMPARE(PLAPIService::isServiceRefusal(body), envelope);
}

void TestApiCore::answerCutShortIsATransportFailure_data() {
    QTest::addColumn<int>("status");
    for (int status : {200, 400, 404, 407, 500})
        QTest::newRow(QByteArray::number(status)) << status;
}

// A status line alone is no answer: a body that stops before its announced length is a failure of the
// transport, even when what arrived looks like a refusal.
void TestApiCore::answerCutShortIsATransportFailure() {
    QFETCH(int, status);
    test::CoreFixture world(test::CoreFixture::Service::None);
    ScriptedHttpPeer peer;
    ScriptedHttpPeer::Reply reply =
        ScriptedHttpPeer::respond(status, kAccountRefusal, {{"Content-Length", "4096"}});
    reply.closeDelimited = true;
    peer.enqueue(reply);
    PeerRequest request(peer.endpoint() + QStringLiteral("/answer?"));
    const Outcome outcome = startAndWait(request);
    QVERIFY(outcome.arrived && outcome.error);
    QCOMPARE(outcome.error->domain, QStringLiteral("PLNetworkErrorDomain"));
}

void TestApiCore::bodyShorterThanItsLengthFailsWhateverQtReported_data() {
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("contentLength");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("qtError");
    QTest::addColumn<QString>("domain"); // empty: no error
    const QString network = QStringLiteral("PLNetworkErrorDomain");
    const QString http = QStringLiteral("PLHTTPErrorDomain");
    // Qt's HTTP client, under load, can finish a reply whose connection closed before the announced
    // body as if it were whole.
    QTest::newRow("nothing of the body")
        << 200 << QByteArray("64") << QByteArray() << int(QNetworkReply::NoError) << network;
    QTest::newRow("part of the body")
        << 200 << QByteArray("64") << QByteArray(R"({"status":)") << int(QNetworkReply::NoError) << network;
    QTest::newRow("a refusal cut short") << 409 << QByteArray("4096") << kPrivateRefusal
                                         << int(QNetworkReply::ContentConflictError) << network;
    QTest::newRow("an error page cut short")
        << 500 << QByteArray("4096") << kHtmlPage << int(QNetworkReply::InternalServerError) << network;
    // Whole answers keep the rules they had.
    QTest::newRow("whole") << 200 << QByteArray::number(kPrivateRefusal.size()) << kPrivateRefusal
                           << int(QNetworkReply::NoError) << QString();
    QTest::newRow("ended by the connection")
        << 200 << QByteArray() << QByteArray("{}") << int(QNetworkReply::NoError) << QString();
    QTest::newRow("no content") << 204 << QByteArray("64") << QByteArray() << int(QNetworkReply::NoError)
                                << QString();
    QTest::newRow("whole error page") << 500 << QByteArray::number(kHtmlPage.size()) << kHtmlPage
                                      << int(QNetworkReply::InternalServerError) << http;
}

// The announced length is the transport's own promise: a body short of it is a failed transfer, even
// when Qt reported none.
void TestApiCore::bodyShorterThanItsLengthFailsWhateverQtReported() {
    QFETCH(int, status);
    QFETCH(QByteArray, contentLength);
    QFETCH(QByteArray, body);
    QFETCH(int, qtError);
    QFETCH(QString, domain);
    const auto reply = finishedReply(status, contentLength, QNetworkReply::NetworkError(qtError));
    const PLOptionalError error = PLAPIService::errorForReply(reply.get(), body);
    QCOMPARE(error ? error->domain : QString(), domain);
    if (domain == QStringLiteral("PLNetworkErrorDomain"))
        QCOMPARE(error->code, qint64(QNetworkReply::RemoteHostClosedError));
}

// The service's real refusals, in both envelopes, arrive as data with their texts where the callers
// look for them.
void TestApiCore::accountRefusalsReachTheCallerAsData() {
    test::CoreFixture world;
    // The body of an answer that came without an error.
    auto run = [](PLAPIService& request) {
        const Outcome outcome = startAndWait(request);
        return outcome.arrived && !outcome.error ? outcome.data : QByteArray("failed");
    };

    // A wrong one-time code: 400 with the account envelope.
    PLRegistrationAPIService registration;
    registration.setEmail(world.email());
    QVERIFY(!run(registration).contains("error"));
    PLVerifyEmailWithOTPAPIService verify;
    verify.setVerifyCode(QStringLiteral("not-") +
                         QString::fromStdString(world.server().otp(world.email().toStdString())));
    QByteArray body = run(verify);
    QTRY_COMPARE(world.lastRequest("api/public").status, 400);
    QVERIFY(PLAPIService::isServiceRefusal(body));
    QCOMPARE(PLAPIService::serviceRefusalMessage(body), QStringLiteral("invalidOTP"));

    // A token the service no longer accepts: 401 from the account API and from the private API.
    PLUpdateProfileAPIService profile;
    profile.setTavrixToken(QStringLiteral("expired"));
    profile.setProfileName(QStringLiteral("Ann"));
    body = run(profile);
    QTRY_COMPARE(world.lastRequest("api/public").status, 401);
    QCOMPARE(PLAPIService::serviceRefusalMessage(body), QStringLiteral("invalidToken"));

    PLAPIService::setAccountCredentialsSource([] {
        return PLAccountCredentials{41, QStringLiteral("expired"), {}, {}};
    });
    PLGeneralAPIService room;
    room.setCustomURL(world.baseUrl() + QStringLiteral("rooms/R1"));
    body = run(room);
    QTRY_COMPARE(world.lastRequest("rooms").status, 401);
    QCOMPARE(PLAPIService::serviceRefusalMessage(body), QStringLiteral("Invalid credentials."));

    // Success bodies and foreign documents carry no refusal.
    QVERIFY(!PLAPIService::isServiceRefusal(R"({"response":{"success":{"msg":"ok"}}})"));
    QCOMPARE(PLAPIService::serviceRefusalMessage("<html/>"), QString());
}

// A source may read the credentials again, or wait for another thread that does.
void TestApiCore::credentialsSourceMayReadCredentialsAgain() {
    std::atomic<int> calls{0};
    PLAPIService::setAccountCredentialsSource([&calls] {
        if (calls.fetch_add(1) == 0) {
            (void)PLAPIService::accountCredentials();
            std::thread other([] { (void)PLAPIService::accountCredentials(); });
            other.join();
        }
        return PLAccountCredentials{7, QStringLiteral("tok"), {}, {}};
    });
    std::atomic<bool> done{false};
    QString auth;
    std::thread caller([&] {
        auth = PLAPIService::authValue();
        done = true;
    });
    if (!QTest::qWaitFor([&] { return done.load(); }, 10000))
        qFatal("reading the credentials deadlocked");
    caller.join();
    QCOMPARE(auth, QStringLiteral("Tavrix 7:tok:echat"));
    QCOMPARE(calls.load(), 3);
    PLAPIService::setAccountCredentialsSource({});
}

void TestApiCore::progressFollowsAKnownLength() {
    test::CoreFixture world;
    PLGetChallengeAPIService request;
    QList<double> fractions;
    bool done = false;
    QVERIFY(request.startServiceWithCompletionHandler(
        [&](const QByteArray&, const PLOptionalError&) { done = true; },
        [&](double fraction) { fractions << fraction; }));
    QTRY_VERIFY(done);
    QVERIFY(!fractions.isEmpty());
    for (double f : fractions)
        QVERIFY(f > 0.0 && f <= 1.0);
    QCOMPARE(fractions.last(), 1.0);
    QVERIFY(std::is_sorted(fractions.begin(), fractions.end()));
}

void TestApiCore::heldReplyCanBeCancelledAndNeverCallsBack() {
    test::CoreFixture world;
    world.server().addFault({"api/public", "POST", 1, standin::FaultInjector::Mode::Hold});
    int calls = 0;
    {
        PLGetChallengeAPIService request;
        QVERIFY(request.startServiceWithCompletionHandler(
            [&](const QByteArray&, const PLOptionalError&) { ++calls; }));
        QTRY_COMPARE(world.server().heldCount(), 1);
        request.cancel();
        QVERIFY(!request.isRunning());
        world.server().releaseHeld();
        QTest::qWait(100);
    }
    QCOMPARE(calls, 0);

    // A request destroyed while in flight cancels too.
    world.server().addFault({"api/public", "POST", 1, standin::FaultInjector::Mode::Hold});
    auto* request = new PLGetChallengeAPIService;
    QVERIFY(request->startServiceWithCompletionHandler(
        [&](const QByteArray&, const PLOptionalError&) { ++calls; }));
    QTRY_COMPARE(world.server().heldCount(), 1);
    delete request;
    world.server().releaseHeld();
    QTest::qWait(100);
    QCOMPARE(calls, 0);
}

void TestApiCore::droppedConnectionIsATransportError() {
    test::CoreFixture world;
    world.server().addFault({"api/public", "POST", 1, standin::FaultInjector::Mode::Drop});
    PLGetChallengeAPIService request;
    const Outcome outcome = startAndWait(request);
    QVERIFY(outcome.arrived && outcome.error);
    QCOMPARE(outcome.error->domain, QStringLiteral("PLNetworkErrorDomain"));
}

void TestApiCore::synchronousVariantAnswersBeforeReturningFromAnyThread() {
    test::CoreFixture world;
    PLGetChallengeAPIService request;
    QByteArray body;
    QVERIFY(request.startSynchrousServiceWithCompletionHandler(
        [&](const QByteArray& data, const PLOptionalError&) { body = data; }));
    QVERIFY(body.contains("challenge")); // on the main thread, without a nested loop of its own

    platform::SerialQueue queue(QStringLiteral("Event Precessing"));
    std::atomic<bool> done{false};
    QByteArray workerBody;
    QThread* completionThread = nullptr;
    queue.async([&] {
        PLGetChallengeAPIService onQueue;
        onQueue.startSynchrousServiceWithCompletionHandler(
            [&](const QByteArray& data, const PLOptionalError&) {
                workerBody = data;
                completionThread = QThread::currentThread();
            });
        done = true;
    });
    QTRY_VERIFY(done.load());
    QVERIFY(workerBody.contains("challenge"));
    QCOMPARE(completionThread, queue.workerThread());
}

void TestApiCore::eventStreamDeliversChunksInOrderAndStopIsSilent() {
    test::CoreFixture world;
    PLEventsAPIService events;
    events.setAfterTimeLine(1234);
    events.setCurrentTime(QStringLiteral("06 DEC 9:41 PM"));
    QList<QByteArray> chunks;
    int ends = 0;
    events.setProgressHandler([&](const QByteArray& chunk, const PLOptionalError&) { chunks << chunk; });
    events.setCompletionHandler([&](const QByteArray&, const PLOptionalError&) { ++ends; });
    QVERIFY(events.startService());
    QTRY_COMPARE(world.server().openStreams(world.userID()), 1);
    QTRY_VERIFY(!chunks.isEmpty()); // the welcome event
    chunks.clear();

    const auto logged = world.lastRequest("events");
    QCOMPARE(logged.method, std::string("GET"));
    const auto query = test::decodeForm(logged.query);
    QCOMPARE(query, (QList<QPair<QString, QString>>{
                        {"randomTime", "06 DEC 9:41 PM"}, {"after", "1234"}, {"appType", "ios"}}));
    QVERIFY(!logged.header("Authorization").empty());

    world.server().injectRaw(world.userID(), "data: {\"type\":\"one\"}\ndata: {\"type\":\"two\"}\n", 2, 100);
    QTRY_COMPARE(chunks.size(), 2);
    QCOMPARE(chunks.join(), QByteArray("data: {\"type\":\"one\"}\ndata: {\"type\":\"two\"}\n"));

    events.stopService();
    QVERIFY(!events.isConnected());
    QTRY_COMPARE(world.server().openStreams(world.userID()), 0);
    QTest::qWait(50);
    QCOMPARE(ends, 0);
}

void TestApiCore::eventStreamEndByServerCallsCompletion() {
    test::CoreFixture world;
    PLEventsAPIService events;
    int ends = 0;
    PLOptionalError endError;
    events.setCompletionHandler([&](const QByteArray& data, const PLOptionalError& error) {
        ++ends;
        endError = error;
        QVERIFY(data.isEmpty());
    });
    QVERIFY(events.startService());
    QTRY_COMPARE(world.server().openStreams(world.userID()), 1);
    world.server().closeStreams();
    QTRY_COMPARE(ends, 1);
    QVERIFY(!endError);

    // Restarting replaces the connection: only the new one is open.
    QVERIFY(events.startService());
    QVERIFY(events.startService());
    QTRY_COMPARE(world.server().openStreams(world.userID()), 1);
    QCOMPARE(ends, 1);
}

void TestApiCore::eventStreamCutShortEndsWithAnError_data() {
    QTest::addColumn<qint64>("sent");
    QTest::addColumn<bool>("failed");
    QTest::newRow("whole") << qint64(kEvents.size()) << false;
    QTest::newRow("cut short") << qint64(kEvents.size() - 5) << true;
}

// A stream with a length whose connection closed before it, which Qt may finish as whole, ends as a
// failure; the pieces that came were handed on as they arrived.
void TestApiCore::eventStreamCutShortEndsWithAnError() {
    QFETCH(qint64, sent);
    QFETCH(bool, failed);
    test::CoreFixture world;
    test::FakeNetwork network(test::FakeReply::Answer::cutShort(kEvents, sent, "text/event-stream"));
    PLEventsAPIService events;
    events.setNetworkAccessManager(&network);
    QByteArray chunks;
    int ends = 0;
    PLOptionalError endError;
    events.setProgressHandler([&](const QByteArray& chunk, const PLOptionalError&) { chunks += chunk; });
    events.setCompletionHandler([&](const QByteArray&, const PLOptionalError& error) {
        ++ends;
        endError = error;
    });
    QVERIFY(events.startService());
    QTRY_COMPARE(ends, 1);
    QCOMPARE(network.requests(), 1);
    QCOMPARE(chunks, kEvents.left(sent));
    QCOMPARE(bool(endError), failed);
    if (failed) {
        QCOMPARE(endError->domain, QStringLiteral("PLNetworkErrorDomain"));
        QCOMPARE(endError->code, qint64(QNetworkReply::RemoteHostClosedError));
    }
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QCoreApplication app(argc, argv);
    TestApiCore t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_api_core.moc"
