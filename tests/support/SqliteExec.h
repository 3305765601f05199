#pragma once

#include <QString>
#include <QTest>
#include <sqlite3.h>

namespace pelnix::test {

// Runs statements on a store file through a connection of its own, as another process would.
inline void sqliteExec(const QString& path, const QString& sql) {
    sqlite3* db = nullptr;
    QCOMPARE(sqlite3_open(path.toUtf8().constData(), &db), SQLITE_OK);
    sqlite3_busy_timeout(db, 5000);
    char* message = nullptr;
    const int rc = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &message);
    const QString problem = QString::fromUtf8(message ? message : "");
    sqlite3_free(message);
    sqlite3_close(db);
    QVERIFY2(rc == SQLITE_OK, qPrintable(problem));
}

} // namespace pelnix::test
