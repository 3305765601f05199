#include "ImageView.h"

#include <QPainter>
#include <QPainterPath>
#include <QtConcurrent/QtConcurrentRun>

namespace pelnix::platform::ui {

ImageView::ImageView(QWidget* parent) : QWidget(parent) {
    connect(&m_frameTimer, &QTimer::timeout, this, [this] {
        if (m_frames.isEmpty())
            return;
        m_frame = (m_frame + 1) % int(m_frames.size());
        m_image = m_frames[m_frame];
        update();
    });
}

ImageView::~ImageView() {
    // A loader still running finishes on its own; its result is dropped with the watcher.
    if (m_watcher)
        m_watcher->disconnect(this);
}

void ImageView::setImage(const QImage& image) {
    ++m_generation; // a pending load must not overwrite an image set later
    m_image = image;
    update();
}

void ImageView::setContentMode(ContentMode mode) {
    m_mode = mode;
    update();
}

void ImageView::setRound(bool round) {
    m_round = round;
    update();
}

void ImageView::setCornerRadius(qreal radius) {
    m_radius = radius;
    update();
}

void ImageView::setBackgroundColor(const QColor& color) {
    m_background = color;
    update();
}

bool ImageView::isLoading() const {
    return m_watcher && m_watcher->isRunning();
}

void ImageView::loadImageAsync(std::function<QImage()> loader, const QImage& placeholder,
                               std::function<void(const QImage&)> done) {
    setImage(placeholder);
    const quint64 generation = m_generation;
    if (!loader)
        return;
    if (!m_watcher)
        m_watcher = new QFutureWatcher<QImage>(this);
    m_watcher->disconnect(this);
    connect(m_watcher, &QFutureWatcher<QImage>::finished, this, [this, generation, done] {
        if (generation != m_generation)
            return;
        const QImage loaded = m_watcher->future().result();
        if (!loaded.isNull()) {
            m_image = loaded;
            update();
        }
        if (done)
            done(loaded);
        emit imageLoaded();
    });
    m_watcher->setFuture(QtConcurrent::run(std::move(loader)));
}

void ImageView::setAnimationImages(const QList<QImage>& images, int durationMs) {
    m_frames = images;
    m_frame = 0;
    m_frameTimer.setInterval(images.isEmpty() ? 0 : qMax(16, durationMs / int(images.size())));
}

void ImageView::startAnimating() {
    if (m_frames.isEmpty())
        return;
    m_image = m_frames.first();
    m_frameTimer.start();
    update();
}

void ImageView::stopAnimating() {
    m_frameTimer.stop();
}

void ImageView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paintContent(painter);
}

void ImageView::paintContent(QPainter& painter) {
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF bounds = rect();
    if (m_round || m_radius > 0) {
        QPainterPath clip;
        if (m_round)
            clip.addEllipse(bounds);
        else
            clip.addRoundedRect(bounds, m_radius, m_radius);
        painter.setClipPath(clip);
    }
    if (m_background.alpha() > 0)
        painter.fillRect(bounds, m_background);
    if (m_image.isNull())
        return;
    const QSizeF imageSize = QSizeF(m_image.size()) / m_image.devicePixelRatio();
    QRectF target = bounds;
    switch (m_mode) {
    case ContentMode::ScaleToFill:
        break;
    case ContentMode::ScaleAspectFit:
    case ContentMode::ScaleAspectFill: {
        const QSizeF scaled = imageSize.scaled(bounds.size(), m_mode == ContentMode::ScaleAspectFit
                                                                  ? Qt::KeepAspectRatio
                                                                  : Qt::KeepAspectRatioByExpanding);
        target = QRectF(QPointF(), scaled);
        target.moveCenter(bounds.center());
        break;
    }
    case ContentMode::Center:
        target = QRectF(QPointF(), imageSize);
        target.moveCenter(bounds.center());
        break;
    }
    painter.drawImage(target, m_image);
}

} // namespace pelnix::platform::ui
