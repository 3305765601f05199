#include "foundation/Clock.h"

#include <QMutex>

namespace pelnix {

namespace {
QMutex g_mutex;
Clock::Source g_source;
} // namespace

QDateTime Clock::now() {
    Source source;
    {
        QMutexLocker lock(&g_mutex);
        source = g_source;
    }
    return source ? source() : QDateTime::currentDateTime();
}

void Clock::setSource(Source source) {
    QMutexLocker lock(&g_mutex);
    g_source = std::move(source);
}

} // namespace pelnix
