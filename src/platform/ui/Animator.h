#pragma once

#include <QByteArray>
#include <QEasingCurve>
#include <QObject>
#include <QVariant>
#include <functional>

class QAbstractAnimation;
class QWidget;

namespace pelnix::platform::ui {

// View animations. In instant mode (tests, or animations turned off) every animation jumps to its end
// state and its completion runs before the call returns, so screens behave the same, only at once.
class Animator {
public:
    using Completion = std::function<void(bool finished)>;
    // Spring: a damped spring (damping ratio 0.7, initial velocity 0.7) that overshoots a little and
    // settles at the end of the duration, as swiped rows open and close.
    enum class Curve { EaseInOut, EaseIn, EaseOut, Linear, Spring };

    static bool isInstant();
    static void setInstant(bool instant);

    // Animates one Qt property of `target` from its current value to `end`.
    static void animateProperty(QObject* target, const QByteArray& property, const QVariant& end,
                                int durationMs, Curve curve = Curve::EaseInOut, Completion completion = {});
    // Ends the animations of one property of `target` under way where they stand, without their
    // completions: a property set at once after it keeps its value.
    static void stopAnimating(QObject* target, const QByteArray& property);
    // Block form: `changes` sets the final state now; the completion runs after the duration.
    static void animate(int durationMs, const std::function<void()>& changes, Completion completion = {});
    // Runs `step(progress 0..1)` over the duration, then the completion. Instant mode: step(1) only.
    // Returns the animation under way (null when it ran at once); stopping it drops the steps still to
    // come and the completion, for a caller that ends the change itself.
    static QAbstractAnimation* run(QObject* owner, int durationMs, Curve curve,
                                   std::function<void(qreal)> step, Completion completion = {});
    // Fades from the current look of `view` to its look after `changes`.
    static void crossDissolve(QWidget* view, int durationMs, const std::function<void()>& changes,
                              Completion completion = {});

    // Opacity of a widget (1 when never set); kept in a graphics effect on that widget only, or, for a
    // widget that paints its own opacity (a qreal property "alpha"), in that property.
    static qreal alpha(const QWidget* view);
    static void setAlpha(QWidget* view, qreal alpha);
    static void animateAlpha(QWidget* view, qreal alpha, int durationMs, Completion completion = {});

    static QEasingCurve easing(Curve curve);
    // Progress (0 at t = 0, exactly 1 from t = 1 on) of a spring released towards its end with
    // `damping` (ratio; 1 is critical) and `velocity` (distances per duration), t in durations.
    static qreal springProgress(qreal t, qreal damping, qreal velocity);
};

} // namespace pelnix::platform::ui
