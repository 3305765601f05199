#pragma once

#include <QString>

namespace pelnix::PlacemarkAdditions {

// A reverse-geocoded place; absent parts are empty.
struct Placemark {
    QString name;
    QString subLocality;
    QString locality;
    QString subAdministrativeArea;
    QString administrativeArea;
    QString isoCountryCode;
};

// "name, sub-locality, locality"; in India ("IN") without a locality, the sub-administrative and
// administrative areas take its place. Only parts that are present are joined, so the text never
// starts with a separator.
QString getReadablePlaceName(const Placemark& place);

} // namespace pelnix::PlacemarkAdditions
