#include "ScrollIndicators.h"

#include "ScrollIndicator.h"

#include <QAbstractScrollArea>
#include <QEvent>
#include <QScrollBar>

namespace pelnix::platform::ui {

ScrollIndicators::ScrollIndicators(QAbstractScrollArea* area, Reveal revealOn)
    : QObject(area), m_area(area), m_reveal(revealOn), m_vertical(new ScrollIndicator(Qt::Vertical, area)),
      m_horizontal(new ScrollIndicator(Qt::Horizontal, area)) {
    Q_ASSERT(area);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    for (QScrollBar* bar : {area->horizontalScrollBar(), area->verticalScrollBar()}) {
        connect(bar, &QScrollBar::rangeChanged, this, &ScrollIndicators::place);
        connect(bar, &QScrollBar::valueChanged, this, [this] {
            if (m_reveal == Reveal::OnEveryScroll)
                reveal();
            else
                place();
        });
    }
    // The viewport is the area's own child and follows the area's size: its resizes move the bars' runs.
    area->viewport()->installEventFilter(this);
}

ScrollIndicators::~ScrollIndicators() {
    cancelFade();
}

void ScrollIndicators::setShowsVertical(bool shows) {
    m_showsVertical = shows;
    if (!shows)
        m_vertical->hide();
    place();
}

void ScrollIndicators::setShowsHorizontal(bool shows) {
    m_showsHorizontal = shows;
    if (!shows)
        m_horizontal->hide();
    place();
}

void ScrollIndicators::setInsets(const QMargins& insets) {
    m_insets = insets;
    place();
}

bool ScrollIndicators::scrolls(Qt::Orientation orientation) const {
    if (!m_area)
        return false;
    const QScrollBar* bar =
        orientation == Qt::Vertical ? m_area->verticalScrollBar() : m_area->horizontalScrollBar();
    return bar->maximum() > bar->minimum();
}

bool ScrollIndicators::wants(Qt::Orientation orientation) const {
    return (orientation == Qt::Vertical ? m_showsVertical : m_showsHorizontal) && scrolls(orientation);
}

void ScrollIndicators::reveal() {
    showFor(kFadeDelayMs);
}

void ScrollIndicators::flash() {
    showFor(kFlashMs);
}

void ScrollIndicators::showFor(qint64 visibleMs) {
    bool any = false;
    for (ScrollIndicator* bar : {m_vertical, m_horizontal}) {
        if (wants(bar->orientation())) {
            bar->appear();
            any = true;
        } else {
            bar->hide();
        }
    }
    place();
    if (!any)
        return;
    if (m_held)
        cancelFade();
    else
        armFade(visibleMs);
}

void ScrollIndicators::setHeld(bool held) {
    if (m_held == held)
        return;
    m_held = held;
    if (held)
        cancelFade();
    else if (!m_vertical->isHidden() || !m_horizontal->isHidden())
        armFade(kFadeDelayMs);
}

void ScrollIndicators::armFade(qint64 afterMs) {
    cancelFade();
    m_fadeTimer = Scheduler::shared()->performAfter(this, afterMs, [this] {
        m_fadeTimer = 0;
        fadeOut();
    });
}

void ScrollIndicators::cancelFade() {
    if (m_fadeTimer)
        Scheduler::shared()->cancel(m_fadeTimer);
    m_fadeTimer = 0;
}

void ScrollIndicators::fadeOut() {
    m_vertical->fadeOut();
    m_horizontal->fadeOut();
}

void ScrollIndicators::place() {
    if (!m_area || (m_vertical->isHidden() && m_horizontal->isHidden()))
        return;
    // Along the area's own edges: viewport margins (a text view's text inset) do not move the bars.
    const QRect frame = m_area->contentsRect().marginsRemoved(m_insets);
    constexpr int thickness = ScrollIndicator::kThickness;
    // Both directions scroll: each bar stops short of the corner the other one runs into.
    const int corner = wants(Qt::Vertical) && wants(Qt::Horizontal) ? thickness + kEdgeGap : 0;
    if (!m_vertical->isHidden()) {
        const QScrollBar* bar = m_area->verticalScrollBar();
        // At the trailing edge: the left one in a right-to-left layout, clear of the rows' leading marks.
        const bool rtl = m_area->layoutDirection() == Qt::RightToLeft;
        const int x = rtl ? frame.left() + kEdgeGap : frame.right() + 1 - kEdgeGap - thickness;
        const QRect track(x, frame.top() + kEdgeGap, thickness, frame.height() - 2 * kEdgeGap - corner);
        m_vertical->place(track, bar->minimum(), bar->maximum(), bar->pageStep(), bar->value());
    }
    if (!m_horizontal->isHidden()) {
        const QScrollBar* bar = m_area->horizontalScrollBar();
        const QRect track(frame.left() + kEdgeGap, frame.bottom() + 1 - kEdgeGap - thickness,
                          frame.width() - 2 * kEdgeGap - corner, thickness);
        m_horizontal->place(track, bar->minimum(), bar->maximum(), bar->pageStep(), bar->value());
    }
}

bool ScrollIndicators::eventFilter(QObject* watched, QEvent* event) {
    if (m_area && watched == m_area->viewport() &&
        (event->type() == QEvent::Resize || event->type() == QEvent::Move))
        place();
    return QObject::eventFilter(watched, event);
}

} // namespace pelnix::platform::ui
