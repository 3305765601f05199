#pragma once

#include <QByteArray>
#include <QObject>
#include <QPropertyAnimation>

namespace pelnix::PadAnimations {

// Stops the animations `owner` runs (of `property` only, when one is named), so that a newer
// animation of the same value is not overtaken by an older one finishing later. A stopped animation
// reports no end.
inline void stopRunning(QObject* owner, const QByteArray& property = {}) {
    if (!owner)
        return;
    for (auto* animation : owner->findChildren<QVariantAnimation*>(Qt::FindDirectChildrenOnly)) {
        auto* byProperty = qobject_cast<QPropertyAnimation*>(animation);
        if (property.isEmpty() || (byProperty && byProperty->propertyName() == property))
            animation->stop();
    }
}

} // namespace pelnix::PadAnimations
