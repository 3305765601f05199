#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace pelnix {

// Standard alphabet with "=" padding. With line separation on, a CR LF follows every 64 characters
// (not after the last line); the library itself never asks for it.
QByteArray PLBase64Encode(const QByteArray& bytes, bool separateLines = false);
// Lenient: every character outside the alphabet ("=", white space, line breaks, anything else) is
// skipped; a last group of 2 or 3 characters gives 1 or 2 bytes, a lone last character nothing.
QByteArray PLBase64Decode(const QByteArray& text);

namespace Base64 {

QString base64EncodedString(const QByteArray& data);
// Text that is not pure ASCII decodes as empty data.
QByteArray dataFromBase64String(const QString& text);
// Decoded and read as UTF-8; none when the bytes are not valid UTF-8.
std::optional<QString> stringWithBase64EncodedString(const QString& text);
// Of the text's UTF-8 bytes.
QString base64EncodedString(const QString& text);
std::optional<QString> base64DecodedString(const QString& text);

} // namespace Base64
} // namespace pelnix
