#include "TestSandbox.h"
#include "foundation/DocumentSaver.h"
#include "foundation/StandardFolders.h"
#include "platform/Sandbox.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

using namespace pelnix;
using namespace pelnix::DocumentSaver;

namespace {
QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& data) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(data);
}

// Every entry below `folder`, relative to it, sorted.
QStringList listEntries(const QString& folder) {
    QStringList out;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        out << QDir(folder).relativeFilePath(it.next());
    out.sort();
    return out;
}

const QStringList kHostileNames{
    "", ".", "..", "../escape", "../../outside", "a/b", "/abs", "..\\up", QString::fromLatin1("nul\0x", 5)};
} // namespace

class TestDocumentSaver : public QObject {
    Q_OBJECT
private slots:
    void foldersAreMadeOneLevelBelowDocuments();
    void selectedFileIsNeverOverwritten();
    void plainWriteReplacesAtomically();
    void removingAFolder();
    void pathsAndStoredFileNames();
    void documentsScanReportsFilesWithDots();
    void unsafeNamesAreRefused();
    void nothingIsWrittenOutsideTheSandboxRoot();
};

void TestDocumentSaver::foldersAreMadeOneLevelBelowDocuments() {
    test::TestSandbox sandbox;
    const QString documents = StandardFolders::publicDataPath();
    QVERIFY(directoryPathWithName("R1").isEmpty());
    QCOMPARE(createDirectoryWithName("R1"), documents + "/R1");
    QCOMPARE(directoryPathWithName("R1"), documents + "/R1");
    // Already there: the creation reports failure, the lookup still finds it.
    QVERIFY(createDirectoryWithName("R1").isEmpty());
    writeFile(documents + "/plainfile", "x");
    QVERIFY(directoryPathWithName("plainfile").isEmpty());
    QCOMPARE(createDirectoryWithName(kPendingRichMediaUploadsFolder), documents + "/PendingRichMediaUploads");
}

void TestDocumentSaver::selectedFileIsNeverOverwritten() {
    test::TestSandbox sandbox;
    QVERIFY(writeDataToDirectorySelectedFile("first", "R1", "ID1.jpg"));
    QVERIFY(!writeDataToDirectorySelectedFile("second", "R1", "ID1.jpg"));
    const QString folder = directoryPathWithName("R1");
    QCOMPARE(readFile(folder + "/ID1.jpg"), QByteArray("first"));
    QVERIFY(fileExistsWithName("ID1.jpg", folder));
    QVERIFY(!fileExistsWithName("ID2.jpg", folder));
    // No temporary file is left behind by either call.
    QCOMPARE(listEntries(folder), QStringList{"ID1.jpg"});
    QVERIFY(writeDataToDirectorySelectedFile(QByteArray(), "R1", "empty.bin"));
    QCOMPARE(QFileInfo(folder + "/empty.bin").size(), 0);
}

void TestDocumentSaver::plainWriteReplacesAtomically() {
    test::TestSandbox sandbox;
    const QString folder = createDirectoryWithName(kPendingRichMediaUploadsFolder);
    QVERIFY(writeDataWithFileNameToDirectoryPath("one", "up.png", folder));
    QVERIFY(writeDataWithFileNameToDirectoryPath("two", "up.png", folder));
    QCOMPARE(readFile(folder + "/up.png"), QByteArray("two"));
    QCOMPARE(listEntries(folder), QStringList{"up.png"});
    QVERIFY(!writeDataWithFileNameToDirectoryPath("x", "up.png", folder + "/missing"));
    QVERIFY(!writeDataWithFileNameToDirectoryPath("x", "up.png", QString()));
}

void TestDocumentSaver::removingAFolder() {
    test::TestSandbox sandbox;
    QVERIFY(removeChatDirectoryWithName("NeverHadMedia"));
    QVERIFY(writeDataToDirectorySelectedFile("a", "R2", "f.jpg"));
    writeFile(directoryPathWithName("R2") + "/nested/deeper.txt", "b");
    QVERIFY(removeChatDirectoryWithName("R2"));
    QVERIFY(directoryPathWithName("R2").isEmpty());
    QVERIFY(QDir(StandardFolders::publicDataPath()).exists());

    // A link named like a room is removed itself; what it points at is left alone.
    QTemporaryDir elsewhere;
    writeFile(elsewhere.filePath("keep.txt"), "keep");
    QVERIFY(QFile::link(elsewhere.path(), StandardFolders::publicDataPath() + "/R3"));
    QVERIFY(removeChatDirectoryWithName("R3"));
    QVERIFY(!QFileInfo(StandardFolders::publicDataPath() + "/R3").isSymLink());
    QCOMPARE(readFile(elsewhere.filePath("keep.txt")), QByteArray("keep"));
}

