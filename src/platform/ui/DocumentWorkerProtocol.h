#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QSizeF>

#include <optional>

namespace pelnix::platform::ui {

// What the document worker (the program pelnix-document-worker) and the preview say to each other
// over the worker's standard input and output. A frame is a kind byte, a 32-bit payload length and
// the payload, in the machine's own byte order: both ends are this build.
//
//   preview -> worker   Open    the document's path (UTF-8); the first frame, once
//                       Render  page, width, height, page height: the page drawn at that pixel size,
//                               or, with a page height, its top part drawn at that width
//   worker -> preview   Opened  the page count the document claims
//                       Failed  the document cannot be read
//                       Sizes   the first page of a run of page sizes and the sizes (points; 0 x 0 for
//                               a page without a usable size), for the first kMaxPages pages at most
//                       Page    page, width, height and the pixels (ARGB32, premultiplied);
//                               0 x 0 when the page cannot be drawn
namespace documentworker {

enum Kind : char { Open = 'L', Render = 'R', Opened = 'O', Failed = 'E', Sizes = 'S', Page = 'P' };

// A render asking for more pixels than this is refused by the worker.
inline constexpr qint64 kMaxPixels = 16 * 1024 * 1024;
// Sizes go out in runs of this many pages, between renders.
inline constexpr int kSizesPerFrame = 256;
inline constexpr int kHeaderBytes = 5;
// Larger than any page the worker draws.
inline constexpr quint32 kMaxPayloadBytes = quint32(kMaxPixels * 4 + 64);
// The pages of a document that are shown; a document claiming more shows these with a note. The
// tallest widget (16,777,215 pixels) holds 100,000 A4 pages with their gaps at about 110 pixels wide,
// about the narrowest a page can still be told apart at: more would all be laid out narrower. It is
// five times a 20,000-page reference manual, while the PDF engine takes a page tree's word for up to
// a million pages that a file of a few hundred bytes can claim.
inline constexpr int kMaxPages = 100000;
// A page side beyond this (points; 14,400 is the format's own bound) is no usable size.
inline constexpr double kMaxPagePoints = 1e6;

// The longest payload a frame of this kind can have; 0 for no kind.
quint32 maxPayloadBytes(char kind);
// A page side the preview lays out: finite, and 0 (no size) up to kMaxPagePoints.
bool isUsableSide(double points);

struct Frame {
    Kind kind = Open;
    QByteArray payload;
};

QByteArray frame(Kind kind, const QByteArray& payload);
QByteArray openFrame(const QString& path);
QByteArray renderFrame(int page, const QSize& pixels, int pageHeight = 0);
QByteArray openedFrame(int pageCount);
QByteArray sizesFrame(int first, const QList<QSizeF>& sizes);
QByteArray pageFrame(int page, const QImage& image);

struct RenderRequest {
    int page = -1;
    QSize pixels;
    // 0, or the page's height at pixels' width when only its top is drawn (larger than pixels').
    int pageHeight = 0;
};
struct SizeRun {
    int first = 0;
    QList<QSizeF> sizes;
};
struct RenderedPage {
    int page = -1;
    QImage image;
};

std::optional<QString> readOpen(const Frame& frame);
std::optional<RenderRequest> readRender(const Frame& frame);
std::optional<int> readOpened(const Frame& frame);
std::optional<SizeRun> readSizes(const Frame& frame);
std::optional<RenderedPage> readPage(const Frame& frame);

// Cuts frames out of a byte stream as it arrives.
class FrameReader {
public:
    void append(const QByteArray& bytes);
    // The next whole frame; none while it has not all arrived, or when the stream is broken (then
    // isBroken()).
    std::optional<Frame> next();
    bool isBroken() const { return m_broken; }
    // Part of a frame has arrived, not all of it.
    bool hasPartFrame() const { return m_buffer.size() > m_read; }

private:
    QByteArray m_buffer;
    qsizetype m_read = 0;
    bool m_broken = false;
};

} // namespace documentworker

} // namespace pelnix::platform::ui
