#pragma once

#include <QColor>
#include <QWidget>

namespace pelnix::platform::ui {

// An on/off switch. A tap (or Space) flips it and emits valueChanged(); setOn() from code never
// does, so a screen can tell the user's changes from its own. A screen that refuses a user change
// (a request failed, say) calls revert() to go back to the value before it, again without a signal.
class Switch : public QWidget {
    Q_OBJECT
public:
    explicit Switch(QWidget* parent = nullptr);

    bool isOn() const { return m_on; }
    void setOn(bool on, bool animated = false);
    // Back to the value before the last user change; false when there is none to undo.
    bool revert();

    QColor onTintColor() const { return m_onTint; }
    void setOnTintColor(const QColor& color);
    // The view's own background, drawn behind the track with the corner radius (both a view's
    // layer properties). Unset, the track's own off colour shows.
    QColor backgroundColor() const { return m_background; }
    void setBackgroundColor(const QColor& color);
    qreal cornerRadius() const { return m_cornerRadius; }
    void setCornerRadius(qreal radius);
    // Knob position, 0 (off) to 1 (on), from the leading end to the trailing one (right to left, on
    // is at the left); moves during the animation.
    qreal knobPosition() const { return m_knob; }

    QSize sizeHint() const override { return {51, 31}; }

signals:
    // Only for a change made by the user.
    void valueChanged(bool on);

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void moveKnob(bool animated);
    void userToggle();

    bool m_on = false;
    bool m_pressed = false;
    bool m_hasUndo = false;
    bool m_before = false;
    qreal m_knob = 0;
    QColor m_onTint{76, 217, 100};
    QColor m_background;
    qreal m_cornerRadius = 0;
};

} // namespace pelnix::platform::ui
