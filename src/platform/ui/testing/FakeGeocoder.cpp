#include "FakeGeocoder.h"

#include <QCoreApplication>
#include <QTimer>
#include <cmath>

namespace pelnix::platform::ui {

namespace {
void answerLater(Geocoder::Completion completion, QList<Placemark> found) {
    if (!completion)
        return;
    QTimer::singleShot(0, qApp, [completion, found] {
        if (found.isEmpty())
            completion({}, PLError(QString::fromLatin1(Geocoder::ErrorDomain), Geocoder::NoResultError,
                                   QStringLiteral("No result.")));
        else
            completion(found, std::nullopt);
    });
}
} // namespace

void FakeGeocoder::reverseGeocode(const Coordinate& coordinate, Completion completion) {
    reverseRequests << coordinate;
    QList<Placemark> found;
    double best = tolerance;
    for (const auto& [where, place] : places) {
        const double distance =
            std::hypot(where.latitude - coordinate.latitude, where.longitude - coordinate.longitude);
        if (distance <= best) {
            best = distance;
            found = {place};
        }
    }
    answerLater(std::move(completion), found);
}

void FakeGeocoder::geocodeAddress(const QString& address, Completion completion) {
    addressRequests << address;
    answerLater(std::move(completion), addresses.value(address.trimmed()));
}

} // namespace pelnix::platform::ui
