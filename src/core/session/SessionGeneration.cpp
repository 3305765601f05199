#include "core/session/SessionGeneration.h"

#include "platform/MainThread.h"
#include "platform/NotificationCenter.h"

#include <QLatin1String>
#include <atomic>

namespace pelnix {

namespace {
std::atomic<quint64> g_generation{1};
} // namespace

quint64 SessionGeneration::current() {
    return g_generation.load();
}

void SessionGeneration::end() {
    Q_ASSERT(platform::isMainThread());
    ++g_generation;
    platform::NotificationCenter::defaultCenter()->post(QLatin1String(PLSessionDidEndNotification));
}

} // namespace pelnix
