#pragma once

#include "platform/ui/Label.h"

#include <QImage>

class QPainter;

namespace pelnix {

// A one-line label of a room row. It keeps its drawing while its text, size, font, colour and
// alignment stay the same: a scrolling list repaints every row on every frame, and laying the text
// out again each time costs more than the rest of the row.
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
        int alignment = 0;
        Qt::LayoutDirection direction = Qt::LeftToRight;
        QList<platform::ui::AttributedString::Run> runs;
        bool operator==(const Drawn& other) const;
    };
    Drawn current() const;
    void draw(const platform::ui::AttributedString& text, QPainter& painter) const;

    QImage m_drawing;
    Drawn m_drawn;
};

} // namespace pelnix
