#include "ObjectFile.h"

#include <QFile>

#include <algorithm>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pelnix::standin {

namespace {
constexpr size_t kPieceBytes = 64 * 1024;
} // namespace

ObjectFile::~ObjectFile() {
    if (m_fd >= 0)
        ::close(m_fd);
}

std::unique_ptr<ObjectFile> ObjectFile::create(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return nullptr;
    return std::unique_ptr<ObjectFile>(new ObjectFile(fd, 0));
}

std::shared_ptr<ObjectFile> ObjectFile::open(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        ::close(fd);
        return nullptr;
    }
    return std::shared_ptr<ObjectFile>(new ObjectFile(fd, qint64(info.st_size)));
}

bool ObjectFile::write(const QString& path, const QByteArray& data) {
    auto file = create(path);
    return file && file->append(data.constData(), size_t(data.size())) && file->finish();
}

qint64 ObjectFile::modifiedMsecs() const {
    struct stat status {};
    if (m_fd < 0 || ::fstat(m_fd, &status) != 0)
        return 0;
    return qint64(status.st_mtim.tv_sec) * 1000 + status.st_mtim.tv_nsec / 1000000;
}

bool ObjectFile::append(const char* data, size_t size) {
    if (m_failed)
        return false;
    m_md5.addData(QByteArrayView(data, qsizetype(size)));
    m_size += qint64(size);
    while (size > 0) {
        const ssize_t written = ::write(m_fd, data, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            m_failed = true;
            return false;
        }
        data += written;
        size -= size_t(written);
    }
    return true;
}

bool ObjectFile::finish() {
    // No fsync: like the database (WAL, synchronous NORMAL), a body survives a killed process, which is
    // what restarts need, and uploads stay fast.
    if (!m_failed && ::close(m_fd) != 0)
        m_failed = true;
    m_fd = -1;
    return !m_failed;
}

void ObjectFile::serve(const std::shared_ptr<ObjectFile>& file, httplib::Response& response,
                       const std::string& contentType) {
    response.set_content_provider(
        size_t(file->m_size), contentType, [file](size_t offset, size_t length, httplib::DataSink& sink) {
            std::vector<char> piece(std::min(length, kPieceBytes));
            const ssize_t got = ::pread(file->m_fd, piece.data(), piece.size(), off_t(offset));
            // A short file (truncated behind our back) ends the connection rather than sending junk.
            return got > 0 && sink.write(piece.data(), size_t(got));
        });
}

} // namespace pelnix::standin
