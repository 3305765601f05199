#pragma once

#include "platform/ui/Label.h"

#include <QFont>
#include <QTextLayout>
#include <memory>

namespace pelnix {

// A label of a chat cell: plain text laid out once for its width and painted from that layout on
// every paint of a scrolling list, where a plain label would lay its text out anew each time. It
// paints its own opacity (the animator's alpha), so a fading time moves with its row.
class PLCellLabel : public platform::ui::Label {
    Q_OBJECT
    Q_PROPERTY(qreal alpha READ alpha WRITE setAlpha)
public:
    explicit PLCellLabel(QWidget* parent = nullptr);

    qreal alpha() const { return m_alpha; }
    void setAlpha(qreal alpha);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // Lines of m_layout's text at the label's width, at most its number of lines.
    void layOutLines();

    // What a layout is made for: a paint compares them field by field, as cheaply as it can.
    struct LayoutInputs {
        QString text;
        int width = -1;
        QFont font;
        Qt::Alignment alignment;
        int numberOfLines = 0;
        Qt::LayoutDirection direction = Qt::LeftToRight;
        bool operator==(const LayoutInputs&) const = default;
    };

    LayoutInputs m_laidOut;
    std::unique_ptr<QTextLayout> m_layout;
    qreal m_usedHeight = 0;
    qreal m_alpha = 1;
};

} // namespace pelnix
