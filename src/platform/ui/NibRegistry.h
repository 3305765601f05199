#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <functional>
#include <optional>

namespace pelnix::platform::ui {

// Nibs built in code: a nib is a function that makes its top-level objects for an owner. Nibs are
// registered per bundle identifier and name; the cache remembers each lookup, misses included, so a
// name without a nib is looked up once per process.
class NibRegistry {
public:
    using Nib = std::function<QList<QObject*>(QObject* owner)>;

    static NibRegistry* shared();

    void registerNib(const QString& bundleIdentifier, const QString& name, Nib nib);
    // The nib for the key "<bundle identifier>.<name>", from the cache when looked up before.
    std::optional<Nib> nib(const QString& bundleIdentifier, const QString& name);
    static QString cacheKey(const QString& bundleIdentifier, const QString& name);

    // How often registered nibs were consulted (the cache's misses); for tests.
    int lookups() const { return m_lookups; }
    void clear();

private:
    QHash<QString, Nib> m_nibs;
    QHash<QString, std::optional<Nib>> m_cache;
    int m_lookups = 0;
};

} // namespace pelnix::platform::ui
