#pragma once

#include <QByteArrayView>
#include <QVariant>
#include <sqlite3.h>
#include <vector>

namespace pelnix::platform {

class SqliteConnection;

// Rows of a statement copied out of SQLite a batch at a time, to be turned into objects afterwards.
// Stepping a statement and building objects are each a large body of code: done in two tight loops
// rather than one loop that alternates between them, each keeps its code in the processor's caches,
// which over a list of a thousand rows reads in about two thirds of the time.
class RowBatch {
public:
    // Copies rows of `stmt` until `maxRows` are held or the statement is done (then reset); false
    // on an error, which the connection holds (the statement is reset).
    bool fill(SqliteConnection& db, sqlite3_stmt* stmt, int maxRows);
    // The statement gave its last row.
    bool isDone() const { return m_done; }
    int rowCount() const { return m_rows; }

    // A held value: its SQLite type (SQLITE_INTEGER, ...) and content.
    int type(int row, int column) const { return cell(row, column).type; }
    qint64 integer(int row, int column) const { return cell(row, column).integer; }
    double real(int row, int column) const { return cell(row, column).real; }
    // Text (UTF-8) or blob; never null, empty ones included.
    QByteArrayView bytes(int row, int column) const {
        const Cell& c = cell(row, column);
        return c.size ? QByteArrayView(m_bytes.data() + c.offset, c.size) : QByteArrayView("", 0);
    }

private:
    struct Cell {
        int type = 0;
        union {
            qint64 integer;
            double real;
            qsizetype offset;
        };
        qsizetype size = 0;
    };
    const Cell& cell(int row, int column) const { return m_cells[size_t(row * m_columns + column)]; }

    std::vector<Cell> m_cells;
    std::vector<char> m_bytes;
    int m_columns = 0;
    int m_rows = 0;
    bool m_done = false;
};

// One row of a batch, read as a row of a statement is.
class BatchRow {
public:
    BatchRow(const RowBatch& batch, int row) : m_batch(batch), m_row(row) {}
    int type(int column) const { return m_batch.type(m_row, column); }
    qint64 integer(int column) const { return m_batch.integer(m_row, column); }
    double real(int column) const { return m_batch.real(m_row, column); }
    QByteArrayView bytes(int column) const { return m_batch.bytes(m_row, column); }

private:
    const RowBatch& m_batch;
    int m_row;
};

// A row of a statement as SQLite holds it between steps, read as a batch's row is.
class StatementRow {
public:
    explicit StatementRow(sqlite3_stmt* stmt) : m_stmt(stmt) {}
    int type(int column) const { return sqlite3_column_type(m_stmt, column); }
    qint64 integer(int column) const { return sqlite3_column_int64(m_stmt, column); }
    double real(int column) const { return sqlite3_column_double(m_stmt, column); }
    // Text (UTF-8) or blob; never null, empty ones included.
    QByteArrayView bytes(int column) const;

private:
    sqlite3_stmt* m_stmt;
};

// A column's value of a row (BatchRow or StatementRow) as SQLite typed it: an empty text is an empty
// string, not a null one; an empty blob is a null array.
template <class Row> QVariant storedValue(const Row& row, int column) {
    switch (row.type(column)) {
    case SQLITE_INTEGER:
        return QVariant(qlonglong(row.integer(column)));
    case SQLITE_FLOAT:
        return QVariant(row.real(column));
    case SQLITE_TEXT:
        return QVariant(QString::fromUtf8(row.bytes(column)));
    case SQLITE_BLOB: {
        const QByteArrayView blob = row.bytes(column);
        return QVariant(blob.isEmpty() ? QByteArray() : blob.toByteArray());
    }
    default:
        return {};
    }
}

} // namespace pelnix::platform
