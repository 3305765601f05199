#include "NibRegistry.h"

namespace pelnix::platform::ui {

NibRegistry* NibRegistry::shared() {
    static NibRegistry registry;
    return &registry;
}

QString NibRegistry::cacheKey(const QString& bundleIdentifier, const QString& name) {
    return bundleIdentifier + QLatin1Char('.') + name;
}

void NibRegistry::registerNib(const QString& bundleIdentifier, const QString& name, Nib nib) {
    const QString key = cacheKey(bundleIdentifier, name);
    m_nibs.insert(key, std::move(nib));
    m_cache.remove(key);
}

std::optional<NibRegistry::Nib> NibRegistry::nib(const QString& bundleIdentifier, const QString& name) {
    const QString key = cacheKey(bundleIdentifier, name);
    const auto cached = m_cache.constFind(key);
    if (cached != m_cache.constEnd())
        return *cached;
    ++m_lookups;
    const auto found = m_nibs.constFind(key);
    std::optional<Nib> result =
        found == m_nibs.constEnd() || !*found ? std::nullopt : std::optional<Nib>(*found);
    m_cache.insert(key, result);
    return result;
}

void NibRegistry::clear() {
    m_nibs.clear();
    m_cache.clear();
    m_lookups = 0;
}

} // namespace pelnix::platform::ui
