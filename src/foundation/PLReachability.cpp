#include "foundation/PLReachability.h"

#include "foundation/NetlinkReachabilitySource.h"
#include "foundation/NetworkInformationReachabilitySource.h"
#include "platform/NotificationCenter.h"

#include <QByteArrayView>
#include <QHostInfo>
#include <QLoggingCategory>
#include <QThread>
#include <QUrl>

#include <algorithm>

namespace pelnix {

namespace {

Q_LOGGING_CATEGORY(lcReachabilityTarget, "pelnix.reachability.target", QtWarningMsg)

QMutex g_sourceMutex;
std::shared_ptr<ReachabilitySource> g_source;

constexpr qsizetype kMaxNameLength = 253; // a DNS name in text, without the final dot
constexpr qsizetype kMaxLabelLength = 63;

bool isHostLabel(QByteArrayView label) {
    if (label.isEmpty() || label.size() > kMaxLabelLength || label.front() == '-' || label.back() == '-')
        return false;
    // Underscores are no part of a host name, yet resolvers answer for them and hosts use them.
    return std::all_of(label.begin(), label.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
               c == '_';
    });
}

// The name as the resolver is asked for it (international names in their ASCII form), or nothing
// where it is no host name.
std::optional<QString> lookupName(const QString& name) {
    QString text = name;
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1); // fully qualified
    if (text.isEmpty() || text.size() > kMaxNameLength)
        return std::nullopt;
    const QByteArray ace = QUrl::toAce(text);
    if (ace.isEmpty() || ace.size() > kMaxNameLength)
        return std::nullopt;
    for (const QByteArray& label : ace.split('.'))
        if (!isHostLabel(label))
            return std::nullopt;
    return QString::fromLatin1(ace);
}

// Names that resolvers answer at once with no address, without asking anyone.
bool isReservedInvalid(const QString& name) {
    return name.compare(QLatin1String("invalid"), Qt::CaseInsensitive) == 0 ||
           name.endsWith(QLatin1String(".invalid"), Qt::CaseInsensitive);
}

} // namespace

PLReachability::PLReachability(std::shared_ptr<ReachabilitySource> source, bool localWiFi, QObject* parent)
    : QObject(parent), m_source(std::move(source)),
      m_target(localWiFi ? Target::LocalLink : Target::Internet), m_localWiFi(localWiFi) {}

PLReachability::PLReachability(std::shared_ptr<ReachabilitySource> source, Target target)
    : m_source(std::move(source)), m_target(target) {}

PLReachability::~PLReachability() {
    stopNotifier();
    if (m_lookupId >= 0)
        QHostInfo::abortHostLookup(m_lookupId);
}

std::unique_ptr<PLReachability> PLReachability::reachabilityForInternetConnection() {
    return std::make_unique<PLReachability>(defaultSource(), false);
}

std::unique_ptr<PLReachability> PLReachability::reachabilityForLocalWiFi() {
    return std::make_unique<PLReachability>(defaultSource(), true);
}

std::unique_ptr<PLReachability> PLReachability::reachabilityWithAddress(const QHostAddress& address) {
    const auto protocol = address.protocol();
    if (protocol != QAbstractSocket::IPv4Protocol && protocol != QAbstractSocket::IPv6Protocol)
        return nullptr;
    if (address == QHostAddress(QHostAddress::AnyIPv4) || address == QHostAddress(QHostAddress::AnyIPv6))
        return std::make_unique<PLReachability>(defaultSource(), false);
    if (address == QHostAddress(QStringLiteral("169.254.0.0")))
        return std::unique_ptr<PLReachability>(new PLReachability(defaultSource(), Target::LocalLink));
    std::unique_ptr<PLReachability> reachability(new PLReachability(defaultSource(), Target::Address));
    reachability->m_address = address;
    reachability->followNetwork();
    return reachability;
}

