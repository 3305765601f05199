#pragma once

#include <QObject>

namespace pelnix::platform::ui {

// The application's active and inactive notifications with UIKit's names, posted on the default
// notification centre when Qt's application state changes: "did become active" on becoming active,
// "will resign active" on leaving it, and the background pair when the application is hidden or
// suspended and when it comes back. Going from inactive to hidden is no second resign: the app lock
// puts its screen up once per resign. Nothing is posted until someone asks for the shared monitor;
// screens that rely on the notifications ask for it when they appear. Main thread only.
class ApplicationStateMonitor : public QObject {
    Q_OBJECT
public:
    static inline const QString kDidBecomeActive = QStringLiteral("UIApplicationDidBecomeActiveNotification");
    static inline const QString kWillResignActive =
        QStringLiteral("UIApplicationWillResignActiveNotification");
    static inline const QString kDidEnterBackground =
        QStringLiteral("UIApplicationDidEnterBackgroundNotification");
    static inline const QString kWillEnterForeground =
        QStringLiteral("UIApplicationWillEnterForegroundNotification");

    static ApplicationStateMonitor* shared();

    bool isActive() const { return m_state == Qt::ApplicationActive; }
    Qt::ApplicationState state() const { return m_state; }

    // Where Qt's state change arrives; tests call it to play a change.
    void applicationStateChanged(Qt::ApplicationState state);

private:
    explicit ApplicationStateMonitor(QObject* parent = nullptr);
    static bool isBackground(Qt::ApplicationState state);

    Qt::ApplicationState m_state = Qt::ApplicationInactive;
};

} // namespace pelnix::platform::ui
