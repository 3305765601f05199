#include "FieldDirection.h"

#include "platform/BidiText.h"

#include <QPainter>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextOption>

namespace pelnix::platform::ui::FieldDirection {

namespace {
Qt::Alignment sideOf(Qt::LayoutDirection direction) {
    return Qt::AlignAbsolute | (direction == Qt::RightToLeft ? Qt::AlignRight : Qt::AlignLeft);
}

// The first strong character's direction of the document's first paragraph that has one; stops there.
std::optional<Qt::LayoutDirection> strongDirection(const QTextDocument* document) {
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next())
        if (const auto found = BidiText::strongDirection(block.text()))
            return found;
    return std::nullopt;
}
} // namespace

Qt::LayoutDirection of(QStringView text, Qt::LayoutDirection field) {
    return BidiText::strongDirection(text).value_or(field);
}

Qt::Alignment side(QStringView text, Qt::LayoutDirection field) {
    return sideOf(of(text, field));
}

void layOut(QTextDocument* document, Qt::LayoutDirection field, bool alignedWhole) {
    const auto strong = strongDirection(document);
    QTextOption option = document->defaultTextOption();
    const QTextOption before = option;
    // With a strong character each paragraph finds its own direction; Qt reads a paragraph without one
    // left to right, which is the field's direction only when nothing in it is strong.
    option.setTextDirection(strong ? Qt::LayoutDirectionAuto : field);
    if (alignedWhole)
        option.setAlignment(sideOf(strong.value_or(field)));
    if (option.textDirection() != before.textDirection() || option.alignment() != before.alignment())
        document->setDefaultTextOption(option);
}

void drawPlaceholder(QPainter& painter, const QRect& area, const QString& placeholder,
                     Qt::LayoutDirection field) {
    const int reading = placeholder.isRightToLeft() ? Qt::TextForceRightToLeft : Qt::TextForceLeftToRight;
    painter.drawText(area, int(sideOf(field) | Qt::AlignTop | Qt::TextWordWrap) | reading, placeholder);
}

} // namespace pelnix::platform::ui::FieldDirection
