#pragma once

#include <QFutureWatcher>
#include <QImage>
#include <QList>
#include <QTimer>
#include <QWidget>

class QPainter;
#include <functional>

namespace pelnix::platform::ui {

// An image view with UIKit's content modes, a round (circle) or rounded clip, frame animation, and
// asynchronous loading: the loader runs off the main thread and only the latest request's image is
// shown (a cell reused for another row never shows the old row's picture).
class ImageView : public QWidget {
    Q_OBJECT
public:
    enum class ContentMode { ScaleToFill, ScaleAspectFit, ScaleAspectFill, Center };

    explicit ImageView(QWidget* parent = nullptr);
    ~ImageView() override;

    QImage image() const { return m_image; }
    void setImage(const QImage& image);
    ContentMode contentMode() const { return m_mode; }
    void setContentMode(ContentMode mode);
    bool isRound() const { return m_round; }
    void setRound(bool round);
    void setCornerRadius(qreal radius);
    void setBackgroundColor(const QColor& color);

    // Shows `placeholder` now and the loader's image when it arrives (an empty image keeps the
    // placeholder). `done` runs on the main thread with the loaded image.
    void loadImageAsync(std::function<QImage()> loader, const QImage& placeholder = {},
                        std::function<void(const QImage&)> done = {});
    bool isLoading() const;

    void setAnimationImages(const QList<QImage>& images, int durationMs);
    void startAnimating();
    void stopAnimating();
    bool isAnimating() const { return m_frameTimer.isActive(); }

signals:
    void imageLoaded();

protected:
    void paintEvent(QPaintEvent* event) override;
    // Draws the background and the image into the view's rect through `painter`, under whatever
    // transform it carries.
    void paintContent(QPainter& painter);

private:
    QImage m_image;
    ContentMode m_mode = ContentMode::ScaleAspectFill;
    bool m_round = false;
    qreal m_radius = 0;
    QColor m_background = Qt::transparent;
    quint64 m_generation = 0;
    QFutureWatcher<QImage>* m_watcher = nullptr;
    QList<QImage> m_frames;
    int m_frame = 0;
    QTimer m_frameTimer;
};

} // namespace pelnix::platform::ui
