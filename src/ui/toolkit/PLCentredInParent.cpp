#include "ui/toolkit/PLCentredInParent.h"

#include <QEvent>
#include <QWidget>

namespace pelnix {

PLCentredInParent::PLCentredInParent(QWidget* view) : QObject(view), m_view(view) {}

void PLCentredInParent::keep(QWidget* view) {
    if (!view || !view->parentWidget())
        return;
    auto* keeper = new PLCentredInParent(view);
    view->parentWidget()->installEventFilter(keeper);
    keeper->centre();
}

bool PLCentredInParent::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize && watched == m_view->parentWidget())
        centre();
    return QObject::eventFilter(watched, event);
}

void PLCentredInParent::centre() {
    if (QWidget* parent = m_view->parentWidget())
        m_view->move((parent->width() - m_view->width()) / 2, m_view->y());
}

} // namespace pelnix
