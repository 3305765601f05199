#include "foundation/ReachabilitySource.h"

namespace pelnix {

ReachabilitySource::ReachabilitySource(QObject* parent) : QObject(parent) {}

quint32 ReachabilitySource::flags(Target target) const {
    return target == Target::Internet ? m_internet.load() : m_localLink.load();
}

void ReachabilitySource::setFlags(quint32 internet, quint32 localLink) {
    const bool changed = m_internet.exchange(internet) != internet;
    const bool linkChanged = m_localLink.exchange(localLink) != localLink;
    if (changed || linkChanged)
        emit flagsChanged();
}

void ReachabilitySource::setFlags(Target target, quint32 flags) {
    auto& slot = target == Target::Internet ? m_internet : m_localLink;
    if (slot.exchange(flags) != flags)
        emit flagsChanged();
}

} // namespace pelnix
