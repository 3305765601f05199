#include "Animator.h"

#include "Scheduler.h"

#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QPointer>
#include <QPropertyAnimation>
#include <QVariantAnimation>
#include <QWidget>
#include <cmath>

namespace pelnix::platform::ui {

namespace {
bool g_instant = false;

constexpr qreal kSpringDamping = 0.7;
constexpr qreal kSpringVelocity = 0.7;

qreal standardSpring(qreal t) {
    return Animator::springProgress(t, kSpringDamping, kSpringVelocity);
}
} // namespace

bool Animator::isInstant() {
    return g_instant;
}

void Animator::setInstant(bool instant) {
    g_instant = instant;
}

QEasingCurve Animator::easing(Curve curve) {
    switch (curve) {
    case Curve::EaseIn:
        return QEasingCurve::InQuad;
    case Curve::EaseOut:
        return QEasingCurve::OutQuad;
    case Curve::Linear:
        return QEasingCurve::Linear;
    case Curve::Spring: {
        QEasingCurve spring;
        spring.setCustomType(standardSpring);
        return spring;
    }
    case Curve::EaseInOut:
        break;
    }
    return QEasingCurve::InOutQuad;
}

qreal Animator::springProgress(qreal t, qreal damping, qreal velocity) {
    if (t <= 0)
        return 0;
    if (t >= 1)
        return 1;
    damping = qMax<qreal>(damping, 0.01);
    // Natural frequency chosen so the envelope has fallen to 1/1000 at the end of the duration.
    const qreal w0 = std::log(1000.0) / qMin<qreal>(damping, 1.0);
    const qreal decay = std::exp(-damping * w0 * t);
    if (damping >= 1)
        return 1 - decay * (1 + (w0 - velocity) * t);
    const qreal wd = w0 * std::sqrt(1 - damping * damping);
    return 1 - decay * (std::cos(wd * t) + (damping * w0 - velocity) / wd * std::sin(wd * t));
}

void Animator::animateProperty(QObject* target, const QByteArray& property, const QVariant& end,
                               int durationMs, Curve curve, Completion completion) {
    if (!target)
        return;
    if (g_instant || durationMs <= 0) {
        target->setProperty(property.constData(), end);
        if (completion)
            completion(true);
        return;
    }
    auto* animation = new QPropertyAnimation(target, property, target);
    animation->setEndValue(end);
    animation->setDuration(durationMs);
    animation->setEasingCurve(easing(curve));
    QObject::connect(animation, &QAbstractAnimation::finished, target, [completion] {
        if (completion)
            completion(true);
    });
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void Animator::stopAnimating(QObject* target, const QByteArray& property) {
    if (!target)
        return;
    for (auto* animation : target->findChildren<QPropertyAnimation*>(Qt::FindDirectChildrenOnly))
        if (animation->targetObject() == target && animation->propertyName() == property)
            animation->stop();
}

void Animator::animate(int durationMs, const std::function<void()>& changes, Completion completion) {
    if (changes)
        changes();
    if (!completion)
        return;
    if (g_instant || durationMs <= 0)
        completion(true);
    else
        Scheduler::shared()->dispatchAfter(durationMs, [completion] { completion(true); });
}

QAbstractAnimation* Animator::run(QObject* owner, int durationMs, Curve curve,
                                  std::function<void(qreal)> step, Completion completion) {
    if (g_instant || durationMs <= 0 || !owner) {
        if (step)
            step(1.0);
        if (completion)
            completion(true);
        return nullptr;
    }
    auto* animation = new QVariantAnimation(owner);
    animation->setStartValue(0.0);
    animation->setEndValue(1.0);
    animation->setDuration(durationMs);
    animation->setEasingCurve(easing(curve));
    QObject::connect(animation, &QVariantAnimation::valueChanged, owner, [step](const QVariant& v) {
        if (step)
            step(v.toReal());
    });
    QObject::connect(animation, &QAbstractAnimation::finished, owner, [completion] {
        if (completion)
            completion(true);
    });
    animation->start(QAbstractAnimation::DeleteWhenStopped);
    return animation;
}

void Animator::crossDissolve(QWidget* view, int durationMs, const std::function<void()>& changes,
                             Completion completion) {
    if (!view || g_instant || durationMs <= 0 || !view->isVisible()) {
        if (changes)
            changes();
        if (completion)
            completion(true);
        return;
    }
    auto* snapshot = new QLabel(view);
    snapshot->setPixmap(view->grab());
    snapshot->setGeometry(view->rect());
    snapshot->setAttribute(Qt::WA_TransparentForMouseEvents);
    if (changes)
        changes();
    snapshot->show();
    snapshot->raise();
    QPointer<QLabel> guard(snapshot);
    animateAlpha(snapshot, 0.0, durationMs, [guard, completion](bool finished) {
        if (guard)
            guard->deleteLater();
        if (completion)
            completion(finished);
    });
}

namespace {
// A graphics effect keeps a picture of its widget; once a view around that widget has moved, the
// window can go on showing parts of the widget where it was. A widget that paints its own opacity
// needs none.
bool paintsOwnAlpha(const QWidget* view) {
    return view->metaObject()->indexOfProperty("alpha") >= 0;
}
} // namespace

qreal Animator::alpha(const QWidget* view) {
    if (!view)
        return 0;
    if (paintsOwnAlpha(view))
        return view->property("alpha").toReal();
    auto* effect = qobject_cast<QGraphicsOpacityEffect*>(view->graphicsEffect());
    return effect ? effect->opacity() : 1.0;
}

void Animator::setAlpha(QWidget* view, qreal alpha) {
    if (!view)
        return;
    if (paintsOwnAlpha(view)) {
        view->setProperty("alpha", qBound(0.0, alpha, 1.0));
        return;
    }
    auto* effect = qobject_cast<QGraphicsOpacityEffect*>(view->graphicsEffect());
    if (!effect) {
        if (alpha >= 1.0)
            return;
        effect = new QGraphicsOpacityEffect(view);
        view->setGraphicsEffect(effect);
    }
    effect->setOpacity(qBound(0.0, alpha, 1.0));
}

void Animator::animateAlpha(QWidget* view, qreal alpha, int durationMs, Completion completion) {
    if (!view)
        return;
    if (paintsOwnAlpha(view))
        return animateProperty(view, "alpha", qBound(0.0, alpha, 1.0), durationMs, Curve::EaseInOut,
                               std::move(completion));
    setAlpha(view, qMin(Animator::alpha(view), 0.999)); // makes sure the effect exists
    auto* effect = qobject_cast<QGraphicsOpacityEffect*>(view->graphicsEffect());
    if (!effect) {
        if (completion)
            completion(true);
        return;
    }
    animateProperty(effect, "opacity", qBound(0.0, alpha, 1.0), durationMs, Curve::EaseInOut,
                    std::move(completion));
}

} // namespace pelnix::platform::ui
