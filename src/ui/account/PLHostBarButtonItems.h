#pragma once

#include <QList>

namespace pelnix {

namespace platform::ui {
class BarButtonItem;
}

// The left bar items the host set for the library's top-level screens. A navigation item owns what it
// is given and each screen shows its own, so every call makes fresh items that mirror the host's
// (title, picture, system kind) and trigger the host's item when tapped; the host's items stay the
// host's.
class PLHostBarButtonItems {
public:
    static bool hasItems();
    static QList<platform::ui::BarButtonItem*> makeItems();
};

} // namespace pelnix
