#include "platform/ui/Animator.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/KeyboardMonitor.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/NavigationItem.h"
#include "platform/ui/PopoverHost.h"
#include "platform/ui/PopoverOverlay.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
#include "ui/toolkit/ColorPLPopover.h"
#include "ui/toolkit/PLPopoverBackgroundView.h"
#include "ui/toolkit/PLPopoverController.h"
#include "ui/toolkit/PLPopoverPlacement.h"
#include "ui/toolkit/PLPopoverTheme.h"
#include "ui/toolkit/PLStoryboardPopoverSegue.h"

#include <QDebug>
#include <QGridLayout>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace pelnix;
using namespace pelnix::platform::ui;

namespace {
constexpr unsigned Up = PLPopoverArrowDirectionUp, Down = PLPopoverArrowDirectionDown,
                   Left = PLPopoverArrowDirectionLeft, Right = PLPopoverArrowDirectionRight,
                   None = PLPopoverArrowDirectionNone;

PLPopoverPlacement::Screen phone(qreal keyboard = 0) {
    PLPopoverPlacement::Screen s;
    s.size = QSizeF(375, 667);
    s.keyboardHeight = keyboard;
    return s;
}

// The flat bubble's metrics: arrow 13, no shadow.
PLPopoverPlacement::Bubble flatBubble() {
    PLPopoverPlacement::Bubble b;
    b.arrowHeight = 13;
    b.sizeThatFits = [](unsigned d, const QSizeF& c) {
        if (d == Up || d == Down)
            return QSizeF(c.width(), c.height() + 13);
        if (d == Left || d == Right)
            return QSizeF(c.width() + 13, c.height());
        return c;
    };
    return b;
}

QString hex(const std::optional<Color>& c) {
    return c ? ColorPLPopover::hexString(*c) : QStringLiteral("nil");
}

// A content controller with a plain view.
class Content : public ViewController {
protected:
    QWidget* loadView() override {
        auto* v = new QWidget;
        v->setAutoFillBackground(true);
        return v;
    }
};

class Delegate : public QObject, public PLPopoverControllerDelegate {
public:
    bool allowDismiss = true;
    QStringList calls;
    bool popoverControllerShouldDismissPopover(PLPopoverController*) override {
        calls << "should";
        return allowDismiss;
    }
    void popoverControllerDidPresentPopover(PLPopoverController*) override { calls << "presented"; }
    void popoverControllerDidDismissPopover(PLPopoverController*) override { calls << "dismissed"; }
};

void tapAt(QWidget* window, const QPoint& point) {
    QWidget* target = window->childAt(point);
    if (!target)
        target = window;
    QTest::mouseClick(target, Qt::LeftButton, {}, target->mapFrom(window, point));
}

// A phone-sized key window with a root screen.
struct Stage {
    Window window;
    ViewController* root = new Content;
    Stage() {
        window.resize(375, 667);
        window.setRootViewController(root);
        window.makeKeyAndVisible();
    }
};

// A screen whose views follow the window: a bar along the top, a button at the top left and one at
// the bottom right.
class AnchoredScreen : public ViewController {
public:
    NavigationBar* bar = nullptr;
    QPushButton* help = nullptr;
    QPushButton* info = nullptr;
    NavigationItem item;
    BarButtonItem* share = nullptr;

protected:
    QWidget* loadView() override {
        auto* view = new QWidget;
        auto* grid = new QGridLayout(view);
        grid->setContentsMargins(0, 0, 20, 20);
        bar = new NavigationBar;
        bar->setFixedHeight(NavigationBar::kHeight);
        share = new BarButtonItem("Share", {}, &item);
        item.setRightBarButtonItems({share});
        bar->setItems(&item, nullptr);
        grid->addWidget(bar, 0, 0, 1, 3);
        help = new QPushButton("Help");
        grid->addWidget(help, 1, 0, Qt::AlignLeft | Qt::AlignTop);
        grid->setRowStretch(2, 1);
        grid->setColumnStretch(1, 1);
        info = new QPushButton("Info");
        grid->addWidget(info, 3, 2, Qt::AlignRight | Qt::AlignBottom);
        return view;
    }
};

// Hears where a popover is about to go again, and may send it to another view.
class Repositioning : public Delegate {
public:
    QList<std::pair<QRect, QWidget*>> asked;
    QPointer<QWidget> moveTo;
    void willRepositionPopoverToRect(PLPopoverController*, QRect& rect, QWidget*& view) override {
        asked << std::pair{rect, view};
        if (moveTo) {
            view = moveTo;
            rect = moveTo->rect();
        }
    }
};

// Empty when the bubble lies inside its window with its arrow's tip on `anchor`; else what is wrong.
QString placementProblem(const PLPopoverController& popover, const QWidget* anchor) {
    PLPopoverBackgroundView* bubble = popover.backgroundView();
    QWidget* window = bubble ? bubble->parentWidget() : nullptr;
    if (!window)
        return QStringLiteral("no bubble");
    const QRect frame = bubble->geometry();
    const QRect target(anchor->mapTo(window, QPoint(0, 0)), anchor->size());
    const QRectF arrow = bubble->arrowRect();
    QPointF tip;
    switch (bubble->arrowDirection()) {
    case Up:
        tip = QPointF(arrow.center().x(), arrow.top());
        break;
    case Down:
        tip = QPointF(arrow.center().x(), arrow.bottom());
        break;
    case Left:
        tip = QPointF(arrow.left(), arrow.center().y());
        break;
    case Right:
        tip = QPointF(arrow.right(), arrow.center().y());
        break;
    default:
        return QStringLiteral("no arrow");
    }
    const QPoint tipInWindow = bubble->mapTo(window, tip.toPoint());
    QString problem;
    QDebug(&problem).nospace() << "bubble " << frame << " tip " << tipInWindow << " anchor " << target
                               << " window " << window->size();
    if (!window->rect().contains(frame) || !target.adjusted(-2, -2, 2, 2).contains(tipInWindow))
        return problem;
    return {};
}
} // namespace

