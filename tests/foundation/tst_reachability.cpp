#include "TestSandbox.h"
#include "foundation/NetlinkReachabilitySource.h"
#include "foundation/NetworkInformationReachabilitySource.h"
#include "foundation/PLReachability.h"
#include "foundation/PLReachabilityResponder.h"
#include "platform/NotificationCenter.h"
#include "platform/SerialQueue.h"

#include <QHash>
#include <QMutex>
#include <QScopeGuard>
#include <QSignalSpy>
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

// A settable source that also answers per address, as a route lookup would; an address it was not
// told of has no route.
class RoutedSource : public ReachabilitySource {
public:
    quint32 flagsForAddress(const QHostAddress& address) const override {
        QMutexLocker lock(&m_mutex);
        return m_routes.value(address.toString(), 0);
    }
    // Says that the network changed only when asked to, like a route coming or going that leaves the
    // internet's flags alone.
    void setRoute(const QString& address, quint32 flags) {
        QMutexLocker lock(&m_mutex);
        m_routes.insert(address, flags);
    }

private:
    mutable QMutex m_mutex;
    QHash<QString, quint32> m_routes;
};

// Counts "PLReachabilityChangedNotification" for one object.
class ChangeCounter {
public:
    explicit ChangeCounter(PLReachability* reachability) {
        m_token = platform::NotificationCenter::defaultCenter()->addObserver(
            QString::fromLatin1(PLReachabilityChangedNotification),
            [this](const platform::Notification&) { ++count; }, nullptr,
            QVariant::fromValue(static_cast<QObject*>(reachability)));
    }
    ~ChangeCounter() { platform::NotificationCenter::defaultCenter()->removeObserver(m_token); }
    int count = 0;

private:
    platform::NotificationCenter::Token m_token = 0;
};

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
    void addressTargets_data();
    void addressTargets();
    void hostNames_data();
    void hostNames();
    void hostNamesLookedUpInTheBackground();
    void addressAndHostNameChangesPostedPerStatusChange();

private:
    // A routed source as the default one until the test's cleanup.
    std::shared_ptr<RoutedSource> useRoutedSource();

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
    PLReachability::setDefaultSource(m_source);
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

std::shared_ptr<RoutedSource> TestReachability::useRoutedSource() {
    auto routed = std::make_shared<RoutedSource>();
    routed->setFlags(R, R | Direct);
    routed->setRoute(QStringLiteral("127.0.0.1"), R | Direct);
    routed->setRoute(QStringLiteral("::1"), R | Direct);
    routed->setRoute(QStringLiteral("192.0.2.7"), R | Direct);
    routed->setRoute(QStringLiteral("2001:db8::7"), R | WWAN);
    PLReachability::setDefaultSource(routed);
    return routed;
}

void TestReachability::addressTargets_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<int>("status"); // -1: refused. Internet R | WWAN, local link R, 192.0.2.7 R | Direct

    QTest::newRow("0.0.0.0 is the internet") << "0.0.0.0" << 2;
    QTest::newRow(":: is the internet") << "::" << 2;
    QTest::newRow("169.254.0.0 is the local link, by the network rule") << "169.254.0.0" << 1;
    QTest::newRow("an address with a route") << "192.0.2.7" << 1;
    QTest::newRow("an address without one") << "198.51.100.7" << 0;
    QTest::newRow("an IPv6 address over a cellular route") << "2001:db8::7" << 2;
    QTest::newRow("no address") << QString() << -1;
}

void TestReachability::addressTargets() {
    QFETCH(QString, address);
    QFETCH(int, status);
    auto routed = useRoutedSource();
    routed->setFlags(R | WWAN, R);
    const auto reachability = PLReachability::reachabilityWithAddress(QHostAddress(address));
    QCOMPARE(reachability ? reachability->currentReachabilityStatus() : -1, status);
}

void TestReachability::hostNames_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("made");

    const QString name253 = (QString(63, 'a') + '.').repeated(3) + QString(61, 'a');
    QTest::newRow("empty") << QString() << false;
    QTest::newRow("empty label") << "a..example" << false;
    QTest::newRow("label starting with a hyphen") << "-a.example" << false;
    QTest::newRow("space") << "a host.example" << false;
    QTest::newRow("slash") << "a/b.example" << false;
    QTest::newRow("label of 64") << QString(64, 'a') + ".example" << false;
    QTest::newRow("label of 63") << QString(63, 'a') + ".example" << true;
    QTest::newRow("name of 253 and the final dot") << name253 + '.' << true;
    QTest::newRow("name of 254") << name253 + 'a' << false;
    QTest::newRow("name of a million") << QString(1'000'000, 'a') << false;
    QTest::newRow("underscore") << "build_host.example" << true;
    QTest::newRow("international") << QString::fromUtf8("b\xc3\xbc"
                                                        "cher.example")
                                   << true;
    QTest::newRow("IPv4 address") << "192.0.2.7" << true;
    QTest::newRow("IPv6 address") << "2001:db8::7" << true;
}

