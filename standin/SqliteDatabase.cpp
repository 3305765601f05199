#include "SqliteDatabase.h"

#include <sqlite3.h>

#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pelnix::standin {

SqliteDatabase::Statement::Statement(sqlite3* db, const char* sql) : m_db(db) {
    if (db && sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "standin: cannot prepare statement: %s\n", sqlite3_errmsg(db));
        m_stmt = nullptr;
    }
}

SqliteDatabase::Statement::~Statement() {
    if (m_stmt)
        sqlite3_finalize(m_stmt);
}

SqliteDatabase::Statement& SqliteDatabase::Statement::bind(int index, const Value& value) {
    if (!m_stmt)
        return *this;
    if (const auto* i = std::get_if<qint64>(&value)) {
        sqlite3_bind_int64(m_stmt, index, *i);
    } else if (const auto* s = std::get_if<QString>(&value)) {
        const QByteArray utf8 = s->toUtf8();
        sqlite3_bind_text(m_stmt, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    } else if (const auto* b = std::get_if<QByteArray>(&value)) {
        sqlite3_bind_blob(m_stmt, index, b->constData(), int(b->size()), SQLITE_TRANSIENT);
    } else {
        sqlite3_bind_null(m_stmt, index);
    }
    return *this;
}

bool SqliteDatabase::Statement::next() {
    return m_stmt && sqlite3_step(m_stmt) == SQLITE_ROW;
}

bool SqliteDatabase::Statement::run() {
    if (!m_stmt)
        return false;
    int rc;
    while ((rc = sqlite3_step(m_stmt)) == SQLITE_ROW) {
    }
    return rc == SQLITE_DONE;
}

qint64 SqliteDatabase::Statement::integer(int column) const {
    return m_stmt ? sqlite3_column_int64(m_stmt, column) : 0;
}

QString SqliteDatabase::Statement::text(int column) const {
    if (!m_stmt)
        return {};
    const auto* data = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, column));
    return data ? QString::fromUtf8(data, sqlite3_column_bytes(m_stmt, column)) : QString();
}

QByteArray SqliteDatabase::Statement::blob(int column) const {
    if (!m_stmt)
        return {};
    const auto* data = static_cast<const char*>(sqlite3_column_blob(m_stmt, column));
    return data ? QByteArray(data, sqlite3_column_bytes(m_stmt, column)) : QByteArray("");
}

bool SqliteDatabase::Statement::isNull(int column) const {
    return !m_stmt || sqlite3_column_type(m_stmt, column) == SQLITE_NULL;
}

SqliteDatabase::~SqliteDatabase() {
    close();
}

bool SqliteDatabase::open(const std::string& path) {
    close();
    // Owner only: SQLite gives its journal files the database file's mode.
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    const bool privateFile = ::fchmod(fd, 0600) == 0;
    ::close(fd);
    for (const char* suffix : {"-wal", "-shm", "-journal"})
        ::chmod((path + suffix).c_str(), 0600); // from an earlier run, if any
    if (!privateFile)
        return false;
    if (sqlite3_open_v2(path.c_str(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
        SQLITE_OK) {
        close();
        return false;
    }
    sqlite3_busy_timeout(m_db, 5000);
    // WAL with NORMAL survives a killed process, which is what restart tests do.
    return exec("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; PRAGMA foreign_keys=ON;");
}

void SqliteDatabase::close() {
    if (m_db) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
}

bool SqliteDatabase::exec(const char* sql) {
    char* message = nullptr;
    const int rc = sqlite3_exec(m_db, sql, nullptr, nullptr, &message);
    if (rc != SQLITE_OK) {
        std::fprintf(stderr, "standin: sql failed: %s\n", message ? message : "?");
        sqlite3_free(message);
        return false;
    }
    return true;
}

bool SqliteDatabase::run(const char* sql, const std::vector<Value>& values) {
    Statement statement(m_db, sql);
    for (size_t i = 0; i < values.size(); ++i)
        statement.bind(int(i) + 1, values[i]);
    return statement.run();
}

qint64 SqliteDatabase::lastInsertId() const {
    return m_db ? sqlite3_last_insert_rowid(m_db) : 0;
}

int SqliteDatabase::changes() const {
    return m_db ? sqlite3_changes(m_db) : 0;
}

std::string SqliteDatabase::lastError() const {
    return m_db ? sqlite3_errmsg(m_db) : "not open";
}

} // namespace pelnix::standin
