#pragma once

#include "foundation/PLReachability.h"

#include <QHash>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <utility>

namespace pelnix {

// The process-wide view of the network: the internet target's status, handlers kept by key and
// called on every change, and a switch that makes status queries answer "offline".
//
// Status queries are safe from any thread. Handlers always run on the main thread.
class PLReachabilityResponder : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void(int status)>;
    // Shows a non-modal alert with one button; the widget layer supplies it.
    using AlertPresenter =
        std::function<void(const QString& title, const QString& message, const QString& cancelButton)>;

    static PLReachabilityResponder* sharedInstance();

    // 0 while the testing switch is on; otherwise the internet target's status.
    int networkStatus() const;
    bool isReachable() const { return networkStatus() != 0; }
    // isReachable(); when offline and `showAlert`, the "Failed" alert is shown first.
    bool isNetworkReachable(bool showAlert) const;

    // Replaces an earlier handler under the same key, keeping its place in the calling order.
    void addHandler(Handler handler, const QString& key);
    void removeHandlerForKey(const QString& key);

    void addListening(PLReachability* reachability);
    void removeListening(PLReachability* reachability);

    void toggleNetworkForTestingPuspose();
    bool isNetworkDisabledForTesting() const { return m_disabledForTesting.load(); }

    // Swaps the internet target (tests use one over a settable source); it is listened to at once.
    void setReachabilityInstance(std::shared_ptr<PLReachability> reachability);
    std::shared_ptr<PLReachability> reachabilityInstance() const;

    static void setAlertPresenter(AlertPresenter presenter);

private:
    PLReachabilityResponder();
    // Calls every handler with the status read once; the testing switch does not apply here.
    void reachabilityChanged();

    mutable QMutex m_mutex;
    std::shared_ptr<PLReachability> m_reachability;
    QList<std::pair<QString, Handler>> m_handlers;
    QHash<const PLReachability*, quint64> m_listening;
    std::atomic<bool> m_disabledForTesting{false};
};

} // namespace pelnix
