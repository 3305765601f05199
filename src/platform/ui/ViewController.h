#pragma once

#include <QAbstractAnimation>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSize>
#include <QString>
#include <functional>
#include <utility>

class QWidget;

namespace pelnix::platform::ui {

class NavigationController;
class NavigationItem;
class StoryboardSegue;
class Window;

// A screen: a QObject that owns a lazily built view and receives the life-cycle calls of the
// containers that show it.
//
// Appearance: a container calls beginAppearanceTransition() and endAppearanceTransition(); each pair
// produces at most one will/did call (repeated calls in the same state are absorbed) and is forwarded
// to childViewControllersForAppearance(). Transitions: the leaving controller's will-disappear runs
// before the arriving one's will-appear, and its did-disappear before the arriving one's did-appear.
//
// Presentation follows UIKit: the presenting controller is the top ancestor of the caller; a
// controller that already presents refuses a second presentation; dismissing removes the presented
// controller and everything presented above it, and a controller that presents nothing dismisses
// itself from its presenter. Presented and popped controllers are owned by their container and
// deleted (later) once they are gone from the screen. A presentation or dismissal that begins while
// the one before is still sliding ends that one first; the keys move to the arriving page as the
// change begins.
class ViewController : public QObject {
    Q_OBJECT
public:
    enum class Appearance { Disappeared, Appearing, Appeared, Disappearing };

    explicit ViewController(QObject* parent = nullptr);
    ~ViewController() override;

    // The view, built on first use (loadView, then viewDidLoad).
    QWidget* view();
    bool isViewLoaded() const { return !m_view.isNull(); }
    void loadViewIfNeeded() { view(); }
    // The controller whose root view this is, or null.
    static ViewController* controllerForView(const QWidget* view);

    QString title() const { return m_title; }
    void setTitle(const QString& title);
    NavigationItem* navigationItem();

    // Containment.
    ViewController* parentViewController() const { return m_parent; }
    QList<ViewController*> childViewControllers() const;
    // Adds `child` and calls its willMoveToParentViewController(this).
    void addChildViewController(ViewController* child);
    // Removes the receiver from its parent and calls didMoveToParentViewController(nullptr).
    void removeFromParentViewController();
    // Adds `child`, puts its view over the whole of `container` (nothing when container is null),
    // forwards appearance when the receiver is on screen, then calls didMoveToParentViewController.
    void addChildViewController(ViewController* child, QWidget* container);
    virtual void willMoveToParentViewController(ViewController* parent) { Q_UNUSED(parent); }
    virtual void didMoveToParentViewController(ViewController* parent) { Q_UNUSED(parent); }
    NavigationController* navigationController() const;
    // The controller at the top of the parent chain.
    ViewController* rootAncestor();

    // Presentation.
    void presentViewController(ViewController* controller, bool animated,
                               std::function<void()> completion = {});
    void dismissViewController(bool animated, std::function<void()> completion = {});
    ViewController* presentedViewController() const;
    // The controller on top of what this one's root presents, leaving out those being dismissed (they
    // go as their slide ends): the one that appears when the window or container shows.
    ViewController* topStayingController();
    ViewController* presentingViewController() const;
    bool isBeingPresented() const { return m_beingPresented; }
    bool isBeingDismissed() const { return m_beingDismissed; }
    bool isMovingToParentViewController() const { return m_movingToParent; }
    bool isMovingFromParentViewController() const { return m_movingFromParent; }
    Window* window() const;

    // Storyboard identity and segues (see ScreenRegistry).
    QString storyboardName() const { return m_storyboardName; }
    QString storyboardIdentifier() const { return m_storyboardIdentifier; }
    void setStoryboardIdentity(const QString& storyboard, const QString& identifier);
    // Looks the segue up for this controller; false when unknown or refused.
    bool performSegue(const QString& identifier, QObject* sender = nullptr);
    virtual bool shouldPerformSegue(const QString& identifier, QObject* sender);
    virtual void prepareForSegue(StoryboardSegue& segue, QObject* sender);
    // Unwind target test: true to be the destination of the unwind segue `identifier`.
    virtual bool canPerformUnwindSegueAction(const QString& identifier, ViewController* from);

