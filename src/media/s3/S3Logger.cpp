#include "media/s3/S3Logger.h"

#include <QLoggingCategory>
#include <atomic>

namespace pelnix {

namespace {
std::atomic<bool> g_loggingEnabled{true};
std::atomic<bool> g_verbose{false};
Q_LOGGING_CATEGORY(lcS3, "pelnix.s3", QtWarningMsg)

// "void pelnix::S3Client::invoke(const X&)" -> "S3Client::invoke"
QString methodName(const char* signature) {
    QString text = QString::fromLatin1(signature);
    const qsizetype paren = text.indexOf(QLatin1Char('('));
    if (paren >= 0)
        text.truncate(paren);
    const qsizetype space = text.lastIndexOf(QLatin1Char(' '));
    if (space >= 0)
        text = text.mid(space + 1);
    if (text.startsWith(QLatin1String("pelnix::")))
        text = text.mid(8);
    return text;
}
} // namespace

void S3Logger::turnLoggingOn() {
    g_loggingEnabled = true;
}
void S3Logger::turnLoggingOff() {
    g_loggingEnabled = false;
}
bool S3Logger::isLoggingEnabled() {
    return g_loggingEnabled;
}
void S3Logger::verboseLogging() {
    g_verbose = true;
}
void S3Logger::basicLogging() {
    g_verbose = false;
}
bool S3Logger::isVerboseLoggingEnabled() {
    return g_verbose;
}

QString S3Logger::prefix(const std::source_location& where) {
    QString file = QString::fromLatin1(where.file_name());
    file = file.mid(file.lastIndexOf(QLatin1Char('/')) + 1);
    return QStringLiteral("%1|%2|%3|").arg(file, methodName(where.function_name())).arg(where.line());
}

void S3Logger::logInfo(const QString& text, std::source_location where) {
    if (g_loggingEnabled)
        qCInfo(lcS3).noquote() << prefix(where) + text;
}

void S3Logger::logDebug(const QString& text, std::source_location where) {
    if (g_loggingEnabled && g_verbose)
        qCInfo(lcS3).noquote() << prefix(where) + text;
}

} // namespace pelnix
