#pragma once

#include <QString>

namespace pelnix {

// Connects the widget-free foundation to the screens: the device traits come from the primary
// screen, and the reachability check's "Failed" alert is shown as an in-window alert of the key
// window. Called once by the library's start-up on a GUI application; safe to call again.
class WidgetServices {
public:
    static void install();
    // A one-button alert in the key window, for the layers below the screens that have something to
    // tell the user. Without a window of the library's there is nowhere to show it: it is logged.
    static void showAlert(const QString& title, const QString& message, const QString& button);
    // The traits of the primary screen (scale, phone idiom, size in logical pixels).
    static void updateDeviceTraitsFromScreen();
};

} // namespace pelnix
