#include "PresentedPageKeys.h"

#include "BarButtonItem.h"
#include "NavigationBar.h"
#include "NavigationItem.h"
#include "ViewController.h"

#include <QAbstractButton>
#include <QKeyEvent>

namespace pelnix::platform::ui {

namespace {
using SystemItem = BarButtonItem::SystemItem;

const QString kCancel = QStringLiteral("Cancel");
const QString kDone = QStringLiteral("Done");

bool shows(const QWidget* widget, const QWidget* view) {
    return widget && widget->isVisible() && (widget == view || view->isAncestorOf(widget));
}

// The button that shows `item` on `view`, when the item is of `kind` (its system kind, or its title).
QAbstractButton* itemButton(const BarButtonItem* item, SystemItem kind, const QString& title,
                            const QWidget* view) {
    auto* button = qobject_cast<QAbstractButton*>(item->view());
    if (!button || !shows(button, view))
        return nullptr;
    const bool named = item->systemItem() == kind || item->title() == title ||
                       (item->customView() && button->text() == title);
    return named ? button : nullptr;
}

// The page's button of `kind`: on its bars first, else anywhere on it.
QAbstractButton* buttonOf(QWidget* view, SystemItem kind, const QString& title) {
    const auto bars = view->findChildren<NavigationBar*>();
    for (const NavigationBar* bar : bars) {
        const NavigationItem* top = bar->topItem();
        if (!top || !shows(bar, view))
            continue;
        for (const BarButtonItem* item : top->leftBarButtonItems() + top->rightBarButtonItems())
            if (QAbstractButton* button = itemButton(item, kind, title, view))
                return button;
    }
    const auto buttons = view->findChildren<QAbstractButton*>();
    for (QAbstractButton* button : buttons)
        if (button->text() == title && shows(button, view))
            return button;
    return nullptr;
}
} // namespace

PresentedPageKeys::PresentedPageKeys(ViewController* page) : QObject(page), m_page(page) {
    page->view()->installEventFilter(this);
}

void PresentedPageKeys::follow(ViewController* page) {
    if (page && !page->findChild<PresentedPageKeys*>(QString(), Qt::FindDirectChildrenOnly))
        new PresentedPageKeys(page);
}

QAbstractButton* PresentedPageKeys::escapeButton(QWidget* view) {
    if (!view)
        return nullptr;
    if (QAbstractButton* cancel = buttonOf(view, SystemItem::Cancel, kCancel))
        return cancel;
    return buttonOf(view, SystemItem::Done, kDone);
}

bool PresentedPageKeys::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || !m_page || !m_page->presentingViewController() ||
        !m_page->isViewLoaded() || watched != m_page->view())
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_Escape || (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    QAbstractButton* button = escapeButton(m_page->view());
    if (!button)
        return false;
    // Held down, it presses once; a Cancel that does not act now presses nothing.
    if (!key->isAutoRepeat())
        button->click();
    return true;
}

} // namespace pelnix::platform::ui
