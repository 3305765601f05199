#include "platform/Log.h"

#include <QLoggingCategory>
#include <QUrl>
#include <atomic>

namespace pelnix::platform {

namespace {
std::atomic<bool> g_enabled{false};
Q_LOGGING_CATEGORY(lcPelnix, "pelnix", QtWarningMsg)
} // namespace

bool Log::isEnabled() {
    return g_enabled.load();
}

void Log::setEnabled(bool enabled) {
    g_enabled.store(enabled);
}

void Log::write(const QString& text) {
    if (g_enabled.load())
        writeRequestedLine(QStringLiteral("Pelnix : %1").arg(text));
}

void Log::writeRequestedLine(const QString& line) {
    // The host asked for these lines (setLoggingEnabled): they pass the category's quiet default.
    QMessageLogger(nullptr, 0, nullptr, lcPelnix().categoryName()).info().noquote() << line;
}

void Log::debug(const QString& text) {
    qCDebug(lcPelnix).noquote() << text;
}

QString Log::address(const QUrl& url) {
    constexpr qsizetype kMaxPath = 120;
    const QUrl bare = url.adjusted(QUrl::RemoveUserInfo | QUrl::RemoveQuery | QUrl::RemoveFragment);
    QString path = bare.path(QUrl::FullyEncoded);
    if (path.size() > kMaxPath)
        path = path.left(kMaxPath) + QStringLiteral("...");
    const QString origin = bare.adjusted(QUrl::RemovePath).toString(QUrl::FullyEncoded);
    return origin + path;
}

} // namespace pelnix::platform
