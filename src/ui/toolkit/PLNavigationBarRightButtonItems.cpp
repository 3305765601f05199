#include "PLNavigationBarRightButtonItems.h"

#include <QAbstractButton>
#include <QHBoxLayout>

namespace pelnix {

PLNavigationBarRightButtonItems::PLNavigationBarRightButtonItems(QWidget* parent) : QWidget(parent) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
}

void PLNavigationBarRightButtonItems::addButton(QAbstractButton* button) {
    if (button)
        layout()->addWidget(button);
}

} // namespace pelnix
