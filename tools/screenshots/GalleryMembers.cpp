#include "GalleryMembers.h"
#include "GalleryRooms.h"

#include "foundation/PLReachabilityResponder.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/ScreenRegistry.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
#include "ui/rooms/PLGroupMembersViewController.h"
#include "ui/rooms/PLGroupMemeberDetailTableViewController.h"
#include "ui/rooms/PLMakeAdminViewController.h"
#include "ui/rooms/PLPendingMembersViewController.h"
#include "ui/rooms/PLSelectAdminViewController.h"
#include "ui/toolkit/PLCustomSearchTextField.h"
#include "ui/toolkit/PLSwipeViewController.h"

#include <QCoreApplication>
#include <QKeyEvent>

namespace pelnix::tools {

using platform::ui::NavigationController;
using platform::ui::ScreenRegistry;
using platform::ui::ViewController;

namespace {
const QString kGallery = QStringLiteral("GalleryMembers");
const QString kLarge = QStringLiteral("@400x720");

// Requests cannot start while the screen appears (no busy overlay, no failure alert); back afterwards.
void offline(bool off) {
    auto* network = PLReachabilityResponder::sharedInstance();
    if (network->isNetworkDisabledForTesting() != off)
        network->toggleNetworkForTestingPuspose();
}

void sized(ViewController* controller, const QString& identifier) {
    if (platform::ui::Window* window = controller->window())
        window->resize(membersGallerySize(identifier));
    QCoreApplication::processEvents();
}

template <typename T> T* top(ViewController* controller) {
    auto* nav = qobject_cast<NavigationController*>(controller);
    return qobject_cast<T*>(nav ? nav->topViewController() : controller);
}

// Typed as a user types, so the field and the list follow each key.
void type(PLCustomSearchTextField* field, const QString& text) {
    for (const QChar key : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(key));
        QCoreApplication::sendEvent(field, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(key));
        QCoreApplication::sendEvent(field, &release);
    }
}

// The members screen pushed over the rooms list, as group information pushes it.
ViewController* membersScreen() {
    prepareRoomsGalleryStore(true);
    auto* members = new PLGroupMembersViewController;
    members->configureWithChatRoom(ChatRoom::chatRoomWithID(membersGalleryRoomID()));
    auto* nav = new NavigationController(new ViewController);
    nav->pushViewController(members, false);
    return nav;
}

void showPending(ViewController* controller, bool searching, const QString& identifier) {
    sized(controller, identifier);
    auto* members = top<PLGroupMembersViewController>(controller);
    members->swipeViewController()->setSelectedIndex(1);
    members->pendingMembersViewController()->setPendingMembers(membersGalleryInvitees());
    if (searching) {
        members->searchButtonClicked();
        type(members->searchView()->searchTextField(), membersGallerySearchText(true));
    }
    QCoreApplication::processEvents();
}

ViewController* selectAdminScreen() {
    prepareRoomsGalleryStore(true);
    auto* select = new PLSelectAdminViewController;
    select->setCurrentRoom(ChatRoom::chatRoomWithID(membersGalleryRoomID()));
    auto* nav = new NavigationController(new ViewController);
    nav->pushViewController(select, false);
    return nav;
}

ViewController* detailScreen() {
    prepareRoomsGalleryStore(true);
    auto* detail = new PLGroupMemeberDetailTableViewController;
    // No user: nothing is asked of a service; the fixture hands the reply over.
    detail->setRoomID(membersGalleryRoomID());
    detail->setShouldShowGroupInfoOptions(false);
    auto* nav = new NavigationController(new ViewController);
    nav->pushViewController(detail, false);
    return nav;
}
} // namespace

QSize membersGallerySize(const QString& identifier) {
    return identifier.endsWith(kLarge) ? QSize(400, 720) : QSize(320, 568);
}

QString membersGalleryRoomID() {
    return QStringLiteral("g-design");
}

QVariantList membersGalleryInvitees() {
    return {QVariantMap{{"id", "i-1"}, {"name", "dana.lopez@acme.test"}, {"type", "email"}},
            QVariantMap{{"id", "i-2"}, {"name", "+14155550132"}, {"type", "phone"}},
            QVariantMap{{"id", "i-3"}, {"name", "dimitri@partner.test"}, {"type", "email"}}};
}

QString membersGallerySearchText(bool pending) {
    return pending ? QStringLiteral("d") : QStringLiteral("e");
}

QVariantMap membersGalleryDetails() {
    return {{"name", "Carla Diaz"},    {"email", "carla@acme.test"},
            {"phone", "4155550118"},   {"countryCode", "1"},
            {"isPhoneVerified", true}, {"imageUrl", "https://pictures.gallery.invalid/user-43.png"}};
}

void registerMembersGalleryScreens() {
    // Each screen is made and set up offline, so that no request starts in the picture.
    const auto add = [](const QString& identifier, ScreenRegistry::Factory make,
                        ScreenRegistry::Fixture fixture) {
        ScreenRegistry::shared()->registerScreen(
            kGallery, identifier,
            [make] {
                offline(true);
                return make();
            },
            [fixture](ViewController* c) {
                fixture(c);
                offline(false);
            });
    };
    for (const QString& suffix : {QString(), kLarge}) {
        const auto id = [suffix](const char* name) { return QString::fromLatin1(name) + suffix; };
        add(id("MembersActive"), membersScreen, [id](ViewController* c) { sized(c, id("MembersActive")); });
        add(id("MembersActiveSearching"), membersScreen, [id](ViewController* c) {
            sized(c, id("MembersActiveSearching"));
            auto* members = top<PLGroupMembersViewController>(c);
            members->searchButtonClicked();
            type(members->searchView()->searchTextField(), membersGallerySearchText(false));
        });
        add(id("MembersPending"), membersScreen,
            [id](ViewController* c) { showPending(c, false, id("MembersPending")); });
        add(id("MembersPendingSearching"), membersScreen,
            [id](ViewController* c) { showPending(c, true, id("MembersPendingSearching")); });
        add(id("AdminChange"), selectAdminScreen, [id](ViewController* c) { sized(c, id("AdminChange")); });
        add(id("AdminChangeConfirm"), selectAdminScreen, [id](ViewController* c) {
            sized(c, id("AdminChangeConfirm"));
            auto* select = top<PLSelectAdminViewController>(c);
            select->didSelectRowAtIndexPath(select->adminSelectionTableView(), {1, 0});
            QCoreApplication::processEvents();
        });
        add(id("MemberDetail"), detailScreen, [id](ViewController* c) {
            sized(c, id("MemberDetail"));
            top<PLGroupMemeberDetailTableViewController>(c)->showMemberDetailsForDictionary(
                membersGalleryDetails());
            QCoreApplication::processEvents();
        });
    }
}

} // namespace pelnix::tools
