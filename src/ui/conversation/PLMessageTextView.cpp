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

// The text as it is laid out, and its links where they stand in it. In text that could reorder them
// (right-to-left letters or directional controls), each link is isolated, so that it reads as it acts:
// a control before a number or an address cannot show it reversed while a tap opens it as it is.
QString layoutText(const QString& text, const QList<Link>& links, QList<Link>* shown = nullptr) {
    using platform::BidiText;
    QString laid;
    QList<Link> moved;
    if (links.isEmpty() || !BidiText::needsIsolation(text)) {
        laid = text;
        moved = links;
    } else {
        laid.reserve(text.size() + 2 * links.size());
        int last = 0;
        for (const Link& link : links) {
            laid += QStringView(text).mid(last, link.start - last);
            laid += QChar(BidiText::kFirstStrongIsolate);
            moved << Link{int(laid.size()), link.length, link.url};
            laid += QStringView(text).mid(link.start, link.length);
            laid += QChar(BidiText::kPopDirectionalIsolate);
            last = link.start + link.length;
        }
        laid += QStringView(text).mid(last);
    }
    if (shown)
        *shown = moved;
    return laid.replace(QLatin1Char('\n'), QChar::LineSeparator);
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
    for (int i = 0; i < laid.size(); ++i) {
        if (!lacked(laid.at(i)))
            continue;
        int end = i + 1;
        while (end < laid.size() && lacked(laid.at(end)))
            ++end;
        QFont smallest = font;
        smallest.setPixelSize(1);
        QTextCharFormat control;
        control.setFont(smallest, QTextCharFormat::FontPropertiesSpecifiedOnly);
        formats << QTextLayout::FormatRange{i, end - i, control};
        i = end - 1;
    }
    return formats;
}

// Lays `layout` out at `width` for the message `text`; answers the used height.
qreal layOut(QTextLayout& layout, const QString& text, qreal width, Qt::LayoutDirection direction) {
    // Aligned with the layout; the message reads in the direction of its own first strong character,
    // so English in a right-to-left layout still ends with its own full stop and quote.
    QTextOption option(direction == Qt::RightToLeft ? Qt::AlignRight | Qt::AlignAbsolute : Qt::AlignLeft);
    option.setTextDirection(platform::BidiText::firstStrongDirection(text));
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
    const QString laid = layoutText(m_text, m_links, &m_shownLinks);
    m_layout = std::make_unique<QTextLayout>(laid, font());
    m_layout->setFormats(formatsFor(laid, m_shownLinks, font()));
    m_laidOutWidth = textWidth();
    layOut(*m_layout, m_text, m_laidOutWidth, layoutDirection());
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
    QList<Link> shown;
    const QString laid =
        layoutText(text,
                   platform::BidiText::needsIsolation(text) ? platform::ui::TextView::detectedLinks(text)
                                                            : QList<Link>(),
                   &shown);
    QTextLayout layout(laid, font);
    layout.setFormats(formatsFor(laid, shown, font));
    const qreal height = layOut(layout, text, width, Qt::LeftToRight);
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
