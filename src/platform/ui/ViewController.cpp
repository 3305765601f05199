#include "ViewController.h"

#include "Animator.h"
#include "ContainerView.h"
#include "HostedRoots.h"
#include "HostedWindow.h"
#include "NavigationController.h"
#include "NavigationItem.h"
#include "PresentedPageKeys.h"
#include "ScreenRegistry.h"
#include "StoryboardSegue.h"
#include "TextInput.h"
#include "Window.h"
#include "WindowFocus.h"

#include "platform/Log.h"

#include <QApplication>
#include <QGridLayout>
#include <QLoggingCategory>
#include <QWidget>

namespace pelnix::platform::ui {

namespace {
Q_LOGGING_CATEGORY(lcPresentation, "pelnix.ui.presentation", QtWarningMsg)
const char* const kControllerProperty = "pelnix.viewController";
constexpr int kModalDurationMs = 300;
} // namespace

ViewController::ViewController(QObject* parent) : QObject(parent) {}

ViewController::~ViewController() {
    // The view goes with its controller, wherever it was shown.
    delete m_view.data();
}

QWidget* ViewController::view() {
    if (!m_view && !m_loading) {
        m_loading = true;
        QWidget* built = loadView();
        if (!built)
            built = new QWidget;
        built->setProperty(kControllerProperty, QVariant::fromValue(static_cast<QObject*>(this)));
        if (built->objectName().isEmpty())
            built->setObjectName(metaObject()->className());
        m_view = built;
        // A root the host places in a widget of its own hears from its view when it shows and hides.
        HostedRoots::watch(built);
        m_loading = false;
        viewDidLoad();
    }
    return m_view;
}

ViewController* ViewController::controllerForView(const QWidget* view) {
    if (!view)
        return nullptr;
    return qobject_cast<ViewController*>(view->property(kControllerProperty).value<QObject*>());
}

QWidget* ViewController::loadView() {
    auto* view = new QWidget;
    view->setAutoFillBackground(true);
    return view;
}

void ViewController::setTitle(const QString& title) {
    if (m_title == title)
        return;
    m_title = title;
    navigationItem()->setTitle(title);
    emit titleChanged(title);
}

NavigationItem* ViewController::navigationItem() {
    if (!m_navigationItem) {
        m_navigationItem = new NavigationItem(this);
        m_navigationItem->setTitle(m_title);
    }
    return m_navigationItem;
}

QList<ViewController*> ViewController::childViewControllers() const {
    QList<ViewController*> out;
    for (const auto& child : m_children)
        if (child)
            out << child.data();
    return out;
}

void ViewController::addChildViewController(ViewController* child) {
    if (!child || child == this || child->m_parent == this)
        return;
    if (child->m_parent)
        child->removeFromParentViewController();
    child->willMoveToParentViewController(this);
    child->m_parent = this;
    child->setParent(this);
    m_children << child;
}

void ViewController::removeFromParentViewController() {
    ViewController* parent = m_parent;
    if (!parent)
        return;
    parent->m_children.removeAll(QPointer<ViewController>(this));
    m_parent = nullptr;
    didMoveToParentViewController(nullptr);
}

void ViewController::addChildViewController(ViewController* child, QWidget* container) {
    if (!child)
        return;
    addChildViewController(child);
    QWidget* childView = child->view();
    if (container) {
        if (auto* filling = qobject_cast<ContainerView*>(container)) {
            filling->addFillingView(childView);
        } else {
            auto* grid = qobject_cast<QGridLayout*>(container->layout());
            if (!grid && !container->layout()) {
                grid = new QGridLayout(container);
                grid->setContentsMargins(0, 0, 0, 0);
            }
            if (grid)
                grid->addWidget(childView, 0, 0);
            else
                childView->setParent(container);
            childView->setGeometry(container->rect());
            childView->show();
        }
        if (m_appearance == Appearance::Appeared) {
            child->beginAppearanceTransition(true, false);
            child->endAppearanceTransition();
        }
    } else {
        childView->setGeometry(0, 0, 0, 0);
    }
    child->didMoveToParentViewController(this);
}

NavigationController* ViewController::navigationController() const {
    for (ViewController* vc = m_parent; vc; vc = vc->m_parent)
        if (auto* nav = qobject_cast<NavigationController*>(vc))
            return nav;
    return nullptr;
}

ViewController* ViewController::rootAncestor() {
    ViewController* vc = this;
    while (vc->m_parent)
        vc = vc->m_parent;
    return vc;
}

Window* ViewController::window() const {
    const ViewController* root = this;
    while (root->m_parent)
        root = root->m_parent;
    while (root->m_presenting)
        root = root->m_presenting->rootAncestor();
    if (auto* window = qobject_cast<Window*>(root->parent()))
        return window->rootViewController() == root ? window : nullptr;
    // A root the host placed in a widget of its own presents over its view.
    return HostedWindow::forRoot(root);
}

ViewController* ViewController::presentedViewController() const {
    const ViewController* vc = this;
    while (vc->m_parent && !vc->m_presented)
        vc = vc->m_parent;
    return vc->m_presented;
}

ViewController* ViewController::presentingViewController() const {
    const ViewController* vc = this;
    while (vc->m_parent)
        vc = vc->m_parent;
    return vc->m_presenting;
}

void ViewController::presentViewController(ViewController* controller, bool animated,
                                           std::function<void()> completion) {
    ViewController* presenter = rootAncestor();
    Window* host = window();
    if (!controller || controller == presenter || controller->m_presenting) {
        return;
    }
    if (presenter->m_presented) {
        Log::debug(QStringLiteral("Refused to present %1: %2 already presents a controller")
                       .arg(controller->metaObject()->className(), presenter->metaObject()->className()));
        return;
    }
    if (!host) {
        qCWarning(lcPresentation).noquote()
            << QStringLiteral("%1 is not shown: %2 is in no window (its view is in no widget, or its root is "
                              "no platform::ui::Window's root controller)")
                   .arg(controller->metaObject()->className(), presenter->metaObject()->className());
        return;
    }
    if (controller->m_parent)
        controller->removeFromParentViewController();
    controller->setParent(presenter);
    controller->m_presenting = presenter;
    presenter->m_presented = controller;
    controller->m_beingPresented = true;

    // Taken before the presenter's will-disappear, which may take the focus from its text.
    const WindowFocus::Keys keys = WindowFocus::keysOf(presenter);
    presenter->m_keysWhenCovered = keys.widget;
    QWidget* view = controller->view();
    PresentedPageKeys::follow(controller);
    host->addPresentedView(view);
    const bool onScreen = presenter->m_appearance == Appearance::Appeared;
    presenter->m_coveredByPresented = onScreen;
    // Off screen (window hidden) nothing appears now; the window's show does it later.
    if (onScreen) {
        presenter->beginAppearanceTransition(false, animated);
        controller->beginAppearanceTransition(true, animated);
    }
    QPointer<ViewController> presented(controller);
    QPointer<ViewController> presenting(presenter);
    QPointer<Window> window(host);
    auto finish = [presented, presenting, window, onScreen, completion, keys](bool) {
        if (presented) {
            ContainerView::setFillOffset(presented->view(), {});
            WindowFocus::passKeys(keys, presented);
        }
        if (presenting && onScreen) {
            presenting->endAppearanceTransition();
            // A view the host placed in its own widget stays, covered, where the host's layout has it.
            if (presenting->m_view && presenting->m_view->parentWidget() == window)
                presenting->m_view->hide();
        }
        if (presented) {
            if (onScreen)
                presented->endAppearanceTransition();
            presented->m_beingPresented = false;
        }
        if (completion)
            completion();
    };
    if (animated && !Animator::isInstant()) {
        const int height = host->height();
        Animator::run(
            controller, kModalDurationMs, Animator::Curve::EaseOut,
            [presented, height](qreal p) {
                if (presented)
                    ContainerView::setFillOffset(presented->view(), QPointF(0, (1 - p) * height));
            },
            finish);
    } else {
        finish(true);
    }
}

void ViewController::dismissViewController(bool animated, std::function<void()> completion) {
    ViewController* root = rootAncestor();
    ViewController* presenter = root->m_presented ? root : root->m_presenting.data();
    if (!presenter || !presenter->m_presented)
        return;
    presenter->finishDismissal(animated, std::move(completion));
}

// Dismisses everything presented above the receiver; only the topmost (the visible one) receives
// disappearance calls, the ones in between are removed silently as they are not on screen.
void ViewController::finishDismissal(bool animated, std::function<void()> completion) {
    QList<QPointer<ViewController>> chain;
    for (ViewController* vc = m_presented; vc; vc = vc->m_presented)
        chain << vc;
    if (chain.isEmpty())
        return;
    QPointer<ViewController> top = chain.last();
    QPointer<ViewController> self(this);
    for (auto& vc : chain)
        vc->m_beingDismissed = true;
    // Taken before the top's will-disappear, which may take the focus from its text.
    const WindowFocus::Keys keys = WindowFocus::keysOf(top);
    top->beginAppearanceTransition(false, animated);
    Window* host = window();
    // Shown again where the presentation hid it; a view the host placed in its own widget stays as the
    // host has it (the host may have hidden it meanwhile).
    if (m_view && host && m_view->parentWidget() == host)
        m_view->show();
    const bool wasCovered = m_coveredByPresented;
    m_coveredByPresented = false;
    if (wasCovered)
        beginAppearanceTransition(true, animated);
    auto finish = [chain, top, self, wasCovered, completion, keys](bool) {
        if (self)
            WindowFocus::passKeys(keys, self, std::exchange(self->m_keysWhenCovered, nullptr));
        if (top)
            top->endAppearanceTransition();
        for (const auto& vc : chain) {
            if (!vc)
                continue;
            vc->m_presenting = nullptr;
            vc->m_presented = nullptr;
            vc->m_beingDismissed = false;
            if (vc->m_view)
                vc->m_view->hide();
            vc->deleteLater();
        }
        if (self) {
            self->m_presented = nullptr;
            if (wasCovered)
                self->endAppearanceTransition();
        }
        if (completion)
            completion();
    };
    if (animated && !Animator::isInstant() && top && top->m_view && host) {
        const int height = host->height();
        Animator::run(
            top, kModalDurationMs, Animator::Curve::EaseIn,
            [top, height](qreal p) {
                if (top)
                    ContainerView::setFillOffset(top->view(), QPointF(0, p * height));
            },
            finish);
    } else {
        finish(true);
    }
}

void ViewController::setStoryboardIdentity(const QString& storyboard, const QString& identifier) {
    m_storyboardName = storyboard;
    m_storyboardIdentifier = identifier;
}

bool ViewController::shouldPerformSegue(const QString& identifier, QObject* sender) {
    Q_UNUSED(identifier);
    Q_UNUSED(sender);
    return true;
}

void ViewController::prepareForSegue(StoryboardSegue& segue, QObject* sender) {
    Q_UNUSED(segue);
    Q_UNUSED(sender);
}

bool ViewController::canPerformUnwindSegueAction(const QString& identifier, ViewController* from) {
    Q_UNUSED(identifier);
    Q_UNUSED(from);
    return false;
}

bool ViewController::performSegue(const QString& identifier, QObject* sender) {
    return ScreenRegistry::shared()->performSegue(this, identifier, sender);
}

void ViewController::endEditing() {
    if (!m_view)
        return;
    QWidget* focus = QApplication::focusWidget();
    if (focus && (focus == m_view || m_view->isAncestorOf(focus)))
        focus->clearFocus();
}

QWidget* ViewController::preferredFocusWidget() {
    if (!m_view)
        return nullptr;
    // Tab's order from the view: the chain runs through the whole window, so stop on leaving the view.
    for (QWidget* w = m_view->nextInFocusChain(); w && w != m_view; w = w->nextInFocusChain()) {
        if (!m_view->isAncestorOf(w))
            continue;
        if (TextInput::acceptsTyping(w) && w->isVisibleTo(m_view) && w->isEnabled() &&
            (w->focusPolicy() & Qt::TabFocus))
            return w;
    }
    return nullptr;
}

QList<ViewController*> ViewController::childViewControllersForAppearance() const {
    QList<ViewController*> out;
    for (ViewController* child : childViewControllers())
        if (child->isViewLoaded())
            out << child;
    return out;
}

void ViewController::beginAppearanceTransition(bool appearing, bool animated) {
    m_lastAnimated = animated;
    if (appearing) {
        if (m_appearance == Appearance::Appeared || m_appearance == Appearance::Appearing)
            return;
        view();
        m_appearance = Appearance::Appearing;
        viewWillAppear(animated);
    } else {
        if (m_appearance == Appearance::Disappeared || m_appearance == Appearance::Disappearing)
            return;
        m_appearance = Appearance::Disappearing;
        viewWillDisappear(animated);
    }
    for (ViewController* child : childViewControllersForAppearance())
        child->beginAppearanceTransition(appearing, animated);
}

void ViewController::endAppearanceTransition() {
    if (m_appearance == Appearance::Appearing) {
        m_appearance = Appearance::Appeared;
        viewDidAppear(m_lastAnimated);
    } else if (m_appearance == Appearance::Disappearing) {
        m_appearance = Appearance::Disappeared;
        viewDidDisappear(m_lastAnimated);
    } else {
        return;
    }
    for (ViewController* child : childViewControllersForAppearance())
        child->endAppearanceTransition();
}

} // namespace pelnix::platform::ui
