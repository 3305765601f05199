#include "HttpGeocoder.h"

#include "Scheduler.h"
#include "platform/BoundedFetcher.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLoggingCategory>
#include <QNetworkRequest>
#include <QThread>
#include <QUrlQuery>

namespace pelnix::platform::ui {

using platform::BoundedFetcher;

Q_LOGGING_CATEGORY(lcGeocoder, "pelnix.ui.geocoder", QtWarningMsg)

namespace {

PLError failure(int code, const QString& text) {
    return PLError(QString::fromLatin1(Geocoder::ErrorDomain), code, text);
}

QString firstOf(const QJsonObject& object, std::initializer_list<const char*> keys) {
    for (const char* key : keys)
        if (const QString value = object.value(QLatin1String(key)).toString(); !value.isEmpty())
            return value;
    return {};
}

double number(const QJsonValue& value) {
    return value.isString() ? value.toString().toDouble() : value.toDouble();
}

// Every answer in one list: an array of places, one place, or none.
std::pair<QList<Placemark>, std::optional<PLError>> readAnswer(const QByteArray& body) {
    QJsonParseError parse{};
    const QJsonDocument document = QJsonDocument::fromJson(body, &parse);
    if (parse.error != QJsonParseError::NoError)
        return {{},
                failure(Geocoder::NetworkError, QStringLiteral("The geocoding service answered "
                                                               "something unreadable."))};
    QJsonArray places;
    if (document.isArray())
        places = document.array();
    else if (document.isObject() && !document.object().contains(QLatin1String("error")))
        places.append(document.object());
    QList<Placemark> found;
    for (const QJsonValue& place : std::as_const(places))
        if (place.isObject() && place.toObject().contains(QLatin1String("lat")))
            found << HttpGeocoder::placemarkFromJson(place.toObject());
    if (found.isEmpty())
        return {{}, failure(Geocoder::NoResultError, QStringLiteral("No result."))};
    return {found, std::nullopt};
}

// Runs the requests on the geocoder's thread.
class GeocoderWorker : public QObject {
public:
    using Done = std::function<void(QList<Placemark>, std::optional<PLError>)>;

    GeocoderWorker() : m_fetcher(new BoundedFetcher(this)) {}

    void get(quint64 id, const QUrl& url, Done done) {
        QNetworkRequest request(url);
        request.setTransferTimeout(HttpGeocoder::kTimeoutMs);
        request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("Pelnix"));
        request.setRawHeader("Accept", "application/json");
        m_fetcher->get(
            id, request, HttpGeocoder::kMaximumAnswerBytes, [done](const BoundedFetcher::Answer& answer) {
                if (answer.outcome == BoundedFetcher::Answer::Outcome::Cancelled) {
                    done({}, failure(Geocoder::CanceledError, QStringLiteral("The request was cancelled.")));
                    return;
                }
                if (!answer.isOk()) {
                    qCDebug(lcGeocoder) << "geocoding failed:" << answer.status << answer.reason;
                    done({}, failure(Geocoder::NetworkError,
                                     QStringLiteral("The geocoding service could not be reached.")));
                    return;
                }
                auto [found, error] = readAnswer(answer.body);
                done(std::move(found), std::move(error));
            });
    }
    void abort(quint64 id) { m_fetcher->abort(id); }

private:
    BoundedFetcher* m_fetcher;
};

} // namespace

HttpGeocoder::HttpGeocoder(const QUrl& serviceURL) : m_service(serviceURL) {
    // Relative paths resolve below the service's own folder.
    if (!m_service.path().endsWith(QLatin1Char('/')))
        m_service.setPath(m_service.path() + QLatin1Char('/'));
    m_thread.setObjectName(QStringLiteral("Geocoder"));
    m_worker = new GeocoderWorker;
    m_worker->moveToThread(&m_thread);
    // Deleted on its own thread as the thread ends, with its network manager and open replies.
    QObject::connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    m_thread.start();
}

HttpGeocoder::~HttpGeocoder() {
    m_thread.quit();
    m_thread.wait();
}

