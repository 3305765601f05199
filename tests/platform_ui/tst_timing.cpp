#include "TestSandbox.h"
#include "platform/ui/Animator.h"
#include "platform/ui/Scheduler.h"

#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QWidget>

using namespace pelnix::platform::ui;

class TestTiming : public QObject {
    Q_OBJECT
private slots:
    void init() { Scheduler::shared()->setVirtualClock(true); }
    void cleanup() { Scheduler::shared()->setVirtualClock(false); }

    void virtualClockFiresDelayedPerformsInOrder() {
        auto* scheduler = Scheduler::shared();
        QObject target;
        QStringList fired;
        scheduler->performAfter(&target, 300, [&] { fired << "b"; });
        scheduler->performAfter(&target, 100, [&] {
            fired << "a";
            // Scheduled while the clock moves: runs in the same advance when due in it.
            scheduler->performAfter(&target, 150, [&] { fired << "a+150"; });
        });
        scheduler->performAfter(&target, 300, [&] { fired << "c"; }); // same time as b: after it
        const auto cancelled = scheduler->performAfter(&target, 200, [&] { fired << "never"; });
        scheduler->cancel(cancelled);

        scheduler->advance(99);
        QVERIFY(fired.isEmpty());
        scheduler->advance(1);
        QCOMPARE(fired, QStringList{"a"});
        scheduler->advance(1000);
        QCOMPARE(fired, (QStringList{"a", "a+150", "b", "c"}));
        QCOMPARE(scheduler->pendingCount(), 0);
    }

    // One advance() runs every repetition and every call scheduled from inside one, each at its own
    // time: a call scheduled at 200 for 50 later runs at 250, between the repetitions at 200 and 300.
    void repeatingPerformsAndNestedCallsKeepTheirTimes() {
        auto* scheduler = Scheduler::shared();
        QObject target;
        QStringList fired;
        const qint64 start = scheduler->now();
        const auto at = [&] { return QString::number(scheduler->now() - start); };
        Scheduler::Id repeating = 0;
        repeating = scheduler->scheduleRepeating(&target, 100, [&] {
            fired << "tick@" + at();
            if (scheduler->now() - start == 200)
                scheduler->performAfter(&target, 50, [&] {
                    fired << "nested@" + at();
                    scheduler->dispatchAfter(0, [&] { fired << "nested+0@" + at(); });
                });
            if (scheduler->now() - start == 400)
                scheduler->cancel(repeating); // from inside its own run
        });
        scheduler->advance(1000);
        QCOMPARE(fired,
                 (QStringList{"tick@100", "tick@200", "nested@250", "nested+0@250", "tick@300", "tick@400"}));
        QCOMPARE(scheduler->pendingCount(), 0);

        // Cancelled by target between runs, and dropped when the target goes.
        fired.clear();
        auto* owner = new QObject;
        scheduler->scheduleRepeating(owner, 30, [&] { fired << "owned@" + at(); });
        scheduler->scheduleRepeating(&target, 40, [&] { fired << "kept"; });
        scheduler->advance(60);
        delete owner;
        scheduler->cancelPerforms(&target);
        scheduler->advance(200);
        QCOMPARE(fired, (QStringList{"owned@1030", "kept", "owned@1060"}));
        QCOMPARE(scheduler->pendingCount(), 0);
    }

    void cancelForTargetAndGoneTargets() {
        auto* scheduler = Scheduler::shared();
        QObject keep;
        QObject cancelled;
        auto* gone = new QObject;
        QStringList fired;
        scheduler->performAfter(&keep, 10, [&] { fired << "keep"; });
        scheduler->performAfter(&cancelled, 10, [&] { fired << "cancelled"; });
        scheduler->performAfter(&cancelled, 20, [&] { fired << "cancelled too"; });
        scheduler->performAfter(gone, 10, [&] { fired << "gone"; });
        scheduler->dispatchAfter(30, [&] { fired << "dispatch"; });
        scheduler->cancelPerforms(&cancelled);
        delete gone;
        scheduler->advance(100);
        QCOMPARE(fired, (QStringList{"keep", "dispatch"}));
    }

    void realClockStillRuns() {
        auto* scheduler = Scheduler::shared();
        scheduler->setVirtualClock(false);
        bool fired = false;
        scheduler->dispatchAfter(5, [&] { fired = true; });
        QTRY_VERIFY(fired);
    }

    void switchingClocksKeepsTheRemainingDelay() {
        auto* scheduler = Scheduler::shared();
        scheduler->setVirtualClock(false);
        bool fired = false;
        scheduler->dispatchAfter(60'000, [&] { fired = true; });
        scheduler->setVirtualClock(true);
        scheduler->advance(59'000);
        QVERIFY(!fired);
        scheduler->advance(1'500);
        QVERIFY(fired);
    }

    void crossDissolveOnScreenFadesThenCleansUp() {
        Animator::setInstant(false);
        QWidget view;
        view.resize(100, 100);
        view.show();
        bool changed = false;
        bool done = false;
        Animator::crossDissolve(
            &view, 50, [&] { changed = true; }, [&](bool) { done = true; });
        QVERIFY(changed);
        QCOMPARE(view.findChildren<QLabel*>().size(), 1); // the snapshot of the old look
        QTRY_VERIFY(done);
        QTRY_COMPARE(view.findChildren<QLabel*>().size(), 0);
        Animator::setInstant(true);
    }

    void instantAnimationsFinishBeforeReturning() {
        Animator::setInstant(true);
        QWidget view;
        view.resize(100, 100);
        bool done = false;
        Animator::animateProperty(&view, "pos", QPoint(40, 50), 300, Animator::Curve::EaseOut,
                                  [&](bool f) { done = f; });
        QVERIFY(done);
        QCOMPARE(view.pos(), QPoint(40, 50));
        Animator::animateAlpha(&view, 0.25, 300);
        QCOMPARE(Animator::alpha(&view), 0.25);
        int steps = 0;
        Animator::run(
            &view, 300, Animator::Curve::Linear, [&](qreal p) { steps += p == 1.0; }, [&](bool) { ++steps; });
        QCOMPARE(steps, 2);

        // Block animations complete after their duration on the scheduler's clock.
        Animator::setInstant(false);
        done = false;
        Animator::animate(
            200, [&] { view.move(0, 0); }, [&](bool) { done = true; });
        QCOMPARE(view.pos(), QPoint(0, 0));
        QVERIFY(!done);
        Scheduler::shared()->advance(200);
        QVERIFY(done);
    }
};

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestTiming t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_timing.moc"
