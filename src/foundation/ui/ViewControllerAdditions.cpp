#include "ViewControllerAdditions.h"
#include "platform/ui/WindowFocus.h"

#include "CustomColors.h"
#include "CustomFontRegistration.h"
#include "ImageAdditions.h"

#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Button.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/NavigationItem.h"

#include <QWidget>

namespace pelnix::ViewControllerAdditions {

using platform::ui::ViewController;

namespace {
std::function<QString()>& hostTitleColor() {
    static std::function<QString()> source;
    return source;
}
std::function<void()>& drawerToggle() {
    static std::function<void()> toggle;
    return toggle;
}
} // namespace

void setHostNavigationTitleColorSource(std::function<QString()> source) {
    hostTitleColor() = std::move(source);
}

void setSideDrawerToggle(std::function<void()> toggle) {
    drawerToggle() = std::move(toggle);
}

void addChildViewController(ViewController* parent, ViewController* child, QWidget* container) {
    if (parent && child)
        parent->addChildViewController(child, container);
}

void removeChildViewControllerWithCleanUP(ViewController* child) {
    if (!child)
        return;
    child->willMoveToParentViewController(nullptr);
    if (child->isViewLoaded()) {
        child->view()->hide();
        platform::ui::WindowFocus::takeOutOfWindow(child->view());
    }
    child->removeFromParentViewController();
}

double viewHeight(ViewController* controller) {
    return controller ? controller->view()->height() : 0;
}

void addLeftBarButtonWithImageNamed(ViewController* controller, const QString& imageName,
                                    const QMargins& contentInsets, std::function<void()> action) {
    if (!controller || !controller->navigationController())
        return;
    auto* button = new platform::ui::Button;
    button->setFixedSize(44, 44);
    button->setContentEdgeInsets(contentInsets);
    button->setImage(ImageAdditions::loadImageNamed(imageName));
    QObject::connect(button, &platform::ui::Button::clicked, button, [action] {
        if (action)
            action();
    });
    controller->navigationItem()->setLeftBarButtonItem(
        new platform::ui::BarButtonItem(static_cast<QWidget*>(button)));
}

void applyCustomAttributesToNavigationBarTitle(ViewController* controller) {
    auto* nav = controller ? controller->navigationController() : nullptr;
    if (!nav)
        return;
    const QString host = hostTitleColor() ? hostTitleColor()() : QString();
    nav->navigationBar()->setTitleFont(
        CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans"), 17));
    nav->navigationBar()->setTitleColor(host.isEmpty() ? CustomColors::navigationBarTitleColor()
                                                       : CustomColors::colorFromHexString(host));
}

void resetNavigationBarTitleCustomAttributesIfRequired(ViewController* controller) {
    auto* nav = controller ? controller->navigationController() : nullptr;
    ViewController* parent = controller ? controller->parentViewController() : nullptr;
    if (!nav || !parent || !parent->inherits("pelnix::PelnixViewController"))
        return;
    if (!nav->viewControllers().contains(parent)) {
        nav->navigationBar()->setTitleFont(std::nullopt);
        nav->navigationBar()->setTitleColor(std::nullopt);
    }
}

void makeNavigationBarTransparent(ViewController* controller) {
    auto* nav = controller ? controller->navigationController() : nullptr;
    if (!nav)
        return;
    nav->setNavigationBarHidden(false, true);
    nav->navigationBar()->setTransparent(true);
}

void pop(ViewController* controller) {
    if (auto* nav = controller ? controller->navigationController() : nullptr)
        nav->popViewController(true);
}

void toggleSideDrawer() {
    if (drawerToggle())
        drawerToggle()();
}

void addToggleSideDrawerLeftBarButton(ViewController*) {}

} // namespace pelnix::ViewControllerAdditions
