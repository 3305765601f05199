#include "platform/BoundedCacheFolder.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace pelnix::platform;

namespace {

// A file of `bytes` below the folder, last used `minutesAgo`; its path.
QString writeFile(const QTemporaryDir& dir, const QString& name, qint64 bytes, int minutesAgo) {
    const QString path = dir.filePath(name);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write(QByteArray(bytes, 'x'));
    file.flush(); // a write after the time is set would set it again
    file.setFileTime(QDateTime::currentDateTimeUtc().addSecs(-60 * minutesAgo),
                     QFileDevice::FileModificationTime);
    return path;
}

bool exists(const QTemporaryDir& dir, const QString& name) {
    return QFile::exists(dir.filePath(name));
}

// What the disk itself says a path takes, read here with stat() as du does.
qint64 blocksOf(const QString& path) {
    struct stat status {};
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 ? qint64(status.st_blocks) * 512 : 0;
}

// Everything below the folder, files and folders, as du counts it (without the folder itself, and
// without links: what they lead to is not the folder's).
qint64 diskUsageBelow(const QString& folder) {
    qint64 total = 0;
    QDirIterator it(folder, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::NoSymLinks,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        total += blocksOf(it.next());
    return total;
}

QStringList emptyFoldersBelow(const QString& folder) {
    QStringList empty;
    QDirIterator it(folder, QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (QDir(path).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden))
            empty << path;
    }
    return empty;
}

int filesBelow(const QString& folder) {
    int count = 0;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        ++count;
    }
    return count;
}

} // namespace

class TestBoundedCacheFolder : public QObject {
    Q_OBJECT
private slots:
    void init() {
        // A file system that keeps tiny files inside their directory entry spends nothing on them:
        // the bound is then not what these cases are about.
        QTemporaryDir probe;
        if (blocksOf(writeFile(probe, "probe", 69, 0)) <= 69)
            QSKIP("this file system spends no block on a tiny file");
    }

    void theLeastRecentlyUsedGoFirstDownToThreeQuarters() {
        QTemporaryDir dir;
        // What an earlier run left is counted, in subfolders too, folders included.
        writeFile(dir, "3/1/1.png", 300, 50);
        writeFile(dir, "3/1/2.png", 300, 40);
        writeFile(dir, "3/2/1.png", 300, 30);
        writeFile(dir, "4/1/1.png", 300, 20);
        const qint64 before = diskUsageBelow(dir.path());
        const qint64 file = blocksOf(dir.filePath("4/1/1.png"));
        // Room for what is there and less than one more file: the next one trims.
        BoundedCacheFolder folder(dir.path(), before + file / 2);
        QCOMPARE(folder.bytes(), before);

        // The oldest file is read again: it is kept over the ones not used since.
        folder.used(dir.filePath("3/1/1.png"));
        folder.added(writeFile(dir, "4/1/2.png", 300, 0));
        // Past the bound: the least recently used go until three quarters of it are left, and the
        // folder "3/2" they empty goes with them.
        QVERIFY(folder.bytes() <= folder.maximumBytes() / 4 * 3);
        QCOMPARE(folder.bytes(), diskUsageBelow(dir.path()));
        QVERIFY(exists(dir, "3/1/1.png"));
        QVERIFY(!exists(dir, "3/1/2.png"));
        QVERIFY(!exists(dir, "3/2/1.png"));
        QVERIFY(!exists(dir, "3/2"));
        QVERIFY(exists(dir, "4/1/1.png"));
        QVERIFY(exists(dir, "4/1/2.png"));
    }

