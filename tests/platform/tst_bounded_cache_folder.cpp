#include "platform/BoundedCacheFolder.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace pelnix::platform;

namespace {

// A file of `bytes` below the folder, last used `minutesAgo`.
void writeFile(const QTemporaryDir& dir, const QString& name, qint64 bytes, int minutesAgo) {
    const QString path = dir.filePath(name);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(bytes, 'x'));
    file.flush(); // a write after the time is set would set it again
    QVERIFY(file.setFileTime(QDateTime::currentDateTimeUtc().addSecs(-60 * minutesAgo),
                             QFileDevice::FileModificationTime));
}

bool exists(const QTemporaryDir& dir, const QString& name) {
    return QFile::exists(dir.filePath(name));
}

} // namespace

class TestBoundedCacheFolder : public QObject {
    Q_OBJECT
private slots:
    void theLeastRecentlyUsedGoFirstDownToThreeQuarters() {
        QTemporaryDir dir;
        // What an earlier run left is counted, in subfolders too.
        writeFile(dir, "3/1/1.png", 300, 50);
        writeFile(dir, "3/1/2.png", 300, 40);
        writeFile(dir, "3/2/1.png", 300, 30);
        writeFile(dir, "4/1/1.png", 300, 20);
        BoundedCacheFolder folder(dir.path(), 1300);
        QCOMPARE(folder.bytes(), 1200);

        // The oldest file is read again: it is kept over the ones not used since.
        folder.used(dir.filePath("3/1/1.png"));
        writeFile(dir, "4/1/2.png", 300, 0);
        folder.added(300);
        // 1500 bytes are past the bound; 975 are its three quarters, so the two least recently used go.
        QCOMPARE(folder.bytes(), 900);
        QVERIFY(exists(dir, "3/1/1.png"));
        QVERIFY(!exists(dir, "3/1/2.png"));
        QVERIFY(!exists(dir, "3/2/1.png"));
        QVERIFY(exists(dir, "4/1/1.png"));
        QVERIFY(exists(dir, "4/1/2.png"));
    }

    void underTheBoundNothingGoes() {
        QTemporaryDir dir;
        BoundedCacheFolder folder(dir.path(), 1000);
        for (int i = 0; i < 10; ++i) {
            writeFile(dir, QStringLiteral("t%1").arg(i), 100, 10 - i);
            folder.added(100);
        }
        QCOMPARE(folder.bytes(), 1000);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 10);
        // A file removed by its user no longer counts: the next one fits.
        QVERIFY(QFile::remove(dir.filePath("t0")));
        folder.removed(100);
        writeFile(dir, "t10", 100, 0);
        folder.added(100);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 10);
    }

    void aCountThatMissedFilesIsMendedByTheFolder() {
        QTemporaryDir dir;
        BoundedCacheFolder folder(dir.path(), 1000);
        QCOMPARE(folder.bytes(), 0);
        // Written behind its back (another process of the same application, say).
        for (int i = 0; i < 12; ++i)
            writeFile(dir, QStringLiteral("t%1").arg(i, 2, 10, QLatin1Char('0')), 100, 20 - i);
        for (int i = 1; i <= 3; ++i) {
            writeFile(dir, QStringLiteral("new%1").arg(i), 100, 4 - i);
            folder.added(100);
        }
        QCOMPARE(folder.bytes(), 300); // by its own count: nothing to trim yet
        writeFile(dir, "newest", 710, 0);
        folder.added(710);
        // Past the bound by its own count too: the folder, 2,210 bytes, is read and trimmed to 750.
        QCOMPARE(folder.bytes(), 710);
        QVERIFY(exists(dir, "newest"));
        QVERIFY(!exists(dir, "t00"));
        QVERIFY(!exists(dir, "new3"));
    }
};

QTEST_GUILESS_MAIN(TestBoundedCacheFolder)
#include "tst_bounded_cache_folder.moc"
