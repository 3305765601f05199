#pragma once

#include <QObject>
#include <functional>

class QWidget;

namespace pelnix::platform::ui {

// Runs `action` once `widget` has painted its next frame (from the event loop, after the paint), for
// work the frame does not show and should not delay. A widget not visible paints no frame: the action
// then runs from the event loop at once. Nothing runs once `context` or `widget` is gone.
void afterNextPaint(QWidget* widget, QObject* context, std::function<void()> action);

} // namespace pelnix::platform::ui
