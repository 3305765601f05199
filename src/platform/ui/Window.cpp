#include "Window.h"

#include "AlertView.h"
#include "HostedRoots.h"
#include "KeyboardMonitor.h"
#include "NavigationController.h"
#include "Spinner.h"
#include "ViewController.h"
#include "WebView.h"
#include "WindowFocus.h"

#include <QCoreApplication>
#include <QPainter>
#include <QVBoxLayout>
#include <utility>

namespace pelnix::platform::ui {

namespace {
QPointer<Window> g_madeKey;
// Every window, oldest first.
QList<QPointer<Window>>& allWindows() {
    static QList<QPointer<Window>> windows;
    return windows;
}

// Dims what lies below the newest alert and takes the taps meant for it.
class DimmingLayer : public QWidget {
public:
    explicit DimmingLayer(QWidget* parent) : QWidget(parent) {}

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), QColor(0, 0, 0, 100)); }
};
} // namespace

Window::Window(QWidget* parent) : ContainerView(parent) {
    setObjectName(QStringLiteral("pelnixWindow"));
    resize(375, 667);
    m_alertLayer = new DimmingLayer(this);
    m_alertLayer->setObjectName(QStringLiteral("alertLayer"));
    m_alertLayer->hide();
    m_busyLayer = new DimmingLayer(this);
    m_busyLayer->setObjectName(QStringLiteral("busyLayer"));
    auto* busyLayout = new QVBoxLayout(m_busyLayer);
    auto* spinner = new Spinner(m_busyLayer);
    spinner->setColor(Qt::white);
    busyLayout->addWidget(spinner, 0, Qt::AlignCenter);
    m_busyLayer->hide();
    allWindows().removeAll(nullptr);
    allWindows() << this;
    // Text focus in any of the library's windows stands in for the keyboard from the start.
    KeyboardMonitor::shared();
    // The focus tells which window the user works in (a click anywhere in this one counts), and an
    // alert keeps the keys of what it covers.
    WindowFocus::install();
    WindowFocus::catchClicks(this);
    // The library's screens show web pages (smart messages, details, the browser): the window is
    // made for them from the start rather than switched, blinking, when the first page appears.
    WebView::prepareWindowForPages(this);
}

Window::~Window() {
    // Whoever asked is answered while the screens that asked are whole.
    answerAlertsAsItGoes();
    // Controllers first: their views are children of this window. Then the alerts, while the window
    // is still whole enough to hear them go.
    delete m_root.data();
    m_alerts.clear();
    delete std::exchange(m_alertLayer, nullptr);
}

Window* Window::keyWindow() {
    // A window going away (answering its alerts as it goes) is no place for anything new.
    const auto staying = [](Window* window) { return window && !window->m_going ? window : nullptr; };
    const auto hostedWindowOf = [&](ViewController* root) {
        return root ? staying(root->window()) : nullptr;
    };
    Window* worked = staying(WindowFocus::windowOfLatestFocus());
    if (worked && worked->isOnScreen())
        return worked;
    if (g_madeKey && g_madeKey->isOnScreen())
        return g_madeKey;
    const auto windows = allWindows();
    for (const auto& window : windows)
        if (window && !window->m_hostedView && window->isOnScreen())
            return window;
    if (Window* hosted = hostedWindowOf(HostedRoots::firstOnScreen()))
        return hosted;
    // Nothing the user can see: what is asked waits where the user worked (a window minimised, or a
    // container the host hid), and shows when that is back on screen.
    if (worked)
        return worked;
    if (Window* hosted = hostedWindowOf(HostedRoots::firstShown()))
        return hosted;
    // Every container hidden (a host's tab turned away, the one worked in deleted): the one that showed
    // last keeps it until it shows again.
    if (Window* hosted = hostedWindowOf(HostedRoots::lastShown()))
        return hosted;
    if (Window* madeKey = staying(g_madeKey))
        return madeKey;
    for (const auto& window : windows)
        if (staying(window) && !window->m_hostedView)
            return window;
    return nullptr;
}

void Window::makeKeyAndVisible() {
    g_madeKey = this;
    show();
}

Window* Window::libraryWindowOf(const QWidget* widget) {
    for (const QWidget* w = widget; w; w = w->parentWidget())
        if (auto* window = qobject_cast<const Window*>(w))
            return const_cast<Window*>(window);
    return nullptr;
}

bool Window::isOnScreen() const {
    // A minimised window is shown to Qt, yet the user sees nothing of it.
    const QWidget* shown = m_hostedView ? m_hostedView.data() : this;
    return !m_going && shown->isVisible() && !shown->window()->isMinimized();
}

void Window::setRootViewController(ViewController* controller) {
    if (m_root == controller)
        return;
    ViewController* old = m_root;
    const bool visible = isVisible();
    // Taken before the old root's will-disappear, which may take the focus from its text.
    const WindowFocus::Keys keys = WindowFocus::keysOf(old);
    if (old && visible)
        old->beginAppearanceTransition(false, false);
    m_root = controller;
    if (controller) {
        controller->setParent(this);
        addFillingView(controller->view());
        controller->view()->lower();
        if (visible)
            controller->beginAppearanceTransition(true, false);
    }
    if (old) {
        if (visible)
            old->endAppearanceTransition();
        WindowFocus::passKeys(keys, controller);
        if (old->m_view)
            WindowFocus::hideLeftPage(old->m_view);
        old->leaveForGood();
    }
    if (controller && visible)
        controller->endAppearanceTransition();
}

