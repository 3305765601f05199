#include "foundation/PLReachabilityResponder.h"

#include "platform/NotificationCenter.h"

#include <QCoreApplication>

namespace pelnix {

PLReachabilityResponder* PLReachabilityResponder::sharedInstance() {
    static PLReachabilityResponder* instance = [] {
        auto* responder = new PLReachabilityResponder;
        if (auto* app = QCoreApplication::instance())
            responder->moveToThread(app->thread());
        responder->setReachabilityInstance(PLReachability::reachabilityForInternetConnection());
        return responder;
    }();
    return instance;
}

PLReachabilityResponder::PLReachabilityResponder() = default;

int PLReachabilityResponder::networkStatus() const {
    if (m_disabledForTesting.load())
        return 0;
    const auto reachability = reachabilityInstance();
    return reachability ? reachability->currentReachabilityStatus() : 0;
}

void PLReachabilityResponder::addHandler(Handler handler, const QString& key) {
    QMutexLocker lock(&m_mutex);
    for (auto& entry : m_handlers) {
        if (entry.first == key) {
            entry.second = std::move(handler);
            return;
        }
    }
    m_handlers.append({key, std::move(handler)});
}

void PLReachabilityResponder::removeHandlerForKey(const QString& key) {
    QMutexLocker lock(&m_mutex);
    m_handlers.removeIf([&](const auto& entry) { return entry.first == key; });
}

void PLReachabilityResponder::addListening(PLReachability* reachability) {
    if (!reachability)
        return;
    QMutexLocker lock(&m_mutex);
    if (m_listening.contains(reachability))
        return;
    const auto token = platform::NotificationCenter::defaultCenter()->addObserver(
        QString::fromLatin1(PLReachabilityChangedNotification),
        [this](const platform::Notification&) { reachabilityChanged(); }, this,
        QVariant::fromValue(static_cast<QObject*>(reachability)));
    m_listening.insert(reachability, token);
}

void PLReachabilityResponder::removeListening(PLReachability* reachability) {
    QMutexLocker lock(&m_mutex);
    if (auto it = m_listening.find(reachability); it != m_listening.end()) {
        platform::NotificationCenter::defaultCenter()->removeObserver(it.value());
        m_listening.erase(it);
    }
}

void PLReachabilityResponder::toggleNetworkForTestingPuspose() {
    m_disabledForTesting.store(!m_disabledForTesting.load());
}

void PLReachabilityResponder::setReachabilityInstance(std::shared_ptr<PLReachability> reachability) {
    std::shared_ptr<PLReachability> previous;
    {
        QMutexLocker lock(&m_mutex);
        previous = std::exchange(m_reachability, reachability);
    }
    if (previous) {
        removeListening(previous.get());
        previous->stopNotifier();
    }
    if (reachability) {
        addListening(reachability.get());
        reachability->startNotifier();
    }
}

std::shared_ptr<PLReachability> PLReachabilityResponder::reachabilityInstance() const {
    QMutexLocker lock(&m_mutex);
    return m_reachability;
}

void PLReachabilityResponder::reachabilityChanged() {
    const auto reachability = reachabilityInstance();
    const int status = reachability ? reachability->currentReachabilityStatus() : 0;
    QList<std::pair<QString, Handler>> handlers;
    {
        QMutexLocker lock(&m_mutex);
        handlers = m_handlers; // a handler may add or remove handlers while they are being called
    }
    for (const auto& entry : handlers) {
        if (entry.second)
            entry.second(status);
    }
}

} // namespace pelnix
