// Where an updated message goes. The row of a message another user changed moves to the end of the
// list; while the old row is in view it keeps showing the old rendering, marked as updated, and
// collapses once it is off screen; above the screen it gives way to a placeholder of its height that
// collapses at once, so that nothing in view moves.

#include "ui/conversation/PLChatWindowViewController.h"

#include "foundation/JsonHelpers.h"
#include "smart/PLSmartMessageInfo.h"
#include "ui/conversation/ConversationLog.h"
#include "ui/conversation/PLChatWindowCollectionView.h"
#include "ui/conversation/PLChatWindowRowListEdit.h"
#include "ui/conversation/PLSmartMessageCell.h"

#include <QPointer>
#include <optional>

namespace pelnix {

using platform::ui::IndexPath;
using Replacement = PLChatWindowRowListEdit::Replacement;

namespace {

// Where a row in view stands on screen, to put it back there after rows above it changed.
struct ScreenAnchor {
    PLChatWindowCellContent row;
    qreal offsetFromTop = 0;
};

std::optional<ScreenAnchor> firstRowInView(PLChatWindowCollectionView* list,
                                           const PLChatWindowRowList& rows) {
    const auto visible = list->indexPathsForVisibleItems();
    if (visible.isEmpty() || !rows.isValidIndex(visible.first().item()))
        return std::nullopt;
    const IndexPath path = visible.first();
    return ScreenAnchor{rows.at(path.item()), list->rectForRow(path).top() - list->contentOffset().y()};
}

void restore(PLChatWindowCollectionView* list, const PLChatWindowRowList& rows,
             const std::optional<ScreenAnchor>& anchor) {
    if (!anchor)
        return;
    const int index = rows.indexOf(anchor->row);
    if (index == PLChatWindowRowList::kNotFound)
        return;
    const qreal y = list->rectForRow(IndexPath::forItem(index)).top() - anchor->offsetFromTop;
    const QPointF offset = list->contentOffset();
    if (!qFuzzyCompare(y + 1, offset.y() + 1))
        list->setContentOffset(QPointF(offset.x(), y));
}

bool isStaleCopyOf(const PLChatWindowCellContent& row, const Message& message) {
    const auto snapshot = row.smartMessageInfo();
    const auto original = snapshot ? snapshot->smartMessage() : nullptr;
    return original && original->messageId() == message.messageId();
}

} // namespace

void PLChatWindowViewController::handleMessageUpdate(const QString& messageId) {
    refreshViewIfRequired();
    const auto message = Message::messageWithID(messageId);
    if (!message)
        return;
    const auto room = message->room();
    if (!m_chatRoom || !room || room->roomId() != m_chatRoom->roomId())
        return;
    const int index = m_rows.indexOfMessage(message.get());
    // Someone else's change while the user's own post of the message is still on its way: the row
    // only shows it.
    if (!message->lastUpdatedUserIsMe() && message->hasAtLeatOnePendingMessage()) {
        if (index != PLChatWindowRowList::kNotFound)
            m_collectionView->reloadItems({IndexPath::forItem(index)});
        return;
    }
    message->refreshObject();
    const auto visible = m_collectionView->indexPathsForVisibleItems();
    handleMessageUpdateOfKind(message, index, updateKindForMessage(message, index, visible));
}

PLChatWindowViewController::UpdateKind
PLChatWindowViewController::updateKindForMessage(const Message::Ptr& message, int index,
                                                 const QList<IndexPath>& visible) const {
    if (index == PLChatWindowRowList::kNotFound || !message)
        return UpdateUnknownMessage;
    if (message->lastUpdatedUserIsMe())
        return UpdateMine;
    if (!visible.isEmpty() && index < visible.first().item())
        return UpdateAboveScreen;
    const bool inView = std::any_of(visible.cbegin(), visible.cend(),
                                    [index](const IndexPath& path) { return path.item() == index; });
    if (!inView)
        return UpdateBelowScreen;
    const double height = m_collectionView->height();
    if (m_collectionView->contentOffset().y() > m_collectionView->contentSize().height() - 1.5 * height)
        return UpdateVisibleNearEnd;
    return UpdateVisibleAwayFromEnd;
}

void PLChatWindowViewController::applyRowEdit(PLChatWindowRowListEdit& edit,
                                              std::function<void()> completion) {
    QPointer<PLChatWindowViewController> self(this);
    m_collectionView->performBatchUpdates([this, &edit] { edit.apply(m_collectionView); },
                                          [self, completion = std::move(completion)](bool) {
                                              if (self && completion)
                                                  completion();
                                          });
}

void PLChatWindowViewController::refreshTheEnd() {
    const int last = m_rows.count() - 1;
    if (last < 0)
        return;
    PLChatWindowRowListEdit edit(m_rows);
    edit.replace(last, m_rows.at(last), Replacement::Reload);
    if (last >= 1 && m_rows.at(last - 1).dateMessage())
        edit.replace(last - 1, PLChatWindowRowList::dateRowForDay(m_rows.at(last).date()),
                     Replacement::TakeOverState);
    applyRowEdit(edit);
}

void PLChatWindowViewController::handleMessageUpdateOfKind(const Message::Ptr& message, int index,
                                                           UpdateKind kind) {
    qCDebug(lcConversation) << "message" << message->messageId() << "updated, kind" << int(kind);
    const PLChatWindowCellContent row(message);
    const bool wasLast = index == m_rows.count() - 1;
    QPointer<PLChatWindowViewController> self(this);
    const auto refreshEnd = [self] {
        if (self)
            self->refreshTheEnd();
    };
    // The message leaves its place for the end; a date row comes with it when its day needs one.
    const auto moveToEnd = [this, &row](PLChatWindowRowListEdit& edit) {
        const int current = m_rows.indexOf(row);
        if (current == edit.count() - 1)
            return false;
        edit.moveToEnd(current);
        const int last = edit.count() - 1;
        if (m_rows.shouldInsertDateCellBeforeMessage(row, last))
            edit.insert(last, PLChatWindowRowList::dateRowForDay(row.date()));
        return true;
    };

    switch (kind) {
    case UpdateUnknownMessage:
        handleMessageAdd(message->messageId());
        return;

    case UpdateMine: {
        if (message->state() != 1) {
            message->setState(1);
            message->save();
        }
        m_rows.unreadMessages().removeAll(row);
        updateUnreadMessagesNotificationView();
        // Copies of the message's older renderings in view go, with the date row the move empties.
        std::set<int> gone;
        for (const IndexPath& path : m_collectionView->indexPathsForVisibleItems())
            if (m_rows.isValidIndex(path.item()) && isStaleCopyOf(m_rows.at(path.item()), *message))
                gone.insert(path.item());
        if (const int date = m_rows.indexOfDateMessageAboveMessageAtIndex(index);
            date != PLChatWindowRowList::kNotFound)
            gone.insert(date);
        PLChatWindowRowListEdit edit(m_rows);
        for (auto it = gone.rbegin(); it != gone.rend(); ++it)
            edit.remove(*it);
        if (!moveToEnd(edit)) {
            // Already last: the separator goes, and the message gets the date row its day needs.
            if (const int separator = m_rows.unreadMessageSeperatorIndexIfPresent();
                separator != PLChatWindowRowList::kNotFound)
                edit.remove(separator);
            const int last = edit.count() - 1;
            if (last >= 1 && !edit.at(last - 1).dateMessage() &&
                m_rows.shouldInsertDateCellBeforeMessage(row, last))
                edit.insert(last, PLChatWindowRowList::dateRowForDay(row.date()));
        }
        applyRowEdit(edit, refreshEnd);
        return;
    }

    case UpdateAboveScreen: {
        // A placeholder of the height the row has now holds its place; it collapses at once, and the
        // offset shrinks with it, so nothing in view moves.
        const qreal height = sizeForItemAtIndexPath(m_collectionView, IndexPath::forItem(index)).height();
        const PLChatWindowCellContent placeholder(PLSmartMessageInfo::dummyInstanceWithDisplayHeight(height));
        const auto anchor = firstRowInView(m_collectionView, m_rows);
        PLChatWindowRowListEdit edit(m_rows);
        edit.replace(index, placeholder, Replacement::Reload);
        edit.appendWithDateRowIfDue(row);
        applyRowEdit(edit, [self, placeholder] {
            if (!self)
                return;
            auto& rows = self->m_rows;
            const int at = rows.indexOf(placeholder);
            if (at == PLChatWindowRowList::kNotFound)
                return;
            rows.currentCellsToHide().insert(at);
            if (const int date = rows.indexOfDateMessageAboveMessageAtIndex(at);
                date != PLChatWindowRowList::kNotFound)
                rows.currentCellsToHide().insert(date);
            self->hideCollectionViewCellsWithStaleMessages();
        });
        restore(m_collectionView, m_rows, anchor);
        break;
    }

    case UpdateVisibleAwayFromEnd: {
        auto* cell = qobject_cast<PLSmartMessageCell*>(
            m_collectionView->cellForItemAtIndexPath(IndexPath::forItem(index)));
        const auto snapshot =
            cell ? PLChatWindowCellContent(cell->currentDisplayedMessage()).smartMessageInfo() : nullptr;
        if (!snapshot) {
            // Nothing in view shows an older rendering to keep: the row moves as below the screen.
            handleMessageUpdateOfKind(message, index, UpdateBelowScreen);
            return;
        }
        // The cell keeps the old rendering, marked as updated; an expired form shows its final state.
        const auto json = JSONSerialization::convertStringToDictionary(message->text());
        if (json && json->value(QStringLiteral("expiry")).toBool()) {
            snapshot->setHtmlString(message->htmlText());
            cell->setAsUpdated(true, true, true);
        } else {
            cell->setAsUpdated(true, true);
        }
        const PLChatWindowCellContent stale(snapshot);
        PLChatWindowRowListEdit edit(m_rows);
        edit.replace(index, stale, Replacement::KeepCell);
        edit.appendWithDateRowIfDue(row);
        applyRowEdit(edit);
        // The old copy and a date row left without messages go once they are off screen.
        const int at = m_rows.indexOf(stale);
        if (at != PLChatWindowRowList::kNotFound) {
            m_rows.currentCellsToHide().insert(at);
            if (const int date = m_rows.indexOfDateMessageAboveMessageAtIndex(at);
                date != PLChatWindowRowList::kNotFound)
                m_rows.currentCellsToHide().insert(date);
        }
        break;
    }

    case UpdateVisibleNearEnd:
    case UpdateBelowScreen: {
        if (kind == UpdateVisibleNearEnd && index == m_rows.count() - 1) {
            if (message->state() != 1) {
                message->setState(1);
                message->save();
            }
            m_rows.unreadMessages().removeAll(row);
        }
        PLChatWindowRowListEdit edit(m_rows);
        if (const int date = m_rows.indexOfDateMessageAboveMessageAtIndex(index);
            date != PLChatWindowRowList::kNotFound)
            edit.remove(date);
        moveToEnd(edit);
        applyRowEdit(edit, refreshEnd);
        break;
    }
    }

    if (kind != UpdateVisibleNearEnd || !wasLast)
        noticeNewUpdate(message, true);
}

} // namespace pelnix
