#include "ui/conversation/PLTextMessageParts.h"

#include "platform/ui/Animator.h"
#include "ui/conversation/PLChatMessageCell.h"
#include "ui/conversation/PLChatWindowStyle.h"
#include "ui/conversation/PLMessageTextView.h"
#include "ui/conversation/PLPendingMessageIndicatorView.h"

namespace pelnix {

PLTextMessageParts::PLTextMessageParts(PLChatMessageCell* cell, const QMargins& textInset, int indicatorWidth,
                                       bool compact)
    : m_cell(cell), m_textView(new PLMessageTextView(cell->contentView())),
      m_pendingMessageView(new QWidget(cell->contentView())), m_compact(compact) {
    m_textView->setObjectName(QStringLiteral("messageDisplayTextView"));
    m_textView->setFont(PLChatWindowStyle::messageFont());
    m_textView->setTextContainerInset(textInset);
    m_pendingMessageView->setObjectName(QStringLiteral("pendingMessageView"));
    m_pendingMessageView->resize(indicatorWidth, PLPendingMessageIndicatorView::kHeight);
    QObject::connect(m_textView, &PLMessageTextView::linkTapped, cell, [this](const QUrl& url) {
        if (auto* delegate = m_delegate.get())
            delegate->cellDidTapOnLinkWithURL(m_cell, url);
    });
}

void PLTextMessageParts::showOutboxState(const std::shared_ptr<Message>& message,
                                         const PLOutboxState& state) {
    if (!m_indicator) {
        m_indicator = new PLPendingMessageIndicatorView(m_pendingMessageView->width(), m_pendingMessageView);
        m_indicator->setIsExtendedTextMessage(m_compact);
        m_indicator->move(0, 0);
    }
    m_indicator->show();
    m_indicator->setMessage(message, state);
}

void PLTextMessageParts::stopClock() {
    if (m_indicator)
        m_indicator->stopRotatingClockImageView();
}

void PLTextMessageParts::applyReadLook(bool read, bool animated) {
    const QColor color = read ? PLChatWindowStyle::readTextColor() : QColor(Qt::black);
    platform::ui::Animator::crossDissolve(m_textView, animated ? kReadFadeMs : 0,
                                          [this, color] { m_textView->setTextColor(color); });
}

void PLTextMessageParts::prepareForReuse() {
    m_textView->setText(QString());
    if (!m_indicator)
        return;
    m_indicator->prepareForReuse();
    if (m_compact)
        m_indicator->hide();
}

} // namespace pelnix
