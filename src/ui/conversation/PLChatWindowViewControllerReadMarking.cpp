// Read marking and the scrolling it hangs on: the visibility threshold, the passes and their delays,
// the scroll callbacks, scrolling to a message, and the scroll-to-top/bottom control.

#include "ui/conversation/PLChatWindowViewController.h"

#include "foundation/ui/ScrollViewAdditions.h"
#include "platform/ui/Scheduler.h"
#include "ui/conversation/PLChatMessageCell.h"
#include "ui/conversation/PLChatWindowCollectionView.h"
#include "ui/conversation/PLChatWindowScrollToBottomOrTopView.h"
#include "ui/conversation/PLMarkMessageAsReadHelper.h"
#include "ui/conversation/PLMessageCellLayout.h"
#include "ui/conversation/PLPostToChatView.h"

#include <QPointer>

namespace pelnix {

using platform::ui::CollectionView;
using platform::ui::CollectionViewCell;
using platform::ui::IndexPath;
using platform::ui::Scheduler;

qreal PLChatWindowViewController::rowTop(int index) const {
    return m_collectionView->rectForRow(IndexPath::forItem(index)).top();
}

bool PLChatWindowViewController::isAtBottom() const {
    return ScrollViewAdditions::isAtBottom(ScrollViewAdditions::metrics(m_collectionView));
}

double PLChatWindowViewController::bottomVisibleCellThresholdTopValue() const {
    // The lower edge, in content coordinates, of the part of the list the input bar leaves.
    return m_collectionView->contentOffset().y() + m_collectionView->height() -
           m_collectionView->contentInset().bottom();
}

void PLChatWindowViewController::markVisibleMessagesAsReadAfterDelay(qint64 delayMs) {
    if (m_rows.unreadMessages().isEmpty() && !m_needToReloadVisibleCellReadState)
        return;
    const double threshold = bottomVisibleCellThresholdTopValue();
    QList<CollectionViewCell*> cells;
    for (const IndexPath& path : m_collectionView->indexPathsForVisibleItems()) {
        const int index = path.item();
        auto* cell = m_collectionView->cellForItemAtIndexPath(path);
        if (!cell || !m_rows.isValidIndex(index) || !(rowTop(index) < threshold))
            continue;
        const PLChatWindowCellContent row = m_rows.at(index);
        if (!row.isStale() && row.state() == 0) {
            m_rows.newUpdateMessages().erase(index);
            cells << cell;
        } else if (m_needToReloadVisibleCellReadState) {
            if (auto* messageCell = qobject_cast<PLChatMessageCell*>(cell))
                messageCell->markRead(2);
        }
    }
    if (!cells.isEmpty() && m_markMessageAsReadHelper)
        m_markMessageAsReadHelper->markAsReadCells(cells, delayMs);
    m_needToReloadVisibleCellReadState = false;
}

void PLChatWindowViewController::handleMessageMarkedAsReadNotification(const QString& messageId) {
    // The marked row is almost always in view, and among the first unread ones: both searches stop
    // early, so reading down a long room costs the same per row wherever it is.
    const auto matches = [&messageId](const PLChatWindowCellContent& row) {
        const auto message = row.message();
        return message && message->messageId() == messageId;
    };
    int index = PLChatWindowRowList::kNotFound;
    for (const IndexPath& path : m_collectionView->indexPathsForVisibleItems())
        if (m_rows.isValidIndex(path.item()) && matches(m_rows.at(path.item()))) {
            index = path.item();
            break;
        }
    for (int i = 0; index == PLChatWindowRowList::kNotFound && i < m_rows.count(); ++i)
        if (matches(m_rows.at(i)))
            index = i;
    if (index == PLChatWindowRowList::kNotFound)
        return;
    auto& unread = m_rows.unreadMessages();
    if (const qsizetype at = unread.indexOf(m_rows.at(index)); at >= 0)
        unread.removeAt(at);
    m_rows.newUpdateMessages().erase(index);
}

void PLChatWindowViewController::scrollToMessageAtIndex(int index, bool animated) {
    if (!m_rows.isValidIndex(index))
        return;
    if (index != m_rows.count() - 1)
        m_shouldScrollToBottomOnWebviewLoad = false;
    m_collectionView->scrollToItemAtIndexPath(IndexPath::forItem(index),
                                              CollectionView::ScrollPosition::Middle, animated);
    QPointer<PLChatWindowViewController> self(this);
    Scheduler::shared()->performAfter(this, kSettleDelayMs, [self] {
        if (!self)
            return;
        self->markVisibleMessagesAsReadAfterDelay(kReadDelayMs);
        self->m_shouldScrollToBottomOnWebviewLoad = true;
        self->hideCollectionViewCellsWithStaleMessages();
    });
}

void PLChatWindowViewController::scrollToUnreadMessage(bool animated) {
    const auto& unread = m_rows.unreadMessages();
    if (!unread.isEmpty())
        scrollToMessageAtIndex(m_rows.indexOf(unread.first()), animated);
}

void PLChatWindowViewController::scrollViewWillBeginDragging() {
    if (m_scrollToBottomOrTopView)
        m_scrollToBottomOrTopView->showScrollToBottomOrTopViewAnimated(true);
}

void PLChatWindowViewController::scrollViewDidScroll() {
    const double y = m_collectionView->contentOffset().y();
    QPointer<PLChatWindowViewController> self(this);
    // One perform per scroll step, each half a second after its step, all behind one scheduler entry.
    if (y - m_previousContentOffsetY > 0 && y > 0) {
        // Moving towards newer rows: the button goes.
        m_afterScroll.performAfter(kSettleDelayMs, [self] {
            if (self)
                self->setUnreadMessagesNotificationViewState(kNotificationViewHidden);
        });
    } else if (m_notificationViewState != kNotificationViewShown) {
        m_afterScroll.performAfter(kSettleDelayMs, [self] {
            if (self)
                self->updateUnreadMessagesNotificationView();
        });
    }
    m_previousContentOffsetY = y;
    showOrHideScrollToTopButtons();
    loadNewerMessagesIfNearTheEnd();
}

void PLChatWindowViewController::scrollViewDidEndDragging(bool) {
    markVisibleMessagesAsReadAfterDelay(kReadDelayMs);
    hideCollectionViewCellsWithStaleMessages();
}

void PLChatWindowViewController::scrollViewDidEndDecelerating() {
    if (m_chatRoom)
        m_chatRoom->save();
    markVisibleMessagesAsReadAfterDelay(kReadDelayMs);
    hideCollectionViewCellsWithStaleMessages();
    QPointer<PLChatWindowViewController> self(this);
    Scheduler::shared()->performAfter(this, kSettleDelayMs, [self] {
        if (self)
            self->updateUnreadMessagesNotificationView();
    });
}

void PLChatWindowViewController::addScrollToBottomOrTopView() {
    bool made = false;
    if (!m_scrollToBottomOrTopView) {
        m_scrollToBottomOrTopView = PLChatWindowScrollToBottomOrTopView::instance(view());
        m_scrollToBottomOrTopView->setInDelegate(this);
        adjustScrollToTpoOrBottonViewPosition();
        m_scrollToBottomOrTopView->show();
        m_postToChatView->raise();
        made = true;
    }
    // It first appears in its place on the rows' trailing edge, whichever side that is; later it
    // slides in from beyond that edge.
    m_scrollToBottomOrTopView->showScrollToBottomOrTopViewAnimated(!made);
    showOrHideScrollToTopButtons();
}

int PLChatWindowViewController::scrollControlReserve() {
    // The control lies on the rows' trailing edge (the left one when mirrored), beyond their margin.
    return PLChatWindowScrollToBottomOrTopView::kWidth - PLMessageCellLayout::kTrailingMargin;
}

void PLChatWindowViewController::adjustScrollToTpoOrBottonViewPosition() {
    if (!m_scrollToBottomOrTopView)
        return;
    // Between the two bars; the navigation bar stands above this view.
    const int top = 0;
    const int bottom = m_postToChatView->y();
    m_scrollToBottomOrTopView->setGeometry(m_scrollToBottomOrTopView->x(), top,
                                           m_scrollToBottomOrTopView->width(), qMax(0, bottom - top));
}

void PLChatWindowViewController::showOrHideScrollToTopButtons() {
    if (!m_scrollToBottomOrTopView)
        return;
    unsigned type = m_collectionView->scrollControlType();
    // The end of the rows held is not the end of the room: the bottom button stays.
    if (m_hasNewerMessagesToLoad && (type == 1 || type == 2))
        type = 3;
    m_scrollToBottomOrTopView->setControllType(type);
}

void PLChatWindowViewController::scrollToTopOrBottomView(PLChatWindowScrollToBottomOrTopView* view,
                                                         unsigned buttonType) {
    if (view != m_scrollToBottomOrTopView)
        return;
    if (buttonType == 1 && m_hasNewerMessagesToLoad)
        showNewestMessages();
    else
        m_collectionView->scrollForControlButton(buttonType);
}

} // namespace pelnix
