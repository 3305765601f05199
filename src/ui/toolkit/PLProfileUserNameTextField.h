#pragma once

#include "platform/ui/TextField.h"

namespace pelnix {

// The user-name field of the profile screen, switched between an editable look (the toolkit's field
// frame) and a read-only look (no background, no border).
class PLProfileUserNameTextField : public platform::ui::TextField {
    Q_OBJECT
public:
    explicit PLProfileUserNameTextField(QWidget* parent = nullptr);

    // 1 takes input again (the look stays until the screen restyles the field); 0 gives the field a
    // clear background and no border and takes no input; any other state changes nothing.
    void updateTextFieldState(int state);
    // The editable look again (the library's rounded field picture), as a screen restyles the field
    // for editing after the read-only look.
    void applyEditableLook();
    bool isUserInteractionEnabled() const { return m_interaction; }
    bool hasReadOnlyLook() const { return m_readOnlyLook; }
    QRectF rectForBounds(const QRectF& bounds) const;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void setUserInteractionEnabled(bool enabled);

    bool m_interaction = true;
    bool m_readOnlyLook = false;
};

} // namespace pelnix
