#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QRectF>

class QPainter;
class QWidget;

namespace pelnix {

// The toolkit's one look: the colours, fonts and measures its common widgets draw with, all from the
// library's named colours and its DejaVu fonts. A widget whose own colour or font is fixed keeps it
// (the styled field's grey text, the search placeholder's blue); everything else comes from here.
namespace ToolkitStyle {

// A form field (sign-up, profile) and the search bar's field and cancel button.
inline constexpr qreal kFieldHeight = 44;
inline constexpr qreal kSearchFieldHeight = 30;
inline constexpr qreal kBorderWidth = 1;
inline constexpr qreal kCornerRadius = 5;
inline constexpr qreal kFontSize = 15;
// The progress ring's arcs.
inline constexpr qreal kProgressArcWidth = 3;
inline constexpr qreal kProgressTrackWidth = 1;

// Field and button borders, the search field's border and the ring's track: light brand blue.
QColor borderColor();
// The border of the field that has the keyboard focus, link-like titles and the search placeholder.
QColor accentColor();
QColor fieldBackgroundColor();
QColor textColor();
QColor progressArcColor();
QColor progressTrackColor();

QFont regularFont();
QFont lightFont();

// A field that paints its own frame: no background of the widget style's, text in `text`.
void applyFieldPalette(QWidget* field, const QColor& text);

// A field's frame: its background and a border of `kBorderWidth` with rounded corners, in the accent
// colour while the field has the focus.
void paintFieldFrame(QPainter& painter, const QRectF& rect, bool focused);
// Just the border, for a field whose background is a picture.
void paintFieldBorder(QPainter& painter, const QRectF& rect, const QColor& color);
// A bordered picture (a field's background) stretched to `rect` with its corners kept: the middle
// stretches, the `capPoints` wide edges stretch only along themselves, the corners stay as drawn.
void paintStretchedPicture(QPainter& painter, const QRectF& rect, const QImage& picture, qreal capPoints);

} // namespace ToolkitStyle
} // namespace pelnix
