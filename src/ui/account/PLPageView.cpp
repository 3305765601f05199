#include "ui/account/PLPageView.h"

namespace pelnix {

PLPageView::PLPageView(std::function<void()> laidOut, QWidget* parent)
    : QWidget(parent), m_laidOut(std::move(laidOut)) {
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    setPalette(palette);
}

void PLPageView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (m_laidOut)
        m_laidOut();
}

} // namespace pelnix
