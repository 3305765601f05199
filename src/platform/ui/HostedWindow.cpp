#include "HostedWindow.h"

#include "ViewController.h"
#include "Window.h"

#include <QChildEvent>
#include <QEvent>
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

HostedWindow::HostedWindow(QWidget* rootView, QWidget* host)
    : QObject(rootView), m_rootView(rootView), m_window(new Window(host)) {
    m_window->setObjectName(QStringLiteral("pelnixHostedWindow"));
    m_window->setHostedView(rootView);
    m_window->hide();
    rootView->installEventFilter(this);
    m_window->installEventFilter(this);
    for (QObject* child : m_window->children())
        child->installEventFilter(this);
    followRootView();
}

HostedWindow::~HostedWindow() {
    delete m_window.data();
}

Window* HostedWindow::forRoot(const ViewController* root) {
    QWidget* view = root && root->isViewLoaded() ? const_cast<ViewController*>(root)->view() : nullptr;
    if (!view || !view->parentWidget() || liesInLibraryWindow(view))
        return nullptr;
    auto* hosted = view->findChild<HostedWindow*>(QString(), Qt::FindDirectChildrenOnly);
    if (!hosted)
        hosted = new HostedWindow(view, view->parentWidget());
    return hosted->m_window;
}

Window* HostedWindow::existingFor(const QWidget* rootView) {
    const auto* hosted =
        rootView ? rootView->findChild<HostedWindow*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
    return hosted ? hosted->m_window.data() : nullptr;
}

void HostedWindow::followRootView() {
    if (!m_window || !m_rootView)
        return;
    if (m_window->parentWidget() != m_rootView->parentWidget()) {
        const bool shown = !m_window->isHidden();
        m_window->setParent(m_rootView->parentWidget());
        m_window->setVisible(shown);
    }
    m_window->setGeometry(m_rootView->geometry());
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
    // While the host hides the view (and shows its own widget in its place), what it holds waits.
    if (holds && m_rootView && !m_rootView->isHidden()) {
        followRootView();
        m_window->show();
        m_window->raise();
    } else {
        // What the window held goes (the busy overlay it took a click on): the keys stay with the
        // container rather than moving on to the host's next widget.
        const QWidget* focus = m_window->window()->focusWidget();
        if (focus && (focus == m_window || m_window->isAncestorOf(focus)) && m_rootView &&
            m_rootView->isVisible())
            m_rootView->setFocus(Qt::OtherFocusReason);
        m_window->hide();
    }
}

bool HostedWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_rootView) {
        if (event->type() == QEvent::ParentChange &&
            (!m_rootView->parentWidget() || liesInLibraryWindow(m_rootView))) {
            // Taken out of the host's widget, or into a library window that presents for it.
            if (m_window)
                m_window->hide();
            deleteLater();
        } else if (event->type() == QEvent::Move || event->type() == QEvent::Resize ||
                   event->type() == QEvent::ParentChange) {
            followRootView();
        } else if (event->type() == QEvent::Show || event->type() == QEvent::Hide) {
            updateVisibility();
        } else if (event->type() == QEvent::ZOrderChange && m_window && !m_window->isHidden()) {
            // Raised over the window (a stacked layout turning to the view's page): back on top of it.
            m_window->raise();
        }
    } else if (watched == m_window) {
        if (event->type() == QEvent::ChildAdded)
            static_cast<QChildEvent*>(event)->child()->installEventFilter(this);
        else if (event->type() == QEvent::ChildRemoved)
            scheduleUpdate();
    } else if (event->type() == QEvent::ShowToParent) {
        // At once: an alert shows, and takes the keyboard, in the same turn as it is added.
        updateVisibility();
    } else if (event->type() == QEvent::HideToParent) {
        scheduleUpdate();
    }
    return QObject::eventFilter(watched, event);
}

} // namespace pelnix::platform::ui
