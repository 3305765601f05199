#pragma once

#include "foundation/ReachabilitySource.h"

#include <QHostAddress>
#include <QList>
#include <QMetaObject>
#include <QMutex>
#include <QObject>
#include <QString>
#include <atomic>
#include <memory>
#include <optional>

namespace pelnix {

inline constexpr char PLReachabilityChangedNotification[] = "PLReachabilityChangedNotification";

// One reachability target (the internet, the local Wi-Fi link, an address or a host name) and the
// rules that turn its flags into a status: 0 not reachable, 1 Wi-Fi or another non-cellular link,
// 2 cellular.
//
// An address is judged by the route the system would send its packets by; a host name by its
// addresses, looked up in the background. Both are judged again whenever the default source reports
// that links, addresses or routes changed, on the thread the object lives on (it must run an event
// loop for that, as for the host name's lookup).
class PLReachability : public QObject {
    Q_OBJECT
public:
    static constexpr quint32 kReachable = 0x2;
    static constexpr quint32 kConnectionRequired = 0x4;
    static constexpr quint32 kConnectionOnTraffic = 0x8;
    static constexpr quint32 kInterventionRequired = 0x10;
    static constexpr quint32 kConnectionOnDemand = 0x20;
    static constexpr quint32 kIsDirect = 0x20000;
    static constexpr quint32 kIsWWAN = 0x40000;

    enum NetworkStatus { NotReachable = 0, ReachableViaWiFi = 1, ReachableViaWWAN = 2 };

    PLReachability(std::shared_ptr<ReachabilitySource> source, bool localWiFi, QObject* parent = nullptr);
    ~PLReachability() override;

    // All use the default source.
    static std::unique_ptr<PLReachability> reachabilityForInternetConnection();
    static std::unique_ptr<PLReachability> reachabilityForLocalWiFi();
    // Null for an address that is neither IPv4 nor IPv6. 0.0.0.0 (and ::) is the internet target,
    // 169.254.0.0 the local link (judged by the network rule).
    static std::unique_ptr<PLReachability> reachabilityWithAddress(const QHostAddress& address);
    // Null where the name is empty, longer than a DNS name may be, or neither a host name nor an
    // address. Its flags are 0 until the name is looked up, then those of the first of its addresses
    // that is reachable (0 when none is, or the name has no address). Names under "invalid." have no
    // address and are never asked for.
    static std::unique_ptr<PLReachability> reachabilityWithHostName(const QString& hostName);

    // The process-wide source: the live one unless one was set. The live one (the kernel's routing
    // socket on Linux, Qt's network information elsewhere or when that socket cannot be opened) is
    // followed on the main thread.
    static std::shared_ptr<ReachabilitySource> defaultSource();
    static void setDefaultSource(std::shared_ptr<ReachabilitySource> source);

    static int networkStatusForFlags(quint32 flags);
    static int localWiFiStatusForFlags(quint32 flags);

    // Starts posting "PLReachabilityChangedNotification" (object: this, as QObject*) on changes: for
    // the internet and the local link on every change of their flags, for an address or a host name
    // when its status changed.
    bool startNotifier();
    void stopNotifier();

    // Safe from any thread.
    int currentReachabilityStatus() const;
    bool connectionRequired() const;
    quint32 flags() const;
    bool isLocalWiFi() const { return m_localWiFi; }

signals:
    // A host name target's lookup ended, with addresses or without.
    void hostNameResolved();

private:
    enum class Target { Internet, LocalLink, Address, HostName };

    PLReachability(std::shared_ptr<ReachabilitySource> source, Target target);
    void followNetwork();
    void networkChanged();
    void resolve();
    void resolved(const QList<QHostAddress>& addresses);
    void judge();
    void post();

    std::shared_ptr<ReachabilitySource> m_source;
    Target m_target = Target::Internet;
    bool m_localWiFi = false;
    QMetaObject::Connection m_notifier;

    // Address and host name targets.
    QHostAddress m_address;
    QString m_hostName; // as the resolver is asked (ASCII-compatible); empty for an address literal
    mutable QMutex m_resolvedMutex;
    std::optional<QList<QHostAddress>> m_resolved; // nothing until looked up
    quint64 m_lookup = 0;                          // the lookup whose answer counts
    int m_lookupId = -1;
    bool m_notifying = false;
    std::atomic<int> m_lastStatus{NotReachable};
};

} // namespace pelnix
