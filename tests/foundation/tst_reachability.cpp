#include "TestSandbox.h"
#include "foundation/NetlinkReachabilitySource.h"
#include "foundation/NetworkInformationReachabilitySource.h"
#include "foundation/PLReachability.h"
#include "foundation/PLReachabilityResponder.h"
#include "platform/SerialQueue.h"

#include <QTest>
#include <QThread>

using namespace pelnix;

namespace {
constexpr quint32 R = PLReachability::kReachable;
constexpr quint32 Required = PLReachability::kConnectionRequired;
constexpr quint32 OnTraffic = PLReachability::kConnectionOnTraffic;
constexpr quint32 Intervention = PLReachability::kInterventionRequired;
constexpr quint32 OnDemand = PLReachability::kConnectionOnDemand;
constexpr quint32 Direct = PLReachability::kIsDirect;
constexpr quint32 WWAN = PLReachability::kIsWWAN;
} // namespace

class TestReachability : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void flagRules();
    void testingSwitchAffectsQueriesNotHandlers();
    void handlerUnderExistingKeyReplacesItInPlace();
    void handlerRemovingItselfDuringDispatch();
    void changeFromWorkerReachesHandlersOnMainThread();
    void alertOnlyWhenAskedAndOffline();
    void liveSourceIsMadeOnAWorkerAndFollowedOnMainThread();
    void networkInformationSourceWithoutBackendIsReachable();

private:
    std::shared_ptr<ReachabilitySource> m_source;
    PLReachabilityResponder* m_responder = nullptr;
};

void TestReachability::initTestCase() {
    // The shared responder is built over a settable source, never the machine's network.
    m_source = std::make_shared<ReachabilitySource>();
    PLReachability::setDefaultSource(m_source);
    m_responder = PLReachabilityResponder::sharedInstance();
}

void TestReachability::init() {
    m_source->setFlags(R, R | Direct);
    m_responder->setReachabilityInstance(PLReachability::reachabilityForInternetConnection());
}

void TestReachability::cleanup() {
    for (const char* key : {"PLModelManager", "a", "b", "self"})
        m_responder->removeHandlerForKey(QString::fromLatin1(key));
    if (m_responder->isNetworkDisabledForTesting())
        m_responder->toggleNetworkForTestingPuspose();
    PLReachabilityResponder::setAlertPresenter({});
}

void TestReachability::flagRules() {
    const struct {
        quint32 flags;
        int status;
    } table[] = {
        {R | WWAN, 2},
        {R | WWAN | Required, 0},
        {R | WWAN | OnTraffic, 2}, // cellular wins over on-traffic
        {R, 1},
        {R | Required, 0},
        {R | Required | OnTraffic, 1},
        {R | Required | OnDemand, 1},
        {R | Required | OnTraffic | Intervention, 0},
        {Required | OnTraffic | WWAN | Direct, 0}, // nothing without Reachable
        {0, 0},
    };
    for (const auto& row : table)
        QVERIFY2(PLReachability::networkStatusForFlags(row.flags) == row.status,
                 qPrintable(QString::number(row.flags, 16)));

    QCOMPARE(PLReachability::localWiFiStatusForFlags(R | Direct), 1);
    QCOMPARE(PLReachability::localWiFiStatusForFlags(R), 0);
    QCOMPARE(PLReachability::localWiFiStatusForFlags(Direct), 0);

    // The local Wi-Fi target reads the local link through its own rule.
    auto local = PLReachability::reachabilityForLocalWiFi();
    QCOMPARE(local->currentReachabilityStatus(), 1);
    m_source->setFlags(ReachabilitySource::Target::LocalLink, R);
    QCOMPARE(local->currentReachabilityStatus(), 0);
    m_source->setFlags(ReachabilitySource::Target::Internet, R | Required);
    QVERIFY(PLReachability::reachabilityForInternetConnection()->connectionRequired());
}

void TestReachability::testingSwitchAffectsQueriesNotHandlers() {
    QList<int> seen;
    m_responder->addHandler([&](int status) { seen.append(status); }, QStringLiteral("PLModelManager"));
    QCOMPARE(m_responder->networkStatus(), 1);

    m_responder->toggleNetworkForTestingPuspose();
    QCOMPARE(m_responder->networkStatus(), 0);
    QVERIFY(!m_responder->isReachable());
    m_source->setFlags(ReachabilitySource::Target::Internet, R | WWAN);
    QCOMPARE(seen, QList<int>{2}); // handlers get the real status
    QCOMPARE(m_responder->networkStatus(), 0);

    m_responder->toggleNetworkForTestingPuspose();
    QCOMPARE(m_responder->networkStatus(), 2);
}

