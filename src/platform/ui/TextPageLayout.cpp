#include "TextPageLayout.h"

#include "LineBreaker.h"

#include <QPainter>
#include <QTextLayout>
#include <algorithm>

namespace pelnix::platform::ui {

TextPageLayout::TextPageLayout(const QString& text, const QFont& font, qreal width, const QString& note)
    : m_width(width) {
    m_height = kMargin;
    if (!note.isEmpty()) {
        QFont italic = font;
        italic.setItalic(true);
        add(note, italic, QColor(110, 110, 110));
        m_height += QFontMetricsF(font).lineSpacing();
    }
    qsizetype start = 0;
    for (qsizetype at = 0; at <= text.size(); ++at) {
        if (at < text.size() && text.at(at) != QLatin1Char('\n') && text.at(at) != QChar::ParagraphSeparator)
            continue;
        qsizetype end = at;
        if (end > start && text.at(end - 1) == QLatin1Char('\r'))
            --end;
        add(text.mid(start, end - start), font, Qt::black);
        start = at + 1;
    }
    m_height += kMargin;
}

TextPageLayout::~TextPageLayout() = default;

void TextPageLayout::add(const QString& text, const QFont& font, const QColor& colour) {
    Paragraph paragraph;
    paragraph.layout = std::make_unique<QTextLayout>(text, font);
    paragraph.colour = colour;
    QTextOption option(Qt::AlignLeft | Qt::AlignAbsolute);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    option.setTextDirection(text.isRightToLeft() ? Qt::RightToLeft : Qt::LeftToRight);
    paragraph.layout->setTextOption(option);
    paragraph.layout->setCacheEnabled(true);
    const qreal lineWidth = qMax<qreal>(1, m_width - 2 * kMargin);
    qreal y = 0;
    paragraph.layout->beginLayout();
    {
        LineBreaker breaker(*paragraph.layout);
        for (QTextLine line = breaker.createLine(); line.isValid(); line = breaker.createLine()) {
            line.setLineWidth(lineWidth);
            line.setPosition(QPointF(0, y));
            y += line.height();
            ++m_lines;
        }
    }
    paragraph.layout->endLayout();
    // An empty paragraph still takes its line.
    if (text.isEmpty())
        y = QFontMetricsF(font).lineSpacing();
    paragraph.top = m_height;
    paragraph.bottom = m_height + y;
    m_height = paragraph.bottom;
    m_paragraphs.push_back(std::move(paragraph));
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
    // The first paragraph that ends below the slice's top, then on while they start above its bottom.
    auto it = std::upper_bound(m_paragraphs.begin(), m_paragraphs.end(), top,
                               [](qreal y, const Paragraph& p) { return y < p.bottom; });
    for (; it != m_paragraphs.end() && it->top < bottom; ++it) {
        painter.setPen(it->colour);
        const QTextLayout& layout = *it->layout;
        // Only the lines in the slice: a paragraph can be the whole text.
        const int count = layout.lineCount();
        int first = 0;
        int lo = 0, hi = count;
        while (lo < hi) {
            const int mid = (lo + hi) / 2;
            if (it->top + layout.lineAt(mid).rect().bottom() <= top)
                lo = mid + 1;
            else
                hi = mid;
        }
        first = lo;
        for (int i = first; i < count; ++i) {
            const QTextLine line = layout.lineAt(i);
            if (it->top + line.y() >= bottom)
                break;
            line.draw(&painter, QPointF(kMargin, it->top));
        }
    }
    return image;
}

} // namespace pelnix::platform::ui
