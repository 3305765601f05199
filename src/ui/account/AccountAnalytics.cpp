#include "ui/account/AccountAnalytics.h"

#include "platform/MainThread.h"

namespace pelnix::AccountAnalytics {

namespace {
Tracker& tracker() {
    static Tracker installed;
    return installed;
}
} // namespace

void setTracker(Tracker t) {
    Q_ASSERT(platform::isMainThread());
    tracker() = std::move(t);
}

void trackEvent(const QString& eventName, const QVariantMap& properties) {
    Q_ASSERT(platform::isMainThread());
    if (tracker())
        tracker()(eventName, properties);
}

} // namespace pelnix::AccountAnalytics
