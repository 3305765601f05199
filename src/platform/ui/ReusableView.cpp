#include "ReusableView.h"

#include <QPainter>

namespace pelnix::platform::ui {

ReusableView::ReusableView(const QString& reuseIdentifier, QWidget* parent)
    : QWidget(parent), m_reuseIdentifier(reuseIdentifier) {}

void ReusableView::setSelected(bool selected, bool animated) {
    Q_UNUSED(animated);
    if (m_selected == selected)
        return;
    m_selected = selected;
    update();
}

void ReusableView::setHighlighted(bool highlighted) {
    if (m_highlighted == highlighted)
        return;
    m_highlighted = highlighted;
    update();
}

void ReusableView::setBackgroundColor(const QColor& color) {
    m_background = color;
    update();
}

void ReusableView::paintEvent(QPaintEvent*) {
    if (m_background.alpha() > 0)
        QPainter(this).fillRect(rect(), m_background);
}

} // namespace pelnix::platform::ui
