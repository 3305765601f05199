#pragma once

#include "platform/ui/BlurredBackdrop.h"

#include <QColor>
#include <functional>

namespace pelnix {

// A view that shows a blurred, optionally tinted picture of what lies beneath it. Static views
// refresh when marked for display (a radius, size or position change, a new parent); dynamic ones
// in a window are refreshed by the shared scheduler, one view at a time, the blur off the main
// thread. The radius is a property, so it can be animated.
class PLBlurView : public platform::ui::BlurredBackdrop {
    Q_OBJECT
    Q_PROPERTY(double blurRadius READ blurRadius WRITE setBlurRadius)
public:
    explicit PLBlurView(QWidget* parent = nullptr);
    ~PLBlurView() override;

    // Process-wide switches, forwarded to the scheduler.
    static void setBlurEnabledGlobally(bool enabled);
    static void setUpdatesEnabled();
    static void setUpdatesDisabled();

    bool isBlurEnabled() const { return m_blurEnabled; }
    void setBlurEnabled(bool enabled);
    bool isDynamic() const { return m_dynamic; }
    void setDynamic(bool dynamic);
    unsigned iterations() const { return m_iterations; }
    void setIterations(unsigned iterations);
    double blurRadius() const { return m_blurRadius; }
    void setBlurRadius(double radius);
    // Seconds between refreshes of a dynamic view; 0 or less is taken as 1/60.
    double updateInterval() const { return m_updateInterval; }
    void setUpdateInterval(double seconds);
    QColor tintColor() const { return m_tintColor; }
    void setTintColor(const QColor& color);
    // Scheduler clock milliseconds of the last snapshot; -1 before the first.
    qint64 lastUpdate() const { return m_lastUpdate; }

    // The snapshot scale for an iteration count and radius, and the snapshot's size in points.
    static double snapshotScale(unsigned iterations, double radius);
    bool shouldUpdate() const;
    // Snapshot now; blur here (synchronous) or on a worker thread; then show it and run the completion.
    void updateAsynchronously(bool asynchronous, std::function<void()> completion = {});
    // Asks for a synchronous refresh on the next turn of the event loop (several asks, one refresh).
    void setNeedsDisplay();

signals:
    void updated();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void setUp();
    void schedule();
    QImage snapshotOfUnderlyingView(double& scale);

    bool m_blurEnabled = true;
    bool m_dynamic = true;
    unsigned m_iterations = 3;
    double m_blurRadius = 40.0;
    double m_updateInterval = 1.0 / 60.0;
    QColor m_tintColor;
    qint64 m_lastUpdate = -1;
    bool m_iterationsSet = false, m_blurRadiusSet = false, m_dynamicSet = false, m_blurEnabledSet = false;
    bool m_displayQueued = false;
};

} // namespace pelnix
