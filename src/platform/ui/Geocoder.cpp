#include "Geocoder.h"

#include <QCoreApplication>
#include <QTimer>

namespace pelnix::platform::ui {

namespace {

// What answers when no geocoding service is installed.
class UnavailableGeocoder : public Geocoder {
public:
    void reverseGeocode(const Coordinate&, Completion completion) override { answer(std::move(completion)); }
    void geocodeAddress(const QString&, Completion completion) override { answer(std::move(completion)); }

private:
    static void answer(Completion completion) {
        if (!completion)
            return;
        QTimer::singleShot(0, qApp, [completion] {
            completion({}, PLError(QString::fromLatin1(ErrorDomain), NetworkError,
                                   QStringLiteral("No geocoding service is available.")));
        });
    }
};

std::unique_ptr<Geocoder>& installed() {
    static std::unique_ptr<Geocoder> geocoder;
    return geocoder;
}

} // namespace

Geocoder* Geocoder::current() {
    return installed() ? installed().get() : unavailable();
}

bool Geocoder::isInstalled() {
    return installed() != nullptr;
}

Geocoder* Geocoder::unavailable() {
    static UnavailableGeocoder none;
    return &none;
}

void Geocoder::setCurrent(std::unique_ptr<Geocoder> geocoder) {
    installed() = std::move(geocoder);
}

} // namespace pelnix::platform::ui
