#pragma once

#include <QByteArray>
#include <QHash>
#include <QMutex>
#include <QString>
#include <QVariant>

#include <functional>

struct sqlite3;
struct sqlite3_stmt;

namespace pelnix::platform {

// One SQLite connection (WAL, busy timeout) with a cache of prepared statements. Its owner locks
// mutex() around every use; close() may come from another thread and takes the same lock.
class SqliteConnection {
public:
    SqliteConnection() = default;
    ~SqliteConnection();
    SqliteConnection(const SqliteConnection&) = delete;
    SqliteConnection& operator=(const SqliteConnection&) = delete;

    bool open(const QString& path, QString* problem);
    void close();
    // Called once, on the closing thread, after the handle is closed (by close() or the destructor).
    void setOnClosed(std::function<void()> onClosed) { m_onClosed = std::move(onClosed); }
    bool isOpen() const { return m_db != nullptr; }
    QRecursiveMutex& mutex() { return m_mutex; }
    sqlite3* handle() const { return m_db; }

    // The cached statement of `sql`, reset with nothing bound; null (with lastError() set) on failure.
    sqlite3_stmt* statement(const QString& sql);
    // statement() with `binds` bound.
    sqlite3_stmt* prepare(const QString& sql, const QList<QVariant>& binds = {});
    // Runs a statement to its end.
    bool exec(const QString& sql, const QList<QVariant>& binds = {});
    // Steps a bound statement to its end.
    bool run(sqlite3_stmt* stmt);
    // The first column of the first row, or null.
    QVariant scalar(const QString& sql, const QList<QVariant>& binds = {});
    bool step(sqlite3_stmt* stmt, bool* hasRow);
    static QVariant columnValue(sqlite3_stmt* stmt, int column);
    static bool bindValue(sqlite3_stmt* stmt, int index, const QVariant& value);

    QString lastError() const { return m_lastError; }
    int lastErrorCode() const { return m_lastCode; }
    // Records the connection's current error as the failure of `what`.
    void fail(const QString& what);

private:
    QRecursiveMutex m_mutex;
    sqlite3* m_db = nullptr;
    QHash<QString, sqlite3_stmt*> m_statements;
    QString m_lastError;
    int m_lastCode = 0;
    std::function<void()> m_onClosed;
};

} // namespace pelnix::platform
