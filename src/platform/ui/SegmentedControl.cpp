#include "SegmentedControl.h"

#include "LibraryFont.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>

namespace pelnix::platform::ui {

SegmentedControl::SegmentedControl(const QStringList& titles, QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    // The titles in the control's own face, never the host program's.
    setFont(libraryFont(kTitlePixelSize));
    setTitles(titles);
}

void SegmentedControl::setTitles(const QStringList& titles) {
    m_titles = titles;
    m_enabled = QList<bool>(titles.size(), true);
    if (m_selected >= numberOfSegments())
        m_selected = kNoSegment;
    updateGeometry();
    update();
}

void SegmentedControl::setTitleForSegment(const QString& title, int index) {
    if (index < 0 || index >= numberOfSegments())
        return;
    m_titles[index] = title;
    update();
}

void SegmentedControl::setEnabledForSegment(bool enabled, int index) {
    if (index < 0 || index >= numberOfSegments())
        return;
    m_enabled[index] = enabled;
    update();
}

bool SegmentedControl::isEnabledForSegment(int index) const {
    return index >= 0 && index < numberOfSegments() && m_enabled[index];
}

void SegmentedControl::setSelectedSegmentIndex(int index) {
    m_selected = index >= 0 && index < numberOfSegments() ? index : kNoSegment;
    update();
}

void SegmentedControl::setTintColor(const QColor& color) {
    m_tint = color;
    update();
}

QRect SegmentedControl::segmentRect(int index) const {
    const int n = numberOfSegments();
    if (index < 0 || index >= n)
        return {};
    // Equal shares while every title fits its share. Else each segment gets its title's width and an
    // equal part of what is left, so a long title beside a short one shows whole; where even that does
    // not fit, the shares follow the titles' widths.
    QList<qreal> needs;
    qreal total = 0;
    bool allFit = true;
    for (const QString& title : m_titles) {
        const qreal need = fontMetrics().horizontalAdvance(title) + 2 * kTitlePadding;
        allFit = allFit && need <= qreal(width()) / n;
        needs << need;
        total += need;
    }
    const auto edge = [&](int segments) -> int {
        if (allFit || total <= 0)
            return width() * segments / n;
        qreal sum = 0;
        for (int i = 0; i < segments; ++i)
            sum += total <= width() ? needs[i] + (width() - total) / n : width() * needs[i] / total;
        return qRound(sum);
    };
    // Whole-pixel edges; the last segment takes the remainder.
    const int left = edge(index);
    const int right = index == n - 1 ? width() : edge(index + 1);
    return QStyle::visualRect(layoutDirection(), rect(), QRect(left, 0, right - left, height()));
}

QString SegmentedControl::shownTitleForSegment(int index) const {
    if (index < 0 || index >= numberOfSegments())
        return {};
    return fontMetrics().elidedText(m_titles[index], Qt::ElideRight,
                                    segmentRect(index).width() - kTitlePadding);
}

int SegmentedControl::segmentAt(const QPoint& point) const {
    for (int i = 0; i < numberOfSegments(); ++i)
        if (segmentRect(i).contains(point))
            return i;
    return kNoSegment;
}

QSize SegmentedControl::sizeHint() const {
    int widest = 0;
    for (const QString& title : m_titles)
        widest = qMax(widest, fontMetrics().horizontalAdvance(title));
    return {qMax(1, numberOfSegments()) * (widest + 24), 29};
}

void SegmentedControl::mousePressEvent(QMouseEvent* event) {
    m_pressed = event->button() == Qt::LeftButton ? segmentAt(event->position().toPoint()) : kNoSegment;
}

void SegmentedControl::mouseReleaseEvent(QMouseEvent* event) {
    const int index = segmentAt(event->position().toPoint());
    const bool tap = event->button() == Qt::LeftButton && index == m_pressed;
    m_pressed = kNoSegment;
    if (!tap || !isEnabled() || !isEnabledForSegment(index) || index == m_selected)
        return;
    m_selected = index;
    update();
    emit valueChanged(index);
}

void SegmentedControl::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor tint = isEnabled() ? m_tint : QColor(199, 199, 204);
    const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath outline;
    outline.addRoundedRect(frame, 4, 4);
    p.fillPath(outline, Qt::white);
    p.save();
    p.setClipPath(outline);
    for (int i = 0; i < numberOfSegments(); ++i) {
        const QRect r = segmentRect(i);
        const bool selected = i == m_selected;
        if (selected)
            p.fillRect(r, tint);
        QColor text = selected ? QColor(Qt::white) : tint;
        if (!isEnabledForSegment(i))
            text.setAlpha(100);
        p.setPen(text);
        p.drawText(r, Qt::AlignCenter, shownTitleForSegment(i));
        if (i > 0) {
            const int x = layoutDirection() == Qt::RightToLeft ? r.right() + 1 : r.left();
            p.fillRect(QRect(x, 0, 1, height()), tint);
        }
    }
    p.restore();
    p.setPen(QPen(tint, 1));
    p.setBrush(Qt::NoBrush);
    p.drawPath(outline);
}

} // namespace pelnix::platform::ui
