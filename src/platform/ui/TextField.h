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
//
// An editable field aligned at its leading edge (the default) reads as a message does: typed text from
// the side of its first strong character, and empty or with no strong character (digits) from the
// field's leading edge, caret and placeholder alike, also after a direction turned at run time. A
// centred or trailing alignment is kept as set, and a read-only field shows its value where asked.
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
    void setSecureTextEntry(bool secure);
    bool isSecureTextEntry() const { return echoMode() == QLineEdit::Password; }

    // The alignment asked for; alignment() is the one shown, which follows the text when this is the
    // leading edge (QLineEdit's own setter is read as asking too).
    void setAlignment(Qt::Alignment alignment);
    Qt::Alignment requestedAlignment() const { return m_alignment; }

    QString placeholder() const { return m_placeholder; }
    void setPlaceholder(const QString& text);
    void setPlaceholderFont(const std::optional<QFont>& font);
    void setPlaceholderColor(const QColor& color);

    bool becomeFirstResponder();
    // Ends typing here; the keys stay on the page holding the field (see WindowFocus::leaveKeysToPage).
    void resignFirstResponder();

    // Runs the veto for a user edit from the last accepted text to `newText`.
    bool allowsChange(const QString& newText) const;

signals:
    void editingDidBegin();
    void editingDidEnd();
    void editingChanged(const QString& text);

protected:
    void changeEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // Shows the asked alignment, at the side the text reads from when that is the leading edge.
    void followText();
    // Whether the text takes the side it reads from: editable, and asked to lie at the leading edge.
    bool readsAsTyped() const;

    ShouldChange m_shouldChange;
    QString m_accepted;
    bool m_settingText = false;
    QString m_placeholder;
    std::optional<QFont> m_placeholderFont;
    QColor m_placeholderColor{199, 199, 205};
    Qt::Alignment m_alignment;
    Qt::Alignment m_shownAlignment;
};

} // namespace pelnix::platform::ui
