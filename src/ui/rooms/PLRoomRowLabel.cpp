#include "ui/rooms/PLRoomRowLabel.h"

#include <QPainter>
#include <QStyle>
#include <QTextLayout>

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
           ratio == other.ratio && alignment == other.alignment && direction == other.direction &&
           sameRuns(runs, other.runs);
}

PLRoomRowLabel::PLRoomRowLabel(QWidget* parent) : Label(QString(), parent) {}

PLRoomRowLabel::Drawn PLRoomRowLabel::current() const {
    const AttributedString text = attributedText();
    return {text.text(),         size(),           textColor(),       font().key(),
            devicePixelRatioF(), int(alignment()), layoutDirection(), text.runs()};
}

void PLRoomRowLabel::draw(const AttributedString& text, QPainter& painter) const {
    // One line, vertically centred, aligned as the label says and mirrored right to left.
    QTextLayout layout(text.text(), font());
    layout.setFormats(QList<QTextLayout::FormatRange>(text.formats()));
    QTextOption option(QStyle::visualAlignment(layoutDirection(), alignment() & Qt::AlignHorizontal_Mask) &
                       ~Qt::AlignAbsolute);
    option.setWrapMode(QTextOption::NoWrap);
    // The text reads in its own direction (English stays left to right in a mirrored screen, a
    // phone number keeps its order, "..." ends the text); only the alignment follows the screen.
    option.setTextDirection(Qt::LayoutDirectionAuto);
    layout.setTextOption(option);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    if (line.isValid())
        line.setLineWidth(width());
    layout.endLayout();
    if (!line.isValid())
        return;
    painter.setPen(textColor());
    painter.setClipRect(rect());
    layout.draw(&painter, QPointF(0, (height() - line.height()) / 2));
}

void PLRoomRowLabel::paintEvent(QPaintEvent*) {
    const Drawn now = current();
    if (now.text.isEmpty() || now.size.isEmpty())
        return;
    if (m_drawing.isNull() || !(now == m_drawn)) {
        m_drawing = QImage((QSizeF(now.size) * now.ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
        m_drawing.setDevicePixelRatio(now.ratio);
        m_drawing.fill(Qt::transparent);
        QPainter painter(&m_drawing);
        draw(attributedText(), painter);
        m_drawn = now;
    }
    QPainter(this).drawImage(QPointF(0, 0), m_drawing);
}

} // namespace pelnix
