#include "platform/UserDefaults.h"

#include "platform/Sandbox.h"

#include <QDir>
#include <QMutex>
#include <QSettings>

namespace pelnix::platform {

namespace {
QMutex g_mutex;

// QSettings objects are cheap; one per call keeps the file right when tests move the sandbox root.
QSettings settings() {
    QDir().mkpath(Sandbox::preferences());
    return QSettings(UserDefaults::filePath(), QSettings::IniFormat);
}
} // namespace

QString UserDefaults::filePath() {
    return Sandbox::preferences() + QStringLiteral("/pelnix.ini");
}

QVariant UserDefaults::value(const QString& key, const QVariant& fallback) {
    QMutexLocker lock(&g_mutex);
    return settings().value(key, fallback);
}

bool UserDefaults::contains(const QString& key) {
    QMutexLocker lock(&g_mutex);
    return settings().contains(key);
}

void UserDefaults::setValue(const QString& key, const QVariant& value) {
    QMutexLocker lock(&g_mutex);
    auto s = settings();
    s.setValue(key, value);
    s.sync();
}

void UserDefaults::remove(const QString& key) {
    QMutexLocker lock(&g_mutex);
    auto s = settings();
    s.remove(key);
    s.sync();
}

void UserDefaults::synchronize() {
    QMutexLocker lock(&g_mutex);
    settings().sync();
}

} // namespace pelnix::platform
