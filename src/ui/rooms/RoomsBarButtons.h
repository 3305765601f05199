#pragma once

#include <QString>
#include <functional>

namespace pelnix {

namespace platform::ui {
class Button;
class ViewController;
} // namespace platform::ui

// The left bar items of a screen that is the root of its navigation controller: the host's items when
// it gave some, else, unless the host hid it, a "Cancel" button (DejaVuSans 15) running `cancel`. A
// screen deeper in a stack gets nothing.
namespace RoomsBarButtons {
void addLeftBarButtonItems(platform::ui::ViewController* screen, std::function<void()> cancel);
// A titled bar button as the rooms screens show one: DejaVuSans 15 in the house tint.
platform::ui::Button* makeTitledButton(const QString& title, const QString& objectName);
} // namespace RoomsBarButtons

} // namespace pelnix
