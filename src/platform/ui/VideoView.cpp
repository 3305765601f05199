#include "VideoView.h"

#include <QPainter>
#include <QVideoFrame>
#include <QVideoSink>

namespace pelnix::platform::ui {

VideoView::VideoView(QWidget* parent) : QWidget(parent), m_sink(new QVideoSink(this)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    // The sink signals from the decoder's thread; the context object brings each frame here.
    connect(m_sink, &QVideoSink::videoFrameChanged, this, &VideoView::showFrame);
}

void VideoView::showFrame(const QVideoFrame& frame) {
    if (frame.isValid())
        setFrame(frame.toImage());
}

void VideoView::setFrame(const QImage& frame) {
    m_frame = frame;
    update();
    emit frameShown();
}

void VideoView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (m_frame.isNull())
        return;
    const QSize fitted = m_frame.size().scaled(size(), Qt::KeepAspectRatio);
    const QRect target(QPoint((width() - fitted.width()) / 2, (height() - fitted.height()) / 2), fitted);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, m_frame);
}

} // namespace pelnix::platform::ui
