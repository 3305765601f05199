#include "CollectionViewCell.h"

namespace pelnix::platform::ui {

CollectionViewCell::CollectionViewCell(const QString& reuseIdentifier, QWidget* parent)
    : ReusableView(reuseIdentifier, parent), m_content(new QWidget(this)) {
    m_content->setObjectName(QStringLiteral("contentView"));
    setBackgroundColor(Qt::transparent);
}

void CollectionViewCell::resizeEvent(QResizeEvent* event) {
    ReusableView::resizeEvent(event);
    m_content->setGeometry(rect());
}

} // namespace pelnix::platform::ui
