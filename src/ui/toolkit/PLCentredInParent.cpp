#include "ui/toolkit/PLCentredInParent.h"

#include <QResizeEvent>
#include <QWidget>

namespace pelnix {

PLCentredInParent::PLCentredInParent(QWidget* view) : QObject(view), m_view(view) {}

void PLCentredInParent::keep(QWidget* view) {
    if (view && view->parentWidget())
        view->parentWidget()->installEventFilter(new PLCentredInParent(view));
}

bool PLCentredInParent::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize && watched == m_view->parentWidget()) {
        const auto* resize = static_cast<QResizeEvent*>(event);
        if (resize->oldSize().isValid())
            m_view->move(m_view->x() + (resize->size().width() - resize->oldSize().width()) / 2, m_view->y());
    }
    return QObject::eventFilter(watched, event);
}

} // namespace pelnix
