#include "ClickBurst.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QStyleHints>
#include <QThread>

namespace pelnix::platform::ui::ClickBurst {

namespace {
struct Burst {
    bool live = false;
    quint64 lastPress = 0;
    QPointF at;
};

// One burst at a time, as there is one pointer; buttons live on the main thread.
Burst g_burst;

bool near(const QPointF& a, const QPointF& b) {
    const int distance = qMax(QGuiApplication::styleHints()->mouseDoubleClickDistance(), 1);
    return (a - b).manhattanLength() <= 2 * distance;
}

class Watcher : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type type = event->type();
        if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick) {
            const auto* press = static_cast<QMouseEvent*>(event);
            if (continues(press))
                return true;
            m_pressedAt = press->globalPosition();
            return false;
        }
        if (type == QEvent::MouseButtonRelease) {
            auto* button = static_cast<QAbstractButton*>(watched);
            const auto* release = static_cast<QMouseEvent*>(event);
            if (!button->isDown() || release->button() != Qt::LeftButton)
                return false;
            // Released over the button it pressed: Qt's button takes it as a click.
            if (button->rect().contains(release->position().toPoint())) {
                noteClick(release);
                return false;
            }
            // The button moved away under a still pointer (a page sliding in): the press was on it, so
            // the click is its, as if released over it.
            if (!near(release->globalPosition(), m_pressedAt))
                return false;
            QMouseEvent over(QEvent::MouseButtonRelease, QPointF(button->rect().center()),
                             release->globalPosition(), release->button(), release->buttons(),
                             release->modifiers());
            over.setTimestamp(release->timestamp());
            QCoreApplication::sendEvent(button, &over);
            return true;
        }
        return false;
    }

private:
    QPointF m_pressedAt;
};

Q_GLOBAL_STATIC(Watcher, g_watcher)
} // namespace

void watch(QAbstractButton* button) {
    if (!button)
        return;
    Q_ASSERT(QThread::currentThread() == QCoreApplication::instance()->thread());
    button->installEventFilter(g_watcher());
}

bool continues(const QMouseEvent* event) {
    if (!event || event->button() != Qt::LeftButton || !g_burst.live)
        return false;
    const quint64 interval = quint64(QGuiApplication::styleHints()->mouseDoubleClickInterval());
    const bool inTime =
        event->timestamp() >= g_burst.lastPress && event->timestamp() - g_burst.lastPress <= interval;
    if (!inTime || !near(event->globalPosition(), g_burst.at)) {
        g_burst.live = false;
        return false;
    }
    g_burst.lastPress = event->timestamp();
    return true;
}

void noteClick(const QMouseEvent* event) {
    if (!event || event->button() != Qt::LeftButton)
        return;
    g_burst = {true, event->timestamp(), event->globalPosition()};
}

} // namespace pelnix::platform::ui::ClickBurst