void TestReachability::hostNames() {
    QFETCH(QString, name);
    QFETCH(bool, made);
    auto routed = useRoutedSource();
    const auto reachability = PLReachability::reachabilityWithHostName(name);
    QCOMPARE(bool(reachability), made);
    // An address needs no lookup: its flags are there at once.
    if (QHostAddress(name).protocol() != QAbstractSocket::UnknownNetworkLayerProtocol)
        QCOMPARE(reachability->currentReachabilityStatus(), name.contains(':') ? 2 : 1);
}

void TestReachability::hostNamesLookedUpInTheBackground() {
    auto routed = useRoutedSource();
    const auto localhost = PLReachability::reachabilityWithHostName(QStringLiteral("localhost"));
    const auto invalid = PLReachability::reachabilityWithHostName(QStringLiteral("pelnix.invalid"));
    QSignalSpy found(localhost.get(), &PLReachability::hostNameResolved);
    QSignalSpy notFound(invalid.get(), &PLReachability::hostNameResolved);
    // Not yet looked up: as the platform reports a name it has not resolved.
    QCOMPARE(localhost->flags(), 0u);
    QVERIFY(found.wait());
    QCOMPARE(localhost->flags(), R | Direct);
    // A reserved name has no address, and no one is asked for it.
    QTRY_COMPARE(notFound.count(), 1);
    QCOMPARE(invalid->flags(), 0u);
    QVERIFY(invalid->startNotifier());
    ChangeCounter changes(invalid.get());
    routed->setFlags(R | WWAN, R); // asked again: still nothing, nothing to post
    QTRY_COMPARE(notFound.count(), 2);
    QCOMPARE(changes.count, 0);
}

void TestReachability::addressAndHostNameChangesPostedPerStatusChange() {
    auto routed = useRoutedSource();
    routed->setRoute(QStringLiteral("127.0.0.1"), 0);
    routed->setRoute(QStringLiteral("::1"), 0);
    const auto address = PLReachability::reachabilityWithAddress(QHostAddress(QStringLiteral("192.0.2.7")));
    const auto localhost = PLReachability::reachabilityWithHostName(QStringLiteral("localhost"));
    QSignalSpy resolved(localhost.get(), &PLReachability::hostNameResolved);
    QVERIFY(resolved.wait());
    ChangeCounter addressChanges(address.get());
    ChangeCounter nameChanges(localhost.get());
    const auto route = [&](const char* to, quint32 flags) {
        routed->setRoute(QLatin1String(to), flags);
        emit routed->networkChanged(); // the internet's flags unchanged
    };

    route("192.0.2.7", 0);
    QCOMPARE(addressChanges.count, 0); // nothing before the notifier starts
    QVERIFY(address->startNotifier());
    QVERIFY(localhost->startNotifier());
    route("192.0.2.7", R | Direct);
    QCOMPARE(addressChanges.count, 1);
    routed->setFlags(R | WWAN, R); // its status as it was: nothing posted
    QCOMPARE(addressChanges.count, 1);
    route("192.0.2.7", R | WWAN);
    QCOMPARE(addressChanges.count, 2);
    QCOMPARE(address->currentReachabilityStatus(), 2);

    // Judged at once by the addresses known, and again once they are looked up anew.
    routed->setRoute(QStringLiteral("127.0.0.1"), R | Direct);
    routed->setRoute(QStringLiteral("::1"), R | Direct);
    routed->setFlags(R, R);
    QCOMPARE(nameChanges.count, 1);
    QVERIFY(resolved.wait());
    QCOMPARE(nameChanges.count, 1);
    QCOMPARE(localhost->currentReachabilityStatus(), 1);

    address->stopNotifier();
    route("192.0.2.7", 0);
    QCOMPARE(addressChanges.count, 2);
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QCoreApplication app(argc, argv);
    TestReachability t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_reachability.moc"
