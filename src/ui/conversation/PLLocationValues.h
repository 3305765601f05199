#pragma once

#include "platform/ui/Geocoder.h"
#include "platform/ui/Location.h"

#include <QString>
#include <QVariantMap>
#include <optional>

namespace pelnix {

// The keys of a chosen location (the values the choose-location screen hands back; the composer
// reads them).
inline constexpr char PLLatitudeKey[] = "lat";
inline constexpr char PLLongitudeKey[] = "lng";
inline constexpr char PLLocationKey[] = "location";
inline constexpr char PLPlaceNameKey[] = "locName";
inline constexpr char PLAccuracyKey[] = "accuracy";
inline constexpr char PLProviderKey[] = "provider";

// What the two location screens make of a position and the place found there. Numbers are written
// with the C formats the message readers expect ("." as the decimal point whatever the locale).
namespace PLLocationValues {

// "name, sub-locality, locality" of the place (see PlacemarkAdditions); "" without a place.
QString readablePlaceName(const platform::ui::Placemark* place);
// "network" when the vertical accuracy is negative (no altitude: not a satellite fix), else "gps".
QString provider(const platform::ui::Location& location);
QString accuracy(const platform::ui::Location& location);

// The check-in of the send-location screen: "location" ("%.3f, %.3f"), "accuracy" ("%.2f"),
// "provider", "locname", "lat" and "lng" ("%.3f"), all texts.
QVariantMap checkInDictionary(const platform::ui::Location& user, const platform::ui::Placemark* place);
// The message text of a check-in. A reply (`locationInfo` given: the asking message's form values)
// carries "formid" and "type" "locresp" and is the dictionary's JSON; without a "formid" there is no
// message (a null text). A new post adds "username" and "date" (each when known) and is the
// "Location_Form" resource with the dictionary merged into its media entry.
QString checkInMessage(QVariantMap checkIn, const std::optional<QVariantMap>& locationInfo,
                       const QString& userName, const QString& date);

// The values of the choose-location screen: the pin's "lat" and "lng" as numbers, "location" as
// "%f,%f", "locName" of the place, and "accuracy" and "provider" of the user's own location (the
// values of an unknown location when there is none).
QVariantMap chosenLocation(const platform::ui::Coordinate& pin, const platform::ui::Placemark* place,
                           const std::optional<platform::ui::Location>& user);

} // namespace PLLocationValues
} // namespace pelnix
