#include "PLRoundImageView.h"

namespace pelnix {

PLRoundImageView::PLRoundImageView(QWidget* parent) : ImageView(parent) {}

void PLRoundImageView::awakeFromNib() {
    m_radius = width() * 0.5;
    setCornerRadius(m_radius);
    setBackgroundColor(QColor(255, 255, 255, 51));
}

} // namespace pelnix
