#include "ui/conversation/PLCaptionTextView.h"

#include <QAbstractTextDocumentLayout>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <cmath>

namespace pelnix {

PLCaptionTextView::PLCaptionTextView(int maximumLength, QWidget* parent)
    : PlainTextView(parent), m_maximumLength(maximumLength) {
    setTabChangesFocus(true);
}

int PLCaptionTextView::selectedLength() const {
    const QTextCursor cursor = textCursor();
    return cursor.selectionEnd() - cursor.selectionStart();
}

bool PLCaptionTextView::shouldChangeText(int replacedLength, const QString& replacement) const {
    // QString's length is its count of UTF-16 units.
    return toPlainText().size() - replacedLength + replacement.size() <= m_maximumLength;
}

bool PLCaptionTextView::insertAsTyped(const QString& text) {
    if (!shouldChangeText(selectedLength(), text))
        return false;
    insertPlainText(text);
    return true;
}

int PLCaptionTextView::heightForCurrentText() const {
    // A plain text layout measures its height in wrapped lines.
    const qreal lines = qMax<qreal>(1, document()->documentLayout()->documentSize().height());
    const QMargins margins = contentsMargins();
    return int(std::ceil(lines * fontMetrics().lineSpacing() + 2 * document()->documentMargin())) +
           margins.top() + margins.bottom();
}

void PLCaptionTextView::keyPressEvent(QKeyEvent* event) {
    const QString text = event->text();
    const bool typing = !text.isEmpty() && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) &&
                        (text.at(0).isPrint() || text == QLatin1String("\r") || text == QLatin1String("\n"));
    if (typing) {
        const QString inserted = text == QLatin1String("\r") ? QStringLiteral("\n") : text;
        if (!shouldChangeText(selectedLength(), inserted)) {
            event->accept();
            return;
        }
    }
    PlainTextView::keyPressEvent(event);
}

void PLCaptionTextView::inputMethodEvent(QInputMethodEvent* event) {
    if (!event->commitString().isEmpty() &&
        !shouldChangeText(selectedLength() + event->replacementLength(), event->commitString())) {
        event->accept();
        return;
    }
    PlainTextView::inputMethodEvent(event);
}

void PLCaptionTextView::insertFromMimeData(const QMimeData* source) {
    if (!source || !source->hasText())
        return;
    if (!shouldChangeText(selectedLength(), source->text()))
        return;
    PlainTextView::insertFromMimeData(source);
}

} // namespace pelnix
