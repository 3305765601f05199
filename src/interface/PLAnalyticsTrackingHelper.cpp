#include "interface/PLAnalyticsTrackingHelper.h"

#include "interface/PelnixEventTracker.h"
#include "platform/Sandbox.h"

#include <QDir>
#include <QStorageInfo>

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/utsname.h>

namespace pelnix {

void PLAnalyticsTrackingHelper::trackEvent(const QString& eventName) {
    trackEvent(eventName, {});
}

void PLAnalyticsTrackingHelper::trackEvent(const QString& eventName, const QVariantMap& properties) {
    trackEvent(eventName, properties, false);
}

void PLAnalyticsTrackingHelper::trackEvent(const QString& eventName, const QVariantMap& properties, bool) {
    if (auto* delegate = PelnixEventTracker::sharedEventTrackerInstance()->trackerDelegate())
        delegate->eventTracked(eventName, properties);
}

quint64 PLAnalyticsTrackingHelper::availableDiskSpcae() {
    QString path = platform::Sandbox::documents();
    while (!path.isEmpty() && !QDir(path).exists())
        path = QDir::cleanPath(path + QStringLiteral("/.."));
    const QStorageInfo info(path);
    if (!info.isValid())
        return 0;
    const qint64 free = info.bytesFree();
    return free > 0 ? quint64(free) : 0;
}

QString PLAnalyticsTrackingHelper::osVersionBuild() {
    utsname name{};
    if (uname(&name) != 0)
        return {};
    return QString::fromUtf8(name.release);
}

QString PLAnalyticsTrackingHelper::deviceName() {
    utsname name{};
    if (uname(&name) != 0)
        return {};
    return QString::fromUtf8(name.machine);
}

QString PLAnalyticsTrackingHelper::getIPAddress() {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return QStringLiteral("error");
    QString address = QStringLiteral("error");
    QString chosenInterface;
    for (ifaddrs* it = list; it; it = it->ifa_next) {
        if (!it->ifa_addr || it->ifa_addr->sa_family != AF_INET || (it->ifa_flags & IFF_LOOPBACK))
            continue;
        const QString interface = QString::fromUtf8(it->ifa_name);
        if (!chosenInterface.isEmpty() && interface != chosenInterface)
            continue;
        chosenInterface = interface;
        char text[INET_ADDRSTRLEN] = {};
        const auto* in = reinterpret_cast<const sockaddr_in*>(it->ifa_addr);
        if (inet_ntop(AF_INET, &in->sin_addr, text, sizeof text))
            address = QString::fromLatin1(text); // the last address of that interface wins
    }
    freeifaddrs(list);
    return address;
}

} // namespace pelnix
