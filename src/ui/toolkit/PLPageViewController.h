#pragma once

#include "platform/ui/ViewController.h"
#include "platform/ui/WeakDelegate.h"
#include "ui/toolkit/PLPageViewControllerDataSource.h"

#include <QPoint>
#include <QPointer>
#include <functional>

namespace pelnix {

// One page at a time, slid in from the side: set by code (with or without the slide) or swiped to
// with a horizontal drag, which asks the data source for the neighbouring page. The pager shows its
// pages; whoever made them owns them.
class PLPageViewController : public platform::ui::ViewController {
    Q_OBJECT
public:
    enum class Direction { Forward, Reverse };
    static constexpr int kSlideMs = 300;
    // A drag let go past this share of the width turns the page.
    static constexpr qreal kTurnShare = 1.0 / 3.0;

    explicit PLPageViewController(QObject* parent = nullptr);

    void setDataSource(PLPageViewControllerDataSource* dataSource) { m_dataSource.set(dataSource); }
    void setDelegate(PLPageViewControllerDelegate* delegate) { m_delegate.set(delegate); }

    // The page shown (the one arriving, while a slide runs).
    platform::ui::ViewController* viewController() const { return m_current; }
    // Shows `page`; a running slide ends first. `done` runs once the page is in place.
    void setViewController(platform::ui::ViewController* page, Direction direction, bool animated,
                           std::function<void(bool finished)> done = {});
    bool isSliding() const { return m_sliding; }

    // A user's swipe as the mouse makes it: press, horizontal moves, release (points in the pager).
    void beginSwipe(QPoint at);
    void moveSwipe(QPoint at);
    void endSwipe(QPoint at);

signals:
    // Every page set by code, for the owner's log and tests.
    void didSetViewController(platform::ui::ViewController* page, Direction direction, bool animated);

protected:
    QWidget* loadView() override;
    QList<platform::ui::ViewController*> childViewControllersForAppearance() const override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void adopt(platform::ui::ViewController* page);
    void place(platform::ui::ViewController* page, int x);
    void slide(platform::ui::ViewController* from, platform::ui::ViewController* to, int start, int sign,
               std::function<void()> done);
    void finishSlide();
    void settleSwipe(bool turn);

    platform::ui::WeakDelegate<PLPageViewControllerDataSource> m_dataSource;
    platform::ui::WeakDelegate<PLPageViewControllerDelegate> m_delegate;
    QPointer<platform::ui::ViewController> m_current;
    bool m_sliding = false;
    std::function<void()> m_finishSlide;
    quint64 m_slideGeneration = 0;

    // The swipe under way: where it started, the page it would bring and its side (-1 the next page
    // comes from the right, 1 the previous one from the left; 0 no swipe).
    QPoint m_swipeStart;
    bool m_pressed = false;
    int m_swipeSign = 0;
    int m_swipeOffset = 0;
    QPointer<platform::ui::ViewController> m_pending;
};

} // namespace pelnix
