#include "ui/rooms/PLRoomRowLabel.h"

#include <QPainter>

namespace pelnix {

using platform::ui::AttributedString;

namespace {
bool sameRuns(const QList<AttributedString::Run>& a, const QList<AttributedString::Run>& b) {
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        const auto& x = a[i];
        const auto& y = b[i];
        if (x.start != y.start || x.length != y.length || x.attributes.color != y.attributes.color ||
            x.attributes.font != y.attributes.font || x.attributes.bold != y.attributes.bold ||
            x.attributes.underline != y.attributes.underline || x.attributes.kern != y.attributes.kern)
            return false;
    }
    return true;
}
} // namespace

bool PLRoomRowLabel::Drawn::operator==(const Drawn& other) const {
    return text == other.text && size == other.size && colour == other.colour && font == other.font &&
           ratio == other.ratio && sameRuns(runs, other.runs);
}

PLRoomRowLabel::PLRoomRowLabel(QWidget* parent) : Label(QString(), parent) {}

PLRoomRowLabel::Drawn PLRoomRowLabel::current() const {
    const AttributedString text = attributedText();
    return {text.text(), size(), textColor(), font().key(), devicePixelRatioF(), text.runs()};
}

void PLRoomRowLabel::paintEvent(QPaintEvent* event) {
    if (m_drawingNow) {
        Label::paintEvent(event);
        return;
    }
    const Drawn now = current();
    if (now.text.isEmpty() || now.size.isEmpty())
        return;
    if (m_drawing.isNull() || !(now == m_drawn)) {
        m_drawing = QImage((QSizeF(now.size) * now.ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
        m_drawing.setDevicePixelRatio(now.ratio);
        m_drawing.fill(Qt::transparent);
        m_drawingNow = true;
        render(&m_drawing, QPoint(), QRegion(), QWidget::RenderFlags());
        m_drawingNow = false;
        m_drawn = now;
    }
    QPainter(this).drawImage(QPointF(0, 0), m_drawing);
}

} // namespace pelnix
