#include "AddressFile.h"
#include "TestSandbox.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

const QString kOurs = QStringLiteral("http://127.0.0.1:4567/");
const QString kOther = QStringLiteral("http://127.0.0.1:4568/");
const QByteArray kEarlier = "http://127.0.0.1:1/\n";

QByteArray line(const QString& address) {
    return address.toUtf8() + '\n';
}

bool put(const QString& path, const QByteArray& content) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

QByteArray contentOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

} // namespace

// Every path a test touches is inside its own temporary folder: "run" holds the address file, and
// "elsewhere" what a link there may point to.
class TestAddressFile : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void whatIsNotItsOwnIsLeftAsItIs_data();
    void whatIsNotItsOwnIsLeftAsItIs();
    void itsOwnFileHoldsTheAddressUntilTheDemoEnds_data();
    void itsOwnFileHoldsTheAddressUntilTheDemoEnds();
    void aSecondDemoKeepsThePathItTookOver_data();
    void aSecondDemoKeepsThePathItTookOver();
    void aFileChangedSincePublishingStays_data();
    void aFileChangedSincePublishingStays();

private:
    QString run(const QString& name = QStringLiteral("demo-service-address")) const {
        return m_dir->filePath(QStringLiteral("run/") + name);
    }
    QString elsewhere(const QString& name) const {
        return m_dir->filePath(QStringLiteral("elsewhere/") + name);
    }
    // What the folder holds, without following links or opening anything but regular files.
    QStringList tree() const;

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestAddressFile::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("run")));
    QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("elsewhere")));
}

void TestAddressFile::cleanup() {
    m_dir.reset();
}

QStringList TestAddressFile::tree() const {
    QStringList entries;
    QDirIterator it(m_dir->path(), QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString name = QDir(m_dir->path()).relativeFilePath(path);
        struct stat found {};
        if (name == QLatin1String("run") || name == QLatin1String("elsewhere") ||
            ::lstat(QFile::encodeName(path).constData(), &found) != 0)
            continue;
        QString entry = name + QStringLiteral(" mode ") + QString::number(found.st_mode, 8);
        if (S_ISREG(found.st_mode))
            entry += QStringLiteral(" holds ") + QString::fromUtf8(contentOf(path).toPercentEncoding());
        else if (S_ISLNK(found.st_mode))
            entry += QStringLiteral(" -> ") + QFile::symLinkTarget(path);
        entries << entry;
    }
    entries.sort();
    return entries;
}

void TestAddressFile::whatIsNotItsOwnIsLeftAsItIs_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("reason");
    const QString other = QStringLiteral("something other than a service address");
    QTest::newRow("a file of other content") << "file" << QByteArray("my notes\n") << other;
    QTest::newRow("an address among other lines") << "file" << kEarlier + "and more\n" << other;
    QTest::newRow("an empty file") << "file" << QByteArray() << other;
    QTest::newRow("a page's address") << "file" << QByteArray("https://pages.test/index.html\n") << other;
    QTest::newRow("a FIFO") << "fifo" << QByteArray() << "not a regular file";
    QTest::newRow("a device") << "device" << QByteArray() << "not a regular file";
    QTest::newRow("a link to an address file elsewhere") << "link" << kEarlier << "symbolic link";
    QTest::newRow("a link to nothing yet") << "dangling link" << QByteArray() << "symbolic link";
    QTest::newRow("a folder") << "folder" << QByteArray() << "folder";
}

