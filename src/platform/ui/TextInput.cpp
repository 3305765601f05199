#include "TextInput.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace pelnix::platform::ui::TextInput {

bool acceptsTyping(const QWidget* widget) {
    if (auto* line = qobject_cast<const QLineEdit*>(widget))
        return !line->isReadOnly();
    if (auto* text = qobject_cast<const QTextEdit*>(widget))
        return !text->isReadOnly();
    if (auto* plain = qobject_cast<const QPlainTextEdit*>(widget))
        return !plain->isReadOnly();
    return false;
}

} // namespace pelnix::platform::ui::TextInput