class TestPopover : public QObject {
    Q_OBJECT
private slots:
    void init() {
        Animator::setInstant(true);
        PLPopoverController::setDefaultTheme(PLPopoverTheme::theme());
    }

    void themesDeriveTheirColours() {
        std::unique_ptr<PLPopoverTheme> old(PLPopoverTheme::themeForIOS6());
        QCOMPARE(hex(old->fillBottomColor()), QStringLiteral("#000000ff"));
        QCOMPARE(hex(old->outerStrokeColor()), QStringLiteral("#000000ff"));
        QCOMPARE(hex(old->innerStrokeColor()), QStringLiteral("#000000ff"));
        QCOMPARE(hex(old->glossShadowColor()), hex(ColorPLPopover::colorByLighten(*old->tintColor(), 0.2)));
        QCOMPARE(old->innerCornerRadius(), 6u);

        std::unique_ptr<PLPopoverTheme> flat(PLPopoverTheme::themeForIOS7());
        QCOMPARE(hex(flat->glossShadowColor()), QStringLiteral("#ffffffff"));
        QCOMPARE(flat->glossShadowBlurRadius(), 0u);
        QCOMPARE(hex(flat->fillBottomColor()), QStringLiteral("#f4f4f4ff"));
        QCOMPARE(flat->innerCornerRadius(), 5u); // follows the outer radius while the border is 0
        flat->setInnerCornerRadius(9);
        QCOMPARE(flat->innerCornerRadius(), 5u);
        QCOMPARE(hex(Color::monochrome(0, 0)), QStringLiteral("#00000000"));
        QCOMPARE(hex(Color::other(1)), QStringLiteral("#00000000"));

        PLPopoverTheme fresh;
        QVERIFY(!fresh.fillBottomColor());
        QVERIFY(!fresh.glossShadowColor());
        fresh.setOuterShadowBlurRadius(8);
        fresh.setOuterShadowOffset(QSizeF(3, 12));
        QCOMPARE(fresh.outerShadowOffset(), QSizeF(3, 8));

        QSignalSpy changed(&fresh, &PLPopoverTheme::changed);
        fresh.setMinOuterCornerRadius(4);
        QCOMPARE(changed.size(), 0);
        fresh.setArrowBase(30);
        QCOMPARE(changed.size(), 1);
        QCOMPARE(PLPopoverTheme::observableKeypaths().size(), 21);
    }

