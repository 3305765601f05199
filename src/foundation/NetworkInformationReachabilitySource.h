#pragma once

#include "foundation/ReachabilitySource.h"

namespace pelnix {

// Reachability flags from QNetworkInformation. A backend is loaded by the Reachability feature; with
// none (or while the backend does not know yet) the network counts as reachable, so that hosts
// without a network service are not offline for ever.
//
// Online or Site -> Reachable; Local or Disconnected -> nothing; a cellular medium adds WWAN. The
// local link is Reachable + IsDirect whenever some network is up over a non-cellular medium.
class NetworkInformationReachabilitySource : public ReachabilitySource {
    Q_OBJECT
public:
    // Create on the main thread: the backend's signals arrive on the thread that loaded it.
    explicit NetworkInformationReachabilitySource(QObject* parent = nullptr);

    bool hasBackend() const { return m_hasBackend; }

private:
    void update();

    bool m_hasBackend = false;
};

} // namespace pelnix
