#include "HostedWindow.h"

#include "HostedRoots.h"
#include "ViewController.h"
#include "Window.h"
#include "WindowFocus.h"

#include <QChildEvent>
#include <QEvent>
#include <QRect>
#include <QWidget>
#include <utility>

namespace pelnix::platform::ui {

namespace {

bool liesInLibraryWindow(const QWidget* widget) {
    for (; widget; widget = widget->parentWidget())
        if (qobject_cast<const Window*>(widget))
            return true;
    return false;
}

} // namespace

HostedWindow::HostedWindow(QWidget* rootView)
    : QObject(rootView), m_rootView(rootView), m_window(new Window(rootView)) {
    m_window->setObjectName(QStringLiteral("pelnixHostedWindow"));
    m_window->setHostedView(rootView);
    m_window->hide();
    place();
    rootView->installEventFilter(this);
    for (QObject* child : rootView->children())
        watchViewChild(child);
    m_window->installEventFilter(this);
    for (QObject* child : m_window->children())
        child->installEventFilter(this);
    // A view emits this before its children go (its screens, this window): whoever asked is answered
    // while they are whole, whether the host deletes the view or its controller does.
    connect(rootView, &QObject::destroyed, this, [this] {
        if (m_window)
            m_window->answerAlertsAsItGoes();
    });
}

HostedWindow::~HostedWindow() {
    watchHolders(false);
    if (m_rootView)
        m_rootView->removeEventFilter(this);
    delete m_window.data();
}

Window* HostedWindow::forRoot(const ViewController* root) {
    QWidget* view = root && root->isViewLoaded() ? const_cast<ViewController*>(root)->view() : nullptr;
    if (!view || liesInLibraryWindow(view))
        return nullptr;
    // A view taken out of its widget keeps what it holds until it has a place again.
    if (auto* hosted = view->findChild<HostedWindow*>(QString(), Qt::FindDirectChildrenOnly))
        return hosted->m_window;
    // A view in no widget has a place only as a window the host has shown (closed since, or not).
    if (!view->parentWidget() && !view->isVisible() && !view->testAttribute(Qt::WA_WState_Created) &&
        !HostedRoots::wasShown(root))
        return nullptr;
    return (new HostedWindow(view))->m_window;
}

Window* HostedWindow::existingFor(const QWidget* rootView) {
    const auto* hosted =
        rootView ? rootView->findChild<HostedWindow*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
    return hosted ? hosted->m_window.data() : nullptr;
}

// The view's own children (its screens, a page it brings to the front) are heard as they are stacked.
void HostedWindow::watchViewChild(QObject* child) {
    if (child != m_window && child->isWidgetType())
        child->installEventFilter(this);
}

void HostedWindow::keepOnTop() {
    if (m_window && !m_window->isHidden())
        m_window->raise();
}

// Deferred when a layer hides: the layers change together (an alert, then the dimming below it), and
// a window being destroyed with its host is left alone.
void HostedWindow::scheduleUpdate() {
    if (std::exchange(m_updateScheduled, true))
        return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_updateScheduled = false;
            updateVisibility();
        },
        Qt::QueuedConnection);
}

void HostedWindow::updateVisibility() {
    if (!m_window)
        return;
    bool holds = false;
    for (QObject* child : m_window->children())
        if (auto* widget = qobject_cast<QWidget*>(child); widget && !widget->isHidden())
            holds = true;
    // While the host hides the view (and shows its own widget in its place), or has taken it out of
    // its widget (Qt hides a view it takes out), what it holds waits; a view it shows as a window of
    // its own shows it.
    if (holds && m_rootView && !m_rootView->isHidden()) {
        watchHolders(true);
        place();
        m_window->show();
        m_window->raise();
    } else {
        watchHolders(false);
        // What the window held goes (the busy overlay it took a click on): the keys stay with the
        // container rather than moving on to the host's next widget.
        const QWidget* focus = m_window->window()->focusWidget();
        if (focus && (focus == m_window || m_window->isAncestorOf(focus)) && m_rootView &&
            m_rootView->isVisible() && !WindowFocus::isGoing(m_rootView))
            m_rootView->setFocus(Qt::OtherFocusReason);
        m_window->hide();
    }
}

void HostedWindow::watchHolders(bool watch) {
    QList<QPointer<QWidget>> holders;
    if (watch && m_rootView)
        for (QWidget* w = m_rootView; !w->isWindow() && w->parentWidget();)
            holders << (w = w->parentWidget());
    if (holders == m_holders)
        return;
    for (const auto& holder : std::as_const(m_holders))
        if (holder)
            holder->removeEventFilter(this);
    m_holders = holders;
    for (const auto& holder : std::as_const(m_holders))
        holder->installEventFilter(this);
}

void HostedWindow::place() {
    if (!m_window || !m_rootView)
        return;
    // While nothing of the view shows, the window lies over all of it until a part shows again.
    const QRect part = shownPart();
    m_window->setGeometry(part.isEmpty() ? m_rootView->rect() : part);
}

// The view's rectangle clipped by each widget that holds it, up to its window, in the view's
// coordinates (QWidget::visibleRegion() would also take out the view's own screens, which cover it).
QRect HostedWindow::shownPart() const {
    QRect part = m_rootView->rect();
    QPoint at; // where the view lies in the holder reached
    for (const QWidget* w = m_rootView; !w->isWindow() && w->parentWidget(); w = w->parentWidget()) {
        at += w->pos();
        part &= w->parentWidget()->rect().translated(-at);
    }
    return part;
}

bool HostedWindow::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (watched == m_rootView) {
        if (type == QEvent::ParentChange) {
            // Taken out of the host's widget (held, hidden, until it has a place again), or put in
            // another one.
            watchHolders(false);
            updateVisibility();
        } else if (type == QEvent::Resize || type == QEvent::Move) {
            if (m_window && !m_window->isHidden())
                place();
        } else if (type == QEvent::Show || type == QEvent::Hide) {
            updateVisibility();
        } else if (type == QEvent::ChildAdded) {
            // A new child of the view lies over the ones before it: the window goes back on top.
            watchViewChild(static_cast<QChildEvent*>(event)->child());
            keepOnTop();
        } else if (type == QEvent::ChildRemoved) {
            static_cast<QChildEvent*>(event)->child()->removeEventFilter(this);
        }
    } else if (watched == m_window) {
        if (type == QEvent::ChildAdded)
            static_cast<QChildEvent*>(event)->child()->installEventFilter(this);
        else if (type == QEvent::ChildRemoved)
            scheduleUpdate();
        else if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease ||
                 type == QEvent::MouseButtonDblClick) {
            // A click on the dimming goes no further: the view it would pass to is the one it covers.
            event->accept();
            return true;
        }
    } else if (watched->isWidgetType() && m_rootView &&
               static_cast<QWidget*>(watched)->isAncestorOf(m_rootView)) {
        // A widget that holds the view: it scrolls it, moves or resizes, or goes elsewhere itself.
        if (type == QEvent::ParentChange)
            watchHolders(true);
        if (type == QEvent::ParentChange || type == QEvent::Move || type == QEvent::Resize)
            place();
    } else if (watched->parent() == m_rootView) {
        // One of the view's children raised over the window (a screen bringing a page to the front).
        if (type == QEvent::ZOrderChange)
            keepOnTop();
    } else if (type == QEvent::ShowToParent) {
        // At once: an alert shows, and takes the keyboard, in the same turn as it is added.
        updateVisibility();
    } else if (type == QEvent::HideToParent) {
        scheduleUpdate();
    }
    return QObject::eventFilter(watched, event);
}

} // namespace pelnix::platform::ui
