#include "platform/Log.h"

#include <QLoggingCategory>
#include <atomic>

namespace pelnix::platform {

namespace {
std::atomic<bool> g_enabled{false};
Q_LOGGING_CATEGORY(lcPelnix, "pelnix")
} // namespace

bool Log::isEnabled() {
    return g_enabled.load();
}

void Log::setEnabled(bool enabled) {
    g_enabled.store(enabled);
}

void Log::write(const QString& text) {
    if (g_enabled.load())
        qCInfo(lcPelnix).noquote() << QStringLiteral("Pelnix : %1").arg(text);
}

void Log::debug(const QString& text) {
    qCDebug(lcPelnix).noquote() << text;
}

} // namespace pelnix::platform
