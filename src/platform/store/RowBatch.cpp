#include "platform/store/RowBatch.h"

#include "platform/store/SqliteConnection.h"

namespace pelnix::platform {

bool RowBatch::fill(SqliteConnection& db, sqlite3_stmt* stmt, int maxRows) {
    m_cells.clear();
    m_bytes.clear();
    m_rows = 0;
    m_columns = sqlite3_column_count(stmt);
    m_cells.reserve(size_t(maxRows * m_columns));
    while (m_rows < maxRows) {
        bool row = false;
        if (!db.step(stmt, &row))
            return false;
        if (!row) {
            m_done = true;
            return true;
        }
        for (int c = 0; c < m_columns; ++c) {
            // One handle on the column serves the type and the value: each column call checks the
            // statement again.
            sqlite3_value* value = sqlite3_column_value(stmt, c);
            Cell cell;
            cell.type = sqlite3_value_type(value);
            switch (cell.type) {
            case SQLITE_INTEGER:
                cell.integer = sqlite3_value_int64(value);
                break;
            case SQLITE_FLOAT:
                cell.real = sqlite3_value_double(value);
                break;
            case SQLITE_TEXT:
            case SQLITE_BLOB: {
                // The pointer first, then the size, as SQLite asks.
                const auto* data = static_cast<const char*>(
                    cell.type == SQLITE_TEXT ? static_cast<const void*>(sqlite3_value_text(value))
                                             : sqlite3_value_blob(value));
                cell.size = sqlite3_value_bytes(value);
                cell.offset = qsizetype(m_bytes.size());
                if (cell.size > 0)
                    m_bytes.insert(m_bytes.end(), data, data + cell.size);
                break;
            }
            default:
                cell.integer = 0;
                break;
            }
            m_cells.push_back(cell);
        }
        ++m_rows;
    }
    return true;
}

QByteArrayView StatementRow::bytes(int column) const {
    const void* data = type(column) == SQLITE_TEXT
                           ? static_cast<const void*>(sqlite3_column_text(m_stmt, column))
                           : sqlite3_column_blob(m_stmt, column);
    const int size = sqlite3_column_bytes(m_stmt, column);
    return size ? QByteArrayView(static_cast<const char*>(data), size) : QByteArrayView("", 0);
}

} // namespace pelnix::platform
