#include "TestSandbox.h"
#include "platform/Log.h"
#include "platform/MainThread.h"
#include "platform/NotificationCenter.h"
#include "platform/PlistCodec.h"
#include "platform/Sandbox.h"
#include "platform/SerialQueue.h"

#include <QDateTime>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QTimeZone>

#include <mutex>

using namespace pelnix;
using namespace pelnix::platform;

namespace {

// A block that keeps its queue busy until released.
struct BusyBlock {
    std::atomic<bool> started{false}, released{false}, finished{false};
    SerialQueue::Block block() {
        return [this] {
            started = true;
            while (!released.load())
                QThread::yieldCurrentThread();
            finished = true;
        };
    }
};

} // namespace

class TestPlatform : public QObject {
    Q_OBJECT
private slots:
    void plistRoundTripKeepsTypesAndText();
    void plistRejectsGarbageAndWritesAtomically();
    void serialQueueRunsInOrderOnItsOwnThread();
    void serialQueueCountedSuspension();
    void serialQueueRunningBlockFinishesWhenSuspended();
    void serialQueueCallbackAfterTheRunningBlock();
    void notificationFromWorkerArrivesOnMain();
    void notificationObserverMayRemoveItselfAndFilters();
    void notificationObserverGoesAwayWithContext();
    void runOnMainSyncFromWorker();
    void runOnMainKeepsOrderAndSharesWakeUps();
    void safePathComponents();
    void sandboxFoldersLieBelowRoot();
    void logLinesOnlyWhenEnabled();
};

