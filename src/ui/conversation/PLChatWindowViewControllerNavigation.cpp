// The navigation bar (title, search and group-information buttons, "Cancel" when the window is shown on
// its own) and the screens reached from it and from the rows: group information, member detail, the
// user's own profile (the search is with the smart-message parts); and the label that confirms a
// cleared conversation. The screens are other parts of the library, found in the screen registry by
// their storyboard and identifier.

#include "ui/conversation/PLChatWindowViewController.h"

#include "core/model/CurrentUserInfo.h"
#include "core/model/RoomMember.h"
#include "core/model/User.h"
#include "foundation/PLCurrentBundleInfo.h"
#include "foundation/PLReachabilityResponder.h"
#include "foundation/ui/CustomColors.h"
#include "foundation/ui/CustomFontRegistration.h"
#include "foundation/ui/DeviceInfo.h"
#include "foundation/ui/ImageAdditions.h"
#include "interface/Pelnix.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Animator.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Button.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/NavigationItem.h"
#include "platform/ui/Scheduler.h"
#include "platform/ui/StoryboardSegue.h"
#include "ui/account/PLHostBarButtonItems.h"
#include "ui/conversation/ConversationLog.h"
#include "ui/conversation/ConversationScreenInputs.h"

#include <QPixmap>

namespace pelnix {

using platform::ui::Animator;
using platform::ui::BarButtonItem;
using platform::ui::NavigationController;
using platform::ui::Scheduler;
using platform::ui::ViewController;

namespace {

QString localized(const char* text) {
    return PLCurrentBundleInfo::localizedString(QLatin1String(text));
}

const QString kHome = QStringLiteral("Home");
const QString kGroupInfoSegue = QStringLiteral("GroupInfoSegue");
const QString kMemberDetailIdentifier = QStringLiteral("PLGroupMemeberDetailTableViewController");
const QString kProfileIdentifier = QStringLiteral("PLUserProfileNavigationController");
const QString kProfileIdentifierRightToLeft = QStringLiteral("PLUserProfileNavigationController_RTL");
constexpr int kFloatingLabelHeight = 40;
constexpr int kFloatingLabelSlideMs = 500;
constexpr int kFloatingLabelShownMs = 2000;

bool isLibraryContainer(const ViewController* controller) {
    return controller && controller->inherits("pelnix::PelnixViewController");
}

bool isAloneOnItsStack(ViewController* controller) {
    auto* navigation = controller->navigationController();
    return navigation && navigation->viewControllers().size() == 1;
}

QIcon barIcon(const char* name) {
    return QIcon(QPixmap::fromImage(ImageAdditions::loadImageNamed(QLatin1String(name))));
}

} // namespace

ViewController* PLChatWindowViewController::navigationOwner() {
    ViewController* parent = parentViewController();
    return isLibraryContainer(parent) ? parent : this;
}

void PLChatWindowViewController::setNavigationTitle() {
    if (m_chatRoom)
        navigationOwner()->setTitle(m_chatRoom->displayName());
    const QString hostTitle = Pelnix::navigationTitle();
    if (hostTitle.isNull())
        return;
    if (isAloneOnItsStack(this))
        setTitle(hostTitle);
    else if (isLibraryContainer(parentViewController()))
        parentViewController()->setTitle(hostTitle);
}

void PLChatWindowViewController::addBarButtonItems() {
    if (!m_groupInfoButton) {
        m_groupInfoButton = new BarButtonItem(
            barIcon("groupInfoIcon"), [this] { showGroupInfo(); }, this);
        m_groupInfoButton->setObjectName(QStringLiteral("groupInfoButton"));
    }
    if (!m_searchButton) {
        m_searchButton = new BarButtonItem(
            barIcon("searchChatRoom"), [this] { chatWindowSearchClicked(); }, this);
        m_searchButton->setObjectName(QStringLiteral("searchButton"));
    }
    navigationOwner()->navigationItem()->setRightBarButtonItems({m_groupInfoButton, m_searchButton});
    addLeftBarButtonItems();
}

void PLChatWindowViewController::addLeftBarButtonItems() {
    if (!isAloneOnItsStack(this))
        return;
    if (PLHostBarButtonItems::hasItems()) {
        navigationItem()->setLeftBarButtonItems(PLHostBarButtonItems::makeItems());
        return;
    }
    if (Pelnix::isCancelButtonHidden())
        return;
    auto* button = new platform::ui::Button;
    button->setObjectName(QStringLiteral("cancelButton"));
    button->setTitle(localized("Cancel"));
    button->setTitleFont(CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans"), 15));
    button->setTitleColor(CustomColors::pelnixBlueColor());
    button->setFocusPolicy(Qt::NoFocus);
    button->setMinimumWidth(64);
    connect(button, &platform::ui::Button::clicked, this, &PLChatWindowViewController::dismissChatView);
    navigationItem()->setLeftBarButtonItem(new BarButtonItem(static_cast<QWidget*>(button)));
}

void PLChatWindowViewController::dismissChatView() {
    ViewController* presented =
        navigationController() ? static_cast<ViewController*>(navigationController()) : this;
    presented->dismissViewController(true);
}

// ---- Screens reached from the bar and the rows

void PLChatWindowViewController::conversationCleared(bool cleared) {
    if (!cleared)
        return;
    // The list is built again when the window shows next.
    m_needToRefeshView = true;
    showFloatingLabelOnSuccessfulClearConversation();
}

void PLChatWindowViewController::showGroupInfo() {
    if (!m_chatRoom)
        return;
    if (!m_chatRoom->isOneToOne()) {
        if (!performSegue(kGroupInfoSegue, this))
            showNotAvailableAlert(localized("Group information"));
        return;
    }
    if (!PLReachabilityResponder::sharedInstance()->isReachable()) {
        auto* alert = new platform::ui::AlertView(
            localized("Failed"), localized("Unable to fetch details.Please check your network connectivity"),
            localized("OK"), {});
        alert->setObjectName(QStringLiteral("memberDetailOfflineAlert"));
        alert->show(window());
        return;
    }
    // The other party: by ID, as a member's e-mail address may be unknown.
    const qint32 me = CurrentUserInfo::currentUserID();
    std::shared_ptr<User> other;
    const auto members = m_chatRoom->members();
    if (members.size() != 1) {
        for (const auto& member : members) {
            const auto user = member->user();
            if (user && user->userID() != me) {
                other = user;
                break;
            }
        }
    }
    showRoomMemberDetailPage(other, true, true);
}

void PLChatWindowViewController::prepareForSegue(platform::ui::StoryboardSegue& segue, QObject* sender) {
    PLBaseViewController::prepareForSegue(segue, sender);
    if (segue.identifier() != kGroupInfoSegue || !segue.destinationViewController())
        return;
    QPointer<PLChatWindowViewController> self(this);
    auto* destination = segue.destinationViewController();
    destination->setProperty(ConversationScreenInputs::kRoomId, roomId());
    destination->setProperty(ConversationScreenInputs::kGroupInfoCompletion,
                             QVariant::fromValue(PLConversationClearedHandler([self](bool cleared) {
                                 if (self)
                                     self->conversationCleared(cleared);
                             })));
}

void PLChatWindowViewController::showRoomMemberDetailPage(const std::shared_ptr<User>& user,
                                                          bool displayGroupInfoOptions, bool isOneToOneChat) {
    using namespace ConversationScreenInputs;
    auto* detail = instantiateScreen(kHome, kMemberDetailIdentifier, localized("Member details"));
    if (!detail)
        return;
    QPointer<PLChatWindowViewController> self(this);
    if (user)
        detail->setProperty(kUserId, user->userID());
    detail->setProperty(kRoomId, roomId());
    detail->setProperty(kIsOneToOneChat, isOneToOneChat);
    detail->setProperty(kShouldShowGroupInfoOptions, displayGroupInfoOptions);
    detail->setProperty(kMemberDetailCompletion,
                        QVariant::fromValue(PLConversationClearedHandler([self](bool cleared) {
                            if (self)
                                self->conversationCleared(cleared);
                        })));
    if (auto* navigation = navigationController())
        navigation->pushViewController(detail, true);
    else
        presentViewController(detail, true);
}

void PLChatWindowViewController::profileImageClickedForUser(const std::shared_ptr<User>& user) {
    const qint32 me = CurrentUserInfo::currentUserID();
    if (user && user->userID() != me) {
        showRoomMemberDetailPage(user, false, m_chatRoom && m_chatRoom->isOneToOne());
        return;
    }
    const QString identifier =
        DeviceInfo::currentLocaleIsOfRTLType() ? kProfileIdentifierRightToLeft : kProfileIdentifier;
    auto* screen = instantiateScreen(kHome, identifier, localized("Profile"));
    if (!screen)
        return;
    // The profile screen itself goes onto this window's stack, without the navigation it comes in.
    ViewController* profile = screen;
    if (auto* wrapper = qobject_cast<NavigationController*>(screen);
        wrapper && wrapper->topViewController()) {
        profile = wrapper->topViewController();
        profile->removeFromParentViewController();
        profile->setParent(nullptr);
        wrapper->deleteLater();
    }
    profile->setProperty(ConversationScreenInputs::kProfileNavigationType, qint64(1));
    if (auto* navigation = navigationController())
        navigation->pushViewController(profile, true);
    else
        presentViewController(profile, true);
}

// ---- The cleared-conversation label

QLabel* PLChatWindowViewController::configuredfloatingLabel() {
    auto* label = new QLabel(view());
    label->setObjectName(QStringLiteral("floatingLabel"));
    label->setTextFormat(Qt::PlainText);
    label->setProperty("tag", kFloatingLabelTag);
    // It waits just above the list, under the navigation bar, and slides out from there.
    label->setGeometry(0, -kFloatingLabelHeight, 300, kFloatingLabelHeight);
    label->setAutoFillBackground(true);
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, Qt::white);
    palette.setColor(QPalette::WindowText, CustomColors::floatingLabelBackgroundColor());
    label->setPalette(palette);
    label->setFont(CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans"), 17));
    return label;
}

void PLChatWindowViewController::showFloatingLabelOnSuccessfulClearConversation() {
    QLabel* label = configuredfloatingLabel();
    label->setText(localized("Conversation cleared successfully"));
    label->adjustSize();
    const int width = label->width() + 20;
    label->setGeometry((view()->width() - width) / 2, -kFloatingLabelHeight, width, kFloatingLabelHeight);
    label->setAlignment(Qt::AlignCenter);
    label->show();
    label->raise();
    QPointer<QLabel> guard(label);
    Animator::animateProperty(label, "pos", QPoint(label->x(), 0), kFloatingLabelSlideMs,
                              Animator::Curve::EaseInOut, [guard](bool) {
                                  if (!guard)
                                      return;
                                  Scheduler::shared()->performAfter(guard, kFloatingLabelShownMs, [guard] {
                                      if (!guard)
                                          return;
                                      Animator::animateProperty(
                                          guard, "pos", QPoint(guard->x(), -kFloatingLabelHeight),
                                          kFloatingLabelSlideMs, Animator::Curve::EaseInOut,
                                          [guard](bool) { delete guard.data(); });
                                  });
                              });
}

} // namespace pelnix
