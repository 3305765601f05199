#include "ui/conversation/PLCellLabel.h"

#include "platform/ui/LineBreaker.h"
#include "platform/ui/LineTruncation.h"

#include <QPainter>
#include <QStyle>

namespace pelnix {

PLCellLabel::PLCellLabel(QWidget* parent) : Label(QString(), parent) {}

void PLCellLabel::setAlpha(qreal alpha) {
    if (alpha == m_alpha)
        return;
    m_alpha = alpha;
    update();
}

void PLCellLabel::layOutLines() {
    qreal y = 0;
    int lines = 0;
    m_layout->beginLayout();
    platform::ui::LineBreaker breaker(*m_layout);
    for (;;) {
        if (numberOfLines() > 0 && lines == numberOfLines())
            break;
        QTextLine line = breaker.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(width());
        line.setPosition(QPointF(0, y));
        y += line.height();
        ++lines;
    }
    m_layout->endLayout();
    m_usedHeight = y;
}

void PLCellLabel::paintEvent(QPaintEvent*) {
    if (text().isEmpty() || m_alpha <= 0)
        return;
    // Painted on every frame of a scrolling list: no text is built to tell whether the layout holds.
    LayoutInputs inputs{text(), width(), font(), alignment(), numberOfLines(), layoutDirection()};
    if (!m_layout || !(inputs == m_laidOut)) {
        m_laidOut = std::move(inputs);
        QString shown = text();
        shown.replace(QLatin1Char('\n'), QChar::LineSeparator);
        m_layout = std::make_unique<QTextLayout>(shown, font());
        // As the label itself lays out: the alignment mirrored by the layout direction unless absolute,
        // words wrapped, at most the label's number of lines.
        QTextOption option(
            QStyle::visualAlignment(layoutDirection(), alignment() & Qt::AlignHorizontal_Mask) &
            ~Qt::AlignAbsolute);
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        // The text reads in its own direction (English stays left to right in a mirrored screen, a
        // phone number keeps its order, "..." ends the text); only the alignment follows the screen.
        option.setTextDirection(Qt::LayoutDirectionAuto);
        m_layout->setTextOption(option);
        m_layout->setCacheEnabled(true);
        layOutLines();
        // Text the lines do not hold ends the last one with "…", as the label does.
        const QString truncated = platform::ui::truncatedToLines(*m_layout, numberOfLines(), width(), font());
        if (!truncated.isNull()) {
            m_layout->setText(truncated);
            layOutLines();
        }
    }
    QPainter painter(this);
    painter.setOpacity(m_alpha);
    painter.setPen(textColor());
    painter.setClipRect(rect());
    m_layout->draw(&painter, QPointF(0, alignsTop() ? 0 : (height() - m_usedHeight) / 2));
}

} // namespace pelnix
