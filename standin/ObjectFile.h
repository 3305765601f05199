#pragma once

#include <httplib.h>

#include <QCryptographicHash>
#include <QString>

#include <cstddef>
#include <memory>
#include <string>

namespace pelnix::standin {

// One stored object body on disk: written piece by piece while an upload arrives, and served piece by
// piece, so no body is ever held in memory whole. Files are private to the owner (0600).
class ObjectFile {
public:
    ~ObjectFile();
    ObjectFile(const ObjectFile&) = delete;
    ObjectFile& operator=(const ObjectFile&) = delete;

    // A new file to write; nothing when it cannot be created (it must not exist yet).
    static std::unique_ptr<ObjectFile> create(const QString& path);
    // An existing file to read. An open file stays readable after a newer upload replaces it.
    static std::shared_ptr<ObjectFile> open(const QString& path);
    // A whole body at once (for stored data from before bodies were files).
    static bool write(const QString& path, const QByteArray& data);

    bool append(const char* data, size_t size);
    // Closes the written file; false when any write failed.
    bool finish();
    QString md5Hex() const { return QString::fromLatin1(m_md5.result().toHex()); }
    QByteArray md5() const { return m_md5.result(); }
    qint64 size() const { return m_size; }
    // When the body was last written, ms since 1970; 0 when the file cannot tell.
    qint64 modifiedMsecs() const;

    // Answers with the body, read from the file as the connection takes it (HEAD reads nothing).
    static void serve(const std::shared_ptr<ObjectFile>& file, httplib::Response& response,
                      const std::string& contentType);

private:
    ObjectFile(int fd, qint64 size) : m_fd(fd), m_size(size) {}

    int m_fd = -1;
    qint64 m_size = 0;
    bool m_failed = false;
    QCryptographicHash m_md5{QCryptographicHash::Md5};
};

} // namespace pelnix::standin
