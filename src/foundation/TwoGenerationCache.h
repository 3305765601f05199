#pragma once

#include <QHash>
#include <QtGlobal>

namespace pelnix {

// A bounded map for values that are cheap to keep and dear to compute, where what was asked for
// lately is asked again (the rows on screen while a long list scrolls by). It holds two generations
// of at most half the limit each: when the newer one is full it becomes the older and the oldest is
// dropped; a value found in the older generation moves back into the newer one. Emptying the whole
// map when full would instead lose the values in use together with the stale ones.
template <class Key, class Value> class TwoGenerationCache {
public:
    explicit TwoGenerationCache(qsizetype limit) : m_half(qMax<qsizetype>(1, limit / 2)) {}

    // The value kept for `key`, or null; a value kept by the older generation is made recent again.
    const Value* find(const Key& key) {
        if (const auto it = m_recent.constFind(key); it != m_recent.constEnd())
            return &*it;
        const auto old = m_older.constFind(key);
        if (old == m_older.constEnd())
            return nullptr;
        const Value value = *old; // the older generation may go as the value moves
        return &*insert(key, value);
    }

    // `value` must not refer into this cache.
    typename QHash<Key, Value>::const_iterator insert(const Key& key, const Value& value) {
        if (m_recent.size() >= m_half) {
            m_older = std::move(m_recent);
            m_recent = {};
        }
        return m_recent.insert(key, value);
    }

    qsizetype size() const { return m_recent.size() + m_older.size(); }

private:
    qsizetype m_half;
    QHash<Key, Value> m_recent;
    QHash<Key, Value> m_older;
};

} // namespace pelnix
