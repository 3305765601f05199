#pragma once

#include "Geocoder.h"

#include <QJsonObject>
#include <QThread>
#include <QUrl>

namespace pelnix::platform::ui {

// A geocoder over the JSON API of the common open geocoding servers, below a service URL S:
//   GET S"search?q=<text>&format=json&addressdetails=1" answers an array of places;
//   GET S"reverse?lat=<lat>&lon=<lon>&format=json&addressdetails=1" answers one place, or an object
//   with "error" when nothing is near.
// A place holds "lat" and "lon" (decimal texts), "display_name", and "address" {"road", "suburb",
// "city", "county", "state", "postcode", "country", "country_code", ...}. Requests run on a thread of
// the geocoder's own; answers come on the main thread. A server that cannot be reached, answers
// something unreadable, more than kMaximumAnswerBytes, or nothing whole within kTimeoutMs of the
// request (on the screen layer's scheduler clock) gives NetworkError, an empty answer NoResultError.
// Requests are made on the main thread.
class HttpGeocoder : public Geocoder {
public:
    // The whole request, however the answer trickles in.
    static constexpr int kTimeoutMs = 15000;
    static constexpr qint64 kMaximumAnswerBytes = 1024 * 1024;
    static constexpr int kSearchLimit = 10;

    explicit HttpGeocoder(const QUrl& serviceURL);
    ~HttpGeocoder() override;

    // An http or https URL with a host.
    static bool isUsableURL(const QUrl& url);
    QUrl serviceURL() const { return m_service; }

    void reverseGeocode(const Coordinate& coordinate, Completion completion) override;
    void geocodeAddress(const QString& address, Completion completion) override;

    // One place of an answer.
    static Placemark placemarkFromJson(const QJsonObject& place);

private:
    void request(const QUrl& url, Completion completion);

    QUrl m_service;
    // The deadlines' owner: they end with the geocoder.
    QObject m_context;
    quint64 m_nextRequest = 0;
    QThread m_thread;
    QObject* m_worker = nullptr; // lives on m_thread
};

} // namespace pelnix::platform::ui
