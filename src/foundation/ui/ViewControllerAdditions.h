#pragma once

#include <QMargins>
#include <QString>
#include <functional>

class QWidget;

namespace pelnix {
namespace platform::ui {
class ViewController;
}

// Child containment and navigation-bar helpers for the library's controllers. The navigation-bar
// helpers do nothing for a controller outside a navigation controller.
namespace ViewControllerAdditions {

// Adds `child` to `parent` with its view over the whole of `container` (no view placement when the
// container is null), then tells the child it moved.
void addChildViewController(platform::ui::ViewController* parent, platform::ui::ViewController* child,
                            QWidget* container);
void removeChildViewControllerWithCleanUP(platform::ui::ViewController* child);
// The height of the controller's view.
double viewHeight(platform::ui::ViewController* controller);

// Sources of the host's navigation title colour and of the side drawer, set by the layers that own them.
void setHostNavigationTitleColorSource(std::function<QString()> source);
void setSideDrawerToggle(std::function<void()> toggle);

void addLeftBarButtonWithImageNamed(platform::ui::ViewController* controller, const QString& imageName,
                                    const QMargins& contentInsets, std::function<void()> action);
// Title in DejaVuSans 17, in the host's navigation title colour when set, else the library's.
void applyCustomAttributesToNavigationBarTitle(platform::ui::ViewController* controller);
// Drops the custom title attributes once the library's container left the navigation stack.
void resetNavigationBarTitleCustomAttributesIfRequired(platform::ui::ViewController* controller);
void makeNavigationBarTransparent(platform::ui::ViewController* controller);
void pop(platform::ui::ViewController* controller);
void toggleSideDrawer();
void addToggleSideDrawerLeftBarButton(platform::ui::ViewController* controller);

} // namespace ViewControllerAdditions
} // namespace pelnix
