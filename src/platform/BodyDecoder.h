#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

namespace pelnix::platform {

// Undoes the codings an HTTP body came in, layer by layer as its bytes arrive: gzip (x-gzip), deflate
// (zlib's form, or raw as some servers send it under that name), brotli (br) and zstd, stacked up to
// kMaxLayers deep; identity (or none) adds no layer. The body is whole only once every layer reached its
// own end, so a stream cut inside its coding is told from a whole one whatever its framing said. Bytes
// after a layer's end are refused, as no part of its stream, save further gzip members and zstd frames
// (skippable ones too), which those formats string together: such a layer has ended whenever its last
// member or frame has. An empty body is whole in any coding. Decoded bytes go out in pieces of at most
// kPieceBytes, so that a receiver's bound stops a body that swells in decoding as soon as it is passed.
class BodyDecoder {
public:
    static constexpr int kMaxLayers = 5;
    static constexpr qsizetype kPieceBytes = 64 * 1024;
    // zstd frames asking a larger window are refused (HTTP's zstd coding allows 8 MiB).
    static constexpr int kZstdWindowLog = 23;

    using Sink = std::function<bool(const char* data, qsizetype size)>;
    enum class Result { Going, Stopped, Refused };

    // `codings` as they were applied, first to last (the content codings, then the transfer codings
    // other than chunked), in any case.
    explicit BodyDecoder(const QList<QByteArray>& codings);
    ~BodyDecoder();
    BodyDecoder(const BodyDecoder&) = delete;
    BodyDecoder& operator=(const BodyDecoder&) = delete;

    // Whether the codings are plain identity: nothing to decode.
    bool isIdentity() const { return m_known && m_layers.empty(); }
    // Decodes the next bytes into `sink`: Stopped when the sink declined, Refused when the bytes are no
    // stream of their coding or the coding is none this class knows (error() says why).
    Result decode(const char* data, qsizetype size, const Sink& sink);
    // Whether every layer reached its end, or no byte came.
    bool isWhole() const;
    QString error() const { return m_error; }

    class Layer;

private:
    bool pass(size_t layer, const char* data, qsizetype size, const Sink& sink);

    std::vector<std::unique_ptr<Layer>> m_layers;
    bool m_known = true;
    bool m_fed = false;
    QString m_error;
};

} // namespace pelnix::platform
