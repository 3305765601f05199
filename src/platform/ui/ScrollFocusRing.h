#pragma once

#include <QPointer>
#include <QWidget>

class QAbstractScrollArea;

namespace pelnix::platform::ui {

// The ring of a scroll area that Tab gave the keys (a list scrolls with the arrows and Page Up and
// Down): drawn over the area's edge, above what it scrolls, while the keys are there by the keyboard.
// A stop of Tab's that showed nothing read as keys gone.
class ScrollFocusRing : public QWidget {
    Q_OBJECT
public:
    explicit ScrollFocusRing(QAbstractScrollArea* area);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void follow();

    QPointer<QAbstractScrollArea> m_area;
};

} // namespace pelnix::platform::ui
