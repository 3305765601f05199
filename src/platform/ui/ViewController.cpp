#include "ViewController.h"

#include "Animator.h"
#include "ContainerKeys.h"
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
    // What was asked over the view (a container's root) is answered while its screens and their views
    // are whole: answers that lay out rows or move widgets would reach into a view half destroyed.
    if (m_view)
        if (Window* hosted = HostedWindow::existingFor(m_view))
            hosted->answerAlertsAsItGoes();
    // Marked then: nothing gives the keys to a widget of a view being deleted (Qt would keep a
    // pointer to it as the keys' widget once it is gone).
    if (m_view)
        m_view->setProperty(WindowFocus::kGoingProperty, true);
    // The keys leave a field of the view while the view is still whole: Qt takes them from a widget
    // only once the views around it are half destroyed, and whoever hears of it (the keyboard's
    // notifications) would reach into those.
    if (QWidget* focused = QApplication::focusWidget(); focused && m_view && m_view->isAncestorOf(focused))
        focused->clearFocus();
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
        // A root the host places in a widget of its own hears from its view when it shows and hides,
        // and keeps its keys through the host's moves.
        HostedRoots::watch(built);
        ContainerKeys::watch(built);
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
    // A page that has left for good is in no window, even while its view waits to be deleted.
    if (root->m_leftForGood)
        return nullptr;
    // A root the host placed in a widget of its own presents over its view.
    return HostedWindow::forRoot(root);
}

ViewController* ViewController::presentedViewController() const {
    const ViewController* vc = this;
    while (vc->m_parent && !vc->m_presented)
        vc = vc->m_parent;
    return vc->m_presented;
}

ViewController* ViewController::topStayingController() {
    ViewController* top = this;
    while (ViewController* presented = top->presentedViewController()) {
        if (presented->m_beingDismissed)
            break;
        top = presented;
    }
    return top;
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
    // Changes still sliding end first: a dismissal over the presenter (what it takes away is gone
    // before the new page comes, rather than the new page being refused), and the presenter's own
    // presentation (it is covered once it has appeared).
    presenter->finishPresentationChangesBelow();
    presenter->finishRunningPresentationChange();
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
    const bool slides = animated && !Animator::isInstant();
    PresentedPageKeys::follow(controller);
    host->addPresentedView(view);
    // Below the window until its slide's first step, so it never shows a frame in its final place.
    if (slides)
        ContainerView::setFillOffset(view, QPointF(0, host->height()));
    const bool onScreen = presenter->m_appearance == Appearance::Appeared;
    // Off screen (window hidden) nothing appears now; the window's show does it later.
    if (onScreen) {
        presenter->beginAppearanceTransition(false, animated);
        controller->beginAppearanceTransition(true, animated);
    }
    // The presented page has the keys from the first frame of its slide.
    WindowFocus::passKeys(keys, controller);
    QPointer<ViewController> presented(controller);
    QPointer<ViewController> presenting(presenter);
    QPointer<Window> window(host);
    auto finish = [presented, presenting, window, onScreen, completion] {
        if (presented)
            ContainerView::setFillOffset(presented->view(), {});
        if (presenting && onScreen) {
            presenting->endAppearanceTransition();
            // A view the host placed in its own widget stays, covered, where the host's layout has it.
            // A dismissal that began meanwhile has ended this presentation first, so the view hidden
            // here is still covered.
            if (presenting->m_view && presenting->m_view->parentWidget() == window &&
                presenting->m_presented == presented)
                WindowFocus::hideLeftPage(presenting->m_view);
        }
        if (presented) {
            if (onScreen)
                presented->endAppearanceTransition();
            presented->m_beingPresented = false;
        }
        if (completion)
            completion();
    };
    presenter->runPresentationChange(slides, view, true, std::move(finish));
}

void ViewController::dismissViewController(bool animated, std::function<void()> completion) {
    ViewController* root = rootAncestor();
    ViewController* presenter = root->m_presented ? root : root->m_presenting.data();
    if (!presenter || !presenter->m_presented)
        return;
    presenter->finishDismissal(animated, std::move(completion));
}

void ViewController::finishPresentationChangesBelow() {
    QList<QPointer<ViewController>> below;
    for (ViewController* vc = rootAncestor()->m_presenting; vc; vc = vc->rootAncestor()->m_presenting)
        below.prepend(vc);
    for (const auto& vc : below)
        if (vc)
            vc->finishRunningPresentationChange();
}

