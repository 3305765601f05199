#pragma once

#include <QByteArray>

namespace pelnix::test {

// An NMEA sentence ("GPRMC,...") with its "$", checksum and line end, for position logs to replay.
inline QByteArray nmeaSentence(const QByteArray& body) {
    quint8 sum = 0;
    for (const char c : body)
        sum ^= quint8(c);
    return '$' + body + '*' + QByteArray::number(sum, 16).toUpper().rightJustified(2, '0') + "\r\n";
}

} // namespace pelnix::test
