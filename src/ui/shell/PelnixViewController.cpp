#include "ui/shell/PelnixViewController.h"

#include "core/model/ChatRoom.h"
#include "core/session/PelnixStateManager.h"
#include "foundation/ui/CustomFontRegistration.h"
#include "foundation/ui/DeviceInfo.h"
#include "interface/PelnixGroup.h"
#include "interface/PelnixSetUp.h"
#include "platform/ui/NavigationController.h"
#include "ui/account/PLUserProfileTableViewController.h"
#include "ui/conversation/PLChatWindowViewController.h"
#include "ui/rooms/PLChatRoomsTableViewController.h"
#include "ui/shell/ContainerChildren.h"

#include <QUuid>
#include <QWidget>

namespace pelnix {

using platform::ui::NavigationController;
using platform::ui::ViewController;

namespace {
const QString kHome = QStringLiteral("Home");
}

PelnixViewController::PelnixViewController(qint64 type, QObject* parent)
    : ViewController(parent), m_type(type) {}

PelnixViewController::~PelnixViewController() {
    auto* state = PelnixStateManager::sharedStateManagerInstance();
    if (!m_sessionID.isEmpty() && m_sessionID == state->sessionID())
        PelnixStateManager::destroyStateManager();
}

void PelnixViewController::associateWithSessionID() {
    m_sessionID = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    PelnixStateManager::sharedStateManagerInstance()->setSessionID(m_sessionID);
}

QWidget* PelnixViewController::loadView() {
    // A container the host made itself loads its screens from a wired library too.
    PelnixSetUp::ensureLibraryIsSetUp();
    QWidget* view = ContainerChildren::newView();
    CustomFontRegistration::loadCustomFonts();
    m_host = view;
    switch (m_type) {
    case 0:
        addScreen(QStringLiteral("PLChatRoomsTableViewController"));
        break;
    case 1:
        addChatWindow();
        break;
    case 2:
        addUserProfileView();
        break;
    case 3:
        addScreen(QStringLiteral("PLSettingsTableViewController"));
        break;
    case 4:
        addConfigurationView();
        break;
    default:
        break;
    }
    m_host = nullptr;
    return view;
}

void PelnixViewController::addScreen(const QString& identifier) {
    ContainerChildren::removeAll(this);
    if (auto* screen = ContainerChildren::instantiate(kHome, identifier))
        ContainerChildren::addWrapped(this, screen, m_host);
}

void PelnixViewController::addChatWindow() {
    if (m_roomID.isEmpty())
        return;
    // A room that has gone leaves the container as it was.
    const auto room = ChatRoom::chatRoomWithID(m_roomID);
    if (!room)
        return;
    ContainerChildren::removeAll(this);
    auto* window = qobject_cast<PLChatWindowViewController*>(
        ContainerChildren::instantiate(kHome, QStringLiteral("ChatWindowViewController")));
    if (!window)
        return;
    window->setChatRoom(room);
    ContainerChildren::addWrapped(this, window, m_host);
}

void PelnixViewController::addUserProfileView() {
    ContainerChildren::removeAll(this);
    const bool rtl = DeviceInfo::currentLocaleIsOfRTLType();
    const QString rtlIdentifier = QStringLiteral("PLUserProfileNavigationController_RTL");
    if (navigationController()) {
        ViewController* screen = ContainerChildren::instantiate(
            kHome, rtl ? rtlIdentifier : QStringLiteral("PLUserProfileTableViewController"));
        // The right-to-left scene is a navigation controller: its profile takes the type.
        auto* nested = qobject_cast<NavigationController*>(screen);
        auto* profile =
            qobject_cast<PLUserProfileTableViewController*>(nested ? nested->topViewController() : screen);
        if (profile)
            profile->setProfileNavigationType(1);
        if (screen)
            ContainerChildren::add(this, screen, m_host);
        return;
    }
    auto* navigation = qobject_cast<NavigationController*>(ContainerChildren::instantiate(
        kHome, rtl ? rtlIdentifier : QStringLiteral("PLUserProfileNavigationController")));
    if (!navigation)
        return;
    if (auto* profile = qobject_cast<PLUserProfileTableViewController*>(navigation->topViewController()))
        profile->setProfileNavigationType(2);
    ContainerChildren::add(this, navigation, m_host);
}

void PelnixViewController::addConfigurationView() {
    ContainerChildren::removeAll(this);
    const QString nib = QStringLiteral("PLConfigureScreenViewController");
    if (auto* screen = ContainerChildren::instantiate(nib, nib))
        ContainerChildren::add(this, screen, m_host);
}

void PelnixViewController::openPelnixGroupFromRoomsList(const PelnixGroup& group) {
    const auto room = ChatRoom::chatRoomWithID(group.groupID);
    const auto children = childViewControllers();
    if (!room || children.isEmpty())
        return;
    ViewController* first = children.first();
    if (auto* navigation = qobject_cast<NavigationController*>(first))
        first = navigation->topViewController();
    if (auto* list = qobject_cast<PLChatRoomsTableViewController*>(first))
        list->openChatRoom(room);
}

} // namespace pelnix
