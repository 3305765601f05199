#pragma once

#include <QWidget>

namespace pelnix {

// A background that hides the keyboard on a tap: a press and release with no move in between takes
// the text focus from any field inside it. A drag (scroll or swipe) leaves the focus where it is;
// each press is judged on its own.
class PLTapToDismissKeyboardView : public QWidget {
    Q_OBJECT
public:
    explicit PLTapToDismissKeyboardView(QWidget* parent = nullptr);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool m_touchesMoved = false;
};

} // namespace pelnix
