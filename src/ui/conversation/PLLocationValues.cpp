#include "ui/conversation/PLLocationValues.h"

#include "foundation/JsonHelpers.h"
#include "foundation/ui/PlacemarkAdditions.h"
#include "smart/SmartFormManager.h"

namespace pelnix::PLLocationValues {

using platform::ui::Location;
using platform::ui::Placemark;

QString readablePlaceName(const Placemark* place) {
    if (!place)
        return QString(QLatin1String(""));
    PlacemarkAdditions::Placemark parts;
    parts.name = place->name;
    parts.subLocality = place->subLocality;
    parts.locality = place->locality;
    parts.subAdministrativeArea = place->subAdministrativeArea;
    parts.administrativeArea = place->administrativeArea;
    parts.isoCountryCode = place->isoCountryCode;
    const QString name = PlacemarkAdditions::getReadablePlaceName(parts);
    return name.isNull() ? QString(QLatin1String("")) : name;
}

QString provider(const Location& location) {
    return location.verticalAccuracy < 0 ? QStringLiteral("network") : QStringLiteral("gps");
}

QString accuracy(const Location& location) {
    return QString::asprintf("%.2f", location.horizontalAccuracy);
}

QVariantMap checkInDictionary(const Location& user, const Placemark* place) {
    const double latitude = user.coordinate.latitude;
    const double longitude = user.coordinate.longitude;
    return {{QStringLiteral("location"), QString::asprintf("%.3f, %.3f", latitude, longitude)},
            {QStringLiteral("accuracy"), accuracy(user)},
            {QStringLiteral("provider"), provider(user)},
            {QStringLiteral("locname"), readablePlaceName(place)},
            {QStringLiteral("lat"), QString::asprintf("%.3f", latitude)},
            {QStringLiteral("lng"), QString::asprintf("%.3f", longitude)}};
}

QString checkInMessage(QVariantMap checkIn, const std::optional<QVariantMap>& locationInfo,
                       const QString& userName, const QString& date) {
    if (locationInfo) {
        const QVariant formId = locationInfo->value(QStringLiteral("formid"));
        if (!formId.isValid() || formId.isNull())
            return {};
        checkIn.insert(QStringLiteral("formid"), formId);
        checkIn.insert(QStringLiteral("type"), QStringLiteral("locresp"));
        return JSONSerialization::convertJsonToString(checkIn);
    }
    if (!userName.isNull())
        checkIn.insert(QStringLiteral("username"), userName);
    if (!date.isNull())
        checkIn.insert(QStringLiteral("date"), date);
    return SmartFormManager::constructCheckInRequestWithLocationDict(checkIn);
}

QVariantMap chosenLocation(const platform::ui::Coordinate& pin, const Placemark* place,
                           const std::optional<Location>& user) {
    const Location own = user.value_or(Location{});
    return {{QLatin1String(PLLatitudeKey), pin.latitude},
            {QLatin1String(PLLongitudeKey), pin.longitude},
            {QLatin1String(PLLocationKey), QString::asprintf("%f,%f", pin.latitude, pin.longitude)},
            {QLatin1String(PLPlaceNameKey), readablePlaceName(place)},
            {QLatin1String(PLAccuracyKey), accuracy(own)},
            {QLatin1String(PLProviderKey), provider(own)}};
}

} // namespace pelnix::PLLocationValues
