#include "ui/shell/ContainerChildren.h"
#include "platform/ui/WindowFocus.h"

#include "platform/ui/ContainerView.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/ScreenRegistry.h"
#include "platform/ui/ViewController.h"
#include "ui/shell/ShellLog.h"

#include <QWidget>

namespace pelnix::ContainerChildren {

using platform::ui::NavigationController;
using platform::ui::ViewController;

QWidget* newView() {
    auto* view = new platform::ui::ContainerView;
    view->setAutoFillBackground(true);
    view->setSizeHint(kViewSizeHint);
    return view;
}

void removeAll(ViewController* container) {
    for (ViewController* child : container->childViewControllers()) {
        if (child->isViewLoaded())
            platform::ui::WindowFocus::takeOutOfWindow(child->view());
        child->removeFromParentViewController();
        child->deleteLater();
    }
}

void add(ViewController* container, ViewController* child, QWidget* host) {
    container->addChildViewController(child, host);
}

void addWrapped(ViewController* container, ViewController* screen, QWidget* host, bool hiddenBar) {
    if (container->navigationController()) {
        add(container, screen, host);
        return;
    }
    auto* navigation = new NavigationController(screen);
    if (hiddenBar)
        navigation->setNavigationBarHidden(true, false);
    add(container, navigation, host);
}

ViewController* instantiate(const QString& storyboard, const QString& identifier) {
    ViewController* screen = platform::ui::ScreenRegistry::shared()->instantiate(storyboard, identifier);
    if (!screen)
        qCWarning(lcShell) << "no screen" << identifier << "in storyboard" << storyboard;
    return screen;
}

} // namespace pelnix::ContainerChildren
