#include "platform/ui/Scheduler.h"
#include "ui/toolkit/ImagePLBlurView.h"
#include "ui/toolkit/PLBlurScheduler.h"
#include "ui/toolkit/PLBlurView.h"

#include <QSignalSpy>
#include <QTest>

using namespace pelnix;
using pelnix::platform::ui::Scheduler;

namespace {
// A white page with a black square in its top-left corner, and a blur view over it.
struct Page {
    QWidget root;
    PLBlurView* blur = nullptr;
    Page() {
        root.resize(200, 200);
        root.setAutoFillBackground(true);
        QPalette palette = root.palette();
        palette.setColor(QPalette::Window, Qt::white);
        root.setPalette(palette);
        auto* square = new QWidget(&root);
        square->setAutoFillBackground(true);
        palette.setColor(QPalette::Window, Qt::black);
        square->setPalette(palette);
        square->setGeometry(0, 0, 100, 100);
        blur = new PLBlurView(&root);
        blur->setGeometry(0, 0, 200, 200);
    }
};
} // namespace

class TestBlurView : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Scheduler::shared()->setVirtualClock(true); }

    void boxSizesAndSnapshotScales() {
        QCOMPARE(ImagePLBlurView::boxSize(2.0, 2), 5);
        QCOMPARE(ImagePLBlurView::boxSize(2.2, 1), 3);
        QCOMPARE(ImagePLBlurView::boxSize(0, 1), 1);
        QCOMPARE(PLBlurView::snapshotScale(5, 10), 0.25);
        QCOMPARE(PLBlurView::snapshotScale(3, 1), 0.5);
        QCOMPARE(PLBlurView::snapshotScale(3, 40), 0.1);
        QCOMPARE(PLBlurView::snapshotScale(0, 40), 0.5);

        PLBlurView view;
        QCOMPARE(view.iterations(), 3u);
        QCOMPARE(view.blurRadius(), 40.0);
        QVERIFY(view.isDynamic());
        for (double interval : {0.0, -1.0}) {
            view.setUpdateInterval(interval);
            QCOMPARE(view.updateInterval(), 1.0 / 60.0);
        }
    }

    void blurOfOneWhitePixel() {
        QImage dot(5, 5, QImage::Format_ARGB32_Premultiplied);
        dot.fill(qRgba(0, 0, 0, 255));
        dot.setPixel(2, 2, qRgba(255, 255, 255, 255));
        const QImage blurred = ImagePLBlurView::blurredImageWithRadius(dot, 1.0, 3.0, 1);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 5; ++x)
                QCOMPARE(qGreen(blurred.pixel(x, y)), (qAbs(x - 2) <= 1 && qAbs(y - 2) <= 1) ? 28 : 0);
        // Less than a point wide at its scale: answered unchanged.
        QCOMPARE(ImagePLBlurView::blurredImageWithRadius(dot, 10.0, 3.0, 1), dot);
        QVERIFY(ImagePLBlurView::blurredImageWithRadius(QImage(), 1.0, 3.0, 1).isNull());
        // The tint is added at a quarter of its strength.
        const QImage tinted = ImagePLBlurView::blurredImageWithRadius(dot, 1.0, 1.0, 0, QColor(0, 0, 255));
        QVERIFY(qAbs(qBlue(tinted.pixel(0, 0)) - 64) <= 1);
        QCOMPARE(qRed(tinted.pixel(0, 0)), 0);
    }

    void staticViewRedrawsWhenTheRadiusChanges() {
        Page page;
        page.blur->setDynamic(false);
        page.blur->setIterations(1);
        page.root.show();
        QSignalSpy updated(page.blur, &PLBlurView::updated);
        page.blur->setBlurRadius(2);
        QVERIFY(updated.wait(1000));
        QVERIFY(!PLBlurScheduler::sharedInstance()->containsView(page.blur));
        // One pass, radius 2: the snapshot is taken at half size and the square stays black.
        QCOMPARE(page.blur->image().size(), QSize(100, 100));
        const QImage shown = page.blur->grab().toImage();
        QCOMPARE(QColor(shown.pixel(20, 20)), QColor(Qt::black));
        QCOMPARE(QColor(shown.pixel(180, 180)), QColor(Qt::white));
        QVERIFY(page.blur->lastUpdate() >= 0);
    }

    void schedulerUpdatesDynamicViewsInTurnAndStaysSuspendedWhenOverDisabled() {
        auto* scheduler = PLBlurScheduler::sharedInstance();
        Page first;
        Page second;
        first.blur->setIterations(1);
        second.blur->setIterations(1);
        first.root.show();
        second.root.show();
        QVERIFY(scheduler->containsView(first.blur));
        QVERIFY(scheduler->containsView(second.blur));
        // Views without a last update are taken at once, one after the other.
        QSignalSpy firstUpdated(first.blur, &PLBlurView::updated);
        QSignalSpy secondUpdated(second.blur, &PLBlurView::updated);
        QTRY_VERIFY(firstUpdated.size() >= 1 && secondUpdated.size() >= 1);
        QTRY_VERIFY(!scheduler->isUpdating());

        // Both are fresh: nothing until the interval has run out on the scheduler's clock.
        first.blur->setUpdateInterval(1.0);
        second.blur->setUpdateInterval(1.0);
        const int before = int(firstUpdated.size() + secondUpdated.size());
        Scheduler::shared()->advance(500);
        QCOMPARE(int(firstUpdated.size() + secondUpdated.size()), before);

        // One disable suspends; a second one must not wrap the counter round into running again.
        scheduler->setUpdatesDisabled();
        scheduler->setUpdatesDisabled();
        QCOMPARE(scheduler->updatesEnabled(), 0u);
        Scheduler::shared()->advance(2000);
        QCOMPARE(int(firstUpdated.size() + secondUpdated.size()), before);
        // Enabling starts a pass at once.
        scheduler->setUpdatesEnabled();
        QCOMPARE(scheduler->updatesEnabled(), 1u);
        QTRY_VERIFY(firstUpdated.size() + secondUpdated.size() > before);

        first.blur->hide();
        QVERIFY(!scheduler->containsView(first.blur));
        second.blur->setBlurEnabled(false);
        QVERIFY(!scheduler->containsView(second.blur));
    }
};

QTEST_MAIN(TestBlurView)
#include "tst_blurview.moc"