    void areaValueCountsStartedCells_data() {
        QTest::addColumn<QSizeF>("size");
        QTest::addColumn<float>("value");
        QTest::newRow("301x200") << QSizeF(301, 200) << 620.0f;
        QTest::newRow("309x191") << QSizeF(309, 191) << 620.0f;
        QTest::newRow("exact") << QSizeF(300, 200) << 600.0f;
        QTest::newRow("no width") << QSizeF(0, 200) << 0.0f;
        QTest::newRow("negative") << QSizeF(100, -5) << 0.0f;
    }
    void areaValueCountsStartedCells() {
        QFETCH(QSizeF, size);
        QFETCH(float, value);
        QCOMPARE(PLPopoverArea(Up, size).value(), value);
    }

    void directionChoice_data() {
        QTest::addColumn<QRectF>("anchor");
        QTest::addColumn<qreal>("contentWidth");
        QTest::addColumn<unsigned>("permitted");
        QTest::addColumn<unsigned>("expected");
        QTest::newRow("most room below") << QRectF(150, 100, 20, 20) << 200.0 << 15u << Up;
        QTest::newRow("largest too narrow is skipped")
            << QRectF(40, 560, 20, 20) << 300.0 << (Up | Left) << Up;
        QTest::newRow("none wide enough: largest")
            << QRectF(40, 300, 20, 20) << 400.0 << (Left | Right) << Left;
        QTest::newRow("equal Down and Up: Down")
            << QRectF(150, 323.5, 20, 20) << 100.0 << (Up | Down) << Down;
        QTest::newRow("equal Left and Right: Left")
            << QRectF(177.5, 300, 20, 20) << 100.0 << (Left | Right) << Left;
        QTest::newRow("only a side with no room") << QRectF(0, 0, 5, 5) << 100.0 << Right << Right;
        QTest::newRow("empty set") << QRectF(150, 100, 20, 20) << 100.0 << 0u << Right;
        QTest::newRow("only None") << QRectF(150, 100, 20, 20) << 100.0 << None << None;
    }
    void directionChoice() {
        QFETCH(QRectF, anchor);
        QFETCH(qreal, contentWidth);
        QFETCH(unsigned, permitted);
        QFETCH(unsigned, expected);
        QCOMPARE(PLPopoverPlacement::arrowDirectionForRect(anchor, QSizeF(contentWidth, 100), 13, permitted,
                                                           phone()),
                 expected);
    }

    void positioning_data() {
        QTest::addColumn<QRectF>("anchor");
        QTest::addColumn<QSizeF>("content");
        QTest::addColumn<unsigned>("permitted");
        QTest::addColumn<unsigned>("direction");
        QTest::addColumn<QRectF>("frame");
        QTest::addColumn<qreal>("arrowOffset");
        QTest::newRow("below, centred")
            << QRectF(150, 100, 20, 20) << QSizeF(200, 100) << Up << Up << QRectF(60, 120, 200, 113) << 0.0;
        QTest::newRow("pushed left") << QRectF(340, 100, 20, 20) << QSizeF(200, 100) << Up << Up
                                     << QRectF(165, 120, 200, 113) << 85.0;
        QTest::newRow("pushed right")
            << QRectF(0, 100, 20, 20) << QSizeF(200, 100) << Up << Up << QRectF(10, 120, 200, 113) << -100.0;
        QTest::newRow("above, cut at the top") << QRectF(150, 200, 20, 20) << QSizeF(200, 400) << Down << Down
                                               << QRectF(60, 10, 200, 190) << 0.0;
        QTest::newRow("above, never under 160") << QRectF(150, 100, 20, 20) << QSizeF(200, 400) << Down
                                                << Down << QRectF(60, -60, 200, 160) << 0.0;
        QTest::newRow("below, cut at the bottom")
            << QRectF(150, 500, 20, 20) << QSizeF(200, 400) << Up << Up << QRectF(60, 520, 200, 160) << 0.0;
        QTest::newRow("left of the anchor, never under 240")
            << QRectF(100, 300, 20, 20) << QSizeF(300, 100) << Right << Right << QRectF(-140, 260, 240, 100)
            << 0.0;
        QTest::newRow("no arrow, centred")
            << QRectF(0, 0, 1, 1) << QSizeF(200, 100) << None << None << QRectF(87, 283, 201, 101) << 0.0;
    }
    void positioning() {
        QFETCH(QRectF, anchor);
        QFETCH(QSizeF, content);
        QFETCH(unsigned, permitted);
        QFETCH(unsigned, direction);
        QFETCH(QRectF, frame);
        QFETCH(qreal, arrowOffset);
        const auto placed = PLPopoverPlacement::position(anchor, content, permitted, phone(), flatBubble());
        QCOMPARE(placed.direction, direction);
        QCOMPARE(placed.frame, frame);
        QCOMPARE(placed.arrowOffset, arrowOffset);
    }

