#pragma once

#include "platform/ui/Scheduler.h"

#include <QList>
#include <QPointer>

namespace pelnix {

class PLBlurView;

// Refreshes the dynamic blur views on screen one at a time: each pass updates the first view whose
// interval has run out and chains the next pass from its completion, or waits (at most 1/60 s) for
// the next one due. Runs on the scheduler's clock, so tests drive it with a virtual clock.
class PLBlurScheduler {
public:
    static PLBlurScheduler* sharedInstance();

    void addView(PLBlurView* view);
    void removeView(PLBlurView* view);
    bool containsView(const PLBlurView* view) const;
    bool isBlurEnabled() const { return m_blurEnabled; }
    void setBlurEnabled(bool enabled);
    // A counter: passes are suspended while it is 0. Disabling at 0 keeps it at 0, so extra disables
    // never wrap it round into running again.
    void setUpdatesEnabled();
    void setUpdatesDisabled();
    unsigned updatesEnabled() const { return m_updatesEnabled; }
    bool isUpdating() const { return m_updating; }
    void updateAsynchronously();

private:
    QList<QPointer<PLBlurView>> m_views;
    int m_viewIndex = 0;
    unsigned m_updatesEnabled = 1;
    bool m_blurEnabled = true;
    bool m_updating = false;
    platform::ui::Scheduler::Id m_rearm = 0;
};

} // namespace pelnix
