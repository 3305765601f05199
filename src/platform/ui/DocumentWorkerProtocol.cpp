#include "DocumentWorkerProtocol.h"

#include <cmath>
#include <cstring>

namespace pelnix::platform::ui::documentworker {

namespace {

template <typename T> void put(QByteArray& bytes, T value) {
    bytes.append(reinterpret_cast<const char*>(&value), sizeof(T));
}

// Reads values in order from a payload; any read past its end fails the whole reading.
class Cursor {
public:
    explicit Cursor(const QByteArray& bytes) : m_bytes(bytes) {}
    template <typename T> T take() {
        T value{};
        if (m_at + qsizetype(sizeof(T)) > m_bytes.size()) {
            m_ok = false;
            return value;
        }
        std::memcpy(&value, m_bytes.constData() + m_at, sizeof(T));
        m_at += sizeof(T);
        return value;
    }
    const char* rest() const { return m_bytes.constData() + m_at; }
    qsizetype left() const { return m_bytes.size() - m_at; }
    bool ok() const { return m_ok; }

private:
    const QByteArray& m_bytes;
    qsizetype m_at = 0;
    bool m_ok = true;
};

} // namespace

bool isUsableSide(double points) {
    return std::isfinite(points) && points >= 0 && points <= kMaxPagePoints;
}

quint32 maxPayloadBytes(char kind) {
    switch (kind) {
    case Open:
        return 64 * 1024; // a path
    case Render:
        return 16;
    case Opened:
        return 4;
    case Failed:
        return 0;
    case Sizes:
        return 8 + kSizesPerFrame * 16;
    case Page:
        return kMaxPayloadBytes;
    default:
        return 0;
    }
}

QByteArray frame(Kind kind, const QByteArray& payload) {
    QByteArray bytes;
    bytes.reserve(kHeaderBytes + payload.size());
    bytes.append(char(kind));
    put<quint32>(bytes, quint32(payload.size()));
    bytes.append(payload);
    return bytes;
}

QByteArray openFrame(const QString& path) {
    return frame(Open, path.toUtf8());
}

QByteArray renderFrame(int page, const QSize& pixels, int pageHeight) {
    QByteArray payload;
    put<qint32>(payload, page);
    put<qint32>(payload, pixels.width());
    put<qint32>(payload, pixels.height());
    put<qint32>(payload, pageHeight);
    return frame(Render, payload);
}

QByteArray openedFrame(int pageCount) {
    QByteArray payload;
    put<qint32>(payload, pageCount);
    return frame(Opened, payload);
}

QByteArray sizesFrame(int first, const QList<QSizeF>& sizes) {
    QByteArray payload;
    put<qint32>(payload, first);
    put<qint32>(payload, qint32(sizes.size()));
    for (const QSizeF& size : sizes) {
        put<double>(payload, size.width());
        put<double>(payload, size.height());
    }
    return frame(Sizes, payload);
}

QByteArray pageFrame(int page, const QImage& image) {
    const QImage pixels =
        image.isNull() ? QImage() : image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QByteArray payload;
    payload.reserve(12 + (pixels.isNull() ? 0 : pixels.width() * pixels.height() * 4));
    put<qint32>(payload, page);
    put<qint32>(payload, pixels.width());
    put<qint32>(payload, pixels.height());
    for (int y = 0; y < pixels.height(); ++y)
        payload.append(reinterpret_cast<const char*>(pixels.constScanLine(y)), pixels.width() * 4);
    return frame(Page, payload);
}

std::optional<QString> readOpen(const Frame& frame) {
    if (frame.kind != Open)
        return std::nullopt;
    return QString::fromUtf8(frame.payload);
}

std::optional<RenderRequest> readRender(const Frame& frame) {
    Cursor in(frame.payload);
    RenderRequest request;
    request.page = in.take<qint32>();
    const int width = in.take<qint32>();
    const int height = in.take<qint32>();
    request.pixels = QSize(width, height);
    request.pageHeight = in.take<qint32>();
    if (frame.kind != Render || !in.ok() || in.left() != 0 || width <= 0 || height <= 0 ||
        qint64(width) * height > kMaxPixels || (request.pageHeight != 0 && request.pageHeight <= height))
        return std::nullopt;
    return request;
}

std::optional<int> readOpened(const Frame& frame) {
    Cursor in(frame.payload);
    const int count = in.take<qint32>();
    // A document of no pages is Failed.
    if (frame.kind != Opened || !in.ok() || count <= 0)
        return std::nullopt;
    return count;
}

std::optional<SizeRun> readSizes(const Frame& frame) {
    Cursor in(frame.payload);
    SizeRun run;
    run.first = in.take<qint32>();
    const int count = in.take<qint32>();
    if (frame.kind != Sizes || !in.ok() || run.first < 0 || count <= 0 || count > kSizesPerFrame ||
        in.left() != qsizetype(count) * 16)
        return std::nullopt;
    run.sizes.reserve(count);
    for (int i = 0; i < count; ++i) {
        const double width = in.take<double>();
        const double height = in.take<double>();
        if (!isUsableSide(width) || !isUsableSide(height))
            return std::nullopt;
        run.sizes << QSizeF(width, height);
    }
    return run;
}

std::optional<RenderedPage> readPage(const Frame& frame) {
    Cursor in(frame.payload);
    RenderedPage rendered;
    rendered.page = in.take<qint32>();
    const int width = in.take<qint32>();
    const int height = in.take<qint32>();
    if (frame.kind != Page || !in.ok() || width < 0 || height < 0 || qint64(width) * height > kMaxPixels ||
        in.left() != qsizetype(width) * height * 4)
        return std::nullopt;
    if (width > 0 && height > 0) {
        // The picture stands on the payload's own bytes, which it keeps (a page is tens of MB, copied
        // on the main thread otherwise). Read-only: a change would copy it first.
        auto* kept = new QByteArray(frame.payload);
        const auto* pixels =
            reinterpret_cast<const uchar*>(kept->constData()) + (in.rest() - frame.payload.constData());
        rendered.image = QImage(
            pixels, width, height, qsizetype(width) * 4, QImage::Format_ARGB32_Premultiplied,
            [](void* bytes) { delete static_cast<QByteArray*>(bytes); }, kept);
    }
    return rendered;
}

void FrameReader::append(const QByteArray& bytes) {
    // A page is tens of MB: shared rather than copied where it can be.
    if (m_buffer.isEmpty())
        m_buffer = bytes;
    else
        m_buffer.append(bytes);
}

std::optional<Frame> FrameReader::next() {
    if (m_broken || m_buffer.size() - m_read < kHeaderBytes)
        return std::nullopt;
    const char* header = m_buffer.constData() + m_read;
    quint32 length = 0;
    std::memcpy(&length, header + 1, sizeof(length));
    const char kind = header[0];
    // Checked before the payload is waited for: a frame cannot make the reader hold more than its kind.
    if (length > maxPayloadBytes(kind) || (kind != Open && kind != Render && kind != Opened &&
                                           kind != Failed && kind != Sizes && kind != Page)) {
        m_broken = true;
        return std::nullopt;
    }
    if (m_buffer.size() - m_read < kHeaderBytes + qsizetype(length))
        return std::nullopt;
    if (m_read == 0 && m_buffer.size() == kHeaderBytes + qsizetype(length)) {
        // The whole buffer is this frame: it becomes the payload without a copy.
        Frame whole{Kind(kind), std::move(m_buffer)};
        whole.payload.remove(0, kHeaderBytes);
        m_buffer = QByteArray();
        return whole;
    }
    Frame frame{Kind(kind), m_buffer.mid(m_read + kHeaderBytes, length)};
    m_read += kHeaderBytes + length;
    // Drop what was read once it is most of the buffer, so the buffer does not grow without end.
    if (m_read > m_buffer.size() / 2) {
        m_buffer.remove(0, m_read);
        m_read = 0;
    }
    return frame;
}

} // namespace pelnix::platform::ui::documentworker
