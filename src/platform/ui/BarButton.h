#pragma once

#include <QToolButton>

namespace pelnix::platform::ui {

// The button a bar (navigation bar, toolbar) shows for an item: the style's tool button with its hover
// and pressed looks, and where the keyboard brought the keys the library's ring, which reads against
// the bar. The style's own mark of the keys was a pale panel (1.7:1), the same as its hover.
class BarButton : public QToolButton {
    Q_OBJECT
public:
    explicit BarButton(QWidget* parent = nullptr);

    // Lays the title out in the button's own direction rather than the program's (a back button's
    // chevron then points the way back wherever the bar reads right to left).
    void setTitleInOwnDirection(bool own);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_ownDirection = false;
};

} // namespace pelnix::platform::ui
