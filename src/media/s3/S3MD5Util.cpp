#include "media/s3/S3MD5Util.h"

#include "media/s3/S3ClientException.h"

#include <QCryptographicHash>
#include <limits>

namespace pelnix {

namespace {
void checkSize(const QByteArray& data) {
    if (quint64(data.size()) > std::numeric_limits<quint32>::max())
        S3ClientException(
            QStringLiteral("The NSData size is too large. The maximum allowable size is UINT32_MAX."))
            .raise();
}
} // namespace

QString S3MD5Util::base64md5FromData(const QByteArray& data) {
    checkSize(data);
    return QString::fromLatin1(QCryptographicHash::hash(data, QCryptographicHash::Md5).toBase64());
}

std::optional<QString> S3MD5Util::base64md5FromStream(QIODevice* stream) {
    if (!stream || !stream->isOpen() || !stream->isReadable())
        return std::nullopt;
    QCryptographicHash md5(QCryptographicHash::Md5);
    char buffer[4096];
    while (stream->bytesAvailable() > 0) {
        const qint64 n = stream->read(buffer, sizeof buffer);
        if (n < 0)
            return std::nullopt;
        if (n == 0)
            break;
        md5.addData(QByteArrayView(buffer, n));
    }
    return QString::fromLatin1(md5.result().toBase64());
}

QString S3MD5Util::hexEncodeMD5(const QByteArray& data) {
    checkSize(data);
    return QString::fromLatin1(QCryptographicHash::hash(data, QCryptographicHash::Md5).toHex());
}

} // namespace pelnix
