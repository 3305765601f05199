#include "ui/toolkit/PLPageViewController.h"

#include "platform/ui/Animator.h"

#include <QMouseEvent>
#include <QWidget>
#include <cstdlib>

namespace pelnix {

using platform::ui::Animator;
using platform::ui::ViewController;

namespace {
// Movement before a press counts as a swipe, as a finger's slop.
constexpr int kSwipeSlop = 10;
} // namespace

PLPageViewController::PLPageViewController(QObject* parent) : ViewController(parent) {}

QWidget* PLPageViewController::loadView() {
    auto* pager = new QWidget;
    pager->setObjectName(QStringLiteral("pager"));
    pager->installEventFilter(this);
    return pager;
}

QList<ViewController*> PLPageViewController::childViewControllersForAppearance() const {
    if (m_current && m_current->isViewLoaded())
        return {m_current.data()};
    return {};
}

void PLPageViewController::adopt(ViewController* page) {
    if (page->parentViewController() != this)
        addChildViewController(page);
    QWidget* pageView = page->view();
    if (pageView->parentWidget() != view())
        pageView->setParent(view());
}

void PLPageViewController::place(ViewController* page, int x) {
    if (!page)
        return;
    QWidget* pageView = page->view();
    pageView->setGeometry(x, 0, view()->width(), view()->height());
    pageView->show();
}

void PLPageViewController::setViewController(ViewController* page, Direction direction, bool animated,
                                             std::function<void(bool)> done) {
    if (!page)
        return;
    finishSlide();
    emit didSetViewController(page, direction, animated);
    ViewController* from = m_current;
    if (from == page) {
        place(page, 0);
        if (done)
            done(true);
        return;
    }
    adopt(page);
    m_current = page;
    const bool onScreen = appearance() == Appearance::Appeared;
    if (onScreen) {
        if (from)
            from->beginAppearanceTransition(false, animated);
        page->beginAppearanceTransition(true, animated);
    }
    QPointer<ViewController> leaving(from);
    QPointer<ViewController> arriving(page);
    auto finished = [this, leaving, arriving, onScreen, done = std::move(done)] {
        if (leaving && leaving != m_current)
            leaving->view()->hide();
        if (onScreen) {
            if (leaving)
                leaving->endAppearanceTransition();
            if (arriving)
                arriving->endAppearanceTransition();
        }
        if (done)
            done(true);
    };
    if (!animated || !from || !isViewLoaded() || view()->width() <= 0) {
        place(page, 0);
        finished();
        return;
    }
    slide(from, page, 0, direction == Direction::Forward ? -1 : 1, std::move(finished));
}

// Moves `from`, now at `start`, out to the side of `sign`, and `to` in from the other side.
void PLPageViewController::slide(ViewController* from, ViewController* to, int start, int sign,
                                 std::function<void()> done) {
    const int width = view()->width();
    place(to, start - sign * width);
    place(from, start);
    to->view()->raise();
    m_sliding = true;
    const quint64 generation = ++m_slideGeneration;
    QPointer<ViewController> leaving(from);
    QPointer<ViewController> arriving(to);
    m_finishSlide = [this, leaving, arriving, done = std::move(done)] {
        m_sliding = false;
        m_finishSlide = nullptr;
        if (arriving)
            place(arriving, 0);
        if (done)
            done();
    };
    Animator::run(
        this, kSlideMs, Animator::Curve::EaseOut,
        [this, leaving, arriving, sign, width, start, generation](qreal progress) {
            if (generation != m_slideGeneration)
                return;
            const int x = start + int((sign * width - start) * progress);
            if (leaving)
                place(leaving, x);
            if (arriving)
                place(arriving, x - sign * width);
        },
        [this, generation](bool) {
            if (generation == m_slideGeneration)
                finishSlide();
        });
}

void PLPageViewController::finishSlide() {
    if (!m_sliding)
        return;
    ++m_slideGeneration;
    if (auto finish = std::move(m_finishSlide))
        finish();
}

bool PLPageViewController::eventFilter(QObject* watched, QEvent* event) {
    if (isViewLoaded() && watched == view()) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
            beginSwipe(static_cast<QMouseEvent*>(event)->position().toPoint());
            break;
        case QEvent::MouseMove:
            moveSwipe(static_cast<QMouseEvent*>(event)->position().toPoint());
            break;
        case QEvent::MouseButtonRelease:
            endSwipe(static_cast<QMouseEvent*>(event)->position().toPoint());
            break;
        case QEvent::Resize:
            if (!m_sliding && m_swipeSign == 0)
                place(m_current, 0);
            break;
        default:
            break;
        }
    }
    return ViewController::eventFilter(watched, event);
}

