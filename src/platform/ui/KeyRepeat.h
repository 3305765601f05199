#pragma once

class QKeyEvent;

namespace pelnix::platform::ui {

// Whether a key press is a held key's repeat. Qt on X11 tells a repeat by a release and a press of the
// same key waiting in the queue together; when the program is busy they are read apart, and the press
// looks new. A repeat's release and press carry the same time, which a press of the user's never
// shares with the release before it. Only a keyboard's own events (with a scan code) are told so;
// events a program makes carry their repeat mark already. The widgets that act on a press of Return, Enter or
// Escape note each release they get here and ask here for each press.
namespace KeyRepeat {

void noteRelease(const QKeyEvent* release);
bool isRepeat(const QKeyEvent* press);

} // namespace KeyRepeat

} // namespace pelnix::platform::ui
