#include "ui/account/ApplicationStateNotifications.h"

#include "platform/MainThread.h"
#include "platform/NotificationCenter.h"

#include <QGuiApplication>

namespace pelnix::ApplicationStateNotifications {

namespace {
bool g_active = true;
}

void install() {
    Q_ASSERT(platform::isMainThread());
    static bool installed = false;
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (installed || !app)
        return;
    installed = true;
    g_active = QGuiApplication::applicationState() == Qt::ApplicationActive;
    QObject::connect(app, &QGuiApplication::applicationStateChanged, app, &applicationStateChanged);
}

void applicationStateChanged(Qt::ApplicationState state) {
    Q_ASSERT(platform::isMainThread());
    const bool active = state == Qt::ApplicationActive;
    if (active == g_active)
        return; // inactive to hidden, say: nothing new for the screens
    g_active = active;
    platform::NotificationCenter::defaultCenter()->post(QString::fromLatin1(
        active ? UIApplicationDidBecomeActiveNotification : UIApplicationWillResignActiveNotification));
}

} // namespace pelnix::ApplicationStateNotifications
