#include "ui/conversation/PLChatWindowRowListEdit.h"

#include "platform/MainThread.h"
#include "platform/ui/CollectionView.h"

namespace pelnix {

using platform::ui::IndexPath;

namespace {

QList<PLChatWindowCellContent> rowsOf(const PLChatWindowRowList& rows,
                                      const PLChatWindowRowList::IndexSet& set) {
    QList<PLChatWindowCellContent> named;
    for (int index : set)
        if (rows.isValidIndex(index))
            named << rows.at(index);
    return named;
}

} // namespace

PLChatWindowRowListEdit::PLChatWindowRowListEdit(PLChatWindowRowList& rows) : m_rows(rows) {
    Q_ASSERT(platform::isMainThread());
    m_origin.reserve(rows.count() + 2);
    for (int i = 0; i < rows.count(); ++i)
        m_origin << i;
    m_currentCellsToHide = rowsOf(rows, rows.currentCellsToHide());
    m_allCellsToHide = rowsOf(rows, rows.allCellsToHide());
    m_newUpdateMessages = rowsOf(rows, rows.newUpdateMessages());
}

void PLChatWindowRowListEdit::remove(int index) {
    if (!m_rows.isValidIndex(index))
        return;
    const int origin = m_origin.takeAt(index);
    if (origin >= 0) {
        m_deleted.insert(origin);
        m_reloaded.erase(origin);
        m_moved.erase(origin);
    }
    m_removed << m_rows.rows().takeAt(index);
}

void PLChatWindowRowListEdit::insert(int index, const PLChatWindowCellContent& row) {
    index = qBound(0, index, count());
    m_rows.rows().insert(index, row);
    m_origin.insert(index, -1);
}

void PLChatWindowRowListEdit::appendWithDateRowIfDue(const PLChatWindowCellContent& row) {
    append(row);
    if (m_rows.shouldInsertDateCellBeforeMessage(row, count() - 1))
        insert(count() - 1, PLChatWindowRowList::dateRowForDay(row.date()));
}

void PLChatWindowRowListEdit::replace(int index, const PLChatWindowCellContent& row,
                                      Replacement replacement) {
    if (!m_rows.isValidIndex(index))
        return;
    PLChatWindowCellContent& slot = m_rows.rows()[index];
    if (replacement == Replacement::TakeOverState)
        m_successors.insert(slot.identity(), row);
    m_removed << slot;
    slot = row;
    const int origin = m_origin.at(index);
    // A moved row's cell is laid out anew where it goes; only a row that stays is reloaded.
    if (origin >= 0 && replacement != Replacement::KeepCell && !m_moved.count(origin))
        m_reloaded.insert(origin);
}

void PLChatWindowRowListEdit::moveToEnd(int index) {
    if (!m_rows.isValidIndex(index) || index == count() - 1)
        return;
    auto& rows = m_rows.rows();
    rows.append(rows.takeAt(index));
    const int origin = m_origin.takeAt(index);
    m_origin.append(origin);
    if (origin >= 0) {
        m_moved.insert(origin);
        m_reloaded.erase(origin);
    }
}

bool PLChatWindowRowListEdit::isEmpty() const {
    if (!m_deleted.empty() || !m_reloaded.empty() || !m_moved.empty())
        return false;
    for (int origin : m_origin)
        if (origin < 0)
            return false;
    return true;
}

void PLChatWindowRowListEdit::apply(platform::ui::CollectionView* view) {
    if (view) {
        // One batch, whether or not the caller already opened one.
        view->beginUpdates();
        QList<IndexPath> deleted;
        for (int origin : m_deleted)
            deleted << IndexPath::forItem(origin);
        QList<IndexPath> reloaded;
        for (int origin : m_reloaded)
            reloaded << IndexPath::forItem(origin);
        QList<IndexPath> inserted;
        for (int i = 0; i < m_origin.size(); ++i) {
            const int origin = m_origin.at(i);
            if (origin < 0)
                inserted << IndexPath::forItem(i);
            else if (m_moved.count(origin))
                view->moveItem(IndexPath::forItem(origin), IndexPath::forItem(i));
        }
        if (!deleted.isEmpty())
            view->deleteItems(deleted);
        if (!reloaded.isEmpty())
            view->reloadItems(reloaded);
        if (!inserted.isEmpty())
            view->insertItems(inserted);
        view->endUpdates();
    }
    restoreIndexSets();
}

void PLChatWindowRowListEdit::restoreIndexSets() {
    if (m_applied)
        return;
    m_applied = true;
    QHash<const void*, int> indexOf;
    indexOf.reserve(m_rows.count());
    for (int i = m_rows.count() - 1; i >= 0; --i)
        indexOf.insert(m_rows.at(i).identity(), i);
    const auto rebuild = [&](const QList<PLChatWindowCellContent>& named,
                             PLChatWindowRowList::IndexSet& set) {
        set.clear();
        for (const PLChatWindowCellContent& row : named) {
            const PLChatWindowCellContent current = m_successors.value(row.identity(), row);
            if (const auto it = indexOf.constFind(current.identity()); it != indexOf.constEnd())
                set.insert(*it);
        }
    };
    rebuild(m_currentCellsToHide, m_rows.currentCellsToHide());
    rebuild(m_allCellsToHide, m_rows.allCellsToHide());
    rebuild(m_newUpdateMessages, m_rows.newUpdateMessages());
}

} // namespace pelnix
