#include "foundation/PLReachability.h"

#include "foundation/NetlinkReachabilitySource.h"
#include "foundation/NetworkInformationReachabilitySource.h"
#include "platform/NotificationCenter.h"

#include <QMutex>

namespace pelnix {

namespace {
QMutex g_sourceMutex;
std::shared_ptr<ReachabilitySource> g_source;
} // namespace

PLReachability::PLReachability(std::shared_ptr<ReachabilitySource> source, bool localWiFi, QObject* parent)
    : QObject(parent), m_source(std::move(source)), m_localWiFi(localWiFi) {}

PLReachability::~PLReachability() {
    stopNotifier();
}

std::unique_ptr<PLReachability> PLReachability::reachabilityForInternetConnection() {
    return std::make_unique<PLReachability>(defaultSource(), false);
}

std::unique_ptr<PLReachability> PLReachability::reachabilityForLocalWiFi() {
    return std::make_unique<PLReachability>(defaultSource(), true);
}

std::shared_ptr<ReachabilitySource> PLReachability::defaultSource() {
    {
        QMutexLocker lock(&g_sourceMutex);
        if (g_source)
            return g_source;
    }
    // Made without the lock held and without waiting for another thread. On Linux the kernel's routing
    // socket answers directly; Qt's network information would load plug-ins that bring in GIO and a
    // D-Bus connection, a few MiB for the same judgement.
    std::shared_ptr<ReachabilitySource> live;
#if defined(Q_OS_LINUX) && !defined(Q_OS_ANDROID)
    live = NetlinkReachabilitySource::create();
#endif
    if (!live)
        live = std::make_shared<NetworkInformationReachabilitySource>();
    QMutexLocker lock(&g_sourceMutex);
    if (!g_source)
        g_source = std::move(live);
    return g_source;
}

void PLReachability::setDefaultSource(std::shared_ptr<ReachabilitySource> source) {
    QMutexLocker lock(&g_sourceMutex);
    g_source = std::move(source);
}

int PLReachability::networkStatusForFlags(quint32 flags) {
    if (!(flags & kReachable))
        return NotReachable;
    int status = (flags & kConnectionRequired) ? NotReachable : ReachableViaWiFi;
    if ((flags & (kConnectionOnDemand | kConnectionOnTraffic)) && !(flags & kInterventionRequired))
        status = ReachableViaWiFi;
    if (flags & kIsWWAN)
        status = (flags & kConnectionRequired) ? NotReachable : ReachableViaWWAN;
    return status;
}

int PLReachability::localWiFiStatusForFlags(quint32 flags) {
    return ((flags & kReachable) && (flags & kIsDirect)) ? ReachableViaWiFi : NotReachable;
}

bool PLReachability::startNotifier() {
    if (!m_source)
        return false;
    if (m_notifier)
        return true;
    // Direct: the notification centre brings the change to the main thread whatever thread this
    // object or the source lives on.
    m_notifier = connect(
        m_source.get(), &ReachabilitySource::flagsChanged, this,
        [this] {
            platform::NotificationCenter::defaultCenter()->post(
                QString::fromLatin1(PLReachabilityChangedNotification),
                QVariant::fromValue(static_cast<QObject*>(this)));
        },
        Qt::DirectConnection);
    return bool(m_notifier);
}

void PLReachability::stopNotifier() {
    if (m_notifier)
        disconnect(m_notifier);
    m_notifier = {};
}

quint32 PLReachability::flags() const {
    if (!m_source)
        return 0;
    return m_source->flags(m_localWiFi ? ReachabilitySource::Target::LocalLink
                                       : ReachabilitySource::Target::Internet);
}

int PLReachability::currentReachabilityStatus() const {
    if (!m_source)
        return NotReachable; // unreadable flags count as not reachable
    const quint32 f = flags();
    return m_localWiFi ? localWiFiStatusForFlags(f) : networkStatusForFlags(f);
}

bool PLReachability::connectionRequired() const {
    return flags() & kConnectionRequired;
}

} // namespace pelnix
