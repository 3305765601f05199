#include "core/model/PLCountryInfo.h"

#include "foundation/PLCurrentBundleInfo.h"
#include "platform/PlistCodec.h"

namespace pelnix {

PLCountryInfo::PLCountryInfo(const QVariantMap& dictionary)
    : m_name(dictionary.value(QStringLiteral("COUNTRY")).toString()),
      m_code(dictionary.value(QStringLiteral("COUNTRYCODE")).toString()),
      m_isoCode(dictionary.value(QStringLiteral("ISOCODE")).toString()) {}

QList<PLCountryInfo> PLCountryInfo::countryList() {
    QList<PLCountryInfo> list;
    const auto entries = platform::PlistCodec::fromData(
        PLCurrentBundleInfo::dataForResource(QStringLiteral("CountryCodes"), QStringLiteral("plist")));
    if (!entries)
        return list;
    for (const QVariant& entry : entries->toList())
        list.append(PLCountryInfo(entry.toMap()));
    return list;
}

std::optional<PLCountryInfo> PLCountryInfo::instanceWithKey(const QString& key, const QString& value) {
    const auto property = [&key](const PLCountryInfo& country) {
        if (key == QLatin1String("name"))
            return country.name();
        if (key == QLatin1String("code"))
            return country.code();
        if (key == QLatin1String("isoCode"))
            return country.isoCode();
        return QString();
    };
    for (const PLCountryInfo& country : countryList()) {
        const QString candidate = property(country);
        if (!candidate.isNull() && candidate.compare(value, Qt::CaseInsensitive) == 0)
            return country;
    }
    return std::nullopt;
}

std::optional<PLCountryInfo> PLCountryInfo::instanceForCountryCode(const QString& code) {
    return instanceWithKey(QStringLiteral("code"), code);
}

std::optional<PLCountryInfo> PLCountryInfo::instanceForISOCode(const QString& isoCode) {
    return instanceWithKey(QStringLiteral("isoCode"), isoCode);
}

} // namespace pelnix
