#pragma once

class QAbstractButton;
class QMouseEvent;

namespace pelnix::platform::ui {

// The clicks of one burst (a double or a triple click) act once. Left to Qt, a double click on a
// button is two clicks, and the second presses whatever the first brought under the still pointer:
// the back button of the page below, which pops a second page. A press that follows a click that
// acted, within the double-click time and distance of the press before it, belongs to that click's
// burst, and the buttons watched here ignore it.
namespace ClickBurst {

// Has `button` ignore the presses (double clicks included) of a burst whose first click acted.
void watch(QAbstractButton* button);

// Whether `event` (a press or a double click) belongs to the burst of the last click that acted; the
// burst then lasts from this press on.
bool continues(const QMouseEvent* event);
// Notes that the release `event` acted: a button took it as a click.
void noteClick(const QMouseEvent* event);

} // namespace ClickBurst

} // namespace pelnix::platform::ui
