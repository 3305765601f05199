#include "platform/FileSecretStore.h"

#include "platform/Log.h"
#include "platform/Sandbox.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pelnix::platform {

namespace {

bool writeAll(int fd, const QByteArray& bytes) {
    const char* p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += n;
        left -= n;
    }
    return true;
}

// Makes a rename or unlink in `folder` durable.
void syncFolder(const QString& folder) {
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

FileSecretStore::FileSecretStore(QString folder) : m_folder(std::move(folder)) {}

QString FileSecretStore::folder() const {
    if (!m_folder.isEmpty())
        return m_folder;
    return QDir::cleanPath(Sandbox::root() + QStringLiteral("/Library/Keychains"));
}

QString FileSecretStore::pathForIdentifier(const QString& identifier) const {
    if (!Sandbox::isSafePathComponent(identifier) || identifier.startsWith(QLatin1Char('.')))
        return {};
    return folder() + QLatin1Char('/') + identifier + QStringLiteral(".json");
}

bool FileSecretStore::ensureFolder(const QString& path) const {
    const QByteArray native = QFile::encodeName(path);
    struct stat st {};
    if (::lstat(native.constData(), &st) != 0) {
        if (!QDir().mkpath(QFileInfo(path).absolutePath()))
            return false;
        if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
            return false;
        if (::lstat(native.constData(), &st) != 0)
            return false;
    }
    if (!S_ISDIR(st.st_mode) || st.st_uid != ::geteuid())
        return false; // a symbolic link or someone else's folder: not a place for secrets
    if ((st.st_mode & 0077) != 0 && ::chmod(native.constData(), 0700) != 0)
        return false;
    return true;
}

std::optional<QVariantMap> FileSecretStore::read(const QString& identifier) {
    const QString path = pathForIdentifier(identifier);
    if (path.isEmpty())
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return std::nullopt;
    return doc.object().toVariantMap();
}

bool FileSecretStore::write(const QString& identifier, const QVariantMap& attributes) {
    const QString path = pathForIdentifier(identifier);
    const QString dir = folder();
    if (path.isEmpty() || !ensureFolder(dir))
        return false;
    const QByteArray json =
        QJsonDocument(QJsonObject::fromVariantMap(attributes)).toJson(QJsonDocument::Compact);

    // mkstemp creates the file with mode 0600 from the start; the finished file is renamed into place.
    QByteArray temp = QFile::encodeName(dir + QStringLiteral("/.") + identifier + QStringLiteral(".XXXXXX"));
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return false;
    bool ok = writeAll(fd, json) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok)
        ok = ::rename(temp.constData(), QFile::encodeName(path).constData()) == 0;
    if (!ok) {
        ::unlink(temp.constData());
        Log::debug(QStringLiteral("Could not write the secret item %1").arg(identifier));
        return false;
    }
    syncFolder(dir);
    return true;
}

bool FileSecretStore::remove(const QString& identifier) {
    const QString path = pathForIdentifier(identifier);
    if (path.isEmpty())
        return false;
    if (::unlink(QFile::encodeName(path).constData()) != 0)
        return errno == ENOENT;
    syncFolder(folder());
    return true;
}

} // namespace pelnix::platform
