#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantMap>

namespace pelnix {

// Implemented by the host to receive the library's analytics events. The host's object derives from
// QObject and from this interface; the library holds it weakly.
class PelnixEventTrackerDelegate {
public:
    virtual ~PelnixEventTrackerDelegate() = default;
    // `properties` is empty when the event has none. The default does nothing.
    virtual void eventTracked(const QString& eventName, const QVariantMap& properties) {
        Q_UNUSED(eventName);
        Q_UNUSED(properties);
    }
};

// The one tracker: it hands events to the host's delegate and keeps nothing itself.
class PelnixEventTracker {
public:
    static PelnixEventTracker* sharedEventTrackerInstance();

    // The delegate must be a QObject implementing PelnixEventTrackerDelegate; any other object is
    // ignored. Held weakly: a destroyed delegate simply stops receiving events.
    QObject* delegate() const { return m_delegate; }
    void setDelegate(QObject* delegate) { m_delegate = delegate; }
    QObject* eventTrackerDelegate() const { return delegate(); }
    void setEventTrackerDelegate(QObject* delegate) { setDelegate(delegate); }

    // The delegate when it is alive and implements the interface, else null.
    PelnixEventTrackerDelegate* trackerDelegate() const;

private:
    PelnixEventTracker() = default;
    QPointer<QObject> m_delegate;
};

} // namespace pelnix
