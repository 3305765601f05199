#pragma once

#include <QString>

class QWidget;

namespace pelnix::platform::ui {
class ViewController;
}

// How the facade's containers and the root container hold their screens: as children whose views
// fill them.
namespace pelnix::ContainerChildren {

// The view a facade container holds its screens in. Its screens fill it, and it gives a host's layout
// no size of theirs: some screens hint 0 x 0, and a host's QSplitter made such a container a pane no
// wider than that.
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