    void keyboardSlideStopsAtTheTopLimit() {
        const auto kb = phone(216); // keyboard top at 451
        QCOMPARE(PLPopoverPlacement::keyboardSlide(QRectF(60, 400, 200, 160), 451, kb, flatBubble()), 109.0);
        QCOMPARE(PLPopoverPlacement::keyboardSlide(QRectF(60, 50, 200, 500), 451, kb, flatBubble()), 40.0);
        QCOMPARE(PLPopoverPlacement::keyboardSlide(QRectF(60, 50, 200, 100), 451, kb, flatBubble()), 0.0);
        QCOMPARE(PLPopoverPlacement::keyboardSlide(QRectF(60, 400, 200, 160), 451, phone(), flatBubble()),
                 0.0);
        QCOMPARE(PLPopoverPlacement::rectInWindowBounds(QRectF(10, 20, 30, 40), 3, 375, 667),
                 QRectF(20, 335, 40, 30));
        QCOMPARE(PLPopoverPlacement::rectInWindowBounds(QRectF(10, 20, 30, 40), 1, 375, 667),
                 QRectF(10, 20, 30, 40));
    }

    void backgroundRectangles_data() {
        QTest::addColumn<unsigned>("direction");
        QTest::addColumn<QRectF>("outer");
        QTest::addColumn<QRectF>("arrow");
        QTest::addColumn<QSizeF>("fits");
        // The older theme (border 6, shadow 8 offset (0, 2), arrow 18 x 42, top inset 3) on 226 x 126.
        QTest::newRow("up") << Up << QRectF(8, 24, 210, 92) << QRectF(92, 6, 42, 18) << QSizeF(228, 146);
        QTest::newRow("down") << Down << QRectF(8, 6, 210, 92) << QRectF(92, 98, 42, 18) << QSizeF(228, 146);
        QTest::newRow("left") << Left << QRectF(26, 6, 192, 110) << QRectF(8, 40, 18, 42) << QSizeF(246, 128);
        QTest::newRow("right") << Right << QRectF(8, 6, 192, 110) << QRectF(200, 40, 18, 42)
                               << QSizeF(246, 128);
        QTest::newRow("none") << None << QRectF(8, 6, 210, 110) << QRectF() << QSizeF(228, 128);
    }
    void backgroundRectangles() {
        QFETCH(unsigned, direction);
        QFETCH(QRectF, outer);
        QFETCH(QRectF, arrow);
        QFETCH(QSizeF, fits);
        std::unique_ptr<PLPopoverTheme> old(PLPopoverTheme::themeForIOS6());
        PLPopoverBackgroundView bubble(QSizeF(226, 126));
        bubble.applyTheme(*old);
        bubble.setArrowDirection(direction);
        QCOMPARE(bubble.outerRect(), outer);
        QCOMPARE(bubble.arrowRect(), arrow);
        QCOMPARE(bubble.sizeThatFits(QSizeF(200, 100)), fits);
        QCOMPARE(bubble.outerShadowInsets(), QMarginsF(8, 6, 8, 10));
        if (direction == Down)
            QCOMPARE(bubble.innerRect(), QRectF(13, 14, 200, 79)); // bordered on all four sides, plus 1
    }

