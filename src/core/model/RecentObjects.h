#pragma once

#include "foundation/persistence/PLPersistence.h"
#include "platform/store/ObjectContext.h"

#include <QList>
#include <memory>

namespace pelnix {

// The objects one thread found last by a key, held so that finding the same key again needs no
// fetch: a burst of stream events names the same room and the same sender over and over. An entry
// counts only while its object lives in the thread's current context, is not deleted, and still
// has its key; changes other threads saved are merged first. Finds in the calling thread's own
// context only; use one instance per thread (thread_local).
template <class T, class Key, int Size = 8> class RecentObjects {
public:
    using Ptr = std::shared_ptr<T>;

    // The object with `key`: the one held when it still qualifies, else `fetch()`'s (held next).
    template <class KeyOf, class Fetch> Ptr find(const Key& key, KeyOf keyOf, Fetch fetch) {
        const auto context =
            PLPersistence::PS_defaultStore() ? PLPersistence::PS_contextForCurrentThread() : ContextPtr();
        if (!context)
            return nullptr;
        context->processPendingMerges();
        for (qsizetype i = 0; i < m_held.size(); ++i) {
            const Ptr& object = m_held[i];
            if (object->managedObjectContext() != context.get() || object->isDeleted() || object->isInert()) {
                m_held.removeAt(i--);
                continue;
            }
            if (keyOf(*object) == key)
                return object;
        }
        Ptr found = fetch();
        if (found) {
            if (m_held.size() >= Size)
                m_held.removeFirst();
            m_held.append(found);
        }
        return found;
    }

private:
    QList<Ptr> m_held;
};

} // namespace pelnix
