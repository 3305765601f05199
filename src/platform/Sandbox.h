#pragma once

#include <QString>

namespace pelnix::platform {

// The one folder that belongs to the library. Every folder the library writes to lies below it:
//   <root>/Documents, <root>/Library/Application Support, <root>/Library/Caches,
//   <root>/Library/Preferences and <root>/tmp.
// The host (or a test) may choose the root before first use; by default it is a "Pelnix" folder in
// the application's local data location, never the user's own Documents or /tmp.
class Sandbox {
public:
    static QString root();
    // Sets the root for this process. Folder getters computed afterwards use it.
    static void setRoot(const QString& path);

    static QString documents();
    static QString applicationSupport();
    static QString caches();
    static QString preferences();
    static QString tmp();

    // True when `name` is one non-empty path component: no separator, not "." or "..", no NUL.
    // Every name that comes from the network (room IDs, file IDs, file names) passes here before it
    // touches the disk.
    static bool isSafePathComponent(const QString& name);
};

} // namespace pelnix::platform
