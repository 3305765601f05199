#pragma once

#include <QtGlobal>

namespace pelnix {

// Posted on the main thread, before the old session's store is emptied, as a sign-out ends the session:
// what that session began and is still running (a download) ends itself.
inline constexpr char PLSessionDidEndNotification[] = "PelnixSessionDidEndNotification";

// Which sign-in session of the process is running: a number each sign-out moves on. Work that a
// session began and that ends later (a download, its filing into the album) compares the number it
// began under before it records or shows anything, so that nothing of one account reaches the next.
class SessionGeneration {
public:
    static quint64 current();
    // Moves the number on, then posts PLSessionDidEndNotification. Main thread.
    static void end();
};

} // namespace pelnix
