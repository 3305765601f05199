#include "ui/conversation/PLChatWindowScrollToBottomOrTopView.h"

#include "platform/ui/Animator.h"
#include "platform/ui/Button.h"
#include "platform/ui/Scheduler.h"
#include "ui/conversation/PLChatWindowStyle.h"
#include "ui/conversation/TabReach.h"

#include <QEvent>
#include <QRegion>

namespace pelnix {

using platform::ui::Animator;
using platform::ui::Button;
using platform::ui::Scheduler;

namespace {
constexpr int kButtonMargin = 8;
} // namespace

PLChatWindowScrollToBottomOrTopView* PLChatWindowScrollToBottomOrTopView::instance(QWidget* parent) {
    return new PLChatWindowScrollToBottomOrTopView(parent);
}

PLChatWindowScrollToBottomOrTopView::PLChatWindowScrollToBottomOrTopView(QWidget* parent)
    : QWidget(parent), m_scrollToTopButton(new Button(this)), m_scrollToBottomButton(new Button(this)) {
    setObjectName(QStringLiteral("scrollToBottomOrTopView"));
    if (parent)
        parent->installEventFilter(this);
    m_scrollToTopButton->setObjectName(QStringLiteral("scrollToTopButton"));
    m_scrollToTopButton->setImage(PLChatWindowStyle::image(QStringLiteral("scrollToTopIcon")));
    m_scrollToBottomButton->setObjectName(QStringLiteral("scrollToBottonButton"));
    m_scrollToBottomButton->setImage(PLChatWindowStyle::image(QStringLiteral("scrollToBottomIcon")));
    connect(m_scrollToTopButton, &Button::clicked, this,
            &PLChatWindowScrollToBottomOrTopView::scrollToTopButtonTapped);
    connect(m_scrollToBottomButton, &Button::clicked, this,
            &PLChatWindowScrollToBottomOrTopView::scrollToBottomButtonTapped);
    resize(kWidth, 200);
    updateTabReach();
}

PLChatWindowScrollToBottomOrTopView::~PLChatWindowScrollToBottomOrTopView() {
    Scheduler::shared()->cancelPerforms(this);
}

void PLChatWindowScrollToBottomOrTopView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int x = (width() - kButtonSize) / 2;
    m_scrollToTopButton->setGeometry(x, kButtonMargin, kButtonSize, kButtonSize);
    m_scrollToBottomButton->setGeometry(x, height() - kButtonMargin - kButtonSize, kButtonSize, kButtonSize);
    updateTouchArea();
}

void PLChatWindowScrollToBottomOrTopView::updateTouchArea() {
    // Only the two buttons take touches, shown or hidden; the rest of the view lets them through.
    setMask(QRegion(m_scrollToTopButton->geometry()) + QRegion(m_scrollToBottomButton->geometry()));
}

bool PLChatWindowScrollToBottomOrTopView::isValidTouchForPoint(const QPoint& point) const {
    return m_scrollToTopButton->geometry().contains(point) ||
           m_scrollToBottomButton->geometry().contains(point);
}

void PLChatWindowScrollToBottomOrTopView::setControllType(unsigned type) {
    if (type != m_controllType)
        hideScrollControllButtonType(type);
    m_controllType = type;
}

void PLChatWindowScrollToBottomOrTopView::hideScrollControllButtonType(unsigned type) {
    switch (type) {
    case 0:
        m_scrollToTopButton->hide();
        break;
    case 1:
        m_scrollToBottomButton->hide();
        break;
    case 2:
        m_scrollToTopButton->hide();
        m_scrollToBottomButton->hide();
        break;
    case 3:
        m_scrollToTopButton->show();
        m_scrollToBottomButton->show();
        break;
    default:
        break;
    }
}

