#include "SmartFixtures.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace pelnix::standin::SmartFixtures {

namespace {

struct Sheet {
    const char* name;
    const char* category;
    const char* file;
};

constexpr Sheet kSheets[] = {
    {"poll", "form", "poll.xsl"},         {"poll", "detailform", "poll-details.xsl"},
    {"location", "form", "location.xsl"}, {"contact", "form", "contact.xsl"},
    {"image", "form", "image.xsl"},       {"file", "form", "file.xsl"},
};

QJsonObject sheetJson(const Sheet& sheet) {
    return QJsonObject{{"name", sheet.name},
                       {"category", sheet.category},
                       {"data", QString::fromUtf8(fixture(QString::fromLatin1(sheet.file)))}};
}

void sendJson(httplib::Response& response, const QJsonObject& object, int status = 200) {
    response.status = status;
    response.set_content(QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString(),
                         "application/json");
}

} // namespace

QByteArray fixture(const QString& file) {
    QFile f(QStringLiteral(":/standin/smart/") + file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void answer(const httplib::Request& request, httplib::Response& response) {
    const std::string& path = request.path;
    if (path == "/xslt") {
        QJsonArray sheets;
        for (const Sheet& sheet : kSheets)
            sheets.append(sheetJson(sheet));
        sendJson(response, QJsonObject{{"stylesheets", sheets}});
    } else if (path.rfind("/xslt/", 0) == 0) {
        const std::string name = request.matches.size() > 1 ? request.matches[1].str() : std::string();
        const std::string category = request.has_param("category") ? request.get_param_value("category") : "";
        for (const Sheet& sheet : kSheets) {
            if (name == sheet.name && (category.empty() || category == sheet.category)) {
                sendJson(response, sheetJson(sheet));
                return;
            }
        }
        sendJson(response,
                 QJsonObject{{"error", "notFound"}, {"reason", "No such stylesheet."}, {"statusCode", 404}},
                 404);
    } else if (path == "/forms") {
        sendJson(response, QJsonDocument::fromJson(fixture(QStringLiteral("forms.json"))).object());
    } else if (path == "/chatlets") {
        QJsonObject catalogue = QJsonDocument::fromJson(fixture(QStringLiteral("chatlets.json"))).object();
        catalogue.insert("version", QString::fromStdString(request.get_param_value("version")).toLongLong());
        sendJson(response, catalogue);
    } else {
        sendJson(response,
                 QJsonObject{{"error", "notFound"}, {"reason", "No such resource."}, {"statusCode", 404}},
                 404);
    }
}

} // namespace pelnix::standin::SmartFixtures
