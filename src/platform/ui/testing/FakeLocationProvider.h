#pragma once

#include "platform/ui/LocationProvider.h"

namespace pelnix::platform::ui {

// A position the test moves: the permission answer is prepared, fixes are delivered by hand.
class FakeLocationProvider : public LocationProvider {
    Q_OBJECT
public:
    explicit FakeLocationProvider(QObject* parent = nullptr) : LocationProvider(parent) {}

    AuthorizationStatus authorizationStatus() const override { return status; }
    void requestAuthorization() override {
        ++authorizationRequests;
        if (status == AuthorizationStatus::NotDetermined && answer != status) {
            status = answer;
            emit authorizationChanged(status);
        }
    }
    void startUpdatingLocation() override { updating = true; }
    void stopUpdatingLocation() override { updating = false; }
    bool isUpdating() const override { return updating; }
    std::optional<Location> location() const override { return last; }

    // Delivered only while updating, as a real source does.
    void deliver(const Location& fix) {
        if (!updating)
            return;
        last = fix;
        emit locationUpdated(fix);
    }

    AuthorizationStatus status = AuthorizationStatus::NotDetermined;
    AuthorizationStatus answer = AuthorizationStatus::Authorized;
    int authorizationRequests = 0;
    bool updating = false;
    std::optional<Location> last;
};

} // namespace pelnix::platform::ui
