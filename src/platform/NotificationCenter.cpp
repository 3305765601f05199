#include "platform/NotificationCenter.h"

#include "platform/MainThread.h"

#include <QCoreApplication>

namespace pelnix::platform {

NotificationCenter* NotificationCenter::defaultCenter() {
    static NotificationCenter* center = [] {
        auto* c = new NotificationCenter;
        if (auto* app = QCoreApplication::instance())
            c->moveToThread(app->thread());
        return c;
    }();
    return center;
}

NotificationCenter::Token NotificationCenter::addObserver(const QString& name, Handler handler,
                                                          const QObject* context,
                                                          const QVariant& objectFilter) {
    QMutexLocker lock(&m_mutex);
    const Token token = m_next++;
    m_observers.insert(token, Observer{name, std::move(handler), context, context != nullptr, objectFilter});
    m_order.append(token);
    return token;
}

void NotificationCenter::removeObserver(Token token) {
    QMutexLocker lock(&m_mutex);
    if (m_observers.remove(token))
        m_order.removeOne(token);
}

void NotificationCenter::removeObservers(const QObject* context) {
    if (!context)
        return;
    QMutexLocker lock(&m_mutex);
    for (auto it = m_observers.begin(); it != m_observers.end();) {
        if (it->hasContext && it->context == context) {
            m_order.removeOne(it.key());
            it = m_observers.erase(it);
        } else {
            ++it;
        }
    }
}

void NotificationCenter::post(const QString& name, const QVariant& object, const QVariantMap& userInfo) {
    if (isMainThread())
        deliver(Notification{name, object, userInfo});
    else
        postQueued(name, object, userInfo);
}

void NotificationCenter::postQueued(const QString& name, const QVariant& object,
                                    const QVariantMap& userInfo) {
    Notification n{name, object, userInfo};
    runOnMain([this, n] { deliver(n); });
}

void NotificationCenter::deliver(const Notification& notification) {
    QList<Token> order;
    {
        QMutexLocker lock(&m_mutex);
        order = m_order;
    }
    for (const Token token : order) {
        Handler handler;
        {
            QMutexLocker lock(&m_mutex);
            auto it = m_observers.find(token);
            if (it == m_observers.end())
                continue; // removed by an earlier observer of this delivery
            if (it->hasContext && !it->context) {
                m_order.removeOne(token);
                m_observers.erase(it);
                continue;
            }
            if (!it->name.isEmpty() && it->name != notification.name)
                continue;
            if (it->objectFilter.isValid() && it->objectFilter != notification.object)
                continue;
            handler = it->handler;
        }
        if (handler)
            handler(notification);
    }
    emit posted(notification.name, notification.object, notification.userInfo);
}

} // namespace pelnix::platform
