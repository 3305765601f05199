#pragma once

#include <QString>
#include <QVariantMap>

namespace pelnix {

// What the screens call to report user events, and a few device details.
class PLAnalyticsTrackingHelper {
public:
    static void trackEvent(const QString& eventName);
    static void trackEvent(const QString& eventName, const QVariantMap& properties);
    // `shouldTrackEachtime` is accepted for the screens' sake and not consulted.
    static void trackEvent(const QString& eventName, const QVariantMap& properties, bool shouldTrackEachtime);
    static void sendClientInformation() {}

    // Free bytes of the file system that holds the Documents folder; 0 when it cannot be read.
    static quint64 availableDiskSpcae();
    // The kernel's release text; empty when it cannot be read.
    static QString osVersionBuild();
    // The hardware identifier (uname's machine field).
    static QString deviceName();
    // The IPv4 address of the first non-loopback interface that has one, or "error".
    static QString getIPAddress();
};

} // namespace pelnix
