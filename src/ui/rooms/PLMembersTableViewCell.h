#pragma once

#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/TableViewCell.h"
#include "platform/ui/WeakDelegate.h"
#include "ui/rooms/PLMembersCellDelegate.h"
#include "ui/rooms/PLRoomMemberReference.h"

#include <QPointer>
#include <memory>

namespace pelnix {

// The row of both member lists: a member of the room ("You" for the signed-in user) with the admin
// badge and, for the admin, a remove button; an invitee with the icon of the address kind and an
// invitation button; or the Pending list's empty-state text. Removal asks for confirmation and checks
// the network before and after it. The member is held by its IDs, the delegate weakly.
class PLMembersTableViewCell : public platform::ui::TableViewCell {
    Q_OBJECT
public:
    static constexpr char kActiveIdentifier[] = "ActiveMembersCell";
    static constexpr char kActiveIdentifierRTL[] = "ActiveMembersCellRToL";
    static constexpr char kPendingIdentifier[] = "PendingMemberCell";
    static constexpr char kPendingIdentifierRTL[] = "PendingMemberCellRToL";
    static constexpr qreal kRowHeight = 50;
    static constexpr int kMargin = 15;
    static constexpr int kIconSide = 20;
    static constexpr int kIconGap = 10;
    static constexpr int kRemoveSide = 44;
    static constexpr int kInviteWidth = 70;
    static constexpr int kAdminWidth = 50;

    explicit PLMembersTableViewCell(const QString& reuseIdentifier = QString::fromLatin1(kActiveIdentifier),
                                    QWidget* parent = nullptr);

    PLMembersCellDelegate* delegate() const { return m_delegate.get(); }
    void setDelegate(PLMembersCellDelegate* delegate) { m_delegate.set(delegate); }
    // The member of an Active row while the store holds it.
    std::shared_ptr<RoomMember> member() const { return m_member.resolve(); }
    PLRoomMemberReference memberReference() const { return m_member; }

    void configureCellWithMember(const std::shared_ptr<RoomMember>& member, bool isAdmin, bool isCurrentUser,
                                 bool isCurrentUserIsAdmin);
    void configureCellWithName(const QString& name, const QString& type, bool isAdmin);
    void configureCellForEmptyPendingMembers();
    // Hides (true) or shows the invitation and remove buttons and the icon; hiding also lays the
    // text out across the whole row, centred.
    void resetCellForMembers(bool empty);

    void inviteButtonClicked();
    void closeButtonClicked();
    // The confirmation's answer: 0 "Yes", 1 "No".
    void alertViewClickedButtonAtIndex(int index);

    // The row's whole text; the label shows it shortened with an ellipsis when it does not fit.
    QString rowText() const { return m_rowText; }
    platform::ui::Label* emailLabel() const { return m_emailLabel; }
    platform::ui::Label* adminLabel() const { return m_adminLabel; }
    platform::ui::Button* inviteButton() const { return m_inviteButton; }
    platform::ui::Button* closeButton() const { return m_closeButton; }
    platform::ui::ImageView* emailImageview() const { return m_emailImageview; }
    // The bundle image on the icon ("" when none).
    QString iconName() const { return m_iconName; }
    bool isEmptyState() const { return m_emptyState; }

    void prepareForReuse() override;

protected:
    void layoutSubviews() override;

private:
    void setRowText(const QString& text);
    void fitRowText();

    platform::ui::WeakDelegate<PLMembersCellDelegate> m_delegate;
    PLRoomMemberReference m_member;
    QPointer<platform::ui::Label> m_emailLabel;
    QPointer<platform::ui::Label> m_adminLabel;
    QPointer<platform::ui::Button> m_inviteButton;
    QPointer<platform::ui::Button> m_closeButton;
    QPointer<platform::ui::ImageView> m_emailImageview;
    QString m_iconName;
    QString m_rowText;
    QString m_inviteeName;
    bool m_pendingRow = false;
    bool m_emptyState = false;
    // A non-admin's invitee row: the text takes the buttons' room.
    bool m_wideLabel = false;
};

} // namespace pelnix
