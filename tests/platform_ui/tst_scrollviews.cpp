#include "TestSandbox.h"
#include "platform/ui/Animator.h"
#include "platform/ui/Button.h"
#include "platform/ui/CollectionStrip.h"
#include "platform/ui/CollectionView.h"
#include "platform/ui/DocumentPreview.h"
#include "platform/ui/PageView.h"
#include "platform/ui/Scheduler.h"
#include "platform/ui/ScrollIndicator.h"
#include "platform/ui/ScrollIndicators.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TableViewCell.h"
#include "platform/ui/TextView.h"
#include "platform/ui/ZoomingScrollView.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

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

void wheel(QWidget* view, int deltaY, Qt::ScrollPhase phase, int deltaX = 0) {
    QWheelEvent event(QPointF(50, 50), view->mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(deltaX, deltaY),
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

class TableRows : public TableViewDataSource {
public:
    int numberOfRowsInSection(TableView*, int) override { return 100; }
    TableViewCell* cellForRowAtIndexPath(TableView* table, const IndexPath& path) override {
        TableViewCell* cell = table->dequeueReusableCell(QStringLiteral("row"));
        if (!cell)
            cell = new TableViewCell(TableViewCell::Style::Default, QStringLiteral("row"));
        cell->textLabel()->setText(QString::number(path.row));
        return cell;
    }
};

class CollectionItems : public CollectionViewDataSource {
public:
    int numberOfItemsInSection(CollectionView*, int) override { return 100; }
    CollectionViewCell* cellForItemAtIndexPath(CollectionView* view, const IndexPath& path) override {
        return view->dequeueReusableCell(QStringLiteral("item"), path);
    }
};

// Every kind of scrolling view of the screen layer, each with more content than it shows.
enum class Kind { Scroll, Zooming, Table, Collection, Strip, Pages, Document, Text };

struct ScrollingViewUnderTest {
    std::unique_ptr<QWidget> owner;
    QAbstractScrollArea* area = nullptr;
    // The directions its content scrolls in.
    bool vertical = false;
    bool horizontal = false;
    TableRows tableRows;
    CollectionItems collectionItems;
    Items stripItems;
    QTemporaryDir folder;

    explicit ScrollingViewUnderTest(Kind kind) {
        const QSize size(300, 200);
        switch (kind) {
        case Kind::Scroll: {
            auto* view = new ScrollView;
            auto* content = new QWidget;
            content->resize(600, 2000);
            view->setContentWidget(content);
            take(view, true, true);
            break;
        }
        case Kind::Zooming: {
            auto* view = new ZoomingScrollView;
            auto* content = new QWidget;
            content->resize(300, 200);
            view->setContentWidget(content);
            view->setMaximumZoomScale(3);
            view->setZoomScale(3);
            take(view, true, true);
            break;
        }
        case Kind::Table: {
            auto* table = new TableView;
            table->setDataSource(&tableRows);
            take(table, true, false);
            break;
        }
        case Kind::Collection: {
            auto* collection = new CollectionView;
            collection->registerCell(QStringLiteral("item"), [] { return new CollectionViewCell; });
            collection->setItemHeight(50);
            collection->setDataSource(&collectionItems);
            take(collection, true, false);
            break;
        }
        case Kind::Strip: {
            auto* strip = new CollectionStrip;
            strip->setDataSource(&stripItems);
            take(strip, false, true);
            break;
        }
        case Kind::Pages: {
            auto* pages = new PageView;
            for (int i = 0; i < 3; ++i)
                pages->addPage(QString::number(i), new QWidget);
            owner.reset(pages);
            area = pages->pagesView();
            horizontal = true;
            break;
        }
        case Kind::Document: {
            auto* preview = new DocumentPreview;
            QImage tall(200, 2000, QImage::Format_RGB32);
            tall.fill(Qt::darkCyan);
            const QString path = folder.filePath(QStringLiteral("tall.png"));
            tall.save(path);
            preview->showDocument(QUrl::fromLocalFile(path));
            // The picture is decoded off the main thread.
            (void)QTest::qWaitFor([preview] { return preview->isLoaded(); }, 10000);
            take(preview, true, false);
            break;
        }
        case Kind::Text: {
            auto* text = new TextView;
            QStringList lines;
            for (int i = 0; i < 200; ++i)
                lines << QStringLiteral("Line %1").arg(i);
            text->setDetectedText(lines.join(QLatin1Char('\n')));
            take(text, true, false);
            break;
        }
        }
        owner->resize(size);
        owner->show();
        QApplication::processEvents();
    }
    void take(QAbstractScrollArea* view, bool scrollsVertically, bool scrollsHorizontally) {
        owner.reset(view);
        area = view;
        vertical = scrollsVertically;
        horizontal = scrollsHorizontally;
    }
    ScrollIndicators* indicators() const {
        return area->findChild<ScrollIndicators*>(QString(), Qt::FindDirectChildrenOnly);
    }
};
} // namespace

Q_DECLARE_METATYPE(Kind)

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

    // Right to left, the vertical bar runs along the left edge (the trailing one there).
    void rightToLeftPutsTheVerticalBarAtTheLeft() {
        ScrollView view;
        view.setLayoutDirection(Qt::RightToLeft);
        view.resize(300, 400);
        view.setContentWidget(tallContent());
        view.show();
        QApplication::processEvents();
        wheel(view.viewport(), -120, Qt::NoScrollPhase);
        auto* indicators = view.findChild<ScrollIndicators*>(QString(), Qt::FindDirectChildrenOnly);
        QVERIFY(indicators && indicators->vertical()->isVisible());
        QCOMPARE(indicators->vertical()->geometry().left(), ScrollIndicators::kEdgeGap);
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

    void everyScrollingViewShowsThinIndicators_data() {
        QTest::addColumn<Kind>("kind");
        QTest::newRow("scroll view") << Kind::Scroll;
        QTest::newRow("zooming view") << Kind::Zooming;
        QTest::newRow("table") << Kind::Table;
        QTest::newRow("collection") << Kind::Collection;
        QTest::newRow("strip") << Kind::Strip;
        QTest::newRow("page view") << Kind::Pages;
        QTest::newRow("document preview") << Kind::Document;
        QTest::newRow("text view") << Kind::Text;
    }

    // The content gets the whole view, however much there is to scroll; a scroll shows the bar of each
    // direction that scrolls, none of one that does not, and the bars fade once it stops.
    void everyScrollingViewShowsThinIndicators() {
        QFETCH(Kind, kind);
        ScrollingViewUnderTest view(kind);
        QAbstractScrollArea* area = view.area;
        ScrollIndicators* indicators = view.indicators();
        QVERIFY(indicators);
        QCOMPARE(area->viewport()->geometry(), area->contentsRect());
        QCOMPARE(area->viewport()->width(), area->width());
        QVERIFY(!area->verticalScrollBar()->isVisible());
        QVERIFY(!area->horizontalScrollBar()->isVisible());
        QCOMPARE(indicators->scrolls(Qt::Vertical), view.vertical);
        QCOMPARE(indicators->scrolls(Qt::Horizontal), view.horizontal);
        QVERIFY(indicators->vertical()->isHidden());
        QVERIFY(indicators->horizontal()->isHidden());

        // The page view settles on pages and shows where it stands by its marker instead.
        const bool showsHorizontal = view.horizontal && kind != Kind::Pages;
        if (view.vertical)
            wheel(area->viewport(), -120, Qt::NoScrollPhase);
        if (view.horizontal)
            wheel(area->viewport(), 0, Qt::NoScrollPhase, -120);
        QCOMPARE(indicators->vertical()->isVisible(), view.vertical);
        QCOMPARE(indicators->horizontal()->isVisible(), showsHorizontal);
        for (ScrollIndicator* bar : {indicators->vertical(), indicators->horizontal()}) {
            if (!bar->isVisible())
                continue;
            const QRect place = bar->geometry();
            QVERIFY2(area->rect().contains(place), "the bar lies over the content");
            if (bar->orientation() == Qt::Vertical) {
                QCOMPARE(place.width(), ScrollIndicator::kThickness);
                QCOMPARE(place.right(), area->width() - 1 - ScrollIndicators::kEdgeGap);
            } else {
                QCOMPARE(place.height(), ScrollIndicator::kThickness);
                QCOMPARE(place.bottom(), area->height() - 1 - ScrollIndicators::kEdgeGap);
            }
        }
        // The bars go half a second after the scroll (a wheel burst of a scroll view ends 150 ms after
        // its last notch).
        Scheduler::shared()->advance(ScrollIndicators::kFadeDelayMs - 1);
        QCOMPARE(indicators->vertical()->isVisible(), view.vertical);
        Scheduler::shared()->advance(150 + 1);
        QVERIFY(indicators->vertical()->isHidden());
        QVERIFY(indicators->horizontal()->isHidden());
    }

    // Length and place follow the visible share and the position; a finger on the list keeps them,
    // letting go starts the delay, and the real fade runs down the bar's opacity before it hides.
    void indicatorFollowsTheScrollAndFadesAfterIt() {
        ScrollView view;
        view.resize(300, 400);
        view.setContentWidget(tallContent());
        view.show();
        ScrollIndicators* indicators = view.scrollIndicators();
        ScrollIndicator* bar = indicators->vertical();

        // Content placed by code shows nothing; an animated scroll does.
        view.setContentOffset(QPointF(0, 1000));
        QVERIFY(bar->isHidden());
        view.setContentOffset(QPointF(0, 2300), true);
        QVERIFY(bar->isVisible());
        QVERIFY(indicators->horizontal()->isHidden()); // nothing scrolls sideways
        const int run = 400 - 2 * ScrollIndicators::kEdgeGap;
        QCOMPARE(bar->height(), qRound(run * 400.0 / 5000));
        QCOMPARE(bar->y(), ScrollIndicators::kEdgeGap + qRound((run - bar->height()) * 2300.0 / 4600));
        Scheduler::shared()->advance(ScrollIndicators::kFadeDelayMs);
        QVERIFY(bar->isHidden());

        Finger finger{view.viewport()};
        finger.send(QEvent::MouseButtonPress, QPointF(150, 300), 0);
        finger.send(QEvent::MouseMove, QPointF(150, 200), 10);
        QVERIFY(bar->isVisible());
        QCOMPARE(bar->y(), ScrollIndicators::kEdgeGap + qRound((run - bar->height()) * 2400.0 / 4600));
        Scheduler::shared()->advance(10 * ScrollIndicators::kFadeDelayMs);
        QVERIFY(bar->isVisible());
        finger.send(QEvent::MouseButtonRelease, QPointF(150, 200), 300);
        Scheduler::shared()->advance(ScrollIndicators::kFadeDelayMs - 1);
        QVERIFY(bar->isVisible());
        QCOMPARE(bar->opacity(), 1.0);

        Animator::setInstant(false);
        Scheduler::shared()->advance(1);
        QVERIFY(bar->isFading());
        QTRY_VERIFY(bar->opacity() < 1.0 && bar->isVisible());
        // A new scroll while it fades brings it back at full strength.
        wheel(view.viewport(), -120, Qt::NoScrollPhase);
        QVERIFY(!bar->isFading());
        QCOMPARE(bar->opacity(), 1.0);
        Scheduler::shared()->advance(150 + ScrollIndicators::kFadeDelayMs);
        QTRY_VERIFY(bar->isHidden());
    }

    // The screens' switches: a direction switched off never shows its bar; a flash shows what scrolls;
    // insets keep the bars clear of bars laid over the content; the bars leave each other the corner.
    void switchesFlashAndInsets() {
        ZoomingScrollView view;
        view.resize(200, 150);
        auto* content = new QWidget;
        content->resize(400, 300);
        view.setContentWidget(content);
        view.show();
        ScrollIndicators* indicators = view.scrollIndicators();
        view.flashScrollIndicators();
        QVERIFY(indicators->vertical()->isVisible());
        QVERIFY(indicators->horizontal()->isVisible());
        QVERIFY(indicators->vertical()->geometry().bottom() < indicators->horizontal()->geometry().top());
        QVERIFY(indicators->horizontal()->geometry().right() < indicators->vertical()->geometry().left());
        Scheduler::shared()->advance(ScrollIndicators::kFlashMs - 1);
        QVERIFY(indicators->vertical()->isVisible());
        Scheduler::shared()->advance(1);
        QVERIFY(indicators->vertical()->isHidden());

        view.setShowsVerticalScrollIndicator(false);
        QVERIFY(!view.showsVerticalScrollIndicator());
        view.setContentOffset(view.maximumContentOffset());
        view.flashScrollIndicators();
        QVERIFY(indicators->vertical()->isHidden());
        QVERIFY(indicators->horizontal()->isVisible());
        // Without the vertical bar the horizontal one runs into the corner.
        QCOMPARE(indicators->horizontal()->geometry().right(), 200 - 1 - ScrollIndicators::kEdgeGap);
        view.setShowsHorizontalScrollIndicator(false);
        QVERIFY(indicators->horizontal()->isHidden());
        wheel(view.viewport(), -120, Qt::NoScrollPhase);
        QVERIFY(indicators->vertical()->isHidden());
        QVERIFY(indicators->horizontal()->isHidden());

        view.setShowsVerticalScrollIndicator(true);
        view.setScrollIndicatorInsets(QMargins(0, 40, 0, 30));
        QCOMPARE(view.scrollIndicatorInsets(), QMargins(0, 40, 0, 30));
        view.setContentOffset(QPointF(0, 0));
        view.flashScrollIndicators();
        QCOMPARE(indicators->vertical()->y(), 40 + ScrollIndicators::kEdgeGap);
        view.setContentOffset(view.maximumContentOffset(), true);
        QCOMPARE(indicators->vertical()->geometry().bottom(), 150 - 30 - 1 - ScrollIndicators::kEdgeGap);

        // A text view flashes what scrolls in it: down, not across.
        ScrollingViewUnderTest text(Kind::Text);
        static_cast<TextView*>(text.area)->flashScrollIndicators();
        QVERIFY(text.indicators()->vertical()->isVisible());
        QVERIFY(text.indicators()->horizontal()->isHidden());

        // Nothing to scroll, nothing to flash.
        ScrollView still;
        still.resize(200, 150);
        auto* small = new QWidget;
        small->resize(200, 100);
        still.setContentWidget(small);
        still.show();
        still.flashScrollIndicators();
        QVERIFY(still.scrollIndicators()->vertical()->isHidden());
        QVERIFY(still.scrollIndicators()->horizontal()->isHidden());
    }

    // With no scroll bar to drag, the pointer drags the pages themselves.
    void documentPreviewPansWithADrag() {
        ScrollingViewUnderTest view(Kind::Document);
        QScrollBar* down = view.area->verticalScrollBar();
        QCOMPARE(down->value(), 0);
        QTest::mousePress(view.area->viewport(), Qt::LeftButton, {}, QPoint(150, 150));
        QTest::mouseMove(view.area->viewport(), QPoint(150, 40));
        QCOMPARE(down->value(), 110);
        QVERIFY(view.indicators()->vertical()->isVisible());
        QTest::mouseMove(view.area->viewport(), QPoint(150, 400));
        QCOMPARE(down->value(), 0);
        QTest::mouseRelease(view.area->viewport(), Qt::LeftButton, {}, QPoint(150, 400));
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
