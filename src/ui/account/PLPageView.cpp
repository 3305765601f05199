#include "ui/account/PLPageView.h"

#include <QEvent>

namespace pelnix {

PLPageView::PLPageView(std::function<void()> laidOut, QWidget* parent)
    : QWidget(parent), m_laidOut(std::move(laidOut)) {
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    setPalette(palette);
}

bool PLPageView::event(QEvent* event) {
    const bool handled = QWidget::event(event);
    if (event->type() == QEvent::LayoutDirectionChange && m_laidOut)
        m_laidOut();
    return handled;
}

void PLPageView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (m_laidOut)
        m_laidOut();
}

} // namespace pelnix