void PLPageViewController::beginSwipe(QPoint at) {
    m_pressed = !m_sliding && m_current;
    m_swipeStart = at;
    m_swipeSign = 0;
    m_swipeOffset = 0;
}

void PLPageViewController::moveSwipe(QPoint at) {
    if (!m_pressed)
        return;
    const int dx = at.x() - m_swipeStart.x();
    if (m_swipeSign == 0) {
        if (std::abs(dx) < kSwipeSlop)
            return;
        auto* source = m_dataSource.get();
        const int sign = dx < 0 ? -1 : 1;
        ViewController* neighbour = !source    ? nullptr
                                    : sign < 0 ? source->viewControllerAfterViewController(this, m_current)
                                               : source->viewControllerBeforeViewController(this, m_current);
        if (!neighbour) {
            m_pressed = false;
            return;
        }
        m_swipeSign = sign;
        m_pending = neighbour;
        adopt(neighbour);
        if (auto* delegate = m_delegate.get())
            delegate->willTransitionToViewController(this, neighbour);
    }
    // The page follows the pointer, never past its neighbour.
    const int width = view()->width();
    m_swipeOffset = m_swipeSign < 0 ? std::clamp(dx, -width, 0) : std::clamp(dx, 0, width);
    place(m_current, m_swipeOffset);
    place(m_pending, m_swipeOffset - m_swipeSign * width);
}

void PLPageViewController::endSwipe(QPoint at) {
    if (!m_pressed)
        return;
    moveSwipe(at);
    m_pressed = false;
    if (m_swipeSign == 0)
        return;
    settleSwipe(std::abs(m_swipeOffset) > view()->width() * kTurnShare);
}

// Finishes the swipe one way or the other; the delegate hears the end in both cases.
void PLPageViewController::settleSwipe(bool turn) {
    QPointer<ViewController> previous(m_current);
    QPointer<ViewController> pending(m_pending);
    const int sign = m_swipeSign;
    auto report = [this, previous, turn] {
        m_swipeSign = 0;
        m_swipeOffset = 0;
        m_pending = nullptr;
        if (auto* delegate = m_delegate.get())
            delegate->didFinishAnimating(this, true, previous, turn);
    };
    if (!pending || !previous) {
        report();
        return;
    }
    if (turn) {
        const bool onScreen = appearance() == Appearance::Appeared;
        if (onScreen) {
            previous->beginAppearanceTransition(false, true);
            pending->beginAppearanceTransition(true, true);
        }
        m_current = pending;
        slide(previous, pending, m_swipeOffset, sign, [previous, pending, onScreen, report] {
            if (previous)
                previous->view()->hide();
            if (onScreen) {
                if (previous)
                    previous->endAppearanceTransition();
                if (pending)
                    pending->endAppearanceTransition();
            }
            report();
        });
        return;
    }
    // Back where it was: the neighbour slides out again.
    slide(pending, previous, m_swipeOffset - sign * view()->width(), -sign, [pending, report] {
        if (pending)
            pending->view()->hide();
        report();
    });
}

} // namespace pelnix
