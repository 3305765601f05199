#pragma once

#include <QByteArray>
#include <QString>

// Hexadecimal text and MD5 digests of strings and data.
namespace pelnix {

namespace Hex {
// Two lower-case digits per byte.
QString hexString(const QByteArray& data);
// The text's UTF-8 bytes taken in pairs, each read like strtol in base 16 (the value of its leading
// hex digits, 0 when the first is not one); a last single character is ignored.
QByteArray dataFromHexidecimal(const QString& text);
} // namespace Hex

namespace DataAdditions {
// Two upper-case digits per byte.
QString hexRepresentation(const QByteArray& data);
} // namespace DataAdditions

namespace MD5 {
// Of the text's UTF-8 bytes up to the first zero byte; 32 lower-case (MD5String: upper-case) digits.
QString MD5(const QString& text);
QString MD5String(const QString& text);
// Of all the bytes.
QString MD5(const QByteArray& data);
QString md5String(const QByteArray& data);
// The 16 digest bytes as Base64 (24 characters).
QString base64MD5(const QByteArray& data);
} // namespace MD5

} // namespace pelnix
