// Older pages: the load-more header, the page before the oldest loaded message, the date row at the
// seam, and the position of what the user is looking at.

#include "ui/conversation/PLChatWindowViewController.h"

#include "core/model/RoomModelServices.h"
#include "platform/ui/Animator.h"
#include "ui/conversation/PLChatWindowCollectionView.h"
#include "ui/conversation/PLLoadMoreMessagesView.h"

#include <optional>

namespace pelnix {

using platform::ui::CollectionView;
using platform::ui::IndexPath;

namespace {
// A header of no height: the list's header goes while no older message exists.
constexpr qreal kNoHeaderHeight = 0.0001;
} // namespace

QSizeF PLChatWindowViewController::referenceSizeForHeaderInSection(CollectionView* view, int) {
    return {qreal(view->viewport()->width()),
            m_hasMoreMessagesToLoad ? PLLoadMoreMessagesView::viewHeight() : kNoHeaderHeight};
}

void PLChatWindowViewController::loadMoreMessagesButtonClicked() {
    if (!m_chatRoom)
        return;
    m_chatRoom->messagesBeforeTime(m_loadMoreTime, [this](const QList<Message::Ptr>& page, bool olderExist,
                                                          qint64 oldestDate) {
        if (page.isEmpty())
            return;
        m_loadMoreTime = oldestDate;
        m_hasMoreMessagesToLoad = olderExist;
        m_rows.resetUnreadMessages();

        PLChatWindowRowList::Rows block;
        block.reserve(page.size());
        for (const auto& message : page)
            block << PLChatWindowCellContent(message);
        PLChatWindowRowList::insertDateMessages(block);
        int inserted = int(block.size());

        // Where the first row on screen stands before anything moves: it stays there.
        std::optional<std::pair<int, qreal>> anchor;
        const auto visible = m_collectionView->indexPathsForVisibleItems();
        auto& rows = m_rows.rows();
        // The seam: a page whose newest message falls on the day of the oldest loaded message joins
        // that day, and the list's leading date row goes. Only a date row is ever taken away.
        bool seamRemoved = false;
        const int firstMessage =
            m_rows.nonStaleMessageIndexInRange(PLChatWindowRowList::Direction::Forward, 0);
        if (firstMessage != PLChatWindowRowList::kNotFound && !rows.isEmpty() && rows.first().dateMessage() &&
            !PLChatWindowRowList::isOlderByOneOrMoreDays(block.last().day(), rows.at(firstMessage).day()))
            seamRemoved = true;
        for (const IndexPath& path : visible) {
            if (seamRemoved && path.item() == 0)
                continue;
            anchor = std::make_pair(path.item(), m_collectionView->rectForRow(path).top() -
                                                     m_collectionView->contentOffset().y());
            break;
        }
        if (seamRemoved) {
            rows.removeFirst();
            --inserted;
        }
        rows = block + rows;
        m_rows.shiftIndexesOfAllIndexSetsStartingAtIndex(0, inserted);

        platform::ui::Animator::crossDissolve(m_collectionView, kPageDissolveMs,
                                              [this] { m_collectionView->reloadData(); });
        if (anchor) {
            // Every old row moved down by the rows put in front of it.
            const int index = anchor->first + inserted;
            const QRectF row = m_collectionView->rectForRow(IndexPath::forItem(index));
            const qreal y = qBound(m_collectionView->minimumContentOffset().y(), row.top() - anchor->second,
                                   m_collectionView->maximumContentOffset().y());
            m_collectionView->setContentOffset(QPointF(m_collectionView->contentOffset().x(), y));
        } else {
            m_collectionView->scrollToItemAtIndexPath(IndexPath::forItem(int(block.size())),
                                                      CollectionView::ScrollPosition::Top, false);
        }
        markVisibleMessagesAsReadAfterDelay(kReadDelayMs);
    });
}

void PLChatWindowViewController::loadNewerMessages() {
    if (!m_chatRoom || !m_hasNewerMessagesToLoad)
        return;
    const quint64 pageSize = RoomModelServices::shared().numberOfMessagesLoadedOnce();
    bool newerExist = false;
    const auto page = m_chatRoom->messagesFromTime(
        m_loadNewerTime, false, int(qBound<quint64>(1, pageSize, kUnreadWindowRows)), &newerExist);
    m_hasNewerMessagesToLoad = newerExist;
    if (page.isEmpty())
        return;
    m_loadNewerTime = page.last()->date();
    // Appended below what is on screen: nothing in view moves.
    m_collectionView->performBatchUpdates([this, &page] {
        for (const auto& message : page) {
            const PLChatWindowCellContent row(message);
            handleMessageInsertAtTheEnd(row);
            m_rows.noteAppendedRow(row);
        }
    });
}

void PLChatWindowViewController::showNewestMessages() {
    if (!m_chatRoom)
        return;
    // Paging through what lies between would cost what the room holds: those rows go, and the
    // messages among them that were never on screen stay unread.
    m_hasNewerMessagesToLoad = false;
    m_chatRoom->newestMessages([this](const QList<Message::Ptr>& page, bool olderExist, qint64 oldestDate) {
        m_rows.setMessages(page);
        m_hasMoreMessagesToLoad = olderExist;
        m_loadMoreTime = oldestDate;
    });
    m_rows.newUpdateMessages().clear();
    PLChatWindowRowList::insertDateMessages(m_rows.rows());
    m_rows.insertUnreadMessagesSeparatorIfRequired();
    resetUnreadStateAndReload();
    m_collectionView->scrollToBottomAnimated(false);
    markVisibleMessagesAsReadAfterDelay(kReadDelayMs);
    showOrHideScrollToTopButtons();
}

void PLChatWindowViewController::loadNewerMessagesIfNearTheEnd() {
    if (!m_hasNewerMessagesToLoad || !m_collectionView)
        return;
    // Rows for at least two more screens below the one in view, so reading down never waits.
    const qreal below = m_collectionView->contentSize().height() -
                        (m_collectionView->contentOffset().y() + m_collectionView->height());
    if (below < 2 * m_collectionView->height())
        loadNewerMessages();
}

} // namespace pelnix
