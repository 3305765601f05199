#pragma once

class QWidget;

namespace pelnix::TabReach {

// Controls that wait out of the user's sight (slid off the edge, below the list, scrolled under the
// bar) leave Tab's order while they wait, so that neither Tab nor Space reaches a button nobody sees.

// Takes `control` out of Tab's order while it is out of sight, and puts it back with the focus
// policy it had once it shows. Keys it holds as it leaves sight go to the heir of a view around it
// (setKeysHeir), else to the nearest view around it that Tab reaches, else on along Tab's order.
void setInSight(QWidget* control, bool inSight);

// The widget that takes the keys of a control inside `container` leaving sight (the screen's text).
void setKeysHeir(QWidget* container, QWidget* heir);

} // namespace pelnix::TabReach
