#include "PLBlurView.h"

#include "ImagePLBlurView.h"
#include "PLBlurScheduler.h"
#include "platform/ui/Scheduler.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFuture>
#include <QtConcurrent/QtConcurrentRun>
#include <cmath>

namespace pelnix {

PLBlurView::PLBlurView(QWidget* parent) : BlurredBackdrop(parent) {
    setObjectName(QStringLiteral("blurView"));
    setUp();
}

PLBlurView::~PLBlurView() {
    PLBlurScheduler::sharedInstance()->removeView(this);
}

void PLBlurView::setBlurEnabledGlobally(bool enabled) {
    PLBlurScheduler::sharedInstance()->setBlurEnabled(enabled);
}

void PLBlurView::setUpdatesEnabled() {
    PLBlurScheduler::sharedInstance()->setUpdatesEnabled();
}

void PLBlurView::setUpdatesDisabled() {
    PLBlurScheduler::sharedInstance()->setUpdatesDisabled();
}

void PLBlurView::setUp() {
    // Values set before (by a loader, say) are kept.
    if (!m_iterationsSet)
        m_iterations = 3;
    if (!m_blurRadiusSet)
        m_blurRadius = 40.0;
    if (!m_dynamicSet)
        m_dynamic = true;
    if (!m_blurEnabledSet)
        m_blurEnabled = true;
    setUpdateInterval(m_updateInterval);
}

void PLBlurView::setIterations(unsigned iterations) {
    m_iterationsSet = true;
    m_iterations = iterations;
    setNeedsDisplay();
}

void PLBlurView::setBlurRadius(double radius) {
    m_blurRadiusSet = true;
    m_blurRadius = radius;
    setNeedsDisplay();
}

void PLBlurView::setBlurEnabled(bool enabled) {
    m_blurEnabledSet = true;
    if (m_blurEnabled == enabled)
        return;
    m_blurEnabled = enabled;
    schedule();
    if (enabled)
        setNeedsDisplay();
}

void PLBlurView::setDynamic(bool dynamic) {
    m_dynamicSet = true;
    if (m_dynamic == dynamic)
        return;
    m_dynamic = dynamic;
    schedule();
    if (!dynamic)
        setNeedsDisplay();
}

void PLBlurView::setUpdateInterval(double seconds) {
    m_updateInterval = seconds > 0 ? seconds : 1.0 / 60.0;
}

void PLBlurView::setTintColor(const QColor& color) {
    m_tintColor = color;
    setNeedsDisplay();
}

double PLBlurView::snapshotScale(unsigned iterations, double radius) {
    if (iterations == 0)
        return 0.5;
    const float s0 = 12.0f / float(iterations);
    const double r = std::max(radius, 2.0 * s0);
    return 1.0 / std::floor(float(r / s0));
}

bool PLBlurView::shouldUpdate() const {
    const QWidget* under = underlyingView();
    return under && !under->isHidden() && m_blurEnabled &&
           PLBlurScheduler::sharedInstance()->isBlurEnabled() && !rect().isEmpty() &&
           !under->rect().isEmpty();
}

QImage PLBlurView::snapshotOfUnderlyingView(double& scale) {
    QWidget* under = underlyingView();
    const QPoint origin = under->mapFromGlobal(mapToGlobal(QPoint(0, 0)));
    m_lastUpdate = platform::ui::Scheduler::shared()->now();
    scale = snapshotScale(m_iterations, m_blurRadius);
    // Whole pixels at the snapshot scale.
    const int w = int(std::floor(float(width() * scale)) / scale);
    const int h = int(std::floor(float(height() * scale)) / scale);
    return snapshot(under, this, QRect(origin, QSize(w, h)), scale);
}

void PLBlurView::updateAsynchronously(bool asynchronous, std::function<void()> completion) {
    if (!shouldUpdate()) {
        if (completion)
            completion();
        return;
    }
    double scale = 1;
    const QImage picture = snapshotOfUnderlyingView(scale);
    const double radius = m_blurRadius;
    const unsigned iterations = m_iterations;
    const QColor tint = m_tintColor;
    if (!asynchronous) {
        setImage(ImagePLBlurView::blurredImageWithRadius(picture, scale, radius, iterations, tint));
        emit updated();
        if (completion)
            completion();
        return;
    }
    QPointer<PLBlurView> self(this);
    QtConcurrent::run([picture, scale, radius, iterations, tint] {
        return ImagePLBlurView::blurredImageWithRadius(picture, scale, radius, iterations, tint);
    }).then(QCoreApplication::instance(), [self, completion](const QImage& blurred) {
        // Back on the main thread; the scheduler's completion runs even when the view is gone.
        if (self) {
            self->setImage(blurred);
            emit self->updated();
        }
        if (completion)
            completion();
    });
}

void PLBlurView::setNeedsDisplay() {
    update();
    if (std::exchange(m_displayQueued, true))
        return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_displayQueued = false;
            updateAsynchronously(false);
        },
        Qt::QueuedConnection);
}

void PLBlurView::schedule() {
    auto* scheduler = PLBlurScheduler::sharedInstance();
    if (isVisible() && m_dynamic && m_blurEnabled)
        scheduler->addView(this);
    else
        scheduler->removeView(this);
}

void PLBlurView::showEvent(QShowEvent* event) {
    BlurredBackdrop::showEvent(event);
    schedule();
}

void PLBlurView::hideEvent(QHideEvent* event) {
    BlurredBackdrop::hideEvent(event);
    schedule();
}

void PLBlurView::resizeEvent(QResizeEvent* event) {
    BlurredBackdrop::resizeEvent(event);
    setNeedsDisplay();
}

void PLBlurView::moveEvent(QMoveEvent* event) {
    BlurredBackdrop::moveEvent(event);
    setNeedsDisplay();
}

void PLBlurView::changeEvent(QEvent* event) {
    BlurredBackdrop::changeEvent(event);
    if (event->type() == QEvent::ParentChange)
        setNeedsDisplay();
}

} // namespace pelnix