    void arrowOffsetKeepsClearOfCornersAndTouchesCountTheArrow() {
        PLPopoverBackgroundView bubble(QSizeF(200, 113)); // the flat default: arrow 13 x 25, radius 5
        bubble.setArrowDirection(Down);
        QCOMPARE(bubble.outerRect(), QRectF(0, 0, 200, 100));
        QCOMPARE(bubble.innerRect(), QRectF(0, 0, 200, 100));
        bubble.setArrowOffset(1000);
        QCOMPARE(bubble.arrowOffset(), 87.0); // (200 - 2 x 13) / 2
        bubble.setArrowOffset(-1000);
        QCOMPARE(bubble.arrowOffset(), -87.0);
        bubble.setArrowOffset(0);
        QVERIFY(bubble.isTouchedAtPoint(QPointF(100, 108))); // on the arrow
        QVERIFY(!bubble.isTouchedAtPoint(QPointF(20, 108))); // beside it
        QVERIFY(bubble.isTouchedAtPoint(QPointF(20, 50)));

        std::unique_ptr<PLPopoverTheme> old(PLPopoverTheme::themeForIOS6());
        bubble.applyTheme(*old);
        bubble.resize(226, 146);
        bubble.setArrowDirection(Left);
        bubble.setArrowOffset(0);
        QCOMPARE(bubble.arrowOffset(), 2.0);                 // the shadow's vertical offset
        QVERIFY(!bubble.isTouchedAtPoint(QPointF(222, 70))); // the shadow margin is outside
        auto flatArrow = bubble.style();
        flatArrow.arrowHeight = 0;
        bubble.setStyle(flatArrow);
        QVERIFY(bubble.arrowRect().isEmpty());
    }

    void flatBubblePaintsItsFillAndLeavesTheSidesOfTheArrowClear() {
        QWidget parent;
        parent.resize(240, 160);
        PLPopoverBackgroundView* bubble = new PLPopoverBackgroundView(QSizeF(200, 100), &parent);
        bubble->setArrowDirection(Down);
        bubble->resize(bubble->sizeThatFits(QSizeF(200, 100)).toSize());
        parent.show();
        const QImage grab = bubble->grab().toImage();
        const QRectF body = bubble->outerRect();
        const QRectF arrow = bubble->arrowRect();
        QCOMPARE(QColor(grab.pixel(body.center().toPoint())), QColor(244, 244, 244));
        QCOMPARE(QColor(grab.pixel(QPoint(int(arrow.center().x()), int(arrow.top()) + 3))),
                 QColor(244, 244, 244));
        QCOMPARE(qAlpha(grab.pixel(QPoint(int(arrow.left()) - 10, int(arrow.center().y())))), 0);
        QCOMPARE(qAlpha(grab.pixel(QPoint(0, 0))), 0); // the rounded corner
    }

    void dialogAndBarItemPresentations() {
        Stage stage;
        PLPopoverController popover(new Content);
        popover.presentPopoverAsDialog(false);
        QVERIFY(popover.isPopoverVisible());
        QCOMPARE(popover.anchorRect(), QRect(182, 328, 10, 10));
        QCOMPARE(popover.backgroundView()->arrowDirection(), None);
        // No preferred size: 320 wide, as tall as the window allows.
        QCOMPARE(popover.popoverContentSize(), QSizeF(320, 667));
        // Centred on a half point, then made whole: one point wider.
        QCOMPARE(popover.backgroundView()->geometry(), QRect(27, 10, 321, 647));
        popover.dismissPopover(false);
        QVERIFY(!popover.isPopoverVisible());

        auto* bar = new NavigationBar(stage.root->view());
        bar->setGeometry(0, 0, 375, NavigationBar::kHeight);
        NavigationItem item;
        auto* share = new BarButtonItem("Share", {}, &item);
        item.setRightBarButtonItems({share});
        bar->setItems(&item, nullptr);
        bar->show();
        popover.contentViewController()->setPreferredContentSize(QSize(200, 150));
        popover.presentPopoverFromBarButtonItem(share, Left, false);
        QCOMPARE(popover.permittedArrowDirections(), Up | Down);
        QCOMPARE(popover.backgroundView()->arrowDirection(), Up);
        QCOMPARE(popover.backgroundView()->y(), share->view()->geometry().bottom() + 1);
        // A new preferred size while shown resizes the bubble.
        popover.contentViewController()->setPreferredContentSize(QSize(200, 250));
        QCOMPARE(popover.backgroundView()->height(), 263);
        popover.dismissPopover(false);
    }

