#pragma once

#include <QString>
#include <source_location>

namespace pelnix {

// Console logger of the S3 runtime. Every line reads "<file>|<Class::method>|<line>|<text>".
// Never pass a secret key or a security token to it.
class S3Logger {
public:
    static void turnLoggingOn();
    static void turnLoggingOff();
    static bool isLoggingEnabled();
    static void verboseLogging();
    static void basicLogging();
    static bool isVerboseLoggingEnabled();

    static void logInfo(const QString& text, std::source_location where = std::source_location::current());
    static void logDebug(const QString& text, std::source_location where = std::source_location::current());

    // The "<file>|<Class::method>|<line>|" prefix for a source location.
    static QString prefix(const std::source_location& where);
};

} // namespace pelnix
