#include "ui/conversation/PLAddressBookContactCell.h"

#include "foundation/ui/ButtonAdditions.h"
#include "foundation/ui/CustomFontRegistration.h"
#include "platform/ui/Label.h"
#include "ui/toolkit/Geometry.h"
#include "ui/toolkit/PLCustomSeparatorView.h"

namespace pelnix {

PLAddressBookContactCell::PLAddressBookContactCell(QWidget* parent)
    : TableViewCell(Style::Default, kIdentifier, parent),
      m_nameLabel(new platform::ui::Label({}, contentView())),
      m_customSeparatorView(new PLCustomSeparatorView(contentView())) {
    m_nameLabel->setObjectName(QStringLiteral("nameLabel"));
    m_nameLabel->setFont(CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans"), 16));
    m_nameLabel->setTextColor(QColor(0x22, 0x22, 0x22));
    m_customSeparatorView->setObjectName(QStringLiteral("customSeparatorView"));
    // The cell draws its own line, so the table's is left out.
    setSeparatorVisible(false);
    ButtonAdditions::setCustomHighlightColor(this);
}

void PLAddressBookContactCell::configureWithName(const QString& name) {
    m_nameLabel->setText(name);
}

void PLAddressBookContactCell::layoutSubviews() {
    TableViewCell::layoutSubviews();
    const QRect content = contentView()->rect();
    m_nameLabel->setGeometry(15, 0, qMax(0, content.width() - 30), content.height() - 1);
    // The line starts under the name and runs to the row's trailing edge.
    Geometry::placeInReadingOrder(m_customSeparatorView,
                                  QRect(15, content.height() - 1, qMax(0, content.width() - 15), 1));
    m_customSeparatorView->raise();
}

} // namespace pelnix
