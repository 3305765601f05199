#include "TestSandbox.h"
#include "ui/toolkit/PLCircularProgressView.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <QVariantAnimation>
#include <QtMath>

using namespace pelnix;

namespace {
class RingDelegate : public QObject, public PLCircularProgressViewDelegate {
public:
    void progressAnimationDidStart(PLCircularProgressView*) override { ++started; }
    void progressAnimationDidStop(PLCircularProgressView*, bool finished) override { stopped << finished; }
    int started = 0;
    QList<bool> stopped;
};

// A point at `radius` from the centre of a 40 x 40 ring, `degrees` clockwise from the top.
QPoint onRing(double radius, double degrees) {
    const double a = qDegreesToRadians(degrees);
    return QPoint(qFloor(20 + radius * std::sin(a)), qFloor(20 - radius * std::cos(a)));
}
} // namespace

class TestProgressRing : public QObject {
    Q_OBJECT
private slots:
    void clampsAndOnlyAnExactZeroEndsAPause() {
        PLCircularProgressView view;
        view.resize(40, 40);
        view.setProgress(1.7, false);
        QCOMPARE(view.currentProgress(), 1.0);
        view.layoutIfNeeded();

        view.setProgress(0.25, 1000.0);
        view.layoutIfNeeded();
        QVERIFY(view.isAnimating());
        view.pause();
        QVERIFY(view.isPaused());
        view.setProgress(-0.2, true);
        QCOMPARE(view.currentProgress(), 0.0);
        QVERIFY(view.isPaused());
        view.setProgress(0.0, true);
        QVERIFY(!view.isPaused());
    }

    // 0.25 -> 0.5 grows the arc on the new half circle from its old end (stroke end 0.5) to 1.
    void growsFromTheOldEndAndNotAgainForTheSameValue() {
        PLCircularProgressView view;
        view.resize(40, 40);
        RingDelegate delegate;
        view.setDelegate(&delegate);
        view.setProgress(0.25, false);
        view.layoutIfNeeded();
        QVERIFY(!view.isAnimating());
        QCOMPARE(view.strokeEnd(), 1.0);

        view.setProgress(0.5, 0.05);
        view.layoutIfNeeded();
        QVERIFY(view.isAnimating());
        QCOMPARE(view.strokeEnd(), 0.5);
        QCOMPARE(delegate.started, 1);
        QCOMPARE(view.progressPath().currentPosition(), QPointF(20, 38.5)); // the bottom: half way
        QTRY_COMPARE(delegate.stopped, QList<bool>{true});
        QCOMPARE(view.strokeEnd(), 1.0);

        view.setProgress(0.5, true);
        view.layoutIfNeeded();
        QVERIFY(!view.isAnimating());
        QCOMPARE(delegate.started, 1);

        // Paused and resumed only while something runs and the progress is not 0.
        view.resume();
        QVERIFY(!view.isPaused());
        view.setProgress(0.0, false);
        view.layoutIfNeeded();
        view.pause();
        QVERIFY(!view.isPaused());
    }

    void aDestroyedDelegateIsNotTold() {
        PLCircularProgressView view;
        view.resize(40, 40);
        auto* delegate = new RingDelegate;
        view.setDelegate(delegate);
        view.setProgress(0.3, 0.01);
        view.layoutIfNeeded();
        delete delegate;
        QCOMPARE(view.delegate(), nullptr);
        QTRY_VERIFY(!view.isAnimating());
    }

    // Defaults on 40 x 40: arc radius 18.5 (3 wide), wrapper circle 38.5 across (1 wide). The arc's
    // width is read once; its colour follows at the next layout.
    void ringGeometryAndPixels() {
        PLCircularProgressView view;
        view.resize(40, 40);
        view.setWrapperColor(QColor(128, 128, 128));
        view.setProgress(0.25, false);
        view.layoutIfNeeded();
        QCOMPARE(view.progressPath().controlPointRect(), QRectF(20, 1.5, 18.5, 18.5));
        QCOMPARE(view.wrapperRect(), QRectF(0.75, 0.75, 38.5, 38.5));

        view.setProgressArcWidth(9);
        view.setProgressColor(Qt::red);
        view.setProgress(0.25, false);
        view.layoutIfNeeded();
        QCOMPARE(view.arcLineWidth(), 3.0);

        // Grabbed without a window background: the ring itself is transparent.
        QImage image(40, 40, QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        view.render(&image, {}, {}, QWidget::DrawChildren);
        const auto at = [&](QPoint p) { return image.pixelColor(p); };
        // The path follows the new width (radius 20 - 4.5), the line keeps its first width of 3: the
        // arc covers 14..17 from the centre over the first quarter, in the new colour.
        QCOMPARE(view.progressPath().controlPointRect(), QRectF(20, 4.5, 15.5, 15.5));
        QCOMPARE(at(onRing(15.5, 45)), QColor(Qt::red));
        QCOMPARE(at(onRing(15.5, 10)), QColor(Qt::red));
        QCOMPARE(at(onRing(12.5, 45)).alpha(), 0);
        // Beyond the quarter only the thin wrapper (radius 19.25) shows; inside the ring nothing.
        QCOMPARE(at(onRing(15.5, 225)).alpha(), 0);
        QCOMPARE(at(onRing(19.25, 225)).rgb() & 0xffffff, QColor(128, 128, 128).rgb() & 0xffffff);
        QCOMPARE(at(QPoint(20, 20)).alpha(), 0);
    }
};

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestProgressRing t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_progressring.moc"
