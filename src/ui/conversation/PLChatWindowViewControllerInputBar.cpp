// The input bar under the list, sending a text, and the title.

#include "ui/conversation/PLChatWindowViewController.h"

#include "foundation/PLCurrentBundleInfo.h"
#include "foundation/StringAdditions.h"
#include "platform/ui/AlertView.h"
#include "ui/conversation/ConversationLog.h"
#include "ui/conversation/PLChatWindowCollectionView.h"
#include "ui/conversation/PLChatWindowScrollToBottomOrTopView.h"
#include "ui/conversation/PLNewUpdatesNotificationButton.h"
#include "ui/conversation/PLPostToChatView.h"

namespace pelnix {

void PLChatWindowViewController::addPostingMessageViewAtBottom(QWidget* root) {
    m_postToChatView = new PLPostToChatView(root);
    m_defaultPostToChatViewHeight = PLPostToChatView::kDefaultHeight;
    m_postToChatView->setDelegate(this);
    m_postToChatView->setGeometry(0, root->height() - int(m_defaultPostToChatViewHeight), root->width(),
                                  int(m_defaultPostToChatViewHeight));
}

void PLChatWindowViewController::postToChatViewFrameChanged() {
    if (!m_collectionView || !m_postToChatView)
        return;
    // The list always ends at the bar's top.
    m_collectionView->setContentInsetBottom(view()->height() - m_postToChatView->y());
    adjustScrollToTpoOrBottonViewPosition();
    if (m_notificationButton) {
        m_initialCenter =
            QPointF(view()->width() * 0.5, m_collectionView->height() + m_notificationButton->height());
        const unsigned state = std::exchange(m_notificationViewState, kNotificationViewInitial);
        setUnreadMessagesNotificationViewState(state == kNotificationViewInitial ? kNotificationViewHidden
                                                                                 : state);
    }
}

bool PLChatWindowViewController::isValidMessage(const QString& text) const {
    return !text.isEmpty() && !StringAdditions::stringByTrimmingWhiteSpacesAndNewLines(text).isEmpty();
}

void PLChatWindowViewController::showPostFailedErrorMessage(const QString& text) {
    const QString message =
        text.isNull() ? PLCurrentBundleInfo::localizedString(QStringLiteral("Please try again.")) : text;
    auto* alert =
        new platform::ui::AlertView(PLCurrentBundleInfo::localizedString(QStringLiteral("Post Failed")),
                                    message, PLCurrentBundleInfo::localizedString(QStringLiteral("OK")), {});
    alert->show(window());
}

void PLChatWindowViewController::postTextMessage(const QString& text) {
    if (isValidMessage(text) && m_chatRoom)
        m_chatRoom->postTextMessage(text);
    else if (!isValidMessage(text))
        showPostFailedErrorMessage(
            PLCurrentBundleInfo::localizedString(QStringLiteral("Enter valid message.")));
    m_postToChatView->reset();
}

void PLChatWindowViewController::uploadMediaButtonClickHandler() {
    qCInfo(lcConversation) << "attachments are not available in this window yet";
}

void PLChatWindowViewController::postChatletButtonClickHandler() {
    showChatletComposer();
}

void PLChatWindowViewController::profileImageClickedForUser(const std::shared_ptr<User>&) {
    qCInfo(lcConversation) << "profiles are not available from this window yet";
}

void PLChatWindowViewController::setNavigationTitle() {
    if (m_chatRoom)
        setTitle(m_chatRoom->displayName());
}

void PLChatWindowViewController::updateViewForChatRoomStatusAnimated(bool) {
    // The input bar stays as it is: the room-state banners are not part of this window yet.
}

} // namespace pelnix
