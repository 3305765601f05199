#include "ui/rooms/PLGroupInfoViewController.h"

#include "core/model/ChatRoom.h"
#include "core/model/ChatRoomNotifications.h"
#include "core/model/CurrentUserInfo.h"
#include "core/model/RoomMember.h"
#include "core/model/User.h"
#include "foundation/DocumentSaver.h"
#include "foundation/PLReachabilityResponder.h"
#include "foundation/ui/ButtonAdditions.h"
#include "foundation/ui/CustomColors.h"
#include "foundation/ui/CustomFontRegistration.h"
#include "foundation/ui/DeviceInfo.h"
#include "interface/PLAnalyticsTrackingHelper.h"
#include "platform/NotificationCenter.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Animator.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Button.h"
#include "platform/ui/GestureRecognizer.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/NavigationItem.h"
#include "platform/ui/ScreenRegistry.h"
#include "platform/ui/StoryboardSegue.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TextField.h"
#include "platform/ui/Window.h"
#include "ui/rooms/GroupPictureUpload.h"
#include "ui/rooms/PLGroupInfoTableViewCell.h"
#include "ui/rooms/RoomsBottomBar.h"
#include "ui/rooms/RoomsTexts.h"
#include "ui/toolkit/PLActivityIndicatorView.h"
#include "ui/toolkit/PLRoundImageView.h"

#include <QEvent>
#include <QLoggingCategory>
#include <QMetaMethod>
#include <QThread>

Q_LOGGING_CATEGORY(lcGroupInfo, "pelnix.ui.rooms.groupinfo", QtWarningMsg)

