#pragma once

#include "ViewController.h"

#include <QAbstractAnimation>
#include <QList>
#include <QPointer>

namespace pelnix::platform::ui {

class ContainerView;
class NavigationBar;

// A stack of controllers under a navigation bar. Only the top controller is on screen and receives
// appearance calls. Push and pop run the appearance calls around a slide; a new push or pop during a
// slide first finishes the running one. The keys move to the arriving screen as the slide begins, so
// that what the user types during it lands there.
class NavigationController : public ViewController {
    Q_OBJECT
public:
    explicit NavigationController(ViewController* root = nullptr, QObject* parent = nullptr);

    QList<ViewController*> viewControllers() const;
    ViewController* topViewController() const;
    // The controller on screen: the one the top controller presents, if any, else the top one.
    ViewController* visibleViewController() const;
    void setViewControllers(const QList<ViewController*>& controllers, bool animated);

    void pushViewController(ViewController* controller, bool animated);
    // Null when only the root is left (the root is never popped).
    ViewController* popViewController(bool animated);
    QList<ViewController*> popToViewController(ViewController* controller, bool animated);
    QList<ViewController*> popToRootViewController(bool animated);

    NavigationBar* navigationBar();
    bool isNavigationBarHidden() const { return m_barHidden; }
    void setNavigationBarHidden(bool hidden, bool animated);

    // The top screen's.
    QWidget* preferredFocusWidget() override;

    // Slide length; the tests' instant animator makes it irrelevant.
    static constexpr int kTransitionMs = 300;

protected:
    QWidget* loadView() override;
    QList<ViewController*> childViewControllersForAppearance() const override;

private:
    void transition(ViewController* from, ViewController* to, bool pushing, bool animated,
                    QList<ViewController*> removed);
    void finishRunningTransition();
    void updateBar();
    void layoutBar();
    void adoptTopContentSize();

    QList<QPointer<ViewController>> m_stack;
    QPointer<NavigationBar> m_bar;
    QPointer<ContainerView> m_content;
    bool m_barHidden = false;
    std::function<void()> m_finishTransition;
    QPointer<QAbstractAnimation> m_transitionAnimation;
    QMetaObject::Connection m_topContentSize;
};

} // namespace pelnix::platform::ui
