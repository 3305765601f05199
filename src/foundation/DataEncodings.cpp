#include "foundation/DataEncodings.h"

#include "foundation/Base64.h"

#include <QCryptographicHash>

#include <cstdlib>

namespace pelnix {

namespace Hex {
QString hexString(const QByteArray& data) {
    return QString::fromLatin1(data.toHex());
}

QByteArray dataFromHexidecimal(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    QByteArray out;
    out.reserve(bytes.size() / 2);
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2) {
        // strtol on the pair itself, so its sign and white-space rules apply as they always have.
        const char pair[3] = {bytes.at(i), bytes.at(i + 1), '\0'};
        out += char(std::strtol(pair, nullptr, 16));
    }
    return out;
}
} // namespace Hex

namespace DataAdditions {
QString hexRepresentation(const QByteArray& data) {
    return QString::fromLatin1(data.toHex().toUpper());
}
} // namespace DataAdditions

namespace MD5 {
namespace {
QByteArray digest(const QByteArray& data) {
    return QCryptographicHash::hash(data, QCryptographicHash::Md5);
}
QByteArray utf8UpToNul(const QString& text) {
    QByteArray bytes = text.toUtf8();
    const qsizetype nul = bytes.indexOf('\0');
    if (nul >= 0)
        bytes.truncate(nul);
    return bytes;
}
} // namespace

QString MD5(const QString& text) {
    return QString::fromLatin1(digest(utf8UpToNul(text)).toHex());
}
QString MD5String(const QString& text) {
    return MD5(text).toUpper();
}
QString MD5(const QByteArray& data) {
    return QString::fromLatin1(digest(data).toHex());
}
QString md5String(const QByteArray& data) {
    return MD5(data);
}
QString base64MD5(const QByteArray& data) {
    return Base64::base64EncodedString(digest(data));
}
} // namespace MD5

} // namespace pelnix
