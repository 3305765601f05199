#include "PLCustomSeparatorView.h"

#include "foundation/ui/CustomColors.h"

#include <QPainter>

namespace pelnix {

PLCustomSeparatorView::PLCustomSeparatorView(QWidget* parent) : QWidget(parent) {}

void PLCustomSeparatorView::paintEvent(QPaintEvent*) {
    QPainter(this).fillRect(rect(), CustomColors::customSeparatorColor());
}

} // namespace pelnix
