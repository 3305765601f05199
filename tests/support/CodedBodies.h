#pragma once

// Bodies as servers compress them, made from qCompress's zlib stream: "deflate" as HTTP names it
// (zlib's format), raw deflate as some servers send under that name, gzip; brotli and zstd from their
// reference encoders, zstd also as its command line writes it; and a body in one chunk.

#include <QByteArray>
#include <brotli/encode.h>
#include <zstd.h>

namespace pelnix::test {

// At zlib's default level, as servers compress; qCompress gives no stream at all for nothing, where
// zlib's own is one empty final block.
inline QByteArray zlibDeflated(const QByteArray& data) {
    if (data.isEmpty())
        return QByteArray("\x78\x9c\x03\x00\x00\x00\x00\x01", 8);
    return qCompress(data, 6).mid(4);
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

// At the quality servers compress with as they answer; the highest takes a second a megabyte.
inline QByteArray brotliCompressed(const QByteArray& data) {
    constexpr int kQuality = 5;
    QByteArray out(qsizetype(BrotliEncoderMaxCompressedSize(size_t(data.size()))), '\0');
    size_t size = size_t(out.size());
    if (!BrotliEncoderCompress(kQuality, BROTLI_DEFAULT_WINDOW, BROTLI_MODE_GENERIC, size_t(data.size()),
                               reinterpret_cast<const uint8_t*>(data.constData()), &size,
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

// A zstd frame as the command line writes it: with or without its checksum (--check), and without its
// content size when it read a pipe.
inline QByteArray zstdFramed(const QByteArray& data, bool checksum, bool sizeKnown) {
    ZSTD_CCtx* context = ZSTD_createCCtx();
    if (!context)
        return {};
    ZSTD_CCtx_setParameter(context, ZSTD_c_checksumFlag, checksum ? 1 : 0);
    ZSTD_CCtx_setParameter(context, ZSTD_c_contentSizeFlag, sizeKnown ? 1 : 0);
    QByteArray out(qsizetype(ZSTD_compressBound(size_t(data.size()))), '\0');
    const size_t size =
        ZSTD_compress2(context, out.data(), size_t(out.size()), data.constData(), size_t(data.size()));
    ZSTD_freeCCtx(context);
    if (ZSTD_isError(size))
        return {};
    out.truncate(qsizetype(size));
    return out;
}

// A skippable zstd frame, as a seek table or a parallel encoder's index puts them beside the data.
inline QByteArray zstdSkippable(const QByteArray& payload) {
    QByteArray out("\x50\x2a\x4d\x18", 4);
    for (int at = 0; at < 4; ++at)
        out += char((quint32(payload.size()) >> (8 * at)) & 0xff);
    return out + payload;
}

// `data` in the coding HTTP names so (identity or none: as it is); empty for a name not known here.
inline QByteArray codedAs(const QByteArray& coding, const QByteArray& data) {
    if (coding == "identity" || coding.isEmpty())
        return data;
    if (coding == "gzip")
        return gzipped(data);
    if (coding == "deflate")
        return zlibDeflated(data);
    if (coding == "br")
        return brotliCompressed(data);
    if (coding == "zstd")
        return zstdCompressed(data);
    return {};
}

inline QByteArray chunked(const QByteArray& data) {
    return QByteArray::number(data.size(), 16) + "\r\n" + data + "\r\n0\r\n\r\n";
}

} // namespace pelnix::test
