#pragma once

#include "platform/ui/Label.h"

#include <QImage>

namespace pelnix {

// A label of a room row. It draws what a label draws, but keeps the drawing while its text, size,
// font and colour stay the same: a scrolling list repaints every row on every frame, and laying the
// text out again each time costs more than the rest of the row.
class PLRoomRowLabel : public platform::ui::Label {
    Q_OBJECT
public:
    explicit PLRoomRowLabel(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct Drawn {
        QString text;
        QSize size;
        QColor colour;
        QString font;
        qreal ratio = 0;
        QList<platform::ui::AttributedString::Run> runs;
        bool operator==(const Drawn& other) const;
    };
    Drawn current() const;

    QImage m_drawing;
    Drawn m_drawn;
    bool m_drawingNow = false;
};

} // namespace pelnix
