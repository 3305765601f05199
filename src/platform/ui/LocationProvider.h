#pragma once

#include "Location.h"
#include "platform/PLError.h"

#include <QObject>
#include <functional>
#include <optional>

namespace pelnix::platform::ui {

// The device's position as the location screens use it: a permission state, start and stop, and
// updates. create() makes the process's kind (the system's positioning source unless another
// maker is installed); tests install a FakeLocationProvider maker, the demo an NMEA replay.
class LocationProvider : public QObject {
    Q_OBJECT
public:
    // The numbering of the system's authorisation states.
    enum class AuthorizationStatus { NotDetermined = 0, Restricted = 1, Denied = 2, Authorized = 3 };
    using Maker = std::function<LocationProvider*(QObject* parent)>;
    static constexpr const char* ErrorDomain = "kCLErrorDomain";
    enum ErrorCode { LocationUnknownError = 0, DeniedError = 1 };

    static LocationProvider* create(QObject* parent = nullptr);
    static void setMaker(Maker maker);

    explicit LocationProvider(QObject* parent = nullptr) : QObject(parent) {}

    virtual AuthorizationStatus authorizationStatus() const = 0;
    // Asks once while the state is not determined; the answer comes through authorizationChanged.
    virtual void requestAuthorization() = 0;
    virtual void startUpdatingLocation() = 0;
    virtual void stopUpdatingLocation() = 0;
    virtual bool isUpdating() const = 0;
    // The last fix, if any came.
    virtual std::optional<Location> location() const = 0;

signals:
    void authorizationChanged(pelnix::platform::ui::LocationProvider::AuthorizationStatus status);
    void locationUpdated(const pelnix::platform::ui::Location& location);
    void failed(const pelnix::PLError& error);
};

} // namespace pelnix::platform::ui
