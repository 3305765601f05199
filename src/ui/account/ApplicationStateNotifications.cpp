#include "ui/account/ApplicationStateNotifications.h"

#include "platform/MainThread.h"
#include "platform/NotificationCenter.h"

#include <QGuiApplication>

namespace pelnix::ApplicationStateNotifications {

void install() {
    Q_ASSERT(platform::isMainThread());
    static bool installed = false;
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (installed || !app)
        return;
    installed = true;
    auto active = std::make_shared<bool>(QGuiApplication::applicationState() == Qt::ApplicationActive);
    QObject::connect(app, &QGuiApplication::applicationStateChanged, app,
                     [active](Qt::ApplicationState state) {
                         const bool nowActive = state == Qt::ApplicationActive;
                         if (nowActive == *active)
                             return;
                         *active = nowActive;
                         platform::NotificationCenter::defaultCenter()->post(
                             QString::fromLatin1(nowActive ? UIApplicationDidBecomeActiveNotification
                                                           : UIApplicationWillResignActiveNotification));
                     });
}

} // namespace pelnix::ApplicationStateNotifications
