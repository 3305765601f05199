#include "platform/store/SqliteConnection.h"

#include "platform/store/RowBatch.h"

#include <QStringEncoder>
#include <QVarLengthArray>
#include <sqlite3.h>
#include <utility>

namespace pelnix::platform {

SqliteConnection::~SqliteConnection() {
    close();
}

bool SqliteConnection::open(const QString& path, QString* problem) {
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_URI;
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &m_db, flags, nullptr);
    if (rc != SQLITE_OK) {
        m_lastCode = rc;
        m_lastError = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString::fromUtf8(sqlite3_errstr(rc));
        if (problem)
            *problem = m_lastError;
        sqlite3_close_v2(m_db);
        m_db = nullptr;
        return false;
    }
    sqlite3_extended_result_codes(m_db, 1);
    sqlite3_busy_timeout(m_db, 30000);
    // NORMAL survives any process crash in WAL mode; durable saves switch to FULL per transaction.
    // Reads go through a mapping of the file rather than a copy of each page: the rooms list's
    // scattered lookups of latest messages cost about a quarter less.
    if (!exec(QStringLiteral("PRAGMA journal_mode=WAL")) ||
        !exec(QStringLiteral("PRAGMA synchronous=NORMAL")) ||
        !exec(QStringLiteral("PRAGMA mmap_size=268435456"))) {
        if (problem)
            *problem = m_lastError;
        close();
        return false;
    }
    return true;
}

void SqliteConnection::close() {
    for (sqlite3_stmt* s : std::as_const(m_statements))
        sqlite3_finalize(s);
    m_statements.clear();
    if (!m_db)
        return;
    sqlite3_close_v2(m_db);
    m_db = nullptr;
    if (auto onClosed = std::exchange(m_onClosed, {}))
        onClosed();
}

void SqliteConnection::fail(const QString& what) {
    m_lastCode = m_db ? sqlite3_extended_errcode(m_db) : SQLITE_MISUSE;
    m_lastError = what + QStringLiteral(": ") +
                  (m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QStringLiteral("the store is closed"));
}

bool SqliteConnection::bindValue(sqlite3_stmt* stmt, int index, const QVariant& value) {
    if (value.isNull() || !value.isValid())
        return sqlite3_bind_null(stmt, index) == SQLITE_OK;
    switch (value.typeId()) {
    case QMetaType::QString: {
        // Encoded on the stack when short: SQLite copies the bytes anyway.
        const auto& text = *static_cast<const QString*>(value.constData());
        QStringEncoder encoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
        QVarLengthArray<char, 512> utf8(encoder.requiredSpace(text.size()));
        const char* end = encoder.appendToBuffer(utf8.data(), text);
        return sqlite3_bind_text(stmt, index, utf8.constData(), int(end - utf8.constData()),
                                 SQLITE_TRANSIENT) == SQLITE_OK;
    }
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        return sqlite3_bind_blob(stmt, index, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT) ==
               SQLITE_OK;
    }
    case QMetaType::Double:
    case QMetaType::Float:
        return sqlite3_bind_double(stmt, index, value.toDouble()) == SQLITE_OK;
    default:
        return sqlite3_bind_int64(stmt, index, value.toLongLong()) == SQLITE_OK;
    }
}

sqlite3_stmt* SqliteConnection::statement(const QString& sql) {
    if (!m_db) {
        fail(sql);
        return nullptr;
    }
    sqlite3_stmt*& stmt = m_statements[sql];
    if (!stmt) {
        const QByteArray utf8 = sql.toUtf8();
        if (sqlite3_prepare_v3(m_db, utf8.constData(), int(utf8.size()), SQLITE_PREPARE_PERSISTENT, &stmt,
                               nullptr) != SQLITE_OK) {
            m_statements.remove(sql);
            fail(sql);
            return nullptr;
        }
    } else {
        sqlite3_reset(stmt);
        sqlite3_clear_bindings(stmt);
    }
    return stmt;
}

sqlite3_stmt* SqliteConnection::prepare(const QString& sql, const QList<QVariant>& binds) {
    sqlite3_stmt* stmt = statement(sql);
    if (!stmt)
        return nullptr;
    for (int i = 0; i < binds.size(); ++i) {
        if (!bindValue(stmt, i + 1, binds[i])) {
            fail(sql);
            return nullptr;
        }
    }
    return stmt;
}

bool SqliteConnection::step(sqlite3_stmt* stmt, bool* hasRow) {
    const int rc = sqlite3_step(stmt);
    *hasRow = rc == SQLITE_ROW;
    if (rc == SQLITE_ROW || rc == SQLITE_DONE) {
        if (rc == SQLITE_DONE)
            sqlite3_reset(stmt);
        return true;
    }
    fail(QString::fromUtf8(sqlite3_sql(stmt)));
    sqlite3_reset(stmt);
    return false;
}

bool SqliteConnection::exec(const QString& sql, const QList<QVariant>& binds) {
    sqlite3_stmt* stmt = prepare(sql, binds);
    return stmt && run(stmt);
}

bool SqliteConnection::run(sqlite3_stmt* stmt) {
    bool row = true;
    while (row) {
        if (!step(stmt, &row))
            return false;
    }
    return true;
}

QVariant SqliteConnection::scalar(const QString& sql, const QList<QVariant>& binds) {
    sqlite3_stmt* stmt = prepare(sql, binds);
    bool row = false;
    if (!stmt || !step(stmt, &row) || !row)
        return {};
    const QVariant v = columnValue(stmt, 0);
    sqlite3_reset(stmt);
    return v;
}

QVariant SqliteConnection::columnValue(sqlite3_stmt* stmt, int column) {
    return storedValue(StatementRow(stmt), column);
}

} // namespace pelnix::platform
