#include "PopoverHost.h"

#include "BarButtonItem.h"
#include "LibraryFont.h"
#include "PopoverOverlay.h"
#include "Window.h"

namespace pelnix::platform::ui {

PopoverHost::PopoverHost(Window* window) : QObject(window) {
    setObjectName(QStringLiteral("popoverHost"));
}

PopoverHost* PopoverHost::forWindow(Window* window) {
    if (!window)
        return nullptr;
    if (auto* host = window->findChild<PopoverHost*>(QString(), Qt::FindDirectChildrenOnly))
        return host;
    return new PopoverHost(window);
}

Window* PopoverHost::window() const {
    return static_cast<Window*>(parent());
}

PopoverOverlay* PopoverHost::addPopover(QWidget* bubble) {
    Window* w = window();
    auto* overlay = new PopoverOverlay;
    w->addFillingView(overlay);
    overlay->raise();
    if (bubble) {
        bubble->setParent(w);
        // What the popover shows without a font of its own (its rows) is in the library's face, not in
        // the host program's that the window has.
        if (!bubble->testAttribute(Qt::WA_SetFont))
            bubble->setFont(libraryFont(kContentPixelSize));
        bubble->raise();
    }
    m_popovers.append({overlay, bubble});
    raiseTopLayers();
    return overlay;
}

void PopoverHost::removePopover(PopoverOverlay* overlay, QWidget* bubble) {
    m_popovers.removeIf([&](const auto& entry) {
        return entry.first.isNull() || entry.first == overlay || entry.second == bubble;
    });
    for (QWidget* view : {static_cast<QWidget*>(overlay), bubble}) {
        if (!view)
            continue;
        view->hide();
        view->deleteLater();
    }
}

QList<QWidget*> PopoverHost::bubbles() const {
    QList<QWidget*> out;
    for (const auto& [overlay, bubble] : m_popovers)
        if (overlay && bubble)
            out << bubble.data();
    return out;
}

QRect PopoverHost::rectInWindow(const QWidget* view, const QRect& rect) const {
    if (!view)
        return rect;
    // Through global coordinates: `view` need not be inside this window.
    return QRect(window()->mapFromGlobal(view->mapToGlobal(rect.topLeft())), rect.size());
}

QWidget* PopoverHost::viewForBarButtonItem(const BarButtonItem* item) {
    return item ? item->view() : nullptr;
}

void PopoverHost::raiseTopLayers() {
    // Alerts and the busy overlay stay above every popover.
    for (const char* name : {"alertLayer", "busyLayer"})
        if (auto* layer = window()->findChild<QWidget*>(QLatin1String(name), Qt::FindDirectChildrenOnly))
            if (!layer->isHidden())
                layer->raise();
}

} // namespace pelnix::platform::ui
