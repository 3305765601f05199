// What the chat window does with the model's notifications about its room, and the "New Updates"
// button that points at rows which arrived out of sight.

#include "ui/conversation/PLChatWindowViewController.h"

#include "foundation/ui/ScrollViewAdditions.h"
#include "platform/ui/Animator.h"
#include "platform/ui/Scheduler.h"
#include "ui/conversation/ConversationLog.h"
#include "ui/conversation/PLChatWindowCollectionView.h"
#include "ui/conversation/PLNewUpdatesNotificationButton.h"
#include "ui/conversation/PLPostToChatView.h"
#include "ui/conversation/TabReach.h"

#include <QPointer>

namespace pelnix {

using platform::ui::Animator;
using platform::ui::IndexPath;
using platform::ui::Scheduler;

namespace {
constexpr int kButtonMoveMs = 500;
constexpr double kButtonLift = 0.65;
} // namespace

void PLChatWindowViewController::handleMessageAdd(const QString& messageId) {
    refreshViewIfRequired();
    const auto message = Message::messageWithID(messageId);
    if (!message || m_rows.indexOfMessage(message.get()) != PLChatWindowRowList::kNotFound)
        return;
    // Another window may own the announcements; only this room's messages belong here, and a window
    // without a room (its ID unknown to the store) takes none.
    const auto room = message->room();
    if (!m_chatRoom || !room || room->roomId() != m_chatRoom->roomId())
        return;
    const bool mine = message->senderIsMe();
    if (mine && message->replyCount() == 0 && message->state() != 1) {
        message->setState(1);
        message->save();
    }
    // Rows stop short of the newest message: another's comes with the pages after them, in its place;
    // the user's own shows at once, at the end of the newest page.
    if (m_hasNewerMessagesToLoad) {
        if (mine)
            showNewestMessages();
        return;
    }
    const bool wasAtBottom = isAtBottom();
    QPointer<PLChatWindowViewController> self(this);
    m_collectionView->performBatchUpdates(
        [this, message] { handleMessageInsertAtTheEnd(PLChatWindowCellContent(message)); },
        [self, message, mine, wasAtBottom](bool) {
            if (self && !mine)
                self->noticeNewUpdate(message, wasAtBottom);
        });
    // A list at its end follows at once rather than after the insertion, so the row shows in the next
    // frame, also when rows pour in. The user's own post brings the list to its end at once too: a
    // slide starting later would move the rows under a press the user aims meanwhile.
    if (wasAtBottom || (mine && message->updateCount() == 0))
        followTheEnd(PLChatWindowCellContent(message));
}

void PLChatWindowViewController::followTheEnd(const PLChatWindowCellContent& row) {
    // A row that arrived since the last frame is painted before the list moves it out of view.
    const int waiting = m_rows.indexOf(m_firstRowSinceFrame);
    if (waiting != PLChatWindowRowList::kNotFound &&
        m_collectionView->rectForRow(IndexPath::forItem(waiting)).top() <
            m_collectionView->maximumContentOffset().y())
        m_collectionView->viewport()->repaint();
    m_collectionView->scrollToBottomAnimated(false);
    if (m_firstRowSinceFrame.isNull())
        m_firstRowSinceFrame = row;
    showFrameIfDue();
}

void PLChatWindowViewController::noticeNewUpdate(const Message::Ptr& message, bool markVisible) {
    QPointer<PLChatWindowViewController> self(this);
    // The message's own row when the time comes, not the last row: more may have arrived meanwhile.
    std::weak_ptr<Message> weak = message;
    Scheduler::shared()->performAfter(this, kSettleDelayMs, [self, weak, markVisible] {
        const auto message = weak.lock();
        if (!self || !message)
            return;
        const int index = self->m_rows.indexOfMessage(message.get());
        if (index == PLChatWindowRowList::kNotFound)
            return;
        self->m_rows.newUpdateMessages().insert(index);
        self->handleUnreadMessagesNotification(index);
        if (markVisible)
            self->markVisibleMessagesAsReadAfterDelay(kReadDelayMs);
    });
}

void PLChatWindowViewController::postingMessageStateChanged(const QString& messageId) {
    refreshViewIfRequired();
    const auto message = Message::messageWithID(messageId);
    const int index = message ? m_rows.indexOfMessage(message.get()) : PLChatWindowRowList::kNotFound;
    if (index != PLChatWindowRowList::kNotFound)
        m_collectionView->reloadItems({IndexPath::forItem(index)});
}

void PLChatWindowViewController::handleRoomStateChange() {
    if (m_chatRoom)
        m_chatRoom->refreshObject();
    updateViewForChatRoomStatusAnimated(true);
}

void PLChatWindowViewController::chatRoomUpdated(const QString& roomId) {
    if (!m_chatRoom || roomId != m_chatRoom->roomId())
        return;
    setNavigationTitle();
    updateViewForChatRoomStatusAnimated(true);
}

// ---- The "New Updates" button

void PLChatWindowViewController::setUpUnreadMessagesNotificationSystem() {
    auto* button = new PLNewUpdatesNotificationButton(this, view());
    m_notificationButton = button;
    Animator::setAlpha(button, 0);
    button->show();
    // Below the input bar, so that it slides out from behind it.
    button->stackUnder(m_postToChatView);
    TabReach::setInSight(button, false);
    m_notificationViewState = kNotificationViewHidden;
    placeNotificationButton();
}

QPoint PLChatWindowViewController::notificationButtonOrigin(const QPointF& centre) const {
    const QWidget* button = m_notificationButton;
    return (centre - QPointF(button->width() / 2.0, button->height() / 2.0)).toPoint();
}

void PLChatWindowViewController::setUnreadMessagesNotificationViewState(unsigned state) {
    if (state == m_notificationViewState || !m_notificationButton)
        return;
    m_notificationViewState = state;
    auto* button = m_notificationButton.data();
    // Waiting below the list, it is out of Tab's reach.
    TabReach::setInSight(button, state == kNotificationViewShown);
    const QPointF centre =
        state == kNotificationViewShown
            ? QPointF(m_initialCenter.x(), m_postToChatView->y() - kButtonLift * button->height())
            : m_initialCenter;
    Animator::animateAlpha(button, state == kNotificationViewInitial ? 0 : 1, kButtonMoveMs);
    // A move under way towards where the button was due before would take it there after this one.
    Animator::stopAnimating(button, "pos");
    Animator::animateProperty(button, "pos", notificationButtonOrigin(centre), kButtonMoveMs,
                              Animator::Curve::EaseOut);
}

void PLChatWindowViewController::placeNotificationButton() {
    if (!m_notificationButton)
        return;
    m_initialCenter =
        QPointF(view()->width() * 0.5, m_collectionView->height() + m_notificationButton->height());
    if (m_notificationViewState == kNotificationViewShown) {
        // Shown, it follows the bar.
        m_notificationViewState = kNotificationViewInitial;
        setUnreadMessagesNotificationViewState(kNotificationViewShown);
        return;
    }
    // Out of sight, it waits at its new place at once: sliding there from where the view had it
    // before it took its size would cross the rows above the bar.
    Animator::stopAnimating(m_notificationButton, "pos");
    m_notificationButton->move(notificationButtonOrigin(m_initialCenter));
}

void PLChatWindowViewController::updateUnreadMessagesNotificationView() {
    if (m_rows.unreadMessages().isEmpty()) {
        setUnreadMessagesNotificationViewState(kNotificationViewHidden);
        return;
    }
    // The lowest row the user has seen: the last visible one whose top is above the input bar.
    const auto paths = m_collectionView->indexPathsForVisibleItems();
    const double threshold = bottomVisibleCellThresholdTopValue();
    int lowestSeen = -1;
    for (auto it = paths.rbegin(); it != paths.rend(); ++it) {
        if (rowTop(it->item()) < threshold) {
            lowestSeen = it->item();
            break;
        }
    }
    const auto& updates = m_rows.newUpdateMessages();
    if (lowestSeen >= 0 && !updates.empty() && lowestSeen < *updates.begin())
        setUnreadMessagesNotificationViewState(kNotificationViewShown);
}

void PLChatWindowViewController::handleUnreadMessagesNotification(int index) {
    if (index < 0)
        index = m_rows.count() - 1;
    if (m_rows.isValidIndex(index)) {
        const PLChatWindowCellContent row = m_rows.at(index);
        auto& unread = m_rows.unreadMessages();
        if (!unread.contains(row))
            unread.append(row);
    }
    updateUnreadMessagesNotificationView();
}

void PLChatWindowViewController::scrollToNewUpdate() {
    auto& updates = m_rows.newUpdateMessages();
    if (updates.empty())
        return;
    scrollToMessageAtIndex(*updates.begin(), true);
    updates.clear();
    setUnreadMessagesNotificationViewState(kNotificationViewHidden);
}

} // namespace pelnix
