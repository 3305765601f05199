#pragma once

#include "platform/ui/AlertView.h"
#include "platform/ui/TableViewCell.h"

#include <QPointer>

namespace pelnix {

namespace platform::ui {
class Button;
class Label;
class Switch;
} // namespace platform::ui

class PLAppLockSettingCell;

// What the settings screen hears from the app-lock row; both optional. The delegate must be a
// QObject (held weakly).
class PLAppLockSettingCellDelegate {
public:
    virtual ~PLAppLockSettingCellDelegate() = default;
    // The user confirmed switching the lock on (true) or off (false).
    virtual void appLockSettingCell(PLAppLockSettingCell* cell, bool didEnableOrDisableAppLock) {
        Q_UNUSED(cell);
        Q_UNUSED(didEnableOrDisableAppLock);
    }
    virtual void appLockSettingCellResetAppPinTapped(PLAppLockSettingCell* cell) { Q_UNUSED(cell); }
};

// The settings row that switches the app lock on or off, after a confirmation, and offers to reset
// (change) the passcode while the lock is on.
class PLAppLockSettingCell : public platform::ui::TableViewCell {
    Q_OBJECT
public:
    static constexpr int kConfirmationTag = 100;

    explicit PLAppLockSettingCell(const QString& reuseIdentifier = QStringLiteral("PLAppLockSettingCell"),
                                  QWidget* parent = nullptr);

    QObject* appLockCellDelegate() const { return m_delegate; }
    void setAppLockCellDelegate(QObject* delegate) { m_delegate = delegate; }
    platform::ui::Label* enableOrDisableTextLabel() const { return m_label; }
    platform::ui::Switch* enableOrDisableSwitch() const { return m_switch; }
    platform::ui::Button* resetPinButton() const { return m_reset; }

    // Shows the row for the account's lock state; `mandatory` when the server imposes the lock.
    void changeViewForAppLockState(qint64 state, bool showsAppLockMandatory);
    void switchAppLockState();
    void resetPinClicked();
    // The confirmation alert while it is up, else null.
    platform::ui::AlertView* confirmationAlert() const { return m_alert; }
    void alertViewClickedButtonAtIndex(platform::ui::AlertView* alert, int buttonIndex);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void layoutRow();
    PLAppLockSettingCellDelegate* delegate() const;

    QPointer<QObject> m_delegate;
    platform::ui::Label* m_label = nullptr;
    platform::ui::Switch* m_switch = nullptr;
    platform::ui::Button* m_reset = nullptr;
    QPointer<platform::ui::AlertView> m_alert;
    // What the open confirmation asks: to switch the lock on (true) or off.
    bool m_askedToEnable = false;
};

} // namespace pelnix
