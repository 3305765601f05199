#include "MapService.h"

#include "Gazetteer.h"
#include "MapTileRenderer.h"

#include <QJsonDocument>
#include <QString>

#include <algorithm>
#include <cmath>

namespace pelnix::standin {

namespace {

using httplib::Request;
using httplib::Response;

void answerJson(Response& response, const QJsonDocument& document) {
    response.set_content(document.toJson(QJsonDocument::Compact).toStdString(), "application/json");
}

// Whether the request asks for JSON (the default); answers 400 otherwise.
bool wantsJson(const Request& request, Response& response) {
    const std::string format = request.has_param("format") ? request.get_param_value("format") : "json";
    if (format == "json" || format == "jsonv2")
        return true;
    response.status = 400;
    answerJson(response, QJsonDocument(QJsonObject{{"error", "Only format=json is served here"}}));
    return false;
}

bool readNumber(const Request& request, const char* name, double& value) {
    if (!request.has_param(name))
        return false;
    bool ok = false;
    value = QString::fromStdString(request.get_param_value(name)).toDouble(&ok);
    return ok && std::isfinite(value);
}

} // namespace

void MapService::install(httplib::Server& http) {
    http.Get(R"(/tiles/(\d{1,2})/(\d{1,7})/(\d{1,7})\.png)", m_guard([](const Request& q, Response& r) {
                 const QByteArray png = MapTileRenderer::png(std::stoi(q.matches[1]), std::stoi(q.matches[2]),
                                                             std::stoi(q.matches[3]));
                 if (png.isEmpty()) {
                     r.status = 404;
                     r.set_content("No such tile", "text/plain");
                     return;
                 }
                 r.set_header("Cache-Control", "max-age=86400");
                 r.set_content(png.toStdString(), "image/png");
             }));
    http.Get("/geocoder/search", m_guard([](const Request& q, Response& r) {
                 if (!wantsJson(q, r))
                     return;
                 int limit = 10;
                 if (q.has_param("limit"))
                     limit = std::clamp(QString::fromStdString(q.get_param_value("limit")).toInt(), 1, 50);
                 const QString text = QString::fromStdString(q.get_param_value("q"));
                 answerJson(r, QJsonDocument(Gazetteer::search(text, limit)));
             }));
    http.Get("/geocoder/reverse", m_guard([](const Request& q, Response& r) {
                 if (!wantsJson(q, r))
                     return;
                 double latitude = 0;
                 double longitude = 0;
                 if (!readNumber(q, "lat", latitude) || !readNumber(q, "lon", longitude) ||
                     std::abs(latitude) > 90 || std::abs(longitude) > 180) {
                     r.status = 400;
                     answerJson(r, QJsonDocument(QJsonObject{{"error", "Invalid coordinates"}}));
                     return;
                 }
                 answerJson(r, QJsonDocument(Gazetteer::reverse(latitude, longitude)));
             }));
}

} // namespace pelnix::standin