namespace pelnix {

using namespace platform::ui;
using RoomsTexts::localized;

namespace {
const QString kMemberDetailSegue = QStringLiteral("GroupMemberDetail");
const QString kMemberDetailSegueRightToLeft = QStringLiteral("GroupMemberDetail_RTL");
const QString kProfileSegue = QStringLiteral("MyProfileSegueIdentifier");
const QString kProfileSegueRightToLeft = QStringLiteral("MyProfileSegueIdentifier_RTL");
const QString kMembersIdentifier = QStringLiteral("GroupMembersViewController");
const QString kSelectAdminNib = QStringLiteral("PLSelectAdminViewController");
const QString kViewerNib = QStringLiteral("PLProfileImageViewController");

bool isInactive(qint64 status) {
    return status == 2 || status == 3;
}

QString orEmpty(const QString& text) {
    return text.isNull() ? QString(QLatin1String("")) : text;
}
} // namespace

PLGroupInfoViewController::PLGroupInfoViewController(QObject* parent) : PLBaseViewController(parent) {}

PLGroupInfoViewController::~PLGroupInfoViewController() {
    unRegisterKeyToNotifications();
    platform::NotificationCenter::defaultCenter()->removeObservers(this);
}

void PLGroupInfoViewController::setRoomId(const QString& roomId) {
    m_roomId = roomId;
    m_groupInfoAlertFactory.setChatRoom(chatRoom());
}

std::shared_ptr<ChatRoom> PLGroupInfoViewController::chatRoom() const {
    return m_roomId.isEmpty() ? nullptr : ChatRoom::chatRoomWithID(m_roomId);
}

QVariantMap PLGroupInfoViewController::infoForType(qint64 type) {
    static const QHash<qint64, std::pair<const char*, const char*>> contents{
        {AdminRow, {"", ""}},
        {MembersRow, {"members", "Members"}},
        {ClearRow, {"clearConversation", "Clear Conversation"}},
        {LeaveRow, {"closeGreen", "Close group"}},
        {AdminOnlyRow, {"OnlyAdmin", "Admin Only"}},
        {HideMemberRow, {"HideMember", "Hide member info"}}};
    if (!contents.contains(type))
        return {};
    const auto entry = contents.value(type);
    return {{QStringLiteral("imageName"), QString::fromLatin1(entry.first)},
            {QStringLiteral("DisplayName"), localized(entry.second)}};
}

QString PLGroupInfoViewController::membersText(qint64 totalMembers, qint64 status) {
    if (status != 0)
        return QLatin1String("");
    return RoomsTexts::localizedFormat(
        "%lu %@", {QString::number(totalMembers), localized(totalMembers < 2 ? "Member" : "Members")});
}

QString PLGroupInfoViewController::cellIdentifierBasedOnAlignmentForIdentifier(const QString& identifier) {
    return DeviceInfo::currentLocaleIsOfRTLType() ? identifier + PLGroupInfoTableViewCell::kRightToLeftSuffix
                                                  : identifier;
}

// ---- View

QWidget* PLGroupInfoViewController::loadView() {
    auto* page = new QWidget;
    page->setAutoFillBackground(true);
    m_tableView = new TableView(page);
    m_tableView->setObjectName(QStringLiteral("groupInfoTableView"));
    const RoomsBottomBar::Bar bar =
        RoomsBottomBar::make(page, QStringLiteral("editMembersButton"), localized("Members"));
    m_bottomView = bar.view;
    m_editMembersButton = bar.button;
    connect(m_editMembersButton, &Button::clicked, this, &PLGroupInfoViewController::editMembers);
    page->installEventFilter(this);
    return page;
}

bool PLGroupInfoViewController::eventFilter(QObject* watched, QEvent* event) {
    if (watched == view() && event->type() == QEvent::Resize) {
        m_tableView->setGeometry(view()->rect());
        layoutBottomView(m_isEditing);
    }
    return PLBaseViewController::eventFilter(watched, event);
}

void PLGroupInfoViewController::layoutBottomView(bool shown, bool animated) {
    if (!m_bottomView)
        return;
    const QRect page = view()->rect();
    const QRect target(0, shown ? page.height() - kBottomViewHeight : page.height(), page.width(),
                       kBottomViewHeight);
    m_editMembersButton->setGeometry(QRect(QPoint(), target.size()));
    if (animated)
        Animator::animateProperty(m_bottomView, "geometry", target, kBarSlideMs);
    else
        m_bottomView->setGeometry(target);
}

void PLGroupInfoViewController::viewDidLoad() {
    PLBaseViewController::viewDidLoad();
    for (const QString& base :
         {PLGroupInfoTableViewCell::kCoverIdentifier, PLGroupInfoTableViewCell::kFieldIdentifier,
          PLGroupInfoTableViewCell::kAdminIdentifier, PLGroupInfoTableViewCell::kEditNameIdentifier}) {
        for (const QString& identifier : {base, base + PLGroupInfoTableViewCell::kRightToLeftSuffix})
            m_tableView->registerCell(identifier,
                                      [identifier] { return new PLGroupInfoTableViewCell(identifier); });
    }
    m_tableView->setDataSource(this);
    m_tableView->setDelegate(this);
    resetContents();
    const auto room = chatRoom();
    if (room && !isInactive(room->status()))
        refreshMembers();
    layoutBottomView(false);
    m_editMembersButton->setTitleFont(CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans"), 15));
    if (!m_hasAlertFactory) {
        m_groupInfoAlertFactory.setChatRoom(room);
        m_hasAlertFactory = true;
    }
    // Observed for the screen's life.
    QPointer<PLGroupInfoViewController> self(this);
    platform::NotificationCenter::defaultCenter()->addObserver(
        QLatin1String(ChatRoomUpdatedNotification),
        [self](const platform::Notification& notification) {
            if (self)
                self->chatRoomUpdated(notification.userInfo);
        },
        this);
}

void PLGroupInfoViewController::refreshMembers() {
    const auto room = chatRoom();
    if (!room)
        return;
    QPointer<PLGroupInfoViewController> self(this);
    const bool started =
        room->refreshRoomInfoWithCompletionHandler([self](bool, const PLOptionalError&, const QString&) {
            if (PLActivityIndicatorView::isVisible())
                PLActivityIndicatorView::dismiss();
            if (!self)
                return;
            self->resetContents();
            self->reloadTable();
        });
    if (!started)
        showAlert(localized("Failed"),
                  localized("Unable to fetch member details. Please check your network connectivity"));
    else if (room->totalMembers() == 0)
        PLActivityIndicatorView::show();
}

void PLGroupInfoViewController::viewWillAppear(bool animated) {
    PLBaseViewController::viewWillAppear(animated);
    registerKeyToNotifications();
    setTitle(localized("Group Info"));
    if (m_chatRoomUpdated) {
        m_chatRoomUpdated = false;
        resetContents();
        reloadTable();
        if (const auto room = chatRoom()) {
            QPointer<PLGroupInfoViewController> self(this);
            room->refreshRoomInfoWithCompletionHandler([self](bool, const PLOptionalError&, const QString&) {
                if (!self)
                    return;
                self->resetContents();
                self->reloadTable();
            });
        }
    } else {
        reloadProfileCell();
    }
    const auto room = chatRoom();
    const qint64 status = room ? room->status() : 0;
    if (status == 2)
        showAlert(localized("Failed"), localized("You are no longer a member of this Group."));
    else if (status == 3)
        showAlert(localized("Failed"), localized("This group has been terminated by the Group Admin."));
}

void PLGroupInfoViewController::viewDidAppear(bool animated) {
    PLBaseViewController::viewDidAppear(animated);
    m_tableView->flashScrollIndicators();
}

void PLGroupInfoViewController::viewWillDisappear(bool animated) {
    m_updatedDisplayImage = QImage();
    unRegisterKeyToNotifications();
    PLBaseViewController::viewWillDisappear(animated);
}

void PLGroupInfoViewController::reloadTable() {
    if (!m_tableView)
        return;
    // A reload while the user is typing the name (a member refresh, a room update) keeps what was typed.
    if (m_isEditing && m_tableView->numberOfSections() > 0) {
        if (auto* name = qobject_cast<PLGroupInfoTableViewCell*>(m_tableView->cellForRowAtIndexPath({0, 1}));
            name && name->groupNameTextField() && name->groupNameTextField()->hasFocus())
            m_changedGroupName = name->groupNameTextField()->text();
    }
    m_tableView->reloadData();
}

void PLGroupInfoViewController::reloadProfileCell() {
    if (!m_needToReloadProfileCell)
        return;
    m_needToReloadProfileCell = false;
    if (m_tableView && m_tableView->numberOfSections() > 0)
        m_tableView->reloadRows({IndexPath::forRow(0)});
}

void PLGroupInfoViewController::reloadCoverRow() {
    if (m_tableView && m_tableView->numberOfSections() > 0)
        m_tableView->reloadRows({IndexPath::forRow(0)});
}

void PLGroupInfoViewController::chatRoomUpdated(const QVariantMap& userInfo) {
    Q_ASSERT(QThread::currentThread() == thread());
    if (userInfo.value(QLatin1String(kChatRoomIDKey)).toString() != m_roomId || m_roomId.isEmpty())
        return;
    auto* navigation = navigationController();
    if (navigation && navigation->topViewController() == this) {
        resetContents();
        reloadTable();
    } else {
        m_chatRoomUpdated = true;
    }
}

// ---- Rows

void PLGroupInfoViewController::resetContents() {
    const auto room = chatRoom();
    m_isGroup = room && !room->isOneToOne();
    m_isAdmin = room && room->isCurrentUserAdmin();
    configureNavigationBarBasedOnAdmin();
    const qint64 status = room ? room->status() : 0;
    if (m_isEditing)
        m_groupInfoArray = {AdminRow};
    else if (isInactive(status))
        m_groupInfoArray = {LeaveRow};
    else if (m_isAdmin)
        m_groupInfoArray = {AdminRow, MembersRow, ClearRow, AdminOnlyRow, HideMemberRow, LeaveRow};
    else
        m_groupInfoArray = {AdminRow, MembersRow, ClearRow, LeaveRow};
}

void PLGroupInfoViewController::configureNavigationBarBasedOnAdmin() {
    navigationItem()->setRightBarButtonItem(m_isAdmin && m_isGroup && m_isEditing ? doneBarButtonItem()
                                                                                  : nullptr);
}

BarButtonItem* PLGroupInfoViewController::doneBarButtonItem() {
    if (!m_doneBarButtonItem) {
        QPointer<PLGroupInfoViewController> self(this);
        m_doneBarButtonItem = new BarButtonItem(
            BarButtonItem::SystemItem::Done,
            [self] {
                if (self)
                    self->editGroup();
            },
            this);
        m_doneBarButtonItem->setObjectName(QStringLiteral("doneBarButtonItem"));
        ButtonAdditions::setDejavuTitleFont(m_doneBarButtonItem);
    }
    return m_doneBarButtonItem;
}

std::shared_ptr<RoomMember> PLGroupInfoViewController::currentRoomAdmin() const {
    const auto room = chatRoom();
    if (!room)
        return nullptr;
    for (const auto& member : room->members())
        if (member && member->isCreator())
            return member;
    return nullptr;
}

int PLGroupInfoViewController::numberOfRowsInSection(TableView*, int) {
    return int(m_groupInfoArray.size()) + 1;
}

qreal PLGroupInfoViewController::heightForRowAtIndexPath(TableView*, const IndexPath& path) {
    if (path.row == 0)
        return kCoverHeight;
    if (path.row == 1 && !m_isEditing) {
        const auto room = chatRoom();
        return room && isInactive(room->status()) ? kRowHeight : kAdminRowHeight;
    }
    return kRowHeight;
}

TableViewCell* PLGroupInfoViewController::cellForRowAtIndexPath(TableView* table, const IndexPath& path) {
    const auto room = chatRoom();
    const qint64 status = room ? room->status() : 0;
    if (path.row == 0) {
        auto* cell = static_cast<PLGroupInfoTableViewCell*>(
            table->dequeueReusableCell(PLGroupInfoTableViewCell::kCoverIdentifier));
        const qint64 total = room ? room->memberCount() : 0;
        cell->configureGroupCoverCell(
            room ? room->displayName() : QString(), quint64(qMax<qint64>(total, 0)),
            membersText(total, status), room && status == 0 ? room->imageUrl() : QString(), m_isEditing,
            m_updatedDisplayImage, m_shouldRemoveGroupImage, room && room->isCurrentUserAdmin());
        cell->setDelegate(this);
        return cell;
    }
    const qint64 type = m_groupInfoArray.value(path.row - 1);
    PLGroupInfoTableViewCell* cell = nullptr;
    if (m_isEditing) {
        cell = static_cast<PLGroupInfoTableViewCell*>(table->dequeueReusableCell(
            cellIdentifierBasedOnAlignmentForIdentifier(PLGroupInfoTableViewCell::kEditNameIdentifier)));
        cell->configureEditGroupNameCell(
            m_changedGroupName ? *m_changedGroupName : (room ? room->name() : QString()), false);
        cell->showStateSwitch(false);
    } else if (type == AdminRow) {
        cell = static_cast<PLGroupInfoTableViewCell*>(table->dequeueReusableCell(
            cellIdentifierBasedOnAlignmentForIdentifier(PLGroupInfoTableViewCell::kAdminIdentifier)));
        const auto admin = currentRoomAdmin();
        const auto user = admin ? admin->user() : nullptr;
        cell->showAdmin(user ? user->profileName() : QString(), user ? user->imageUrl() : QString(),
                        m_isAdmin);
    } else {
        cell = static_cast<PLGroupInfoTableViewCell*>(table->dequeueReusableCell(
            cellIdentifierBasedOnAlignmentForIdentifier(PLGroupInfoTableViewCell::kFieldIdentifier)));
        const QVariantMap info = infoForType(type);
        cell->configureGroupFieldCell(info.value(QStringLiteral("DisplayName")).toString(),
                                      info.value(QStringLiteral("imageName")).toString());
        if (type == AdminOnlyRow) {
            cell->setGroupInfoCellType(PLGroupInfoTableViewCell::AdminOnlySwitch);
            cell->showStateSwitch(true);
            cell->setSwitchState(m_adminOnlyState == 0 ? (room && room->adminOnly()) : m_adminOnlyState != 2,
                                 false);
        } else if (type == HideMemberRow) {
            cell->setGroupInfoCellType(PLGroupInfoTableViewCell::HideMemberSwitch);
            cell->showStateSwitch(true);
            cell->setSwitchState(m_memberProfileState == 0 ? (room && room->hideMemberProfile())
                                                           : m_memberProfileState != 2,
                                 false);
        } else {
            cell->setGroupInfoCellType(PLGroupInfoTableViewCell::NoSwitch);
            cell->showStateSwitch(false);
            if (type == LeaveRow)
                cell->configureGroupFieldCell(
                    localized(m_isAdmin ? "Leave & Delete" : "Delete Conversation & Leave"),
                    info.value(QStringLiteral("imageName")).toString());
        }
    }
    ButtonAdditions::setCustomHighlightColor(cell);
    cell->setSeparatorColor(CustomColors::chatRoomsTableViewSeparatorColor());
    cell->setDelegate(this);
    return cell;
}

void PLGroupInfoViewController::didSelectRowAtIndexPath(TableView* table, const IndexPath& path) {
    table->deselectRow(path, false);
    if (m_isEditing || path.row == 0)
        return;
    const bool rightToLeft = DeviceInfo::currentLocaleIsOfRTLType();
    switch (m_groupInfoArray.value(path.row - 1)) {
    case AdminRow: {
        const QString segue = m_isAdmin ? (rightToLeft ? kProfileSegueRightToLeft : kProfileSegue)
                                        : (rightToLeft ? kMemberDetailSegueRightToLeft : kMemberDetailSegue);
        if (!performSegue(segue, this))
            qCInfo(lcGroupInfo) << "the screen of" << segue << "is not available";
        break;
    }
    case MembersRow:
        openMembers();
        break;
    case ClearRow:
        if (PLReachabilityResponder::sharedInstance()->isNetworkReachable(true))
            showConfirmation(PLGroupInfoAlertsFactory::ClearConversation, ClearTag);
        break;
    case LeaveRow:
        if (PLReachabilityResponder::sharedInstance()->isNetworkReachable(true))
            showConfirmation(PLGroupInfoAlertsFactory::LeaveOrClose, LeaveTag);
        break;
    default:
        break;
    }
}

// ---- Screens opened from here

namespace {
// Hands the room to a screen of another part of the library by the names it takes.
void handRoomTo(ViewController* screen, const QString& roomId, const char* method) {
    screen->setProperty(ConversationScreenInputs::kRoomId, roomId);
    const QByteArray signature = QByteArray(method) + "(QString)";
    if (screen->metaObject()->indexOfMethod(signature.constData()) >= 0)
        QMetaObject::invokeMethod(screen, method, Q_ARG(QString, roomId));
}
} // namespace

void PLGroupInfoViewController::openMembers() {
    ViewController* members = ScreenRegistry::shared()->instantiate(kStoryboard, kMembersIdentifier);
    if (!members || !navigationController()) {
        qCInfo(lcGroupInfo) << "the members screen is not available";
        delete members;
        return;
    }
    handRoomTo(members, m_roomId, "configureWithChatRoom");
    navigationController()->pushViewController(members, true);
    m_needToReloadProfileCell = true;
}

void PLGroupInfoViewController::groupInforCellChangeAdminButtonClicked(PLGroupInfoTableViewCell*) {
    if (!m_isAdmin)
        return;
    openAdminChange();
}

void PLGroupInfoViewController::openAdminChange() {
    ViewController* select = ScreenRegistry::shared()->instantiate(kSelectAdminNib, kSelectAdminNib);
    if (!select || !navigationController()) {
        qCInfo(lcGroupInfo) << "the admin selection is not available";
        delete select;
        return;
    }
    handRoomTo(select, m_roomId, "setCurrentRoom");
    navigationController()->pushViewController(select, true);
}

void PLGroupInfoViewController::prepareForSegue(StoryboardSegue& segue, QObject* sender) {
    PLBaseViewController::prepareForSegue(segue, sender);
    ViewController* destination = segue.destinationViewController();
    if (!destination)
        return;
    const QString identifier = segue.identifier();
    if (identifier == kMemberDetailSegue || identifier == kMemberDetailSegueRightToLeft) {
        const auto admin = currentRoomAdmin();
        const auto user = admin ? admin->user() : nullptr;
        if (user)
            destination->setProperty(ConversationScreenInputs::kUserId, user->userID());
        destination->setProperty(ConversationScreenInputs::kRoomId, m_roomId);
    } else if (identifier == kProfileSegue || identifier == kProfileSegueRightToLeft) {
        destination->setProperty(ConversationScreenInputs::kProfileNavigationType, qint64(1));
    }
}

void PLGroupInfoViewController::showProfileImage(QObject* sender) {
    const auto room = chatRoom();
    if (!room || room->imageUrl().isEmpty() || !CurrentUserInfo::isValidTinyURL(room->imageUrl()))
        return;
    auto* cover =
        qobject_cast<PLGroupInfoTableViewCell*>(m_tableView->cellForRowAtIndexPath(IndexPath::forRow(0)));
    auto* tap = qobject_cast<GestureRecognizer*>(sender);
    QWidget* tapped =
        tap ? tap->view() : (cover ? static_cast<QWidget*>(cover->groupIconImageView()) : nullptr);
    if (!tapped)
        return;
    QWidget* top = tapped->window();
    const QPointF at = tap ? tap->locationInView() : QPointF();
    const QPointF inWindow = tapped->mapTo(top, at.toPoint());
    ViewController* viewer = ScreenRegistry::shared()->instantiate(kViewerNib, kViewerNib);
    if (!viewer) {
        qCInfo(lcGroupInfo) << "no picture viewer is registered";
        return;
    }
    const QRectF from(inWindow, QSizeF(tapped->size()));
    const QImage shown = cover ? cover->currentGroupImage() : QImage();
    const QString bigImageURL = room->bigRoomImageUrl();
    QPointer<ViewController> presented(viewer);
    presentViewController(viewer, false, [presented, shown, bigImageURL, from] {
        if (presented)
            QMetaObject::invokeMethod(presented, "showProfileImageWithThumbNailImage", Q_ARG(QImage, shown),
                                      Q_ARG(QString, bigImageURL), Q_ARG(QRectF, from));
    });
}

// ---- Clearing, leaving, closing

void PLGroupInfoViewController::showConfirmation(qint64 type, int tag) {
    m_groupInfoAlertFactory.setChatRoom(chatRoom());
    AlertView* alert = m_groupInfoAlertFactory.alertViewForType(type);
    if (!alert)
        return;
    alert->setCancelButtonIndex(alert->numberOfButtons() - 1);
    alert->setTag(tag);
    QPointer<PLGroupInfoViewController> self(this);
    alert->setClickHandler([self](AlertView* shown, int index) {
        if (self)
            self->alertViewClickedButtonAtIndex(shown, index);
    });
    alert->show(window());
}

void PLGroupInfoViewController::alertViewClickedButtonAtIndex(AlertView* alert, int buttonIndex) {
    if (!alert)
        return;
    if (buttonIndex != alert->cancelButtonIndex()) {
        if (alert->tag() == ClearTag)
            clearConversation();
        else if (alert->tag() == LeaveTag)
            leaveOrCloseGroup();
    }
    reloadTable();
}

bool PLGroupInfoViewController::deleteLocalChatDirectory() {
    const bool removed = DocumentSaver::removeChatDirectoryWithName(m_roomId);
    if (!removed)
        showAlert(QString(), localized("Couldn't delete media directory"));
    return removed;
}

void PLGroupInfoViewController::clearConversation() {
    const auto room = chatRoom();
    if (!room)
        return;
    deleteLocalChatDirectory();
    room->clearMessages();
    if (m_completionHandler)
        m_completionHandler(true);
    if (auto* navigation = navigationController())
        navigation->popViewController(true);
    QVariantMap properties = eventProperties(room);
    properties.insert(QStringLiteral("success"), QStringLiteral("Success"));
    PLAnalyticsTrackingHelper::trackEvent(QStringLiteral("Clear conversation"), properties);
}

void PLGroupInfoViewController::leaveOrCloseGroup() {
    const auto room = chatRoom();
    if (!room)
        return;
    const bool closing = room->isCurrentUserAdmin();
    QPointer<PLGroupInfoViewController> self(this);
    auto answered = [self, closing](bool success, const PLOptionalError&, const QString& message) {
        if (self)
            self->leaveFinished(success, closing, message);
        PLActivityIndicatorView::dismiss();
    };
    // The media folder stays until the server has accepted: a refusal keeps the user's media.
    const bool started = closing ? room->closeGroupWithCompletionHandler(answered)
                                 : room->leaveGroupWithCompletionHandler(answered);
    if (started)
        PLActivityIndicatorView::show();
}

void PLGroupInfoViewController::leaveFinished(bool success, bool closing, const QString& message) {
    const auto room = chatRoom();
    if (success) {
        deleteLocalChatDirectory();
        if (auto* navigation = navigationController()) {
            const auto stack = navigation->viewControllers();
            if (stack.size() == 2)
                navigation->dismissViewController(true);
            else if (stack.size() >= 3)
                navigation->popToViewController(stack.at(stack.size() - 3), true);
        }
    } else {
        showAlert(QString(), !message.isEmpty()
                                 ? message
                                 : localized(closing ? "Failed to delete group" : "Failed to leave group"));
    }
    QVariantMap properties = eventProperties(room);
    properties.insert(QStringLiteral("success"), success);
    PLAnalyticsTrackingHelper::trackEvent(QStringLiteral("Delete conv & leave"), properties);
}

QVariantMap PLGroupInfoViewController::eventProperties(const std::shared_ptr<ChatRoom>& room) const {
    return {{QStringLiteral("Group"), orEmpty(room ? room->name() : QString())},
            {QStringLiteral("RoomId"), orEmpty(room ? room->roomId() : QString())},
            {QStringLiteral("NumbersOfMember"), qint64(room ? room->totalMembers() : 0)},
            {QStringLiteral("IsAdmin"), room && room->isCurrentUserAdmin()},
            {QStringLiteral("Has picture"), GroupPictureUpload::currentUserHasPicture()}};
}

void PLGroupInfoViewController::showAlert(const QString& title, const QString& message) {
    auto* alert = new AlertView(title, message, localized("OK"), {});
    alert->show(window());
}

} // namespace pelnix
