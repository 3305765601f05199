#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <optional>

namespace pelnix::platform {

// QVariant <-> XML property list. Dictionaries are QVariantMap, arrays QVariantList, strings
// QString, data QByteArray, integers qint64, reals double, booleans bool and dates QDateTime (UTC).
class PlistCodec {
public:
    // XML text of `value`; empty when the value has no property-list form.
    static QByteArray toXml(const QVariant& value);
    // Parses XML or binary property-list bytes; none when they are not a property list.
    static std::optional<QVariant> fromData(const QByteArray& data);

    // Atomic write of the XML form (a crash leaves the old file or the new one, never a torn one).
    static bool writeFile(const QString& path, const QVariant& value);
    static std::optional<QVariant> readFile(const QString& path);
};

} // namespace pelnix::platform
