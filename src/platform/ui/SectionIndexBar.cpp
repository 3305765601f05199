#include "SectionIndexBar.h"

#include "LibraryFont.h"

#include <QMouseEvent>
#include <QPainter>

namespace pelnix::platform::ui {

SectionIndexBar::SectionIndexBar(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("sectionIndexBar"));
    setFont(libraryFont(11, true));
}

void SectionIndexBar::setTitles(const QStringList& titles) {
    m_titles = titles;
    setVisible(!titles.isEmpty());
    update();
}

void SectionIndexBar::setColor(const QColor& color) {
    m_color = color;
    update();
}

qreal SectionIndexBar::rowHeight() const {
    return m_titles.isEmpty() ? 0 : qMin<qreal>(16, qreal(height()) / m_titles.size());
}

int SectionIndexBar::indexAt(qreal y) const {
    const qreal row = rowHeight();
    if (row <= 0)
        return -1;
    const qreal top = (height() - row * m_titles.size()) / 2;
    const int index = int(std::floor((y - top) / row));
    return qBound(0, index, int(m_titles.size()) - 1);
}

void SectionIndexBar::pick(qreal y) {
    const int index = indexAt(y);
    if (index < 0 || index == m_last)
        return;
    m_last = index;
    emit picked(index, m_titles[index]);
}

void SectionIndexBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(m_color);
    const qreal row = rowHeight();
    const qreal top = (height() - row * m_titles.size()) / 2;
    for (int i = 0; i < m_titles.size(); ++i)
        painter.drawText(QRectF(0, top + i * row, width(), row), Qt::AlignCenter, m_titles[i]);
}

void SectionIndexBar::mousePressEvent(QMouseEvent* event) {
    m_last = -1;
    pick(event->position().y());
    event->accept();
}

void SectionIndexBar::mouseMoveEvent(QMouseEvent* event) {
    pick(event->position().y());
    event->accept();
}

void SectionIndexBar::mouseReleaseEvent(QMouseEvent* event) {
    m_last = -1;
    event->accept();
}

} // namespace pelnix::platform::ui