    void manyTinyTilesAreTrimmedByWhatTheySpendOnDisk() {
        QTemporaryDir dir;
        // A map browsed sideways: 69-byte tiles, most in a column folder of their own, as a tile
        // server's z/x/y names lay them out.
        const qint64 tile = blocksOf(writeFile(dir, "probe", 69, 0));
        QVERIFY(QFile::remove(dir.filePath("probe")));
        BoundedCacheFolder folder(dir.path(), 100 * tile);
        for (int i = 0; i < 400; ++i) {
            const QString path = writeFile(dir, QStringLiteral("15/%1/%2.png").arg(i / 2).arg(i % 2), 69, 0);
            QVERIFY(!path.isEmpty());
            folder.added(path);
            QVERIFY2(diskUsageBelow(dir.path()) <= folder.maximumBytes(), qPrintable(QString::number(i)));
        }
        // The count is what the disk says, and the tiles kept are the newest.
        QCOMPARE(folder.bytes(), diskUsageBelow(dir.path()));
        QVERIFY(exists(dir, "15/199/1.png"));
        QVERIFY(!exists(dir, "15/0/0.png"));
        QVERIFY(filesBelow(dir.path()) < 100);
        QCOMPARE(emptyFoldersBelow(dir.path()), QStringList());
    }

