#include "ui/account/PLLoginFormViewController.h"

#include "platform/NotificationCenter.h"
#include "platform/ui/Animator.h"
#include "platform/ui/KeyboardMonitor.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/Window.h"
#include "ui/account/PLPageView.h"
#include "ui/toolkit/Geometry.h"
#include "ui/toolkit/PLTapToDismissKeyboardView.h"

#include <QPointer>

namespace pelnix {

using namespace platform::ui;
using platform::NotificationCenter;

PLLoginFormViewController::PLLoginFormViewController(QObject* parent) : PLBaseViewController(parent) {}

PLLoginFormViewController::~PLLoginFormViewController() {
    NotificationCenter::defaultCenter()->removeObservers(&m_keyboardObservers);
}

QWidget* PLLoginFormViewController::loadView() {
    auto* page = new PLPageView([this] { viewWillLayoutSubviews(); });
    m_scroll = new ScrollView(page);
    m_scroll->setObjectName(QStringLiteral("scrollView"));
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->viewport()->setAutoFillBackground(false);
    // Only a frame that keeps the form above the keyboard: no stop of Tab's, and a click on the form
    // (a link of its text) leaves the keys in the field that has them.
    m_scroll->setFocusPolicy(Qt::NoFocus);
    auto* content = new QWidget;
    m_scroll->setContentWidget(content);
    m_container = new PLTapToDismissKeyboardView(content);
    m_container->setObjectName(QStringLiteral("containerView"));
    m_container->resize(formSize());
    buildForm(m_container);
    buildPage(page);
    return page;
}

void PLLoginFormViewController::viewWillLayoutSubviews() {
    if (!m_scroll || !isViewLoaded())
        return;
    m_scroll->setGeometry(view()->rect());
    const QMargins inset = m_scroll->contentInset();
    // From the scroll view's own size: a view not shown yet lays its viewport out only when shown, so
    // on a window's first show the viewport's size is still its default one.
    const QSize bounds = m_scroll->maximumViewportSize();
    const QSize content(bounds.width() - inset.left() - inset.right(),
                        bounds.height() - inset.top() - inset.bottom());
    m_scroll->setContentSize(content);
    // The content view clips the form: it spans the whole content, never less than the page.
    if (QWidget* view = m_scroll->contentWidget())
        view->resize(content.expandedTo(bounds));
    placeContainer();
    placeReadingOrderViews();
}

void PLLoginFormViewController::placeInReadingOrder(QWidget* view, const QRect& leftToRight) {
    if (!view)
        return;
    m_readingOrderViews.append({view, leftToRight});
    Geometry::placeInReadingOrder(view, leftToRight);
}

void PLLoginFormViewController::placeReadingOrderViews() {
    for (const auto& [view, leftToRight] : std::as_const(m_readingOrderViews))
        Geometry::placeInReadingOrder(view, leftToRight);
}

void PLLoginFormViewController::placeContainer() {
    if (!m_container || !isViewLoaded())
        return;
    const QRect page = view()->rect();
    const QSize size = m_container->size();
    const Window* host = window();
    // Short phones keep the form at the top, where the keyboard leaves room for it.
    const bool centred = (host ? host->height() : page.height()) > kCentringMinimumHeight;
    m_container->move((page.width() - size.width()) / 2,
                      centred ? (page.height() - size.height()) / 2 : kFormTop);
}

void PLLoginFormViewController::viewWillAppear(bool animated) {
    PLBaseViewController::viewWillAppear(animated);
    placeContainer();
}

void PLLoginFormViewController::viewDidAppear(bool animated) {
    PLBaseViewController::viewDidAppear(animated);
    registerToKeyboardNotifications();
    takeKeysOnAppearing();
}

void PLLoginFormViewController::viewWillDisappear(bool animated) {
    NotificationCenter::defaultCenter()->removeObservers(&m_keyboardObservers);
    PLBaseViewController::viewWillDisappear(animated);
}

void PLLoginFormViewController::registerToKeyboardNotifications() {
    auto* center = NotificationCenter::defaultCenter();
    center->removeObservers(&m_keyboardObservers);
    KeyboardMonitor::shared(); // the notifications come from it
    QPointer<PLLoginFormViewController> self(this);
    center->addObserver(
        KeyboardMonitor::kWillShow,
        [self](const platform::Notification& n) {
            if (self)
                self->handleKeyboardDisplay(n.userInfo);
        },
        &m_keyboardObservers);
    center->addObserver(
        KeyboardMonitor::kWillHide,
        [self](const platform::Notification&) {
            if (self)
                self->handleKeyboardDismiss();
        },
        &m_keyboardObservers);
}

void PLLoginFormViewController::handleKeyboardDisplay(const QVariantMap& userInfo) {
    Window* host = window();
    if (!m_scroll || !m_container || !host)
        return;
    const QRect keyboard = userInfo.value(KeyboardMonitor::kFrameEndKey).toRect();
    const QRect form(m_container->mapTo(host, QPoint(0, 0)), m_container->size());
    const int covered = keyboard.intersected(form).height();
    QMargins inset = m_scroll->contentInset();
    inset.setBottom(covered);
    m_scroll->setContentInset(inset);
    m_scroll->setContentOffset(m_scroll->contentOffset() + QPointF(0, covered), true);
}

void PLLoginFormViewController::handleKeyboardDismiss() {
    if (!m_scroll)
        return;
    QPointer<ScrollView> scroll = m_scroll;
    const int from = scroll->contentInset().bottom();
    Animator::run(scroll, kKeyboardDismissMs, Animator::Curve::EaseInOut, [scroll, from](qreal progress) {
        if (!scroll)
            return;
        QMargins inset = scroll->contentInset();
        inset.setBottom(qRound(from * (1 - progress)));
        scroll->setContentInset(inset);
    });
}

} // namespace pelnix
