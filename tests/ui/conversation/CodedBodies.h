#pragma once

// Bodies as servers compress them, made from qCompress's zlib stream: "deflate" as HTTP names it
// (zlib's format), raw deflate as some servers send under that name, gzip; and a body in one chunk.

#include <QByteArray>

namespace pelnix::test {

inline QByteArray zlibDeflated(const QByteArray& data) {
    return qCompress(data, 9).mid(4);
}

inline QByteArray rawDeflated(const QByteArray& data) {
    const QByteArray wrapped = zlibDeflated(data);
    return wrapped.mid(2, wrapped.size() - 6);
}

inline QByteArray gzipped(const QByteArray& data) {
    quint32 crc = 0xffffffffu;
    for (const char c : data) {
        crc ^= quint8(c);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    QByteArray out("\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x03", 10);
    out += rawDeflated(data);
    for (const quint32 value : {~crc, quint32(data.size())})
        for (int at = 0; at < 4; ++at)
            out += char((value >> (8 * at)) & 0xff);
    return out;
}

inline QByteArray chunked(const QByteArray& data) {
    return QByteArray::number(data.size(), 16) + "\r\n" + data + "\r\n0\r\n\r\n";
}

} // namespace pelnix::test
