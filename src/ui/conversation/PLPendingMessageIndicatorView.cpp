#include "ui/conversation/PLPendingMessageIndicatorView.h"

#include "core/model/Message.h"
#include "foundation/ui/RotationAnimation.h"
#include "platform/ui/Animator.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/Scheduler.h"
#include "ui/conversation/PLCellLabel.h"
#include "ui/conversation/PLChatWindowStyle.h"
#include "ui/conversation/PLPostFailureHandlerHelper.h"
#include "ui/conversation/PLRotatingImageView.h"
#include "ui/conversation/PLRoundedCountLabel.h"

#include <QEvent>

namespace pelnix {

using platform::ui::Animator;
using platform::ui::Button;
using platform::ui::Label;
using platform::ui::Scheduler;

namespace {
// The failure mark (18 wide at x 20) with its badge over its top right corner, wholly inside.
constexpr int kFailureGroupWidth = 48;
// Between the time and the failure mark.
constexpr int kMarkGap = 4;
constexpr int kBadgeSize = 14;
constexpr int kTimeLabelWidth = 60;
constexpr double kClockTurnSeconds = 2.0;
constexpr int kTimeFadeDelayMs = 100;
constexpr int kTimeFadeMs = 200;

void setLeft(QWidget* view, double left) {
    view->move(qRound(left), view->y());
}

void setRight(QWidget* view, double right) {
    view->move(qRound(right - view->width()), view->y());
}

void mirrorX(QWidget* view) {
    if (QWidget* parent = view->parentWidget())
        view->move(parent->width() - view->x() - view->width(), view->y());
}
} // namespace

PLPendingMessageIndicatorView::PLPendingMessageIndicatorView(int width, QWidget* parent)
    : QWidget(parent), m_failedIndicatorView(new QWidget(this)), m_pendingIndicatorView(new QWidget(this)),
      m_failureIndicatorButton(new Button(m_failedIndicatorView)),
      m_failedCountLabel(new PLRoundedCountLabel(m_failedIndicatorView)),
      m_pendingCountLabel(new PLRoundedCountLabel(m_pendingIndicatorView)),
      m_clockIconImageView(new PLRotatingImageView(m_pendingIndicatorView)),
      m_timeLabel(new PLCellLabel(this)) {
    resize(width, kHeight);
    m_failedIndicatorView->setObjectName(QStringLiteral("failedIndicatorView"));
    m_failureIndicatorButton->setObjectName(QStringLiteral("failureIndicatorButton"));
    m_failureIndicatorButton->setImage(PLChatWindowStyle::image(QStringLiteral("failedMessageIndicator")));
    m_pendingIndicatorView->setObjectName(QStringLiteral("pendingIndicatorView"));
    m_clockIconImageView->setImage(PLChatWindowStyle::image(QStringLiteral("pendingMessageClock")));
    m_timeLabel->setObjectName(QStringLiteral("timeLabel"));
    // A clock time reads left to right in any layout; only its alignment follows the layout.
    m_timeLabel->setLayoutDirection(Qt::LeftToRight);
    m_timeLabel->setFont(PLChatWindowStyle::timeFont());
    m_timeLabel->setTextColor(PLChatWindowStyle::readTextColor());
    layOutAsMade();
    connect(m_failureIndicatorButton, &Button::clicked, this,
            &PLPendingMessageIndicatorView::checkForFailureButtonTap);
}

void PLPendingMessageIndicatorView::layOutAsMade() {
    // The failure mark with its badge at the left, the clock with its badge at the right, the time
    // ending at the right edge; a right-to-left layout is the mirror image of all of it.
    setMirrored(false);
    const int width = this->width();
    m_failedIndicatorView->setGeometry(0, 0, kFailureGroupWidth, kHeight);
    m_failureIndicatorButton->setGeometry(20, 0, 18, 18);
    m_failedCountLabel->setGeometry(kFailureGroupWidth - kBadgeSize, 2, kBadgeSize, kBadgeSize);
    m_pendingIndicatorView->setGeometry(width - kGroupWidth, 0, kGroupWidth, kHeight);
    m_clockIconImageView->setGeometry(0, 2, 14, 14);
    m_pendingCountLabel->setGeometry(15, 2, kBadgeSize, kBadgeSize);
    m_timeLabel->setGeometry(width - kTimeLabelWidth, 0, kTimeLabelWidth, kHeight);
    setMirrored(isRightToLeft());
}

void PLPendingMessageIndicatorView::setMirrored(bool mirrored) {
    m_timeLabel->setAlignment((mirrored ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignAbsolute |
                              Qt::AlignVCenter);
    if (mirrored == m_mirrored)
        return;
    m_mirrored = mirrored;
    for (QWidget* view :
         {m_failedIndicatorView, m_pendingIndicatorView, static_cast<QWidget*>(m_timeLabel),
          static_cast<QWidget*>(m_failureIndicatorButton), static_cast<QWidget*>(m_failedCountLabel),
          static_cast<QWidget*>(m_clockIconImageView), static_cast<QWidget*>(m_pendingCountLabel)})
        mirrorX(view);
}

void PLPendingMessageIndicatorView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::LayoutDirectionChange)
        return;
    layOutAsMade();
    configurePendingView();
}