void TestAddressFile::whatIsNotItsOwnIsLeftAsItIs() {
    QFETCH(QString, kind);
    QFETCH(QByteArray, content);
    QFETCH(QString, reason);
    const QByteArray path = QFile::encodeName(run());
    if (kind == "file")
        QVERIFY(put(run(), content));
    else if (kind == "fifo")
        QCOMPARE(::mkfifo(path.constData(), 0600), 0);
    // A null device of the test's own: with a link to the system's, a writer that follows links
    // would replace it.
    else if (kind == "device" && ::mknod(path.constData(), S_IFCHR | 0600, makedev(1, 3)) != 0)
        QSKIP("device nodes cannot be made here");
    else if (kind == "link")
        QVERIFY(put(elsewhere("target"), content) && QFile::link(elsewhere("target"), run()));
    else if (kind == "dangling link")
        QVERIFY(QFile::link(elsewhere("planted"), run()));
    else if (kind == "folder")
        QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("run/demo-service-address")));
    const QStringList before = tree();
    {
        AddressFile file;
        QVERIFY(!file.publish(run(), kOurs));
        QVERIFY2(file.errorString().contains(reason), qPrintable(file.errorString()));
        QVERIFY2(file.errorString().contains(run()), qPrintable(file.errorString()));
        QCOMPARE(tree(), before);
        file.withdraw();
    }
    QCOMPARE(tree(), before);
}

void TestAddressFile::itsOwnFileHoldsTheAddressUntilTheDemoEnds_data() {
    QTest::addColumn<QByteArray>("earlier");
    QTest::newRow("nothing there") << QByteArray();
    QTest::newRow("the file of a demo that was killed") << kEarlier;
}

void TestAddressFile::itsOwnFileHoldsTheAddressUntilTheDemoEnds() {
    QFETCH(QByteArray, earlier);
    QVERIFY(earlier.isEmpty() || put(run(), earlier));
    const QStringList published{"run/demo-service-address mode 100644 holds " +
                                QString::fromUtf8(line(kOurs).toPercentEncoding())};
    {
        AddressFile file;
        QVERIFY2(file.publish(run(), kOurs), qPrintable(file.errorString()));
        QCOMPARE(tree(), published);
        file.withdraw();
        QCOMPARE(tree(), QStringList());
        QVERIFY(file.publish(run(), kOurs));
        QCOMPARE(tree(), published);
    }
    QCOMPARE(tree(), QStringList()); // and when it is destroyed
}

void TestAddressFile::aSecondDemoKeepsThePathItTookOver_data() {
    QTest::addColumn<QString>("second");
    QTest::newRow("another service") << kOther;
    QTest::newRow("the same service (--server)") << kOurs;
}

void TestAddressFile::aSecondDemoKeepsThePathItTookOver() {
    QFETCH(QString, second);
    AddressFile first;
    QVERIFY(first.publish(run(), kOurs));
    AddressFile next;
    QVERIFY2(next.publish(run(), second), qPrintable(next.errorString()));
    first.withdraw();
    QCOMPARE(contentOf(run()), line(second));
    next.withdraw();
    QVERIFY(!QFile::exists(run()));
}

void TestAddressFile::aFileChangedSincePublishingStays_data() {
    QTest::addColumn<QString>("change");
    QTest::newRow("replaced by a file of other content") << "replaced";
    QTest::newRow("written over in place") << "rewritten";
    QTest::newRow("replaced by a link to a copy of it") << "link";
}

void TestAddressFile::aFileChangedSincePublishingStays() {
    QFETCH(QString, change);
    AddressFile file;
    QVERIFY(file.publish(run(), kOurs));
    if (change == "replaced") {
        QVERIFY(put(run(QStringLiteral("notes")), "my notes\n"));
        QCOMPARE(::rename(QFile::encodeName(run(QStringLiteral("notes"))).constData(),
                          QFile::encodeName(run()).constData()),
                 0);
    } else if (change == "rewritten") {
        QVERIFY(put(run(), "my notes\n"));
    } else {
        QVERIFY(put(elsewhere("copy"), line(kOurs)));
        QVERIFY(QFile::remove(run()) && QFile::link(elsewhere("copy"), run()));
    }
    const QStringList changed = tree();
    file.withdraw();
    QCOMPARE(tree(), changed);
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QCoreApplication app(argc, argv);
    TestAddressFile test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_addressfile.moc"
