#include "GalleryGroups.h"
#include "GalleryPictures.h"
#include "GalleryRooms.h"

#include "core/model/ChatRoom.h"
#include "core/model/User.h"
#include "foundation/ui/ImageAdditions.h"
#include "media/PLImageManager.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/ScreenRegistry.h"
#include "platform/ui/Switch.h"
#include "platform/ui/TextField.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
#include "ui/rooms/PLGroupInfoTableViewCell.h"
#include "ui/rooms/PLGroupInfoViewController.h"
#include "ui/rooms/PLNewGroupMembersViewController.h"
#include "ui/rooms/PLNewGroupTableViewController.h"
#include "ui/rooms/PLNewGroupViewController.h"
#include "ui/rooms/PLProfileImageViewController.h"
#include "ui/rooms/RoomsScreens.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>

namespace pelnix::tools {

using platform::ui::NavigationController;
using platform::ui::ScreenRegistry;
using platform::ui::ViewController;

namespace {
const QString kGallery = QStringLiteral("GalleryGroups");
const QString kLarge = QStringLiteral("@400x720");

// A screen under the conversation it is opened from, as the chat window pushes group information.
class BelowScreen : public ViewController {};

void sized(ViewController* controller, const QString& identifier) {
    if (platform::ui::Window* window = controller->window())
        window->resize(groupsGallerySize(identifier));
    QCoreApplication::processEvents();
}

PLGroupInfoViewController* infoOf(ViewController* controller) {
    auto* nav = qobject_cast<NavigationController*>(controller);
    return nav ? qobject_cast<PLGroupInfoViewController*>(nav->topViewController()) : nullptr;
}

ViewController* groupInfo(const QString& roomId) {
    prepareRoomsGalleryStore(true);
    auto* info = qobject_cast<PLGroupInfoViewController*>(ScreenRegistry::shared()->instantiate(
        QStringLiteral("Home"), PLGroupInfoViewController::kIdentifier));
    info->setRoomId(roomId);
    auto* nav = new NavigationController(new BelowScreen);
    nav->pushViewController(info, false);
    return nav;
}

QVariantList galleryMembers() {
    QVariantList members;
    for (qint32 id : {42, 43, 44})
        members << QVariant::fromValue(User::userWithIntID(id));
    return members;
}

NavigationController* newGroup() {
    prepareRoomsGalleryStore(true);
    auto* nav = qobject_cast<NavigationController*>(ScreenRegistry::shared()->instantiate(
        QStringLiteral("Home"), PLNewGroupViewController::kNavigationIdentifier));
    nav->topViewController()->setProperty("selectedContactsArray", galleryMembers());
    return nav;
}

QImage galleryPicture() {
    return initialsPicture(QStringLiteral("DT"), QColor::fromHsv(200, 140, 190));
}

// The new group form with a name, a picture and admin-only on.
void fillNewGroup(ViewController* c) {
    auto* screen =
        qobject_cast<PLNewGroupViewController*>(qobject_cast<NavigationController*>(c)->topViewController());
    PLNewGroupTableViewController* shown = screen->form();
    shown->groupNameTextField()->insert(QStringLiteral("Launch Team"));
    shown->imageSelected(
        QVariantMap{{QStringLiteral("UIImagePickerControllerEditedImage"), galleryPicture()}});
    shown->adminOnlySwitch()->setOn(true);
    QCoreApplication::processEvents();
}

// `shown` in a view right to left.
ViewController* rightToLeft(ViewController* shown) {
    shown->view()->setLayoutDirection(Qt::RightToLeft);
    return shown;
}

// The team's own picture, as the viewer loads it: a photo of an office under a blue sky, put in the
// image cache under the address the viewer asks for.
QString galleryPhotoURL() {
    static const QString url = [] {
        QImage photo(640, 480, QImage::Format_RGB32);
        QPainter painter(&photo);
        painter.setRenderHint(QPainter::Antialiasing);
        QLinearGradient sky(0, 0, 0, 300);
        sky.setColorAt(0, QColor(70, 140, 215));
        sky.setColorAt(1, QColor(170, 210, 240));
        painter.fillRect(photo.rect(), sky);
        painter.setBrush(QColor(250, 210, 80));
        painter.setPen(Qt::NoPen);
        painter.drawEllipse(QPointF(520, 90), 40, 40);
        painter.fillRect(QRect(0, 300, 640, 180), QColor(90, 150, 80));
        painter.fillRect(QRect(40, 140, 250, 200), QColor(200, 200, 205));
        for (int row = 0; row < 4; ++row)
            for (int column = 0; column < 6; ++column)
                painter.fillRect(QRect(58 + column * 38, 160 + row * 40, 24, 24), QColor(80, 110, 150));
        painter.end();
        const QString address = QStringLiteral("https://pictures.gallery.invalid/g-design-big.jpg");
        PLImageManager::sharedManager()->imageCache().storeInMemory(PLImageCache::keyForURL(QUrl(address)),
                                                                    photo);
        return address;
    }();
    return url;
}
} // namespace

QSize groupsGallerySize(const QString& identifier) {
    return identifier.endsWith(kLarge) ? QSize(400, 720) : QSize(320, 568);
}

void registerGroupsGalleryScreens() {
    RoomsScreens::registerScreens();
    auto* registry = ScreenRegistry::shared();
    for (const QString& suffix : {QString(), kLarge}) {
        const QString admin = QStringLiteral("GroupInfoAdmin") + suffix;
        registry->registerScreen(
            kGallery, admin, [] { return groupInfo(QStringLiteral("g-design")); },
            [admin](ViewController* c) { sized(c, admin); });
        const QString member = QStringLiteral("GroupInfoMember") + suffix;
        registry->registerScreen(
            kGallery, member, [] { return groupInfo(QStringLiteral("g-ops")); },
            [member](ViewController* c) { sized(c, member); });
        // A group its admin deleted: only the last row, and the alert that says so. The room is that
        // way only while the screen is shown.
        const QString closed = QStringLiteral("GroupInfoClosed") + suffix;
        registry->registerScreen(
            kGallery, closed,
            [] {
                prepareRoomsGalleryStore(true);
                const auto room = ChatRoom::chatRoomWithID(QStringLiteral("g-launch"));
                room->setStatus(3);
                room->save();
                ViewController* shown = groupInfo(QStringLiteral("g-launch"));
                QObject::connect(shown, &QObject::destroyed, [] {
                    if (const auto again = ChatRoom::chatRoomWithID(QStringLiteral("g-launch"))) {
                        again->setStatus(0);
                        again->save();
                    }
                });
                return shown;
            },
            [closed](ViewController* c) { sized(c, closed); });
        const QString editing = QStringLiteral("GroupInfoEditing") + suffix;
        registry->registerScreen(
            kGallery, editing, [] { return groupInfo(QStringLiteral("g-design")); },
            [editing](ViewController* c) {
                sized(c, editing);
                PLGroupInfoViewController* info = infoOf(c);
                info->editGroup();
                auto* name = qobject_cast<PLGroupInfoTableViewCell*>(
                    info->groupInfoTableView()->cellForRowAtIndexPath({0, 1}));
                if (name) {
                    name->configureEditGroupNameCell(QString(), false);
                    name->groupNameTextField()->insert(QStringLiteral("Design Team 2"));
                    // As when the user leaves the field: a later reload keeps the new name.
                    info->groupInforCellDidEndEditingTextField(name, name->groupNameTextField());
                }
                QCoreApplication::processEvents();
            });
        const QString viewer = QStringLiteral("ImageViewer") + suffix;
        registry->registerScreen(
            kGallery, viewer,
            [] {
                prepareRoomsGalleryStore(true);
                return new NavigationController(new BelowScreen);
            },
            [viewer](ViewController* c) {
                sized(c, viewer);
                auto* shown = new PLProfileImageViewController;
                c->presentViewController(shown, false);
                // The cover's small picture first, then the team's photo at full size.
                shown->showProfileImageWithThumbNailImage(galleryPicture(), galleryPhotoURL(),
                                                          QRectF(40, 180, 120, 120));
                QCoreApplication::processEvents();
            });
        // A group without a picture of its own: its placeholder, with nothing larger to load.
        const QString placeholder = QStringLiteral("ImageViewerNoPicture") + suffix;
        registry->registerScreen(
            kGallery, placeholder,
            [] {
                prepareRoomsGalleryStore(true);
                return new NavigationController(new BelowScreen);
            },
            [placeholder](ViewController* c) {
                sized(c, placeholder);
                auto* shown = new PLProfileImageViewController;
                c->presentViewController(shown, false);
                shown->showProfileImageWithThumbNailImage(
                    ImageAdditions::markedAsPlaceholder(galleryPicture()), QString(),
                    QRectF(40, 180, 96, 96));
                QCoreApplication::processEvents();
            });
        const QString form = QStringLiteral("NewGroupForm") + suffix;
        registry->registerScreen(
            kGallery, form, [] { return newGroup(); }, [form](ViewController* c) { sized(c, form); });
        const QString filled = QStringLiteral("NewGroupFilled") + suffix;
        registry->registerScreen(
            kGallery, filled, [] { return newGroup(); },
            [filled](ViewController* c) {
                sized(c, filled);
                fillNewGroup(c);
            });
        const QString members = QStringLiteral("NewGroupMembers") + suffix;
        registry->registerScreen(
            kGallery, members,
            [] {
                prepareRoomsGalleryStore(true);
                auto* nav = qobject_cast<NavigationController*>(ScreenRegistry::shared()->instantiate(
                    QStringLiteral("Home"), PLNewGroupMembersViewController::kIdentifier));
                auto* editor = qobject_cast<PLNewGroupMembersViewController*>(nav->topViewController());
                editor->setSharedMembers(std::make_shared<QVariantList>(galleryMembers()));
                editor->setShouldShowAddMoreMembersOption(true);
                return nav;
            },
            [members](ViewController* c) { sized(c, members); });
    }
    // Mirrored: the cover's Edit at the top left and its picture button at the picture's lower left, the
    // rows' icons at the right; the form's picture button at the icon's lower left, its name and
    // labels at the right, its switches at the left.
    const QString mirroredInfo = QStringLiteral("GroupInfoAdminRightToLeft");
    registry->registerScreen(
        kGallery, mirroredInfo, [] { return rightToLeft(groupInfo(QStringLiteral("g-design"))); },
        [mirroredInfo](ViewController* c) { sized(c, mirroredInfo); });
    const QString mirroredForm = QStringLiteral("NewGroupFilledRightToLeft");
    registry->registerScreen(
        kGallery, mirroredForm, [] { return rightToLeft(newGroup()); },
        [mirroredForm](ViewController* c) {
            sized(c, mirroredForm);
            fillNewGroup(c);
        });
    // The form a program right to left picks, mirrored on its own, still shown after the program
    // turned left to right: its switches stay mirrored with it (off, their knobs at the right).
    const QString ownForm = QStringLiteral("NewGroupMirroredForm");
    registry->registerScreen(
        kGallery, ownForm,
        [] {
            NavigationController* shown = newGroup();
            const Qt::LayoutDirection before = QGuiApplication::layoutDirection();
            QGuiApplication::setLayoutDirection(Qt::RightToLeft);
            shown->topViewController()->view();
            QGuiApplication::setLayoutDirection(before);
            return shown;
        },
        [ownForm](ViewController* c) { sized(c, ownForm); });
}

} // namespace pelnix::tools
