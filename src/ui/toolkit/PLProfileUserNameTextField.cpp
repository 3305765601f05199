#include "PLProfileUserNameTextField.h"

#include "ToolkitStyle.h"
#include "foundation/ui/ImageAdditions.h"

#include <QPainter>

namespace pelnix {

namespace {
constexpr int kInset = 5;
}

PLProfileUserNameTextField::PLProfileUserNameTextField(QWidget* parent) : TextField(parent) {
    // The frame is the toolkit's, painted here.
    setFrame(false);
    ToolkitStyle::applyFieldPalette(this, ToolkitStyle::textColor());
    setFont(ToolkitStyle::regularFont());
    setTextMargins(kInset, 0, kInset, 0);
}

QSize PLProfileUserNameTextField::sizeHint() const {
    return QSize(TextField::sizeHint().width(), qRound(ToolkitStyle::kFieldHeight));
}

void PLProfileUserNameTextField::paintEvent(QPaintEvent* event) {
    if (!m_readOnlyLook) {
        // The look of every other field of the library: its rounded background picture.
        static const QImage background =
            ImageAdditions::loadImageNamed(QStringLiteral("textFieldBackground"));
        QPainter painter(this);
        ToolkitStyle::paintStretchedPicture(painter, rect(), background,
                                            ToolkitStyle::kCornerRadius + ToolkitStyle::kBorderWidth);
        if (hasFocus())
            ToolkitStyle::paintFieldBorder(painter, rect(), ToolkitStyle::accentColor());
    }
    TextField::paintEvent(event);
}

QRectF PLProfileUserNameTextField::rectForBounds(const QRectF& bounds) const {
    return QRectF(kInset, bounds.y(), bounds.width() - 2 * kInset, bounds.height());
}

void PLProfileUserNameTextField::updateTextFieldState(int state) {
    if (state == 1) {
        setUserInteractionEnabled(true);
    } else if (state == 0) {
        m_readOnlyLook = true;
        update();
        setUserInteractionEnabled(false);
    }
}

void PLProfileUserNameTextField::applyEditableLook() {
    setFrame(false);
    ToolkitStyle::applyFieldPalette(this, ToolkitStyle::textColor());
    m_readOnlyLook = false;
    update();
}

void PLProfileUserNameTextField::setUserInteractionEnabled(bool enabled) {
    m_interaction = enabled;
    // Not disabled: the text keeps its colour; the field just takes no clicks, keys or focus.
    setAttribute(Qt::WA_TransparentForMouseEvents, !enabled);
    setFocusPolicy(enabled ? Qt::StrongFocus : Qt::NoFocus);
    if (!enabled)
        resignFirstResponder();
}

} // namespace pelnix
