#pragma once

#include <QColor>
#include <QImage>
#include <QPointer>
#include <QWidget>

namespace pelnix::platform::ui {

// A view that shows a blurred picture of what lies beneath it: a snapshot of the underlying view
// (the superview unless another is chosen) taken with the backdrop's own branch hidden, blurred by
// repeated box passes and drawn stretched over the backdrop. Refresh() takes a new picture; the
// pixel work is in the static functions so it can also run off the main thread.
class BlurredBackdrop : public QWidget {
    Q_OBJECT
public:
    explicit BlurredBackdrop(QWidget* parent = nullptr);

    // The view to blur; the parent widget when unset or gone.
    QWidget* underlyingView() const;
    void setUnderlyingView(QWidget* view);

    // The blurred picture shown now (null before the first refresh).
    QImage image() const { return m_image; }
    void setImage(const QImage& image);

    // Snapshot, blur with `boxSize` x `iterations` and tint, then show it.
    void refresh(qreal scale, int boxSize, int iterations, const QColor& tint);

    // The underlying view's pixels under `rect` (its coordinates) at `scale`, with `hiddenBranch` (a
    // view inside it: the backdrop itself, usually) and every later sibling of that branch hidden.
    static QImage snapshot(QWidget* underlying, QWidget* hiddenBranch, const QRect& rect, qreal scale);
    // `iterations` passes of a `boxSize` x `boxSize` mean over all four channels; pixels beyond the
    // edge repeat the nearest edge pixel. An even size is raised to the next odd one.
    static QImage boxBlur(const QImage& image, int boxSize, int iterations);
    // Adds `tint` at a quarter of its strength to every pixel, channels clamped at full.
    static void addTint(QImage& image, const QColor& tint);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPointer<QWidget> m_underlying;
    QImage m_image;
};

} // namespace pelnix::platform::ui
