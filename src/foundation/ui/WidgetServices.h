#pragma once

namespace pelnix {

// Connects the widget-free foundation to the screens: the device traits come from the primary
// screen, and the reachability check's "Failed" alert is shown as an in-window alert of the key
// window. Called once by the library's start-up on a GUI application; safe to call again.
class WidgetServices {
public:
    static void install();
    // The traits of the primary screen (scale, phone idiom, size in logical pixels).
    static void updateDeviceTraitsFromScreen();
};

} // namespace pelnix
