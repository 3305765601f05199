#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>

namespace pelnix::standin {

// The stand-in's few known places, answered as the common open geocoding servers answer: a place is
// {"place_id", "lat", "lon" (decimal texts), "name", "display_name", "address": {"road", "suburb",
// "city", "county", "state", "postcode", "country", "country_code"}}.
class Gazetteer {
public:
    struct Place {
        QString name, road, suburb, city, county, state, postcode, country, countryCode;
        double latitude = 0;
        double longitude = 0;
    };
    // How far (in degrees) a reverse search looks for the nearest place.
    static constexpr double kReverseRadius = 0.1;

    static const QList<Place>& places();
    static QJsonObject toJson(const Place& place, int id);
    // The places whose display name holds every word of `query` (case ignored), at most `limit`.
    static QJsonArray search(const QString& query, int limit);
    // The nearest place within kReverseRadius, or {"error": "Unable to geocode"}.
    static QJsonObject reverse(double latitude, double longitude);
};

} // namespace pelnix::standin
