#include "ui/contacts/PLNewlyAddedContactTableViewCell.h"

#include "foundation/ui/CustomColors.h"
#include "foundation/ui/CustomFontRegistration.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "ui/toolkit/PLCustomSeparatorView.h"

#include <QStyle>

namespace pelnix {

using platform::ui::Button;
using platform::ui::Label;

namespace {
constexpr int kLeft = 15;
constexpr int kButtonSide = 34;
} // namespace

PLNewlyAddedContactTableViewCell::PLNewlyAddedContactTableViewCell(const QString& reuseIdentifier,
                                                                   QWidget* parent)
    : TableViewCell(Style::Default, reuseIdentifier, parent) {
    setSelectionStyle(SelectionStyle::None);
    m_emailOrPhoneLabel = new Label(QString(), contentView());
    m_emailOrPhoneLabel->setObjectName(QStringLiteral("emailOrPhoneLabel"));
    m_emailOrPhoneLabel->setFont(CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans"), 15));
    m_emailOrPhoneLabel->setTextColor(CustomColors::customTextColor());
    m_removeButton = new Button(contentView());
    m_removeButton->setObjectName(QStringLiteral("removeButton"));
    m_removeButton->setTitle(QStringLiteral("\u2715"));
    m_removeButton->setTitleFont(CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans"), 15));
    m_removeButton->setTitleColor(CustomColors::pelnixBlueColor());
    m_removeButton->setFocusPolicy(Qt::NoFocus);
    connect(m_removeButton, &Button::clicked, this, &PLNewlyAddedContactTableViewCell::removeContact);
    m_separatorView = new PLCustomSeparatorView(this);
    m_separatorView->setObjectName(QStringLiteral("separatorView"));
}

void PLNewlyAddedContactTableViewCell::configureWithEmailOrPhone(
    const QString& emailOrPhone, PLNewlyAddedContactTableViewCellDelegate* delegate) {
    m_emailOrPhoneLabel->setText(emailOrPhone);
    m_delegate.set(delegate);
}

void PLNewlyAddedContactTableViewCell::removeContact() {
    if (auto* d = delegate())
        d->newlyAddedContactRemovedFromCell(this);
}

void PLNewlyAddedContactTableViewCell::setHighlighted(bool highlighted) {
    TableViewCell::setHighlighted(highlighted);
    m_separatorView->raise();
    m_separatorView->update();
}

void PLNewlyAddedContactTableViewCell::setSelected(bool selected, bool animated) {
    TableViewCell::setSelected(selected, animated);
    m_separatorView->raise();
    m_separatorView->update();
}

void PLNewlyAddedContactTableViewCell::layoutSubviews() {
    TableViewCell::layoutSubviews();
    const Qt::LayoutDirection direction = layoutDirection();
    const QRect content = contentView()->rect();
    const int buttonLeft = content.width() - kButtonSide - 8;
    m_emailOrPhoneLabel->setGeometry(QStyle::visualRect(
        direction, content, QRect(kLeft, 0, qMax(0, buttonLeft - kLeft - 4), content.height())));
    m_removeButton->setGeometry(QStyle::visualRect(
        direction, content,
        QRect(buttonLeft, (content.height() - kButtonSide) / 2, kButtonSide, kButtonSide)));
    m_separatorView->setGeometry(
        QStyle::visualRect(direction, rect(), QRect(kLeft, height() - 1, width() - kLeft, 1)));
    m_separatorView->raise();
}

} // namespace pelnix