    void embeddedStackTakesTheSizeOfItsTopScreen() {
        Stage stage;
        auto* first = new Content;
        first->setPreferredContentSize(QSize(200, 100));
        auto* stack = new NavigationController(first);
        PLPopoverController popover(stack);
        popover.presentPopoverFromRect(QRect(150, 100, 20, 20), stage.root->view(), Up, false);
        QCOMPARE(popover.backgroundView()->size(), QSize(200, 113));
        auto* second = new Content;
        second->setPreferredContentSize(QSize(240, 300));
        stack->pushViewController(second, false);
        QCOMPARE(popover.backgroundView()->size(), QSize(240, 313));
        second->setPreferredContentSize(QSize(240, 200));
        QCOMPARE(popover.backgroundView()->size(), QSize(240, 213));
        stack->popViewController(false);
        QCOMPARE(popover.backgroundView()->size(), QSize(200, 113));
        popover.dismissPopover(false);
    }

    void completionReplacesTheDelegateMessages() {
        Stage stage;
        PLPopoverController popover(new Content);
        Delegate delegate;
        popover.setDelegate(&delegate);
        int completions = 0;
        popover.presentPopoverAsDialog(true, [&] { ++completions; });
        popover.dismissPopover(true, [&] { ++completions; });
        QCOMPARE(completions, 2);
        QVERIFY(delegate.calls.isEmpty());

        popover.presentPopoverAsDialog(true);
        popover.dismissPopover(true); // asked for in code: the delegate is not told
        QCOMPARE(delegate.calls, QStringList{"presented"});
        popover.dismissPopover(false); // not shown: nothing happens
    }

    void animatedPresentationEndsWhereTheInstantOneDoes() {
        Stage stage;
        auto* content = new Content;
        content->setPreferredContentSize(QSize(200, 100));
        PLPopoverController popover(content);
        popover.setAnimationDuration(0.05f);
        Animator::setInstant(false);
        bool presented = false;
        const unsigned both = PLPopoverAnimationOptionFade | PLPopoverAnimationOptionScale;
        popover.presentPopoverFromRect(QRect(150, 100, 20, 20), stage.root->view(), Up, true, both,
                                       [&] { presented = true; });
        QVERIFY(popover.isPopoverVisible()); // at once, before the animation ends
        QVERIFY(!presented);
        QTRY_VERIFY(presented);
        QTRY_COMPARE(popover.backgroundView()->geometry(), QRect(60, 120, 200, 113));
        QCOMPARE(Animator::alpha(popover.overlayView()), 1.0);
        bool dismissed = false;
        popover.dismissPopover(true, [&] { dismissed = true; });
        QVERIFY(popover.isPopoverVisible()); // until the animation has finished
        QTRY_VERIFY(dismissed);
        QVERIFY(!popover.isPopoverVisible());
        Animator::setInstant(true);
    }

