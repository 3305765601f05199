#pragma once

#include "foundation/ReachabilitySource.h"

#include <QMetaObject>
#include <QObject>
#include <memory>

namespace pelnix {

inline constexpr char PLReachabilityChangedNotification[] = "PLReachabilityChangedNotification";

// One reachability target (the internet, or the local Wi-Fi link) and the rules that turn its flags
// into a status: 0 not reachable, 1 Wi-Fi or another non-cellular link, 2 cellular.
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

    // Both use the default source.
    static std::unique_ptr<PLReachability> reachabilityForInternetConnection();
    static std::unique_ptr<PLReachability> reachabilityForLocalWiFi();

    // The process-wide source: the live one unless one was set. The live one (the kernel's routing
    // socket on Linux, Qt's network information elsewhere or when that socket cannot be opened) is
    // followed on the main thread.
    static std::shared_ptr<ReachabilitySource> defaultSource();
    static void setDefaultSource(std::shared_ptr<ReachabilitySource> source);

    static int networkStatusForFlags(quint32 flags);
    static int localWiFiStatusForFlags(quint32 flags);

    // Starts posting "PLReachabilityChangedNotification" (object: this, as QObject*) on changes.
    bool startNotifier();
    void stopNotifier();

    // Safe from any thread.
    int currentReachabilityStatus() const;
    bool connectionRequired() const;
    quint32 flags() const;
    bool isLocalWiFi() const { return m_localWiFi; }

private:
    std::shared_ptr<ReachabilitySource> m_source;
    bool m_localWiFi = false;
    QMetaObject::Connection m_notifier;
};

} // namespace pelnix
