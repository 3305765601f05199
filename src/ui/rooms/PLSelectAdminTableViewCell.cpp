#include "ui/rooms/PLSelectAdminTableViewCell.h"

#include "core/model/RoomMember.h"
#include "core/model/User.h"
#include "foundation/ui/ButtonAdditions.h"
#include "foundation/ui/CustomFontRegistration.h"
#include "foundation/ui/ImageAdditions.h"
#include "platform/ui/ImageViewWebCache.h"
#include "ui/rooms/RoomsTexts.h"
#include "ui/toolkit/PLRoundImageView.h"

#include <QStyle>

namespace pelnix {

using platform::ui::Label;

PLSelectAdminTableViewCell::PLSelectAdminTableViewCell(QWidget* parent)
    : TableViewCell(Style::Default, cellIdentifier(), parent) {
    m_iconImageView = new PLRoundImageView(contentView());
    m_iconImageView->setObjectName(QStringLiteral("iconImageView"));
    m_iconImageView->resize(kPictureSide, kPictureSide);
    m_iconImageView->awakeFromNib();
    m_nameLabel = new Label(QString(), contentView());
    m_nameLabel->setObjectName(QStringLiteral("nameLabel"));
    m_nameLabel->setFont(CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans"), 15));
    m_nameLabel->setTextColor(QColor(64, 64, 64));
    m_emailLabel = new Label(QString(), contentView());
    m_emailLabel->setObjectName(QStringLiteral("emailLabel"));
    m_emailLabel->setFont(CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans"), 12));
    m_emailLabel->setTextColor(QColor(128, 128, 128));
    m_emailLabel->setNumberOfLines(0);
    m_emailLabel->setAlignsTop(true);
    m_adminLabel = new Label(RoomsTexts::localized("Admin"), contentView());
    m_adminLabel->setObjectName(QStringLiteral("adminLabel"));
    m_adminLabel->setFont(CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans"), 12));
    m_adminLabel->setTextColor(QColor(0x25, 0xa5, 0x49));
    m_adminLabel->hide();
    ButtonAdditions::setCustomHighlightColor(this);
}

void PLSelectAdminTableViewCell::showDetailsOfMember(const std::shared_ptr<RoomMember>& member) {
    const auto user = member ? member->user() : nullptr;
    m_nameLabel->setText(user ? user->profileName() : QString());
    m_emailLabel->setText(user ? user->email() : QString());
    const QString url = user ? user->imageUrl() : QString();
    const QImage placeholder = ImageAdditions::loadImageNamed(QStringLiteral("tempProfileImage"));
    if (!url.isEmpty())
        platform::ui::ImageViewWebCache::pl_setImageWithURL(m_iconImageView, QUrl(url), placeholder);
    else
        m_iconImageView->setImage(placeholder);
    m_adminLabel->setVisible(member && member->isCreator());
    layoutSubviews();
}

void PLSelectAdminTableViewCell::layoutSubviews() {
    TableViewCell::layoutSubviews();
    if (!m_adminLabel)
        return;
    const QRect bounds = contentView()->rect();
    const int w = bounds.width();
    const int h = bounds.height();
    auto place = [&](QWidget* view, const QRect& rect) {
        view->setGeometry(QStyle::visualRect(layoutDirection(), bounds, rect));
    };
    place(m_iconImageView, QRect(kMargin, (h - kPictureSide) / 2, kPictureSide, kPictureSide));
    const int left = kMargin + kPictureSide + kMargin;
    const int adminWidth = m_adminLabel->isHidden() ? 0 : 50;
    const int width = qMax(0, w - left - kMargin - adminWidth);
    place(m_nameLabel, QRect(left, 10, width, 20));
    place(m_emailLabel, QRect(left, 32, width, qMax(0, h - 32 - 6)));
    place(m_adminLabel, QRect(w - kMargin - adminWidth, 10, adminWidth, 20));
}

} // namespace pelnix
