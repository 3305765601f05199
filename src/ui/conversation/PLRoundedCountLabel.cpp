#include "ui/conversation/PLRoundedCountLabel.h"

#include "ui/conversation/PLChatWindowStyle.h"

#include <QPainter>

namespace pelnix {

PLRoundedCountLabel::PLRoundedCountLabel(QWidget* parent) : Label(QString(), parent) {
    setAlignment(Qt::AlignCenter);
    setFont(PLChatWindowStyle::font(QStringLiteral("DejaVuSans"), 9));
    setTextColor(PLChatWindowStyle::color(QStringLiteral("679CB0")));
}

void PLRoundedCountLabel::paintEvent(QPaintEvent* event) {
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(PLChatWindowStyle::color(QStringLiteral("679CB0")), 1.0));
        painter.setBrush(Qt::white);
        const qreal radius = width() / 2.0;
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
    }
    Label::paintEvent(event);
}

} // namespace pelnix