ViewController* Window::topViewController() const {
    ViewController* vc = m_root;
    while (vc && vc->presentedViewController())
        vc = vc->presentedViewController();
    return vc;
}

void Window::addPresentedView(QWidget* view) {
    addFillingView(view);
    view->raise();
    m_alertLayer->raise();
    m_busyLayer->raise();
}

void Window::resizeEvent(QResizeEvent* event) {
    ContainerView::resizeEvent(event);
    layoutAlerts();
}

void Window::showEvent(QShowEvent* event) {
    ContainerView::showEvent(event);
    ViewController* top = m_root ? m_root->topStayingController() : nullptr;
    if (top) {
        top->beginAppearanceTransition(true, false);
        top->endAppearanceTransition();
    }
    // A window of its own that opens with the keys nowhere has its page take them: left to Qt, its
    // activation hands them to the first stop in Tab's order, a bar's button that Space would press.
    if (isWindow() && !focusWidget()) {
        QWidget* preferred = top && top->isViewLoaded() ? top->preferredFocusWidget() : nullptr;
        giveKeyboardTo(preferred ? preferred : this);
    }
}

void Window::hideEvent(QHideEvent* event) {
    ContainerView::hideEvent(event);
    if (ViewController* top = m_root ? m_root->topStayingController() : nullptr) {
        top->beginAppearanceTransition(false, false);
        top->endAppearanceTransition();
    }
}

QList<AlertView*> Window::alerts() const {
    QList<AlertView*> out;
    for (const auto& alert : m_alerts)
        if (alert)
            out << alert.data();
    return out;
}

AlertView* Window::topAlert() const {
    for (auto it = m_alerts.crbegin(); it != m_alerts.crend(); ++it)
        if (*it)
            return it->data();
    return nullptr;
}

bool Window::coversWidget(const QWidget* widget) const {
    if (!widget || (m_alertLayer && (widget == m_alertLayer || m_alertLayer->isAncestorOf(widget))))
        return false;
    if (widget == this || isAncestorOf(widget))
        return true;
    return m_hostedView && (widget == m_hostedView || m_hostedView->isAncestorOf(widget));
}

void Window::addAlert(AlertView* alert) {
    if (!alert || m_alerts.contains(alert))
        return;
    if (!topAlert())
        m_focusAfterAlerts = nullptr;
    alert->setParent(m_alertLayer);
    m_alerts << alert;
    layoutAlerts();
}

void Window::removeAlert(AlertView* alert) {
    if (!m_alertLayer)
        return;
    // Compared by address: the alert may be in its destructor already.
    m_alerts.removeIf(
        [alert](const QPointer<AlertView>& shown) { return shown.isNull() || shown.data() == alert; });
    // The next alert takes the keyboard as it shows; after the last, it goes back under them.
    if (m_alerts.isEmpty())
        giveBackKeyboard();
    layoutAlerts();
}

void Window::answerAlertsAsItGoes() {
    if (QCoreApplication::closingDown())
        return;
    m_going = true;
    // An answer may ask again here; a question that keeps asking is left after a few rounds.
    constexpr int kRounds = 8;
    for (int round = 0; round < kRounds && !m_alerts.isEmpty(); ++round) {
        const QList<AlertView*> open = alerts();
        for (auto it = open.crbegin(); it != open.crend(); ++it)
            if (QPointer<AlertView> alert = *it)
                alert->answerAsItsWindowGoes();
    }
}

void Window::giveBackKeyboard() {
    const QPointer<QWidget> to = std::exchange(m_focusAfterAlerts, nullptr);
    QWidget* focus = window()->focusWidget();
    if (!focus || !m_alertLayer->isAncestorOf(focus))
        return; // the keyboard is elsewhere (the host's own widget): it stays there
    // A window going away (its container's view being deleted) gives them to nothing of its own: a
    // widget that takes them now would be deleted holding them.
    if (m_going || WindowFocus::isGoing(this)) {
        focus->clearFocus();
        return;
    }
    const auto canTake = [this](const QWidget* widget) {
        return widget && widget->window() == window() && widget->isVisible() && widget->isEnabled() &&
               !WindowFocus::isGoing(widget);
    };
    if (canTake(to)) {
        to->setFocus(Qt::OtherFocusReason);
        return;
    }
    // Nothing had them under the alerts (they came with a click on the dimming, or with the window):
    // the page on top takes them, rather than nothing in a window the user types in. Not one of its
    // fields: a field that takes the keys begins an edit the user never asked for.
    ViewController* top = topPage();
    QWidget* page = top && top->isViewLoaded() ? top->view() : nullptr;
    if (canTake(page))
        page->setFocus(Qt::OtherFocusReason);
    else
        // Never nowhere while the window is active: the page on top has them.
        topPageKeysWidget()->setFocus(Qt::OtherFocusReason);
}

