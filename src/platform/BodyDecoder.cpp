#include "platform/BodyDecoder.h"

#include <brotli/decode.h>
#include <zlib.h>
#include <zstd.h>

namespace pelnix::platform {

// One coding's decoder; it hands on what it decoded and keeps whether its stream has ended.
class BodyDecoder::Layer {
public:
    using Forward = std::function<bool(const char* data, qsizetype size)>;
    virtual ~Layer() = default;
    // False when `forward` declined, or when the bytes are no stream of this coding (then failed()).
    virtual bool feed(const char* data, qsizetype size, const Forward& forward) = 0;
    bool ended() const { return m_ended; }
    bool failed() const { return m_failed; }

protected:
    bool fail() {
        m_failed = true;
        return false;
    }

    char m_out[kPieceBytes];
    bool m_ended = false;
    bool m_failed = false;
};

namespace {

class ZlibLayer final : public BodyDecoder::Layer {
public:
    explicit ZlibLayer(bool gzip) : m_gzip(gzip) {}
    ~ZlibLayer() override {
        if (m_started)
            inflateEnd(&m_stream);
    }

    bool feed(const char* data, qsizetype size, const Forward& forward) override {
        if (!m_started) {
            if (m_gzip) {
                if (!start(16 + MAX_WBITS))
                    return fail();
            } else {
                // A deflate stream in zlib's form or raw is told by its first two bytes.
                if (m_head.size() + size < 2) {
                    m_head.append(data, size);
                    return true;
                }
                const QByteArray head = m_head + QByteArray(data, qMin<qsizetype>(size, 2));
                const auto first = quint8(head[0]);
                const auto second = quint8(head[1]);
                const bool zlibForm =
                    (first & 0x0f) == Z_DEFLATED && (first >> 4) <= 7 && ((first << 8) | second) % 31 == 0;
                if (!start(zlibForm ? MAX_WBITS : -MAX_WBITS))
                    return fail();
                const QByteArray held = std::exchange(m_head, {});
                if (!held.isEmpty() && !inflateAll(held.constData(), held.size(), forward))
                    return false;
            }
        }
        return inflateAll(data, size, forward);
    }

private:
    bool start(int windowBits) {
        m_stream = {};
        m_started = inflateInit2(&m_stream, windowBits) == Z_OK;
        return m_started;
    }

    // gzip members may follow one another (RFC 1952); the body has ended whenever the last one has.
    // A zlib stream has one end, and bytes after it are refused.
    bool inflateAll(const char* data, qsizetype size, const Forward& forward) {
        m_stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
        m_stream.avail_in = uInt(size);
        for (;;) {
            if (m_ended) {
                if (m_stream.avail_in == 0)
                    return true;
                if (!m_gzip || inflateReset(&m_stream) != Z_OK)
                    return fail();
                m_ended = false;
            }
            m_stream.next_out = reinterpret_cast<Bytef*>(m_out);
            m_stream.avail_out = uInt(sizeof m_out);
            const int result = inflate(&m_stream, Z_NO_FLUSH);
            const qsizetype produced = qsizetype(sizeof m_out - m_stream.avail_out);
            if (result != Z_OK && result != Z_STREAM_END && (result != Z_BUF_ERROR || m_stream.avail_in > 0))
                return fail();
            if (produced > 0 && !forward(m_out, produced))
                return false;
            m_ended = result == Z_STREAM_END;
            if (!m_ended && m_stream.avail_in == 0 && m_stream.avail_out > 0)
                return true;
        }
    }

    const bool m_gzip;
    bool m_started = false;
    QByteArray m_head;
    z_stream m_stream{};
};

class BrotliLayer final : public BodyDecoder::Layer {
public:
    BrotliLayer() : m_state(BrotliDecoderCreateInstance(nullptr, nullptr, nullptr)) {}
    ~BrotliLayer() override {
        if (m_state)
            BrotliDecoderDestroyInstance(m_state);
    }

