#pragma once

#include <QImage>
#include <QWidget>

class QVideoFrame;
class QVideoSink;

namespace pelnix::platform::ui {

// Paints the frames of a video sink, fitted to the view with black bars. Frames are painted by
// the view itself, so grabbing it (screenshots, tests) shows the picture.
class VideoView : public QWidget {
    Q_OBJECT
public:
    explicit VideoView(QWidget* parent = nullptr);

    QVideoSink* videoSink() const { return m_sink; }
    QImage currentFrame() const { return m_frame; }
    void setFrame(const QImage& frame);
    // An invalid frame changes nothing.
    void showFrame(const QVideoFrame& frame);

signals:
    void frameShown();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QVideoSink* m_sink;
    QImage m_frame;
};

} // namespace pelnix::platform::ui
