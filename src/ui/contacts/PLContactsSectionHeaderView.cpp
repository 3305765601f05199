#include "ui/contacts/PLContactsSectionHeaderView.h"

#include "foundation/ui/CustomFontRegistration.h"
#include "platform/ui/Label.h"
#include "ui/toolkit/PLCustomSeparatorView.h"

#include <QStyle>

namespace pelnix {

PLContactsSectionHeaderView::PLContactsSectionHeaderView() : ReusableView(kReuseIdentifier) {
    setBackgroundColor(Qt::white);
    m_title = new platform::ui::Label(QString(), this);
    m_title->setObjectName(QStringLiteral("headerTitle"));
    m_title->setFont(CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans-Bold"), 12));
    m_title->setTextColor(QColor(0, 134, 202));
    m_line = new PLCustomSeparatorView(this);
    m_line->setObjectName(QStringLiteral("headerLine"));
}

void PLContactsSectionHeaderView::setTitle(const QString& title) {
    m_title->setText(title);
}

QString PLContactsSectionHeaderView::title() const {
    return m_title->text();
}

void PLContactsSectionHeaderView::resizeEvent(QResizeEvent* event) {
    ReusableView::resizeEvent(event);
    const Qt::LayoutDirection direction = layoutDirection();
    m_title->setGeometry(
        QStyle::visualRect(direction, rect(), QRect(kInset, 0, qMax(0, width() - 2 * kInset), height() - 1)));
    m_line->setGeometry(
        QStyle::visualRect(direction, rect(), QRect(kInset, height() - 1, width() - kInset, 1)));
}

} // namespace pelnix