std::unique_ptr<PLReachability> PLReachability::reachabilityWithHostName(const QString& hostName) {
    QHostAddress literal;
    std::optional<QString> name;
    if (!literal.setAddress(hostName)) {
        name = lookupName(hostName);
        if (!name) {
            qCDebug(lcReachabilityTarget) << "Not a host name:" << hostName.left(kMaxNameLength);
            return nullptr;
        }
    }
    std::unique_ptr<PLReachability> reachability(new PLReachability(defaultSource(), Target::HostName));
    if (name) {
        reachability->m_hostName = *name;
        reachability->resolve();
    } else {
        reachability->m_resolved = QList<QHostAddress>{literal}; // nothing to look up
    }
    reachability->followNetwork();
    return reachability;
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

void PLReachability::followNetwork() {
    m_lastStatus = currentReachabilityStatus();
    if (m_source)
        connect(m_source.get(), &ReachabilitySource::networkChanged, this, &PLReachability::networkChanged);
}

void PLReachability::networkChanged() {
    Q_ASSERT(thread() == QThread::currentThread());
    judge(); // the route to an address known may have changed
    resolve();
}

void PLReachability::resolve() {
    Q_ASSERT(thread() == QThread::currentThread());
    if (m_hostName.isEmpty())
        return;
    if (m_lookupId >= 0)
        QHostInfo::abortHostLookup(m_lookupId);
    m_lookupId = -1;
    const quint64 lookup = ++m_lookup;
    if (isReservedInvalid(m_hostName)) {
        // Answered like any lookup, after this call.
        QMetaObject::invokeMethod(
            this,
            [this, lookup] {
                if (lookup == m_lookup)
                    resolved({});
            },
            Qt::QueuedConnection);
        return;
    }
    m_lookupId = QHostInfo::lookupHost(m_hostName, this, [this, lookup](const QHostInfo& info) {
        if (lookup != m_lookup)
            return; // a later lookup is under way
        m_lookupId = -1;
        if (info.error() != QHostInfo::NoError)
            qCDebug(lcReachabilityTarget) << m_hostName << "not resolved:" << info.errorString();
        resolved(info.addresses());
    });
}

void PLReachability::resolved(const QList<QHostAddress>& addresses) {
    {
        QMutexLocker lock(&m_resolvedMutex);
        m_resolved = addresses;
    }
    emit hostNameResolved();
    judge();
}

void PLReachability::judge() {
    const int status = currentReachabilityStatus();
    if (m_lastStatus.exchange(status) != status && m_notifying)
        post();
}

void PLReachability::post() {
    platform::NotificationCenter::defaultCenter()->post(
        QString::fromLatin1(PLReachabilityChangedNotification),
        QVariant::fromValue(static_cast<QObject*>(this)));
}

bool PLReachability::startNotifier() {
    if (!m_source)
        return false;
    if (m_target == Target::Address || m_target == Target::HostName) {
        m_lastStatus = currentReachabilityStatus();
        m_notifying = true;
        return true;
    }
    if (m_notifier)
        return true;
    // Direct: the notification centre brings the change to the main thread whatever thread this
    // object or the source lives on.
    m_notifier = connect(
        m_source.get(), &ReachabilitySource::flagsChanged, this, [this] { post(); }, Qt::DirectConnection);
    return bool(m_notifier);
}

void PLReachability::stopNotifier() {
    if (m_notifier)
        disconnect(m_notifier);
    m_notifier = {};
    m_notifying = false;
}

quint32 PLReachability::flags() const {
    if (!m_source)
        return 0;
    switch (m_target) {
    case Target::Internet:
        return m_source->flags(ReachabilitySource::Target::Internet);
    case Target::LocalLink:
        return m_source->flags(ReachabilitySource::Target::LocalLink);
    case Target::Address:
        return m_source->flagsForAddress(m_address);
    case Target::HostName:
        break;
    }
    QList<QHostAddress> addresses;
    {
        QMutexLocker lock(&m_resolvedMutex);
        if (!m_resolved)
            return 0; // as the platform reports a name not yet looked up
        addresses = *m_resolved;
    }
    for (const QHostAddress& address : std::as_const(addresses))
        if (const quint32 flags = m_source->flagsForAddress(address); flags & kReachable)
            return flags;
    return 0;
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
