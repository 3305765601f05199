#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <optional>

namespace pelnix {

class S3MD5Util {
public:
    // The "Content-MD5" form: Base64 of the digest, 24 characters.
    static QString base64md5FromData(const QByteArray& data);
    // Reads an open device in blocks of at most 4096 bytes; nullopt when it is not open or a read fails.
    // The device is not closed.
    static std::optional<QString> base64md5FromStream(QIODevice* stream);
    static QString hexEncodeMD5(const QByteArray& data);
};

} // namespace pelnix
