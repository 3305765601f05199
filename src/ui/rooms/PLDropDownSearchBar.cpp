#include "ui/rooms/PLDropDownSearchBar.h"

#include "platform/ui/Animator.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/ViewController.h"

#include <QEvent>

namespace pelnix {

using platform::ui::Animator;
using platform::ui::NavigationController;

PLDropDownSearchBar::PLDropDownSearchBar(platform::ui::ViewController* owner,
                                         PLCustomSearchDelegate* delegate, const QString& placeholder)
    : m_owner(owner) {
    m_view = PLCustomSearchView::instanceWithOwner(nullptr);
    m_view->setObjectName(QStringLiteral("dropDownSearchView"));
    m_view->setDelegate(delegate);
    m_view->setPlaceholderText(placeholder);
    // It lies over the navigation bar: nothing of the bar may show through.
    m_view->setAutoFillBackground(true);
    QPalette palette = m_view->palette();
    palette.setColor(QPalette::Window, Qt::white);
    m_view->setPalette(palette);
    m_view->hide();
}

PLDropDownSearchBar::~PLDropDownSearchBar() {
    delete m_view.data();
}

QWidget* PLDropDownSearchBar::host() const {
    if (!m_owner)
        return nullptr;
    if (NavigationController* nav = m_owner->navigationController())
        return nav->view();
    return m_owner->view();
}

QRect PLDropDownSearchBar::barFrame() const {
    NavigationController* nav = m_owner ? m_owner->navigationController() : nullptr;
    QWidget* parent = host();
    if (nav && !nav->isNavigationBarHidden())
        return nav->navigationBar()->geometry();
    return QRect(0, 0, parent ? parent->width() : 0, platform::ui::NavigationBar::kHeight);
}

void PLDropDownSearchBar::show() {
    QWidget* parent = host();
    if (!m_view || !parent)
        return;
    if (m_view->parentWidget() != parent) {
        if (QWidget* old = m_view->parentWidget())
            old->removeEventFilter(this);
        m_view->setParent(parent);
        parent->installEventFilter(this);
        if (NavigationController* nav = m_owner->navigationController())
            nav->navigationBar()->installEventFilter(this);
    }
    const QRect bar = barFrame();
    if (!m_shown)
        m_view->setGeometry(bar.x(), -bar.height(), bar.width(), bar.height());
    m_shown = true;
    m_view->show();
    m_view->raise();
    Animator::animateProperty(m_view, "pos", QPoint(bar.x(), bar.y()), kSlideMs);
    m_view->makeTextFieldFirstResponder();
}

void PLDropDownSearchBar::hide() {
    if (!m_view)
        return;
    m_view->clearText();
    m_view->makeTextFieldResignResponder();
    m_shown = false;
    QPointer<PLCustomSearchView> bar(m_view);
    if (!bar->isVisible()) {
        bar->hide();
        return;
    }
    Animator::animateProperty(bar, "pos", QPoint(bar->x(), -bar->height()), kSlideMs,
                              Animator::Curve::EaseInOut, [bar](bool) {
                                  // A bar shown again during the slide stays.
                                  if (bar && bar->y() < 0)
                                      bar->hide();
                              });
}

// The screen or its navigation bar changed size: the bar keeps its height and its place above or over
// the navigation bar, and takes the new width.
bool PLDropDownSearchBar::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize && m_view && m_view->parentWidget()) {
        const QRect bar = barFrame();
        m_view->setGeometry(bar.x(), m_view->y(), bar.width(), m_view->height());
    }
    return QObject::eventFilter(watched, event);
}

} // namespace pelnix