void TestReachability::handlerUnderExistingKeyReplacesItInPlace() {
    QStringList calls;
    m_responder->addHandler([&](int) { calls << "a1"; }, QStringLiteral("a"));
    m_responder->addHandler([&](int) { calls << "b"; }, QStringLiteral("b"));
    m_responder->addHandler([&](int) { calls << "a2"; }, QStringLiteral("a"));
    m_source->setFlags(ReachabilitySource::Target::Internet, 0);
    QCOMPARE(calls, (QStringList{"a2", "b"}));

    m_responder->removeHandlerForKey(QStringLiteral("a"));
    m_source->setFlags(ReachabilitySource::Target::Internet, R);
    QCOMPARE(calls, (QStringList{"a2", "b", "b"}));
}

void TestReachability::handlerRemovingItselfDuringDispatch() {
    int selfCalls = 0, otherCalls = 0;
    m_responder->addHandler(
        [&](int) {
            ++selfCalls;
            m_responder->removeHandlerForKey(QStringLiteral("self"));
            m_responder->addHandler([&](int) { ++otherCalls; }, QStringLiteral("b"));
        },
        QStringLiteral("self"));
    m_source->setFlags(ReachabilitySource::Target::Internet, 0);
    QCOMPARE(selfCalls, 1);
    QCOMPARE(otherCalls, 0); // added during the round: called from the next one
    m_source->setFlags(ReachabilitySource::Target::Internet, R);
    QCOMPARE(selfCalls, 1);
    QCOMPARE(otherCalls, 1);
}

void TestReachability::changeFromWorkerReachesHandlersOnMainThread() {
    QThread* calledOn = nullptr;
    int status = -1;
    m_responder->addHandler(
        [&](int s) {
            calledOn = QThread::currentThread();
            status = s;
        },
        QStringLiteral("a"));
    platform::SerialQueue worker(QStringLiteral("worker"));
    auto source = m_source;
    worker.async([source] { source->setFlags(ReachabilitySource::Target::Internet, R | WWAN); });
    QTRY_COMPARE(status, 2);
    QCOMPARE(calledOn, QThread::currentThread());
    // Queries from another thread read the same status.
    std::atomic<int> fromWorker{-1};
    worker.async([&] { fromWorker = PLReachabilityResponder::sharedInstance()->networkStatus(); });
    QTRY_COMPARE(fromWorker.load(), 2);
}

void TestReachability::alertOnlyWhenAskedAndOffline() {
    QStringList shown;
    PLReachabilityResponder::setAlertPresenter(
        [&](const QString& title, const QString& message, const QString& cancel) {
            shown << title + "|" + message + "|" + cancel;
        });
    QVERIFY(m_responder->isNetworkReachable(true)); // online: nothing shown
    m_source->setFlags(ReachabilitySource::Target::Internet, 0);
    QVERIFY(!m_responder->isNetworkReachable(false));
    QVERIFY(shown.isEmpty());
    QVERIFY(!m_responder->isNetworkReachable(true));
    QVERIFY(!m_responder->isNetworkReachable(true));
    QCOMPARE(shown, QStringList(2, "Failed|Please check your network connectivity.|OK"));

    // The testing switch counts as offline for the alert too.
    m_source->setFlags(ReachabilitySource::Target::Internet, R);
    m_responder->toggleNetworkForTestingPuspose();
    QVERIFY(!m_responder->isNetworkReachable(true));
    QCOMPARE(shown.size(), 3);
}

void TestReachability::liveSourceIsMadeOnAWorkerAndFollowedOnMainThread() {
    // Made on a worker while the main thread is busy: it must not wait for the main thread.
    platform::SerialQueue worker(QStringLiteral("worker"));
    std::shared_ptr<ReachabilitySource> live;
    std::atomic<bool> made{false};
    PLReachability::setDefaultSource({});
    worker.async([&] {
        live = PLReachability::defaultSource();
        made = true;
    });
    while (!made.load())
        QThread::yieldCurrentThread();
    PLReachability::setDefaultSource(m_source);
    QVERIFY(live);
    QCOMPARE(live->thread(), QThread::currentThread()); // followed on the main thread
#if defined(Q_OS_LINUX)
    // Linux answers from the kernel's routing socket, without Qt's network plug-ins.
    if (NetlinkReachabilitySource::create())
        QVERIFY(std::dynamic_pointer_cast<NetlinkReachabilitySource>(live));
#endif
    QCoreApplication::processEvents();
}

void TestReachability::networkInformationSourceWithoutBackendIsReachable() {
    // The source used where there is no routing socket; made on a worker as above.
    platform::SerialQueue worker(QStringLiteral("worker"));
    std::shared_ptr<NetworkInformationReachabilitySource> live;
    std::atomic<bool> made{false};
    worker.async([&] {
        live = std::make_shared<NetworkInformationReachabilitySource>();
        made = true;
    });
    while (!made.load())
        QThread::yieldCurrentThread();
    QVERIFY(live);
    QCOMPARE(live->thread(), QThread::currentThread()); // followed on the main thread
    QCoreApplication::processEvents();

    PLReachability internet(live, false);
    if (live->hasBackend())
        QSKIP("a network information backend is loaded here; its answer depends on the machine");
    QCOMPARE(internet.currentReachabilityStatus(), 1);
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QCoreApplication app(argc, argv);
    TestReachability t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_reachability.moc"
