#pragma once

#include "platform/ui/ViewController.h"
#include "ui/account/PLAppLockArming.h"
#include "ui/account/PLAppLockScreenViewControllerDelegate.h"

namespace pelnix {

namespace platform::ui {
class TableView;
}

// The table twin of PLBaseViewController: its view is a table, and the lock it puts up on resigning
// active comes without animation.
class PLBaseTableTableViewController : public platform::ui::ViewController,
                                       public PLAppLockScreenViewControllerDelegate {
    Q_OBJECT
public:
    explicit PLBaseTableTableViewController(QObject* parent = nullptr);
    ~PLBaseTableTableViewController() override;

    platform::ui::TableView* tableView();

    // Declared for subclasses; the base screen itself never reads it.
    bool shouldShowAppLockScreenOnViewAppears() const { return m_shouldShowOnAppear; }
    void setShouldShowAppLockScreenOnViewAppears(bool value) { m_shouldShowOnAppear = value; }

    bool showAppLockScreenForType(qint64 type, bool animated) {
        return m_arming.showAppLockScreenForType(type, animated);
    }
    void addAppLockScreenOnResigningActive() { m_arming.addAppLockScreenOnResigningActive(); }
    void appLockScreenViewController(PLAppLockScreenViewController* controller,
                                     bool didFinishProcessing) override {
        m_arming.lockScreenFinished(controller, didFinishProcessing);
    }

protected:
    QWidget* loadView() override;
    void viewDidAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;

private:
    PLAppLockArming m_arming{this, false};
    bool m_shouldShowOnAppear = false;
};

} // namespace pelnix