ViewController* Window::topPage() const {
    ViewController* top = m_hostedView ? ViewController::controllerForView(m_hostedView) : m_root.data();
    while (top && top->presentedViewController())
        top = top->presentedViewController();
    // The screen a stack shows, rather than the stack's own view around it.
    while (auto* stack = qobject_cast<NavigationController*>(top)) {
        if (!stack->topViewController())
            break;
        top = stack->topViewController();
    }
    return top;
}

QWidget* Window::topPageKeysWidget() {
    ViewController* top = topPage();
    if (!top || !top->isViewLoaded())
        return this;
    QWidget* preferred = top->preferredFocusWidget();
    return preferred ? preferred : top->view();
}

void Window::giveKeyboardTo(QWidget* widget, Qt::FocusReason reason) {
    if (!widget || WindowFocus::isGoing(widget))
        return;
    if (Window* covering = WindowFocus::windowCovering(widget))
        covering->setFocusAfterAlerts(widget);
    else if (Window* layered = WindowFocus::windowWithKeyLayerOver(widget))
        layered->keepKeysOnLayer(widget);
    else
        widget->setFocus(reason);
}

namespace {
constexpr int kSheetMaximumWidth = 414;
}

void Window::layoutAlerts() {
    if (!m_alertLayer)
        return;
    const auto shown = alerts();
    if (shown.isEmpty()) {
        m_alertLayer->hide();
        return;
    }
    addFillingView(m_alertLayer);
    m_alertLayer->raise();
    m_busyLayer->raise();
    AlertView* top = shown.last();
    const int margin = 8;
    if (top->style() == AlertView::Style::ActionSheet) {
        // A phone's width at most: on a wide window the sheet stays a column under the pointer's reach.
        const int w = qMin(kSheetMaximumWidth, width() - 2 * margin);
        const int h = top->heightForWidth(w) > 0 ? top->heightForWidth(w) : top->sizeHint().height();
        top->setGeometry((width() - w) / 2, height() - h - margin, w, h);
    } else {
        const int w = qMin(270, width() - 2 * margin);
        const int h = top->heightForWidth(w) > 0 ? top->heightForWidth(w) : top->sizeHint().height();
        top->setGeometry((width() - w) / 2, (height() - h) / 2, w, h);
    }
    // The newest shows (and takes the keyboard from the one it covers) before the older ones hide, so
    // the keyboard never falls back to what lies under them.
    top->setVisible(true);
    for (AlertView* alert : shown)
        if (alert != top)
            alert->setVisible(false);
}

void Window::setBusy(bool busy) {
    if (busy) {
        addFillingView(m_busyLayer);
        m_busyLayer->raise();
        holdKeysUnder(m_busyLayer);
        if (auto* spinner = m_busyLayer->findChild<Spinner*>())
            spinner->startAnimating();
    } else {
        releaseKeysUnder(m_busyLayer);
        m_busyLayer->hide();
        if (auto* spinner = m_busyLayer->findChild<Spinner*>())
            spinner->stopAnimating();
    }
}

bool Window::isBusy() const {
    return !m_busyLayer->isHidden();
}

QWidget* Window::keyLayerOver(const QWidget* widget) const {
    if (!m_keyLayer || m_keyLayer->isHidden() || !widget || widget == m_keyLayer ||
        m_keyLayer->isAncestorOf(widget))
        return nullptr;
    return coversWidget(widget) ? m_keyLayer.data() : nullptr;
}

void Window::keepKeysOnLayer(QWidget* widget) {
    if (!m_keyLayer || WindowFocus::isGoing(m_keyLayer))
        return;
    if (widget != this)
        m_focusAfterKeyLayer = widget;
    m_keyLayer->setFocus(Qt::OtherFocusReason);
}

void Window::holdKeysUnder(QWidget* layer) {
    if (!layer)
        return;
    m_keyLayer = layer;
    m_focusAfterKeyLayer = nullptr;
    QWidget* focus = window()->focusWidget();
    if (focus && keyLayerOver(focus))
        keepKeysOnLayer(focus);
}

void Window::releaseKeysUnder(QWidget* layer) {
    if (!layer || m_keyLayer != layer)
        return;
    m_keyLayer = nullptr;
    const QPointer<QWidget> back = std::exchange(m_focusAfterKeyLayer, nullptr);
    QWidget* focus = window()->focusWidget();
    if (!focus || (focus != layer && !layer->isAncestorOf(focus)))
        return; // the keys are elsewhere (an alert, the host's own widget): they stay there
    const bool backShows = back && back->window() == window() && back->isVisible() && back->isEnabled();
    // Moved before the layer hides: left to Qt, they would move on along Tab's order.
    giveKeyboardTo(backShows ? back.data() : topPageKeysWidget());
}

qreal Window::screenScale() const {
    return devicePixelRatioF();
}

} // namespace pelnix::platform::ui
