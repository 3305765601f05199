// Group editing: the edit mode of group information (name and picture, saved with Done), the two
// admin switches, and the members button of edit mode.
#include "ui/rooms/PLGroupInfoViewController.h"

#include "core/model/ChatRoom.h"
#include "core/model/CurrentUserInfo.h"
#include "foundation/PLReachabilityResponder.h"
#include "foundation/ui/ButtonAdditions.h"
#include "foundation/ui/CustomFontRegistration.h"
#include "interface/PLAnalyticsTrackingHelper.h"
#include "platform/NotificationCenter.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Animator.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/KeyboardMonitor.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/NavigationItem.h"
#include "platform/ui/ScreenRegistry.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TextField.h"
#include "ui/account/PLImageSelectionProvider.h"
#include "ui/rooms/GroupPictureUpload.h"
#include "ui/rooms/PLGroupInfoTableViewCell.h"
#include "ui/rooms/RoomsTexts.h"
#include "ui/toolkit/PLActivityIndicatorView.h"

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcGroupInfo)

namespace pelnix {

using namespace platform::ui;
using RoomsTexts::localized;

namespace {
const QString kMembersNavigationIdentifier = QStringLiteral("GroupMembersNavigationController");

// Blank once spaces and tabs are gone from both ends; line breaks count as text.
bool isBlankName(const QString& name) {
    qsizetype start = 0;
    qsizetype end = name.size();
    while (start < end && (name[start] == QLatin1Char(' ') || name[start] == QLatin1Char('\t')))
        ++start;
    while (end > start && (name[end - 1] == QLatin1Char(' ') || name[end - 1] == QLatin1Char('\t')))
        --end;
    return start == end;
}
} // namespace

void PLGroupInfoViewController::groupInforCellEditButtonClicked(PLGroupInfoTableViewCell*) {
    editGroup();
}

void PLGroupInfoViewController::editGroup() {
    endEditing();
    if (m_isEditing && m_changedGroupName && isBlankName(*m_changedGroupName)) {
        showAlert(localized("Failed"), localized("Group name cannot be blank"));
        return;
    }
    m_isEditing = !m_isEditing;
    resetContents();
    simpleAnimateView(m_tableView);
    if (m_isEditing) {
        enterEditMode();
        reloadTable();
        return;
    }
    saveEdits();
}

void PLGroupInfoViewController::enterEditMode() {
    navigationItem()->setRightBarButtonItem(doneBarButtonItem());
    navigationItem()->setHidesBackButton(true);
    QPointer<PLGroupInfoViewController> self(this);
    auto* cancel = new BarButtonItem(
        BarButtonItem::SystemItem::Cancel,
        [self] {
            if (self)
                self->editCanceled();
        },
        this);
    cancel->setObjectName(QStringLiteral("cancelBarButtonItem"));
    ButtonAdditions::setDejavuTitleFont(cancel);
    navigationItem()->setLeftBarButtonItem(cancel);
    layoutBottomView(true, true);
}

void PLGroupInfoViewController::saveEdits() {
    groupInfoEditingEnded();
    if (!m_chosenImage.isNull())
        uploadPictureAndUpdate();
    else if (m_changedGroupName || m_shouldRemoveGroupImage)
        updateNameOrRemovePicture();
    m_changedGroupName.reset();
    reloadTable();
}

void PLGroupInfoViewController::uploadPictureAndUpdate() {
    if (!PLReachabilityResponder::sharedInstance()->isNetworkReachable(true)) {
        m_chosenImage = QImage();
        m_updatedDisplayImage = QImage();
        m_imageInfo.reset();
        reloadTable();
        return;
    }
    PLActivityIndicatorView::show();
    const std::optional<QString> name = m_changedGroupName;
    QPointer<PLGroupInfoViewController> self(this);
    // Once the update has answered, the picked picture goes and the cover shows what the store holds.
    auto revert = [self] {
        PLActivityIndicatorView::dismiss();
        if (!self)
            return;
        self->m_chosenImage = QImage();
        self->m_updatedDisplayImage = QImage();
        self->m_imageInfo.reset();
        self->reloadTable();
    };
    GroupPictureUpload::uploadBothSizes(
        this, m_imageInfo.value_or(QVariantMap()),
        [self, name, revert](const std::optional<GroupPictureUpload::URLs>& urls) {
            if (!urls) {
                // Nothing was sent: the picked picture stays on the cover (the upload told the user
                // why), for the next Done to send or Cancel to drop.
                PLActivityIndicatorView::dismiss();
                if (self)
                    self->reloadTable();
                return;
            }
            const auto room = self ? self->chatRoom() : nullptr;
            if (!room) {
                revert();
                return;
            }
            const bool started =
                room->updateRoomWithName(name ? *name : room->name(), urls->thumbnail, urls->big,
                                         room->adminOnly(), room->hideMemberProfile(),
                                         [revert](bool, const PLOptionalError&, const QString&,
                                                  const std::shared_ptr<ChatRoom>&) { revert(); });
            if (!started) {
                qCInfo(lcGroupInfo) << "the picture update did not start";
                revert();
            }
        });
}

void PLGroupInfoViewController::updateNameOrRemovePicture() {
    const auto room = chatRoom();
    if (!room || !PLReachabilityResponder::sharedInstance()->isNetworkReachable(true))
        return;
    const QString pictureURL = m_shouldRemoveGroupImage ? kUseDefaultImage : QString();
    QPointer<PLGroupInfoViewController> self(this);
    auto finished = [self] {
        PLActivityIndicatorView::dismiss();
        if (!self)
            return;
        self->m_shouldRemoveGroupImage = false;
        self->reloadTable();
    };
    const bool started =
        room->updateRoomWithName(m_changedGroupName ? *m_changedGroupName : QString(), pictureURL, pictureURL,
                                 room->adminOnly(), room->hideMemberProfile(),
                                 [finished](bool, const PLOptionalError&, const QString&,
                                            const std::shared_ptr<ChatRoom>&) { finished(); });
    if (started)
        PLActivityIndicatorView::show();
    else
        finished();
}

void PLGroupInfoViewController::editCanceled() {
    m_isEditing = false;
    resetContents();
    simpleAnimateView(m_tableView);
    m_updatedDisplayImage = QImage();
    m_shouldRemoveGroupImage = false;
    m_chosenImage = QImage();
    m_imageInfo.reset();
    groupInfoEditingEnded();
    m_changedGroupName.reset();
    reloadTable();
}

void PLGroupInfoViewController::groupInfoEditingEnded() {
    endEditing();
    navigationItem()->setRightBarButtonItems({});
    navigationItem()->setLeftBarButtonItems({});
    navigationItem()->setHidesBackButton(false);
    layoutBottomView(false, true);
}

void PLGroupInfoViewController::simpleAnimateView(QWidget* view) {
    if (!view)
        return;
    Animator::crossDissolve(view, 400, [] {});
}

void PLGroupInfoViewController::editMembers() {
    ViewController* members =
        ScreenRegistry::shared()->instantiate(kStoryboard, kMembersNavigationIdentifier);
    if (!members) {
        qCInfo(lcGroupInfo) << "the members screen is not available";
        return;
    }
    ViewController* top = members;
    if (auto* navigation = qobject_cast<NavigationController*>(members);
        navigation && navigation->topViewController())
        top = navigation->topViewController();
    top->setProperty(ConversationScreenInputs::kRoomId, m_roomId);
    if (top->metaObject()->indexOfMethod("configureWithChatRoom(QString)") >= 0)
        QMetaObject::invokeMethod(top, "configureWithChatRoom", Q_ARG(QString, m_roomId));
    presentViewController(members, true);
    m_needToReloadProfileCell = true;
}

// ---- The keyboard

void PLGroupInfoViewController::registerKeyToNotifications() {
    unRegisterKeyToNotifications();
    auto* center = platform::NotificationCenter::defaultCenter();
    QPointer<PLGroupInfoViewController> self(this);
    m_keyboardObservers << center->addObserver(
        KeyboardMonitor::kWillShow,
        [self](const platform::Notification& notification) {
            if (self)
                self->keyboardWillShow(notification.userInfo);
        },
        this);
    m_keyboardObservers << center->addObserver(
        KeyboardMonitor::kWillHide,
        [self](const platform::Notification&) {
            if (self)
                self->keyboardWillHide();
        },
        this);
}

void PLGroupInfoViewController::unRegisterKeyToNotifications() {
    for (const quint64 token : std::as_const(m_keyboardObservers))
        platform::NotificationCenter::defaultCenter()->removeObserver(token);
    m_keyboardObservers.clear();
}

void PLGroupInfoViewController::keyboardWillShow(const QVariantMap& userInfo) {
    if (!m_tableView)
        return;
    const int keyboard = userInfo.value(KeyboardMonitor::kFrameBeginKey).toRect().height();
    const int bottom = keyboard - (view()->height() - m_tableView->geometry().bottom() - 1);
    QMargins inset = m_tableView->contentInset();
    m_tableView->setContentInset(QMargins(0, inset.top(), 0, qMax(0, bottom)));
}

void PLGroupInfoViewController::keyboardWillHide() {
    if (!m_tableView)
        return;
    m_tableView->setContentInset(QMargins(0, m_tableView->contentInset().top(), 0, 0));
}

// ---- The name field

void PLGroupInfoViewController::groupInforCellDidBeginEditingTextField(PLGroupInfoTableViewCell* cell,
                                                                       TextField*) {
    if (const auto path = m_tableView->indexPathForCell(cell))
        m_tableView->scrollToRowAtIndexPath(*path, RowListView::ScrollPosition::Top, true);
}

void PLGroupInfoViewController::groupInforCellDidEndEditingTextField(PLGroupInfoTableViewCell* cell,
                                                                     TextField* field) {
    // Only the name row being edited names the group: a cell the table has since reconfigured for
    // another row may still end an editing session (losing focus) with that row's text.
    if (!field || !m_isEditing || !m_tableView || cell != m_tableView->cellForRowAtIndexPath({0, 1}))
        return;
    m_changedGroupName = field->text();
}

// ---- The picture

void PLGroupInfoViewController::groupInforCellChangeGroupIconButtonPressed(PLGroupInfoTableViewCell*,
                                                                           QObject* sender) {
    if (!m_isEditing) {
        showProfileImage(sender);
        return;
    }
    pickPicture();
}

void PLGroupInfoViewController::pickPicture() {
    endEditing();
    const auto room = chatRoom();
    PLImageSelectionProvider::Request request;
    const QString stored = room ? room->imageUrl() : QString();
    request.offerRemoval = !stored.isEmpty() && CurrentUserInfo::isValidTinyURL(stored);
    QPointer<PLGroupInfoViewController> self(this);
    PLImageSelectionProvider::askForPicture(this, request,
                                            [self](const std::optional<QVariantMap>& selection) {
                                                if (self)
                                                    self->picturePicked(selection);
                                            });
}

void PLGroupInfoViewController::picturePicked(const std::optional<QVariantMap>& selection) {
    const auto room = chatRoom();
    QVariantMap properties = eventProperties(room);
    if (selection) {
        m_shouldRemoveGroupImage = false;
        m_chosenImage = GroupPictureUpload::pickedPicture(*selection);
        m_updatedDisplayImage = m_chosenImage;
        m_imageInfo = selection;
        reloadCoverRow();
        properties.insert(QStringLiteral("success"), QStringLiteral("Success"));
    } else {
        confirmPictureRemoval();
        properties.insert(QStringLiteral("success"), QStringLiteral("Failure"));
    }
    PLAnalyticsTrackingHelper::trackEvent(QStringLiteral("Group-Profile pic added"), properties);
}

void PLGroupInfoViewController::confirmPictureRemoval() {
    QPointer<PLGroupInfoViewController> self(this);
    auto* alert =
        new AlertView(localized("Confirm"), localized("Are you sure you want to remove profile image?"),
                      QString(), {localized("Yes"), localized("No")}, [self](AlertView* shown, int index) {
                          if (!self || !shown)
                              return;
                          if (index != shown->cancelButtonIndex()) {
                              self->m_shouldRemoveGroupImage = true;
                              self->m_chosenImage = QImage();
                              self->m_updatedDisplayImage = QImage();
                              self->m_imageInfo.reset();
                              self->reloadCoverRow();
                          }
                          self->reloadTable();
                      });
    alert->setCancelButtonIndex(1);
    alert->setTag(RemovePictureTag);
    alert->setObjectName(QStringLiteral("removePictureConfirmation"));
    alert->show(window());
}

// ---- The switches

void PLGroupInfoViewController::groupInforCellAdminWantsToChangeAdminOnlyStateTo(PLGroupInfoTableViewCell*,
                                                                                 qint64 state) {
    m_adminOnlyState = state;
}

void PLGroupInfoViewController::groupInforCellAdminWantsToChangeHideMemeberProfileStateTo(
    PLGroupInfoTableViewCell*, qint64 state) {
    m_memberProfileState = state;
}

void PLGroupInfoViewController::groupInforCellChangedAdminOnlyState(PLGroupInfoTableViewCell*, bool on) {
    changeSwitch(AdminOnlyRow, on);
}

void PLGroupInfoViewController::groupInforCellChangedHideProfileMemberState(PLGroupInfoTableViewCell*,
                                                                            bool on) {
    changeSwitch(HideMemberRow, on);
}

void PLGroupInfoViewController::changeSwitch(qint64 row, bool on) {
    const auto room = chatRoom();
    const bool adminOnly = row == AdminOnlyRow;
    QPointer<PLGroupInfoViewController> self(this);
    // Back to what the store holds: the pending choice goes and the row shows the stored flag.
    auto settle = [self, adminOnly, on](bool turnBack) {
        if (!self)
            return;
        if (adminOnly)
            self->resetAdminOnlyState();
        else
            self->resetMemberProfileState();
        const int index = int(self->m_groupInfoArray.indexOf(adminOnly ? AdminOnlyRow : HideMemberRow));
        auto* cell = index < 0 ? nullptr
                               : qobject_cast<PLGroupInfoTableViewCell*>(
                                     self->m_tableView->cellForRowAtIndexPath(IndexPath::forRow(index + 1)));
        if (turnBack && cell)
            cell->setSwitchState(!on, true);
    };
    if (!room) {
        settle(true);
        return;
    }
    const bool started = room->updateRoomWithName(
        room->name(), QString(), QString(), adminOnly ? on : room->adminOnly(),
        adminOnly ? room->hideMemberProfile() : on,
        [self, adminOnly, on, settle](bool success, const PLOptionalError&, const QString& message,
                                      const std::shared_ptr<ChatRoom>&) {
            PLActivityIndicatorView::dismiss();
            if (!self)
                return;
            QString text;
            if (success)
                text =
                    localized(adminOnly ? (on ? "Admin only chat is enabled" : "Admin only chat is disabled")
                                        : (on ? "Member Info hidden" : "Member Info is shown"));
            else
                text = !message.isEmpty() ? message
                                          : localized(adminOnly ? "Couldn't change admin only state"
                                                                : "Couldn't change member info state");
            self->showAlert(localized(success ? "Success" : "Failed"), text);
            settle(!success);
        });
    if (started) {
        PLActivityIndicatorView::show();
        return;
    }
    // A change that could not be sent is not kept on screen.
    qCInfo(lcGroupInfo) << "the switch change did not start";
    settle(true);
}

} // namespace pelnix
