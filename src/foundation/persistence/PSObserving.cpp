#include "foundation/persistence/PSObserving.h"

#include "platform/MainThread.h"

#include <QHash>
#include <QMutex>
#include <QThread>

namespace pelnix::PSObserving {

namespace {
QMutex g_mutex;
QHash<QPair<const void*, const void*>, quint64> g_tokens; // (receiver, observed) -> observer token

void observe(const ContextPtr& receiver, const ContextPtr& other, bool onMain) {
    if (!receiver || !other || receiver == other)
        return;
    PS_stopObservingContext(receiver, other);
    std::weak_ptr<platform::ObjectContext> weak = receiver;
    const quint64 token = other->addSaveObserver([weak, onMain](const platform::ChangeSetPtr& changes) {
        if (auto r = weak.lock()) {
            if (onMain)
                PS_mergeChangesOnMainThread(r, changes);
            else
                PS_mergeChangesFromNotification(r, changes);
        }
    });
    QMutexLocker lock(&g_mutex);
    g_tokens.insert({receiver.get(), other.get()}, token);
}
} // namespace

void PS_observeContext(const ContextPtr& receiver, const ContextPtr& other) {
    observe(receiver, other, false);
}

void PS_observeContextOnMainThread(const ContextPtr& receiver, const ContextPtr& other) {
    observe(receiver, other, true);
}

void PS_stopObservingContext(const ContextPtr& receiver, const ContextPtr& other) {
    if (!receiver || !other)
        return;
    quint64 token = 0;
    {
        QMutexLocker lock(&g_mutex);
        token = g_tokens.take({receiver.get(), other.get()});
    }
    if (token)
        other->removeSaveObserver(token);
}

void PS_mergeChangesFromNotification(const ContextPtr& receiver, const platform::ChangeSetPtr& changes) {
    if (!receiver || !changes)
        return;
    if (QThread::currentThread() == receiver->thread())
        receiver->mergeChanges(*changes);
    else
        receiver->enqueueChanges(changes);
}

void PS_mergeChangesOnMainThread(const ContextPtr& receiver, const platform::ChangeSetPtr& changes) {
    if (!receiver || !changes)
        return;
    if (platform::isMainThread()) {
        receiver->mergeChanges(*changes);
        return;
    }
    receiver->enqueueChanges(changes);
    std::weak_ptr<platform::ObjectContext> weak = receiver;
    platform::runOnMain([weak] {
        if (auto r = weak.lock())
            r->processPendingMerges();
    });
}

} // namespace pelnix::PSObserving
