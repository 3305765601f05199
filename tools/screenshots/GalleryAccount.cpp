#include "GalleryAccount.h"

#include "platform/ui/ScreenRegistry.h"
#include "platform/ui/ViewController.h"
#include "ui/account/AccountScreens.h"
#include "ui/account/PLAppLockScreenViewController.h"
#include "ui/account/PLAppLockSettingCell.h"
#include "ui/account/PLPadLockScreenSetupViewController.h"
#include "ui/account/PLPadLockScreenView.h"
#include "ui/account/PLPadLockScreenViewController.h"

#include <QVBoxLayout>

namespace pelnix::tools {

using namespace platform::ui;

namespace {
// Laid out as on a 568-point phone, in the lock screen's colours.
void styled(PLPadLockScreenAbstractViewController* pad) {
    PLPadLockScreenView* view = pad->padView();
    view->setAppearance(PLAppLockScreenViewController::padAppearance());
    view->setDevice({568, false});
}

void enter(PLPadLockScreenAbstractViewController* pad, const QString& digits) {
    for (QChar digit : digits)
        pad->newPinSelected(digit.digitValue());
}

// Refuses every PIN, so the gallery's unlock pad locks itself out.
class RefusingOwner : public QObject, public PLPadLockScreenViewControllerDelegate {};

class SettingsRowController : public ViewController {
protected:
    QWidget* loadView() override {
        auto* page = new QWidget;
        page->setAutoFillBackground(true);
        QPalette palette = page->palette();
        palette.setColor(QPalette::Window, QColor(0xEF, 0xEF, 0xF4));
        page->setPalette(palette);
        auto* layout = new QVBoxLayout(page);
        layout->setContentsMargins(0, 40, 0, 0);
        auto* cell = new PLAppLockSettingCell;
        cell->setObjectName(QStringLiteral("appLockCell"));
        cell->setFixedHeight(54);
        cell->changeViewForAppLockState(1, false);
        layout->addWidget(cell);
        layout->addStretch();
        return page;
    }
};
} // namespace

void registerAccountGalleryScreens() {
    AccountScreens::registerScreens();
    auto* registry = ScreenRegistry::shared();
    const QString gallery = QStringLiteral("GalleryAccount");
    registry->registerScreen(
        gallery, QStringLiteral("PinPadFourDigit"),
        [] { return new PLPadLockScreenViewController(nullptr, false); },
        [](ViewController* c) {
            auto* pad = static_cast<PLPadLockScreenViewController*>(c);
            styled(pad);
            enter(pad, QStringLiteral("12"));
        });
    registry->registerScreen(
        gallery, QStringLiteral("PinPadComplex"),
        [] { return new PLPadLockScreenViewController(nullptr, true); },
        [](ViewController* c) {
            auto* pad = static_cast<PLPadLockScreenViewController*>(c);
            styled(pad);
            enter(pad, QStringLiteral("907"));
        });
    registry->registerScreen(
        gallery, QStringLiteral("PinPadLocked"),
        [] {
            auto* owner = new RefusingOwner;
            auto* pad = new PLPadLockScreenViewController(owner, true);
            owner->setParent(pad);
            pad->setAllowedAttempts(3);
            return pad;
        },
        [](ViewController* c) {
            auto* pad = static_cast<PLPadLockScreenViewController*>(c);
            styled(pad);
            for (int attempt = 0; attempt < 3; ++attempt) {
                enter(pad, QStringLiteral("1"));
                pad->okButtonSelected();
            }
        });
    registry->registerScreen(
        gallery, QStringLiteral("PasscodeChangeNewEntry"),
        [] {
            auto* pad = new PLPadLockScreenSetupViewController(nullptr, true);
            pad->setEnterPasscodeLabelText(QStringLiteral("Enter New Passcode"));
            pad->setPinConfirmationText(QStringLiteral("Re-enter your new passcode"));
            return pad;
        },
        [](ViewController* c) {
            auto* pad = static_cast<PLPadLockScreenSetupViewController*>(c);
            styled(pad);
            enter(pad, QStringLiteral("2468"));
            pad->okButtonSelected();
            enter(pad, QStringLiteral("24"));
        });
    registry->registerScreen(gallery, QStringLiteral("AppLockSettingCell"),
                             [] { return new SettingsRowController; });
}

} // namespace pelnix::tools
