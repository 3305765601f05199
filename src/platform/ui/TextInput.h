#pragma once

class QWidget;

namespace pelnix::platform::ui::TextInput {

// Whether `widget` takes typed text: a line or text editor that is not read only.
bool acceptsTyping(const QWidget* widget);

} // namespace pelnix::platform::ui::TextInput
