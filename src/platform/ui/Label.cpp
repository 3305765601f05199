#include "Label.h"

#include "LineBreaker.h"
#include "LineTruncation.h"

#include <QEvent>
#include <QPainter>
#include <QStyle>
#include <QTextLayout>

namespace pelnix::platform::ui {

namespace {
QString layoutText(QString text) {
    return text.replace(QLatin1Char('\n'), QChar::LineSeparator);
}
} // namespace

Label::Label(const QString& text, QWidget* parent) : QWidget(parent), m_text(text) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
}

void Label::setText(const QString& text) {
    setAttributedText(AttributedString(text));
}

void Label::setAttributedText(const AttributedString& text) {
    m_text = text;
    updateGeometry();
    update();
}

void Label::setTextColor(const QColor& color) {
    m_color = color;
    update();
}

void Label::setAlignment(Qt::Alignment alignment) {
    m_alignment = alignment;
    update();
}

void Label::setNumberOfLines(int lines) {
    m_lines = qMax(0, lines);
    updateGeometry();
    update();
}

void Label::setAlignsTop(bool top) {
    m_top = top;
    update();
}

QSizeF Label::layoutText(QTextLayout& layout, qreal width) const {
    const QSizeF used = layoutLines(layout, pelnix::platform::ui::layoutText(m_text.text()), width);
    // A text longer than the lines allow ends its last line with "…", as a cut would hide that it goes
    // on (a long name in a one-line label read as another, shorter one).
    const QString truncated = truncatedToLines(layout, m_lines, width, font());
    return truncated.isNull() ? used : layoutLines(layout, truncated, width);
}

QSizeF Label::layoutLines(QTextLayout& layout, const QString& text, qreal width) const {
    layout.setText(text);
    layout.setFont(font());
    QList<QTextLayout::FormatRange> formats;
    for (QTextLayout::FormatRange range : m_text.formats()) {
        range.length = qMin(range.start + range.length, int(text.size())) - range.start;
        if (range.length > 0)
            formats << range;
    }
    layout.setFormats(formats);
    // A text layout does not mirror alignments itself; Qt's widgets do it through the style, and so
    // does this label (an absolute alignment stays as it is).
    QTextOption option(QStyle::visualAlignment(layoutDirection(), m_alignment & Qt::AlignHorizontal_Mask) &
                       ~Qt::AlignAbsolute);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    // The text reads in its own direction (English stays left to right in a mirrored screen, a
    // phone number keeps its order, "..." ends the text); only the alignment follows the screen.
    option.setTextDirection(Qt::LayoutDirectionAuto);
    layout.setTextOption(option);
    layout.setCacheEnabled(true);
    qreal y = 0;
    qreal used = 0;
    int lines = 0;
    layout.beginLayout();
    LineBreaker breaker(layout);
    for (;;) {
        if (m_lines > 0 && lines == m_lines)
            break;
        QTextLine line = breaker.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(width);
        line.setPosition(QPointF(0, y));
        y += line.height() + m_text.lineSpacing();
        used = qMax(used, line.naturalTextWidth());
        ++lines;
    }
    layout.endLayout();
    if (lines > 0)
        y -= m_text.lineSpacing();
    return QSizeF(used, y);
}

QSizeF Label::sizeThatFits(const QSizeF& size) const {
    if (m_text.isEmpty())
        return {0, 0};
    QTextLayout layout;
    const qreal width = size.width() > 0 ? size.width() : 1e6;
    const QSizeF used = layoutText(layout, width);
    return QSizeF(std::ceil(used.width()), std::ceil(used.height()));
}

void Label::sizeToFit() {
    resize(sizeThatFits(QSizeF(width() > 0 && m_lines != 1 ? width() : 1e6, 1e6)).toSize());
}

QSize Label::sizeHint() const {
    return sizeThatFits(QSizeF(m_lines == 1 ? 1e6 : qMax(width(), 100), 1e6)).toSize();
}

int Label::heightForWidth(int width) const {
    return qCeil(sizeThatFits(QSizeF(width, 1e6)).height());
}

void Label::paintEvent(QPaintEvent*) {
    if (m_text.isEmpty())
        return;
    QPainter painter(this);
    painter.setPen(m_color);
    QTextLayout layout;
    const QSizeF used = layoutText(layout, width());
    const qreal y = m_top ? 0 : (height() - used.height()) / 2;
    painter.setClipRect(rect());
    layout.draw(&painter, QPointF(0, y));
}

void Label::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::LayoutDirectionChange) {
        updateGeometry();
        update();
    }
}

} // namespace pelnix::platform::ui
