#include "RotationAnimation.h"

#include "platform/ui/Animator.h"

#include <QVariantAnimation>
#include <QWidget>

namespace pelnix::RotationAnimation {

namespace {
const QString kSpin = QStringLiteral("spin");
}

void stopRotating(QWidget* view) {
    if (!view)
        return;
    for (auto* spin : view->findChildren<QVariantAnimation*>(kSpin, Qt::FindDirectChildrenOnly)) {
        spin->stop();
        delete spin;
    }
}

void startRotatingWithDuration(QWidget* view, double seconds) {
    if (!view)
        return;
    stopRotating(view);
    auto* spin = new QVariantAnimation(view);
    spin->setObjectName(kSpin);
    spin->setStartValue(0.0);
    spin->setEndValue(double(6.2831855f));
    spin->setDuration(qMax(1, int(seconds * 1000)));
    spin->setLoopCount(-1);
    QObject::connect(spin, &QVariantAnimation::valueChanged, view, [view](const QVariant& angle) {
        view->setProperty("pelnix.rotation", angle);
        view->update();
    });
    // Tests run without endless animations; the spin still exists and can be stopped.
    if (!platform::ui::Animator::isInstant())
        spin->start();
}

bool isRotating(const QWidget* view) {
    return view && view->findChild<QVariantAnimation*>(kSpin, Qt::FindDirectChildrenOnly);
}

} // namespace pelnix::RotationAnimation
