#pragma once

#include <functional>

namespace pelnix {

namespace platform::ui {
class ViewController;
}

// The left bar items of a screen that is the root of its navigation controller: the host's items when
// it gave some, else, unless the host hid it, a "Cancel" button (DejaVuSans 15) running `cancel`. A
// screen deeper in a stack gets nothing.
namespace RoomsBarButtons {
void addLeftBarButtonItems(platform::ui::ViewController* screen, std::function<void()> cancel);
} // namespace RoomsBarButtons

} // namespace pelnix
