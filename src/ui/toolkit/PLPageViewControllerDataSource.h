#pragma once

namespace pelnix::platform::ui {
class ViewController;
}

namespace pelnix {

class PLPageViewController;

// The pages a user may swipe to from the one shown; null where there is none.
class PLPageViewControllerDataSource {
public:
    virtual ~PLPageViewControllerDataSource() = default;
    virtual platform::ui::ViewController*
    viewControllerBeforeViewController(PLPageViewController* pager, platform::ui::ViewController* page) = 0;
    virtual platform::ui::ViewController*
    viewControllerAfterViewController(PLPageViewController* pager, platform::ui::ViewController* page) = 0;
};

// How a user's swipe went. Every swipe that starts also ends: `finished` is always true, so a
// swipe let go half-way never leaves the owner waiting for an end that does not come.
class PLPageViewControllerDelegate {
public:
    virtual ~PLPageViewControllerDelegate() = default;
    virtual void willTransitionToViewController(PLPageViewController* pager,
                                                platform::ui::ViewController* pending) {
        (void)pager;
        (void)pending;
    }
    virtual void didFinishAnimating(PLPageViewController* pager, bool finished,
                                    platform::ui::ViewController* previous, bool completed) {
        (void)pager;
        (void)finished;
        (void)previous;
        (void)completed;
    }
};

} // namespace pelnix