    void outsideTouchesFollowTheDismissalRules() {
        Stage stage;
        auto* passthrough = new QPushButton("Keep", stage.root->view());
        passthrough->setGeometry(10, 620, 100, 40);
        passthrough->show();
        auto* content = new Content;
        content->setPreferredContentSize(QSize(200, 100));
        PLPopoverController popover(content);
        auto delegate = std::make_unique<Delegate>();
        popover.setDelegate(delegate.get());
        popover.setPassthroughViews({passthrough});
        popover.presentPopoverAsDialog(false);
        QVERIFY(popover.isPopoverVisible());
        const QPoint outside(20, 40);

        // Modal content ignores outside touches without asking the delegate.
        content->setModalInPopover(true);
        tapAt(&stage.window, outside);
        QVERIFY(popover.isPopoverVisible());
        QCOMPARE(delegate->calls, QStringList{"presented"});
        content->setModalInPopover(false);

        // The delegate may refuse.
        delegate->allowDismiss = false;
        tapAt(&stage.window, outside);
        QVERIFY(popover.isPopoverVisible());

        // A pass-through view gets its tap and the popover stays.
        QSignalSpy kept(passthrough, &QPushButton::clicked);
        tapAt(&stage.window, QPoint(20, 630));
        QCOMPARE(kept.size(), 1);
        QVERIFY(popover.isPopoverVisible());

        // A tap inside the bubble is the content's.
        tapAt(&stage.window, popover.backgroundView()->geometry().center());
        QVERIFY(popover.isPopoverVisible());

        delegate->allowDismiss = true;
        tapAt(&stage.window, outside);
        QVERIFY(!popover.isPopoverVisible());
        QCOMPARE(delegate->calls, (QStringList{"presented", "should", "should", "dismissed"}));

        // A delegate that is gone is never called: the touch dismisses as with no delegate.
        popover.presentPopoverAsDialog(false);
        delegate.reset();
        tapAt(&stage.window, outside);
        QVERIFY(!popover.isPopoverVisible());
    }

    void touchInTheBubblesShadowMarginDismisses() {
        Stage stage;
        PLPopoverController::setDefaultTheme(PLPopoverTheme::themeForIOS6());
        auto* content = new Content;
        content->setPreferredContentSize(QSize(200, 100));
        PLPopoverController popover(content);
        QCOMPARE(popover.theme()->borderWidth(), 6u);
        popover.presentPopoverFromRect(QRect(150, 300, 20, 20), stage.root->view(), Up, false);
        const QRect frame = popover.backgroundView()->geometry();
        tapAt(&stage.window, QPoint(frame.left() + 3, frame.center().y()));
        QVERIFY(!popover.isPopoverVisible());
        PLPopoverController::setDefaultTheme(PLPopoverTheme::theme());
    }

    void keyboardSlidesThePopoverUnlessTheDelegateCancels() {
        Stage stage;
        struct Cancelling : Delegate {
            QList<qreal> offered;
            bool cancel = false;
            void willTranslatePopoverWithYOffset(PLPopoverController*, qreal& yOffset) override {
                offered << yOffset;
                if (cancel)
                    yOffset = 0;
            }
        } delegate;
        auto* content = new Content;
        content->setPreferredContentSize(QSize(200, 100));
        PLPopoverController popover(content);
        popover.setDelegate(&delegate);
        popover.presentPopoverFromRect(QRect(150, 400, 20, 20), stage.root->view(), Up, false);
        QCOMPARE(popover.backgroundView()->geometry(), QRect(60, 420, 200, 113));

        // A keyboard with its top at 451: the popover, kept 160 high, slides up by its overlap.
        KeyboardMonitor::shared()->show(216, &stage.window);
        QCOMPARE(delegate.offered, QList<qreal>{129});
        QCOMPARE(popover.backgroundView()->geometry(), QRect(60, 291, 200, 160));
        KeyboardMonitor::shared()->hide();
        QCOMPARE(popover.backgroundView()->geometry(), QRect(60, 420, 200, 113));

        delegate.cancel = true;
        KeyboardMonitor::shared()->show(216, &stage.window);
        QCOMPARE(popover.backgroundView()->geometry(), QRect(60, 420, 200, 160));
        KeyboardMonitor::shared()->hide();
        popover.dismissPopover(false);
    }

    void themeChangesReachTheShownBubbleExceptTheMinimumRadius() {
        Stage stage;
        PLPopoverController popover(new Content);
        popover.setTheme(PLPopoverTheme::themeForIOS7());
        popover.presentPopoverAsDialog(false);
        popover.theme()->setMinOuterCornerRadius(4);
        QCOMPARE(popover.backgroundView()->style().minOuterCornerRadius, 0u);
        popover.beginThemeUpdates();
        popover.theme()->setArrowBase(30);
        QCOMPARE(popover.backgroundView()->style().arrowBase, 25u);
        popover.endThemeUpdates();
        QCOMPARE(popover.backgroundView()->style().arrowBase, 30u);
        QCOMPARE(popover.backgroundView()->style().minOuterCornerRadius, 4u); // carried along by the redraw
        QCOMPARE(popover.overlayView()->color().alpha(), qRound(0.15 * 255));
    }

