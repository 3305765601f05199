#pragma once

#include <QString>

namespace pelnix {

namespace platform::ui {
class ViewController;
}

// Small things every smart-message screen of the conversation does the same way.
namespace SmartScreenSupport {

// The bundle's text for an English key.
QString text(const char* key);
// The screen a storyboard's navigation screen shows (its top screen), or the screen itself.
platform::ui::ViewController* topOf(platform::ui::ViewController* controller);
// An alert with one "OK" button in the window of `on` (the key window when null).
void showAlert(platform::ui::ViewController* on, const QString& title, const QString& message);

} // namespace SmartScreenSupport
} // namespace pelnix
