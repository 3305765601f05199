#include "ui/conversation/PLContactDetailCell.h"

#include "foundation/ui/ButtonAdditions.h"
#include "foundation/ui/CustomFontRegistration.h"
#include "foundation/ui/ImageAdditions.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "ui/toolkit/Geometry.h"

#include <QLocale>

namespace pelnix {

using platform::ui::ImageView;
using platform::ui::Label;

PLContactDetailCell::PLContactDetailCell(QWidget* parent)
    : TableViewCell(Style::Default, reuseIdentifierForLocale(), parent),
      m_fieldTypeImageView(new ImageView(contentView())), m_typeLabel(new Label({}, contentView())),
      m_emailOrPhoneLabel(new Label({}, contentView())),
      m_selectionStateImageView(new ImageView(contentView())) {
    m_fieldTypeImageView->setObjectName(QStringLiteral("fieldTypeImageView"));
    m_fieldTypeImageView->setContentMode(ImageView::ContentMode::ScaleAspectFit);
    m_typeLabel->setObjectName(QStringLiteral("typeLabel"));
    m_typeLabel->setFont(CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans"), 12));
    m_typeLabel->setTextColor(QColor(0, 134, 202));
    m_emailOrPhoneLabel->setObjectName(QStringLiteral("emailOrPhoneLabel"));
    m_emailOrPhoneLabel->setFont(CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans"), 15));
    m_emailOrPhoneLabel->setTextColor(QColor(0x22, 0x22, 0x22));
    m_selectionStateImageView->setObjectName(QStringLiteral("selectionStateImageView"));
    m_selectionStateImageView->setContentMode(ImageView::ContentMode::ScaleAspectFit);
    ButtonAdditions::setCustomHighlightColor(this);
}

QString PLContactDetailCell::reuseIdentifierForLocale() {
    return QLocale().textDirection() == Qt::RightToLeft ? QStringLiteral("%1RTL").arg(kIdentifier)
                                                        : kIdentifier;
}

void PLContactDetailCell::configureWithEmailOrPhone(const QString& value, const QString& typeLabel,
                                                    int contactDetailType) {
    m_emailOrPhoneLabel->setText(value);
    m_typeLabel->setText(typeLabel);
    m_fieldTypeImageView->setImage(ImageAdditions::loadImageNamed(
        contactDetailType != Email ? QStringLiteral("phoneIcon") : QStringLiteral("emailIcon")));
}

void PLContactDetailCell::showContactAsSelected(bool selected) {
    m_shownSelected = selected;
    m_selectionStateImageView->setImage(
        selected ? ImageAdditions::loadImageNamed(QStringLiteral("select_address_book")) : QImage());
}

// Icon, texts and tick from the leading edge, in the row's own direction.
void PLContactDetailCell::layoutSubviews() {
    TableViewCell::layoutSubviews();
    const int width = contentView()->width();
    const int height = contentView()->height();
    Geometry::placeInReadingOrder(m_fieldTypeImageView, QRect(15, (height - 22) / 2, 22, 22));
    const int textWidth = qMax(0, width - 52 - 48);
    Geometry::placeInReadingOrder(m_typeLabel, QRect(52, 9, textWidth, 16));
    Geometry::placeInReadingOrder(m_emailOrPhoneLabel, QRect(52, 27, textWidth, 22));
    Geometry::placeInReadingOrder(m_selectionStateImageView,
                                  QRect(width - 15 - 26, (height - 26) / 2, 26, 26));
    const Qt::Alignment leading = Geometry::leadingAlignment(contentView()->isRightToLeft());
    m_typeLabel->setAlignment(leading);
    m_emailOrPhoneLabel->setAlignment(leading);
}

} // namespace pelnix