    void windowResizePlacesThePopoverAgain() {
        Window window;
        window.resize(1024, 768);
        auto* screen = new AnchoredScreen;
        window.setRootViewController(screen);
        window.makeKeyAndVisible();
        QCoreApplication::processEvents();
        auto* content = new Content;
        content->setPreferredContentSize(QSize(200, 100));
        PLPopoverController popover(content);
        Repositioning delegate;
        popover.setDelegate(&delegate);
        const QRect presented = screen->info->rect();
        popover.presentPopoverFromRect(presented, screen->info, PLPopoverArrowDirectionAny, false);
        QVERIFY2(placementProblem(popover, screen->info).isEmpty(),
                 qPrintable(placementProblem(popover, screen->info)));

        // A resize is a desktop's rotation: the popover goes back beside its anchor, inside the window,
        // and the delegate hears of it first, with the anchor it has.
        int asked = 0;
        for (const QSize size : {QSize(400, 300), QSize(1024, 768), QSize(1024, 300), QSize(400, 768),
                                 QSize(150, 120), QSize(1024, 768)}) {
            window.resize(size);
            QCoreApplication::processEvents();
            QCOMPARE(window.size(), size);
            QVERIFY2(placementProblem(popover, screen->info).isEmpty(),
                     qPrintable(placementProblem(popover, screen->info)));
            QCOMPARE(delegate.asked.size(), ++asked);
            QCOMPARE(delegate.asked.last(), (std::pair<QRect, QWidget*>{presented, screen->info}));
        }
        // The delegate may send the popover elsewhere.
        delegate.moveTo = screen->help;
        window.resize(600, 400);
        QCoreApplication::processEvents();
        QVERIFY2(placementProblem(popover, screen->help).isEmpty(),
                 qPrintable(placementProblem(popover, screen->help)));
        QCOMPARE(popover.anchorView(), screen->help);
        popover.dismissPopover(false);

        // From a bar item the popover follows the item; the delegate is not asked.
        delegate.asked.clear();
        delegate.moveTo = nullptr;
        popover.presentPopoverFromBarButtonItem(screen->share, PLPopoverArrowDirectionAny, false);
        for (const QSize size : {QSize(400, 300), QSize(1024, 768)}) {
            window.resize(size);
            QCoreApplication::processEvents();
            QWidget* item = screen->share->view();
            QVERIFY2(placementProblem(popover, item).isEmpty(), qPrintable(placementProblem(popover, item)));
        }
        QVERIFY(delegate.asked.isEmpty());
        popover.dismissPopover(false);
        // Put away, it is not placed again.
        window.resize(500, 500);
        QCoreApplication::processEvents();
        QVERIFY(!popover.isPopoverVisible());
    }

    void segueShowsOnlyWhenAskedAndCentresWithoutSender() {
        Stage stage;
        auto* destination = new Content;
        destination->setPreferredContentSize(QSize(200, 100));
        {
            PLStoryboardPopoverSegue unused("info", stage.root, destination);
            unused.perform();
            QVERIFY(PopoverHost::forWindow(&stage.window)->bubbles().isEmpty());
        }
        PLStoryboardPopoverSegue segue("info", stage.root, destination);
        PLPopoverController* popover = segue.popoverControllerWithSender(nullptr, Up | Down, false);
        QVERIFY(popover);
        QCOMPARE(popover->contentViewController(), destination);
        segue.perform();
        QVERIFY(popover->isPopoverVisible());
        QCOMPARE(popover->anchorRect(), QRect(182, 328, 10, 10));
        QCOMPARE(popover->permittedArrowDirections(), Up | Down);
        popover->dismissPopover(false);
    }
};

QTEST_MAIN(TestPopover)
#include "tst_popover.moc"
