#pragma once

class QWidget;

namespace pelnix::RotationAnimation {

// A full turn every `seconds`, endlessly: an animation named "spin" kept as a child of the view that
// drives the view's "pelnix.rotation" property (radians) and repaints it. Starting again replaces the
// running spin, so there is never more than one.
void startRotatingWithDuration(QWidget* view, double seconds);
void stopRotating(QWidget* view);
bool isRotating(const QWidget* view);

} // namespace pelnix::RotationAnimation
