#include "PLTapToDismissKeyboardView.h"
#include "platform/ui/WindowFocus.h"

#include <QApplication>
#include <QMouseEvent>

namespace pelnix {

PLTapToDismissKeyboardView::PLTapToDismissKeyboardView(QWidget* parent) : QWidget(parent) {}

void PLTapToDismissKeyboardView::mousePressEvent(QMouseEvent* event) {
    m_touchesMoved = false;
    event->accept();
}

void PLTapToDismissKeyboardView::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() != Qt::NoButton)
        m_touchesMoved = true;
    event->accept();
}

void PLTapToDismissKeyboardView::mouseReleaseEvent(QMouseEvent* event) {
    if (!m_touchesMoved) {
        QWidget* focused = QApplication::focusWidget();
        if (focused && isAncestorOf(focused))
            platform::ui::WindowFocus::leaveKeysToPage(focused);
    }
    m_touchesMoved = false;
    event->accept();
}

} // namespace pelnix
