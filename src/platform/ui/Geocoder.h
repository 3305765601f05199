#pragma once

#include "MapView.h"
#include "platform/PLError.h"

#include <QList>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

namespace pelnix::platform::ui {

// A place found by the geocoder.
struct Placemark {
    Coordinate coordinate;
    QString name;
    QString thoroughfare;
    QString subLocality;
    QString locality;
    QString subAdministrativeArea;
    QString administrativeArea;
    QString postalCode;
    QString country;
    QString isoCountryCode;
    QStringList addressLines;
    bool operator==(const Placemark&) const = default;
};

// Turning coordinates into places and addresses into coordinates. By default every request answers
// "not available"; HttpGeocoder speaks to a geocoding server, a host may install its own with
// setCurrent(), tests a FakeGeocoder. Answers come later on the main thread, never inside the call.
class Geocoder {
public:
    using Completion =
        std::function<void(const QList<Placemark>& placemarks, const std::optional<PLError>& error)>;
    static constexpr const char* ErrorDomain = "kCLErrorDomain";
    enum ErrorCode { NetworkError = 2, NoResultError = 8, CanceledError = 10 };

    virtual ~Geocoder() = default;
    static Geocoder* current();
    // Installs `geocoder` (null: none, every request fails) for the whole process.
    static void setCurrent(std::unique_ptr<Geocoder> geocoder);
    // Whether setCurrent() installed one.
    static bool isInstalled();
    // The geocoder that answers every request with "not available".
    static Geocoder* unavailable();

    virtual void reverseGeocode(const Coordinate& coordinate, Completion completion) = 0;
    virtual void geocodeAddress(const QString& address, Completion completion) = 0;
};

} // namespace pelnix::platform::ui
