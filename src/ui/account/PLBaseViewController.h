#pragma once

#include "platform/ui/ViewController.h"
#include "ui/account/PLAppLockArming.h"
#include "ui/account/PLAppLockScreenViewControllerDelegate.h"

namespace pelnix {

// The base of the library's plain screens: it puts the passcode lock over itself at the first
// appearance after start and whenever the application resigns active while it is on screen, and
// takes the lock down again when the lock screen is done. Subclasses that override viewDidAppear or
// viewWillDisappear call these implementations.
class PLBaseViewController : public platform::ui::ViewController,
                             public PLAppLockScreenViewControllerDelegate {
    Q_OBJECT
public:
    explicit PLBaseViewController(QObject* parent = nullptr);
    ~PLBaseViewController() override;

    // Always presented with animation, so the lock slides in also when the application resigns active.
    bool showAppLockScreenForType(qint64 type, bool animated) {
        return m_arming.showAppLockScreenForType(type, animated);
    }
    void addAppLockScreenOnResigningActive() { m_arming.addAppLockScreenOnResigningActive(); }
    void appLockScreenViewController(PLAppLockScreenViewController* controller,
                                     bool didFinishProcessing) override {
        m_arming.lockScreenFinished(controller, didFinishProcessing);
    }

protected:
    void viewDidAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    // Gives the preferred field the keys as the screen appears, unless something in the view, a
    // widget of the host's own or another container holds them. A push, a presentation and a window
    // of the library's own hand the keys over by themselves; the first page of a container the host
    // shows in its own widget gets them only this way. In a window not yet active the field takes
    // them as the window activates.
    void takeKeysOnAppearing();

private:
    PLAppLockArming m_arming{this, true};
};

} // namespace pelnix
