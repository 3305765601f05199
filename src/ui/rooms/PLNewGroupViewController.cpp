#include "ui/rooms/PLNewGroupViewController.h"

#include "core/model/ChatRoom.h"
#include "foundation/PLReachabilityResponder.h"
#include "foundation/ui/ButtonAdditions.h"
#include "foundation/ui/CustomColors.h"
#include "foundation/ui/CustomFontRegistration.h"
#include "foundation/ui/DeviceInfo.h"
#include "foundation/ui/ViewControllerAdditions.h"
#include "interface/PLAnalyticsTrackingHelper.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Button.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/NavigationItem.h"
#include "platform/ui/ScreenRegistry.h"
#include "ui/contacts/PLPickerContact.h"
#include "ui/rooms/GroupPictureUpload.h"
#include "ui/rooms/PLNewGroupMembersViewController.h"
#include "ui/rooms/PLNewGroupTableViewController.h"
#include "ui/rooms/RoomsTexts.h"
#include "ui/toolkit/PLActivityIndicatorView.h"

#include <QEvent>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcNewGroup, "pelnix.ui.rooms.newgroup", QtWarningMsg)

namespace pelnix {

using namespace platform::ui;
using RoomsTexts::localized;

namespace {
const QString kHome = QStringLiteral("Home");
const QString kForm = QStringLiteral("PLNewGroupTableViewController");
const QString kFormRightToLeft = QStringLiteral("PLNewGroupTableViewController_RTL");
} // namespace

PLNewGroupViewController::PLNewGroupViewController(QObject* parent) : PLBaseViewController(parent) {}

PLNewGroupViewController::~PLNewGroupViewController() = default;

PLNewGroupTableViewController* PLNewGroupViewController::form() const {
    const auto children = childViewControllers();
    for (auto it = children.crbegin(); it != children.crend(); ++it)
        if (auto* form = qobject_cast<PLNewGroupTableViewController*>(*it))
            return form;
    return nullptr;
}

QWidget* PLNewGroupViewController::loadView() {
    auto* page = new QWidget;
    page->setAutoFillBackground(true);
    m_containerView = new QWidget(page);
    m_containerView->setObjectName(QStringLiteral("containerView"));
    m_editMembersButton = new Button(page);
    m_editMembersButton->setObjectName(QStringLiteral("editMembersButton"));
    m_editMembersButton->setTitleColor(CustomColors::pelnixBlueColor());
    m_editMembersButton->setBackgroundColor(QColor(0xF7, 0xF7, 0xF7));
    // Tab reaches it; a click leaves the keys where they are.
    m_editMembersButton->setFocusPolicy(Qt::TabFocus);
    connect(m_editMembersButton, &Button::clicked, this, &PLNewGroupViewController::editMembers);
    page->installEventFilter(this);
    return page;
}

bool PLNewGroupViewController::eventFilter(QObject* watched, QEvent* event) {
    if (watched == view() && event->type() == QEvent::Resize)
        layoutPage();
    return PLBaseViewController::eventFilter(watched, event);
}

void PLNewGroupViewController::layoutPage() {
    const QRect page = view()->rect();
    // The container takes the height the members button leaves.
    m_containerView->setGeometry(0, 0, page.width(), page.height() - kMembersButtonHeight);
    m_editMembersButton->setGeometry(0, page.height() - kMembersButtonHeight, page.width(),
                                     kMembersButtonHeight);
    if (auto* shown = form(); shown && shown->isViewLoaded())
        shown->view()->setGeometry(m_containerView->rect());
}

void PLNewGroupViewController::viewDidLoad() {
    PLBaseViewController::viewDidLoad();
    ViewControllerAdditions::applyCustomAttributesToNavigationBarTitle(this);
    setTitle(localized("New Group"));
    const QFont barFont = CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans"), 15);
    m_editMembersButton->setTitleFont(barFont);
    m_editMembersButton->setTitle(localized("Group Members"));
    QPointer<PLNewGroupViewController> self(this);
    m_cancelBarButtonItem = new BarButtonItem(
        BarButtonItem::SystemItem::Cancel,
        [self] {
            if (self)
                self->cancelButtonTapped();
        },
        this);
    m_cancelBarButtonItem->setObjectName(QStringLiteral("cancelBarButtonItem"));
    m_doneBarButtonItem = new BarButtonItem(
        BarButtonItem::SystemItem::Done,
        [self] {
            if (self)
                self->doneButtonClicked();
        },
        this);
    m_doneBarButtonItem->setObjectName(QStringLiteral("doneBarButtonItem"));
    ButtonAdditions::setDejavuTitleFont(m_cancelBarButtonItem);
    ButtonAdditions::setDejavuTitleFont(m_doneBarButtonItem);
    navigationItem()->setLeftBarButtonItem(m_cancelBarButtonItem);
    navigationItem()->setRightBarButtonItem(m_doneBarButtonItem);
    const QString identifier = DeviceInfo::currentLocaleIsOfRTLType() ? kFormRightToLeft : kForm;
    ViewController* made = ScreenRegistry::shared()->instantiate(kHome, identifier);
    if (!made)
        made = new PLNewGroupTableViewController(identifier == kFormRightToLeft);
    addChildViewController(made, m_containerView);
    layoutPage();
}

void PLNewGroupViewController::cancelButtonTapped() {
    if (isViewLoaded())
        endEditing();
    if (m_completionHandler)
        m_completionHandler(*m_members);
    ViewController* presented =
        navigationController() ? static_cast<ViewController*>(navigationController()) : this;
    presented->dismissViewController(true);
}

void PLNewGroupViewController::enableDone() {
    if (m_doneBarButtonItem)
        m_doneBarButtonItem->setEnabled(true);
}

void PLNewGroupViewController::doneButtonClicked() {
    if (!PLReachabilityResponder::sharedInstance()->isNetworkReachable(true))
        return;
    if (m_doneBarButtonItem)
        m_doneBarButtonItem->setEnabled(false);
    // Ending editing commits the name field into the form.
    endEditing();
    PLNewGroupTableViewController* shown = form();
    if (!shown) {
        enableDone();
        return;
    }
    QPointer<PLNewGroupViewController> self(this);
    shown->groupInfoWithCompletionHandler([self](const std::optional<QString>& name,
                                                 const std::optional<QVariantMap>& imageInfo, bool iconSet,
                                                 bool adminOnly, bool hideMembers) {
        if (self)
            self->validateAndCreate(name, imageInfo, iconSet, adminOnly, hideMembers);
    });
}

void PLNewGroupViewController::validateAndCreate(const std::optional<QString>& name,
                                                 const std::optional<QVariantMap>& imageInfo, bool iconSet,
                                                 bool adminOnly, bool hideMembers) {
    if (name)
        m_groupName = name->trimmed();
    m_imageInfo = imageInfo;
    m_isGroupIconSet = iconSet;
    m_adminOnlyState = adminOnly;
    m_hideMemberProfile = hideMembers;
    // The name is asked for before the members.
    if (!m_groupName || m_groupName->isEmpty()) {
        showAlert(QString(), localized("Please enter a group name"));
        enableDone();
        return;
    }
    if (m_members->size() < kMinimumMembers) {
        showAlert(QString(), localized("Please add at least 2 members"));
        enableDone();
        return;
    }
    if (!m_isGroupIconSet || !m_imageInfo) {
        createNewChatRoomWithImageURL(QString(), QString());
        return;
    }
    PLActivityIndicatorView::show();
    QPointer<PLNewGroupViewController> self(this);
    GroupPictureUpload::uploadBothSizes(
        this, *m_imageInfo, [self](const std::optional<GroupPictureUpload::URLs>& urls) {
            if (!urls) {
                // The user was told; the screen is theirs again.
                PLActivityIndicatorView::dismiss();
                if (self)
                    self->enableDone();
                return;
            }
            if (self)
                self->createNewChatRoomWithImageURL(urls->thumbnail, urls->big);
            else
                PLActivityIndicatorView::dismiss();
        });
}

void PLNewGroupViewController::createNewChatRoomWithImageURL(const QString& imageURL,
                                                             const QString& bigImageURL) {
    QList<PLRoomContact> contacts;
    for (const QVariant& member : std::as_const(*m_members)) {
        const PLPickerContact contact = PLPickerContact::fromVariant(member);
        if (!contact.isNull())
            contacts << contact.roomContact();
    }
    QPointer<PLNewGroupViewController> self(this);
    const bool started = ChatRoom::createRoomWithName(
        m_groupName.value_or(QString()), QStringLiteral(""), contacts, imageURL, bigImageURL,
        m_adminOnlyState, m_hideMemberProfile,
        [self](bool success, const PLOptionalError&, const QString& message,
               const std::shared_ptr<ChatRoom>& room) {
            if (self)
                self->createFinished(success, message, room ? room->roomId() : QString());
            PLActivityIndicatorView::dismiss();
        });
    if (started) {
        PLActivityIndicatorView::show();
        return;
    }
    // Nothing was sent: the screen and its inputs are the user's again.
    qCInfo(lcNewGroup) << "the group creation did not start";
    PLActivityIndicatorView::dismiss();
    enableDone();
    showAlert(localized("Failed"), localized("Group creation failed"));
}

void PLNewGroupViewController::createFinished(bool success, const QString& message, const QString& roomId) {
    enableDone();
    if (success) {
        if (m_delegate && m_delegate->metaObject()->indexOfMethod(
                              "dismissPresentingViewControllerAndOpenChatRoom(QString)") >= 0)
            QMetaObject::invokeMethod(m_delegate, "dismissPresentingViewControllerAndOpenChatRoom",
                                      Qt::DirectConnection, Q_ARG(QString, roomId));
    } else {
        showAlert(localized("Failed"), !message.isEmpty() ? message : localized("Group creation failed"));
    }
    const auto room = roomId.isEmpty() ? nullptr : ChatRoom::chatRoomWithID(roomId);
    PLAnalyticsTrackingHelper::trackEvent(
        QStringLiteral("Create group"),
        {{QStringLiteral("success"), success},
         {QStringLiteral("list of members"), qint64(m_members->size())},
         {QStringLiteral("Adminonly"), m_adminOnlyState},
         {QStringLiteral("Group"), m_groupName.value_or(QLatin1String(""))},
         {QStringLiteral("RoomId"), roomId.isNull() ? QString(QLatin1String("")) : roomId},
         {QStringLiteral("NumbersOfMember"), qint64(room ? room->totalMembers() : 0)},
         {QStringLiteral("IsAdmin"), room && room->isCurrentUserAdmin()},
         {QStringLiteral("Has picture"), GroupPictureUpload::currentUserHasPicture()}});
}

void PLNewGroupViewController::editMembers() {
    ViewController* made =
        ScreenRegistry::shared()->instantiate(kHome, PLNewGroupMembersViewController::kIdentifier);
    ViewController* top = made;
    if (auto* navigation = qobject_cast<NavigationController*>(made);
        navigation && navigation->topViewController())
        top = navigation->topViewController();
    auto* editor = qobject_cast<PLNewGroupMembersViewController*>(top);
    if (!editor) {
        qCInfo(lcNewGroup) << "the members editor is not available";
        delete made;
        return;
    }
    editor->setSharedMembers(m_members);
    editor->setShouldShowAddMoreMembersOption(true);
    const NewGroupMemberList members = m_members;
    editor->setEditedGroupMembersCompletionHandler([members](const QVariantList& contacts) {
        // Contents in place: the one list object stays the only one.
        *members = contacts;
    });
    presentViewController(made, true);
}

void PLNewGroupViewController::showAlert(const QString& title, const QString& message) {
    auto* alert = new AlertView(title, message, localized("OK"), {});
    alert->setObjectName(QStringLiteral("newGroupAlert"));
    alert->show(window());
}

} // namespace pelnix
