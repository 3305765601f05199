#pragma once

#include <QSize>
#include <QString>

class QWidget;

namespace pelnix::platform::ui {
class ViewController;
}

// How the facade's containers and the root container hold their screens: as children whose views
// fill them.
namespace pelnix::ContainerChildren {

// What a container's view asks of a host's layout or dock that asks: the reference phone's screen,
// where every screen and what shows over it fit. It asks for no minimum, so the host may make it
// smaller, and two containers side by side in a QSplitter share it evenly.
inline constexpr QSize kViewSizeHint{320, 568};

// The view a facade container holds its screens in. Its screens fill it, and it gives a host's layout
// no size of theirs (some screens hint 0 x 0, and a host's QSplitter made such a container a pane no
// wider than that), only kViewSizeHint.
QWidget* newView();
// Removes every child (its view first).
void removeAll(platform::ui::ViewController* container);
// Adds `child` with its view over the whole of `host` (the container's view, or the view its
// loadView() is building).
void add(platform::ui::ViewController* container, platform::ui::ViewController* child, QWidget* host);
// Adds `screen`, wrapped in a new navigation controller when the container has none (a hidden bar
// when asked).
void addWrapped(platform::ui::ViewController* container, platform::ui::ViewController* screen, QWidget* host,
                bool hiddenBar = false);
// A new screen from the registry, or null with a log line naming what is missing.
platform::ui::ViewController* instantiate(const QString& storyboard, const QString& identifier);

} // namespace pelnix::ContainerChildren
