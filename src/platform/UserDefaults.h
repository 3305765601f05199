#pragma once

#include <QString>
#include <QVariant>

namespace pelnix::platform {

// The library's user defaults: an INI file in the sandbox's Preferences folder. Never the host's own
// settings file.
class UserDefaults {
public:
    static QVariant value(const QString& key, const QVariant& fallback = {});
    static bool contains(const QString& key);
    static void setValue(const QString& key, const QVariant& value);
    static void remove(const QString& key);
    // Writes pending changes to disk.
    static void synchronize();
    static QString filePath();
};

} // namespace pelnix::platform