void TestPlatform::plistRoundTripKeepsTypesAndText() {
    const QVariantMap nested{{"list", QVariantList{1, QStringLiteral("zwei"), 3.5, false}},
                             {"data", QByteArray("\x00\x01\xff", 3)}};
    const QVariantMap value{
        {"big", qint64(5'000'000'000LL)},
        {"negative", qint64(-42)},
        {"text", QStringLiteral("Grüße 日本 \U0001F600 <&>")},
        {"flag", true},
        {"nested", nested},
        {"when", QDateTime::fromMSecsSinceEpoch(1'700'000'000'000LL, QTimeZone::utc())},
    };
    const QByteArray xml = PlistCodec::toXml(value);
    QVERIFY(xml.contains("<plist"));
    const auto back = PlistCodec::fromData(xml);
    QVERIFY(back.has_value());
    const QVariantMap map = back->toMap();
    QCOMPARE(map.value("big").toLongLong(), 5'000'000'000LL);
    QCOMPARE(map.value("negative").toLongLong(), -42LL);
    QCOMPARE(map.value("text").toString(), value.value("text").toString());
    QCOMPARE(map.value("flag").toBool(), true);
    QCOMPARE(map.value("nested").toMap().value("data").toByteArray(), QByteArray("\x00\x01\xff", 3));
    const QVariantList list = map.value("nested").toMap().value("list").toList();
    QCOMPARE(list.size(), 4);
    QCOMPARE(list.at(1).toString(), QStringLiteral("zwei"));
    QCOMPARE(list.at(2).toDouble(), 3.5);
    QCOMPARE(map.value("when").toDateTime().toMSecsSinceEpoch(), 1'700'000'000'000LL);
}

void TestPlatform::plistRejectsGarbageAndWritesAtomically() {
    test::TestSandbox sandbox;
    QVERIFY(!PlistCodec::fromData(QByteArray()).has_value());
    QVERIFY(!PlistCodec::fromData("{\"json\": 1}").has_value());
    QVERIFY(!PlistCodec::fromData("<plist><dict><key>a</key>").has_value());

    const QString path = sandbox.path("Info.plist");
    QVERIFY(PlistCodec::writeFile(path, QVariantMap{{"a", 1}}));
    QVERIFY(PlistCodec::writeFile(path, QVariantMap{{"a", 2}}));
    QCOMPARE(PlistCodec::readFile(path)->toMap().value("a").toInt(), 2);
    QCOMPARE(sandbox.listFiles(), QStringList{"Info.plist"}); // no temporary file left behind
    QVERIFY(!PlistCodec::readFile(sandbox.path("missing.plist")).has_value());
}

void TestPlatform::serialQueueRunsInOrderOnItsOwnThread() {
    SerialQueue queue(QStringLiteral("Event Precessing"));
    std::mutex m;
    QList<int> seen;
    QSet<QThread*> threads;
    for (int i = 0; i < 200; ++i) {
        queue.async([&, i] {
            std::lock_guard lock(m);
            seen.append(i);
            threads.insert(QThread::currentThread());
            QVERIFY(queue.isCurrent());
        });
    }
    auto done = queue.postMarker();
    QTRY_VERIFY(done->load());
    std::lock_guard lock(m);
    QCOMPARE(seen.size(), 200);
    for (int i = 0; i < 200; ++i)
        QCOMPARE(seen.at(i), i);
    QCOMPARE(threads.size(), 1);
    QVERIFY(threads.contains(queue.workerThread()));
    QVERIFY(!threads.contains(QThread::currentThread()));
    QVERIFY(!queue.isCurrent());
    // The queue is a QObject like any other: it lives where it was made, not on its worker.
    QCOMPARE(queue.thread(), QThread::currentThread());
}

void TestPlatform::serialQueueCountedSuspension() {
    SerialQueue queue(QStringLiteral("q"));
    std::atomic<int> ran{0};

    queue.resume(); // a resume without a suspend does nothing
    QCOMPARE(queue.suspendCount(), 0);

    queue.suspend();
    queue.suspend();
    queue.async([&] { ran++; });
    auto marker = queue.postMarker();
    queue.resume();
    // Two suspends and one resume: still suspended, nothing ran.
    QVERIFY(queue.isSuspended());
    QCOMPARE(ran.load(), 0);
    QCOMPARE(queue.pendingCount(), 2);

    queue.resume();
    QTRY_VERIFY(marker->load());
    QCOMPARE(ran.load(), 1);
    queue.resume();
    QCOMPARE(queue.suspendCount(), 0);
    // Once back at 0, a single suspend is enough to hold blocks again.
    queue.suspend();
    queue.async([&] { ran++; });
    QCOMPARE(ran.load(), 1);
    queue.resume();
    auto last = queue.postMarker();
    QTRY_VERIFY(last->load());
    QCOMPARE(ran.load(), 2);
}

void TestPlatform::serialQueueRunningBlockFinishesWhenSuspended() {
    SerialQueue queue(QStringLiteral("q"));
    BusyBlock busy;
    std::atomic<bool> second{false};
    queue.async(busy.block());
    queue.async([&] { second = true; });
    QTRY_VERIFY(busy.started.load());
    queue.suspend();
    busy.released = true;
    QTRY_VERIFY(busy.finished.load());
    QCOMPARE(queue.pendingCount(), 1);
    QVERIFY(!second.load());
    queue.resume();
    QTRY_VERIFY(second.load());
}

void TestPlatform::serialQueueCallbackAfterTheRunningBlock() {
    // Idle: the callback runs at once, on the caller's thread.
    {
        SerialQueue queue(QStringLiteral("q"));
        bool ran = false;
        queue.afterRunningBlock([&] { ran = true; });
        QVERIFY(ran);
    }
    // Busy: after the running block, on the queue object's thread, in the order given, and
    // before the block held back by the suspension.
    {
        SerialQueue queue(QStringLiteral("q"));
        BusyBlock busy;
        std::atomic<bool> second{false};
        queue.async(busy.block());
        queue.async([&] { second = true; });
        QTRY_VERIFY(busy.started.load());
        queue.suspend();
        QStringList seen;
        bool mainThread = true;
        queue.afterRunningBlock([&] {
            seen << (busy.finished.load() ? QStringLiteral("first after the block")
                                          : QStringLiteral("too early"));
            mainThread = mainThread && QThread::currentThread() == queue.thread();
        });
        queue.afterRunningBlock([&] { seen << QStringLiteral("second"); });
        QVERIFY(seen.isEmpty());
        busy.released = true;
        QTRY_COMPARE(seen.size(), 2);
        QCOMPARE(seen, QStringList({"first after the block", "second"}));
        QVERIFY(mainThread);
        QVERIFY(!second.load());
        queue.resume();
        QTRY_VERIFY(second.load());
    }
    // Destroyed while the block runs: the callback is dropped, not run, and what it holds is let go.
    {
        BusyBlock busy;
        auto held = std::make_shared<int>(0);
        std::weak_ptr<int> watch = held;
        bool ran = false;
        {
            SerialQueue queue(QStringLiteral("q"));
            queue.async(busy.block());
            QTRY_VERIFY(busy.started.load());
            queue.suspend();
            queue.afterRunningBlock([&ran, held] { ran = true; });
            held.reset();
            busy.released = true;
        }
        QCoreApplication::processEvents();
        QVERIFY(!ran);
        QVERIFY(watch.expired());
    }
}

void TestPlatform::notificationFromWorkerArrivesOnMain() {
    auto* center = NotificationCenter::defaultCenter();
    QThread* deliveredOn = nullptr;
    QVariantMap info;
    auto token =
        center->addObserver(QStringLiteral("ChatRoomUpdatedNotification"), [&](const Notification& n) {
            deliveredOn = QThread::currentThread();
            info = n.userInfo;
        });
    QSignalSpy spy(center, &NotificationCenter::posted);
    SerialQueue queue(QStringLiteral("worker"));
    queue.async([center] {
        center->post(QStringLiteral("ChatRoomUpdatedNotification"), {}, {{"ChatRoomID", "R1"}});
    });
    QTRY_COMPARE(spy.count(), 1);
    QCOMPARE(deliveredOn, QThread::currentThread());
    QCOMPARE(info.value("ChatRoomID").toString(), QStringLiteral("R1"));
    center->removeObserver(token);
}

void TestPlatform::notificationObserverMayRemoveItselfAndFilters() {
    auto* center = NotificationCenter::defaultCenter();
    int first = 0, second = 0, filtered = 0;
    NotificationCenter::Token t1 = 0;
    t1 = center->addObserver(QStringLiteral("N"), [&](const Notification&) {
        ++first;
        center->removeObserver(t1);
    });
    auto t2 = center->addObserver(QStringLiteral("N"), [&](const Notification&) { ++second; });
    auto t3 = center->addObserver(
        QStringLiteral("N"), [&](const Notification&) { ++filtered; }, nullptr, QVariant(7));
    center->post(QStringLiteral("N")); // delivered at once on the main thread
    center->post(QStringLiteral("N"), 7);
    center->post(QStringLiteral("Other"));
    QCOMPARE(first, 1);
    QCOMPARE(second, 2);
    QCOMPARE(filtered, 1);
    center->removeObserver(t2);
    center->removeObserver(t3);
}

void TestPlatform::notificationObserverGoesAwayWithContext() {
    auto* center = NotificationCenter::defaultCenter();
    int calls = 0;
    auto* context = new QObject;
    center->addObserver(
        QStringLiteral("Ctx"), [&](const Notification&) { ++calls; }, context);
    center->post(QStringLiteral("Ctx"));
    delete context;
    center->post(QStringLiteral("Ctx"));
    QCOMPARE(calls, 1);
}

void TestPlatform::runOnMainSyncFromWorker() {
    SerialQueue queue(QStringLiteral("worker"));
    std::atomic<bool> onMain{false}, after{false};
    queue.async([&] {
        runOnMainSync([&] { onMain = isMainThread(); });
        after = true;
    });
    QTRY_VERIFY(after.load());
    QVERIFY(onMain.load());
    bool ran = false;
    runOnMainSync([&] { ran = true; }); // on main: at once
    QVERIFY(ran);
}

void TestPlatform::runOnMainKeepsOrderAndSharesWakeUps() {
    // Calls queued to the application object: one per wake-up of the main thread.
    struct WakeUps : QObject {
        int count = 0;
        bool eventFilter(QObject* target, QEvent* event) override {
            if (target == QCoreApplication::instance() && event->type() == QEvent::MetaCall)
                ++count;
            return false;
        }
    } wakeUps;
    QCoreApplication::instance()->installEventFilter(&wakeUps);

    // A worker hands over a burst while the main thread is busy elsewhere.
    constexpr int kBlocks = 500;
    QList<int> order;
    SerialQueue queue(QStringLiteral("worker"));
    std::atomic<bool> handedOver{false};
    queue.async([&] {
        for (int i = 0; i < kBlocks; ++i)
            runOnMain([&order, i] {
                order << i;
                // A nested event loop inside a block finds the rest still in order.
                if (i == 10)
                    QCoreApplication::processEvents();
            });
        handedOver = true;
    });
    while (!handedOver.load())
        QThread::yieldCurrentThread();
    QTRY_COMPARE(order.size(), kBlocks);
    QCoreApplication::instance()->removeEventFilter(&wakeUps);
    for (int i = 0; i < kBlocks; ++i)
        QCOMPARE(order[i], i);
    QVERIFY2(wakeUps.count <= 3, qPrintable(QString::number(wakeUps.count)));
}

void TestPlatform::safePathComponents() {
    for (const char* bad : {"", ".", "..", "a/b", "/", "../x", "a\\b"})
        QVERIFY2(!Sandbox::isSafePathComponent(QString::fromUtf8(bad)), bad);
    QVERIFY(!Sandbox::isSafePathComponent(QString(QChar(0)) + "x"));
    for (const char* good : {"R1", "room.1", "...", "ID1.jpg", "Grüße"})
        QVERIFY2(Sandbox::isSafePathComponent(QString::fromUtf8(good)), good);
}

void TestPlatform::sandboxFoldersLieBelowRoot() {
    test::TestSandbox sandbox;
    for (const QString& p : {Sandbox::documents(), Sandbox::applicationSupport(), Sandbox::caches(),
                             Sandbox::preferences(), Sandbox::tmp()})
        QVERIFY2(p.startsWith(sandbox.root() + "/"), qPrintable(p));
    QCOMPARE(Sandbox::applicationSupport(), sandbox.root() + "/Library/Application Support");
}

namespace {
QStringList g_lines;
void captureMessages(QtMsgType, const QMessageLogContext&, const QString& msg) {
    g_lines << msg;
}
} // namespace

void TestPlatform::logLinesOnlyWhenEnabled() {
    g_lines.clear();
    auto previous = qInstallMessageHandler(captureMessages);
    Log::setEnabled(false);
    Log::write(QStringLiteral("Passcode is not enabled."));
    Log::setEnabled(true);
    Log::write(QStringLiteral("Passcode is not enabled."));
    Log::setEnabled(false);
    qInstallMessageHandler(previous);
    QCOMPARE(g_lines, QStringList{QStringLiteral("Pelnix : Passcode is not enabled.")});
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QCoreApplication app(argc, argv);
    TestPlatform t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_platform.moc"
