#pragma once

#include <QFont>
#include <QLineEdit>
#include <functional>
#include <optional>

namespace pelnix::platform::ui {

// A one-line text field with UIKit's edit veto: before a user edit lands, shouldChangeCharacters is
// asked with the replaced range (UTF-16 offsets, as QString counts) and the replacement, and a "no"
// leaves the text as it was. Also: insets, a leading icon, clear button, placeholder with its own
// font and colour, secure entry, and begin/end/changed editing signals.
class TextField : public QLineEdit {
    Q_OBJECT
public:
    using ShouldChange = std::function<bool(int start, int length, const QString& replacement)>;

    explicit TextField(QWidget* parent = nullptr);

    // Text set by code: not subject to the veto.
    void setText(const QString& text);

    void setShouldChangeCharacters(ShouldChange hook) { m_shouldChange = std::move(hook); }
    void setInsets(const QMargins& insets) { setTextMargins(insets); }
    void setLeftIcon(const QIcon& icon);
    void setClearButtonShown(bool shown) { setClearButtonEnabled(shown); }
    void setSecureTextEntry(bool secure) { setEchoMode(secure ? QLineEdit::Password : QLineEdit::Normal); }
    bool isSecureTextEntry() const { return echoMode() == QLineEdit::Password; }

    QString placeholder() const { return m_placeholder; }
    void setPlaceholder(const QString& text);
    void setPlaceholderFont(const std::optional<QFont>& font);
    void setPlaceholderColor(const QColor& color);

    bool becomeFirstResponder();
    void resignFirstResponder() { clearFocus(); }

    // Runs the veto for a user edit from the last accepted text to `newText`.
    bool allowsChange(const QString& newText) const;

signals:
    void editingDidBegin();
    void editingDidEnd();
    void editingChanged(const QString& text);

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    ShouldChange m_shouldChange;
    QString m_accepted;
    bool m_settingText = false;
    QString m_placeholder;
    std::optional<QFont> m_placeholderFont;
    QColor m_placeholderColor{199, 199, 205};
};

} // namespace pelnix::platform::ui
