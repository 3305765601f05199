#include "BlurredBackdrop.h"

#include <QPainter>
#include <QtMath>
#include <vector>

namespace pelnix::platform::ui {

BlurredBackdrop::BlurredBackdrop(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents, false);
}

QWidget* BlurredBackdrop::underlyingView() const {
    return m_underlying ? m_underlying.data() : parentWidget();
}

void BlurredBackdrop::setUnderlyingView(QWidget* view) {
    m_underlying = view;
}

void BlurredBackdrop::setImage(const QImage& image) {
    m_image = image;
    update();
}

void BlurredBackdrop::refresh(qreal scale, int boxSize, int iterations, const QColor& tint) {
    QWidget* under = underlyingView();
    if (!under)
        return;
    const QRect rect(mapTo(window(), QPoint(0, 0)) - under->mapTo(window(), QPoint(0, 0)), size());
    QImage picture = boxBlur(snapshot(under, this, rect, scale), boxSize, iterations);
    addTint(picture, tint);
    setImage(picture);
}

QImage BlurredBackdrop::snapshot(QWidget* underlying, QWidget* hiddenBranch, const QRect& rect, qreal scale) {
    if (!underlying || rect.isEmpty() || scale <= 0)
        return {};
    // The child of `underlying` that holds the branch: it and everything stacked above it stay out of
    // the picture. Views below it are drawn one by one, so nothing is hidden or shown for the picture.
    QWidget* branch = hiddenBranch;
    while (branch && branch->parentWidget() != underlying)
        branch = branch->parentWidget();
    const QSize pixels(qMax(1, qFloor(rect.width() * scale)), qMax(1, qFloor(rect.height() * scale)));
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black); // opaque, as the picture is
    QPainter painter(&image);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.scale(scale, scale);
    if (!branch) {
        underlying->render(&painter, QPoint(), QRegion(rect),
                           QWidget::DrawWindowBackground | QWidget::DrawChildren);
        return image;
    }
    underlying->render(&painter, QPoint(), QRegion(rect), QWidget::DrawWindowBackground);
    for (QObject* child : underlying->children()) {
        auto* view = qobject_cast<QWidget*>(child);
        if (!view || view->isWindow() || view->isHidden())
            continue;
        if (view == branch)
            break;
        const QRect part = view->geometry() & rect;
        if (part.isEmpty())
            continue;
        view->render(&painter, part.topLeft() - rect.topLeft(), QRegion(part.translated(-view->pos())),
                     QWidget::DrawWindowBackground | QWidget::DrawChildren);
    }
    return image;
}

QImage BlurredBackdrop::boxBlur(const QImage& source, int boxSize, int iterations) {
    if (source.isNull() || iterations <= 0 || boxSize <= 1)
        return source;
    if (boxSize % 2 == 0)
        ++boxSize;
    QImage image = source.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const int w = image.width();
    const int h = image.height();
    const int r = boxSize / 2;
    const quint32 area = quint32(boxSize) * quint32(boxSize);
    // Row sums first, then column sums of those, kept whole so each pass rounds once.
    std::vector<quint32> rows(size_t(w) * size_t(h) * 4);
    for (int pass = 0; pass < iterations; ++pass) {
        for (int y = 0; y < h; ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            for (int x = 0; x < w; ++x) {
                quint32 a = 0, rr = 0, g = 0, b = 0;
                for (int i = -r; i <= r; ++i) {
                    const QRgb p = line[qBound(0, x + i, w - 1)];
                    a += qAlpha(p);
                    rr += qRed(p);
                    g += qGreen(p);
                    b += qBlue(p);
                }
                quint32* out = &rows[(size_t(y) * size_t(w) + size_t(x)) * 4];
                out[0] = a;
                out[1] = rr;
                out[2] = g;
                out[3] = b;
            }
        }
        for (int y = 0; y < h; ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < w; ++x) {
                quint32 sum[4] = {0, 0, 0, 0};
                for (int j = -r; j <= r; ++j) {
                    const quint32* in = &rows[(size_t(qBound(0, y + j, h - 1)) * size_t(w) + size_t(x)) * 4];
                    for (int c = 0; c < 4; ++c)
                        sum[c] += in[c];
                }
                auto mean = [area](quint32 s) { return int((s + area / 2) / area); };
                line[x] = qRgba(mean(sum[1]), mean(sum[2]), mean(sum[3]), mean(sum[0]));
            }
        }
    }
    return image;
}

void BlurredBackdrop::addTint(QImage& image, const QColor& tint) {
    if (image.isNull() || !tint.isValid() || tint.alpha() == 0)
        return;
    if (image.format() != QImage::Format_ARGB32_Premultiplied)
        image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QColor quarter = tint;
    quarter.setAlphaF(0.25f);
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::CompositionMode_Plus);
    painter.fillRect(image.rect(), quarter);
}

void BlurredBackdrop::paintEvent(QPaintEvent*) {
    if (m_image.isNull())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(rect(), m_image);
}

} // namespace pelnix::platform::ui