void ViewController::finishRunningPresentationChange() {
    if (QAbstractAnimation* slide = std::exchange(m_presentationAnimation, nullptr))
        slide->stop();
    if (auto finish = std::exchange(m_finishPresentationChange, {}))
        finish();
}

void ViewController::runPresentationChange(bool animated, QWidget* sliding, bool up,
                                           std::function<void()> finish) {
    m_finishPresentationChange = std::move(finish);
    Window* host = window();
    if (!animated || Animator::isInstant() || !sliding || !host) {
        finishRunningPresentationChange();
        return;
    }
    const int height = host->height();
    QPointer<QWidget> view(sliding);
    QPointer<ViewController> self(this);
    // Owned by this controller, which outlives the pages it presents: a page deleted during its own
    // slide still ends the change.
    m_presentationAnimation = Animator::run(
        this, kModalDurationMs, up ? Animator::Curve::EaseOut : Animator::Curve::EaseIn,
        [view, height, up](qreal p) {
            if (view)
                ContainerView::setFillOffset(view, QPointF(0, (up ? 1 - p : p) * height));
        },
        [self](bool) {
            if (self)
                self->finishRunningPresentationChange();
        });
}

// Dismisses everything presented above the receiver; only the topmost (the visible one) receives
// disappearance calls, the ones in between are removed silently as they are not on screen.
void ViewController::finishDismissal(bool animated, std::function<void()> completion) {
    // Presentations still sliding in end first: their ends would hide this page again after the
    // dismissal showed it, and leave the window blank; so does this page's own, if it still slides.
    finishPresentationChangesBelow();
    for (QPointer<ViewController> vc(this); vc; vc = vc->m_presented)
        vc->finishRunningPresentationChange();
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
    // The page dismissed shows (whether it was presented on screen, or showed since with its window or
    // container): this one is revealed, and appears.
    const auto topAppearance = top->appearance();
    const bool reveals = topAppearance == Appearance::Appeared || topAppearance == Appearance::Appearing;
    top->beginAppearanceTransition(false, animated);
    Window* host = window();
    // Shown again where the presentation hid it; a view the host placed in its own widget stays as the
    // host has it (the host may have hidden it meanwhile).
    if (m_view && host && m_view->parentWidget() == host)
        m_view->show();
    if (reveals)
        beginAppearanceTransition(true, animated);
    // The page shown again has the keys from the first frame of the slide.
    WindowFocus::passKeys(keys, this, std::exchange(m_keysWhenCovered, nullptr));
    auto finish = [chain, top, self, reveals, completion] {
        if (top)
            top->endAppearanceTransition();
        for (const auto& vc : chain) {
            if (!vc)
                continue;
            vc->m_presenting = nullptr;
            vc->m_presented = nullptr;
            vc->m_beingDismissed = false;
            if (vc->m_view)
                WindowFocus::hideLeftPage(vc->m_view);
            vc->leaveForGood();
        }
        if (self) {
            self->m_presented = nullptr;
            if (reveals)
                self->endAppearanceTransition();
        }
        if (completion)
            completion();
    };
    runPresentationChange(animated && top && top->m_view && host, top ? top->m_view.data() : nullptr, false,
                          std::move(finish));
}

void ViewController::leaveForGood() {
    m_leftForGood = true;
    deleteLater();
}

bool ViewController::event(QEvent* event) {
    // Deleted later, while still whole: what it asked over its own view (a container's root) is
    // answered before its destructors run, as its handlers may need it.
    if (event->type() == QEvent::DeferredDelete && m_view)
        if (Window* hosted = HostedWindow::existingFor(m_view))
            hosted->answerAlertsAsItGoes();
    return QObject::event(event);
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
    // The keys stay on the page (a desktop has no keyboard to close): nothing is typed into nowhere.
    QWidget* focus = m_view->window()->focusWidget();
    if (focus && focus != m_view && m_view->isAncestorOf(focus))
        WindowFocus::leaveKeysToPage(focus);
}

QWidget* ViewController::preferredFocusWidget() {
    if (!m_view)
        return nullptr;
    // Tab's order from the view: the chain runs through the whole window, so stop on leaving the view.
    // What shows over the view in a window of its own (pages presented over a container in a host's
    // widget lie in the container's view) is not the view's.
    const Window* own = Window::libraryWindowOf(m_view);
    for (QWidget* w = m_view->nextInFocusChain(); w && w != m_view; w = w->nextInFocusChain()) {
        if (!m_view->isAncestorOf(w) || Window::libraryWindowOf(w) != own)
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