    void noEmptyFolderRemainsAfterTrimming() {
        QTemporaryDir dir;
        // Folders an earlier version left empty after trimming, and tiles in folders of their own.
        for (int x = 0; x < 20; ++x)
            QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("14/%1").arg(x))));
        for (int x = 0; x < 10; ++x)
            writeFile(dir, QStringLiteral("16/%1/7.png").arg(x), 69, 60 - x);
        BoundedCacheFolder folder(dir.path(), diskUsageBelow(dir.path()));
        QCOMPARE(folder.bytes(), diskUsageBelow(dir.path()));
        folder.added(writeFile(dir, "16/99/7.png", 69, 0));
        QCOMPARE(emptyFoldersBelow(dir.path()), QStringList());
        QVERIFY(!exists(dir, "14"));
        QVERIFY(exists(dir, "16/99/7.png"));
        QCOMPARE(folder.bytes(), diskUsageBelow(dir.path()));

        // A stored file its user drops (a tile that no longer reads) takes its emptied folders along.
        const qint64 kept = folder.bytes();
        QVERIFY(folder.remove(dir.filePath("16/99/7.png")));
        QVERIFY(!exists(dir, "16/99"));
        QCOMPARE(folder.bytes(), diskUsageBelow(dir.path()));
        QVERIFY(folder.bytes() < kept);
        QVERIFY(!folder.remove(dir.filePath("16/99/7.png")));
    }

    void underTheBoundNothingGoes() {
        QTemporaryDir dir;
        const qint64 file = blocksOf(writeFile(dir, "probe", 100, 0));
        QVERIFY(QFile::remove(dir.filePath("probe")));
        BoundedCacheFolder folder(dir.path(), 10 * file);
        for (int i = 0; i < 10; ++i)
            folder.added(writeFile(dir, QStringLiteral("t%1").arg(i), 100, 10 - i));
        QCOMPARE(folder.bytes(), 10 * file);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 10);
        // A file removed by its user no longer counts: the next one fits.
        QVERIFY(folder.remove(dir.filePath("t0")));
        folder.added(writeFile(dir, "t10", 100, 0));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 10);
        // A larger file spends more blocks.
        QVERIFY(BoundedCacheFolder::spentOnDisk(writeFile(dir, "big", 3 * file, 0)) >= 3 * file);
    }

    void aCountThatMissedFilesIsMendedByTheFolder() {
        QTemporaryDir dir;
        const qint64 file = blocksOf(writeFile(dir, "probe", 100, 0));
        QVERIFY(QFile::remove(dir.filePath("probe")));
        BoundedCacheFolder folder(dir.path(), 8 * file);
        QCOMPARE(folder.bytes(), 0);
        // Written behind its back (another process of the same application, say).
        for (int i = 0; i < 12; ++i)
            writeFile(dir, QStringLiteral("t%1").arg(i, 2, 10, QLatin1Char('0')), 100, 20 - i);
        for (int i = 1; i <= 3; ++i)
            folder.added(writeFile(dir, QStringLiteral("new%1").arg(i), 100, 4 - i));
        QCOMPARE(folder.bytes(), 3 * file); // by its own count: nothing to trim yet
        folder.added(writeFile(dir, "newest", 5 * file + 1, 0));
        // Past the bound by its own count too: the folder is read and trimmed to three quarters.
        QVERIFY(folder.bytes() <= folder.maximumBytes() / 4 * 3);
        QCOMPARE(folder.bytes(), diskUsageBelow(dir.path()));
        QVERIFY(exists(dir, "newest"));
        QVERIFY(!exists(dir, "t00"));
    }

    // A link planted in the folder towards a folder outside holding a file named like a cached one,
    // 5/3/4.png by the folder's names.
    void linksAreNeverFollowedOutOfTheFolder_data() {
        QTest::addColumn<QString>("link");   // below the folder
        QTest::addColumn<QString>("target"); // below the outside folder
        QTest::newRow("a folder link at the first level") << "5"
                                                          << "";
        QTest::newRow("a folder link deeper down") << "5/3"
                                                   << "3";
        QTest::newRow("the file itself a link") << "5/3/4.png"
                                                << "3/4.png";
    }
    void linksAreNeverFollowedOutOfTheFolder() {
        QFETCH(QString, link);
        QFETCH(QString, target);
        const QString inside = QStringLiteral("5/3/4.png");
        QTemporaryDir dir;
        QTemporaryDir outside;
        const qint64 file = blocksOf(writeFile(dir, "probe", 100, 0));
        QVERIFY(QFile::remove(dir.filePath("probe")));
        // Old, so that a touch would show.
        const QString victim = writeFile(outside, "3/4.png", 100, 60);
        const QDateTime victimTime = QFileInfo(victim).lastModified();
        const QString linkPath = dir.filePath(link);
        QVERIFY(QDir().mkpath(QFileInfo(linkPath).absolutePath()));
        QVERIFY(QFile::link(QDir::cleanPath(outside.filePath(target)), linkPath));
        const QString path = dir.filePath(inside);
        QVERIFY(QFile::exists(path)); // the link leads to the file

        BoundedCacheFolder folder(dir.path(), 8 * file);
        QVERIFY(!folder.remove(path));
        QVERIFY(QFile::exists(victim));
        folder.used(path);
        QCOMPARE(folder.bytes(), diskUsageBelow(dir.path()));
        // Past the bound: the trim leaves what is outside alone.
        for (int i = 0; i < 12; ++i)
            folder.added(writeFile(dir, QStringLiteral("t%1").arg(i, 2, 10, QLatin1Char('0')), 100, 30 - i));
        QVERIFY(folder.bytes() <= folder.maximumBytes());
        QCOMPARE(folder.bytes(), diskUsageBelow(dir.path()));
        QVERIFY(QFile::exists(victim));
        QCOMPARE(QFileInfo(victim).lastModified(), victimTime);
        QVERIFY(!folder.holds(path));

        // The link goes, what it led to stays; the file is then the folder's own.
        QVERIFY(folder.clearWay(path));
        QVERIFY(!QFileInfo(linkPath).isSymLink());
        QVERIFY(!QFile::exists(path));
        QVERIFY(folder.holds(path));
        QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
        folder.added(writeFile(dir, inside, 100, 0));
        QCOMPARE(folder.bytes(), diskUsageBelow(dir.path()));
        QVERIFY(QFile::exists(victim));
        QCOMPARE(QFileInfo(victim).lastModified(), victimTime);
        QCOMPARE(filesBelow(outside.path()), 1);
        // Nor is anything outside it the folder's.
        QVERIFY(!folder.holds(outside.filePath("3/4.png")));
        QVERIFY(!folder.clearWay(dir.filePath("../elsewhere")));
    }
};

QTEST_GUILESS_MAIN(TestBoundedCacheFolder)
#include "tst_bounded_cache_folder.moc"
