#pragma once

#include "platform/ui/TableViewDataSource.h"
#include "platform/ui/TableViewDelegate.h"
#include "ui/account/PLBaseViewController.h"
#include "ui/contacts/PLContactsTableViewCellDelegate.h"
#include "ui/rooms/NewGroupMembers.h"

#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Button.h"
#include "platform/ui/TableView.h"

#include <QHash>
#include <QImage>
#include <QPointer>
#include <QSet>

namespace pelnix {

// The member list editor ("PLNewGroupMembersViewController", at the top of its navigation controller).
// Opened by the new group screen it edits that screen's own list in place and offers "add more"
// through the contact picker; opened by the contact picker it edits a copy and hands it back on Done.
// Every member may be removed.
class PLNewGroupMembersViewController : public PLBaseViewController,
                                        public platform::ui::TableViewDataSource,
                                        public platform::ui::TableViewDelegate,
                                        public PLContactsTableViewCellDelegate {
    Q_OBJECT
    Q_PROPERTY(QVariantList selectedContactsArray READ selectedContactsArray WRITE setSelectedContactsArray)
    Q_PROPERTY(bool shouldShowAddMoreMembersOption READ shouldShowAddMoreMembersOption WRITE
                   setShouldShowAddMoreMembersOption)
    Q_PROPERTY(QVariant editedGroupMembersCompletionHandler READ editedGroupMembersCompletionHandlerValue
                   WRITE setEditedGroupMembersCompletionHandlerValue)
public:
    static constexpr int kCellHeight = 64;
    static constexpr int kTallCellHeight = 76;
    static constexpr int kBottomViewHeight = 50;
    static inline const QString kIdentifier = QStringLiteral("PLNewGroupMembersViewController");

    explicit PLNewGroupMembersViewController(QObject* parent = nullptr);
    ~PLNewGroupMembersViewController() override;

    // The list edited in place (the new group screen's own).
    void setSharedMembers(NewGroupMemberList members);
    NewGroupMemberList sharedMembers() const { return m_members; }
    QVariantList selectedContactsArray() const { return *m_members; }
    // A list of the editor's own (the picker's copy).
    void setSelectedContactsArray(const QVariantList& contacts);
    bool shouldShowAddMoreMembersOption() const { return m_shouldShowAddMoreMembersOption; }
    void setShouldShowAddMoreMembersOption(bool show) { m_shouldShowAddMoreMembersOption = show; }
    void setEditedGroupMembersCompletionHandler(NewGroupMembersHandler handler) {
        m_handler = std::move(handler);
    }
    QVariant editedGroupMembersCompletionHandlerValue() const { return QVariant::fromValue(m_handler); }
    void setEditedGroupMembersCompletionHandlerValue(const QVariant& handler) {
        m_handler = handler.value<NewGroupMembersHandler>();
    }

    platform::ui::TableView* contactsTableView() const { return m_contactsTableView; }
    QWidget* bottomView() const { return m_bottomView; }
    platform::ui::Button* moreMembersButton() const { return m_moreMembersButton; }

    void addMoreMembers();
    void doneButtonClicked();
    void cancelButtonClicked();
    // The contact picker's answer in add-more mode: appended after the current rows.
    Q_INVOKABLE void contactViewControllerAddedContacts(QObject* picker, const QVariantList& contacts);
    void removeMemberFromContactCell(PLContactsTableViewCell* cell) override;

    // The row height of a member: 76 when its detail line needs more than one line, else 64.
    qreal heightForMember(const QVariant& member, int width) const;
    // The address-book photos read for the rows so far (they arrive off the main thread).
    QHash<qint32, QImage> bookThumbnails() const { return m_bookThumbnails; }

    int numberOfRowsInSection(platform::ui::TableView* table, int section) override;
    platform::ui::TableViewCell* cellForRowAtIndexPath(platform::ui::TableView* table,
                                                       const platform::ui::IndexPath& path) override;
    qreal heightForRowAtIndexPath(platform::ui::TableView* table,
                                  const platform::ui::IndexPath& path) override;

protected:
    QWidget* loadView() override;
    void viewDidLoad() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void layoutPage();
    // Asks, once per person, for the photo of an address-book row; asks come together in one read.
    void askForBookThumbnail(qint32 recordID);
    void readAskedBookThumbnails();

    NewGroupMemberList m_members = std::make_shared<QVariantList>();
    bool m_shouldShowAddMoreMembersOption = false;
    NewGroupMembersHandler m_handler;
    QPointer<platform::ui::TableView> m_contactsTableView;
    QPointer<QWidget> m_bottomView;
    QPointer<platform::ui::Button> m_moreMembersButton;
    QHash<qint32, QImage> m_bookThumbnails;
    QSet<qint32> m_bookThumbnailsAsked;
    QSet<qint32> m_bookThumbnailsToAsk;
};

} // namespace pelnix
