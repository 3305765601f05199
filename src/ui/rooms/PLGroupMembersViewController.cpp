#include "ui/rooms/PLGroupMembersViewController.h"

#include "core/model/ChatRoom.h"
#include "core/model/RoomMember.h"
#include "foundation/ui/CustomColors.h"
#include "foundation/ui/CustomFontRegistration.h"
#include "foundation/ui/ImageAdditions.h"
#include "foundation/ui/ViewControllerAdditions.h"
#include "platform/NotificationCenter.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Animator.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/KeyboardMonitor.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/NavigationItem.h"
#include "platform/ui/Scheduler.h"
#include "platform/ui/ScreenRegistry.h"
#include "ui/rooms/PLActiveMembersViewController.h"
#include "ui/rooms/PLChatRoomsTableViewController.h"
#include "ui/rooms/PLPendingMembersViewController.h"
#include "ui/rooms/RoomsBarButtons.h"
#include "ui/rooms/RoomsContactPicker.h"
#include "ui/rooms/RoomsTexts.h"
#include "ui/toolkit/PLActivityIndicatorView.h"
#include "ui/toolkit/PLCentredInParent.h"
#include "ui/toolkit/PLCustomSearchTextField.h"
#include "ui/toolkit/PLSwipeViewController.h"

#include <QResizeEvent>
#include <QThread>

