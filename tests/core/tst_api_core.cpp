// The request core's contract: when it calls back, how often, on which thread, and what counts as a
// failure; and the event stream's chunk delivery.
#include "CoreFixture.h"
#include "core/api/AccountAPIServices.h"
#include "core/api/PLEventsAPIService.h"
#include "core/api/PLGeneralAPIService.h"
#include "foundation/PLReachabilityResponder.h"
#include "platform/MainThread.h"
#include "platform/SerialQueue.h"

#include <QJsonArray>
#include <QTest>
#include <QThread>

using namespace pelnix;

class TestApiCore : public QObject {
    Q_OBJECT
private slots:
    void offlineStartReturnsNoAndNeverCallsBack();
    void completionComesOnceOnMainAfterStartReturned();
    void serverErrorPageIsAFailureButTheServiceEnvelopeIsData();
    void progressFollowsAKnownLength();
    void heldReplyCanBeCancelledAndNeverCallsBack();
    void droppedConnectionIsATransportError();
    void synchronousVariantAnswersBeforeReturningFromAnyThread();
    void eventStreamDeliversChunksInOrderAndStopIsSilent();
    void eventStreamEndByServerCallsCompletion();
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
    std::optional<PLOptionalError> outcome;
    QVERIFY(request.startServiceWithCompletionHandler(
        [&](const QByteArray&, const PLOptionalError& error) { outcome = error; }));
    QTRY_VERIFY(outcome.has_value());
    QVERIFY(outcome->has_value());
    QCOMPARE((*outcome)->domain, QStringLiteral("PLNetworkErrorDomain"));
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
    QCOMPARE(completionThread, queue.thread());
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

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QCoreApplication app(argc, argv);
    TestApiCore t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_api_core.moc"
