#pragma once

#include <QHostAddress>
#include <QObject>
#include <atomic>
#include <functional>

namespace pelnix {

// Where reachability flags come from. The base holds flags that are set by hand (tests, hosts
// without a network service); the live source derives them from the system's network information.
// Flags are kept in atomics, so they may be read from any thread.
class ReachabilitySource : public QObject {
    Q_OBJECT
public:
    // The internet as a whole, or the local link (the local Wi-Fi target).
    enum class Target { Internet, LocalLink };

    explicit ReachabilitySource(QObject* parent = nullptr);

    quint32 flags(Target target) const;
    // The flags of the route to one address. Here, where no route can be asked for: the internet's.
    // Safe from any thread.
    virtual quint32 flagsForAddress(const QHostAddress& address) const;
    // Emits flagsChanged() when either value changed.
    void setFlags(quint32 internet, quint32 localLink);
    void setFlags(Target target, quint32 flags);

signals:
    // Emitted on the thread that changed the flags.
    void flagsChanged();
    // The links, addresses or routes changed, whether or not the flags did: the route to a given
    // address may be another one now. Emitted with flagsChanged() and, by live sources, on their own.
    void networkChanged();

protected:
    // For live sources, last in their constructor: moves this object to the main thread and runs
    // `attach` there, at once when already on it (or without an application), otherwise queued
    // without waiting for the main thread.
    void followOnMainThread(std::function<void()> attach);

private:
    std::atomic<quint32> m_internet{0};
    std::atomic<quint32> m_localLink{0};
};

} // namespace pelnix
