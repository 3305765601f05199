#include "PlainTextView.h"

#include "FieldDirection.h"

#include <QEvent>
#include <QPainter>
#include <QTextBlock>
#include <QTextLayout>

namespace pelnix::platform::ui {

PlainTextView::PlainTextView(QWidget* parent) : QPlainTextEdit(parent) {
    connect(document(), &QTextDocument::contentsChanged, this, &PlainTextView::followText);
    followText();
}

void PlainTextView::followText() {
    FieldDirection::layOut(document(), layoutDirection(), true);
}

void PlainTextView::changeEvent(QEvent* event) {
    QPlainTextEdit::changeEvent(event);
    if (event->type() == QEvent::LayoutDirectionChange) {
        followText();
        viewport()->update();
    }
}

bool PlainTextView::showsPlaceholder() const {
    const QTextLayout* first = document()->firstBlock().layout();
    return !placeholderText().isEmpty() && document()->isEmpty() &&
           (!first || first->preeditAreaText().isEmpty());
}

void PlainTextView::paintEvent(QPaintEvent* event) {
    // The empty view is drawn here: Qt draws the placeholder at the leading edge of the program's
    // direction, not the view's, and right to left without the document's margin, under the caret.
    if (!showsPlaceholder()) {
        QPlainTextEdit::paintEvent(event);
        return;
    }
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::PlaceholderText));
    const int margin = int(document()->documentMargin());
    FieldDirection::drawPlaceholder(painter, viewport()->rect().adjusted(margin, margin, -margin, 0),
                                    placeholderText(), layoutDirection());
    // The caret, when it shows, where the empty text's line puts it.
    const QTextBlock block = document()->firstBlock();
    const int caret = getPaintContext().cursorPosition;
    if (caret >= 0 && block.layout() && !isReadOnly()) {
        painter.setPen(palette().color(QPalette::Text));
        block.layout()->drawCursor(&painter,
                                   blockBoundingGeometry(block).translated(contentOffset()).topLeft(),
                                   caret - block.position(), cursorWidth());
    }
}

} // namespace pelnix::platform::ui
