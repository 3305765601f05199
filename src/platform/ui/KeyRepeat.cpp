#include "KeyRepeat.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QThread>

namespace pelnix::platform::ui::KeyRepeat {

namespace {
// One keyboard, read on the main thread.
struct LastRelease {
    quint32 scanCode = 0;
    quint64 time = 0;
};
LastRelease g_last;
} // namespace

void noteRelease(const QKeyEvent* release) {
    Q_ASSERT(QThread::currentThread() == QCoreApplication::instance()->thread());
    if (release && release->type() == QEvent::KeyRelease)
        g_last = {release->nativeScanCode(), release->timestamp()};
}

bool isRepeat(const QKeyEvent* press) {
    if (!press)
        return false;
    if (press->isAutoRepeat())
        return true;
    // Only a keyboard's own events tell (a scan code): events a program makes carry their repeat mark.
    return press->nativeScanCode() != 0 && press->nativeScanCode() == g_last.scanCode &&
           press->timestamp() == g_last.time;
}

} // namespace pelnix::platform::ui::KeyRepeat
