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
//
// While it shows, an alert holds the focus of the window it lies in, so the keys of what it covers come
// to it by Qt's own delivery (and WindowFocus brings the focus back should a screen under it take
// it): Return presses the default button (the one choice besides Cancel; else Cancel), Escape presses
// Cancel (or the only button), Tab and Shift+Tab move between its buttons and Space presses the one
// Tab moved to; other keys go no further. Shortcuts with Ctrl, Alt or Meta are not its own. Once the
// alerts are answered, the keyboard goes back to the widget under them that had it. Hidden with what it
// covers while it holds the keys (the host moves or hides a container's view), it takes them back when
// it shows again, unless they were put elsewhere meanwhile.
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
    // Its window goes away: answers as Escape would (Cancel, or its only button), once. One with
    // neither has no answer to give, and is removed.
    void answerAsItsWindowGoes();

    // The buttons Return and Escape press; -1 for none.
    int defaultButtonIndex() const;
    int escapeButtonIndex() const;
    // Takes the focus from what the alert covers (the window remembers where it was), unless it is
    // here already or with a widget the alert does not cover (the host's own).
    void takeKeyboard();
    // Whether Tab has moved the keyboard among the buttons (the focused one then shows it).
    bool showsKeyboardFocus() const { return m_showsKeyboardFocus; }

signals:
    void clickedButtonAtIndex(int index);

protected:
    AlertView(Style style, const QString& title);
    void rebuild();
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;
    bool focusNextPrevChild(bool next) override;

    Style m_style = Style::Alert;
    QString m_title;
    QString m_message;
    QStringList m_buttons;
    int m_cancelIndex = -1;
    int m_destructiveIndex = -1;

private:
    QWidget* buttonAt(int index) const;
    int indexOfButton(const QWidget* widget) const;
    bool holdsKeyboard() const;

    QPointer<Window> m_window;
    // The buttons in the order they are laid out (Tab's order).
    QList<QPointer<QWidget>> m_laidOutButtons;
    bool m_showsKeyboardFocus = false;
    // The keys it held as it was hidden with what it covers: where Qt handed them on in that turn,
    // while the turn lasts (m_keysSettling), and whether it takes them back as it shows again.
    bool m_keysAway = false;
    bool m_keysSettling = false;
    bool m_reclaimKeys = false;
    bool m_keysWereActive = false;
    QPointer<QWidget> m_keysWentTo;
    QMetaObject::Connection m_keysWatch;
    ClickHandler m_onClick;
    int m_tag = 0;
    bool m_shown = false;
};

} // namespace pelnix::platform::ui
