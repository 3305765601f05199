#include "AddressFile.h"

#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Far more than any service address; an address file is never read beyond it.
constexpr qsizetype kMaxAddressFileBytes = 4096;

QString systemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// The content of the regular file at `path` when it is still the object `expected` (as lstat found
// it); none for anything else. Links are not followed, and a FIFO put there meanwhile does not block.
std::optional<QByteArray> readRegularFile(const QByteArray& path, const struct stat& expected) {
    const int fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat opened {};
    std::optional<QByteArray> content;
    if (::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && opened.st_dev == expected.st_dev &&
        opened.st_ino == expected.st_ino) {
        QByteArray buffer(kMaxAddressFileBytes + 1, Qt::Uninitialized);
        qsizetype filled = 0;
        bool failed = false;
        while (filled < buffer.size()) {
            const ssize_t count = ::read(fd, buffer.data() + filled, size_t(buffer.size() - filled));
            if (count < 0 && errno == EINTR)
                continue;
            failed = count < 0;
            if (count <= 0)
                break;
            filled += count;
        }
        if (!failed)
            content = buffer.left(filled);
    }
    ::close(fd);
    return content;
}

// Why the object at `path` (as lstat found it) must stay as it is; empty when it is an earlier
// demo's address file of this user, which a new one replaces.
QString reasonToKeep(const QByteArray& path, const struct stat& found) {
    if (S_ISLNK(found.st_mode))
        return QStringLiteral("it is a symbolic link");
    if (S_ISDIR(found.st_mode))
        return QStringLiteral("it is a folder");
    if (!S_ISREG(found.st_mode))
        return QStringLiteral("it is not a regular file (a FIFO, a device or a socket)");
    if (found.st_uid != ::geteuid())
        return QStringLiteral("it belongs to another user");
    const std::optional<QByteArray> content = readRegularFile(path, found);
    if (!content || !AddressFile::isAddressFile(*content))
        return QStringLiteral("it holds something other than a service address");
    return {};
}

// Writes `content` to the new file `fd` and closes it; why it could not, else empty (`written` then
// identifies the file).
QString writeAll(int fd, const QByteArray& content, struct stat* written) {
    const bool ok = ::fchmod(fd, 0644) == 0 &&
                    ::write(fd, content.constData(), size_t(content.size())) == ssize_t(content.size()) &&
                    ::fstat(fd, written) == 0;
    const int error = errno;
    if (::close(fd) != 0 && ok)
        return systemError(errno);
    return ok ? QString() : systemError(error);
}

// Puts the written `temporary` at `target`, replacing only the earlier address file `replaced` (none:
// nothing may stand there); why it could not, else empty. `temporary` is gone either way.
QString moveIntoPlace(const QByteArray& temporary, const QByteArray& target, const struct stat* replaced) {
    QString reason;
    struct stat now {};
    if (!replaced) {
        // link() never replaces: whatever was put at the path meanwhile stays.
        if (::link(temporary.constData(), target.constData()) != 0)
            reason =
                errno == EEXIST ? QStringLiteral("something was put there meanwhile") : systemError(errno);
    } else if (::lstat(target.constData(), &now) != 0 || now.st_dev != replaced->st_dev ||
               now.st_ino != replaced->st_ino) {
        reason = QStringLiteral("it changed while the address was being written");
    } else if (::rename(temporary.constData(), target.constData()) == 0) {
        return {};
    } else {
        reason = systemError(errno);
    }
    ::unlink(temporary.constData());
    return reason;
}

} // namespace

AddressFile::~AddressFile() {
    withdraw();
}

bool AddressFile::isAddressFile(const QByteArray& content) {
    if (content.size() > kMaxAddressFileBytes || !content.endsWith('\n'))
        return false;
    const QByteArray line = content.chopped(1);
    for (const char c : line) {
        if (static_cast<unsigned char>(c) <= ' ' || c == '\x7f')
            return false;
    }
    const QUrl url(QString::fromUtf8(line), QUrl::StrictMode);
    return url.isValid() &&
           (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https")) &&
           !url.host().isEmpty() && url.path().endsWith(QLatin1Char('/'));
}

bool AddressFile::refuse(const QString& path, const QString& reason) {
    m_error = QStringLiteral("not writing the address file %1: %2").arg(path, reason);
    return false;
}

bool AddressFile::publish(const QString& path, const QString& address) {
    withdraw();
    m_error.clear();
    const QByteArray target = QFile::encodeName(path);
    const QByteArray content = address.toUtf8() + '\n';
    if (target.isEmpty() || target.endsWith('/'))
        return refuse(path, QStringLiteral("not a file name"));
    if (!isAddressFile(content))
        return refuse(
            path, QStringLiteral("\"%1\" is not a service address it could recognise again").arg(address));

    struct stat found {};
    const bool replacing = ::lstat(target.constData(), &found) == 0;
    if (!replacing && errno != ENOENT)
        return refuse(path, systemError(errno));
    if (replacing) {
        if (const QString reason = reasonToKeep(target, found); !reason.isEmpty())
            return refuse(path, reason);
    }

    // A new name of our own beside the target (mkostemp creates it exclusively: no link is followed).
    const QFileInfo info(path);
    QByteArray temporary = QFile::encodeName(info.path() + QStringLiteral("/.") + info.fileName()) +
                           QByteArrayLiteral(".XXXXXX");
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return refuse(path, systemError(errno));
    struct stat written {};
    QString reason = writeAll(fd, content, &written);
    if (reason.isEmpty())
        reason = moveIntoPlace(temporary, target, replacing ? &found : nullptr);
    else
        ::unlink(temporary.constData());
    if (!reason.isEmpty())
        return refuse(path, reason);
    m_path = target;
    m_content = content;
    m_device = written.st_dev;
    m_inode = written.st_ino;
    return true;
}

void AddressFile::withdraw() {
    if (m_path.isEmpty())
        return;
    struct stat ours {};
    ours.st_dev = m_device;
    ours.st_ino = m_inode;
    if (readRegularFile(m_path, ours) == m_content)
        ::unlink(m_path.constData());
    m_path.clear();
    m_content.clear();
}
