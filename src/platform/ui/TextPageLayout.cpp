#include "TextPageLayout.h"

#include "LineBreaker.h"

#include <QPainter>
#include <QTextLayout>
#include <algorithm>

namespace pelnix::platform::ui {

namespace {

QTextOption paragraphOption(bool rightToLeft, QTextOption::WrapMode wrap) {
    // Each paragraph starts on its own reading side.
    QTextOption option(Qt::AlignLeft);
    option.setWrapMode(wrap);
    option.setTextDirection(rightToLeft ? Qt::RightToLeft : Qt::LeftToRight);
    return option;
}

} // namespace

TextPageLayout::TextPageLayout(const QString& text, const QFont& font, qreal width, const QString& note)
    : m_text(text), m_note(note), m_font(font), m_width(width) {
    m_height = kMargin;
    if (!note.isEmpty()) {
        add(m_note, 0, m_note.size(), true);
        m_height += QFontMetricsF(font).lineSpacing();
    }
    qsizetype start = 0;
    for (qsizetype at = 0; at <= m_text.size(); ++at) {
        if (at < m_text.size() && m_text.at(at) != QLatin1Char('\n') &&
            m_text.at(at) != QChar::ParagraphSeparator)
            continue;
        qsizetype end = at;
        if (end > start && m_text.at(end - 1) == QLatin1Char('\r'))
            --end;
        add(m_text, start, end - start, false);
        start = at + 1;
    }
    m_height += kMargin;
}

QFont TextPageLayout::fontOf(const Line& line) const {
    QFont font = m_font;
    font.setItalic(line.note);
    return font;
}

void TextPageLayout::add(const QString& text, qsizetype offset, qsizetype length, bool note) {
    const QString paragraph = text.mid(offset, length);
    const bool rightToLeft = paragraph.isRightToLeft();
    Line proto;
    proto.note = note;
    proto.rightToLeft = rightToLeft;
    if (paragraph.isEmpty()) {
        // An empty paragraph still takes its line.
        proto.start = offset;
        proto.y = m_height;
        m_lines.push_back(proto);
        m_height += QFontMetricsF(fontOf(proto)).lineSpacing();
        return;
    }
    QTextLayout layout(paragraph, fontOf(proto));
    layout.setTextOption(paragraphOption(rightToLeft, QTextOption::WrapAtWordBoundaryOrAnywhere));
    const qreal lineWidth = qMax<qreal>(1, m_width - 2 * kMargin);
    layout.beginLayout();
    {
        LineBreaker breaker(layout);
        for (QTextLine line = breaker.createLine(); line.isValid(); line = breaker.createLine()) {
            line.setLineWidth(lineWidth);
            Line kept = proto;
            kept.start = offset + line.textStart();
            kept.length = line.textLength();
            kept.y = m_height;
            m_lines.push_back(kept);
            m_height += line.height();
        }
    }
    layout.endLayout();
}

QList<QSizeF> TextPageLayout::slices(qreal sliceHeight) const {
    QList<QSizeF> sizes;
    for (qreal top = 0; top < m_height; top += sliceHeight)
        sizes << QSizeF(m_width, qMin(sliceHeight, m_height - top));
    return sizes;
}

QImage TextPageLayout::drawSlice(int slice, qreal sliceHeight, const QSize& pixels) const {
    QImage image(pixels, QImage::Format_RGB32);
    if (image.isNull())
        return image;
    image.fill(Qt::white);
    const qreal top = slice * sliceHeight;
    const qreal bottom = top + sliceHeight;
    QPainter painter(&image);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const qreal scale = pixels.width() / m_width;
    painter.scale(scale, scale);
    painter.translate(0, -top);
    painter.setClipRect(QRectF(0, top, m_width, sliceHeight));
    const qreal lineWidth = qMax<qreal>(1, m_width - 2 * kMargin);
    // From the line before the first that starts in the slice (it may reach into it).
    auto it =
        std::upper_bound(m_lines.begin(), m_lines.end(), top, [](qreal y, const Line& l) { return y < l.y; });
    if (it != m_lines.begin())
        --it;
    for (; it != m_lines.end() && it->y < bottom; ++it) {
        if (it->length == 0)
            continue;
        const QString& source = it->note ? m_note : m_text;
        QTextLayout layout(source.mid(it->start, it->length), fontOf(*it));
        layout.setTextOption(paragraphOption(it->rightToLeft, QTextOption::NoWrap));
        layout.beginLayout();
        QTextLine line = layout.createLine();
        line.setLineWidth(lineWidth);
        layout.endLayout();
        painter.setPen(it->note ? QColor(110, 110, 110) : QColor(Qt::black));
        line.draw(&painter, QPointF(kMargin, it->y));
    }
    return image;
}

} // namespace pelnix::platform::ui
