#pragma once

#include <QString>
#include <QStringView>
#include <Qt>

class QPainter;
class QRect;
class QTextDocument;

namespace pelnix::platform::ui {

// Where an editable field's text reads from, as a message's text does: a text with a strong character
// in that character's direction (English from the left in a field right to left, Arabic from the
// right in one left to right), and a text without one (nothing yet, digits, punctuation) in the
// field's own, so that an empty field's caret and placeholder wait at its leading edge. Qt puts an
// empty field's caret where the keyboard's direction says, and neutral text at the left.
namespace FieldDirection {

// The direction `field` shows `text` in.
Qt::LayoutDirection of(QStringView text, Qt::LayoutDirection field);

// The side a field shows `text` on: its visual leading edge, as an absolute alignment.
Qt::Alignment side(QStringView text, Qt::LayoutDirection field);

// Lays `document` out as a field of direction `field` reads it: each paragraph with a strong
// character in its own direction, a document without one in the field's. A plain text document's
// layout aligns all its paragraphs alike (it reads no paragraph's direction for that): `alignedWhole`
// aligns it at the side of its first strong character. Sets the document's default text option only
// when that changes, as a change lays the document out anew.
void layOut(QTextDocument* document, Qt::LayoutDirection field, bool alignedWhole);

// Draws an editable view's placeholder in `area` at the field's leading edge, wrapped at words, in the
// direction of its own first strong character.
void drawPlaceholder(QPainter& painter, const QRect& area, const QString& placeholder,
                     Qt::LayoutDirection field);

} // namespace FieldDirection

} // namespace pelnix::platform::ui
