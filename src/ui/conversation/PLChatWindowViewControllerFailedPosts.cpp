// The user's choice for a failed post, announced by the failed-post sheet: a discarded post leaves the
// screen and the store; a resent one moves to the end of the list as the user's own change.

#include "ui/conversation/PLChatWindowViewController.h"

#include "core/model/ChatRoomNotifications.h"
#include "core/model/CurrentUserInfo.h"
#include "core/model/PendingMessageInfo.h"
#include "core/model/User.h"
#include "ui/conversation/ConversationNotifications.h"
#include "ui/conversation/PLChatWindowCollectionView.h"
#include "ui/conversation/PLChatWindowRowListEdit.h"
#include "ui/conversation/PLPostFailureHandlerHelper.h"

namespace pelnix {

using platform::ui::IndexPath;

namespace {
constexpr qint16 kTextMessage = 2;
// Text rows' grouping: not worked out, heads its own run.
constexpr int kTextNotWorkedOut = 0;
constexpr int kTextHeadsRun = 2;
} // namespace

void PLChatWindowViewController::retryOrDiscardPendingMessage(const QVariantMap& userInfo) {
    const auto entry = PendingMessageInfo::pendingMessageInfoWithSeqId(
        userInfo.value(QLatin1String(PLFailedPendingMessageKey)).toString());
    const auto message = entry ? entry->message() : nullptr;
    if (!message)
        return;
    // A window on another room leaves the message to the window of its own room (or the sheet).
    const auto room = message->room();
    if (!m_chatRoom || !room || room->roomId() != m_chatRoom->roomId())
        return;
    bool known = false;
    const int action = userInfo.value(QLatin1String(PLPendingMessagePostFailureActionTypeKey)).toInt(&known);
    if (!known)
        return;
    const int index = m_rows.indexOfMessage(message.get());
    if (action == PLPostFailureHandlerHelper::Discard) {
        updateTextCellOnRetryOrDeleteForMessage(message);
        if (entry->isReplyType()) {
            // The smart message stays; only its failed replies go.
            message->removeAllFailedPendingMessages();
            if (index != PLChatWindowRowList::kNotFound)
                m_collectionView->reloadItems({IndexPath::forItem(index)});
            return;
        }
        if (index != PLChatWindowRowList::kNotFound) {
            PLChatWindowRowListEdit edit(m_rows);
            // A date row left with no message under it goes as well.
            const bool dateAbove = index >= 1 && m_rows.at(index - 1).dateMessage();
            const bool dayEnds = index + 1 >= m_rows.count() || m_rows.at(index + 1).dateMessage();
            edit.remove(index);
            if (dateAbove && dayEnds)
                edit.remove(index - 1);
            applyRowEdit(edit);
            m_rows.unreadMessages().removeAll(PLChatWindowCellContent(message));
        }
        PLPostFailureHandlerHelper::removeMessageWithItsPosts(message);
        return;
    }
    if (action == PLPostFailureHandlerHelper::Resend) {
        updateTextCellOnRetryOrDeleteForMessage(message);
        if (const auto account = CurrentUserInfo::currentUserInfo())
            message->setFromUser(account->user());
        message->save();
        // Comes back as the user's own change, which moves the message to the end.
        platform::NotificationCenter::defaultCenter()->post(
            QLatin1String(ChatRoomMessageUpdatedNotification), {},
            {{QLatin1String(kMessageIDKey), message->messageId()}});
    }
}

void PLChatWindowViewController::updateTextCellOnRetryOrDeleteForMessage(const Message::Ptr& message) {
    if (!message || message->type() != kTextMessage)
        return;
    const int index = m_rows.indexOfMessage(message.get());
    if (message->textMessageState() == kTextHeadsRun && m_rows.isValidIndex(index + 1)) {
        // The row under it loses the header it shared: it shows its own now.
        if (const auto next = m_rows.at(index + 1).message())
            next->setTextMessageState(kTextHeadsRun);
        m_collectionView->reloadItems({IndexPath::forItem(index + 1)});
    }
    message->setTextMessageState(kTextNotWorkedOut);
}

} // namespace pelnix
