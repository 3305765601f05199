#pragma once

#include "PLCircularProgressViewDelegate.h"
#include "platform/ui/WeakDelegate.h"

#include <QColor>
#include <QPainterPath>
#include <QPointer>
#include <QWidget>
#include <optional>

class QVariantAnimation;

namespace pelnix {

// A fraction 0..1 as a ring: a thin full circle (the wrapper) and over it a thicker arc from the top,
// clockwise. A change of fraction grows the arc from where it ended over `duration` seconds. Setters
// only store: colours and widths show at the next layout or repaint, and the arc's line width is
// taken once, at the first layout.
class PLCircularProgressView : public QWidget {
    Q_OBJECT
public:
    explicit PLCircularProgressView(QWidget* parent = nullptr);
    ~PLCircularProgressView() override;

    PLCircularProgressViewDelegate* delegate() const { return m_delegate.get(); }
    void setDelegate(PLCircularProgressViewDelegate* delegate) { m_delegate.set(delegate); }
    QColor progressColor() const { return m_progressColor; }
    void setProgressColor(const QColor& color) { m_progressColor = color; }
    QColor wrapperColor() const { return m_wrapperColor; }
    void setWrapperColor(const QColor& color) { m_wrapperColor = color; }
    double progressArcWidth() const { return m_progressArcWidth; }
    void setProgressArcWidth(double width) { m_progressArcWidth = width; }
    double wrapperArcWidth() const { return m_wrapperArcWidth; }
    void setWrapperArcWidth(double width) { m_wrapperArcWidth = width; }
    double duration() const { return m_duration; }
    void setDuration(double seconds) { m_duration = seconds; }
    bool isAnimated() const { return m_animated; }

    double currentProgress() const { return m_currentProgress; }
    double lastProgress() const { return m_lastProgress; }
    void setProgress(double fraction, bool animated);
    void setProgress(double fraction, double durationSeconds);
    // Runs a layout asked for by setProgress() now instead of on the next turn of the event loop.
    void layoutIfNeeded();
    void pause();
    void resume();
    bool isPaused() const;
    bool isAnimating() const;

    // What the arc layer draws now: its path, line width and stroke end (0..1 of the path).
    QPainterPath progressPath() const;
    double arcLineWidth() const { return m_arcLineWidth.value_or(m_progressArcWidth); }
    double strokeEnd() const { return m_strokeEnd; }
    // The wrapper circle's square for a full repaint.
    QRectF wrapperRect() const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    void setUp();
    void refreshShapeLayer();
    QPainterPath arcPath(double fraction) const;

    platform::ui::WeakDelegate<PLCircularProgressViewDelegate> m_delegate;
    QColor m_progressColor;
    QColor m_wrapperColor;
    double m_progressArcWidth = 3.0;
    double m_wrapperArcWidth = 1.0;
    double m_currentProgress = 0;
    double m_lastProgress = 0;
    bool m_animated = true;
    double m_duration = 0.5;
    std::optional<double> m_arcLineWidth;
    QColor m_strokeColor;
    double m_strokeEnd = 1.0;
    bool m_layoutRequested = false;
    QPointer<QVariantAnimation> m_animation;
};

} // namespace pelnix
