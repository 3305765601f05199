#pragma once

#include <QList>
#include <QString>
#include <QVariantMap>
#include <optional>

namespace pelnix {

// One country of the bundle's "CountryCodes.plist": its name, dialling code and ISO code.
class PLCountryInfo {
public:
    PLCountryInfo() = default;
    // From one list entry: "COUNTRY", "COUNTRYCODE", "ISOCODE" (absent keys give null strings).
    explicit PLCountryInfo(const QVariantMap& dictionary);

    QString name() const { return m_name; }
    QString code() const { return m_code; }
    QString isoCode() const { return m_isoCode; }

    // Every entry in file order, read afresh on each call; empty without the resource.
    static QList<PLCountryInfo> countryList();
    // The first entry whose property `key` ("name", "code" or "isoCode") equals `value` ignoring case.
    static std::optional<PLCountryInfo> instanceWithKey(const QString& key, const QString& value);
    static std::optional<PLCountryInfo> instanceForCountryCode(const QString& code);
    static std::optional<PLCountryInfo> instanceForISOCode(const QString& isoCode);

private:
    QString m_name;
    QString m_code;
    QString m_isoCode;
};

} // namespace pelnix
