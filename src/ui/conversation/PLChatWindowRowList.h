#pragma once

#include "ui/conversation/PLChatWindowCellContent.h"

#include <QList>
#include <optional>
#include <set>

namespace pelnix {

class Message;

// The rows of the chat window in ascending date order, with the bookkeeping that follows them: the
// unread rows, and three sets of row indexes (rows waiting to be collapsed once off screen, collapsed
// rows, rows that arrived or changed unseen). The row-level rules live here; the chat window applies
// them to its collection view.
//
// Invariants kept by the rules: a list built from a page starts with a date row and has a date row
// before the first message of every further calendar day; at most one new-updates separator stands,
// directly before the row that was the first unread one; the index sets always name current rows.
class PLChatWindowRowList {
public:
    using Rows = QList<PLChatWindowCellContent>;
    using IndexSet = std::set<int>;
    static constexpr int kNotFound = -1;
    enum class Direction { Backward = 0, Forward = 1 };

    Rows& rows() { return m_rows; }
    const Rows& rows() const { return m_rows; }
    int count() const { return int(m_rows.size()); }
    PLChatWindowCellContent at(int index) const { return m_rows.value(index); }
    bool isValidIndex(int index) const { return index >= 0 && index < count(); }
    // Replaces every row; the unread rows are worked out again.
    void setMessages(const QList<std::shared_ptr<Message>>& page);
    // The index of the row naming `row`'s object, or kNotFound.
    int indexOf(const PLChatWindowCellContent& row) const;
    int indexOfMessage(const Message* message) const;

    // Unread rows (state 0), worked out from the rows on first use after a reset.
    Rows& unreadMessages();
    void resetUnreadMessages() { m_unread.reset(); }
    // A row appended at the end joins the unread rows as they stand (when they were worked out).
    void noteAppendedRow(const PLChatWindowCellContent& row) {
        if (m_unread && !row.isStale() && row.state() == 0)
            m_unread->append(row);
    }

    IndexSet& currentCellsToHide() { return m_currentCellsToHide; }
    IndexSet& allCellsToHide() { return m_allCellsToHide; }
    IndexSet& newUpdateMessages() { return m_newUpdateMessages; }

    // Date rows into a page in date order: one before its first row, one before the first row of
    // every later calendar day.
    static void insertDateMessages(Rows& rows);
    static PLChatWindowCellContent dateRowForDay(qint64 milliseconds);
    // Whether a row appended at `index` needs a date row before it.
    bool shouldInsertDateCellBeforeMessage(const PLChatWindowCellContent& row, int index) const;
    // The next (Forward) or previous (Backward) row from `start`, not counting it, that is not stale.
    int nonStaleMessageIndexInRange(Direction direction, int start) const;
    // The date row left without messages when the row at `index` goes, or kNotFound.
    int indexOfDateMessageAboveMessageAtIndex(int index) const;
    // Puts the new-updates separator before the first unread row, counting `unreadCount` (-1: the
    // unread rows); its index, or kNotFound.
    int insertUnreadMessagesSeparatorIfRequired(qint64 unreadCount = -1);
    int unreadMessageSeperatorIndexIfPresent() const;
    // Moves every stored index at or after `start` by `delta`; with a negative delta the indexes in
    // [start + delta, start) go, as their rows do.
    void shiftIndexesOfAllIndexSetsStartingAtIndex(int start, int delta);
    bool shouldHideMessageAtIndex(int index) const;
    // Empties the collapse sets and the unread rows (new updates stay).
    void resetUnreadState();

    static void shiftIndexes(IndexSet& set, int start, int delta);
    static bool isOlderByOneOrMoreDays(const QDate& earlier, const QDate& later) { return earlier < later; }

private:
    Rows m_rows;
    std::optional<Rows> m_unread;
    IndexSet m_currentCellsToHide;
    IndexSet m_allCellsToHide;
    IndexSet m_newUpdateMessages;
};

} // namespace pelnix
