#pragma once

// Bodies as servers compress them, made from qCompress's zlib stream: "deflate" as HTTP names it
// (zlib's format), raw deflate as some servers send under that name, gzip; brotli and zstd from their
// reference encoders; and a body in one chunk.

#include <QByteArray>
#include <brotli/encode.h>
#include <zstd.h>

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

inline QByteArray brotliCompressed(const QByteArray& data) {
    QByteArray out(qsizetype(BrotliEncoderMaxCompressedSize(size_t(data.size()))), '\0');
    size_t size = size_t(out.size());
    if (!BrotliEncoderCompress(BROTLI_DEFAULT_QUALITY, BROTLI_DEFAULT_WINDOW, BROTLI_MODE_GENERIC,
                               size_t(data.size()), reinterpret_cast<const uint8_t*>(data.constData()), &size,
                               reinterpret_cast<uint8_t*>(out.data())))
        return {};
    out.truncate(qsizetype(size));
    return out;
}

inline QByteArray zstdCompressed(const QByteArray& data) {
    QByteArray out(qsizetype(ZSTD_compressBound(size_t(data.size()))), '\0');
    const size_t size =
        ZSTD_compress(out.data(), size_t(out.size()), data.constData(), size_t(data.size()), 3);
    if (ZSTD_isError(size))
        return {};
    out.truncate(qsizetype(size));
    return out;
}

inline QByteArray chunked(const QByteArray& data) {
    return QByteArray::number(data.size(), 16) + "\r\n" + data + "\r\n0\r\n\r\n";
}

} // namespace pelnix::test
