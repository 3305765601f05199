#pragma once

#include "TintColor.h"

#include <QColor>
#include <QList>
#include <QPointer>
#include <QWidget>

class QHBoxLayout;

namespace pelnix::platform::ui {

class BarButtonItem;

// A bottom bar of bar button items laid out in a row, with flexible and fixed spaces. Buttons are
// named "toolbar.<i>" for tests. The toolbar does not own its items.
class Toolbar : public QWidget {
    Q_OBJECT
public:
    static constexpr int kHeight = 44;

    explicit Toolbar(QWidget* parent = nullptr);
    ~Toolbar() override;

    QList<BarButtonItem*> items() const;
    void setItems(const QList<BarButtonItem*>& items);
    void setTintColor(const QColor& color);
    void setBarTintColor(const QColor& color);

    QSize sizeHint() const override { return {320, kHeight}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void rebuild();
    void rebuildLater();

    QList<QPointer<BarButtonItem>> m_items;
    QList<QWidget*> m_made;
    QList<QPointer<QWidget>> m_borrowed;
    QHBoxLayout* m_layout = nullptr;
    QColor m_tint = defaultTintColor();
    QColor m_barTint{247, 247, 247};
    bool m_rebuildQueued = false;
};

} // namespace pelnix::platform::ui
