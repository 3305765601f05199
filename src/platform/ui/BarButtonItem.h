#pragma once

#include <QFont>
#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <optional>

class QAbstractButton;
class QKeyEvent;

namespace pelnix::platform::ui {

// An item of a navigation bar: a system item (Done, Cancel, ...), a titled or image button, a custom
// view, or a flexible or fixed space.
class BarButtonItem : public QObject {
    Q_OBJECT
public:
    enum class SystemItem { None, Done, Cancel, Edit, Save, Add, FlexibleSpace, FixedSpace };

    explicit BarButtonItem(SystemItem item, std::function<void()> action = {}, QObject* parent = nullptr);
    BarButtonItem(const QString& title, std::function<void()> action = {}, QObject* parent = nullptr);
    BarButtonItem(const QIcon& image, std::function<void()> action = {}, QObject* parent = nullptr);
    // Takes ownership of `customView`.
    explicit BarButtonItem(QWidget* customView, QObject* parent = nullptr);
    ~BarButtonItem() override;

    SystemItem systemItem() const { return m_system; }
    QString title() const;
    void setTitle(const QString& title);
    QIcon image() const { return m_image; }
    // A directional image (a back arrow) shows mirrored while its button lays out right to left, also
    // after a direction turned at run time.
    void setImageMirroredRightToLeft(bool mirrored);
    bool isImageMirroredRightToLeft() const { return m_mirrorImage; }
    QWidget* customView() const { return m_customView; }
    bool isSpace() const {
        return m_system == SystemItem::FlexibleSpace || m_system == SystemItem::FixedSpace;
    }
    int width() const { return m_width; }
    void setWidth(int width);
    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool enabled);
    void setAction(std::function<void()> action) { m_action = std::move(action); }
    // The title's font; unset, the bar's own.
    std::optional<QFont> titleFont() const { return m_titleFont; }
    void setTitleFont(const std::optional<QFont>& font);

    // Runs the action as a tap on the item would.
    void trigger();

    // The widget that shows the item in a bar now (its custom view, or the button a bar made for it);
    // popovers anchor to it.
    QWidget* view() const { return m_customView ? m_customView.data() : m_view.data(); }
    // Makes the widget a bar shows for this item: a tinted tool button, or a fixed or flexible space.
    // Custom views are not made here (the bar borrows them).
    QWidget* makeBarWidget(QWidget* parent, const QString& name, const QColor& tint);
    // Takes the widgets a bar made out of it, and deletes them once control is back in the event
    // loop: the button clicked may be what asked the bar to rebuild (a back button popping its page),
    // and Qt's button code still uses itself after its clicked signal returns.
    static void discardBarWidgets(QList<QWidget*>& made);
    // Before a bar makes its widgets again (an item retitled, disabled or gone): keys on one of `made`
    // go to the bar itself meanwhile, and the name of the widget that had them is returned (empty when
    // none had). Left to Qt, the widget going would hand them on along Tab's order, to the page's first
    // field, where the next Space would type.
    static QString holdKeysOfBarWidgets(QWidget* bar, const QList<QWidget*>& made);
    // After: the keys go back to the bar's new widget of that name, shown and enabled, else stay on the bar.
    static void returnKeysToBarWidget(QWidget* bar, const QString& name);
    // The face of a bar's titled items (DejaVu Sans at 15 pixels): the bars set it as their own font,
    // so that items without a font of their own never take the host program's.
    static QFont barItemFont();
    // Return and the keypad's Enter press a bar's button with the keys, as Space does (a tool button
    // takes Space only, and passes Return on to whatever holds the bar); true when `event` was one.
    // The library's other buttons take them so too.
    static bool pressOnReturn(QAbstractButton* button, const QKeyEvent* event);

signals:
    void changed();
    void triggered();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Gives a button this item made the image for its direction.
    void showImageIn(QWidget* button) const;

    SystemItem m_system = SystemItem::None;
    QString m_title;
    QIcon m_image;
    QPointer<QWidget> m_customView;
    QPointer<QWidget> m_view;
    int m_width = 0;
    bool m_enabled = true;
    bool m_mirrorImage = false;
    std::optional<QFont> m_titleFont;
    std::function<void()> m_action;
};

} // namespace pelnix::platform::ui
