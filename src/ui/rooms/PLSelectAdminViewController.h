#pragma once

#include "platform/ui/TableView.h"
#include "platform/ui/TableViewDataSource.h"
#include "platform/ui/TableViewDelegate.h"
#include "ui/account/PLBaseViewController.h"
#include "ui/rooms/PLAdminChangesProtocol.h"
#include "ui/rooms/PLDropDownSearchBar.h"
#include "ui/rooms/PLMemberListTable.h"
#include "ui/rooms/PLRoomMemberReference.h"
#include "ui/toolkit/PLCustomSearchDelegate.h"

#include <QMap>
#include <QPointer>
#include <memory>

namespace pelnix {

class ChatRoom;
class RoomMember;

// The first step of handing the admin role over ("PLSelectAdminViewController"): the room's other
// members in letter sections (the upper-cased first letter of the name, as a code point), names in
// case-sensitive order within a section, sections in case-insensitive order; members without a name or
// an e-mail address are left out. A drop-down search narrows the list by the start of a name or an
// e-mail address, case aside. A tap presents the confirmation (PLMakeAdminViewController); after a
// successful transfer the screen pops itself. Each row holds its own member, so two members that
// share a name and an address stay two rows, each choosing its own member. The room is held by its ID.
class PLSelectAdminViewController : public PLBaseViewController,
                                    public platform::ui::TableViewDataSource,
                                    public platform::ui::TableViewDelegate,
                                    public PLAdminChangesProtocol,
                                    public PLCustomSearchDelegate {
    Q_OBJECT
    Q_PROPERTY(QString roomId READ roomID WRITE setRoomID)
public:
    static inline const QString kIdentifier = QStringLiteral("PLSelectAdminViewController");
    static inline const QString kHeaderIdentifier = QStringLiteral("InviteHeaderViewIdentifier");
    static constexpr qreal kCellHeight = 64;
    static constexpr qreal kWidthConstant = 100;
    static constexpr qreal kTallEmailHeight = 20;
    static constexpr qreal kHeaderHeight = 28;

    // One row: the member with the name and address it is listed under.
    struct Entry {
        QString name;
        QString email;
        std::shared_ptr<RoomMember> member;
    };

    explicit PLSelectAdminViewController(QObject* parent = nullptr);
    ~PLSelectAdminViewController() override;

    void setCurrentRoom(const std::shared_ptr<ChatRoom>& room);
    std::shared_ptr<ChatRoom> currentRoom() const;
    QString roomID() const { return m_roomID; }
    void setRoomID(const QString& roomID) { m_roomID = roomID; }

    // The section letter of a name: its first code point, upper-cased.
    static QString sectionLetter(const QString& name);
    // Whether a member's name or e-mail address begins with `term`, case aside.
    static bool memberMatches(const std::shared_ptr<RoomMember>& member, const QString& term);
    // The row height for an e-mail address at a screen width.
    static qreal rowHeightForEmail(const QString& email, qreal screenWidth);

    void arrangeMembersIntoSections(const QList<std::shared_ptr<RoomMember>>& members);
    std::shared_ptr<RoomMember> memberForIndexPath(const platform::ui::IndexPath& path) const;
    std::shared_ptr<RoomMember> currentRoomAdmin() const;
    QList<std::shared_ptr<RoomMember>> filteredMembersForSearchTerm(const QString& term) const;
    void refreshTableViewToShowAllMembers();
    void singleSelectForAdminSelectionForIndexPath(const platform::ui::IndexPath& path);
    void makeAdminClicked();
    void adminChangeComplete() override;
    void searchInList();
    void searchTextFieldDidChange(PLCustomSearchTextField* textField) override;
    void searchViewCancelledSearch() override;

    // What the screen shows now.
    QList<std::shared_ptr<RoomMember>> allRoomMembers() const { return m_allRoomMembers; }
    QStringList contactsSectionTitles() const { return m_contactsSectionTitles; }
    // The names of a section, in row order.
    QStringList namesInSection(const QString& title) const;
    std::shared_ptr<RoomMember> selectedRoomMember() const { return m_selectedRoomMember.resolve(); }
    PLCustomSearchView* searchView() const { return m_searchBar ? m_searchBar->view() : nullptr; }
    bool isSearchBarShown() const { return m_searchBar && m_searchBar->isShown(); }
    bool isObservingKeyboard() const { return m_listTable.isObserving(); }
    platform::ui::TableView* adminSelectionTableView() const { return m_tableView; }

    // Table.
    int numberOfSectionsInTableView(platform::ui::TableView* table) override;
    int numberOfRowsInSection(platform::ui::TableView* table, int section) override;
    platform::ui::TableViewCell* cellForRowAtIndexPath(platform::ui::TableView* table,
                                                       const platform::ui::IndexPath& path) override;
    qreal heightForRowAtIndexPath(platform::ui::TableView* table,
                                  const platform::ui::IndexPath& path) override;
    qreal heightForHeaderInSection(platform::ui::TableView* table, int section) override;
    QWidget* viewForHeaderInSection(platform::ui::TableView* table, int section) override;
    void didSelectRowAtIndexPath(platform::ui::TableView* table,
                                 const platform::ui::IndexPath& path) override;

protected:
    QWidget* loadView() override;
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;

private:
    const Entry* entryAt(const platform::ui::IndexPath& path) const;

    QString m_roomID;
    QList<std::shared_ptr<RoomMember>> m_allRoomMembers;
    QStringList m_contactsSectionTitles;
    QMap<QString, QList<Entry>> m_sections;
    PLRoomMemberReference m_selectedRoomMember;
    QPointer<platform::ui::TableView> m_tableView;
    PLMemberListTable m_listTable{{}};
    std::unique_ptr<PLDropDownSearchBar> m_searchBar;
};

} // namespace pelnix
