#pragma once

#include "core/model/ChatRoom.h"
#include "platform/NotificationCenter.h"
#include "platform/ui/Label.h"
#include "platform/ui/TableViewDataSource.h"
#include "platform/ui/TableViewDelegate.h"
#include "ui/account/PLBaseTableTableViewController.h"
#include "ui/rooms/PLChatRoomTableViewCellDatasource.h"
#include "ui/rooms/PLChatRoomTableViewCellDelegate.h"
#include "ui/rooms/PLDropDownSearchBar.h"
#include "ui/rooms/PLGroupInfoAlertsFactory.h"
#include "ui/toolkit/PLCustomSearchDelegate.h"
#include "ui/toolkit/PLCustomSearchView.h"

#include <QLoggingCategory>
#include <QPointer>
#include <QSet>
#include <QVariantList>
#include <memory>
#include <optional>

namespace pelnix {

Q_DECLARE_LOGGING_CATEGORY(lcRoomsList)

class PLChatRoomTableViewCell;

// The home list of conversations ("Chats"): one row per stored room, newest activity first, through
// the host's group filter; a search over room names; opening a room in the conversation screen; per-row
// swipe options (clear here, leave or close the group, add members) and a new conversation through the
// contact picker. While on screen it follows "ChatRoomUpdatedNotification", and the room of each message
// of "ChatRoomMessageAddedNotification" and "ChatRoomMessageUpdatedNotification" (the user's own posts
// and their answers come that way): a room newer than the top row moves to the top, others are redrawn
// in place, unknown ones are inserted.
//
// Other screen libraries are reached through the screen registry only. The conversation screen (the
// segue "ChatRoomSelect") receives the room as its Qt property "roomId" before it is shown. The
// contact picker ("Home"/"PLContactsNavigationController") is configured through its invokable
// configureWithAddedContacts(QVariantList added, QObject* delegate, bool addMore) and answers through
// this screen's invokables contactViewControllerAddedContacts() and openChatRoomWithID().
class PLChatRoomsTableViewController : public PLBaseTableTableViewController,
                                       public platform::ui::TableViewDataSource,
                                       public platform::ui::TableViewDelegate,
                                       public PLChatRoomTableViewCellDatasource,
                                       public PLChatRoomTableViewCellDelegate,
                                       public PLCustomSearchDelegate {
    Q_OBJECT
public:
    enum ViewState : qint64 { ListState = 0, SearchState = 1 };
    enum OptionType : qint64 { NoOption = 0, LeaveOrCloseOption = 1, ClearOption = 2, AddMembersOption = 3 };
    enum AlertTag : int { LeaveOrCloseAlertTag = 1, ClearAlertTag = 2 };
    static constexpr int kFloatingLabelTag = 100;
    static constexpr qreal kPlaceholderRowHeight = 108;
    static constexpr int kFloatingLabelSlideMs = 500;
    static constexpr qint64 kFloatingLabelStayMs = 2000;

    explicit PLChatRoomsTableViewController(QObject* parent = nullptr);
    ~PLChatRoomsTableViewController() override;

    // The list whose view was loaded last, while it exists.
    static PLChatRoomsTableViewController* sharedViewControllerInstance();

    void openChatRoom(const std::shared_ptr<ChatRoom>& room);
    // The contact picker's answers.
    Q_INVOKABLE void openChatRoomWithID(const QString& roomID);
    Q_INVOKABLE void contactViewControllerAddedContacts(QObject* picker, const QVariantList& contacts);
    // The people of a picker's answer as the room model invites them: address-book entries, users,
    // host contacts, {"email", "phone"} maps and plain e-mail texts; anything else is left out.
    static QList<PLRoomContact> roomContactsFromPickerContacts(const QVariantList& contacts);

    void loadChatRooms();
    void reloadChatRooms();
    void registerToNotification();
    void unregisterToNotification();
    void updateChatRoomWithID(const QString& roomID);
    // updateChatRoomWithID() of the message's room.
    void updateChatRoomOfMessageWithID(const QString& messageID);
    void addChatRoomWithID(const QString& roomID);
    bool shouldInsertToTableViewNewChatRoom(const std::shared_ptr<ChatRoom>& room) const;
    void reloadChatRoomAtIndex(int index);
    void moveChatRoomToFirstIndexFromIndex(int index);

    qint64 chatRoomsViewState() const { return m_viewState; }
    void setChatRoomsViewState(qint64 state);
    void toggleSearchBarAnimated();
    void searchChatRoomsButtonClickerHandler();
    void searchTextFieldDidChange(PLCustomSearchTextField* textField) override;
    void searchViewCancelledSearch() override;
    void addChatRoomButtonClickHandler();

    qint64 numberOfOptionsForChatRoom(const std::shared_ptr<ChatRoom>& room) override;
    qint64 chatRoomTypeAtIndex(qint64 index, const std::shared_ptr<ChatRoom>& room) override;
    void cellDidUpdateToState(PLChatRoomTableViewCell* cell, qint64 state) override;
    void cellDidSelectChatRoomOption(PLChatRoomTableViewCell* cell, qint64 option) override;
    // The confirmations and member addition for the room chosen with the option.
    void clearConversation(const QString& roomID);
    void closeConversationAndLeave(const QString& roomID);
    void addMembersToChatRoom(const QString& roomID);
    void showAddMoreMembersScreenAddingPendingContacts(const QString& roomID, const QVariantList& invitees);
    void showSuccessOrFailureMessageOnDeletingGroup(bool success, const QString& roomID,
                                                    const QString& roomName);
    void trackDeleteEventWithSuccessStatus(bool success, const QString& roomID);
    void showFloatingLabelWithMessage(const QString& message);
    platform::ui::Label* configuredfloatingLabel();
    void dismissChatView();
    void invokeViewWillAppearIfRequired();
    void reloadSwipeOptionsOnVisibleCells();

    // What the screen shows now (tests and the gallery).
    QList<std::shared_ptr<ChatRoom>> chatRooms() const { return m_chatRooms; }
    QString searchText() const { return m_searchText; }
    PLChatRoomTableViewCell* swipedCell() const;
    // Made when first asked for, if the first frame has not made it yet.
    PLCustomSearchView* searchView() {
        if (isViewLoaded())
            initializeSearchBar();
        return m_searchBar ? m_searchBar->view() : nullptr;
    }
    QString currentSelectedChatRoomID() const { return m_currentSelectedChatRoomID; }
    QString selectedChatRoomID() const { return m_selectedChatRoomID; }
    PLGroupInfoAlertsFactory* groupInfoAlertsFactory() const { return m_alertsFactory.get(); }
    // The floating labels in view, oldest first.
    QList<platform::ui::Label*> floatingLabels() const;
    bool isObservingNotifications() const { return m_updateObserver != 0; }

    // Table data source and delegate.
    int numberOfRowsInSection(platform::ui::TableView* table, int section) override;
    platform::ui::TableViewCell* cellForRowAtIndexPath(platform::ui::TableView* table,
                                                       const platform::ui::IndexPath& path) override;
    qreal heightForRowAtIndexPath(platform::ui::TableView* table,
                                  const platform::ui::IndexPath& path) override;
    void didSelectRowAtIndexPath(platform::ui::TableView* table,
                                 const platform::ui::IndexPath& path) override;

    void prepareForSegue(platform::ui::StoryboardSegue& segue, QObject* sender) override;

protected:
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;

private:
    void configureTableView();
    void configureNavigationBar();
    void resetNavigationBar();
    void addRightBarButtons();
    void addLeftBarButtonItems();
    void initializeSearchBar();
    // Where bar items and titles go: the library's container when it is the parent, else this screen.
    platform::ui::ViewController* titleOwner();
    PLChatRoomTableViewCell* openCellOfRoom(const QString& roomID) const;
    int indexOfRoom(const std::shared_ptr<ChatRoom>& room) const;
    // Puts the rooms of the list on the table as they are, in one whole reload.
    void showChatRoomsAnew();
    // Reads the latest message of the table's room at `row` when it holds none, with those of a run of
    // rooms around it that hold none either: a screen's worth first, then twice as many each time.
    void readLatestMessagesAround(int row);
    // The room now at `index` changed or moved: its row follows with the next table update.
    void touchRoomAtIndex(int index);
    void applyTableUpdates();
    void presentContactPicker(const QVariantList& addedContacts, bool addMore);
    // Shows the confirmation of `kind` about the room; its confirming answer runs `answer` for it.
    void confirm(qint64 kind, int tag, const QString& roomID,
                 void (PLChatRoomsTableViewController::*answer)(const QString&));
    void answerLeaveOrClose(const QString& roomID);
    void answerClear(const QString& roomID);
    QVariantMap roomAnalyticsProperties(const std::shared_ptr<ChatRoom>& room) const;

    QList<std::shared_ptr<ChatRoom>> m_chatRooms;
    // The rooms as the table shows them: the list itself, or as it was before the changes of this
    // turn of the event loop, which the table takes in one update.
    QList<std::shared_ptr<ChatRoom>> m_tableRooms;
    QSet<QString> m_touchedRoomIDs;
    bool m_tableUpdateQueued = false;
    quint64 m_loadGeneration = 0;
    // Rooms of the next run of latest messages read (readLatestMessagesAround()).
    int m_latestMessagesRun = 0;
    bool m_swipeOptionsReloadQueued = false;
    // Rooms are listed once loading has run; before, notifications have nothing to update.
    bool m_chatRoomsLoaded = false;
    qint64 m_viewState = ListState;
    std::unique_ptr<PLDropDownSearchBar> m_searchBar;
    QString m_searchText;
    std::optional<QList<std::shared_ptr<ChatRoom>>> m_unfilteredChatRooms;
    QString m_selectedChatRoomID;
    QString m_currentSelectedChatRoomID;
    QPointer<PLChatRoomTableViewCell> m_swipedCell;
    std::unique_ptr<PLGroupInfoAlertsFactory> m_alertsFactory;
    platform::NotificationCenter::Token m_updateObserver = 0;
    platform::NotificationCenter::Token m_filterObserver = 0;
    QList<platform::NotificationCenter::Token> m_messageObservers;
    bool m_viewWillAppearCalled = false;
};

} // namespace pelnix
