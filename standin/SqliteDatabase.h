#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace pelnix::standin {

// A thin owner of one SQLite connection. Every value goes in through a bound parameter; callers never
// splice text into SQL. Not thread-safe by itself: the store serialises access.
class SqliteDatabase {
public:
    using Value = std::variant<std::monostate, qint64, QString, QByteArray>;

    class Statement {
    public:
        Statement(sqlite3* db, const char* sql);
        ~Statement();
        Statement(const Statement&) = delete;
        Statement& operator=(const Statement&) = delete;

        Statement& bind(int index, const Value& value);
        // Steps once; true while a row is available.
        bool next();
        // Runs to completion; false on a constraint violation or any other error.
        bool run();

        qint64 integer(int column) const;
        QString text(int column) const;
        QByteArray blob(int column) const;
        bool isNull(int column) const;

    private:
        sqlite3* m_db = nullptr;
        sqlite3_stmt* m_stmt = nullptr;
    };

    SqliteDatabase() = default;
    ~SqliteDatabase();
    SqliteDatabase(const SqliteDatabase&) = delete;
    SqliteDatabase& operator=(const SqliteDatabase&) = delete;

    bool open(const std::string& path);
    void close();
    bool isOpen() const { return m_db != nullptr; }

    // Runs statements without parameters (schema, pragmas, transactions).
    bool exec(const char* sql);
    Statement prepare(const char* sql) { return Statement(m_db, sql); }
    // One-shot statement with bound values.
    bool run(const char* sql, const std::vector<Value>& values);
    qint64 lastInsertId() const;
    int changes() const;
    std::string lastError() const;

private:
    sqlite3* m_db = nullptr;
};

} // namespace pelnix::standin
