#include "PLBlurScheduler.h"

#include "PLBlurView.h"

#include <QThread>
#include <cmath>

namespace pelnix {

namespace {
Q_GLOBAL_STATIC(PLBlurScheduler, g_blurScheduler)
constexpr double kIdleWait = 1.0 / 60.0;
} // namespace

PLBlurScheduler* PLBlurScheduler::sharedInstance() {
    return g_blurScheduler();
}

void PLBlurScheduler::addView(PLBlurView* view) {
    if (!view || containsView(view))
        return;
    m_views << view;
    updateAsynchronously();
}

void PLBlurScheduler::removeView(PLBlurView* view) {
    for (int i = 0; i < m_views.size(); ++i) {
        if (m_views[i] != view)
            continue;
        // Keep the next pass on the view that followed the removed one.
        if (i <= m_viewIndex)
            m_viewIndex = qMax(0, m_viewIndex - 1);
        m_views.removeAt(i);
        return;
    }
}

bool PLBlurScheduler::containsView(const PLBlurView* view) const {
    for (const auto& v : m_views)
        if (v == view)
            return true;
    return false;
}

void PLBlurScheduler::setBlurEnabled(bool enabled) {
    m_blurEnabled = enabled;
    if (!enabled)
        return;
    for (const auto& view : m_views)
        if (view)
            view->setNeedsDisplay();
    updateAsynchronously();
}

void PLBlurScheduler::setUpdatesEnabled() {
    ++m_updatesEnabled;
    updateAsynchronously();
}

void PLBlurScheduler::setUpdatesDisabled() {
    if (m_updatesEnabled > 0)
        --m_updatesEnabled;
}

void PLBlurScheduler::updateAsynchronously() {
    m_views.removeIf([](const QPointer<PLBlurView>& v) { return v.isNull(); });
    if (!m_blurEnabled || m_updating || m_updatesEnabled == 0 || m_views.isEmpty())
        return;
    auto* clock = platform::ui::Scheduler::shared();
    m_viewIndex %= int(m_views.size());
    double wait = kIdleWait;
    const qint64 now = clock->now();
    for (int i = m_viewIndex; i < m_views.size(); ++i) {
        PLBlurView* view = m_views[i];
        if (!view->isDynamic() || !view->isVisible() || !view->shouldUpdate())
            continue;
        const double next = (view->lastUpdate() - now) / 1000.0 + view->updateInterval();
        if (view->lastUpdate() >= 0 && next > 0) {
            wait = std::min(wait, next);
            continue;
        }
        m_updating = true;
        clock->cancel(std::exchange(m_rearm, 0));
        view->updateAsynchronously(true, [this, i] {
            m_updating = false;
            m_viewIndex = i + 1;
            updateAsynchronously();
        });
        return;
    }
    m_viewIndex = 0;
    clock->cancel(m_rearm);
    m_rearm = clock->dispatchAfter(qint64(std::ceil(wait * 1000)), [this] {
        m_rearm = 0;
        updateAsynchronously();
    });
}

} // namespace pelnix
