#pragma once

#include <QHash>
#include <QMutex>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <functional>

namespace pelnix::platform {

// A posted notification: its name, an optional object (the sender or a payload) and user info.
struct Notification {
    QString name;
    QVariant object;
    QVariantMap userInfo;
};

// Names, observers and user info, delivered on the main thread.
//
// post() from the main thread delivers at once, before it returns; from any other thread it queues
// the delivery to the main thread. postQueued() always queues. Observers run on the main thread in
// the order they were added; an observer may remove itself or others while being called.
class NotificationCenter : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void(const Notification&)>;
    using Token = quint64;

    static NotificationCenter* defaultCenter();

    // Adds an observer of `name` (empty: every name). With a valid `objectFilter` only notifications
    // whose object equals it are delivered. With a `context`, the observer goes away with it.
    Token addObserver(const QString& name, Handler handler, const QObject* context = nullptr,
                      const QVariant& objectFilter = {});
    void removeObserver(Token token);
    // Removes every observer added with this context.
    void removeObservers(const QObject* context);

    void post(const QString& name, const QVariant& object = {}, const QVariantMap& userInfo = {});
    void postQueued(const QString& name, const QVariant& object = {}, const QVariantMap& userInfo = {});

signals:
    // Emitted on the main thread for every delivered notification, after the observers ran.
    void posted(const QString& name, const QVariant& object, const QVariantMap& userInfo);

private:
    struct Observer {
        QString name;
        Handler handler;
        QPointer<const QObject> context;
        bool hasContext = false;
        QVariant objectFilter;
    };

    void deliver(const Notification& notification);

    mutable QMutex m_mutex;
    Token m_next = 1;
    QList<Token> m_order;
    QHash<Token, Observer> m_observers;
};

} // namespace pelnix::platform
