#pragma once

#include "ui/conversation/PLChatWindowRowList.h"

#include <QHash>
#include <QList>
#include <set>

namespace pelnix {

namespace platform::ui {
class CollectionView;
}

// One batch of changes to the chat window's rows, handed to its list as one batch update.
//
// The rows change at once, call by call; the edit remembers where each row stood before the batch, so
// that the list is told deleted and reloaded rows by their old indexes and inserted and moved rows by
// their new ones. When the batch is applied, the three stored index sets are worked out again from the
// rows they named before it: an index names the same row afterwards, wherever that row moved, and an
// index whose row went is dropped. (Shifting the sets by the number of rows removed misses a row that
// moved to the end, and leaves indexes pointing at its neighbours.)
class PLChatWindowRowListEdit {
public:
    enum class Replacement {
        Reload,        // the cell shows the new row
        KeepCell,      // the cell already shows what the new row stands for
        TakeOverState, // as Reload, and the new row takes the old one's place in the index sets
    };

    explicit PLChatWindowRowListEdit(PLChatWindowRowList& rows);

    int count() const { return m_rows.count(); }
    const PLChatWindowCellContent& at(int index) const { return m_rows.rows().at(index); }
    void remove(int index);
    void insert(int index, const PLChatWindowCellContent& row);
    void append(const PLChatWindowCellContent& row) { insert(count(), row); }
    // Appends `row` with a date row before it when its day needs one.
    void appendWithDateRowIfDue(const PLChatWindowCellContent& row);
    void replace(int index, const PLChatWindowCellContent& row, Replacement replacement);
    void moveToEnd(int index);
    bool isEmpty() const;

    // Tells `view` what changed as one batch (part of the caller's batch update when one is open),
    // then works the index sets out again.
    void apply(platform::ui::CollectionView* view);
    // The index sets alone (for changes the list learns of otherwise, such as a reload).
    void restoreIndexSets();

private:
    PLChatWindowRowList& m_rows;
    // Where each current row stood before the batch; -1 for a row the batch inserted.
    QList<int> m_origin;
    std::set<int> m_deleted;
    std::set<int> m_reloaded;
    std::set<int> m_moved;
    // The rows each set named before the batch. Held, so that no address of a removed row can come back
    // as the address of a new one before the sets are worked out again.
    QList<PLChatWindowCellContent> m_currentCellsToHide;
    QList<PLChatWindowCellContent> m_allCellsToHide;
    QList<PLChatWindowCellContent> m_newUpdateMessages;
    QList<PLChatWindowCellContent> m_removed;
    QHash<const void*, PLChatWindowCellContent> m_successors;
    bool m_applied = false;
};

} // namespace pelnix
