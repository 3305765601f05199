// What replaces the input bar when the user may not post: a removed user has no bar; in a room only
// its admin posts to, or one deleted on the server, a banner says why over the bar.

#include "ui/conversation/PLChatWindowViewController.h"

#include "core/model/CurrentUserInfo.h"
#include "platform/ui/Animator.h"
#include "platform/ui/Button.h"
#include "ui/conversation/ConversationLog.h"
#include "ui/conversation/PLPostToChatView.h"
#include "ui/conversation/PLRoomStateBannerView.h"
#include "ui/conversation/TabReach.h"

#include <QPlainTextEdit>

namespace pelnix {

using platform::ui::Animator;

namespace {
constexpr qint16 kRoomRemoved = 2;
constexpr qint16 kRoomDeleted = 3;
} // namespace

unsigned PLChatWindowViewController::chatWindowStateForRoom() const {
    unsigned state = kStateNormal;
    if (!m_chatRoom)
        return state;
    if (m_chatRoom->adminOnly() && m_chatRoom->adminUserID() != CurrentUserInfo::currentUserID())
        state |= kStateAdminOnly;
    if (m_chatRoom->status() == kRoomRemoved)
        state |= kStateRemoved;
    else if (m_chatRoom->status() == kRoomDeleted)
        state |= kStateClosed;
    return state;
}

void PLChatWindowViewController::updateViewForChatRoomStatusAnimated(bool animated) {
    const int previous = std::exchange(m_stateAnimationMs, animated ? kBannerMs : 0);
    setChatWindowState(chatWindowStateForRoom());
    m_stateAnimationMs = previous;
}

void PLChatWindowViewController::setChatWindowState(unsigned state) {
    if (state == m_chatWindowState || !m_postToChatView)
        return;
    qCDebug(lcConversation) << "room state" << m_chatWindowState << "->" << state;
    m_chatWindowState = state;
    const auto removeBanner = [this] {
        if (QWidget* banner = m_userKickedMessageView.data()) {
            m_userKickedMessageView = nullptr;
            banner->hide();
            banner->deleteLater();
        }
    };
    const bool covered = (state & (kStateAdminOnly | kStateClosed)) && !(state & kStateRemoved);
    if (state & kStateRemoved) {
        dismissKeyboard();
        removeBanner();
    } else if (covered) {
        dismissKeyboard();
        const auto kind = (state & kStateClosed) ? PLRoomStateBannerView::Kind::RoomClosed
                                                 : PLRoomStateBannerView::Kind::UserKicked;
        auto* shown = qobject_cast<PLRoomStateBannerView*>(m_userKickedMessageView.data());
        // A room closed while the admin-only banner shows takes the closed one.
        if (shown && shown->kind() != kind)
            removeBanner();
        if (!m_userKickedMessageView) {
            auto* banner = new PLRoomStateBannerView(kind, m_postToChatView);
            if (kind == PLRoomStateBannerView::Kind::UserKicked &&
                view()->layoutDirection() == Qt::RightToLeft)
                banner->setLayoutDirection(Qt::RightToLeft);
            banner->setGeometry(m_postToChatView->rect());
            Animator::setAlpha(banner, 0);
            banner->show();
            banner->raise();
            Animator::animateAlpha(banner, 1, m_stateAnimationMs);
            m_userKickedMessageView = banner;
        }
    } else {
        removeBanner();
    }
    // Nothing under a banner, or of a bar below the screen, takes the keyboard's focus.
    const bool usable = !covered && !(state & kStateRemoved);
    m_postToChatView->messageTextView()->setEnabled(usable);
    for (platform::ui::Button* button :
         {m_postToChatView->postChatletButton(), m_postToChatView->mediaUploadButton(),
          m_postToChatView->sendButton()})
        TabReach::setInSight(button, usable);
    placePostToChatView(m_postToChatView->height(), m_stateAnimationMs);
}

} // namespace pelnix
