#include "TestSandbox.h"
#include "platform/ui/Animator.h"
#include "platform/ui/Button.h"
#include "platform/ui/CollectionStrip.h"
#include "platform/ui/PageView.h"
#include "platform/ui/Scheduler.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/ZoomingScrollView.h"

#include <QApplication>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

using namespace pelnix::platform::ui;

namespace {
// Mouse events on a scroll view's viewport with their own timestamps, as a finger gives them.
struct Finger {
    QWidget* viewport;
    quint64 time = 1000;
    void send(QEvent::Type type, QPointF at, quint64 after) {
        time += after;
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, at, viewport->mapToGlobal(at), button, held, Qt::NoModifier);
        event.setTimestamp(time);
        QApplication::sendEvent(viewport, &event);
    }
    // A drag from `from` by `by` in `steps` moves, `stepMs` apart, let go `restMs` after the last move.
    void drag(QPointF from, QPointF by, int steps, quint64 stepMs, quint64 restMs = 0) {
        send(QEvent::MouseButtonPress, from, 0);
        for (int i = 1; i <= steps; ++i)
            send(QEvent::MouseMove, from + by * (qreal(i) / steps), stepMs);
        send(QEvent::MouseButtonRelease, from + by, restMs);
    }
};

void wheel(QWidget* view, int deltaY, Qt::ScrollPhase phase) {
    QWheelEvent event(QPointF(50, 50), view->mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, deltaY),
                      Qt::NoButton, Qt::NoModifier, phase, false);
    QApplication::sendEvent(view, &event);
}

// Records the callbacks in order, with isDecelerating() as each one sees it.
struct CallbackLog {
    QStringList events;
    explicit CallbackLog(ScrollView* view) {
        QObject::connect(view, &ScrollView::willBeginDragging, [this] { events << "beginDrag"; });
        QObject::connect(view, &ScrollView::didEndDragging, [this](bool decelerate) {
            events << (decelerate ? "endDrag+decelerate" : "endDrag");
        });
        QObject::connect(view, &ScrollView::willBeginDecelerating, [this, view] {
            events << (view->isDecelerating() ? "beginDecelerating" : "beginDecelerating?");
        });
        QObject::connect(view, &ScrollView::didEndDecelerating, [this, view] {
            events << (view->isDecelerating() ? "endDecelerating?" : "endDecelerating");
        });
    }
};

QWidget* tallContent() {
    auto* content = new QWidget;
    content->resize(300, 5000);
    return content;
}

class Items : public CollectionStripDataSource {
public:
    int numberOfItemsInStrip(CollectionStrip*) override { return 100; }
    qreal widthForItem(CollectionStrip*, int index) override { return index % 2 ? 120 : 60; }
    ReusableView* viewForItem(CollectionStrip* strip, int index) override {
        ReusableView* view = strip->dequeueReusableView(QStringLiteral("item"));
        if (!view) {
            view = new ReusableView(QStringLiteral("item"));
            ++made;
        }
        view->setObjectName(QString::number(index));
        return view;
    }
    void didSelectItem(CollectionStrip*, int index) override { selected << index; }
    int made = 0;
    QList<int> selected;
};
} // namespace

class TestScrollViews : public QObject {
    Q_OBJECT
private slots:
    void init() {
        Animator::setInstant(true);
        Scheduler::shared()->setVirtualClock(true);
    }
    void cleanup() {
        Scheduler::shared()->setVirtualClock(false);
        Animator::setInstant(true);
    }

    // A flung drag decelerates past where the finger left it; a drag that rested before it was let
    // go just stops.
    void dragCallbacksAndDeceleration() {
        ScrollView view;
        view.resize(300, 400);
        view.setContentWidget(tallContent());
        view.show();
        CallbackLog log(&view);
        Finger finger{view.viewport()};
        finger.drag(QPointF(150, 300), QPointF(0, -200), 10, 10);
        QCOMPARE(log.events,
                 (QStringList{"beginDrag", "endDrag+decelerate", "beginDecelerating", "endDecelerating"}));
        QVERIFY(view.contentOffset().y() > 200);
        QVERIFY(!view.isDecelerating());

        log.events.clear();
        const qreal before = view.contentOffset().y();
        finger.drag(QPointF(150, 300), QPointF(0, -100), 5, 10, 300);
        QCOMPARE(log.events, (QStringList{"beginDrag", "endDrag"}));
        QCOMPARE(view.contentOffset().y(), before + 100);
    }

