#pragma once

#include "foundation/ReachabilitySource.h"
#include "foundation/RouteNetlinkState.h"

#include <QHash>
#include <QMutex>

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

    // Asks the kernel for the route to the address (in the network namespace the source was made in)
    // and judges it by the state of its output link as last read. The internet's flags where the
    // kernel cannot be asked. Safe from any thread.
    quint32 flagsForAddress(const QHostAddress& address) const override;

private:
    enum Dump : unsigned { Links = 1, Addresses = 2, Routes = 4 };

    NetlinkReachabilitySource(int fd, int queryFd);
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
    bool m_failed = false;   // a request was refused: no judgement can be made
    bool m_reported = false; // links, addresses or routes were reported since the last publish
    std::atomic<bool> m_settled{false};

    // Route lookups come from any thread, on a socket of their own; they judge by the links as last
    // published, not by a state half read.
    mutable QMutex m_queryMutex;
    int m_queryFd = -1;
    mutable quint32 m_querySequence = 0;
    QHash<int, RouteNetlinkState::LinkState> m_publishedLinks;
    bool m_judging = false; // the published links are the kernel's
};

} // namespace pelnix
