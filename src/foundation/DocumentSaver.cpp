#include "foundation/DocumentSaver.h"

#include "foundation/StandardFolders.h"
#include "platform/Sandbox.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>

#include <fcntl.h>
#include <unistd.h>

namespace pelnix::DocumentSaver {

namespace {
using platform::Sandbox;

QString documents() {
    return StandardFolders::publicDataPath();
}

// Makes a new or renamed entry of the folder survive power loss.
bool syncFolder(const QString& folder) {
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

// Writes `data` to a temporary file in the folder, flushed to disk, then links it in under the final
// name: the kernel refuses the link when that name exists, so a concurrent writer can never be
// overwritten and a crash leaves either no file or the whole one. The temporary name has no "." so
// the documents scan never reports a leftover one.
bool writeWithoutReplacing(const QByteArray& data, const QString& path) {
    QTemporaryFile temporary(QFileInfo(path).absolutePath() + QStringLiteral("/PartialWrite-XXXXXX"));
    if (!temporary.open() || temporary.write(data) != data.size() || !temporary.flush())
        return false;
    if (::fsync(temporary.handle()) != 0)
        return false;
    const QByteArray from = QFile::encodeName(temporary.fileName());
    const QByteArray to = QFile::encodeName(path);
    if (::link(from.constData(), to.constData()) != 0)
        return false;
    syncFolder(QFileInfo(path).absolutePath());
    return true;
}
} // namespace

QString createDirectoryWithName(const QString& name) {
    if (!Sandbox::isSafePathComponent(name))
        return {};
    QDir folder(documents());
    return folder.mkdir(name) ? folder.filePath(name) : QString();
}

QString directoryPathWithName(const QString& name) {
    if (!Sandbox::isSafePathComponent(name))
        return {};
    const QString path = documents() + QLatin1Char('/') + name;
    return QFileInfo(path).isDir() ? path : QString();
}

bool fileExistsWithName(const QString& fileName, const QString& directoryPath) {
    if (!Sandbox::isSafePathComponent(fileName) || directoryPath.isEmpty())
        return false;
    return QFileInfo::exists(directoryPath + QLatin1Char('/') + fileName);
}

bool writeDataWithFileNameToDirectoryPath(const QByteArray& data, const QString& fileName,
                                          const QString& directoryPath) {
    if (!Sandbox::isSafePathComponent(fileName) || directoryPath.isEmpty())
        return false;
    QSaveFile file(directoryPath + QLatin1Char('/') + fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size())
        return false;
    if (!file.commit())
        return false;
    syncFolder(directoryPath);
    return true;
}

bool writeDataToDirectorySelectedFile(const QByteArray& data, const QString& directoryName,
                                      const QString& fileName) {
    if (!Sandbox::isSafePathComponent(directoryName) || !Sandbox::isSafePathComponent(fileName))
        return false;
    QString folder = directoryPathWithName(directoryName);
    if (folder.isEmpty())
        folder = createDirectoryWithName(directoryName);
    if (folder.isEmpty() || fileExistsWithName(fileName, folder))
        return false;
    return writeWithoutReplacing(data, folder + QLatin1Char('/') + fileName);
}

bool removeChatDirectoryWithName(const QString& name) {
    // An empty or "." name would name Documents itself; ".." its parent.
    if (!Sandbox::isSafePathComponent(name))
        return false;
    const QFileInfo info(documents() + QLatin1Char('/') + name);
    // A link is removed itself, never followed into what it points at.
    if (info.isSymLink())
        return QFile::remove(info.filePath());
    if (!info.isDir())
        return true;
    return QDir(info.filePath()).removeRecursively();
}

QString filePathTillFolderName(const QString& folderName, const QString& fileName) {
    if (!Sandbox::isSafePathComponent(folderName))
        return {};
    const QString folder = documents() + QLatin1Char('/') + folderName;
    if (fileName.isEmpty())
        return folder;
    return Sandbox::isSafePathComponent(fileName) ? folder + QLatin1Char('/') + fileName : QString();
}

QString generateFileNameFromInfo(const QVariantMap& info) {
    const QString fileId = info.value(QStringLiteral("fileId")).toString();
    if (fileId.isEmpty())
        return {};
    const QString fileName = info.value(QStringLiteral("fileName")).toString();
    if (fileName.isEmpty())
        return fileId;
    return fileId + QLatin1Char('.') + fileName.section(QLatin1Char('.'), -1);
}

QVariantList fileIDArrayFromDocumentDirSearch() {
    const QString base = documents();
    const QDir baseDir(base);
    QStringList relativePaths;
    QDirIterator it(base, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        relativePaths << baseDir.relativeFilePath(it.next());
    relativePaths.sort();

    QVariantList entries;
    for (const QString& relative : relativePaths) {
        const QString last = relative.section(QLatin1Char('/'), -1);
        if (!last.contains(QLatin1Char('.')))
            continue;
        entries << QVariantMap{
            {QStringLiteral("ChatRoomID"), relative.section(QLatin1Char('/'), 0, 0)},
            {QStringLiteral("DirectoryFileID"), last.section(QLatin1Char('.'), 0, 0)},
            {QStringLiteral("CompletePath"), base + QLatin1Char('/') + relative},
        };
    }
    return entries;
}

} // namespace pelnix::DocumentSaver