    // On a real animation the list keeps decelerating after the release, and a new touch stops it.
    void decelerationRunsUntilStoppedByATouch() {
        Animator::setInstant(false);
        ScrollView view;
        view.resize(300, 400);
        view.setContentWidget(tallContent());
        view.show();
        QSignalSpy ended(&view, &ScrollView::didEndDecelerating);
        Finger finger{view.viewport()};
        finger.drag(QPointF(150, 300), QPointF(0, -200), 10, 10);
        QVERIFY(view.isDecelerating());
        QTRY_VERIFY(view.contentOffset().y() > 220);
        finger.send(QEvent::MouseButtonPress, QPointF(150, 150), 0);
        QVERIFY(!view.isDecelerating());
        QCOMPARE(ended.count(), 1);
        const QPointF stopped = view.contentOffset();
        QTest::qWait(50); // an animation that was not stopped would move it further
        QCOMPARE(view.contentOffset(), stopped);
        finger.send(QEvent::MouseButtonRelease, QPointF(150, 150), 0);
    }

    void wheelAndScrollBarCallbacks() {
        ScrollView view;
        view.resize(300, 400);
        view.setContentWidget(tallContent());
        view.show();
        CallbackLog log(&view);
        // A mouse wheel has no phases: a burst is one drag, ended once the wheel rests.
        wheel(view.viewport(), -120, Qt::NoScrollPhase);
        wheel(view.viewport(), -120, Qt::NoScrollPhase);
        QVERIFY(view.isDragging());
        QVERIFY(view.contentOffset().y() > 0);
        Scheduler::shared()->advance(149);
        QVERIFY(view.isDragging());
        Scheduler::shared()->advance(1);
        QCOMPARE(log.events, (QStringList{"beginDrag", "endDrag"}));

        // A trackpad says when the fingers lift, then its momentum decelerates the list.
        log.events.clear();
        wheel(view.viewport(), 0, Qt::ScrollBegin);
        wheel(view.viewport(), -30, Qt::ScrollUpdate);
        wheel(view.viewport(), 0, Qt::ScrollEnd);
        wheel(view.viewport(), -20, Qt::ScrollMomentum);
        QVERIFY(view.isDecelerating());
        Scheduler::shared()->advance(150);
        QCOMPARE(log.events, (QStringList{"beginDrag", "endDrag", "beginDecelerating", "endDecelerating"}));

        log.events.clear();
        view.verticalScrollBar()->setSliderDown(true);
        view.verticalScrollBar()->setSliderPosition(300);
        view.verticalScrollBar()->setSliderDown(false);
        QCOMPARE(log.events, (QStringList{"beginDrag", "endDrag"}));
        QCOMPARE(view.contentOffset().y(), 300.0);
    }

    void zoomScaleRangeAnchorAndDoubleTap() {
        ZoomingScrollView view;
        view.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        view.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        view.resize(200, 150);
        auto* content = new QWidget;
        content->resize(400, 300);
        view.setContentWidget(content);
        view.setMinimumZoomScale(0.5);
        view.setMaximumZoomScale(4);
        view.show();

        view.setZoomScale(10);
        QCOMPARE(view.zoomScale(), 4.0);
        QCOMPARE(content->size(), QSize(1600, 1200));
        QCOMPARE(view.contentSize(), QSizeF(1600, 1200));
        view.setZoomScale(0.1);
        QCOMPARE(view.zoomScale(), 0.5);
        QCOMPARE(content->size(), QSize(200, 150));

        // The content point under the anchor stays under it: (100, 75) at scale 1 is (200, 150) at 2.
        view.setZoomScale(1);
        view.setContentOffset(QPointF(50, 40));
        view.setZoomScale(2, false, QPointF(50, 35));
        QCOMPARE(view.contentOffset(), QPointF(150, 115));

        // Double tap: in to the maximum around the tapped point, then back out to the minimum.
        view.setZoomScale(0.5);
        view.setContentOffset(QPointF(0, 0));
        QSignalSpy ended(&view, &ZoomingScrollView::didEndZooming);
        Finger finger{view.viewport()};
        const QPointF at(40, 30);
        finger.send(QEvent::MouseButtonPress, at, 0);
        finger.send(QEvent::MouseButtonRelease, at, 50);
        finger.send(QEvent::MouseButtonDblClick, at, 50);
        finger.send(QEvent::MouseButtonRelease, at, 50);
        QCOMPARE(view.zoomScale(), 4.0);
        QCOMPARE(view.contentOffset(), QPointF(280, 210));
        finger.send(QEvent::MouseButtonPress, at, 500);
        finger.send(QEvent::MouseButtonRelease, at, 50);
        finger.send(QEvent::MouseButtonDblClick, at, 50);
        finger.send(QEvent::MouseButtonRelease, at, 50);
        QCOMPARE(view.zoomScale(), 0.5);
        QCOMPARE(ended.count(), 2);

        // A narrower range pulls the scale in.
        view.setZoomScale(4);
        view.setMaximumZoomScale(2);
        QCOMPARE(view.zoomScale(), 2.0);
    }

