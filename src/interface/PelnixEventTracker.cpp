#include "interface/PelnixEventTracker.h"

namespace pelnix {

PelnixEventTracker* PelnixEventTracker::sharedEventTrackerInstance() {
    static PelnixEventTracker tracker;
    return &tracker;
}

PelnixEventTrackerDelegate* PelnixEventTracker::trackerDelegate() const {
    return dynamic_cast<PelnixEventTrackerDelegate*>(m_delegate.data());
}

} // namespace pelnix
