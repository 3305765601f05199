#include "ui/shell/PelnixCustomViewController.h"

#include "core/session/PelnixStateManager.h"
#include "foundation/ui/CustomFontRegistration.h"
#include "interface/PelnixGroup.h"
#include "interface/PelnixSetUp.h"
#include "platform/ui/NavigationController.h"
#include "ui/account/PLAppLockScreenViewController.h"
#include "ui/account/PLLoggedOutViewController.h"
#include "ui/account/PLSignUpViewController.h"
#include "ui/rooms/PLOpenGroupsViewController.h"
#include "ui/shell/ContainerChildren.h"

#include <QWidget>

namespace pelnix {

using platform::ui::NavigationController;
using platform::ui::ViewController;

PelnixCustomViewController::PelnixCustomViewController(qint64 type, QObject* parent)
    : ViewController(parent), m_type(type) {}

QWidget* PelnixCustomViewController::loadView() {
    // A container the host made itself loads its screens from a wired library too.
    PelnixSetUp::ensureLibraryIsSetUp();
    QWidget* view = ContainerChildren::newView();
    CustomFontRegistration::loadCustomFonts();
    PelnixStateManager::sharedStateManagerInstance()->initializeDatabase();
    m_host = view;
    switch (m_type) {
    case 0:
        addLoginView();
        break;
    case 1:
        addPublicGroupsView();
        break;
    case 2:
        addLoggedOutView();
        break;
    case 3:
        addPasscodeView();
        break;
    default:
        break;
    }
    m_host = nullptr;
    return view;
}

void PelnixCustomViewController::addLoginView() {
    ContainerChildren::removeAll(this);
    const QString login = QStringLiteral("Login");
    const bool inside = navigationController() != nullptr;
    ViewController* screen =
        ContainerChildren::instantiate(login, inside ? QStringLiteral("PLSignUpViewController")
                                                     : QStringLiteral("PLSignUpNavigationController"));
    if (!screen)
        return;
    auto* navigation = qobject_cast<NavigationController*>(screen);
    if (auto* signUp =
            qobject_cast<PLSignUpViewController*>(navigation ? navigation->topViewController() : screen)) {
        if (!m_email.isEmpty())
            signUp->setPrefilledEmail(m_email);
        signUp->setPelnixLoginCompletionHandler(m_login);
    }
    ContainerChildren::add(this, screen, m_host);
}

void PelnixCustomViewController::addPublicGroupsView() {
    ContainerChildren::removeAll(this);
    auto* groups = qobject_cast<PLOpenGroupsViewController*>(
        ContainerChildren::instantiate(QStringLiteral("Home"), QStringLiteral("PLOpenGroupsViewController")));
    if (!groups)
        return;
    groups->setPublicGroupsCompletionHandler(m_publicGroups);
    ContainerChildren::addWrapped(this, groups, m_host);
}

void PelnixCustomViewController::addLoggedOutView() {
    ContainerChildren::removeAll(this);
    auto* loggedOut = qobject_cast<PLLoggedOutViewController*>(ContainerChildren::instantiate(
        QStringLiteral("LoggedOut"), QStringLiteral("PLLoggedOutViewController")));
    if (!loggedOut)
        return;
    loggedOut->setLoggedOutCompletionHandler(m_loggedOut);
    ContainerChildren::addWrapped(this, loggedOut, m_host, true);
}

void PelnixCustomViewController::addPasscodeView() {
    ContainerChildren::removeAll(this);
    const QString nib = QStringLiteral("PLAppLockScreenViewController");
    auto* lock = qobject_cast<PLAppLockScreenViewController*>(ContainerChildren::instantiate(nib, nib));
    if (!lock)
        return;
    lock->setPasscodeControllerCompletionHandler(
        [handler = m_passcode](bool done, const std::optional<PLError>& error, ViewController* shown) {
            if (handler)
                handler(done, error, shown);
        });
    switch (m_passcodeViewType) {
    case 0:
    case 2:
        lock->setLockScreenState(PLAppLockScreenViewController::Unlock);
        break;
    case 1:
        lock->setLockScreenState(PLAppLockScreenViewController::SwitchOff);
        break;
    case 3:
        lock->setLockScreenState(PLAppLockScreenViewController::Change);
        break;
    default:
        break;
    }
    ContainerChildren::add(this, lock, m_host);
}

} // namespace pelnix
