#pragma once

#include "platform/ui/TableView.h"
#include "platform/ui/TableViewDataSource.h"
#include "platform/ui/TableViewDelegate.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/WeakDelegate.h"
#include "ui/rooms/PLMemberListReader.h"
#include "ui/rooms/PLMemberListTable.h"
#include "ui/rooms/PLMembersAddedToGroupProtocol.h"
#include "ui/rooms/PLMembersCellDelegate.h"

#include <QPointer>
#include <memory>
#include <optional>

namespace pelnix {

class ChatRoom;
class RoomMember;

// The Active tab of the members screen: the room's members as the store knows them, the signed-in
// user first as "You", then the others by name regardless of case. It searches by the start of a name
// or e-mail address, lets the admin remove members, and opens member detail (the segue
// "GroupMemberDetail") for anybody but the signed-in user. The room is held by its ID, and its members
// as rows of IDs, names and addresses: a large room is read on the reading thread behind the busy
// indicator, and only the rows on screen look their memberships up.
class PLActiveMembersViewController : public platform::ui::ViewController,
                                      public platform::ui::TableViewDataSource,
                                      public platform::ui::TableViewDelegate,
                                      public PLMembersCellDelegate {
    Q_OBJECT
public:
    static inline const QString kIdentifier = QStringLiteral("ActiveMembersViewController");
    static inline const QString kDetailSegue = QStringLiteral("GroupMemberDetail");
    static inline const QString kDetailSegueRTL = QStringLiteral("GroupMemberDetail_RTL");

    explicit PLActiveMembersViewController(QObject* parent = nullptr);
    ~PLActiveMembersViewController() override;

    void configureWithChatRoom(const std::shared_ptr<ChatRoom>& room);
    std::shared_ptr<ChatRoom> chatRoom() const;
    PLMembersAddedToGroupProtocol* membersAddedDelegate() const { return m_membersAddedDelegate.get(); }
    void setMembersAddedDelegate(PLMembersAddedToGroupProtocol* delegate) {
        m_membersAddedDelegate.set(delegate);
    }

    // The tab's title for a member count: "Active(%d)", or "Active" for 0.
    static QString titleForMemberCount(qint64 count);
    // Whether a member's name or e-mail address begins with `term`, case aside.
    static bool memberMatches(const PLMemberRow& member, const QString& term);

    void refresh();
    void searchForMembersUsingSearchText(const QString& text);
    void searchCancelled();
    void removeMember(const std::shared_ptr<RoomMember>& member) override;
    void generateMemebersList();
    void removeCurrentUserFromMembers();
    QList<PLMemberRow> filteredMembersForSearchTerm(const QString& term) const;
    void adjustTableViewContentInset();
    void registerToNotifications();
    void unRegisterToNotifications();

    // What the list holds now.
    bool isCurrentUserCreator() const { return m_isCurrentUserCreator; }
    // The signed-in user's membership, looked up.
    std::shared_ptr<RoomMember> currentUser() const;
    QList<PLMemberRow> membersArray() const { return m_membersArray; }
    QList<PLMemberRow> filteredMembersArray() const { return m_filteredMembersArray; }
    // The rows in order: the filtered members while filtering, else the signed-in user (when found)
    // and the others.
    QList<PLMemberRow> shownRows() const { return m_isFiltered ? m_filteredMembersArray : m_membersArray; }
    // The memberships of the shown rows, each looked up (a row whose membership is gone reads null).
    QList<std::shared_ptr<RoomMember>> shownMembers() const;
    // A large room's members are being read.
    bool isReadingMembers() const { return m_readingMembers; }
    bool isFiltered() const { return m_isFiltered; }
    QString searchText() const { return m_searchText; }
    bool isObservingKeyboard() const { return m_listTable.isObserving(); }
    platform::ui::TableView* activeMembersTableView() const { return m_tableView; }

    // Table.
    int numberOfRowsInSection(platform::ui::TableView* table, int section) override;
    platform::ui::TableViewCell* cellForRowAtIndexPath(platform::ui::TableView* table,
                                                       const platform::ui::IndexPath& path) override;
    qreal heightForRowAtIndexPath(platform::ui::TableView* table,
                                  const platform::ui::IndexPath& path) override;
    void didSelectRowAtIndexPath(platform::ui::TableView* table,
                                 const platform::ui::IndexPath& path) override;

    bool shouldPerformSegue(const QString& identifier, QObject* sender) override;
    void prepareForSegue(platform::ui::StoryboardSegue& segue, QObject* sender) override;

protected:
    QWidget* loadView() override;
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewDidDisappear(bool animated) override;

private:
    // The member of the row last tapped, in the shown array.
    std::shared_ptr<RoomMember> selectedMember() const;
    std::shared_ptr<RoomMember> memberOf(const PLMemberRow& row) const;
    // Takes the rows read in: the signed-in user's first, the others in order.
    void takeMembers(QList<PLMemberRow> rows);
    // What follows a refresh once the members are in.
    void showMembers();

    platform::ui::WeakDelegate<PLMembersAddedToGroupProtocol> m_membersAddedDelegate;
    QPointer<platform::ui::TableView> m_tableView;
    bool m_isCurrentUserCreator = false;
    std::optional<PLMemberRow> m_currentUser;
    QList<PLMemberRow> m_membersArray;
    QList<PLMemberRow> m_filteredMembersArray;
    bool m_isFiltered = false;
    bool m_readingMembers = false;
    // Only the latest read counts.
    quint64 m_reads = 0;
    QString m_roomID;
    QString m_searchText;
    std::optional<int> m_selectedRow;
    PLMemberListTable m_listTable;
};

} // namespace pelnix
