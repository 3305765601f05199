#include "NavigationController.h"

#include "Animator.h"
#include "ContainerView.h"
#include "NavigationBar.h"
#include "NavigationItem.h"
#include "WindowFocus.h"

#include <QVBoxLayout>

namespace pelnix::platform::ui {

NavigationController::NavigationController(ViewController* root, QObject* parent) : ViewController(parent) {
    if (root)
        setViewControllers({root}, false);
}

QWidget* NavigationController::loadView() {
    auto* view = new QWidget;
    view->setObjectName(QStringLiteral("navigationController"));
    auto* layout = new QVBoxLayout(view);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_bar = new NavigationBar(view);
    m_bar->setBackAction([this] { popViewController(true); });
    m_content = new ContainerView(view);
    m_content->setObjectName(QStringLiteral("navigationContent"));
    layout->addWidget(m_bar);
    layout->addWidget(m_content, 1);
    m_bar->setVisible(!m_barHidden);
    if (ViewController* top = topViewController())
        m_content->addFillingView(top->view());
    updateBar();
    return view;
}

NavigationBar* NavigationController::navigationBar() {
    view();
    return m_bar;
}

QList<ViewController*> NavigationController::viewControllers() const {
    QList<ViewController*> out;
    for (const auto& vc : m_stack)
        if (vc)
            out << vc.data();
    return out;
}

ViewController* NavigationController::topViewController() const {
    const auto list = viewControllers();
    return list.isEmpty() ? nullptr : list.last();
}

ViewController* NavigationController::visibleViewController() const {
    if (ViewController* presented = presentedViewController())
        return presented;
    return topViewController();
}

QWidget* NavigationController::preferredFocusWidget() {
    ViewController* top = topViewController();
    return top ? top->preferredFocusWidget() : nullptr;
}

QList<ViewController*> NavigationController::childViewControllersForAppearance() const {
    ViewController* top = topViewController();
    return top ? QList<ViewController*>{top} : QList<ViewController*>{};
}

void NavigationController::setNavigationBarHidden(bool hidden, bool animated) {
    Q_UNUSED(animated);
    m_barHidden = hidden;
    if (m_bar)
        m_bar->setVisible(!hidden);
}

void NavigationController::updateBar() {
    adoptTopContentSize();
    if (!m_bar)
        return;
    const auto list = viewControllers();
    NavigationItem* top = list.isEmpty() ? nullptr : list.last()->navigationItem();
    NavigationItem* previous = list.size() > 1 ? list[list.size() - 2]->navigationItem() : nullptr;
    m_bar->setItems(top, previous);
}

void NavigationController::adoptTopContentSize() {
    // A stack is as large as its top screen wants to be: a popover showing it resizes on push and pop.
    QObject::disconnect(m_topContentSize);
    ViewController* top = topViewController();
    if (!top)
        return;
    setPreferredContentSize(top->preferredContentSize());
    m_topContentSize = connect(top, &ViewController::preferredContentSizeChanged, this,
                               &ViewController::setPreferredContentSize);
}

void NavigationController::finishRunningTransition() {
    // The slide under way stops where it is: its later steps and its end would move views of the
    // change that follows.
    if (QAbstractAnimation* slide = std::exchange(m_transitionAnimation, nullptr))
        slide->stop();
    if (auto finish = std::exchange(m_finishTransition, {}))
        finish();
}

void NavigationController::pushViewController(ViewController* controller, bool animated) {
    if (!controller || viewControllers().contains(controller))
        return;
    finishRunningTransition();
    ViewController* from = topViewController();
    controller->m_movingToParent = true;
    addChildViewController(controller);
    m_stack << controller;
    transition(from, controller, true, animated, {});
}

ViewController* NavigationController::popViewController(bool animated) {
    finishRunningTransition();
    const auto list = viewControllers();
    if (list.size() < 2)
        return nullptr;
    popToViewController(list[list.size() - 2], animated);
    return list.last();
}

QList<ViewController*> NavigationController::popToRootViewController(bool animated) {
    const auto list = viewControllers();
    return list.isEmpty() ? QList<ViewController*>{} : popToViewController(list.first(), animated);
}

QList<ViewController*> NavigationController::popToViewController(ViewController* controller, bool animated) {
    finishRunningTransition();
    const auto list = viewControllers();
    const int index = list.indexOf(controller);
    if (index < 0 || index == list.size() - 1)
        return {};
    const QList<ViewController*> removed = list.mid(index + 1);
    for (ViewController* vc : removed) {
        vc->m_movingFromParent = true;
        vc->willMoveToParentViewController(nullptr);
    }
    m_stack.resize(index + 1);
    transition(removed.last(), controller, false, animated, removed);
    return removed;
}

void NavigationController::setViewControllers(const QList<ViewController*>& controllers, bool animated) {
    finishRunningTransition();
    ViewController* from = topViewController();
    QList<ViewController*> removed;
    for (ViewController* vc : viewControllers())
        if (!controllers.contains(vc)) {
            vc->m_movingFromParent = true;
            vc->willMoveToParentViewController(nullptr);
            removed << vc;
        }
    m_stack.clear();
    for (ViewController* vc : controllers) {
        if (!vc)
            continue;
        if (vc->parentViewController() != this) {
            vc->m_movingToParent = true;
            addChildViewController(vc);
        }
        m_stack << vc;
    }
    ViewController* to = topViewController();
    for (ViewController* vc : viewControllers())
        if (vc != to && vc->m_movingToParent) {
            vc->m_movingToParent = false;
            vc->didMoveToParentViewController(this);
        }
    if (from == to) {
        for (ViewController* vc : removed) {
            vc->removeFromParentViewController();
            vc->leaveForGood();
        }
        updateBar();
        return;
    }
    transition(from, to, true, animated, removed);
}

void NavigationController::transition(ViewController* from, ViewController* to, bool pushing, bool animated,
                                      QList<ViewController*> removed) {
    updateBar();
    QPointer<ViewController> fromGuard(from);
    QPointer<ViewController> toGuard(to);
    QList<QPointer<ViewController>> removedGuards(removed.begin(), removed.end());
    const bool onScreen =
        isViewLoaded() && (appearance() == Appearance::Appeared || appearance() == Appearance::Appearing);
    if (m_content && to) {
        m_content->addFillingView(to->view());
        if (pushing)
            to->view()->raise();
        else if (from && from->m_view)
            from->m_view->raise();
    }
    // Taken before the leaving screen's will-disappear, which may take the focus from its text.
    WindowFocus::Keys keys;
    if (m_content && from && from != to) {
        keys = WindowFocus::keysOf(from);
        from->m_keysWhenCovered = keys.widget;
    }
    if (onScreen) {
        if (from)
            from->beginAppearanceTransition(false, animated);
        if (to)
            to->beginAppearanceTransition(true, animated);
    }
    // The arriving screen has the keys from the first frame of the slide: letters typed during it land
    // in its field, in order, rather than in the screen sliding away or nowhere.
    if (to && to != from && m_content)
        WindowFocus::passKeys(keys, to, std::exchange(to->m_keysWhenCovered, nullptr));
    auto finish = [this, fromGuard, toGuard, removedGuards, onScreen, pushing] {
        if (fromGuard && fromGuard != toGuard && fromGuard->m_view) {
            WindowFocus::hideLeftPage(fromGuard->m_view);
            ContainerView::setFillOffset(fromGuard->m_view, {});
        }
        if (toGuard && toGuard->m_view)
            ContainerView::setFillOffset(toGuard->m_view, {});
        if (onScreen) {
            if (fromGuard)
                fromGuard->endAppearanceTransition();
            if (toGuard)
                toGuard->endAppearanceTransition();
        }
        if (toGuard) {
            if (toGuard->m_movingToParent) {
                toGuard->m_movingToParent = false;
                if (pushing)
                    toGuard->didMoveToParentViewController(this);
            }
        }
        for (const auto& vc : removedGuards) {
            if (!vc)
                continue;
            vc->removeFromParentViewController();
            vc->m_movingFromParent = false;
            if (vc->m_view)
                WindowFocus::hideLeftPage(vc->m_view);
            vc->leaveForGood();
        }
    };
    m_finishTransition = finish;
    const int width = m_content ? m_content->width() : 0;
    if (animated && onScreen && !Animator::isInstant() && from && to && width > 0) {
        m_transitionAnimation = Animator::run(
            this, kTransitionMs, Animator::Curve::EaseInOut,
            [fromGuard, toGuard, pushing, width](qreal p) {
                const qreal sign = pushing ? 1 : -1;
                if (toGuard && toGuard->m_view)
                    ContainerView::setFillOffset(toGuard->m_view, QPointF(sign * (1 - p) * width, 0));
                if (fromGuard && fromGuard->m_view)
                    ContainerView::setFillOffset(fromGuard->m_view, QPointF(-sign * p * width / 3, 0));
            },
            [this](bool) { finishRunningTransition(); });
    } else {
        finishRunningTransition();
    }
}

} // namespace pelnix::platform::ui
