#pragma once

#include "core/model/PLAddressBookContact.h"
#include "interface/PLPelnixContact.h"
#include "platform/ui/TableViewCell.h"
#include "platform/ui/WeakDelegate.h"
#include "ui/contacts/PLContactsTableViewCellDelegate.h"

#include <QImage>
#include <QLoggingCategory>
#include <functional>
#include <memory>

namespace pelnix {

Q_DECLARE_LOGGING_CATEGORY(lcContactCells)

class PLCustomSeparatorView;
class PLRoundImageView;
class RoomMember;
class User;

namespace platform::ui {
class AlertView;
class Button;
class ImageView;
class Label;
} // namespace platform::ui

// One person in a people list: round avatar, name, the e-mail address (else the phone number) aligned
// to the top under it, a selection mark, and the bottom line. Serves the contact picker, the new
// group's member list (which also shows the remove button) and admin selection.
//
// Address-book thumbnails are read at once; users' pictures load in the background over the
// placeholder, and a reused row never shows the picture of the row it showed before.
class PLContactsTableViewCell : public platform::ui::TableViewCell {
    Q_OBJECT
public:
    static constexpr int kAvatarSide = 40;
    static constexpr int kTextLeft = 65;
    static constexpr int kMarkSide = 22;
    // The bundle images of the placeholder avatar and of the selection mark.
    static inline const QString kPlaceholderImageName = QStringLiteral("tempProfileImage");
    static inline const QString kSelectionImageName = QStringLiteral("select_address_book");

    // Where address-book thumbnails come from (by record ID); the address book helper by default.
    using ThumbnailSource = std::function<QImage(qint32 recordID)>;

    explicit PLContactsTableViewCell(const QString& reuseIdentifier = {}, QWidget* parent = nullptr);
    ~PLContactsTableViewCell() override;

    PLContactsTableViewCellDelegate* delegate() const { return m_delegate.get(); }
    void setDelegate(PLContactsTableViewCellDelegate* delegate) { m_delegate.set(delegate); }
    void setThumbnailSource(ThumbnailSource source) { m_thumbnails = std::move(source); }

    PLRoundImageView* contactImageView() const { return m_contactImageView; }
    platform::ui::Label* nameLabel() const { return m_nameLabel; }
    platform::ui::Label* emailLabel() const { return m_emailLabel; }
    platform::ui::ImageView* contactSelectionImageView() const { return m_contactSelectionImageView; }
    PLCustomSeparatorView* separatorView() const { return m_separatorView; }
    platform::ui::Button* removeButton() const { return m_removeButton; }
    // The remove button takes the selection mark's place (member lists); hidden by default.
    void setRemoveButtonVisible(bool visible);

    void awakeFromNib();
    void prepareForReuse() override;

    // An address-book entry (its thumbnail when the book has one) or a typed address.
    void configureCellWithAddressBookContact(const PLAddressBookContact& contact);
    // A contact of the host: never an address-book thumbnail.
    void configureCellWithAddressBookContact(const PLPelnixContact& contact);
    void configureCellWithUser(const std::shared_ptr<User>& user);
    // As for its user, but a member without a picture keeps the avatar the row shows.
    void configureCellWithRoomMember(const std::shared_ptr<RoomMember>& member);

    void showContactAsSelected(bool selected);
    bool isShownAsSelected() const { return m_shownAsSelected; }

    // The remove button's action.
    void removeMember();
    // For an alert a list shows about this row: any button but the cancel button asks for removal.
    void alertViewClickedButtonAtIndex(platform::ui::AlertView* alert, int buttonIndex);

    void setHighlighted(bool highlighted) override;
    void setSelected(bool selected, bool animated = false) override;

    // Whether a user's picture is still loading (tests).
    bool isLoadingPicture() const;

protected:
    void layoutSubviews() override;

private:
    void fillTexts(const QString& name, const QString& detail);
    void showPlaceholder();
    void loadPicture(const QString& url);
    void cancelPicture();
    void keepSeparatorVisible();

    platform::ui::WeakDelegate<PLContactsTableViewCellDelegate> m_delegate;
    ThumbnailSource m_thumbnails;
    PLRoundImageView* m_contactImageView = nullptr;
    platform::ui::Label* m_nameLabel = nullptr;
    platform::ui::Label* m_emailLabel = nullptr;
    platform::ui::ImageView* m_contactSelectionImageView = nullptr;
    PLCustomSeparatorView* m_separatorView = nullptr;
    platform::ui::Button* m_removeButton = nullptr;
    bool m_shownAsSelected = false;
};

} // namespace pelnix
