#include "ClosedWindowHandle.h"

#include <QWidget>
#include <QWindow>

namespace pelnix::platform::ui {

namespace {
// QWidget::destroy() is what Qt itself runs on a window hidden rather than closed when it is
// reparented; it is protected, so it is named through a class derived from QWidget.
struct WidgetDestroy : QWidget {
    using QWidget::destroy;
};
} // namespace

void ClosedWindowHandle::forget(QWidget* widget) {
    const QWindow* handle = widget ? widget->windowHandle() : nullptr;
    if (!handle || handle->handle() || widget->testAttribute(Qt::WA_WState_Created))
        return;
    (widget->*(&WidgetDestroy::destroy))(true, true);
}

} // namespace pelnix::platform::ui
