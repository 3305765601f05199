#pragma once

#include <QColor>
#include <QRectF>

#include <initializer_list>

class QPainter;
class QWidget;

namespace pelnix::platform::ui {

// The ring that shows where Tab put the keys on the library's controls that draw themselves. It must
// read against what it lies on: in the highlight colour on a blue button it would not show.
namespace FocusRing {

// Whether `control` shows the ring now: it has the keys, and the keyboard brought them (Tab, Backtab or
// a shortcut), as the web's :focus-visible has it. A click's focus shows none, nor does a click on a
// control that has the keys. Keys given back by code (an alert answered, the window active again)
// show the ring as it was before they left; keys code gives a control for the first time show none.
// Only a control that follow() watches shows it.
bool shows(const QWidget* control);

// Has the ring of `control` follow how the keys reach it, and hide on a click on it or on one of
// `parts` (the viewport of a list, say). Qt's own flag for this, set on a window once Tab was pressed
// in it, stays set for good: a click's focus after one Tab showed the ring.
void follow(QWidget* control, std::initializer_list<QWidget*> parts = {});

// The contrast ratio of two colours as the web's accessibility guidelines count it, 1 to 21 (their
// alpha is not counted).
qreal contrast(const QColor& a, const QColor& b);

// At least what those guidelines ask of a control's parts against what is next to them.
constexpr qreal kLeastContrast = 3.0;

// The ring's colour on `fill`, the control's own colour where the ring lies: `highlight` where it reads
// on it, else `preferred` (the control's title, say) where that does, else black or white, whichever
// reads better.
QColor colourOn(const QColor& fill, const QColor& highlight, const QColor& preferred);

// `top` laid on the opaque `below`, as a translucent fill shows.
QColor laidOn(const QColor& top, const QColor& below);

// The colour that shows behind `control` where it draws nothing: the first of its ancestors that fills
// its background or names its colour (setBackdrop), else its window's.
QColor backdrop(const QWidget* control);

// What lies around the widget whose colour shows behind `control` (around a blue bar that a bare
// button spans, the page): a ring on the control's edge may meet it there.
QColor beyondBackdrop(const QWidget* control);

// Names the colour `widget` paints behind its children without filling its background the widget way
// (a bar paints its own), for backdrop(); an invalid colour: it paints none.
void setBackdrop(QWidget* widget, const QColor& colour);

// Draws the ring 2 px wide just inside `bounds`, its corners rounded by `radius`.
void draw(QPainter& painter, const QRectF& bounds, qreal radius, const QColor& colour);

// Draws the ring of a control of its own colour (a filled button) a ring's width inside its edge: its
// outline stays whole, and the ring reads as one around its content. On the edge, beside a page of the
// ring's colour, it read as a smaller button.
void drawInside(QPainter& painter, const QRectF& bounds, qreal radius, const QColor& colour);

} // namespace FocusRing

} // namespace pelnix::platform::ui
