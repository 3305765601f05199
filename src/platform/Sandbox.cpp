#include "platform/Sandbox.h"

#include <QDir>
#include <QMutex>
#include <QStandardPaths>

namespace pelnix::platform {

namespace {
QMutex g_mutex;
QString g_root;

QString defaultRoot() {
    QString base = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.local/share/pelnix-host");
    return QDir::cleanPath(base + QStringLiteral("/Pelnix"));
}

QString below(const char* sub) {
    return QDir::cleanPath(Sandbox::root() + QLatin1Char('/') + QLatin1String(sub));
}
} // namespace

QString Sandbox::root() {
    QMutexLocker lock(&g_mutex);
    if (g_root.isEmpty()) {
        const QString fromEnv = qEnvironmentVariable("PELNIX_SANDBOX_ROOT");
        g_root = fromEnv.isEmpty() ? defaultRoot() : QDir::cleanPath(QDir(fromEnv).absolutePath());
    }
    return g_root;
}

void Sandbox::setRoot(const QString& path) {
    QMutexLocker lock(&g_mutex);
    g_root = path.isEmpty() ? QString() : QDir::cleanPath(QDir(path).absolutePath());
}

QString Sandbox::documents() {
    return below("Documents");
}
QString Sandbox::applicationSupport() {
    return below("Library/Application Support");
}
QString Sandbox::caches() {
    return below("Library/Caches");
}
QString Sandbox::preferences() {
    return below("Library/Preferences");
}
QString Sandbox::tmp() {
    return below("tmp");
}

bool Sandbox::isSafePathComponent(const QString& name) {
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    for (const QChar c : name) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.unicode() == 0)
            return false;
    }
    return true;
}

} // namespace pelnix::platform