namespace pelnix {

Q_LOGGING_CATEGORY(lcGroupMembers, "pelnix.ui.rooms.groupmembers", QtWarningMsg)

using platform::NotificationCenter;
using platform::ui::AlertView;
using platform::ui::Animator;
using platform::ui::BarButtonItem;
using platform::ui::Button;
using platform::ui::KeyboardMonitor;
using platform::ui::Label;
using platform::ui::NavigationController;
using platform::ui::Scheduler;
using platform::ui::ScreenRegistry;
using platform::ui::ViewController;
using RoomsTexts::localized;

namespace {
QString& lastChatRoomName() {
    static QString name;
    return name;
}

// The screen's page: it lays its parts out whenever its size changes.
class MembersPage : public QWidget {
public:
    std::function<void()> onResize;

protected:
    void resizeEvent(QResizeEvent* event) override {
        QWidget::resizeEvent(event);
        if (onResize)
            onResize();
    }
};
} // namespace

PLGroupMembersViewController::PLGroupMembersViewController(QObject* parent) : PLBaseViewController(parent) {}

PLGroupMembersViewController::~PLGroupMembersViewController() {
    unregisterToNotifications();
    Scheduler::shared()->cancelPerforms(this);
}

void PLGroupMembersViewController::configureWithChatRoom(const std::shared_ptr<ChatRoom>& room) {
    m_roomID = room ? room->roomId() : QString();
    m_isCurrentUserCreator = room && room->isCurrentUserAdmin();
}

void PLGroupMembersViewController::setRoomID(const QString& roomID) {
    configureWithChatRoom(ChatRoom::chatRoomWithID(roomID));
    m_roomID = roomID;
}

std::shared_ptr<ChatRoom> PLGroupMembersViewController::chatRoom() const {
    return m_roomID.isEmpty() ? nullptr : ChatRoom::chatRoomWithID(m_roomID);
}

QString PLGroupMembersViewController::groupName() {
    return lastChatRoomName();
}

QWidget* PLGroupMembersViewController::loadView() {
    auto* page = new MembersPage;
    page->setAutoFillBackground(true);
    m_containerView = new QWidget(page);
    m_containerView->setObjectName(QStringLiteral("containerView"));
    m_bottomView = new QWidget(page);
    m_bottomView->setObjectName(QStringLiteral("bottomView"));
    m_bottomView->setAutoFillBackground(true);
    QPalette palette = m_bottomView->palette();
    palette.setColor(QPalette::Window, CustomColors::pelnixBlueColor());
    m_bottomView->setPalette(palette);
    m_addMoreMembersButton = new Button(m_bottomView);
    m_addMoreMembersButton->setObjectName(QStringLiteral("addMoreMembersButton"));
    m_addMoreMembersButton->setTitle(localized("Add Members"));
    m_addMoreMembersButton->setTitleColor(Qt::white);
    m_addMoreMembersButton->setImage(ImageAdditions::loadImageNamed(QStringLiteral("addMemberToGroupIcon")));
    // Tab reaches it; a click leaves the keys where they are.
    m_addMoreMembersButton->setFocusPolicy(Qt::TabFocus);
    connect(m_addMoreMembersButton, &Button::clicked, this, &PLGroupMembersViewController::addMoreMembers);
    page->onResize = [this] { layoutPage(); };
    return page;
}

void PLGroupMembersViewController::layoutPage() {
    QWidget* page = isViewLoaded() ? view() : nullptr;
    if (!page || !m_bottomView)
        return;
    const int w = page->width();
    const int h = page->height();
    // The lists run under the bar; their bottom inset keeps their last row clear of it.
    m_containerView->setGeometry(0, 0, w, h);
    const int bottom = m_keyboardTop >= 0 ? qMin(m_keyboardTop, h) : h;
    m_bottomView->setGeometry(0, bottom - kBottomBarHeight, w, kBottomBarHeight);
    m_bottomView->raise();
    m_addMoreMembersButton->setGeometry(0, 0, w, kBottomBarHeight);
}

void PLGroupMembersViewController::viewDidLoad() {
    PLBaseViewController::viewDidLoad();
    configureNavigationItems();
    ViewControllerAdditions::applyCustomAttributesToNavigationBarTitle(this);
    m_bottomView->setHidden(!m_isCurrentUserCreator);
    m_addMoreMembersButton->setTitleFont(
        CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans"), 15));
    m_searchBar = std::make_unique<PLDropDownSearchBar>(this, this, localized("Search by name or email"));
    const auto room = chatRoom();
    lastChatRoomName() = room ? room->name() : QString();
    layoutPage();
}

void PLGroupMembersViewController::configureNavigationItems() {
    QPointer<PLGroupMembersViewController> self(this);
    NavigationController* nav = navigationController();
    // Presented as the root of its own stack it closes with Cancel; pushed, the back button applies.
    if (nav && nav->viewControllers().size() == 1) {
        Button* cancel =
            RoomsBarButtons::makeTitledButton(localized("Cancel"), QStringLiteral("cancelButton"));
        connect(cancel, &Button::clicked, this, [self] {
            if (self)
                self->cancelButtonClicked();
        });
        navigationItem()->setLeftBarButtonItem(new BarButtonItem(static_cast<QWidget*>(cancel)));
    }
    auto* search = new BarButtonItem(
        QIcon(QPixmap::fromImage(ImageAdditions::loadImageNamed(QStringLiteral("searchChatRoom")))), [self] {
            if (self)
                self->searchButtonClicked();
        });
    search->setObjectName(QStringLiteral("searchButton"));
    navigationItem()->setRightBarButtonItem(search);
}

void PLGroupMembersViewController::viewWillAppear(bool animated) {
    PLBaseViewController::viewWillAppear(animated);
    setTitle(localized("Members"));
    navigationItem()->setTitle(localized("Members"));
    if (!m_swipeViewController)
        reloadViewController();
    registerToNotifications();
}

void PLGroupMembersViewController::viewWillDisappear(bool animated) {
    if (m_searchBar && m_searchBar->isShown())
        m_searchBar->hide();
    if (Label* label = banner())
        delete label;
    // The bar follows the keyboard only while the screen is on screen.
    unregisterToNotifications();
    PLBaseViewController::viewWillDisappear(animated);
}

// ---- Tabs

void PLGroupMembersViewController::reloadViewController() {
    if (m_swipeViewController)
        ViewControllerAdditions::removeChildViewControllerWithCleanUP(m_swipeViewController);
    configureMemberCategories();
}

void PLGroupMembersViewController::configureMemberCategories() {
    const auto room = chatRoom();
    auto* registry = ScreenRegistry::shared();
    m_active = qobject_cast<PLActiveMembersViewController*>(
        registry->instantiate(QStringLiteral("Home"), PLActiveMembersViewController::kIdentifier));
    if (!m_active)
        m_active = new PLActiveMembersViewController;
    m_active->setTitle(PLActiveMembersViewController::titleForMemberCount(room ? room->memberCount() : 0));
    m_active->configureWithChatRoom(room);
    m_active->setMembersAddedDelegate(this);
    QList<ViewController*> pages{m_active};
    m_pending = nullptr;
    if (m_isCurrentUserCreator || (room && !room->hideMemberProfile())) {
        m_pending = qobject_cast<PLPendingMembersViewController*>(
            registry->instantiate(QStringLiteral("Home"), PLPendingMembersViewController::kIdentifier));
        if (!m_pending)
            m_pending = new PLPendingMembersViewController;
        m_pending->setTitle(localized("Pending"));
        m_pending->configureWithChatRoom(room, m_isCurrentUserCreator);
        m_pending->setMembersAddedDelegate(this);
        m_pending->configurePendingMembersAfterAddingAndRemovingMembers();
        pages << m_pending;
    }
    m_swipeViewController = new PLSwipeViewController(pages);
    m_swipeViewController->setSelectedIndex(0);
    m_swipeViewController->setSwipeViewType(1);
    m_swipeViewController->setDelegate(this);
    ViewControllerAdditions::addChildViewController(this, m_swipeViewController, m_containerView);
}

ViewController* PLGroupMembersViewController::selectedPage() const {
    if (!m_swipeViewController)
        return nullptr;
    return m_swipeViewController->viewControllers().value(m_swipeViewController->selectedIndex());
}

void PLGroupMembersViewController::memberCountChanged() {
    if (m_swipeViewController)
        m_swipeViewController->refreshCollectionView();
}

double PLGroupMembersViewController::bottomActionBarHeight() {
    if (!m_isCurrentUserCreator)
        return 0;
    return m_bottomView ? m_bottomView->height() : kBottomBarHeight;
}

// ---- Search

void PLGroupMembersViewController::resetSearchBar(bool hide) {
    if (!m_searchBar)
        return;
    if (hide)
        m_searchBar->hide();
    else
        m_searchBar->show();
}

void PLGroupMembersViewController::searchButtonClicked() {
    resetSearchBar(false);
}

void PLGroupMembersViewController::searchContactInText(const QString& text) {
    ViewController* page = selectedPage();
    if (auto* active = qobject_cast<PLActiveMembersViewController*>(page))
        active->searchForMembersUsingSearchText(text);
    else if (auto* pending = qobject_cast<PLPendingMembersViewController*>(page))
        pending->searchForMembersUsingSearchText(text);
}

void PLGroupMembersViewController::searchTextFieldDidChange(PLCustomSearchTextField* textField) {
    searchContactInText(textField ? textField->text() : QString());
}

void PLGroupMembersViewController::searchViewCancelledSearch() {
    resetSearchBar(true);
    ViewController* page = selectedPage();
    if (auto* active = qobject_cast<PLActiveMembersViewController*>(page))
        active->searchCancelled();
    else if (auto* pending = qobject_cast<PLPendingMembersViewController*>(page))
        pending->searchCancelled();
}

// ---- Adding members

void PLGroupMembersViewController::addMoreMembers() {
    // Members and invitees are not offered again.
    QVariantList added;
    if (const auto room = chatRoom())
        for (const auto& member : room->members())
            added << QVariant::fromValue(member);
    if (m_pending)
        added << m_pending->pendingMembers();
    RoomsContactPicker::present(this, added, true);
}

void PLGroupMembersViewController::contactViewControllerAddedContacts(QObject*,
                                                                      const QVariantList& contacts) {
    Q_ASSERT(QThread::currentThread() == thread());
    const auto room = chatRoom();
    if (!room) {
        qCWarning(lcGroupMembers) << "room" << m_roomID << "is not stored; nobody added";
        return;
    }
    const qint64 count = contacts.size();
    QPointer<PLGroupMembersViewController> self(this);
    const bool started = room->addContacts(
        PLChatRoomsTableViewController::roomContactsFromPickerContacts(contacts),
        [self, count](bool success, const PLOptionalError&, const QString& message) {
            PLActivityIndicatorView::dismiss();
            if (!self)
                return;
            if (!success) {
                auto* alert = new AlertView(localized("Failed"),
                                            message.isNull() ? localized("Member addition failed") : message,
                                            localized("OK"), {});
                alert->show(self->window());
                return;
            }
            if (self->m_active)
                self->m_active->refresh();
            // The banner reloads the Pending tab: once per addition.
            self->membersAddedToGroup(count);
        });
    if (started)
        PLActivityIndicatorView::show();
}

void PLGroupMembersViewController::membersAddedToGroup(qint64 count) {
    QWidget* page = isViewLoaded() ? view() : nullptr;
    if (page) {
        if (Label* old = banner())
            delete old;
        auto* label = new Label(QString(), page);
        label->setObjectName(QStringLiteral("membersAddedBanner"));
        label->setProperty("tag", kBannerTag);
        label->setAutoFillBackground(true);
        QPalette palette = label->palette();
        palette.setColor(QPalette::Window, CustomColors::floatingLabelBackgroundColor());
        label->setPalette(palette);
        label->setTextColor(Qt::white);
        label->setFont(CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans"), 17));
        label->setText(RoomsTexts::localizedFormat(count == 1 ? "%ld member added" : "%ld members added",
                                                   {QString::number(count)}));
        label->setAlignment(Qt::AlignCenter);
        const int width = int(label->sizeThatFits({1e6, 1e6}).width()) + 20;
        // It starts hidden behind the navigation bar, above the top of the page.
        label->setGeometry((page->width() - width) / 2, -kBannerHeight, width, kBannerHeight);
        PLCentredInParent::keep(label);
        label->show();
        label->raise();
        QPointer<Label> shown(label);
        QPointer<PLGroupMembersViewController> self(this);
        Animator::animateProperty(label, "pos", QPoint(label->x(), 0), kBannerSlideMs,
                                  Animator::Curve::EaseInOut, [shown, self](bool) {
                                      if (!shown || !self)
                                          return;
                                      Scheduler::shared()->performAfter(self, kBannerStayMs, [shown] {
                                          if (!shown)
                                              return;
                                          Animator::animateProperty(
                                              shown, "pos", QPoint(shown->x(), -kBannerHeight),
                                              kBannerSlideMs, Animator::Curve::EaseInOut,
                                              [shown](bool) { delete shown.data(); });
                                      });
                                  });
    }
    if (m_pending)
        m_pending->configurePendingMembersAfterAddingAndRemovingMembers();
}

Label* PLGroupMembersViewController::banner() const {
    QWidget* page = const_cast<PLGroupMembersViewController*>(this)->isViewLoaded()
                        ? const_cast<PLGroupMembersViewController*>(this)->view()
                        : nullptr;
    return page ? page->findChild<Label*>(QStringLiteral("membersAddedBanner"), Qt::FindDirectChildrenOnly)
                : nullptr;
}

void PLGroupMembersViewController::cancelButtonClicked() {
    dismissViewController(true);
}

// ---- Keyboard

void PLGroupMembersViewController::registerToNotifications() {
    if (!m_keyboardTokens.isEmpty())
        return;
    auto* center = NotificationCenter::defaultCenter();
    for (const QString& name : {KeyboardMonitor::kWillShow, KeyboardMonitor::kWillHide})
        m_keyboardTokens << center->addObserver(
            name,
            [this](const platform::Notification& n) { updateBottomViewFrameWithKeyboardInfo(n.userInfo); },
            this);
}

void PLGroupMembersViewController::unregisterToNotifications() {
    for (const auto token : std::exchange(m_keyboardTokens, {}))
        NotificationCenter::defaultCenter()->removeObserver(token);
}

void PLGroupMembersViewController::updateBottomViewFrameWithKeyboardInfo(const QVariantMap& info) {
    QWidget* page = isViewLoaded() ? view() : nullptr;
    if (!page || !m_bottomView)
        return;
    const QRect end = info.value(KeyboardMonitor::kFrameEndKey).toRect();
    const int duration = int(info.value(KeyboardMonitor::kDurationKey).toDouble() * 1000);
    QWidget* window = page->window();
    const int top = page->mapFrom(window, QPoint(0, end.top())).y();
    m_keyboardTop = end.height() > 0 && top < page->height() ? top : -1;
    const int bottom = m_keyboardTop >= 0 ? m_keyboardTop : page->height();
    Animator::animateProperty(m_bottomView, "pos", QPoint(0, bottom - kBottomBarHeight), duration);
}

} // namespace pelnix
