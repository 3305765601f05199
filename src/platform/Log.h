#pragma once

#include <QString>

class QUrl;

namespace pelnix::platform {

// The library's log switch. Lines are written as "Pelnix : <text>" only while logging is on.
// Never pass a token, password, passcode or secret key to these functions.
class Log {
public:
    static bool isEnabled();
    static void setEnabled(bool enabled);
    // Writes "Pelnix : <text>" when logging is on.
    static void write(const QString& text);
    // Writes a line the host asked for with its own logging switch, as is, at info level whatever the
    // category's rules.
    static void writeRequestedLine(const QString& line);
    // Diagnostics of the library itself (store errors and the like): always at debug level.
    static void debug(const QString& text);
    // An address as a log line may show it: scheme, host, port and path (its first 120
    // characters), never its user information, query or fragment, where signatures, tokens and
    // passwords travel.
    static QString address(const QUrl& url);
};

} // namespace pelnix::platform
