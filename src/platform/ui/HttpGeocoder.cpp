#include "HttpGeocoder.h"

#include <QCoreApplication>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLoggingCategory>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QUrlQuery>

namespace pelnix::platform::ui {

Q_LOGGING_CATEGORY(lcGeocoder, "pelnix.ui.geocoder")

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

// Runs the requests on the geocoder's thread, with a network manager made there.
class GeocoderWorker : public QObject {
public:
    using Done = std::function<void(QList<Placemark>, std::optional<PLError>)>;

    // Requests still open when the geocoder goes are answered as cancelled, so no caller waits for good.
    ~GeocoderWorker() override {
        for (const Done& done : std::as_const(m_open))
            done({}, failure(Geocoder::CanceledError, QStringLiteral("The request was cancelled.")));
    }

    void get(const QUrl& url, Done done) {
        if (!m_network)
            m_network = new QNetworkAccessManager(this);
        QNetworkRequest request(url);
        request.setTransferTimeout(HttpGeocoder::kTimeoutMs);
        request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("Pelnix"));
        request.setRawHeader("Accept", "application/json");
        QNetworkReply* reply = m_network->get(request);
        m_open.insert(reply, done);
        connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64) {
            if (received > HttpGeocoder::kMaximumAnswerBytes)
                reply->abort();
        });
        connect(reply, &QNetworkReply::finished, this, [this, reply, done] {
            m_open.remove(reply);
            reply->deleteLater();
            const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            if (reply->error() != QNetworkReply::NoError || status != 200) {
                qCDebug(lcGeocoder) << "geocoding failed:" << status << reply->errorString();
                done({}, failure(Geocoder::NetworkError,
                                 QStringLiteral("The geocoding service could not be reached.")));
                return;
            }
            auto [found, error] = readAnswer(reply->readAll());
            done(std::move(found), std::move(error));
        });
    }

private:
    QNetworkAccessManager* m_network = nullptr;
    QHash<QNetworkReply*, Done> m_open;
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
    auto* worker = static_cast<GeocoderWorker*>(m_worker);
    QMetaObject::invokeMethod(
        worker,
        [worker, url, completion = std::move(completion)] {
            worker->get(url, [completion](QList<Placemark> found, std::optional<PLError> error) {
                if (!completion)
                    return;
                QMetaObject::invokeMethod(
                    qApp, [completion, found, error] { completion(found, error); }, Qt::QueuedConnection);
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