int PLChatWindowScrollToBottomOrTopView::restingX(bool slidIn) const {
    // The control lies on the trailing edge of the rows, which a right-to-left window mirrors: the
    // cells keep their times and marks clear of that edge while it shows.
    const QWidget* superview = parentWidget();
    if (!superview)
        return x();
    if (superview->isRightToLeft())
        return slidIn ? 0 : -width();
    return superview->width() - (slidIn ? width() : 0);
}

void PLChatWindowScrollToBottomOrTopView::slideTo(int left, bool animated) {
    // A slide under way gives way to this one: two would pull the view between their ends.
    const int slide = ++m_slide;
    if (!animated || Animator::isInstant()) {
        move(left, y());
        return;
    }
    const int start = x();
    Animator::run(this, kSlideMs, Animator::Curve::EaseInOut, [this, slide, start, left](qreal p) {
        if (slide == m_slide)
            move(start + qRound((left - start) * p), y());
    });
}

void PLChatWindowScrollToBottomOrTopView::placeAtRest() {
    ++m_slide;
    move(restingX(m_slidIn), y());
}

bool PLChatWindowScrollToBottomOrTopView::event(QEvent* event) {
    if (event->type() == QEvent::ParentAboutToChange && parentWidget())
        parentWidget()->removeEventFilter(this);
    else if (event->type() == QEvent::ParentChange && parentWidget())
        parentWidget()->installEventFilter(this);
    return QWidget::event(event);
}

bool PLChatWindowScrollToBottomOrTopView::eventFilter(QObject* watched, QEvent* event) {
    // Its superview resized or turned: at once at its place on the new trailing edge, in or out.
    if (watched == parentWidget() &&
        (event->type() == QEvent::Resize || event->type() == QEvent::LayoutDirectionChange))
        placeAtRest();
    return QWidget::eventFilter(watched, event);
}

void PLChatWindowScrollToBottomOrTopView::updateTabReach() {
    TabReach::setInSight(m_scrollToTopButton, m_slidIn);
    TabReach::setInSight(m_scrollToBottomButton, m_slidIn);
}

void PLChatWindowScrollToBottomOrTopView::showScrollToBottomOrTopViewAnimated(bool animated) {
    const bool changed = !m_slidIn;
    m_slidIn = true;
    updateTabReach();
    if (changed)
        emit slidInChanged(true);
    if (parentWidget())
        slideTo(restingX(true), animated);
    resetOnUserInteraction();
}

void PLChatWindowScrollToBottomOrTopView::hideScrollToBottomOrTopViewAnimated(bool animated) {
    Scheduler::shared()->cancelPerforms(this);
    const bool changed = m_slidIn;
    m_slidIn = false;
    updateTabReach();
    if (changed)
        emit slidInChanged(false);
    if (parentWidget())
        slideTo(restingX(false), animated);
}

void PLChatWindowScrollToBottomOrTopView::resetOnUserInteraction() {
    Scheduler::shared()->cancelPerforms(this);
    Scheduler::shared()->performAfter(this, kAutoHideMs, [this] {
        // Not from under the keys: it stays while one of its buttons has them.
        if (m_scrollToTopButton->hasFocus() || m_scrollToBottomButton->hasFocus())
            resetOnUserInteraction();
        else
            hideScrollToBottomOrTopViewAnimated(true);
    });
}

bool PLChatWindowScrollToBottomOrTopView::isShownInSuperview() const {
    const QWidget* superview = parentWidget();
    if (!superview)
        return false;
    return superview->isRightToLeft() ? x() >= 0 : x() + width() <= superview->width();
}

void PLChatWindowScrollToBottomOrTopView::scrollToTopButtonTapped() {
    resetOnUserInteraction();
    if (auto* delegate = m_delegate.get())
        delegate->scrollToTopOrBottomView(this, 0);
}

void PLChatWindowScrollToBottomOrTopView::scrollToBottomButtonTapped() {
    resetOnUserInteraction();
    if (auto* delegate = m_delegate.get())
        delegate->scrollToTopOrBottomView(this, 1);
}

} // namespace pelnix
