#include "ui/conversation/PLPagePlaceholderView.h"

#include "foundation/PLCurrentBundleInfo.h"
#include "ui/conversation/PLChatWindowStyle.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>

namespace pelnix {

namespace {
constexpr int kPadding = 10;
constexpr qreal kCornerRadius = 6;
const QColor kFill(0xF2, 0xF2, 0xF7);
const QColor kBorder(0xD1, 0xD1, 0xD6);
const QColor kNameColour(0x33, 0x33, 0x33);
const QColor kNoteColour(0x8E, 0x8E, 0x93);
} // namespace

PLPagePlaceholderView::PLPagePlaceholderView(QWidget* parent)
    : QWidget(parent),
      m_note(PLCurrentBundleInfo::localizedString(QStringLiteral("Unable to load content"))) {
    setObjectName(QStringLiteral("pagePlaceholder"));
}

void PLPagePlaceholderView::setName(const QString& name) {
    if (name == m_name)
        return;
    m_name = name;
    update();
}

void PLPagePlaceholderView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath box;
    box.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), kCornerRadius, kCornerRadius);
    painter.fillPath(box, kFill);
    painter.setPen(kBorder);
    painter.drawPath(box);

    // The name over the note, the pair centred in the box's height, both at its leading edge.
    const QFont nameFont = PLChatWindowStyle::font(QStringLiteral("DejaVuSans-Bold"), 13);
    const QFont noteFont = PLChatWindowStyle::font(QStringLiteral("DejaVuSans"), 11);
    const QFontMetrics nameMetrics(nameFont);
    const QFontMetrics noteMetrics(noteFont);
    const int textWidth = qMax(0, width() - 2 * kPadding);
    const int top = qMax(0, (height() - nameMetrics.height() - noteMetrics.height()) / 2);
    // The painter aligns by the program's direction, not the widget's: the side is given as it shows.
    const Qt::Alignment alignment =
        QStyle::visualAlignment(layoutDirection(), Qt::AlignLeading | Qt::AlignTop);
    const QRect nameRect(kPadding, top, textWidth, nameMetrics.height());
    const QRect noteRect = nameRect.translated(0, nameMetrics.height());
    // Each line reads in the direction of its own first strong letter, as a label's text does.
    const auto draw = [&painter, alignment](const QRect& rect, const QString& line) {
        painter.drawText(rect,
                         int(alignment) |
                             (line.isRightToLeft() ? Qt::TextForceRightToLeft : Qt::TextForceLeftToRight),
                         line);
    };
    painter.setFont(nameFont);
    painter.setPen(kNameColour);
    draw(nameRect, nameMetrics.elidedText(m_name.simplified(), Qt::ElideRight, textWidth));
    painter.setFont(noteFont);
    painter.setPen(kNoteColour);
    draw(noteRect, noteMetrics.elidedText(m_note, Qt::ElideRight, textWidth));
}

void PLPagePlaceholderView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::LayoutDirectionChange)
        update();
}

} // namespace pelnix
