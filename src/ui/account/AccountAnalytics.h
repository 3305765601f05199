#pragma once

#include <QString>
#include <QVariantMap>
#include <functional>

namespace pelnix::AccountAnalytics {

// Where the account screens' events go. The screens cannot reach the facade's tracker themselves (the
// facade links them), so the facade installs it; without one events are dropped.
using Tracker = std::function<void(const QString& eventName, const QVariantMap& properties)>;
void setTracker(Tracker tracker);

void trackEvent(const QString& eventName, const QVariantMap& properties = {});

} // namespace pelnix::AccountAnalytics
