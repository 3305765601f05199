#include "platform/ui/AfterNextPaint.h"

#include <QEvent>
#include <QPointer>
#include <QWidget>

namespace pelnix::platform::ui {

namespace {
class PaintWatcher : public QObject {
public:
    PaintWatcher(QWidget* widget, QObject* context, std::function<void()> action)
        : QObject(widget), m_context(context), m_action(std::move(action)) {
        widget->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !m_done) {
            m_done = true;
            watched->removeEventFilter(this);
            runLater();
        }
        return false;
    }

    void runLater() {
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (m_context)
                    m_action();
                deleteLater();
            },
            Qt::QueuedConnection);
    }

private:
    QPointer<QObject> m_context;
    std::function<void()> m_action;
    bool m_done = false;
};
} // namespace

void afterNextPaint(QWidget* widget, QObject* context, std::function<void()> action) {
    if (!widget || !context)
        return;
    auto* watcher = new PaintWatcher(widget, context, std::move(action));
    if (widget->isVisible()) {
        widget->update(); // a frame is coming
    } else {
        widget->removeEventFilter(watcher);
        watcher->runLater();
    }
}

} // namespace pelnix::platform::ui
