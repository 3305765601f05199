#pragma once

#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <functional>

namespace pelnix::platform::ui {

class Window;

// An alert shown inside a window, never as a blocking dialog: the caller goes on at once and learns the
// tapped button by index through the callback, which runs once per showing. Alerts stack: only the
// newest is on screen, the older ones return as the newer ones go. Buttons are named
// "alert.button.<index>" for tests.
class AlertView : public QWidget {
    Q_OBJECT
public:
    enum class Style { Alert, ActionSheet };
    using ClickHandler = std::function<void(AlertView* alert, int buttonIndex)>;

    // Cancel button first (index 0) when given, then the other buttons, as UIKit numbers them.
    AlertView(const QString& title, const QString& message, const QString& cancelButtonTitle,
              const QStringList& otherButtonTitles, ClickHandler onClick = {});
    ~AlertView() override;

    Style style() const { return m_style; }
    QString title() const { return m_title; }
    QString message() const { return m_message; }
    int tag() const { return m_tag; }
    void setTag(int tag) { m_tag = tag; }
    int addButtonWithTitle(const QString& title);
    QString buttonTitleAtIndex(int index) const { return m_buttons.value(index); }
    int numberOfButtons() const { return int(m_buttons.size()); }
    int cancelButtonIndex() const { return m_cancelIndex; }
    void setCancelButtonIndex(int index);
    void setClickHandler(ClickHandler handler) { m_onClick = std::move(handler); }

    // Shows in `window` (the key window when null). The window owns the alert while it is shown.
    void show(Window* window = nullptr);
    bool isShown() const { return m_shown; }
    // A tap on the button at `index`: removes the alert, then calls back once. Ignored when not shown
    // or out of range.
    void tapButtonAtIndex(int index);
    // Removes the alert without calling back.
    void dismiss();

signals:
    void clickedButtonAtIndex(int index);

protected:
    AlertView(Style style, const QString& title);
    void rebuild();
    void paintEvent(QPaintEvent* event) override;

    Style m_style = Style::Alert;
    QString m_title;
    QString m_message;
    QStringList m_buttons;
    int m_cancelIndex = -1;
    int m_destructiveIndex = -1;

private:
    QPointer<Window> m_window;
    ClickHandler m_onClick;
    int m_tag = 0;
    bool m_shown = false;
};

} // namespace pelnix::platform::ui
