#include "ui/conversation/PLMessageTextView.h"

#include "foundation/TwoGenerationCache.h"
#include "platform/BidiText.h"
#include "platform/MainThread.h"
#include "platform/ui/LineBreaker.h"

#include <QContextMenuEvent>
#include <QEvent>
#include <QHash>
#include <QMouseEvent>
#include <QPainter>
#include <QRawFont>
#include <QTextOption>

#include <algorithm>
#include <cstring>
#include <optional>

namespace pelnix {

namespace {
const QColor kLinkColor(0x00, 0x71, 0xBD);
// The heights kept.
constexpr int kHeightCacheLimit = 20000;
// The most pixels of a drawn text a view keeps (4 MiB): several screens of text.
constexpr qint64 kMostDrawnPixels = 1 << 20;

using Link = platform::ui::TextView::DetectedLink;

// Whether `count` pixels from `pixels` on are all clear (premultiplied: all bits zero).
bool isClear(const quint32* pixels, int count) {
    static const quint32 kClear[256] = {};
    while (count > 0) {
        const int part = qMin(count, 256);
        if (std::memcmp(pixels, kClear, sizeof(quint32) * part) != 0)
            return false;
        pixels += part;
        count -= part;
    }
    return true;
}

// The text as one layout lays it out, the links where they stand in it, and the layout's direction.
//
// Each paragraph reads in its own direction (BidiText::paragraphs). The layout takes the first one's,
// and a paragraph that reads otherwise is embedded in its own direction, so that it reads as it would
// alone (an embedding costs the layout less than an isolate, and in text without controls nothing ends
// it early). Where the text holds controls, every paragraph is isolated instead, so that whatever its
// controls open ends with it, as at a paragraph's end; the text's own closing marks with nothing of
// their own to close are left out, as they would end an isolate of ours. In text that could reorder them
// (right-to-left letters or directional controls), each link is isolated too, so that it reads as it
// acts: a control before a number or an address cannot show it reversed while a tap opens it as it
// is. Line ends break lines in the layout.
struct LaidText {
    QString text;
    QList<Link> links;
    Qt::LayoutDirection direction = Qt::LeftToRight;
};

constexpr char16_t kLeftToRightEmbedding = 0x202A;
constexpr char16_t kRightToLeftEmbedding = 0x202B;
constexpr char16_t kPopDirectionalFormatting = 0x202C;
constexpr char16_t kLeftToRightIsolate = 0x2066;
constexpr char16_t kRightToLeftIsolate = 0x2067;

QChar lineBreakFor(QChar c) {
    return platform::BidiText::endsParagraph(c) ? QChar(QChar::LineSeparator) : c;
}

LaidText layoutText(const QString& text, const QList<Link>& links) {
    using platform::BidiText;
    const auto paragraphs = BidiText::paragraphs(text);
    LaidText laid;
    laid.direction = paragraphs.first().direction;
    const bool isolateLinks = !links.isEmpty() && BidiText::needsIsolation(text);
    const bool controls = BidiText::hasControls(text);
    const auto setApart = [&](const BidiText::Paragraph& paragraph) {
        return paragraphs.size() > 1 && (controls || paragraph.direction != laid.direction);
    };
    if (!isolateLinks && std::none_of(paragraphs.cbegin(), paragraphs.cend(), setApart)) {
        laid.text = text;
        for (QChar& c : laid.text)
            c = lineBreakFor(c);
        laid.links = links;
        return laid;
    }
    QString& out = laid.text;
    out.reserve(text.size() + 2 * links.size() + 2 * paragraphs.size());
    qsizetype next = 0;
    qsizetype linkStart = -1;
    const auto endLink = [&] {
        if (linkStart < 0)
            return;
        laid.links << Link{int(linkStart), int(out.size() - linkStart), links[next].url};
        if (isolateLinks)
            out += QChar(BidiText::kPopDirectionalIsolate);
        linkStart = -1;
        ++next;
    };
    qsizetype copied = 0;
    for (const BidiText::Paragraph& paragraph : paragraphs) {
        // The line end before the paragraph.
        for (; copied < paragraph.start; ++copied)
            out += lineBreakFor(text.at(copied));
        const bool apart = setApart(paragraph);
        const bool rightToLeft = paragraph.direction == Qt::RightToLeft;
        if (apart && controls)
            out += QChar(rightToLeft ? kRightToLeftIsolate : kLeftToRightIsolate);
        else if (apart)
            out += QChar(rightToLeft ? kRightToLeftEmbedding : kLeftToRightEmbedding);
        int open = 0;
        const qsizetype end = paragraph.start + paragraph.length;
        for (; copied < end; ++copied) {
            if (linkStart >= 0 && copied >= links[next].start + links[next].length)
                endLink();
            // Links the scan passed (none does, unless they overlap) are dropped.
            while (linkStart < 0 && next < links.size() && links[next].start < copied)
                ++next;
            if (linkStart < 0 && next < links.size() && links[next].start == copied) {
                if (isolateLinks)
                    out += QChar(BidiText::kFirstStrongIsolate);
                linkStart = out.size();
            }
            const QChar c = text.at(copied);
            if (c.unicode() == BidiText::kPopDirectionalIsolate) {
                if (open == 0)
                    continue;
                --open;
            } else if (QChar::direction(c.unicode()) == QChar::DirLRI ||
                       QChar::direction(c.unicode()) == QChar::DirRLI ||
                       QChar::direction(c.unicode()) == QChar::DirFSI) {
                ++open;
            }
            out += c;
        }
        // A link ends with its paragraph at the latest.
        endLink();
        if (apart && controls)
            out += QString(open + 1, QChar(BidiText::kPopDirectionalIsolate));
        else if (apart)
            out += QChar(kPopDirectionalFormatting);
    }
    return laid;
}

// The links' look, and the size of the direction controls that the font lacks. A control draws
// nothing, yet a line takes the height of every font that lays out a character of it: the fallback
// font that has a control (the isolates, in many fonts) could make each line that holds one taller
// and lower its text. At the smallest size such a control never sets its line's height; the controls
// the font has stay in its runs of text.
QList<QTextLayout::FormatRange> formatsFor(const QString& laid, const QList<Link>& links, const QFont& font) {
    QList<QTextLayout::FormatRange> formats;
    for (const auto& link : links) {
        QTextCharFormat format;
        format.setForeground(kLinkColor);
        format.setFontUnderline(true);
        formats << QTextLayout::FormatRange{link.start, link.length, format};
    }
    std::optional<QRawFont> own;
    const auto lacked = [&own, &font](QChar c) {
        if (!platform::BidiText::isControl(c.unicode()))
            return false;
        if (!own)
            own = QRawFont::fromFont(font);
        return !own->supportsCharacter(c);
    };
    std::optional<QTextCharFormat> control;
    for (int i = 0; i < laid.size(); ++i) {
        if (!lacked(laid.at(i)))
            continue;
        int end = i + 1;
        while (end < laid.size() && lacked(laid.at(end)))
            ++end;
        if (!control) {
            QFont smallest = font;
            smallest.setPixelSize(1);
            control.emplace();
            control->setFont(smallest, QTextCharFormat::FontPropertiesSpecifiedOnly);
        }
        formats << QTextLayout::FormatRange{i, end - i, *control};
        i = end - 1;
    }
    return formats;
}

// Lays `layout` out at `width` for the text as laid; answers the used height.
qreal layOut(QTextLayout& layout, const LaidText& laid, qreal width, Qt::LayoutDirection direction) {
    // Aligned with the view's layout; the message reads in the direction of its paragraphs, so
    // English in a right-to-left layout still ends with its own full stop and quote.
    QTextOption option(direction == Qt::RightToLeft ? Qt::AlignRight | Qt::AlignAbsolute : Qt::AlignLeft);
    option.setTextDirection(laid.direction);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.setCacheEnabled(true);
    qreal y = 0;
    layout.beginLayout();
    platform::ui::LineBreaker breaker(layout);
    for (;;) {
        QTextLine line = breaker.createLine();
        if (!line.isValid())
            break;
        line.setLeadingIncluded(true);
        line.setLineWidth(qMax<qreal>(1, width));
        line.setPosition(QPointF(0, y));
        y += line.height();
    }
    layout.endLayout();
    return y;
}
} // namespace

PLMessageTextView::PLMessageTextView(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::NoFocus);
    setContextMenuPolicy(Qt::PreventContextMenu);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

PLMessageTextView::~PLMessageTextView() = default;

void PLMessageTextView::setText(const QString& text) {
    if (text == m_text && m_layout)
        return;
    m_text = text;
    m_links = platform::ui::TextView::detectedLinks(text);
    relayout();
}

void PLMessageTextView::setTextColor(const QColor& color) {
    if (m_color == color)
        return;
    m_color = color;
    m_drawn = QImage();
    m_inked = QImage();
    update();
}

void PLMessageTextView::setTextContainerInset(const QMargins& inset) {
    m_inset = inset;
    relayout();
}

qreal PLMessageTextView::textWidth() const {
    return width() - m_inset.left() - m_inset.right() - 2 * kLineFragmentPadding;
}

QPointF PLMessageTextView::textOrigin() const {
    return {m_inset.left() + kLineFragmentPadding, qreal(m_inset.top())};
}

void PLMessageTextView::relayout() {
    const LaidText laid = layoutText(m_text, m_links);
    m_shownLinks = laid.links;
    m_layout = std::make_unique<QTextLayout>(laid.text, font());
    m_layout->setFormats(formatsFor(laid.text, m_shownLinks, font()));
    m_laidOutWidth = textWidth();
    layOut(*m_layout, laid, m_laidOutWidth, layoutDirection());
    m_drawn = QImage();
    m_inked = QImage();
    update();
}

qreal PLMessageTextView::measuredHeight(const QString& text, const QFont& font, qreal width) {
    Q_ASSERT(platform::isMainThread());
    if (text.isEmpty())
        return 0;
    // The heights of the rows in use survive a pass through a room of any size.
    static TwoGenerationCache<QString, qreal> heights(kHeightCacheLimit);
    const QString key = font.key() + QLatin1Char('|') + QString::number(width) + QLatin1Char('|') + text;
    if (const qreal* known = heights.find(key))
        return *known;
    const LaidText laid = layoutText(text, platform::BidiText::needsIsolation(text)
                                               ? platform::ui::TextView::detectedLinks(text)
                                               : QList<Link>());
    QTextLayout layout(laid.text, font);
    layout.setFormats(formatsFor(laid.text, laid.links, font));
    const qreal height = layOut(layout, laid, width, Qt::LeftToRight);
    heights.insert(key, height);
    return height;
}

Qt::LayoutDirection PLMessageTextView::textDirection() const {
    return m_layout ? m_layout->textOption().textDirection() : Qt::LeftToRight;
}

QUrl PLMessageTextView::linkAt(const QPointF& point) const {
    if (!m_layout || m_links.isEmpty())
        return {};
    const QPointF local = point - textOrigin();
    for (int i = 0; i < m_layout->lineCount(); ++i) {
        const QTextLine line = m_layout->lineAt(i);
        if (local.y() < line.y() || local.y() >= line.y() + line.height())
            continue;
        if (local.x() < line.x() || local.x() > line.x() + line.naturalTextWidth())
            return {};
        const int position = line.xToCursor(local.x(), QTextLine::CursorOnCharacter);
        for (const auto& link : m_shownLinks)
            if (position >= link.start && position < link.start + link.length)
                return link.url;
        return {};
    }
    return {};
}

void PLMessageTextView::paintEvent(QPaintEvent* event) {
    if (!m_layout || m_text.isEmpty())
        return;
    QPainter painter(this);
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = size() * ratio;
    // A text of many screens (a hostile one) is drawn anew each time, only its exposed lines.
    if (qint64(pixels.width()) * pixels.height() > kMostDrawnPixels) {
        m_drawn = QImage();
        m_inked = QImage();
        painter.setPen(m_color);
        m_layout->draw(&painter, textOrigin(), {}, QRectF(event->rect()));
        return;
    }
    if (m_drawn.isNull() || m_drawn.size() != pixels || m_drawn.devicePixelRatio() != ratio) {
        m_drawn = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
        m_drawn.setDevicePixelRatio(ratio);
        m_drawn.fill(Qt::transparent);
        {
            QPainter text(&m_drawn);
            text.setPen(m_color);
            m_layout->draw(&text, textOrigin());
        }
        keepInkedPart();
    }
    // Moved by whole pixels, the part that holds ink paints what the whole picture would: the rest is
    // clear. Under any other transform, the whole picture as it is.
    if (painter.transform().type() > QTransform::TxTranslate)
        painter.drawImage(QPoint(), m_drawn);
    else if (!m_inked.isNull())
        painter.drawImage(m_inkedAt, m_inked);
}

void PLMessageTextView::keepInkedPart() {
    m_inked = QImage();
    const qreal ratio = m_drawn.devicePixelRatio();
    const int step = int(ratio);
    if (step != ratio) {
        m_inked = m_drawn;
        m_inkedAt = {};
        return;
    }
    // The rows and columns with a pixel that is not clear, widened to whole logical pixels. A row is
    // compared whole first, then only beyond the columns found so far.
    const int width = m_drawn.width();
    int top = -1, bottom = -1, left = width, right = -1;
    for (int y = 0; y < m_drawn.height(); ++y) {
        const auto* row = reinterpret_cast<const quint32*>(m_drawn.constScanLine(y));
        if (isClear(row, width))
            continue;
        if (!isClear(row, left)) {
            int first = 0;
            while (row[first] == 0)
                ++first;
            left = first;
        }
        if (!isClear(row + right + 1, width - right - 1)) {
            int last = width - 1;
            while (row[last] == 0)
                --last;
            right = last;
        }
        if (top < 0)
            top = y;
        bottom = y;
    }
    if (top < 0)
        return;
    const auto down = [step](int v) { return v / step * step; };
    const auto up = [step](int v) { return (v + step) / step * step; };
    const QRect inked(QPoint(down(left), down(top)), QPoint(up(right) - 1, up(bottom) - 1));
    // A view of the picture's pixels, not a copy: it lives as long as the picture does.
    m_inked = QImage(m_drawn.constScanLine(inked.top()) + inked.left() * 4, inked.width(), inked.height(),
                     m_drawn.bytesPerLine(), m_drawn.format());
    m_inked.setDevicePixelRatio(ratio);
    m_inkedAt = inked.topLeft() / step;
}

void PLMessageTextView::resizeEvent(QResizeEvent*) {
    // The lines follow the width alone: a row that only grows or shrinks, or is shown again from the
    // list's pool, keeps them.
    if (!m_layout || textWidth() != m_laidOutWidth)
        relayout();
}

void PLMessageTextView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange || event->type() == QEvent::LayoutDirectionChange)
        relayout();
    QWidget::changeEvent(event);
}

void PLMessageTextView::mousePressEvent(QMouseEvent* event) {
    m_pressedLink = linkAt(event->position());
    // A press beside the links belongs to the list (a drag scrolls it).
    if (m_pressedLink.isEmpty())
        event->ignore();
}

void PLMessageTextView::mouseReleaseEvent(QMouseEvent* event) {
    const QUrl pressed = std::exchange(m_pressedLink, QUrl());
    if (pressed.isEmpty()) {
        event->ignore();
        return;
    }
    if (linkAt(event->position()) == pressed)
        emit linkTapped(pressed);
}

void PLMessageTextView::contextMenuEvent(QContextMenuEvent* event) {
    event->accept();
}

} // namespace pelnix
