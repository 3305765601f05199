#include "ui/contacts/PLContactsTableViewCell.h"

#include "core/model/PLAddressBookHelper.h"
#include "core/model/RoomMember.h"
#include "core/model/User.h"
#include "foundation/ui/ButtonAdditions.h"
#include "foundation/ui/CustomColors.h"
#include "foundation/ui/CustomFontRegistration.h"
#include "foundation/ui/ImageAdditions.h"
#include "foundation/ui/LabelAdditions.h"
#include "platform/Log.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/ImageViewWebCache.h"
#include "platform/ui/Label.h"
#include "ui/toolkit/PLCustomSeparatorView.h"
#include "ui/toolkit/PLRoundImageView.h"

#include <QStyle>
#include <QUrl>

Q_LOGGING_CATEGORY(pelnix::lcContactCells, "pelnix.ui.contacts.cells", QtWarningMsg)

namespace pelnix {

using platform::ui::Button;
using platform::ui::ImageView;
namespace ImageViewWebCache = platform::ui::ImageViewWebCache;
using platform::ui::Label;

namespace {
constexpr int kRightMargin = 13;
constexpr int kNameTop = 11;
constexpr int kNameHeight = 20;
constexpr int kDetailTop = 32;

const QImage& placeholderImage() {
    static const QImage image =
        ImageAdditions::loadImageNamed(PLContactsTableViewCell::kPlaceholderImageName);
    return image;
}

QImage bookThumbnail(qint32 recordID) {
    return PLAddressBookHelper::thumbImageForAddressBookUserWithID(recordID);
}
} // namespace

PLContactsTableViewCell::PLContactsTableViewCell(const QString& reuseIdentifier, QWidget* parent)
    : TableViewCell(Style::Default, reuseIdentifier, parent), m_thumbnails(bookThumbnail) {
    QWidget* content = contentView();
    m_contactImageView = new PLRoundImageView(content);
    m_contactImageView->setObjectName(QStringLiteral("contactImageView"));
    m_contactImageView->resize(kAvatarSide, kAvatarSide);
    m_nameLabel = new Label(QString(), content);
    m_nameLabel->setObjectName(QStringLiteral("nameLabel"));
    m_nameLabel->setFont(CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans"), 15));
    m_nameLabel->setTextColor(CustomColors::customTextColor());
    m_emailLabel = new Label(QString(), content);
    m_emailLabel->setObjectName(QStringLiteral("emailLabel"));
    m_emailLabel->setFont(CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans"), 12));
    m_emailLabel->setTextColor(QColor(0x80, 0x80, 0x80));
    m_emailLabel->setNumberOfLines(0);
    m_emailLabel->setAlignsTop(true);
    m_contactSelectionImageView = new ImageView(content);
    m_contactSelectionImageView->setObjectName(QStringLiteral("contactSelectionImageView"));
    m_contactSelectionImageView->setContentMode(ImageView::ContentMode::ScaleAspectFit);
    m_removeButton = new Button(content);
    m_removeButton->setObjectName(QStringLiteral("removeButton"));
    m_removeButton->setTitle(QStringLiteral("\u2715"));
    m_removeButton->setTitleFont(CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans"), 15));
    m_removeButton->setTitleColor(QColor(0x99, 0x99, 0x99));
    m_removeButton->setFocusPolicy(Qt::NoFocus);
    m_removeButton->hide();
    connect(m_removeButton, &Button::clicked, this, &PLContactsTableViewCell::removeMember);
    m_separatorView = new PLCustomSeparatorView(this);
    m_separatorView->setObjectName(QStringLiteral("separatorView"));
    awakeFromNib();
}

PLContactsTableViewCell::~PLContactsTableViewCell() = default;

void PLContactsTableViewCell::awakeFromNib() {
    ButtonAdditions::setCustomHighlightColor(this);
    m_contactImageView->awakeFromNib();
    showPlaceholder();
}

void PLContactsTableViewCell::setRemoveButtonVisible(bool visible) {
    m_removeButton->setVisible(visible);
    m_contactSelectionImageView->setVisible(!visible);
}

void PLContactsTableViewCell::prepareForReuse() {
    TableViewCell::prepareForReuse();
    cancelPicture();
    showPlaceholder();
}

void PLContactsTableViewCell::configureCellWithAddressBookContact(const PLAddressBookContact& contact) {
    fillTexts(contact.profileName, contact.email.isEmpty() ? contact.phone : contact.email);
    cancelPicture();
    showPlaceholder();
    // Typed addresses carry no record; the book never gives a person the record ID 0.
    if (contact.recordID != 0 && m_thumbnails) {
        const QImage thumbnail = m_thumbnails(contact.recordID);
        if (!thumbnail.isNull())
            m_contactImageView->setImage(thumbnail);
    }
}

void PLContactsTableViewCell::configureCellWithAddressBookContact(const PLPelnixContact& contact) {
    fillTexts(contact.profileName, contact.email.isEmpty() ? contact.phone : contact.email);
    cancelPicture();
    showPlaceholder();
}

void PLContactsTableViewCell::configureCellWithUser(const std::shared_ptr<User>& user) {
    fillTexts(user ? user->profileName() : QString(), user ? user->email() : QString());
    cancelPicture();
    showPlaceholder();
    if (user && !user->imageUrl().isNull())
        loadPicture(user->imageUrl());
}

void PLContactsTableViewCell::configureCellWithRoomMember(const std::shared_ptr<RoomMember>& member) {
    const auto user = member ? member->user() : nullptr;
    fillTexts(user ? user->profileName() : QString(), user ? user->email() : QString());
    if (user && !user->imageUrl().isNull())
        loadPicture(user->imageUrl());
}

void PLContactsTableViewCell::showContactAsSelected(bool selected) {
    m_shownAsSelected = selected;
    m_contactSelectionImageView->setImage(selected ? ImageAdditions::loadImageNamed(kSelectionImageName)
                                                   : QImage());
}

void PLContactsTableViewCell::removeMember() {
    if (auto* d = delegate())
        d->removeMemberFromContactCell(this);
}

void PLContactsTableViewCell::alertViewClickedButtonAtIndex(platform::ui::AlertView* alert, int buttonIndex) {
    if (alert && buttonIndex == alert->cancelButtonIndex())
        return;
    removeMember();
}

void PLContactsTableViewCell::setHighlighted(bool highlighted) {
    TableViewCell::setHighlighted(highlighted);
    keepSeparatorVisible();
}

void PLContactsTableViewCell::setSelected(bool selected, bool animated) {
    TableViewCell::setSelected(selected, animated);
    keepSeparatorVisible();
}

void PLContactsTableViewCell::layoutSubviews() {
    TableViewCell::layoutSubviews();
    const Qt::LayoutDirection direction = layoutDirection();
    const QRect content = contentView()->rect();
    const auto place = [&](QWidget* view, const QRect& rect) {
        view->setGeometry(QStyle::visualRect(direction, content, rect));
    };
    const int textWidth = qMax(0, content.width() - int(kTextLeft) - kRightMargin - kMarkSide - 8);
    place(m_contactImageView, QRect(15, (content.height() - kAvatarSide) / 2, kAvatarSide, kAvatarSide));
    place(m_nameLabel, QRect(kTextLeft, kNameTop, textWidth, kNameHeight));
    place(m_emailLabel, QRect(kTextLeft, kDetailTop, textWidth, m_emailLabel->height()));
    LabelAdditions::verticallyAlignText(m_emailLabel);
    const QRect mark(content.width() - kRightMargin - kMarkSide, (content.height() - kMarkSide) / 2,
                     kMarkSide, kMarkSide);
    place(m_contactSelectionImageView, mark);
    place(m_removeButton, mark.adjusted(-6, -6, 6, 6));
    m_separatorView->setGeometry(
        QStyle::visualRect(direction, rect(), QRect(kTextLeft, height() - 1, width() - kTextLeft, 1)));
    m_separatorView->raise();
}

void PLContactsTableViewCell::fillTexts(const QString& name, const QString& detail) {
    m_nameLabel->setText(name);
    m_emailLabel->setText(detail);
    LabelAdditions::verticallyAlignText(m_emailLabel);
}

void PLContactsTableViewCell::showPlaceholder() {
    m_contactImageView->setImage(placeholderImage());
}

void PLContactsTableViewCell::loadPicture(const QString& url) {
    ImageViewWebCache::pl_setImageWithURL(
        m_contactImageView, QUrl(url), placeholderImage(), 0,
        [](const QImage&, const PLOptionalError& error, int, const QUrl& loaded) {
            if (error)
                qCDebug(lcContactCells).noquote()
                    << "no picture from" << platform::Log::address(loaded) << error->code;
        });
}

void PLContactsTableViewCell::cancelPicture() {
    ImageViewWebCache::pl_cancelCurrentImageLoad(m_contactImageView);
}

bool PLContactsTableViewCell::isLoadingPicture() const {
    return ImageViewWebCache::isLoading(m_contactImageView);
}

void PLContactsTableViewCell::keepSeparatorVisible() {
    m_separatorView->raise();
    m_separatorView->update();
}

} // namespace pelnix
