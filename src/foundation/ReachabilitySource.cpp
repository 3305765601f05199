#include "foundation/ReachabilitySource.h"

#include "platform/MainThread.h"

#include <QCoreApplication>
#include <QPointer>

namespace pelnix {

ReachabilitySource::ReachabilitySource(QObject* parent) : QObject(parent) {}

quint32 ReachabilitySource::flags(Target target) const {
    return target == Target::Internet ? m_internet.load() : m_localLink.load();
}

quint32 ReachabilitySource::flagsForAddress(const QHostAddress&) const {
    return m_internet.load();
}

void ReachabilitySource::setFlags(quint32 internet, quint32 localLink) {
    const bool changed = m_internet.exchange(internet) != internet;
    const bool linkChanged = m_localLink.exchange(localLink) != localLink;
    if (changed || linkChanged) {
        emit flagsChanged();
        emit networkChanged();
    }
}

void ReachabilitySource::setFlags(Target target, quint32 flags) {
    auto& slot = target == Target::Internet ? m_internet : m_localLink;
    if (slot.exchange(flags) != flags) {
        emit flagsChanged();
        emit networkChanged();
    }
}

void ReachabilitySource::followOnMainThread(std::function<void()> attach) {
    auto* app = QCoreApplication::instance();
    if (!app || platform::isMainThread()) {
        attach();
        return;
    }
    moveToThread(app->thread());
    QPointer<ReachabilitySource> self(this);
    platform::runOnMain([self, attach = std::move(attach)] {
        if (self)
            attach();
    });
}

} // namespace pelnix
