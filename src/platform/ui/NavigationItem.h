#pragma once

#include "BarButtonItem.h"

#include <QList>
#include <QObject>
#include <QPointer>

namespace pelnix::platform::ui {

// What a controller shows in the navigation bar while it is on top: title or title view, left and
// right items, and the back button rules.
class NavigationItem : public QObject {
    Q_OBJECT
public:
    explicit NavigationItem(QObject* parent = nullptr) : QObject(parent) {}

    QString title() const { return m_title; }
    void setTitle(const QString& title);
    // Takes ownership of `view`.
    QWidget* titleView() const { return m_titleView; }
    void setTitleView(QWidget* view);

    QList<BarButtonItem*> leftBarButtonItems() const { return alive(m_left); }
    QList<BarButtonItem*> rightBarButtonItems() const { return alive(m_right); }
    BarButtonItem* leftBarButtonItem() const { return leftBarButtonItems().value(0); }
    BarButtonItem* rightBarButtonItem() const { return rightBarButtonItems().value(0); }
    // The item takes ownership of the bar items it is given.
    void setLeftBarButtonItem(BarButtonItem* item) {
        setLeftBarButtonItems(item ? QList{item} : QList<BarButtonItem*>{});
    }
    void setRightBarButtonItem(BarButtonItem* item) {
        setRightBarButtonItems(item ? QList{item} : QList<BarButtonItem*>{});
    }
    void setLeftBarButtonItems(const QList<BarButtonItem*>& items);
    void setRightBarButtonItems(const QList<BarButtonItem*>& items);

    bool hidesBackButton() const { return m_hidesBackButton; }
    void setHidesBackButton(bool hides);
    // Title of the back button shown by the controller pushed above this one (empty: this title).
    QString backButtonTitle() const { return m_backTitle; }
    void setBackButtonTitle(const QString& title);

signals:
    void changed();

private:
    static QList<BarButtonItem*> alive(const QList<QPointer<BarButtonItem>>& items);
    void adopt(const QList<BarButtonItem*>& items, QList<QPointer<BarButtonItem>>& into);

    QString m_title;
    QPointer<QWidget> m_titleView;
    QList<QPointer<BarButtonItem>> m_left;
    QList<QPointer<BarButtonItem>> m_right;
    bool m_hidesBackButton = false;
    QString m_backTitle;
};

} // namespace pelnix::platform::ui
