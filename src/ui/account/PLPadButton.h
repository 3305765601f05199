#pragma once

#include "ui/account/PLPadLockScreenAppearance.h"

#include <QAbstractButton>
#include <QRectF>

namespace pelnix {

namespace platform::ui {
class Label;
}

// A circular digit button of the passcode pad: the digit over its telephone letters inside a
// 1.5-point ring, filled while touched. Its tag (number()) is the digit.
class PLPadButton : public QAbstractButton {
    Q_OBJECT
public:
    static constexpr qreal kWidth = 75;
    static constexpr qreal kHeight = 75;

    PLPadButton(int number, const QString& letters, QWidget* parent = nullptr);

    int number() const { return m_number; }
    platform::ui::Label* numberLabel() const { return m_numberLabel; }
    platform::ui::Label* lettersLabel() const { return m_lettersLabel; }
    // Where the labels sit inside the button, from its current size.
    QRectF numberLabelFrame() const;
    QRectF lettersLabelFrame() const;

    void setAppearance(const PLPadLockScreenAppearance& appearance);
    const PLPadLockScreenAppearance& appearance() const { return m_appearance; }
    // Opacity of the touch fill, 0 to 1.
    qreal selectedAlpha() const { return m_selectedAlpha; }
    // Fills the ring as a touch does (or empties it): a key typed for this digit shows here.
    void showTouched(bool touched) { animateTouch(touched); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void prepareAppearance();
    void performLayout();
    void animateTouch(bool down);

    int m_number = 0;
    platform::ui::Label* m_numberLabel = nullptr;
    platform::ui::Label* m_lettersLabel = nullptr;
    PLPadLockScreenAppearance m_appearance;
    qreal m_selectedAlpha = 0;
    bool m_touchHighlighted = false;
};

} // namespace pelnix
