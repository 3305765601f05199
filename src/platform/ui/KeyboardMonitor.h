#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>

class QWidget;

namespace pelnix::platform::ui {

// Keyboard show and hide notifications with UIKit's names and user-info keys, posted on the default
// notification centre. On a desktop there is no on-screen keyboard: text focus inside one of the
// library's windows posts the notifications with a zero-height frame, so screens run the same code;
// tests inject real heights with show().
class KeyboardMonitor : public QObject {
    Q_OBJECT
public:
    static inline const QString kWillShow = QStringLiteral("UIKeyboardWillShowNotification");
    static inline const QString kDidShow = QStringLiteral("UIKeyboardDidShowNotification");
    static inline const QString kWillHide = QStringLiteral("UIKeyboardWillHideNotification");
    static inline const QString kDidHide = QStringLiteral("UIKeyboardDidHideNotification");
    static inline const QString kFrameBeginKey = QStringLiteral("UIKeyboardFrameBeginUserInfoKey");
    static inline const QString kFrameEndKey = QStringLiteral("UIKeyboardFrameEndUserInfoKey");
    static inline const QString kDurationKey = QStringLiteral("UIKeyboardAnimationDurationUserInfoKey");
    static inline const QString kCurveKey = QStringLiteral("UIKeyboardAnimationCurveUserInfoKey");

    static KeyboardMonitor* shared();

    bool isVisible() const { return m_visible; }
    QRect frame() const { return m_frame; }

    // Shows a keyboard of `height` at the bottom of `window` (the key window when null).
    void show(int height, QWidget* window = nullptr);
    void hide();

private:
    explicit KeyboardMonitor(QObject* parent = nullptr);
    void focusChanged(QWidget* old, QWidget* now);
    void post(const QString& name, const QRect& begin, const QRect& end);

    bool m_visible = false;
    QRect m_frame;
    QPointer<QWidget> m_window;
};

} // namespace pelnix::platform::ui
