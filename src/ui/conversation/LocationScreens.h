#pragma once

#include <QString>
#include <functional>

namespace pelnix {

namespace platform::ui {
class BarButtonItem;
class Button;
} // namespace platform::ui

// The location screens of the storyboard "Location": the location screen (the storyboard's initial
// screen, in its navigation controller) and choose location ("PLChooseLocationNavigationController").
namespace LocationScreens {

void registerScreens();

// A bar button with a title in "DejaVuSans" 15 in the house tint, as both screens' bars show them;
// `button` receives the button, whose colours the screen may change.
platform::ui::BarButtonItem* titledBarButton(const QString& title, const QString& objectName,
                                             std::function<void()> action, platform::ui::Button** button);

} // namespace LocationScreens
} // namespace pelnix
