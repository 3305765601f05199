#include "PopoverOverlay.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>

namespace pelnix::platform::ui {

PopoverOverlay::PopoverOverlay(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("popoverOverlay"));
}

QList<QWidget*> PopoverOverlay::passthroughViews() const {
    QList<QWidget*> out;
    for (const auto& view : m_passthrough)
        if (view)
            out << view.data();
    return out;
}

void PopoverOverlay::setPassthroughViews(const QList<QWidget*>& views) {
    m_passthrough.clear();
    for (QWidget* view : views)
        if (view)
            m_passthrough << view;
}

bool PopoverOverlay::isPassthroughView(const QWidget* view) const {
    for (; view; view = view->parentWidget())
        for (const auto& passthrough : m_passthrough)
            if (passthrough == view)
                return true;
    return false;
}

void PopoverOverlay::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    emit resized();
}

void PopoverOverlay::setColor(const QColor& color) {
    m_color = color;
    update();
}

QWidget* PopoverOverlay::viewUnderneath(const QPoint& point) const {
    QWidget* parent = parentWidget();
    if (!parent)
        return nullptr;
    // childAt() skips views that let mouse events through: hide the overlay from it for one query.
    auto* self = const_cast<PopoverOverlay*>(this);
    const bool was = testAttribute(Qt::WA_TransparentForMouseEvents);
    self->setAttribute(Qt::WA_TransparentForMouseEvents, true);
    QWidget* found = parent->childAt(point);
    self->setAttribute(Qt::WA_TransparentForMouseEvents, was);
    return found ? found : parent;
}

bool PopoverOverlay::forward(QMouseEvent* event) {
    if (!m_forwardTarget)
        return false;
    const QPointF global = event->globalPosition();
    const QPointF local = m_forwardTarget->mapFromGlobal(global);
    QMouseEvent copy(event->type(), local, local, global, event->button(), event->buttons(),
                     event->modifiers(), event->pointingDevice());
    QCoreApplication::sendEvent(m_forwardTarget, &copy);
    return true;
}

void PopoverOverlay::mousePressEvent(QMouseEvent* event) {
    QWidget* under = viewUnderneath(mapToParent(event->position().toPoint()));
    if (isPassthroughView(under)) {
        m_forwardTarget = under;
        forward(event);
        return;
    }
    m_forwardTarget = nullptr;
    emit touched();
}

void PopoverOverlay::mouseMoveEvent(QMouseEvent* event) {
    forward(event);
}

void PopoverOverlay::mouseReleaseEvent(QMouseEvent* event) {
    forward(event);
    if (event->buttons() == Qt::NoButton)
        m_forwardTarget = nullptr;
}

void PopoverOverlay::mouseDoubleClickEvent(QMouseEvent* event) {
    // A second press in quick succession is still a press for the dismissal rules.
    mousePressEvent(event);
}

void PopoverOverlay::paintEvent(QPaintEvent*) {
    if (m_color.alpha() > 0)
        QPainter(this).fillRect(rect(), m_color);
}

} // namespace pelnix::platform::ui
