#pragma once

#include "platform/ui/Geocoder.h"

#include <QHash>

namespace pelnix::platform::ui {

// Answers from prepared places, on the next turn of the event loop, and records every request.
// An address or coordinate with no prepared answer gets the no-result error.
class FakeGeocoder : public Geocoder {
public:
    void reverseGeocode(const Coordinate& coordinate, Completion completion) override;
    void geocodeAddress(const QString& address, Completion completion) override;

    // Reverse answers are matched to the nearest prepared coordinate within `tolerance` degrees.
    QList<std::pair<Coordinate, Placemark>> places;
    double tolerance = 0.001;
    QHash<QString, QList<Placemark>> addresses;
    QList<Coordinate> reverseRequests;
    QStringList addressRequests;
};

} // namespace pelnix::platform::ui
