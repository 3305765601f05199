#include "PLPopoverController.h"
#include "platform/ui/WindowFocus.h"

#include "PLPopoverBackgroundView.h"
#include "PLPopoverPlacement.h"
#include "PLPopoverTheme.h"
#include "foundation/PLCurrentBundleInfo.h"
#include "platform/NotificationCenter.h"
#include "platform/ui/Animator.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/KeyboardMonitor.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/PopoverHost.h"
#include "platform/ui/PopoverOverlay.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QPainterPath>
#include <QThread>
#include <memory>

namespace pelnix {

Q_LOGGING_CATEGORY(lcPopover, "pelnix.ui.popover", QtWarningMsg)

using platform::NotificationCenter;
using platform::ui::Animator;
using platform::ui::BarButtonItem;
using platform::ui::KeyboardMonitor;
using platform::ui::NavigationController;
using platform::ui::PopoverHost;
using platform::ui::PopoverOverlay;
using platform::ui::ViewController;
using platform::ui::Window;

namespace {
// The built-in default theme and the one set in its place, shared by every controller.
struct DefaultTheme {
    std::unique_ptr<PLPopoverTheme> builtIn;
    QPointer<PLPopoverTheme> current;
};
Q_GLOBAL_STATIC(DefaultTheme, g_defaultTheme)

[[maybe_unused]] bool isMainThread() {
    return !QCoreApplication::instance() ||
           QThread::currentThread() == QCoreApplication::instance()->thread();
}
} // namespace

PLPopoverController::PLPopoverController(QObject* parent) : QObject(parent) {
    Q_ASSERT(isMainThread());
    // Start on the shared default theme, refreshed from the bubble's appearance values.
    m_themeUpdatesEnabled = false;
    setTheme(defaultTheme());
    m_themeIsUpdating = true;
    PLPopoverBackgroundView::appearance()->copyResolvedValuesTo(*m_theme);
    m_themeIsUpdating = false;
    m_themeUpdatesEnabled = true;
}

PLPopoverController::PLPopoverController(ViewController* content, QObject* parent)
    : PLPopoverController(parent) {
    m_content = content;
    if (content && !content->parent())
        content->setParent(this);
}

PLPopoverController::~PLPopoverController() {
    listenToKeyboard(false);
    observeContentSize(false);
    QObject::disconnect(m_themeConnection);
    if (m_content && m_content->isViewLoaded() && m_background &&
        m_content->view()->parentWidget() == m_background)
        platform::ui::WindowFocus::takeOutOfWindow(m_content->view());
    if (Window* window = anchorWindow())
        PopoverHost::forWindow(window)->removePopover(m_overlay, m_background);
    else {
        delete m_overlay.data();
        delete m_background.data();
    }
}

ViewController* PLPopoverController::contentViewController() const {
    return m_content;
}

PLPopoverTheme* PLPopoverController::theme() const {
    return m_theme;
}

PopoverOverlay* PLPopoverController::overlayView() const {
    return m_overlay;
}

PLPopoverBackgroundView* PLPopoverController::backgroundView() const {
    return m_background;
}

QWidget* PLPopoverController::anchorView() const {
    return m_inView;
}

void PLPopoverController::setDelegate(PLPopoverControllerDelegate* delegate) {
    // Weak: a delegate that is destroyed is never called.
    m_delegateObject = dynamic_cast<QObject*>(delegate);
    m_delegate = m_delegateObject ? delegate : nullptr;
    if (delegate && !m_delegateObject)
        qCDebug(lcPopover) << "popover delegate ignored: it is not a QObject";
}

PLPopoverControllerDelegate* PLPopoverController::delegate() const {
    return m_delegateObject ? m_delegate : nullptr;
}

QList<QWidget*> PLPopoverController::passthroughViews() const {
    QList<QWidget*> out;
    for (const auto& view : m_passthrough)
        if (view)
            out << view.data();
    return out;
}

void PLPopoverController::setPassthroughViews(const QList<QWidget*>& views) {
    m_passthrough.clear();
    for (QWidget* view : views)
        m_passthrough << view;
    if (m_overlay)
        m_overlay->setPassthroughViews(views);
}

QSizeF PLPopoverController::popoverContentSize() const {
    return m_contentSize.isValid() && !m_contentSize.isNull() ? m_contentSize
                                                              : topViewControllerContentSize();
}

void PLPopoverController::setPopoverContentSize(const QSizeF& size) {
    m_contentSize = size;
    positionPopover(true);
}

QSizeF PLPopoverController::topViewControllerContentSize() const {
    ViewController* top = m_content;
    if (auto* navigation = qobject_cast<NavigationController*>(top))
        top = navigation->topViewController();
    // Unset (invalid) and zero sizes both leave the choice to the popover.
    const QSize preferred = top ? top->preferredContentSize() : QSize();
    if (preferred.isValid() && !preferred.isNull())
        return preferred;
    const Window* key = Window::keyWindow();
    return QSizeF(320, key ? key->height() : 0);
}

Window* PLPopoverController::anchorWindow() const {
    if (m_inView)
        return qobject_cast<Window*>(m_inView->window());
    return Window::keyWindow();
}

void PLPopoverController::presentPopoverFromRect(const QRect& rect, QWidget* inView, unsigned permitted,
                                                 bool animated, Completion completion) {
    presentPopoverFromRect(rect, inView, permitted, animated, PLPopoverAnimationOptionFade,
                           std::move(completion));
}

void PLPopoverController::presentPopoverFromBarButtonItem(BarButtonItem* item, unsigned permitted,
                                                          bool animated, Completion completion) {
    presentPopoverFromBarButtonItem(item, permitted, animated, PLPopoverAnimationOptionFade,
                                    std::move(completion));
}

void PLPopoverController::presentPopoverFromBarButtonItem(BarButtonItem* item, unsigned, bool animated,
                                                          unsigned options, Completion completion) {
    m_barButtonItem = item;
    QWidget* view = PopoverHost::viewForBarButtonItem(item);
    present(view ? view->rect() : QRect(), view, PLPopoverArrowDirectionUp | PLPopoverArrowDirectionDown,
            animated, options, std::move(completion));
}

void PLPopoverController::presentPopoverAsDialog(bool animated, Completion completion) {
    presentPopoverAsDialog(animated, PLPopoverAnimationOptionFade, std::move(completion));
}

void PLPopoverController::presentPopoverAsDialog(bool animated, unsigned options, Completion completion) {
    presentPopoverFromRect(QRect(), nullptr, PLPopoverArrowDirectionNone, animated, options,
                           std::move(completion));
}

void PLPopoverController::presentPopoverFromRect(const QRect& rect, QWidget* inView, unsigned permitted,
                                                 bool animated, unsigned options, Completion completion) {
    m_barButtonItem = nullptr;
    present(rect, inView, permitted, animated, options, std::move(completion));
}

void PLPopoverController::present(const QRect& rect, QWidget* inView, unsigned permitted, bool animated,
                                  unsigned options, Completion completion) {
    Q_ASSERT(isMainThread());
    m_rect = rect;
    m_inView = inView;
    m_permitted = permitted;
    m_animated = animated;
    m_options = options;
    if (!m_inView) {
        // A dialog: centred on the key window's root view.
        Window* key = Window::keyWindow();
        ViewController* root = key ? key->rootViewController() : nullptr;
        m_inView = root ? root->view() : static_cast<QWidget*>(key);
        if (m_inView && m_rect.isEmpty())
            m_rect = QRect(m_inView->width() / 2 - 5, m_inView->height() / 2 - 5, 10, 10);
    }
    Window* window = anchorWindow();
    if (!window || !m_content) {
        qCDebug(lcPopover) << "popover not shown: no window or no content";
        return;
    }
    if (!m_overlay) {
        m_background = new PLPopoverBackgroundView(popoverContentSize());
        m_background->setAppearing(true);
        m_background->hide();
        m_overlay = PopoverHost::forWindow(window)->addPopover(m_background);
        m_overlay->setPassthroughViews(passthroughViews());
        m_overlay->setAccessibleName(
            PLCurrentBundleInfo::localizedString(QStringLiteral("Double-tap to dismiss pop-up window.")));
        connect(m_overlay, &PopoverOverlay::touched, this, &PLPopoverController::outsideTouch);
        connect(m_overlay, &PopoverOverlay::resized, this, &PLPopoverController::windowDidResize);
        connect(m_background, &PLPopoverBackgroundView::touchedOutside, this,
                &PLPopoverController::outsideTouch);
    }
    updateThemeUI();
    m_background->show();
    m_background->raise();
    const bool animate = animated && !Animator::isInstant() && m_animationDuration > 0;
    m_content->beginAppearanceTransition(true, animated);
    if (!animate) {
        afterPresent(std::move(completion));
    } else {
        const int ms = int(m_animationDuration * 1000);
        if (options & PLPopoverAnimationOptionFade) {
            Animator::setAlpha(m_overlay, 0);
            Animator::setAlpha(m_background, 0);
            Animator::animateAlpha(m_background, 1, ms);
        }
        if (options & PLPopoverAnimationOptionScale) {
            // Grow out of the arrow's tip.
            const QRect end = m_background->geometry();
            m_background->setGeometry(arrowTipRect());
            Animator::animateProperty(m_background, "geometry", end, ms);
        }
        QPointer<PLPopoverController> self(this);
        Animator::animateAlpha(m_overlay, 1, ms, [self, completion](bool) {
            if (self)
                self->afterPresent(completion);
        });
    }
    listenToKeyboard(true);
}

QRect PLPopoverController::arrowTipRect() const {
    if (!m_background)
        return {};
    const QRectF arrow = m_background->arrowRect();
    const QPoint tip = arrow.isEmpty() ? m_background->rect().center() : arrow.center().toPoint();
    return QRect(m_background->mapToParent(tip), QSize(1, 1));
}

void PLPopoverController::afterPresent(Completion completion) {
    if (m_content)
        m_content->endAppearanceTransition();
    observeContentSize(true);
    if (m_background)
        m_background->setAppearing(false);
    if (completion)
        completion();
    else if (auto* d = delegate())
        d->popoverControllerDidPresentPopover(this);
}

void PLPopoverController::observeContentSize(bool observe) {
    QObject::disconnect(m_sizeConnection);
    if (!observe || !m_content)
        return;
    m_sizeConnection = connect(m_content, &ViewController::preferredContentSizeChanged, this,
                               [this] { setPopoverContentSize(topViewControllerContentSize()); });
}

void PLPopoverController::dismissPopover(bool animated, Completion completion) {
    dismissPopover(animated, m_options, std::move(completion), false);
}

void PLPopoverController::dismissPopover(bool animated, unsigned options, Completion completion,
                                         bool callDelegate) {
    Q_ASSERT(isMainThread());
    if (!m_overlay)
        return;
    listenToKeyboard(false);
    if (m_content)
        m_content->beginAppearanceTransition(false, animated);
    observeContentSize(false);
    if (!animated || Animator::isInstant() || m_animationDuration <= 0) {
        afterDismiss(std::move(completion), callDelegate, animated);
        return;
    }
    const int ms = int(m_animationDuration * 1000);
    if (options & PLPopoverAnimationOptionFade)
        Animator::animateAlpha(m_background, 0, ms);
    if (options & PLPopoverAnimationOptionScale)
        Animator::animateProperty(m_background, "geometry", arrowTipRect(), ms);
    QPointer<PLPopoverController> self(this);
    Animator::animateAlpha(m_overlay, 0, ms, [self, completion, callDelegate, animated](bool) {
        if (self)
            self->afterDismiss(completion, callDelegate, animated);
        else if (completion)
            completion(); // the caller's block runs even when the popover is gone
    });
}

void PLPopoverController::afterDismiss(Completion completion, bool callDelegate, bool animated) {
    Q_UNUSED(animated);
    // The content view outlives the bubble: take it out before the bubble goes.
    if (m_content && m_content->isViewLoaded() && m_background &&
        m_content->view()->parentWidget() == m_background) {
        m_content->view()->hide();
        platform::ui::WindowFocus::takeOutOfWindow(m_content->view());
    }
    if (Window* window = anchorWindow())
        PopoverHost::forWindow(window)->removePopover(m_overlay, m_background);
    else if (m_overlay)
        m_overlay->deleteLater();
    m_overlay = nullptr;
    m_background = nullptr;
    if (m_content)
        m_content->endAppearanceTransition();
    if (completion)
        completion();
    else if (callDelegate)
        if (auto* d = delegate())
            d->popoverControllerDidDismissPopover(this);
}

void PLPopoverController::outsideTouch() {
    if (!m_overlay)
        return;
    if (m_content && m_content->isModalInPopover())
        return;
    if (auto* d = delegate(); d && !d->popoverControllerShouldDismissPopover(this))
        return;
    dismissPopover(m_animated, m_options, {}, true);
}

void PLPopoverController::listenToKeyboard(bool listen) {
    if (listen == m_listening)
        return;
    m_listening = listen;
    auto* center = NotificationCenter::defaultCenter();
    if (!listen) {
        center->removeObservers(this);
        return;
    }
    center->addObserver(
        KeyboardMonitor::kWillShow,
        [this](const platform::Notification& n) {
            keyboardWillShow(n.userInfo.value(KeyboardMonitor::kFrameEndKey).toRect());
        },
        this);
    center->addObserver(
        KeyboardMonitor::kWillHide, [this](const platform::Notification&) { keyboardWillHide(); }, this);
}

void PLPopoverController::keyboardWillShow(const QRect& endFrame) {
    m_keyboardRect = endFrame;
    auto* d = delegate();
    if (!d || !d->popoverControllerShouldIgnoreKeyboardBounds(this))
        positionPopover(true);
}

void PLPopoverController::keyboardWillHide() {
    m_keyboardRect = QRect();
    auto* d = delegate();
    if (!d || !d->popoverControllerShouldIgnoreKeyboardBounds(this))
        positionPopover(true);
}

void PLPopoverController::positionPopover(bool animated) {
    if (!m_overlay || !m_background)
        return;
    Window* window = anchorWindow();
    if (!window)
        return;
    const QRect start = m_background->geometry();
    auto* d = delegate();
    PLPopoverPlacement::Screen screen;
    screen.size = QSizeF(window->size());
    screen.margins = m_margins;
    screen.keyboardHeight =
        d && d->popoverControllerShouldIgnoreKeyboardBounds(this) ? 0 : m_keyboardRect.height();
    const QRectF anchor = PopoverHost::forWindow(window)->rectInWindow(m_inView, m_rect);
    PLPopoverBackgroundView* bubble = m_background;
    PLPopoverPlacement::Bubble metrics;
    metrics.arrowHeight = bubble->style().arrowHeight;
    metrics.outerShadowInsets = bubble->outerShadowInsets();
    metrics.sizeThatFits = [bubble](unsigned direction, const QSizeF& content) {
        bubble->setArrowDirection(direction);
        return bubble->sizeThatFits(content);
    };
    const auto placed =
        PLPopoverPlacement::position(anchor, popoverContentSize(), m_permitted, screen, metrics);
    bubble->setArrowDirection(placed.direction);
    QRectF frame = placed.frame;
    // The least height above or below the anchor, or width beside it, can reach past a small window's
    // edge: what lies beyond it is cut, on the side away from the arrow, so the bubble stays in the
    // window and still points at its anchor.
    const QRectF windowBounds(QPointF(0, 0), screen.size);
    if (!windowBounds.contains(frame))
        frame = frame.intersected(windowBounds);
    bubble->setGeometry(frame.toRect());
    bubble->setArrowOffset(placed.arrowOffset);
    bubble->setWantsDefaultContentAppearance(m_wantsDefaultContentAppearance);
    bubble->setViewController(m_content);
    qreal slide = PLPopoverPlacement::keyboardSlide(frame, m_keyboardRect.top(), screen, metrics);
    if (slide > 0) {
        if (d)
            d->willTranslatePopoverWithYOffset(this, slide);
        frame.translate(0, -slide);
    }
    if (!animated) {
        bubble->setGeometry(frame.toRect());
        return;
    }
    bubble->setGeometry(start);
    Animator::animateProperty(bubble, "geometry", frame.toRect(), 100);
}

void PLPopoverController::windowDidResize() {
    if (!m_overlay || !m_background)
        return;
    if (QWidget* itemView = PopoverHost::viewForBarButtonItem(m_barButtonItem)) {
        m_inView = itemView;
        m_rect = itemView->rect();
    } else if (auto* d = delegate()) {
        QRect rect = m_rect;
        QWidget* view = m_inView;
        d->willRepositionPopoverToRect(this, rect, view);
        // The bubble stays in its window: an anchor elsewhere cannot be pointed at from it.
        if (view && view->window() != m_overlay->window()) {
            qCWarning(lcPopover) << "popover anchor ignored: it is in another window";
        } else {
            m_rect = rect;
            m_inView = view;
        }
    }
    positionPopover(false);
}

PLPopoverTheme* PLPopoverController::defaultTheme() {
    DefaultTheme* shared = g_defaultTheme();
    if (!shared->current) {
        if (!shared->builtIn)
            shared->builtIn.reset(PLPopoverTheme::theme());
        setDefaultTheme(shared->builtIn.get());
    }
    return shared->current;
}

void PLPopoverController::setDefaultTheme(PLPopoverTheme* theme) {
    g_defaultTheme()->current = theme;
    if (theme)
        theme->copyResolvedValuesTo(*PLPopoverBackgroundView::appearance());
}

void PLPopoverController::setTheme(PLPopoverTheme* theme) {
    QObject::disconnect(m_themeConnection);
    m_theme = theme;
    if (theme) {
        if (!theme->parent() && theme != g_defaultTheme()->builtIn.get() &&
            theme != g_defaultTheme()->current)
            theme->setParent(this);
        m_themeConnection = connect(theme, &PLPopoverTheme::changed, this, [this] { updateThemeUI(); });
    }
    updateThemeUI();
    m_themeIsUpdating = false;
}

void PLPopoverController::beginThemeUpdates() {
    m_themeIsUpdating = true;
}

void PLPopoverController::endThemeUpdates() {
    m_themeIsUpdating = false;
    updateThemeUI();
}

void PLPopoverController::updateThemeUI() {
    if (!m_theme || !m_themeUpdatesEnabled || m_themeIsUpdating)
        return;
    if (m_background)
        m_background->applyTheme(*m_theme);
    if (m_overlay) {
        const auto overlay = m_theme->overlayColor();
        m_overlay->setColor(overlay ? overlay->toQColor() : QColor(Qt::transparent));
    }
    positionPopover(false);
    prepareContent();
}

void PLPopoverController::prepareContent() {
    if (!m_content || !m_background)
        return;
    if (auto* navigation = qobject_cast<NavigationController*>(m_content.data()))
        if (!m_wantsDefaultContentAppearance)
            navigation->navigationBar()->setTransparent(true);
    QWidget* view = m_content->view();
    if (m_background->style().borderWidth == 0) {
        // No border: the content takes the bubble's rounded corners.
        QPainterPath rounded;
        const qreal r = m_background->style().outerCornerRadius;
        rounded.addRoundedRect(QRectF(view->rect()), r, r);
        view->setMask(QRegion(rounded.toFillPolygon().toPolygon()));
    } else {
        view->clearMask();
    }
}

} // namespace pelnix