    bool feed(const char* data, qsizetype size, const Forward& forward) override {
        if (!m_state)
            return fail();
        auto in = reinterpret_cast<const uint8_t*>(data);
        size_t inLeft = size_t(size);
        while (inLeft > 0 || !m_ended) {
            if (m_ended)
                return fail();
            auto out = reinterpret_cast<uint8_t*>(m_out);
            size_t outLeft = sizeof m_out;
            const BrotliDecoderResult result =
                BrotliDecoderDecompressStream(m_state, &inLeft, &in, &outLeft, &out, nullptr);
            if (result == BROTLI_DECODER_RESULT_ERROR)
                return fail();
            if (const auto produced = qsizetype(sizeof m_out - outLeft);
                produced > 0 && !forward(m_out, produced))
                return false;
            m_ended = result == BROTLI_DECODER_RESULT_SUCCESS;
            if (result == BROTLI_DECODER_RESULT_NEEDS_MORE_INPUT)
                return true;
        }
        return true;
    }

private:
    BrotliDecoderState* m_state;
};

class ZstdLayer final : public BodyDecoder::Layer {
public:
    ZstdLayer() : m_stream(ZSTD_createDStream()) {
        if (m_stream && ZSTD_isError(ZSTD_DCtx_setParameter(m_stream, ZSTD_d_windowLogMax,
                                                            BodyDecoder::kZstdWindowLog))) {
            ZSTD_freeDStream(m_stream);
            m_stream = nullptr;
        }
    }
    ~ZstdLayer() override { ZSTD_freeDStream(m_stream); }

    // Frames, skippable ones among them, may follow one another; the body has ended whenever the last
    // one has. After an end the decoder answers the size of a next frame's header, also to a call that
    // only looked for more output: the body goes on only once a byte of that frame came.
    bool feed(const char* data, qsizetype size, const Forward& forward) override {
        if (!m_stream)
            return fail();
        ZSTD_inBuffer in{data, size_t(size), 0};
        for (;;) {
            ZSTD_outBuffer out{m_out, sizeof m_out, 0};
            const size_t taken = in.pos;
            const size_t result = ZSTD_decompressStream(m_stream, &out, &in);
            if (ZSTD_isError(result))
                return fail();
            if (out.pos > 0 && !forward(m_out, qsizetype(out.pos)))
                return false;
            if (result == 0)
                m_ended = true;
            else if (in.pos > taken)
                m_ended = false;
            if (in.pos == in.size && out.pos < out.size)
                return true;
        }
    }

private:
    ZSTD_DStream* m_stream;
};

std::unique_ptr<BodyDecoder::Layer> layerFor(const QByteArray& coding) {
    if (coding == "gzip" || coding == "x-gzip")
        return std::make_unique<ZlibLayer>(true);
    if (coding == "deflate")
        return std::make_unique<ZlibLayer>(false);
    if (coding == "br")
        return std::make_unique<BrotliLayer>();
    if (coding == "zstd")
        return std::make_unique<ZstdLayer>();
    return nullptr;
}

} // namespace

BodyDecoder::BodyDecoder(const QList<QByteArray>& codings) {
    for (const QByteArray& named : codings) {
        const QByteArray coding = named.trimmed().toLower();
        if (coding.isEmpty() || coding == "identity" || coding == "none")
            continue;
        auto layer = layerFor(coding);
        if (!layer || m_layers.size() >= size_t(kMaxLayers)) {
            m_known = false;
            m_layers.clear();
            return;
        }
        // The last coding applied is the first undone.
        m_layers.insert(m_layers.begin(), std::move(layer));
    }
}

BodyDecoder::~BodyDecoder() = default;

BodyDecoder::Result BodyDecoder::decode(const char* data, qsizetype size, const Sink& sink) {
    if (size <= 0)
        return Result::Going;
    m_fed = true;
    if (!m_known) {
        m_error = QStringLiteral("the file came in a coding this library cannot decode");
        return Result::Refused;
    }
    if (pass(0, data, size, sink))
        return Result::Going;
    for (const auto& layer : m_layers)
        if (layer->failed()) {
            m_error = QStringLiteral("the file came in a coding this library cannot decode");
            return Result::Refused;
        }
    return Result::Stopped;
}

bool BodyDecoder::pass(size_t layer, const char* data, qsizetype size, const Sink& sink) {
    if (layer == m_layers.size())
        return sink(data, size);
    return m_layers[layer]->feed(data, size, [this, layer, &sink](const char* out, qsizetype produced) {
        return pass(layer + 1, out, produced, sink);
    });
}

bool BodyDecoder::isWhole() const {
    if (!m_fed)
        return true;
    for (const auto& layer : m_layers)
        if (!layer->ended())
            return false;
    return m_known;
}

} // namespace pelnix::platform
