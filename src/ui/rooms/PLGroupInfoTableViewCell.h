#pragma once

#include "platform/ui/AlertView.h"
#include "platform/ui/TableViewCell.h"
#include "platform/ui/WeakDelegate.h"
#include "ui/rooms/PLGroupInfoTableViewCellDelegate.h"

#include <QImage>
#include <QPointer>

namespace pelnix {

class PLRoundImageView;

namespace platform::ui {
class Button;
class ImageView;
class Label;
class Switch;
class TapGestureRecognizer;
class TextField;
} // namespace platform::ui

// The one cell class of group information, in four variants chosen by its reuse identifier: the cover
// ("CoverImageCell": picture, name, member line, edit and change-picture buttons), a plain row
// ("GroupInfoCell": icon, title, optional switch), the admin row ("AdminInfoCell": picture, name,
// change-admin button) and the name editor ("EditGroupNameCell": field and counter). The last three
// also come mirrored under the identifier followed by "RToL".
//
// The cell confirms a switch change itself before it tells its delegate; without network the switch
// goes back at once and the delegate hears nothing.
class PLGroupInfoTableViewCell : public platform::ui::TableViewCell {
    Q_OBJECT
public:
    enum class Variant { Cover, Field, Admin, EditName };
    // Which switch a field row carries.
    enum CellType : qint64 { NoSwitch = 0, AdminOnlySwitch = 1, HideMemberSwitch = 2 };

    static constexpr int kMaxNameLength = 20;
    static constexpr int kPictureSide = 120;
    static constexpr int kAdminPictureSide = 44;
    static inline const QString kCoverIdentifier = QStringLiteral("CoverImageCell");
    static inline const QString kFieldIdentifier = QStringLiteral("GroupInfoCell");
    static inline const QString kAdminIdentifier = QStringLiteral("AdminInfoCell");
    static inline const QString kEditNameIdentifier = QStringLiteral("EditGroupNameCell");
    static inline const QString kRightToLeftSuffix = QStringLiteral("RToL");

    explicit PLGroupInfoTableViewCell(const QString& reuseIdentifier, QWidget* parent = nullptr);
    ~PLGroupInfoTableViewCell() override;

    Variant variant() const { return m_variant; }
    bool isRightToLeft() const { return m_rightToLeft; }

    PLGroupInfoTableViewCellDelegate* delegate() const { return m_delegate.get(); }
    void setDelegate(PLGroupInfoTableViewCellDelegate* delegate) { m_delegate.set(delegate); }
    qint64 groupInfoCellType() const { return m_cellType; }
    void setGroupInfoCellType(qint64 type) { m_cellType = type; }

    // The cover.
    void configureGroupCoverCell(const QString& name, quint64 totalMembers, const QString& membersInfo,
                                 const QString& imageURL, bool isEditing, const QImage& image,
                                 bool shouldRemoveGroupIcon, bool isCurrentUserAdmin);
    // A plain row: title and the bundle icon of that name.
    void configureGroupFieldCell(const QString& displayName, const QString& imageName);
    // The name editor: `text` as the field's placeholder or as its text.
    void configureEditGroupNameCell(const QString& text, bool isPlaceHolderText);
    void showStateSwitch(bool show);
    void setSwitchState(bool on, bool animated);
    // The admin row: "You" and the change-admin button for the admin, else the name.
    void showAdmin(const QString& name, const QString& imageURL, bool isAdmin);
    // The picture the cover shows now.
    QImage currentGroupImage() const;

    // The name editor's rule: whether replacing `length` units at `start` by `replacement` keeps the
    // name within 20 UTF-16 units; when it does, the counter shows the new length.
    bool shouldChangeCharacters(int start, int length, const QString& replacement);

    // Actions (what the buttons, the switch and the picture's tap run).
    void changeAdminClicked();
    void changeGroupIcon();
    void editGroupInfo();
    void switchStateChanged();

    platform::ui::Label* groupNameLabel() const { return m_groupNameLabel; }
    platform::ui::Label* groupMembersLabel() const { return m_groupMembersLabel; }
    PLRoundImageView* groupIconImageView() const { return m_groupIconImageView; }
    platform::ui::Button* changeIconButton() const { return m_changeIconButton; }
    platform::ui::Button* editGroupInfoButton() const { return m_editGroupInfoButton; }
    platform::ui::TapGestureRecognizer* groupImageTapGesture() const { return m_groupImageTapGesture; }
    platform::ui::Label* infoFieldLabel() const { return m_infoFieldLabel; }
    platform::ui::ImageView* iconImageView() const { return m_iconImageView; }
    platform::ui::Switch* stateSwitch() const { return m_stateSwitch; }
    PLRoundImageView* adminIcon() const { return m_adminIcon; }
    platform::ui::Label* adminName() const { return m_adminName; }
    platform::ui::Button* changeAdminButton() const { return m_changeAdminButton; }
    platform::ui::TextField* groupNameTextField() const { return m_groupNameTextField; }
    platform::ui::Label* counterTextLabel() const { return m_counterTextLabel; }
    // The switch confirmation while it is up.
    platform::ui::AlertView* confirmation() const {
        return m_confirmation && m_confirmation->isShown() ? m_confirmation.data() : nullptr;
    }

    void setHighlighted(bool highlighted) override;

protected:
    void layoutSubviews() override;

private:
    void awakeFromNib();
    void buildCover();
    void buildField();
    void buildAdmin();
    void buildEditName();
    void groupIconTapHandler();
    void confirmationAnswered(int buttonIndex);
    void groupInfoTextChanged(const QString& text);
    void setCounter(qsizetype length);
    // Whether the row lays out right to left: the mirrored cell, or any in a list right to left.
    bool isMirrored() const;
    // Mirrors a rectangle laid out left to right for a right-to-left row.
    QRect placed(const QRect& leftToRight) const;

    Variant m_variant = Variant::Field;
    bool m_rightToLeft = false;
    QColor m_restingSeparatorColor;
    platform::ui::WeakDelegate<PLGroupInfoTableViewCellDelegate> m_delegate;
    qint64 m_cellType = NoSwitch;

    PLRoundImageView* m_groupIconImageView = nullptr;
    platform::ui::Button* m_changeIconButton = nullptr;
    platform::ui::Label* m_groupNameLabel = nullptr;
    platform::ui::Label* m_groupMembersLabel = nullptr;
    platform::ui::Button* m_editGroupInfoButton = nullptr;
    platform::ui::TapGestureRecognizer* m_groupImageTapGesture = nullptr;

    platform::ui::ImageView* m_iconImageView = nullptr;
    platform::ui::Label* m_infoFieldLabel = nullptr;
    platform::ui::Switch* m_stateSwitch = nullptr;

    PLRoundImageView* m_adminIcon = nullptr;
    platform::ui::Label* m_adminName = nullptr;
    platform::ui::Button* m_changeAdminButton = nullptr;

    platform::ui::TextField* m_groupNameTextField = nullptr;
    platform::ui::Label* m_counterTextLabel = nullptr;

    QPointer<platform::ui::AlertView> m_confirmation;
    qsizetype m_nameLength = 0;
};

} // namespace pelnix
