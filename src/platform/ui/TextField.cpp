#include "TextField.h"

#include "FieldDirection.h"
#include "KeyRepeat.h"
#include "WindowFocus.h"

#include <QEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QValidator>

namespace pelnix::platform::ui {

namespace {
// Asks the field's veto with the edit's range; the line edit applies an edit only when this accepts.
class ChangeVeto : public QValidator {
public:
    explicit ChangeVeto(TextField* field) : QValidator(field), m_field(field) {}
    State validate(QString& input, int&) const override {
        return m_field->allowsChange(input) ? Acceptable : Invalid;
    }

private:
    TextField* m_field;
};
} // namespace

TextField::TextField(QWidget* parent)
    : QLineEdit(parent), m_alignment(QLineEdit::alignment()), m_shownAlignment(m_alignment) {
    setValidator(new ChangeVeto(this));
    setFrame(false);
    connect(this, &QLineEdit::textEdited, this, &TextField::editingChanged);
    // The line edit validates its text after changing it, so the text before an edit is kept here.
    connect(this, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_accepted = text;
        followText();
    });
    followText();
}

void TextField::setAlignment(Qt::Alignment alignment) {
    m_alignment = alignment;
    m_shownAlignment = QLineEdit::alignment();
    followText();
}

bool TextField::readsAsTyped() const {
    // A read-only field shows a value as a label does, where it was asked to.
    if (isReadOnly())
        return false;
    const Qt::Alignment horizontal = m_alignment & Qt::AlignHorizontal_Mask;
    if (horizontal & (Qt::AlignHCenter | Qt::AlignJustify))
        return false;
    if (!(horizontal & (Qt::AlignLeft | Qt::AlignRight)))
        return true;
    // An absolute side counts when it is the leading one: a form mirrored for a view right to left
    // asks for the right so.
    return QStyle::visualAlignment(layoutDirection(), horizontal) &
           (isRightToLeft() ? Qt::AlignRight : Qt::AlignLeft);
}

void TextField::followText() {
    if (QLineEdit::alignment() != m_shownAlignment)
        m_alignment = QLineEdit::alignment();
    Qt::Alignment shown = m_alignment;
    // The text as shown: a secure entry's dots have no direction, so that its side tells nothing of it.
    if (readsAsTyped())
        shown =
            (m_alignment & Qt::AlignVertical_Mask) | FieldDirection::side(displayText(), layoutDirection());
    m_shownAlignment = shown;
    if (QLineEdit::alignment() != shown)
        QLineEdit::setAlignment(shown);
}

void TextField::setSecureTextEntry(bool secure) {
    setEchoMode(secure ? QLineEdit::Password : QLineEdit::Normal);
    followText();
}

void TextField::changeEvent(QEvent* event) {
    QLineEdit::changeEvent(event);
    if (event->type() == QEvent::LayoutDirectionChange || event->type() == QEvent::ReadOnlyChange)
        followText();
}

void TextField::setText(const QString& text) {
    m_settingText = true;
    QLineEdit::setText(text);
    m_settingText = false;
    m_accepted = text;
}

bool TextField::allowsChange(const QString& newText) const {
    const QString& oldText = m_accepted;
    if (!m_shouldChange || m_settingText || oldText == newText)
        return true;
    int prefix = 0;
    const int limit = int(qMin(oldText.size(), newText.size()));
    while (prefix < limit && oldText[prefix] == newText[prefix])
        ++prefix;
    int suffix = 0;
    while (suffix < limit - prefix &&
           oldText[oldText.size() - 1 - suffix] == newText[newText.size() - 1 - suffix])
        ++suffix;
    const int length = int(oldText.size()) - prefix - suffix;
    return m_shouldChange(prefix, length, newText.mid(prefix, newText.size() - prefix - suffix));
}

void TextField::setLeftIcon(const QIcon& icon) {
    for (QAction* action : actions())
        if (action->property("pelnix.leftIcon").toBool())
            removeAction(action);
    if (icon.isNull())
        return;
    QAction* action = addAction(icon, QLineEdit::LeadingPosition);
    action->setProperty("pelnix.leftIcon", true);
}

void TextField::setPlaceholder(const QString& text) {
    m_placeholder = text;
    update();
}

void TextField::setPlaceholderFont(const std::optional<QFont>& font) {
    m_placeholderFont = font;
    update();
}

void TextField::setPlaceholderColor(const QColor& color) {
    m_placeholderColor = color;
    update();
}

bool TextField::becomeFirstResponder() {
    if (!isEnabled() || !isVisible())
        return false;
    setFocus(Qt::OtherFocusReason);
    return true;
}

void TextField::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    emit editingDidBegin();
}

void TextField::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    emit editingDidEnd();
}

void TextField::keyReleaseEvent(QKeyEvent* event) {
    KeyRepeat::noteRelease(event);
    QLineEdit::keyReleaseEvent(event);
}

void TextField::resignFirstResponder() {
    WindowFocus::leaveKeysToPage(this);
}

void TextField::keyPressEvent(QKeyEvent* event) {
    // Return held down acts once (returnPressed is the field's "go"): its repeats may come from a press
    // on a page that has gone. Held letters still repeat.
    if (KeyRepeat::isRepeat(event) && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void TextField::paintEvent(QPaintEvent* event) {
    QLineEdit::paintEvent(event);
    if (!text().isEmpty() || m_placeholder.isEmpty())
        return;
    // The placeholder is drawn here so it may have its own font.
    QStyleOptionFrame option;
    initStyleOption(&option);
    QRect area = style()->subElementRect(QStyle::SE_LineEditContents, &option, this);
    area = area.marginsRemoved(textMargins());
    area.adjust(2, 0, -2, 0);
    QPainter painter(this);
    painter.setFont(m_placeholderFont.value_or(font()));
    painter.setPen(m_placeholderColor);
    const Qt::Alignment align = QStyle::visualAlignment(layoutDirection(), alignment());
    painter.drawText(area, int(align | Qt::AlignVCenter),
                     painter.fontMetrics().elidedText(m_placeholder, Qt::ElideRight, area.width()));
}

} // namespace pelnix::platform::ui
