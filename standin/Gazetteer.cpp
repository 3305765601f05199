#include "Gazetteer.h"

#include <QRegularExpression>
#include <QStringList>
#include <algorithm>
#include <cmath>

namespace pelnix::standin {

const QList<Gazetteer::Place>& Gazetteer::places() {
    static const QList<Place> list{
        {"Cubbon Park", "Kasturba Road", "Sampangi Rama Nagar", "Bengaluru", "Bangalore Urban", "Karnataka",
         "560001", "India", "in", 12.9763, 77.5929},
        {"Vidhana Soudha", "Ambedkar Veedhi", "Sampangi Rama Nagar", "Bengaluru", "Bangalore Urban",
         "Karnataka", "560001", "India", "in", 12.9796, 77.5906},
        {"MG Road Metro Station", "Mahatma Gandhi Road", "Shivaji Nagar", "Bengaluru", "Bangalore Urban",
         "Karnataka", "560001", "India", "in", 12.9755, 77.6069},
        {"Lalbagh Botanical Garden", "Lalbagh Road", "Mavalli", "Bengaluru", "Bangalore Urban", "Karnataka",
         "560004", "India", "in", 12.9507, 77.5848},
        {"Bangalore Palace", "Palace Road", "Vasanth Nagar", "Bengaluru", "Bangalore Urban", "Karnataka",
         "560052", "India", "in", 12.9987, 77.5920},
        {"Tour Eiffel", "Avenue Anatole France", "Gros-Caillou", "Paris", "Paris", "Ile-de-France", "75007",
         "France", "fr", 48.8584, 2.2945},
        {"Brandenburger Tor", "Pariser Platz", "Mitte", "Berlin", "", "Berlin", "10117", "Deutschland", "de",
         52.5163, 13.3777},
        {"Sydney Opera House", "Macquarie Street", "Sydney", "Sydney", "Council of the City of Sydney",
         "New South Wales", "2000", "Australia", "au", -33.8568, 151.2153},
        {"Central Park", "Central Park West", "Manhattan", "New York", "New York County", "New York", "10024",
         "United States", "us", 40.7826, -73.9656},
        // A spot with an address but no name of its own.
        {"", "Hosur Road", "Koramangala", "Bengaluru", "Bangalore Urban", "Karnataka", "560095", "India",
         "in", 12.9352, 77.6245},
    };
    return list;
}

QJsonObject Gazetteer::toJson(const Place& place, int id) {
    QStringList parts;
    for (const QString& part :
         {place.name, place.road, place.suburb, place.city, place.state, place.postcode, place.country})
        if (!part.isEmpty() && !parts.contains(part))
            parts << part;
    QJsonObject address;
    const std::pair<const char*, QString> fields[] = {
        {"road", place.road},       {"suburb", place.suburb},
        {"city", place.city},       {"county", place.county},
        {"state", place.state},     {"postcode", place.postcode},
        {"country", place.country}, {"country_code", place.countryCode}};
    for (const auto& [key, value] : fields)
        if (!value.isEmpty())
            address.insert(QLatin1String(key), value);
    return QJsonObject{{"place_id", id},
                       {"lat", QString::number(place.latitude, 'f', 7)},
                       {"lon", QString::number(place.longitude, 'f', 7)},
                       {"name", place.name},
                       {"display_name", parts.join(QStringLiteral(", "))},
                       {"address", address}};
}

QJsonArray Gazetteer::search(const QString& query, int limit) {
    const QStringList words =
        query.toLower().split(QRegularExpression(QStringLiteral("[\\s,]+")), Qt::SkipEmptyParts);
    QJsonArray found;
    if (words.isEmpty())
        return found;
    for (int i = 0; i < places().size() && found.size() < limit; ++i) {
        const QJsonObject place = toJson(places()[i], i + 1);
        const QString display = place.value("display_name").toString().toLower();
        if (std::all_of(words.begin(), words.end(),
                        [&display](const QString& word) { return display.contains(word); }))
            found.append(place);
    }
    return found;
}

QJsonObject Gazetteer::reverse(double latitude, double longitude) {
    int nearest = -1;
    double best = kReverseRadius;
    for (int i = 0; i < places().size(); ++i) {
        const double distance =
            std::hypot(places()[i].latitude - latitude, places()[i].longitude - longitude);
        if (distance <= best) {
            best = distance;
            nearest = i;
        }
    }
    if (nearest < 0)
        return QJsonObject{{"error", "Unable to geocode"}};
    return toJson(places()[nearest], nearest + 1);
}

} // namespace pelnix::standin
