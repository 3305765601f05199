#pragma once

#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "ui/account/PLBaseViewController.h"
#include "ui/rooms/PLActiveMembersViewController.h"
#include "ui/rooms/PLDropDownSearchBar.h"
#include "ui/rooms/PLMembersAddedToGroupProtocol.h"
#include "ui/rooms/PLPendingMembersViewController.h"
#include "ui/toolkit/PLSwipeViewController.h"
#include "ui/toolkit/PLSwipeViewDelegate.h"
#include "ui/toolkit/PLCustomSearchDelegate.h"

#include <QLoggingCategory>
#include <QPointer>
#include <QVariantList>
#include <memory>

namespace pelnix {

Q_DECLARE_LOGGING_CATEGORY(lcGroupMembers)

class ChatRoom;

// The members screen of a group ("GroupMembersViewController", or presented as the top of
// "GroupMembersNavigationController"): the Active tab and, for the admin or when the room does not
// hide member profiles, the Pending tab, under a search bar that drops down over the navigation bar
// and filters the selected tab. The admin's bar at the foot adds people through the contact picker
// ("Home"/"PLContactsNavigationController", configured through its invokable
// configureWithAddedContacts and answering through contactViewControllerAddedContacts); a banner
// then tells how many were added. The room is held by its ID.
class PLGroupMembersViewController : public PLBaseViewController,
                                     public PLSwipeViewDelegate,
                                     public PLMembersAddedToGroupProtocol,
                                     public PLCustomSearchDelegate {
    Q_OBJECT
    Q_PROPERTY(QString roomId READ roomID WRITE setRoomID)
public:
    static inline const QString kIdentifier = QStringLiteral("GroupMembersViewController");
    static inline const QString kNavigationIdentifier = QStringLiteral("GroupMembersNavigationController");
    static constexpr int kBannerTag = 100;
    static constexpr int kBannerHeight = 40;
    static constexpr int kBannerSlideMs = 500;
    static constexpr qint64 kBannerStayMs = 2000;
    static constexpr int kBottomBarHeight = 50;

    explicit PLGroupMembersViewController(QObject* parent = nullptr);
    ~PLGroupMembersViewController() override;

    void configureWithChatRoom(const std::shared_ptr<ChatRoom>& room);
    std::shared_ptr<ChatRoom> chatRoom() const;
    QString roomID() const { return m_roomID; }
    // The room by its ID, as the registry's callers hand it over.
    void setRoomID(const QString& roomID);
    // The name of the room of the members screen that loaded last.
    static QString groupName();

    void reloadViewController();
    void membersAddedToGroup(qint64 count);
    void memberCountChanged() override;
    double bottomActionBarHeight() override;
    void resetSearchBar(bool hide) override;
    void searchContactInText(const QString& text);
    void searchTextFieldDidChange(PLCustomSearchTextField* textField) override;
    void searchViewCancelledSearch() override;
    void addMoreMembers();
    Q_INVOKABLE void contactViewControllerAddedContacts(QObject* picker, const QVariantList& contacts);
    void cancelButtonClicked();
    void searchButtonClicked();
    void registerToNotifications();
    void unregisterToNotifications();

    // What the screen shows now.
    bool isCurrentUserCreator() const { return m_isCurrentUserCreator; }
    PLSwipeViewController* swipeViewController() const { return m_swipeViewController; }
    PLActiveMembersViewController* activeMembersViewController() const { return m_active; }
    PLPendingMembersViewController* pendingMembersViewController() const { return m_pending; }
    PLCustomSearchView* searchView() const { return m_searchBar ? m_searchBar->view() : nullptr; }
    bool isSearchBarShown() const { return m_searchBar && m_searchBar->isShown(); }
    QWidget* bottomView() const { return m_bottomView; }
    platform::ui::Button* addMoreMembersButton() const { return m_addMoreMembersButton; }
    QWidget* containerView() const { return m_containerView; }
    // The banner while it is on screen.
    platform::ui::Label* banner() const;
    bool isObservingKeyboard() const { return !m_keyboardTokens.isEmpty(); }

protected:
    QWidget* loadView() override;
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;

private:
    void configureNavigationItems();
    void configureMemberCategories();
    void layoutPage();
    void updateBottomViewFrameWithKeyboardInfo(const QVariantMap& info);
    platform::ui::ViewController* selectedPage() const;

    QString m_roomID;
    bool m_isCurrentUserCreator = false;
    QPointer<QWidget> m_containerView;
    QPointer<QWidget> m_bottomView;
    QPointer<platform::ui::Button> m_addMoreMembersButton;
    QPointer<PLSwipeViewController> m_swipeViewController;
    QPointer<PLActiveMembersViewController> m_active;
    QPointer<PLPendingMembersViewController> m_pending;
    std::unique_ptr<PLDropDownSearchBar> m_searchBar;
    // The bar's bottom edge while the keyboard shows; -1 at the foot of the screen.
    int m_keyboardTop = -1;
    QList<quint64> m_keyboardTokens;
};

} // namespace pelnix
