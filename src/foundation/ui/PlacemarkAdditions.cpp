#include "PlacemarkAdditions.h"

#include <QStringList>

namespace pelnix::PlacemarkAdditions {

QString getReadablePlaceName(const Placemark& place) {
    QStringList parts{place.name, place.subLocality};
    if (place.isoCountryCode == QLatin1String("IN") && place.locality.isEmpty())
        parts << place.subAdministrativeArea << place.administrativeArea;
    else
        parts << place.locality;
    parts.removeAll(QString());
    return parts.join(QStringLiteral(", "));
}

} // namespace pelnix::PlacemarkAdditions
