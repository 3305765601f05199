#include "interface/PelnixAppLaunchStatusTracker.h"

#include <QGlobalStatic>

namespace pelnix {

Q_GLOBAL_STATIC(PelnixAppLaunchStatusTracker, g_tracker)

PelnixAppLaunchStatusTracker* PelnixAppLaunchStatusTracker::sharedInstance() {
    return g_tracker();
}

} // namespace pelnix
