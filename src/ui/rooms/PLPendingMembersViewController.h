#pragma once

#include "platform/ui/TableView.h"
#include "platform/ui/TableViewDataSource.h"
#include "platform/ui/TableViewDelegate.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/WeakDelegate.h"
#include "ui/rooms/PLMemberListTable.h"
#include "ui/rooms/PLMembersAddedToGroupProtocol.h"
#include "ui/rooms/PLMembersCellDelegate.h"

#include <QPointer>
#include <QVariantList>
#include <memory>

namespace pelnix {

class ChatRoom;

// The Pending tab of the members screen: the people invited by e-mail address or phone number who
// have not joined, asked of the server at each load ({"id", "name", "type"} records, in the server's
// order). The admin can invite a phone invitee again by SMS and withdraw invitations. A successful
// load with nobody pending shows one "No Pending Members" row. The room is held by its ID.
class PLPendingMembersViewController : public platform::ui::ViewController,
                                       public platform::ui::TableViewDataSource,
                                       public platform::ui::TableViewDelegate,
                                       public PLMembersCellDelegate {
    Q_OBJECT
public:
    static inline const QString kIdentifier = QStringLiteral("PendingMembersViewController");

    explicit PLPendingMembersViewController(QObject* parent = nullptr);
    ~PLPendingMembersViewController() override;

    void configureWithChatRoom(const std::shared_ptr<ChatRoom>& room, bool isCurrentUserCreator);
    std::shared_ptr<ChatRoom> chatRoom() const;
    QString roomID() const { return m_roomID; }
    PLMembersAddedToGroupProtocol* membersAddedDelegate() const { return m_membersAddedDelegate.get(); }
    void setMembersAddedDelegate(PLMembersAddedToGroupProtocol* delegate) {
        m_membersAddedDelegate.set(delegate);
    }

    // Loads the invitees from the server.
    void configurePendingMembersAfterAddingAndRemovingMembers();
    QVariantList pendingMembers() const { return m_pendingMembersArray; }
    // Shows `invitees` as a successful load does: the list, its count in the title, the container told.
    void setPendingMembers(const QVariantList& invitees);
    void searchForMembersUsingSearchText(const QString& text);
    void searchCancelled();
    // The invitees whose "name" begins with `term`, case and accents exactly.
    QVariantList filteredMembersForSearchTerm(const QString& term) const;
    void invitePendingMemberViaSms(const QString& phone) override;
    void removePendingMember(const QString& name) override;
    void adjustTableViewContentInset();
    void registerToNotifications();
    void unRegisterToNotifications();

    // What the list holds now.
    bool isCurrentUserCreator() const { return m_isCurrentUserCreator; }
    QVariantList filteredMembersArray() const { return m_filteredMembersArray; }
    bool isFiltered() const { return m_isFiltered; }
    bool isPendingMembersLoaded() const { return m_isPendingMembersLoaded; }
    // Whether the table shows the one empty-state row: only after a load's answer, never while one
    // is under way.
    bool showsEmptyRow() const;
    QString searchText() const { return m_searchText; }
    bool isObservingKeyboard() const { return m_listTable.isObserving(); }
    platform::ui::TableView* pendingMembersTableView() const { return m_tableView; }

    // Table.
    int numberOfRowsInSection(platform::ui::TableView* table, int section) override;
    platform::ui::TableViewCell* cellForRowAtIndexPath(platform::ui::TableView* table,
                                                       const platform::ui::IndexPath& path) override;
    qreal heightForRowAtIndexPath(platform::ui::TableView* table,
                                  const platform::ui::IndexPath& path) override;

protected:
    QWidget* loadView() override;
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewDidDisappear(bool animated) override;

private:
    QVariantList shownMembers() const {
        return m_isFiltered ? m_filteredMembersArray : m_pendingMembersArray;
    }
    void reloadTable();

    platform::ui::WeakDelegate<PLMembersAddedToGroupProtocol> m_membersAddedDelegate;
    QString m_roomID;
    bool m_isCurrentUserCreator = false;
    QVariantList m_pendingMembersArray;
    QVariantList m_filteredMembersArray;
    QPointer<platform::ui::TableView> m_tableView;
    bool m_isFiltered = false;
    bool m_isPendingMembersLoaded = false;
    bool m_loading = false;
    QString m_searchText;
    PLMemberListTable m_listTable;
};

} // namespace pelnix
