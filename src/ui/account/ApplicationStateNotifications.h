#pragma once

#include <Qt>

namespace pelnix {

// Posted on the default notification centre as the application stops and starts being the active
// one (its windows lose or regain the user's attention).
inline constexpr char UIApplicationWillResignActiveNotification[] =
    "UIApplicationWillResignActiveNotification";
inline constexpr char UIApplicationDidBecomeActiveNotification[] = "UIApplicationDidBecomeActiveNotification";

namespace ApplicationStateNotifications {

// Starts posting the two notifications from the application's state changes; once per process,
// later calls do nothing. Main thread.
void install();
// What the installed forwarder does with each state the application reports.
void applicationStateChanged(Qt::ApplicationState state);

} // namespace ApplicationStateNotifications
} // namespace pelnix
