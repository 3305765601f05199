#include "NavigationItem.h"

namespace pelnix::platform::ui {

void NavigationItem::setTitle(const QString& title) {
    if (m_title == title)
        return;
    m_title = title;
    emit changed();
}

void NavigationItem::setTitleView(QWidget* view) {
    if (m_titleView == view)
        return;
    if (m_titleView && !m_titleView->parent())
        delete m_titleView.data();
    m_titleView = view;
    emit changed();
}

QList<BarButtonItem*> NavigationItem::alive(const QList<QPointer<BarButtonItem>>& items) {
    QList<BarButtonItem*> out;
    for (const auto& item : items)
        if (item)
            out << item.data();
    return out;
}

void NavigationItem::adopt(const QList<BarButtonItem*>& items, QList<QPointer<BarButtonItem>>& into) {
    for (const auto& old : into)
        if (old && old->parent() == this && !items.contains(old.data()))
            old->deleteLater();
    into.clear();
    for (BarButtonItem* item : items) {
        if (!item)
            continue;
        item->setParent(this);
        connect(item, &BarButtonItem::changed, this, &NavigationItem::changed, Qt::UniqueConnection);
        // An item its owner deletes leaves the bar at once, rather than a button that does nothing.
        connect(item, &QObject::destroyed, this, &NavigationItem::changed, Qt::UniqueConnection);
        into << item;
    }
    emit changed();
}

void NavigationItem::setLeftBarButtonItems(const QList<BarButtonItem*>& items) {
    adopt(items, m_left);
}

void NavigationItem::setRightBarButtonItems(const QList<BarButtonItem*>& items) {
    adopt(items, m_right);
}

void NavigationItem::setHidesBackButton(bool hides) {
    if (m_hidesBackButton == hides)
        return;
    m_hidesBackButton = hides;
    emit changed();
}

void NavigationItem::setBackButtonTitle(const QString& title) {
    m_backTitle = title;
    emit changed();
}

} // namespace pelnix::platform::ui
