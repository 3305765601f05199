#include "ApplicationStateMonitor.h"

#include "platform/MainThread.h"
#include "platform/NotificationCenter.h"

#include <QGuiApplication>

namespace pelnix::platform::ui {

ApplicationStateMonitor* ApplicationStateMonitor::shared() {
    Q_ASSERT(isMainThread());
    static ApplicationStateMonitor* monitor = new ApplicationStateMonitor(QCoreApplication::instance());
    return monitor;
}

ApplicationStateMonitor::ApplicationStateMonitor(QObject* parent) : QObject(parent) {
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        m_state = QGuiApplication::applicationState();
        connect(app, &QGuiApplication::applicationStateChanged, this,
                &ApplicationStateMonitor::applicationStateChanged);
    }
}

bool ApplicationStateMonitor::isBackground(Qt::ApplicationState state) {
    return state == Qt::ApplicationHidden || state == Qt::ApplicationSuspended;
}

void ApplicationStateMonitor::applicationStateChanged(Qt::ApplicationState state) {
    Q_ASSERT(isMainThread());
    if (state == m_state)
        return;
    const Qt::ApplicationState old = m_state;
    m_state = state;
    auto* center = NotificationCenter::defaultCenter();
    // The same order as on the phone: resign before entering the background, come to the foreground
    // before becoming active.
    if (old == Qt::ApplicationActive)
        center->post(kWillResignActive);
    if (isBackground(state) && !isBackground(old))
        center->post(kDidEnterBackground);
    if (isBackground(old) && !isBackground(state))
        center->post(kWillEnterForeground);
    if (state == Qt::ApplicationActive)
        center->post(kDidBecomeActive);
}

} // namespace pelnix::platform::ui
