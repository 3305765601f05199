#include "MapTileRenderer.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QString>

namespace pelnix::standin {

namespace {

constexpr int kGlyphScale = 2; // each font pixel is 2 x 2
constexpr int kAdvance = 6 * kGlyphScale;

// A 5 x 7 pixel font: one byte a row, bit 4 the leftmost pixel.
const unsigned char* glyph(char c) {
    struct Glyph {
        char c;
        unsigned char rows[7];
    };
    static const Glyph font[] = {
        {'A', {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}}, {'B', {0x1E, 0x11, 0x11, 0x1E, 0x11, 0x11, 0x1E}},
        {'C', {0x0E, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0E}}, {'D', {0x1E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x1E}},
        {'E', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F}}, {'F', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x10}},
        {'G', {0x0E, 0x11, 0x10, 0x17, 0x11, 0x11, 0x0F}}, {'H', {0x11, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
        {'I', {0x0E, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E}}, {'J', {0x07, 0x02, 0x02, 0x02, 0x02, 0x12, 0x0C}},
        {'K', {0x11, 0x12, 0x14, 0x18, 0x14, 0x12, 0x11}}, {'L', {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F}},
        {'M', {0x11, 0x1B, 0x15, 0x15, 0x11, 0x11, 0x11}}, {'N', {0x11, 0x11, 0x19, 0x15, 0x13, 0x11, 0x11}},
        {'O', {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}}, {'P', {0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10}},
        {'Q', {0x0E, 0x11, 0x11, 0x11, 0x15, 0x12, 0x0D}}, {'R', {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11}},
        {'S', {0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E}}, {'T', {0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04}},
        {'U', {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}}, {'V', {0x11, 0x11, 0x11, 0x11, 0x11, 0x0A, 0x04}},
        {'W', {0x11, 0x11, 0x11, 0x15, 0x15, 0x15, 0x0A}}, {'X', {0x11, 0x11, 0x0A, 0x04, 0x0A, 0x11, 0x11}},
        {'Y', {0x11, 0x11, 0x11, 0x0A, 0x04, 0x04, 0x04}}, {'Z', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x10, 0x1F}},
        {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}}, {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
        {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}}, {'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
        {'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}}, {'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
        {'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}}, {'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
        {'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}}, {'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
    };
    for (const Glyph& g : font)
        if (g.c == c)
            return g.rows;
    return nullptr; // a space
}

// Text in the pixel font with its top left corner at the painter's origin.
void drawText(QPainter& painter, const QString& text) {
    for (int i = 0; i < text.size(); ++i) {
        const unsigned char* rows = glyph(text.at(i).toLatin1());
        if (!rows)
            continue;
        for (int row = 0; row < 7; ++row)
            for (int column = 0; column < 5; ++column)
                if (rows[row] & (0x10 >> column))
                    painter.fillRect(i * kAdvance + column * kGlyphScale, row * kGlyphScale, kGlyphScale,
                                     kGlyphScale, painter.brush());
    }
}

int textWidth(const QString& text) {
    return text.size() * kAdvance - kGlyphScale;
}

} // namespace

bool MapTileRenderer::isValidTile(int z, int x, int y) {
    if (z < 0 || z > kMaximumZoom)
        return false;
    const long long count = 1LL << z;
    return x >= 0 && y >= 0 && x < count && y < count;
}

bool MapTileRenderer::isPark(long long blockX, long long blockY) {
    return ((blockX * 7 + blockY * 13) % 9) == 4;
}

QByteArray MapTileRenderer::png(int z, int x, int y) {
    if (!isValidTile(z, x, y))
        return {};
    QImage image(kTileSize, kTileSize, QImage::Format_RGB32);
    image.fill(QColor::fromRgb(kLand));
    QPainter painter(&image);
    // World pixels of this zoom level, moved so the tile's corner is at the origin.
    const long long left = (long long)x * kTileSize;
    const long long top = (long long)y * kTileSize;
    painter.translate(-double(left % kStreetSpacing), -double(top % kStreetSpacing));
    const long long firstX = left / kStreetSpacing - 1;
    const long long firstY = top / kStreetSpacing - 1;
    const int count = kTileSize / kStreetSpacing + 2;
    const auto at = [](long long index, long long first) {
        return double((index - first - 1) * kStreetSpacing);
    };
    constexpr double half = kStreetWidth / 2.0;

    for (long long by = firstY; by < firstY + count; ++by)
        for (long long bx = firstX; bx < firstX + count; ++bx)
            if (isPark(bx, by))
                painter.fillRect(QRectF(at(bx, firstX) + half + 8, at(by, firstY) + half + 8,
                                        kStreetSpacing - kStreetWidth - 16,
                                        kStreetSpacing - kStreetWidth - 16),
                                 QColor::fromRgb(kPark));
    for (long long i = firstY; i < firstY + count; ++i)
        painter.fillRect(
            QRectF(-kStreetSpacing, at(i, firstY) - half, kTileSize + 3 * kStreetSpacing, kStreetWidth),
            QColor::fromRgb(kStreet));
    for (long long i = firstX; i < firstX + count; ++i)
        painter.fillRect(
            QRectF(at(i, firstX) - half, -kStreetSpacing, kStreetWidth, kTileSize + 3 * kStreetSpacing),
            QColor::fromRgb(kStreet));

    // One name in each stretch of street between two crossings, in the street's middle.
    painter.setBrush(QColor::fromRgb(kLabel));
    for (long long i = firstY; i < firstY + count; ++i) {
        const QString name = QStringLiteral("ST %1").arg(i % 10000);
        for (long long j = firstX; j < firstX + count; ++j) {
            painter.save();
            painter.translate(at(j, firstX) + (kStreetSpacing - textWidth(name)) / 2.0,
                              at(i, firstY) - 7 * kGlyphScale / 2.0);
            drawText(painter, name);
            painter.restore();
        }
    }
    for (long long j = firstX; j < firstX + count; ++j) {
        const QString name = QStringLiteral("AVE %1").arg(j % 10000);
        for (long long i = firstY; i < firstY + count; ++i) {
            painter.save();
            // Read from below, as a map names a north-south street.
            painter.translate(at(j, firstX) - 7 * kGlyphScale / 2.0,
                              at(i, firstY) + (kStreetSpacing + textWidth(name)) / 2.0);
            painter.rotate(-90);
            drawText(painter, name);
            painter.restore();
        }
    }
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

} // namespace pelnix::standin
