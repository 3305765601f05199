#include "ui/account/PLBaseViewController.h"

#include "platform/ui/Window.h"

#include <QWidget>

namespace pelnix {

PLBaseViewController::PLBaseViewController(QObject* parent) : ViewController(parent) {}

PLBaseViewController::~PLBaseViewController() = default;

void PLBaseViewController::viewDidAppear(bool animated) {
    ViewController::viewDidAppear(animated);
    m_arming.screenDidAppear();
}

void PLBaseViewController::viewWillDisappear(bool animated) {
    ViewController::viewWillDisappear(animated);
    m_arming.screenWillDisappear();
}

namespace {
// The library's windows and screens, as against the host's own widgets around a container.
bool isTheLibrarys(const QWidget* widget) {
    if (platform::ui::Window::libraryWindowOf(widget))
        return true;
    for (const QWidget* w = widget; w; w = w->parentWidget())
        if (platform::ui::ViewController::controllerForView(w))
            return true;
    return false;
}
} // namespace

void PLBaseViewController::takeKeysOnAppearing() {
    if (!isViewLoaded())
        return;
    QWidget* page = view();
    QWidget* field = preferredFocusWidget();
    // Covered (the passcode lock comes over a screen as it appears): what covers it has the keys.
    if (!field || !page->isVisible() || presentedViewController())
        return;
    const QWidget* focus = page->window()->focusWidget();
    if (focus && focus != page && (page->isAncestorOf(focus) || !isTheLibrarys(focus)))
        return;
    field->setFocus(Qt::OtherFocusReason);
}

} // namespace pelnix