bool HttpGeocoder::isUsableURL(const QUrl& url) {
    return url.isValid() && !url.host().isEmpty() &&
           (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https"));
}

void HttpGeocoder::reverseGeocode(const Coordinate& coordinate, Completion completion) {
    QUrl url = m_service.resolved(QUrl(QStringLiteral("reverse")));
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("lat"), QString::number(coordinate.latitude, 'f', 7));
    query.addQueryItem(QStringLiteral("lon"), QString::number(coordinate.longitude, 'f', 7));
    query.addQueryItem(QStringLiteral("format"), QStringLiteral("json"));
    query.addQueryItem(QStringLiteral("addressdetails"), QStringLiteral("1"));
    url.setQuery(query);
    request(url, std::move(completion));
}

void HttpGeocoder::geocodeAddress(const QString& address, Completion completion) {
    QUrl url = m_service.resolved(QUrl(QStringLiteral("search")));
    // Encoded here whole, so "&", "+" or "#" in the text stay part of it.
    url.setQuery(QStringLiteral("q=") + QString::fromLatin1(QUrl::toPercentEncoding(address.trimmed())) +
                 QStringLiteral("&format=json&addressdetails=1&limit=") + QString::number(kSearchLimit));
    request(url, std::move(completion));
}

void HttpGeocoder::request(const QUrl& url, Completion completion) {
    // The deadline runs on the scheduler, which lives on the main thread.
    Q_ASSERT(QThread::currentThread() == qApp->thread());
    struct Pending {
        Completion completion;
        Scheduler::Id deadline = 0;
        bool answered = false;
    };
    const auto pending = std::make_shared<Pending>();
    pending->completion = std::move(completion);
    // Whichever comes first, the answer or the deadline, is the one the caller hears.
    const auto answer = [pending](const QList<Placemark>& found, const std::optional<PLError>& error) {
        if (pending->answered)
            return;
        pending->answered = true;
        Scheduler::shared()->cancel(pending->deadline);
        if (pending->completion)
            pending->completion(found, error);
    };
    const quint64 id = ++m_nextRequest;
    auto* worker = static_cast<GeocoderWorker*>(m_worker);
    pending->deadline = Scheduler::shared()->performAfter(&m_context, kTimeoutMs, [answer, worker, id] {
        qCDebug(lcGeocoder) << "geocoding did not answer in time";
        answer({}, failure(Geocoder::NetworkError,
                           QStringLiteral("The geocoding service did not answer in time.")));
        QMetaObject::invokeMethod(
            worker, [worker, id] { worker->abort(id); }, Qt::QueuedConnection);
    });
    QMetaObject::invokeMethod(
        worker,
        [worker, id, url, answer] {
            worker->get(id, url, [answer](QList<Placemark> found, std::optional<PLError> error) {
                QMetaObject::invokeMethod(
                    qApp, [answer, found, error] { answer(found, error); }, Qt::QueuedConnection);
            });
        },
        Qt::QueuedConnection);
}

Placemark HttpGeocoder::placemarkFromJson(const QJsonObject& place) {
    const QJsonObject address = place.value(QLatin1String("address")).toObject();
    Placemark mark;
    mark.coordinate = {number(place.value(QLatin1String("lat"))), number(place.value(QLatin1String("lon")))};
    mark.thoroughfare = firstOf(address, {"road", "pedestrian", "footway"});
    mark.subLocality = firstOf(address, {"suburb", "neighbourhood", "quarter", "city_district"});
    mark.locality = firstOf(address, {"city", "town", "village", "hamlet", "municipality"});
    mark.subAdministrativeArea = firstOf(address, {"county", "state_district"});
    mark.administrativeArea = firstOf(address, {"state", "region", "province"});
    mark.postalCode = address.value(QLatin1String("postcode")).toString();
    mark.country = address.value(QLatin1String("country")).toString();
    mark.isoCountryCode = address.value(QLatin1String("country_code")).toString().toUpper();
    const QString display = place.value(QLatin1String("display_name")).toString();
    for (const QString& line : display.split(QLatin1Char(','), Qt::SkipEmptyParts))
        mark.addressLines << line.trimmed();
    // The place's own name; else its street with the number; else the first part of the display name.
    mark.name = place.value(QLatin1String("name")).toString();
    if (mark.name.isEmpty()) {
        const QString number = address.value(QLatin1String("house_number")).toString();
        mark.name = number.isEmpty() || mark.thoroughfare.isEmpty()
                        ? mark.thoroughfare
                        : number + QLatin1Char(' ') + mark.thoroughfare;
    }
    if (mark.name.isEmpty() && !mark.addressLines.isEmpty())
        mark.name = mark.addressLines.first();
    return mark;
}

} // namespace pelnix::platform::ui
