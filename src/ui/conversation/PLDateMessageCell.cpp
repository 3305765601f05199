#include "ui/conversation/PLDateMessageCell.h"

#include "foundation/Clock.h"
#include "foundation/DateAdditions.h"
#include "foundation/PLCurrentBundleInfo.h"
#include "platform/ui/Label.h"
#include "ui/conversation/PLCellLabel.h"
#include "ui/conversation/PLChatWindowStyle.h"

#include <QPainter>

namespace pelnix {

using platform::ui::Label;

namespace {
constexpr int kPillHeight = 20;
constexpr int kPillPadding = 12;
const QColor kPillColor(0xE4, 0xE8, 0xEC);
const QColor kLineColor(0xE4, 0xE8, 0xEC);
} // namespace

PLDateMessageCell::PLDateMessageCell(QWidget* parent)
    : CollectionViewCell(kIdentifier, parent), m_dateStringLabel(new PLCellLabel(contentView())) {
    m_dateStringLabel->setObjectName(QStringLiteral("dateStringLabel"));
    m_dateStringLabel->setFont(PLChatWindowStyle::font(QStringLiteral("DejaVuSans"), 11));
    m_dateStringLabel->setTextColor(QColor(0x55, 0x5B, 0x61));
    m_dateStringLabel->setAlignment(Qt::AlignCenter);
}

QString PLDateMessageCell::textForDate(const QDateTime& date) {
    const QDateTime now = Clock::now();
    if (!DateAdditions::isOlderByOneOrMoreDays(date, now))
        return PLCurrentBundleInfo::localizedString(QStringLiteral("Today"));
    const QDate day = date.toLocalTime().date();
    const QString pattern = day.year() >= now.toLocalTime().date().year()
                                ? QStringLiteral("dd MMM, ddd")
                                : QStringLiteral("dd MMM yyyy, ddd");
    return DateAdditions::stringFromDate(date, pattern);
}

void PLDateMessageCell::setDate(const QDateTime& date) {
    m_dateStringLabel->setText(textForDate(date));
    resizeEvent(nullptr);
    update();
}

void PLDateMessageCell::resizeEvent(QResizeEvent* event) {
    if (event)
        CollectionViewCell::resizeEvent(event);
    const int textWidth =
        qCeil(QFontMetricsF(m_dateStringLabel->font()).horizontalAdvance(m_dateStringLabel->text()));
    const int pillWidth = qMin(width(), textWidth + 2 * kPillPadding);
    m_dateStringLabel->setGeometry((width() - pillWidth) / 2, (height() - kPillHeight) / 2, pillWidth,
                                   kPillHeight);
}

void PLDateMessageCell::paintEvent(QPaintEvent* event) {
    CollectionViewCell::paintEvent(event);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRect pill = m_dateStringLabel->geometry();
    const qreal middle = height() / 2.0;
    painter.setPen(QPen(kLineColor, 1));
    painter.drawLine(QPointF(12, middle), QPointF(pill.left() - 6, middle));
    painter.drawLine(QPointF(pill.right() + 6, middle), QPointF(width() - 12, middle));
    painter.setPen(Qt::NoPen);
    painter.setBrush(kPillColor);
    painter.drawRoundedRect(QRectF(pill), kPillHeight / 2.0, kPillHeight / 2.0);
}

} // namespace pelnix
