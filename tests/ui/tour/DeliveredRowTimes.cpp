#include "DeliveredRowTimes.h"

#include "platform/ui/Animator.h"
#include "platform/ui/Label.h"
#include "platform/ui/Scheduler.h"
#include "platform/ui/testing/BlankPictureCheck.h"
#include "ui/conversation/PLPendingMessageIndicatorView.h"

#include <QTest>
#include <QWidget>
#include <utility>

namespace pelnix::test {

using platform::ui::Animator;

namespace {

// Virtual time a wait moves the scheduler on by between two looks: well under the fade's delay.
constexpr qint64 kVirtualStepMs = 10;

// The time labels of the delivered rows visible in `window`.
QList<platform::ui::Label*> deliveredTimes(QWidget* window) {
    QList<platform::ui::Label*> times;
    for (auto* indicator : window->findChildren<PLPendingMessageIndicatorView*>()) {
        const PLOutboxState& state = indicator->outboxState();
        platform::ui::Label* time = indicator->timeLabel();
        if (indicator->message() && !indicator->isExtendedTextMessage() && !state.hasFailedPendingMessage() &&
            !state.hasAtLeatOnePendingMessage() && time->isVisibleTo(window) && !time->text().isEmpty())
            times << time;
    }
    return times;
}

} // namespace

bool DeliveredRowTimes::shown(QWidget* window) {
    const auto times = deliveredTimes(window);
    return std::all_of(times.begin(), times.end(),
                       [](const QWidget* time) { return qFuzzyCompare(Animator::alpha(time), 1.0); });
}

bool DeliveredRowTimes::await(QWidget* window, int timeoutMs) {
    auto* scheduler = platform::ui::Scheduler::shared();
    bool before = false;
    return QTest::qWaitFor(
        [&] {
            if (scheduler->isVirtualClock())
                scheduler->advance(kVirtualStepMs);
            const bool now = shown(window);
            return std::exchange(before, now) && now;
        },
        timeoutMs);
}

QString DeliveredRowTimes::missing(const QImage& image, QWidget* window) {
    const qreal scale = image.devicePixelRatio() > 0 ? image.devicePixelRatio() : 1.0;
    for (QWidget* time : deliveredTimes(window)) {
        // Only a time wholly in view and on top: a row under a bar, a sheet or the list's edge is
        // not looked at.
        if (time->visibleRegion() != QRegion(time->rect()))
            continue;
        const QRect place(time->mapTo(window, QPoint()), time->size());
        QWidget* onTop = window->childAt(place.center());
        if (onTop != time && !time->isAncestorOf(onTop))
            continue;
        const QRect pixels((QPointF(place.topLeft()) * scale).toPoint(),
                           (QSizeF(place.size()) * scale).toSize());
        if (platform::ui::BlankPictureCheck::isFlat(image, pixels))
            return QStringLiteral("a delivered row without its time at %1,%2").arg(place.x()).arg(place.y());
    }
    return {};
}

} // namespace pelnix::test