    // Ends text editing anywhere in the view (the keyboard goes away).
    void endEditing();
    // The widget that takes the keys when this screen comes to the top of its window (pushed,
    // presented, or shown again with nothing of its own to restore). The default is the first
    // visible, enabled, editable text field of the view in Tab's order; null lets the view take them.
    virtual QWidget* preferredFocusWidget();

    // Popped, dismissed or replaced, and deleted later: in no window any more, so it shows nothing
    // (an alert it asks after that is refused, not hidden in a view that goes).
    bool hasLeftForGood() const { return m_leftForGood; }
    void leaveForGood();

    QSize preferredContentSize() const { return m_preferredContentSize; }
    void setPreferredContentSize(QSize size) {
        if (std::exchange(m_preferredContentSize, size) != size)
            emit preferredContentSizeChanged(size);
    }
    // A popover showing this controller ignores touches outside it while this is set.
    bool isModalInPopover() const { return m_modalInPopover; }
    void setModalInPopover(bool modal) { m_modalInPopover = modal; }

    Appearance appearance() const { return m_appearance; }
    bool isVisible() const { return m_appearance == Appearance::Appeared; }
    void beginAppearanceTransition(bool appearing, bool animated);
    void endAppearanceTransition();

signals:
    void titleChanged(const QString& title);
    void preferredContentSizeChanged(QSize size);

protected:
    bool event(QEvent* event) override;
    // Builds the view; the default is an empty plain view.
    virtual QWidget* loadView();
    virtual void viewDidLoad() {}
    virtual void viewWillAppear(bool animated) { Q_UNUSED(animated); }
    virtual void viewDidAppear(bool animated) { Q_UNUSED(animated); }
    virtual void viewWillDisappear(bool animated) { Q_UNUSED(animated); }
    virtual void viewDidDisappear(bool animated) { Q_UNUSED(animated); }
    // Children that receive this controller's appearance calls; all with a loaded view by default.
    virtual QList<ViewController*> childViewControllersForAppearance() const;

private:
    friend class NavigationController;
    friend class Window;
    void finishDismissal(bool animated, std::function<void()> completion);
    // Ends the presentation or dismissal over this controller still sliding, as if its slide had run.
    void finishRunningPresentationChange();
    // Ends those still sliding below this controller: its own presentation, and its presenters'.
    void finishPresentationChangesBelow();
    // Runs `finish` after the modal slide `step` of `animated`, or at once.
    void runPresentationChange(bool animated, QWidget* sliding, bool up, std::function<void()> finish);

    QPointer<QWidget> m_view;
    bool m_loading = false;
    QString m_title;
    NavigationItem* m_navigationItem = nullptr;
    QPointer<ViewController> m_parent;
    QList<QPointer<ViewController>> m_children;
    QPointer<ViewController> m_presented;
    QPointer<ViewController> m_presenting;
    bool m_beingPresented = false;
    bool m_beingDismissed = false;
    bool m_movingToParent = false;
    bool m_movingFromParent = false;
    bool m_lastAnimated = false;
    // The presentation or dismissal of m_presented under way: its end, run at once when the next
    // change over this controller begins, and its slide, stopped then.
    std::function<void()> m_finishPresentationChange;
    QPointer<QAbstractAnimation> m_presentationAnimation;
    // The widget that had the keys when a page covered this one, for when it shows again.
    QPointer<QWidget> m_keysWhenCovered;
    Appearance m_appearance = Appearance::Disappeared;
    QString m_storyboardName;
    QString m_storyboardIdentifier;
    QSize m_preferredContentSize;
    bool m_modalInPopover = false;
    bool m_leftForGood = false;
};

} // namespace pelnix::platform::ui
