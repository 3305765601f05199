#include "PLProfileUserNameTextField.h"

namespace pelnix {

namespace {
constexpr int kInset = 5;
}

PLProfileUserNameTextField::PLProfileUserNameTextField(QWidget* parent) : TextField(parent) {
    setFrame(true);
    setTextMargins(kInset, 0, kInset, 0);
}

QRectF PLProfileUserNameTextField::rectForBounds(const QRectF& bounds) const {
    return QRectF(kInset, bounds.y(), bounds.width() - 2 * kInset, bounds.height());
}

void PLProfileUserNameTextField::updateTextFieldState(int state) {
    if (state == 1) {
        setUserInteractionEnabled(true);
    } else if (state == 0) {
        m_readOnlyLook = true;
        setFrame(false);
        QPalette palette = this->palette();
        palette.setColor(QPalette::Base, Qt::transparent);
        setPalette(palette);
        setUserInteractionEnabled(false);
    }
}

void PLProfileUserNameTextField::setUserInteractionEnabled(bool enabled) {
    m_interaction = enabled;
    // Not disabled: the text keeps its colour; the field just takes no clicks, keys or focus.
    setAttribute(Qt::WA_TransparentForMouseEvents, !enabled);
    setFocusPolicy(enabled ? Qt::StrongFocus : Qt::NoFocus);
    if (!enabled)
        clearFocus();
}

} // namespace pelnix
