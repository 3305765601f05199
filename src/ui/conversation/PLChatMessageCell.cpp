#include "ui/conversation/PLChatMessageCell.h"

#include "core/model/Message.h"
#include "core/model/User.h"
#include "platform/MainThread.h"
#include "platform/NotificationCenter.h"
#include "ui/conversation/ConversationNotifications.h"

#include <QCoreApplication>
#include <QEvent>
#include <QResizeEvent>

namespace pelnix {

PLChatMessageCell::PLChatMessageCell(const QString& reuseIdentifier, QWidget* parent)
    : CollectionViewCell(reuseIdentifier, parent) {}

void PLChatMessageCell::setMessage(const std::shared_ptr<Message>& message) {
    m_message = message;
    m_sender = message ? message->senderUser() : nullptr;
    markRead(message && message->state() == 1 ? 1 : 0);
}

void PLChatMessageCell::markRead(int value) {
    Q_ASSERT(platform::isMainThread());
    if (value > 0) {
        if (const auto message = m_message.lock(); message && message->state() != 1) {
            message->setState(1);
            message->save();
            platform::NotificationCenter::defaultCenter()->post(
                QLatin1String(PLChatWindowCellMarkedAsReadNotification), {},
                {{QLatin1String(kChatWindowMessageKey), message->messageId()}});
        }
    }
    applyReadLook(value > 0, value == 1);
}

void PLChatMessageCell::changeEvent(QEvent* event) {
    CollectionViewCell::changeEvent(event);
    if (event->type() == QEvent::LayoutDirectionChange) {
        QResizeEvent again(size(), size());
        resizeEvent(&again);
    }
}

void PLChatMessageCell::applyReadLook(bool read, bool) {
    m_readLook = read;
}

void PLChatMessageCell::prepareForReuse() {
    CollectionViewCell::prepareForReuse();
    markRead(0);
}

void PLChatMessageCell::setTrailingReserve(int reserve) {
    if (reserve == m_trailingReserve)
        return;
    m_trailingReserve = reserve;
    // Laid out anew at the same size: every subclass places its parts from its resize.
    QResizeEvent relayout(size(), size());
    QCoreApplication::sendEvent(this, &relayout);
}

} // namespace pelnix
