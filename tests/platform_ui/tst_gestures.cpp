#include "TestSandbox.h"
#include "platform/ui/LongPressGestureRecognizer.h"
#include "platform/ui/Scheduler.h"
#include "platform/ui/SwipeGestureRecognizer.h"
#include "platform/ui/TapGestureRecognizer.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>

using namespace pelnix::platform::ui;
using State = GestureRecognizer::State;

namespace {
// A view that counts the presses that reach it.
class Pad : public QWidget {
public:
    Pad() { resize(300, 300); }
    int presses = 0;

protected:
    void mousePressEvent(QMouseEvent*) override { ++presses; }
};

void send(QWidget* view, QEvent::Type type, QPointF at) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, at, view->mapToGlobal(at), button, held, Qt::NoModifier);
    QApplication::sendEvent(view, &event);
}

void drag(QWidget* view, QPointF from, QList<QPointF> path, bool release = true) {
    send(view, QEvent::MouseButtonPress, from);
    for (const QPointF& p : path)
        send(view, QEvent::MouseMove, p);
    if (release)
        send(view, QEvent::MouseButtonRelease, path.isEmpty() ? from : path.last());
}
// What Qt delivers for a quick double click: the second press comes as a double-click event.
void doubleClick(QWidget* view, QPointF at) {
    send(view, QEvent::MouseButtonPress, at);
    send(view, QEvent::MouseButtonRelease, at);
    send(view, QEvent::MouseButtonDblClick, at);
    send(view, QEvent::MouseButtonRelease, at);
}
} // namespace

class TestGestures : public QObject {
    Q_OBJECT
private slots:
    void init() { Scheduler::shared()->setVirtualClock(true); }
    void cleanup() { Scheduler::shared()->setVirtualClock(false); }

    // A tap that requires the double tap to fail fires only once the double tap has timed out, and
    // never for a double tap.
    void tapWaitsForTheDoubleTapToFail() {
        Pad pad;
        QStringList fired;
        auto* single = new TapGestureRecognizer([&](GestureRecognizer* g) {
            fired << QStringLiteral("tap %1,%2").arg(g->locationInView().x()).arg(g->locationInView().y());
        });
        auto* twice = new TapGestureRecognizer([&](GestureRecognizer*) { fired << "double"; }, 2);
        single->addToView(&pad);
        twice->addToView(&pad);
        single->requireGestureRecognizerToFail(twice);

        QTest::mouseClick(&pad, Qt::LeftButton, {}, QPoint(40, 50));
        QVERIFY(fired.isEmpty());
        Scheduler::shared()->advance(TapGestureRecognizer::kTapIntervalMs - 1);
        QVERIFY(fired.isEmpty());
        Scheduler::shared()->advance(1);
        QCOMPARE(fired, QStringList{"tap 40,50"});
        QCOMPARE(twice->state(), State::Failed);

        fired.clear();
        doubleClick(&pad, QPointF(60, 60));
        QCOMPARE(fired, QStringList{"double"});
        Scheduler::shared()->advance(1000);
        QCOMPARE(fired, QStringList{"double"});
        QCOMPARE(single->state(), State::Failed);

        // Two taps too far apart are two single taps; a tap that moves is none.
        fired.clear();
        QTest::mouseClick(&pad, Qt::LeftButton, {}, QPoint(10, 10));
        Scheduler::shared()->advance(500);
        drag(&pad, QPointF(100, 100), {QPointF(100, 130)});
        Scheduler::shared()->advance(500);
        QCOMPARE(fired, QStringList{"tap 10,10"});
        // Both view presses of that reached the pad: recognisers pass through by default.
        QCOMPARE(pad.presses, 5);
    }

    void longPressRunsThroughItsStates() {
        Pad pad;
        QList<State> states;
        auto* press = new LongPressGestureRecognizer([&](GestureRecognizer* g) { states << g->state(); });
        press->addToView(&pad);
        drag(&pad, QPointF(50, 50), {}, false);
        Scheduler::shared()->advance(499);
        QVERIFY(states.isEmpty());
        Scheduler::shared()->advance(1);
        send(&pad, QEvent::MouseMove, QPointF(80, 80));
        send(&pad, QEvent::MouseButtonRelease, QPointF(80, 80));
        QCOMPARE(states, (QList<State>{State::Began, State::Changed, State::Ended}));

        // Moving early or lifting early fails it, and its timer goes with it.
        states.clear();
        drag(&pad, QPointF(50, 50), {QPointF(50, 70)}, false);
        QCOMPARE(press->state(), State::Failed);
        Scheduler::shared()->advance(1000);
        send(&pad, QEvent::MouseButtonRelease, QPointF(50, 70));
        QTest::mouseClick(&pad, Qt::LeftButton, {}, QPoint(5, 5));
        Scheduler::shared()->advance(1000);
        QVERIFY(states.isEmpty());
        QCOMPARE(Scheduler::shared()->pendingCount(), 0);
    }

    void swipesByDirection_data() {
        QTest::addColumn<int>("allowed");
        QTest::addColumn<QPointF>("to");
        QTest::addColumn<bool>("recognized");
        QTest::newRow("right, allowed") << int(SwipeGestureRecognizer::Right) << QPointF(170, 110) << true;
        QTest::newRow("left, only right allowed")
            << int(SwipeGestureRecognizer::Right) << QPointF(30, 100) << false;
        QTest::newRow("up, vertical allowed")
            << int(SwipeGestureRecognizer::Up | SwipeGestureRecognizer::Down) << QPointF(100, 30) << true;
        QTest::newRow("too diagonal") << int(SwipeGestureRecognizer::Right) << QPointF(160, 140) << false;
        QTest::newRow("too short") << int(SwipeGestureRecognizer::Right) << QPointF(140, 100) << false;
    }
    void swipesByDirection() {
        QFETCH(int, allowed);
        QFETCH(QPointF, to);
        QFETCH(bool, recognized);
        Pad pad;
        int fired = 0;
        auto* swipe = new SwipeGestureRecognizer([&](GestureRecognizer*) { ++fired; }, allowed);
        swipe->addToView(&pad);
        const QPointF from(100, 100);
        drag(&pad, from, {from + (to - from) / 2, to});
        QCOMPARE(fired, recognized ? 1 : 0);
        QCOMPARE(swipe->state(), recognized ? State::Ended : State::Failed);
    }

    // Without pass-through the view never sees the touches the recogniser watches; a disabled one
    // neither recognises nor holds anything back.
    void passThroughAndDisabling() {
        Pad pad;
        int fired = 0;
        auto* tap = new TapGestureRecognizer([&](GestureRecognizer*) { ++fired; });
        tap->addToView(&pad);
        tap->setPassesThrough(false);
        QTest::mouseClick(&pad, Qt::LeftButton, {}, QPoint(20, 20));
        QCOMPARE(fired, 1);
        QCOMPARE(pad.presses, 0);
        tap->setEnabled(false);
        QTest::mouseClick(&pad, Qt::LeftButton, {}, QPoint(20, 20));
        QCOMPARE(fired, 1);
        QCOMPARE(pad.presses, 1);

        // It belongs to its view and goes with it.
        QPointer<GestureRecognizer> guard(tap);
        {
            Pad other;
            tap->addToView(&other);
        }
        QVERIFY(guard.isNull());
    }
};

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestGestures t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_gestures.moc"
