#include "ContainerView.h"

#include <QChildEvent>

namespace pelnix::platform::ui {

namespace {
const char* const kFill = "pelnix.fill";
const char* const kOffset = "pelnix.fillOffset";
} // namespace

ContainerView::ContainerView(QWidget* parent) : QWidget(parent) {}

void ContainerView::addFillingView(QWidget* view) {
    if (!view)
        return;
    view->setProperty(kFill, true);
    if (view->parentWidget() != this)
        view->setParent(this);
    view->setGeometry(rect());
    view->show();
}

void ContainerView::setSizeHint(QSize size) {
    if (m_sizeHint == size)
        return;
    m_sizeHint = size;
    updateGeometry();
}

QSize ContainerView::sizeHint() const {
    return m_sizeHint.isValid() ? m_sizeHint : QWidget::sizeHint();
}

void ContainerView::setFillOffset(QWidget* view, QPointF offset) {
    if (!view)
        return;
    view->setProperty(kOffset, offset);
    if (auto* container = qobject_cast<ContainerView*>(view->parentWidget()))
        container->layoutFillingViews();
}

void ContainerView::layoutFillingViews() {
    for (QObject* child : children()) {
        auto* view = qobject_cast<QWidget*>(child);
        if (!view || !view->property(kFill).toBool())
            continue;
        const QPoint offset = view->property(kOffset).toPointF().toPoint();
        view->setGeometry(rect().translated(offset));
    }
}

void ContainerView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutFillingViews();
}

void ContainerView::childEvent(QChildEvent* event) {
    QWidget::childEvent(event);
    if (event->removed())
        if (auto* view = qobject_cast<QWidget*>(event->child()))
            view->setProperty(kFill, QVariant());
}

} // namespace pelnix::platform::ui
