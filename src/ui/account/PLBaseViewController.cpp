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
// The library's outermost widget holding `widget`: its window, or the root view of the container the
// host placed it in; null for the host's own widgets.
const QWidget* libraryRootOf(const QWidget* widget) {
    const QWidget* root = nullptr;
    for (const QWidget* w = widget; w; w = w->parentWidget())
        if (platform::ui::ViewController::controllerForView(w) ||
            qobject_cast<const platform::ui::Window*>(w))
            root = w;
    return root;
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
    // Keys in the page are where the page or the user put them; a widget of the host's own or
    // another container keeps them.
    const QWidget* focus = page->window()->focusWidget();
    if (focus && focus != page && (page->isAncestorOf(focus) || libraryRootOf(focus) != libraryRootOf(page)))
        return;
    field->setFocus(Qt::OtherFocusReason);
}

} // namespace pelnix
