#pragma once

#include "foundation/persistence/PLPersistence.h"

namespace pelnix {

// Merging of other contexts' saves. Every context of a store already merges every other
// context's saves before its next fetch or save; these calls add explicit, immediate merges.
namespace PSObserving {

// `receiver` merges each save of `other` (on the saving thread when it is the receiver's own,
// otherwise before the receiver's next fetch or save).
void PS_observeContext(const ContextPtr& receiver, const ContextPtr& other);
// The same, merged on the main thread. The saving thread does not wait for the main thread.
void PS_observeContextOnMainThread(const ContextPtr& receiver, const ContextPtr& other);
void PS_stopObservingContext(const ContextPtr& receiver, const ContextPtr& other);
void PS_mergeChangesFromNotification(const ContextPtr& receiver, const platform::ChangeSetPtr& changes);
void PS_mergeChangesOnMainThread(const ContextPtr& receiver, const platform::ChangeSetPtr& changes);

} // namespace PSObserving
} // namespace pelnix