void PLPendingMessageIndicatorView::prepareForReuse() {
    Scheduler::shared()->cancelPerforms(this);
    stopRotatingClockImageView();
    Animator::setAlpha(m_timeLabel, 1);
    m_timeLabel->show();
    m_pendingIndicatorView->show();
    m_message.reset();
    m_state = {};
    layOutAsMade();
}

PLPendingMessageIndicatorView::~PLPendingMessageIndicatorView() {
    Scheduler::shared()->cancelPerforms(this);
}

bool PLPendingMessageIndicatorView::isRightToLeft() const {
    return layoutDirection() == Qt::RightToLeft;
}

void PLPendingMessageIndicatorView::setMessage(const std::shared_ptr<Message>& message) {
    setMessage(message, PLOutboxState::of(message));
}

void PLPendingMessageIndicatorView::setMessage(const std::shared_ptr<Message>& message,
                                               const PLOutboxState& state) {
    m_message = message;
    m_state = state;
    m_pendingCountLabel->hide();
    m_clockIconImageView->hide();
    m_failedCountLabel->hide();
    m_failureIndicatorButton->hide();
    configurePendingView();
}

void PLPendingMessageIndicatorView::configurePendingView() {
    const auto message = m_message;
    if (!message)
        return;
    // Placed as left to right, then mirrored as a whole for a right-to-left layout.
    setMirrored(false);
    const double ownLeft = 0;
    const double ownRight = width();
    const PLOutboxState& state = m_state;
    if (state.hasFailedPendingMessage()) {
        m_failureIndicatorButton->show();
        if (state.latestIsReply) {
            m_failedCountLabel->setText(QString::number(state.failed));
            m_failedCountLabel->show();
        }
    }
    if (state.hasAtLeatOnePendingMessage()) {
        m_clockIconImageView->show();
        if (state.waiting > 0 && state.latestIsReply) {
            m_pendingCountLabel->setText(QString::number(state.waiting));
            m_pendingCountLabel->show();
        }
    }
    const bool onlyFailed = state.hasOnlyFailedPedningMessages();
    m_pendingIndicatorView->setVisible(!onlyFailed);
    if (onlyFailed)
        setRight(m_failedIndicatorView,
                 ownRight - kRightToLeftShift + (m_failedCountLabel->width() * 0.5 - 1.0));
    else
        setLeft(m_failedIndicatorView, ownLeft);
    if (state.posting)
        RotationAnimation::startRotatingWithDuration(m_clockIconImageView, kClockTurnSeconds);
    configureTimeLabel();
}

void PLPendingMessageIndicatorView::configureTimeLabel() {
    if (m_extended) {
        m_timeLabel->hide();
        return;
    }
    const auto message = m_message;
    m_timeLabel->setText(message ? message->chatWindowTimeString() : QString());
    const bool failed = m_state.hasFailedPendingMessage();
    const bool unfinished = m_state.hasAtLeatOnePendingMessage();
    setMirrored(false);
    const QRect waiting = m_pendingIndicatorView->geometry();
    const QRect failure = m_failedIndicatorView->geometry();
    if (!failed && unfinished) {
        setRight(m_timeLabel, waiting.x() - 5.0);
    } else if (failed) {
        setRight(m_timeLabel, failure.x() + 20.0 - kMarkGap);
    } else {
        // Delivered: the time shows once the row has settled.
        Animator::setAlpha(m_timeLabel, 0);
        Scheduler::shared()->performAfter(this, kTimeFadeDelayMs,
                                          [this] { Animator::animateAlpha(m_timeLabel, 1, kTimeFadeMs); });
    }
    setMirrored(isRightToLeft());
}

void PLPendingMessageIndicatorView::stopRotatingClockImageView() {
    m_clockIconImageView->hide();
    RotationAnimation::stopRotating(m_clockIconImageView);
}

void PLPendingMessageIndicatorView::checkForFailureButtonTap() {
    if (!m_failureIndicatorButton->isVisibleTo(this))
        return;
    emit failureIndicatorTapped(m_message);
    if (m_message)
        PLPostFailureHandlerHelper::sharedInstance()->showActionSheetInView(this, m_message);
}

} // namespace pelnix
