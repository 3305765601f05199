#pragma once

#include "foundation/ReachabilitySource.h"
#include "foundation/RouteNetlinkState.h"

#include <memory>

class QSocketNotifier;

namespace pelnix {

// Reachability flags from the kernel's own record of links, addresses and routes (rtnetlink, Linux
// only; RouteNetlinkState gives the judgement). It loads no plug-in and needs no network service.
//
// The current state is read when the source is made, so its first answer is already the system's;
// changes are then followed on the main thread. Should the socket overflow, the state is read again
// in full; should the kernel refuse a report later, the network counts as reachable.
class NetlinkReachabilitySource : public ReachabilitySource {
    Q_OBJECT
public:
    // May be called on any thread. Null where no rtnetlink socket can be opened or the kernel refuses
    // to report the links, addresses or routes.
    static std::shared_ptr<NetlinkReachabilitySource> create();
    ~NetlinkReachabilitySource() override;

    // True while the links, addresses and routes are all read and the flags are the judgement's.
    bool isSettled() const { return m_settled.load(); }

private:
    enum Dump : unsigned { Links = 1, Addresses = 2, Routes = 4 };

    explicit NetlinkReachabilitySource(int fd);
    void attach();
    void readAvailable();
    void requestDumps(unsigned dumps);
    void sendNextDump();
    void publish();

    int m_fd = -1;
    QSocketNotifier* m_notifier = nullptr;
    RouteNetlinkState m_state;
    quint32 m_sequence = 0;
    quint32 m_dumpSequence = 0; // the dump in flight; 0 when none
    unsigned m_pendingDumps = 0;
    bool m_failed = false; // a request was refused: no judgement can be made
    std::atomic<bool> m_settled{false};
};

} // namespace pelnix
