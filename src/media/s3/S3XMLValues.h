#pragma once

#include <QDateTime>
#include <QString>

namespace pelnix::S3XMLValues {

// Decimal digits from the start (white space and a sign allowed), stopping at the first non-digit; 0
// without digits.
qint64 decimalInteger(const QString& text);
// The low 32 bits of decimalInteger.
qint32 lowInt32(const QString& text);
// True when the first character after white space, a sign and leading zeros is Y, y, T, t or 1-9.
bool boolean(const QString& text);
// "yyyy-MM-dd'T'HH:mm:ss.SSS'Z'"; invalid when the text does not match.
QDateTime isoDate(const QString& text);

} // namespace pelnix::S3XMLValues