void TestDocumentSaver::pathsAndStoredFileNames() {
    test::TestSandbox sandbox;
    const QString documents = StandardFolders::publicDataPath();
    QCOMPARE(filePathTillFolderName("R1", ""), documents + "/R1");
    QCOMPARE(filePathTillFolderName("R1", "a.jpg"), documents + "/R1/a.jpg");

    QCOMPARE(generateFileNameFromInfo({{"fileId", "F1"}, {"fileName", "holiday.final.v2.JPG"}}),
             QStringLiteral("F1.JPG"));
    QCOMPARE(generateFileNameFromInfo({{"fileId", "F1"}, {"fileName", "README"}}),
             QStringLiteral("F1.README"));
    QCOMPARE(generateFileNameFromInfo({{"fileId", 42}, {"fileName", "a.png"}}), QStringLiteral("42.png"));
    // No "fileName": the file ID alone, never "F1.(null)".
    QCOMPARE(generateFileNameFromInfo({{"fileId", "F1"}}), QStringLiteral("F1"));
    QCOMPARE(generateFileNameFromInfo({{"fileName", "a.png"}}), QString());
}

void TestDocumentSaver::documentsScanReportsFilesWithDots() {
    test::TestSandbox sandbox;
    QVERIFY(fileIDArrayFromDocumentDirSearch().isEmpty());
    const QString documents = StandardFolders::publicDataPath();
    writeFile(documents + "/R1/ID1.jpg", "a");
    writeFile(documents + "/notes", "b");
    writeFile(documents + "/R2/sub/ID2.tar.gz", "c");
    const QVariantList entries = fileIDArrayFromDocumentDirSearch();
    QCOMPARE(entries.size(), 2);
    const QVariantMap first = entries.at(0).toMap();
    QCOMPARE(first.value("ChatRoomID").toString(), QStringLiteral("R1"));
    QCOMPARE(first.value("DirectoryFileID").toString(), QStringLiteral("ID1"));
    QCOMPARE(first.value("CompletePath").toString(), documents + "/R1/ID1.jpg");
    const QVariantMap second = entries.at(1).toMap();
    QCOMPARE(second.value("ChatRoomID").toString(), QStringLiteral("R2"));
    QCOMPARE(second.value("DirectoryFileID").toString(), QStringLiteral("ID2"));
}

void TestDocumentSaver::unsafeNamesAreRefused() {
    test::TestSandbox sandbox;
    const QString documents = StandardFolders::publicDataPath();
    writeFile(documents + "/R1/keep.jpg", "keep");
    for (const QString& name : kHostileNames) {
        QVERIFY2(!removeChatDirectoryWithName(name), qPrintable(name));
        QVERIFY(createDirectoryWithName(name).isEmpty());
        QVERIFY(directoryPathWithName(name).isEmpty());
        QVERIFY(!writeDataToDirectorySelectedFile("x", name, "f.jpg"));
        QVERIFY(!writeDataToDirectorySelectedFile("x", "R1", name));
        QVERIFY(!writeDataWithFileNameToDirectoryPath("x", name, documents + "/R1"));
        QVERIFY(!fileExistsWithName(name, documents + "/R1"));
        QVERIFY(filePathTillFolderName(name, "f.jpg").isEmpty());
        if (!name.isEmpty())
            QVERIFY(filePathTillFolderName("R1", name).isEmpty());
    }
    // Documents and the room folder survived every attempt.
    QCOMPARE(readFile(documents + "/R1/keep.jpg"), QByteArray("keep"));
}

void TestDocumentSaver::nothingIsWrittenOutsideTheSandboxRoot() {
    // The root is a folder inside another one, so anything escaping it would show up next to it.
    QTemporaryDir outer;
    writeFile(outer.filePath("sentinel"), "untouched");
    const QString root = outer.filePath("root");
    platform::Sandbox::setRoot(root);
    const auto restoreRoot = qScopeGuard([] { platform::Sandbox::setRoot(QString()); });

    for (const QString& name : kHostileNames) {
        createDirectoryWithName(name);
        writeDataToDirectorySelectedFile("x", name, "f.jpg");
        writeDataToDirectorySelectedFile("x", "R1", name);
        writeDataWithFileNameToDirectoryPath("x", name, StandardFolders::publicDataPath());
        removeChatDirectoryWithName(name);
    }
    writeDataToDirectorySelectedFile("media", "R1", "ID1.jpg");
    writeDataWithFileNameToDirectoryPath("pending", "up.png",
                                         createDirectoryWithName(kPendingRichMediaUploadsFolder));
    writeFile(StandardFolders::pathForTemporaryFile("t"), "t");
    writeFile(StandardFolders::pathForOfflineFile("o"), "o");
    writeFile(StandardFolders::pathForCacheFile("c"), "c");
    removeChatDirectoryWithName("R9");
    const QVariantList scan = fileIDArrayFromDocumentDirSearch();

    QCOMPARE(listEntries(outer.path()).filter(QRegularExpression("^(?!root(/|$))")), QStringList{"sentinel"});
    QCOMPARE(readFile(outer.filePath("sentinel")), QByteArray("untouched"));
    QCOMPARE(scan.size(), 2);
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QCoreApplication app(argc, argv);
    TestDocumentSaver t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_documentsaver.moc"
