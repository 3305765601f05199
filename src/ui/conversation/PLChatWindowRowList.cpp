#include "ui/conversation/PLChatWindowRowList.h"

#include "core/model/Message.h"
#include "ui/conversation/PLDateMessage.h"
#include "ui/conversation/PLUnreadCountMessage.h"

namespace pelnix {

void PLChatWindowRowList::setMessages(const QList<std::shared_ptr<Message>>& page) {
    m_rows.clear();
    m_rows.reserve(page.size());
    for (const auto& message : page)
        m_rows << PLChatWindowCellContent(message);
    m_unread.reset();
}

int PLChatWindowRowList::indexOf(const PLChatWindowCellContent& row) const {
    if (row.isNull())
        return kNotFound;
    for (int i = 0; i < count(); ++i)
        if (m_rows[i] == row)
            return i;
    return kNotFound;
}

int PLChatWindowRowList::indexOfMessage(const Message* message) const {
    if (!message)
        return kNotFound;
    for (int i = count() - 1; i >= 0; --i)
        if (m_rows[i].identity() == message)
            return i;
    return kNotFound;
}

PLChatWindowRowList::Rows& PLChatWindowRowList::unreadMessages() {
    if (!m_unread) {
        m_unread.emplace();
        for (const auto& row : m_rows)
            if (row.state() == 0)
                *m_unread << row;
    }
    return *m_unread;
}

PLChatWindowCellContent PLChatWindowRowList::dateRowForDay(qint64 milliseconds) {
    return PLChatWindowCellContent(
        std::make_shared<PLDateMessage>(QDateTime::fromSecsSinceEpoch(milliseconds / 1000)));
}

void PLChatWindowRowList::insertDateMessages(Rows& rows) {
    if (rows.isEmpty())
        return;
    // From the end, so that the lower indexes stay valid while inserting.
    for (int i = int(rows.size()) - 1; i >= 1; --i)
        if (isOlderByOneOrMoreDays(rows[i - 1].day(), rows[i].day()))
            rows.insert(i, dateRowForDay(rows[i].date()));
    rows.insert(0, dateRowForDay(rows[0].date()));
}

bool PLChatWindowRowList::shouldInsertDateCellBeforeMessage(const PLChatWindowCellContent& row,
                                                            int index) const {
    if (index == 0 || count() < 2)
        return true;
    const int previous = nonStaleMessageIndexInRange(Direction::Backward, index);
    if (previous == kNotFound)
        return true;
    return isOlderByOneOrMoreDays(m_rows[previous].day(), row.day());
}

int PLChatWindowRowList::nonStaleMessageIndexInRange(Direction direction, int start) const {
    if (start >= count() || start < 0)
        return kNotFound;
    const int step = direction == Direction::Forward ? 1 : -1;
    for (int i = start + step; i >= 0 && i < count(); i += step)
        if (!m_rows[i].isStale())
            return i;
    return kNotFound;
}

int PLChatWindowRowList::indexOfDateMessageAboveMessageAtIndex(int index) const {
    const int next = nonStaleMessageIndexInRange(Direction::Forward, index);
    const int previous = nonStaleMessageIndexInRange(Direction::Backward, index);
    if (next == kNotFound || previous == kNotFound)
        return kNotFound;
    if (m_rows[previous].dateMessage() && m_rows[next].dateMessage())
        return previous;
    return kNotFound;
}

int PLChatWindowRowList::insertUnreadMessagesSeparatorIfRequired(qint64 unreadCount) {
    const Rows& unread = unreadMessages();
    if (unread.isEmpty())
        return kNotFound;
    const int first = indexOf(unread.first());
    if (first == kNotFound)
        return kNotFound;
    m_rows.insert(first, PLChatWindowCellContent(std::make_shared<PLUnreadCountMessage>(
                             unreadCount < 0 ? qint64(unread.size()) : unreadCount)));
    return first;
}

int PLChatWindowRowList::unreadMessageSeperatorIndexIfPresent() const {
    for (int i = 0; i < count(); ++i)
        if (m_rows[i].unreadCountMessage())
            return i;
    return kNotFound;
}

void PLChatWindowRowList::shiftIndexes(IndexSet& set, int start, int delta) {
    if (set.empty() || delta == 0)
        return;
    IndexSet shifted;
    for (int index : set) {
        if (index < start) {
            // A removal above `start` takes the indexes of the removed rows with it.
            if (delta < 0 && index >= start + delta)
                continue;
            shifted.insert(index);
        } else {
            shifted.insert(index + delta);
        }
    }
    set = std::move(shifted);
}

void PLChatWindowRowList::shiftIndexesOfAllIndexSetsStartingAtIndex(int start, int delta) {
    shiftIndexes(m_currentCellsToHide, start, delta);
    shiftIndexes(m_allCellsToHide, start, delta);
    shiftIndexes(m_newUpdateMessages, start, delta);
}

bool PLChatWindowRowList::shouldHideMessageAtIndex(int index) const {
    return !m_allCellsToHide.empty() && m_allCellsToHide.count(index) != 0;
}

void PLChatWindowRowList::resetUnreadState() {
    m_unread.reset();
    m_currentCellsToHide.clear();
    m_allCellsToHide.clear();
}

} // namespace pelnix
