#pragma once

#include "Scheduler.h"

#include <QMargins>
#include <QObject>
#include <QPointer>

class QAbstractScrollArea;
class QScrollBar;

namespace pelnix::platform::ui {

class ScrollIndicator;

// The scroll indicators of one scroll area, in place of its desktop scroll bars: a thin bar over the
// content near the right edge and one near the bottom edge. A bar shows while the area scrolls in its
// direction and fades out once the scrolling has stopped for a moment; a direction that does not
// scroll never shows one. The area's scroll bars stay as the model of range and position (the wheel
// and the keys still go through them) but are never shown, so the viewport keeps the area's whole
// size.
class ScrollIndicators : public QObject {
    Q_OBJECT
public:
    // OnEveryScroll: every change of position shows the bars. OnRequest: only reveal() and flash()
    // do, for an owner that tells a scroll by the user from a placement by code.
    enum class Reveal { OnEveryScroll, OnRequest };
    // From the viewport's edge to the bar.
    static constexpr int kEdgeGap = 1;
    // How long the bars stay after the last scroll, and after a flash, before they fade.
    static constexpr qint64 kFadeDelayMs = 500;
    static constexpr qint64 kFlashMs = 1000;

    explicit ScrollIndicators(QAbstractScrollArea* area, Reveal revealOn = Reveal::OnEveryScroll);
    ~ScrollIndicators() override;

    bool showsVertical() const { return m_showsVertical; }
    void setShowsVertical(bool shows);
    bool showsHorizontal() const { return m_showsHorizontal; }
    void setShowsHorizontal(bool shows);
    // Moves the bars' runs in from the viewport's edges (a bar under a toolbar or keyboard).
    QMargins insets() const { return m_insets; }
    void setInsets(const QMargins& insets);

    // Shows the bar of each direction that scrolls, for a scroll happening now.
    void reveal();
    // Shows them for a moment, then fades them: tells the user there is more to see.
    void flash();
    // While held (a finger on the content, a deceleration) the bars stay; released, they fade after
    // the usual delay.
    void setHeld(bool held);
    bool isHeld() const { return m_held; }

    // Whether the area can scroll in that direction now.
    bool scrolls(Qt::Orientation orientation) const;
    ScrollIndicator* vertical() const { return m_vertical; }
    ScrollIndicator* horizontal() const { return m_horizontal; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showFor(qint64 visibleMs);
    void armFade(qint64 afterMs);
    void cancelFade();
    void fadeOut();
    void place();
    bool wants(Qt::Orientation orientation) const;

    QPointer<QAbstractScrollArea> m_area;
    Reveal m_reveal;
    ScrollIndicator* m_vertical;
    ScrollIndicator* m_horizontal;
    bool m_showsVertical = true;
    bool m_showsHorizontal = true;
    bool m_held = false;
    QMargins m_insets;
    Scheduler::Id m_fadeTimer = 0;
};

} // namespace pelnix::platform::ui
