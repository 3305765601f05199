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
    // May be made on any thread: the backend is loaded and followed on the main thread (without
    // waiting for it); until then the network counts as reachable.
    NetworkInformationReachabilitySource();

    bool hasBackend() const { return m_hasBackend.load(); }

private:
    void attach();
    void update();

    std::atomic<bool> m_hasBackend{false};
};

} // namespace pelnix
