#pragma once

#include "NavigationItem.h"

#include <QColor>
#include <QFont>
#include <QList>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <optional>
#include <utility>

class QHBoxLayout;
class QLabel;
class QToolButton;

namespace pelnix::platform::ui {

class BarButtonItem;
class NavigationItem;

// The bar over a navigation stack: back button or left items, title (or title view) centred, right
// items. A title too wide to stay centred between the items moves aside to fit between them; where it
// still does not fit, the back button shortens its title ("Back", then the chevron alone), and a title
// too wide even for that ends in an ellipsis. Buttons are named for tests: "navigationBar.back",
// "navigationBar.left.<i>", "navigationBar.right.<i>", and the title label "navigationBar.title".
class NavigationBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int kHeight = 44;

    explicit NavigationBar(QWidget* parent = nullptr);

    // Shows `top`; `previous` (the item below it) names the back button, which appears when
    // `previous` is set and `top` neither hides it nor has left items.
    void setItems(NavigationItem* top, NavigationItem* previous);
    NavigationItem* topItem() const { return m_top; }
    void setBackAction(std::function<void()> action) { m_back = std::move(action); }

    // Title text attributes; nullopt restores the bar's own.
    void setTitleFont(const std::optional<QFont>& font);
    void setTitleColor(const std::optional<QColor>& color);
    QFont titleFont() const;
    QColor titleColor() const;
    QString titleText() const;
    void setBackgroundColor(const QColor& color);
    // A transparent bar paints no background and no shadow line.
    void setTransparent(bool transparent);
    bool isTransparent() const { return m_transparent; }

    QSize sizeHint() const override { return {320, kHeight}; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void rebuild();
    QWidget* widgetFor(BarButtonItem* item, const QString& name);
    void placeTitle();
    // The widths the items take on the title's left and right, spacing included.
    std::pair<int, int> sideWidths() const;
    void fitBackButton();
    void holdHoverUntilMoved(QWidget* button);
    void showBackdrop();

    QPointer<NavigationItem> m_top;
    QPointer<NavigationItem> m_previous;
    std::function<void()> m_back;
    QHBoxLayout* m_layout = nullptr;
    QLabel* m_title = nullptr;
    QString m_titleText;
    QPointer<QToolButton> m_backButton;
    QString m_backTitle;
    QPointer<QWidget> m_titleView;
    QList<QWidget*> m_made;
    QList<QPointer<QWidget>> m_borrowed;
    std::optional<QFont> m_titleFont;
    std::optional<QColor> m_titleColor;
    QColor m_background{247, 247, 247};
    bool m_transparent = false;
};

} // namespace pelnix::platform::ui