    // Only items in view have views, reused as the strip scrolls; a tap selects the item under it.
    void horizontalStripReusesAndSelects() {
        CollectionStrip strip;
        strip.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        strip.resize(300, 80);
        strip.show();
        Items items;
        strip.setDataSource(&items);
        QCOMPARE(strip.rectForItem(0), QRectF(8, 0, 60, 80));
        QCOMPARE(strip.rectForItem(1), QRectF(76, 0, 120, 80));
        QCOMPARE(strip.contentSize().width(), 8 + 50 * (60 + 8) + 50 * (120 + 8.0));
        QCOMPARE(strip.indexesForVisibleItems(), (QList<int>{0, 1, 2, 3}));

        for (int x = 0; x < 3000; x += 50)
            strip.setContentOffset(QPointF(x, 0));
        QCOMPARE(items.made, 5); // the most that fit in 300 points at once
        const QList<int> visible = strip.indexesForVisibleItems();
        for (int index : visible)
            QCOMPARE(strip.viewAt(index)->objectName(), QString::number(index));

        Finger finger{strip.viewport()};
        const QRectF second = strip.rectForItem(visible.value(1)).translated(-strip.contentOffset());
        finger.send(QEvent::MouseButtonPress, second.center(), 0);
        finger.send(QEvent::MouseButtonRelease, second.center(), 50);
        QCOMPARE(items.selected, QList<int>{visible.value(1)});

        // A sideways drag scrolls the strip instead of counting as a swipe.
        const qreal before = strip.contentOffset().x();
        finger.drag(QPointF(200, 40), QPointF(-100, 0), 5, 10, 300);
        QCOMPARE(strip.contentOffset().x(), before + 100);
        strip.scrollToItem(0, false);
        QCOMPARE(strip.contentOffset().x(), 0.0);
    }

    void pageViewFollowsTabsAndDrags() {
        PageView pages;
        pages.resize(300, 400);
        for (const char* title : {"Media", "Links", "Docs"})
            pages.addPage(QString::fromLatin1(title), new QWidget);
        pages.show();
        QSignalSpy changed(&pages, &PageView::currentIndexChanged);
        const int width = pages.pagesView()->viewport()->width();
        QCOMPARE(pages.currentIndex(), 0);
        QCOMPARE(pages.page(1)->geometry(), QRect(width, 0, width, 400 - PageView::kTabStripHeight));

        QTest::mouseClick(pages.tab(2), Qt::LeftButton);
        QCOMPARE(pages.currentIndex(), 2);
        QCOMPARE(pages.pagesView()->contentOffset().x(), 2.0 * width);
        QCOMPARE(pages.marker()->geometry().left(), 200);
        const QImage shot = pages.grab().toImage();
        const QPoint markerMiddle = pages.marker()->geometry().center();
        QCOMPARE(shot.pixelColor(markerMiddle * shot.devicePixelRatio()), pages.tintColor());
        QVERIFY(shot.pixelColor(QPoint(50, markerMiddle.y()) * shot.devicePixelRatio()) != pages.tintColor());
        QCOMPARE(changed.count(), 1);

        Finger finger{pages.pagesView()->viewport()};
        // A quick flick to the right goes back one page; a slow drag under half a page stays.
        finger.drag(QPointF(100, 100), QPointF(60, 0), 3, 10);
        QCOMPARE(pages.currentIndex(), 1);
        QCOMPARE(pages.pagesView()->contentOffset().x(), qreal(width));
        finger.drag(QPointF(100, 100), QPointF(100, 0), 5, 10, 300);
        QCOMPARE(pages.currentIndex(), 1);
        QCOMPARE(pages.pagesView()->contentOffset().x(), qreal(width));
        // A slow drag past half a page settles on that page; the edges hold.
        finger.drag(QPointF(250, 100), QPointF(-200, 0), 5, 10, 300);
        QCOMPARE(pages.currentIndex(), 2);
        finger.drag(QPointF(250, 100), QPointF(-100, 0), 3, 10);
        QCOMPARE(pages.currentIndex(), 2);
        QCOMPARE(pages.pagesView()->contentOffset().x(), 2.0 * width);
        QCOMPARE(changed.count(), 3);
        QCOMPARE(pages.tab(2)->titleColorForState(Button::State::Normal), pages.tintColor());
    }
};

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestScrollViews t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_scrollviews.moc"
