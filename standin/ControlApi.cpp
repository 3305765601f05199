#include "ControlApi.h"

#include "FormCodec.h"
#include "StandinServer.h"

#include <QJsonDocument>

#include <optional>

namespace pelnix::standin {

namespace {

using httplib::Request;
using httplib::Response;

void sendJson(Response& response, const QJsonValue& value, int status = 200) {
    response.status = status;
    const QJsonDocument document =
        value.isArray() ? QJsonDocument(value.toArray()) : QJsonDocument(value.toObject());
    response.set_content(document.toJson(QJsonDocument::Compact).toStdString(), "application/json");
}

// Read as a URL typed or pasted by hand: "erin+tag@demo.test" is that address, not "erin tag@...".
QJsonObject query(const Request& request) {
    return FormCodec::parseQuery(FormCodec::queryOf(request.target));
}

// Nothing when the body is not a JSON object.
std::optional<QJsonObject> bodyObject(const Request& request) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(request.body), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return document.object();
}

void refuseMalformed(Response& response) {
    sendJson(response, QJsonObject{{"error", "the body must be a JSON object"}}, 400);
}

const QJsonObject kOk{{"ok", true}};

} // namespace

void ControlApi::install(httplib::Server& http) {
    StandinServer& server = m_server;
    const RouteGuard& guard = m_guard;
    http.Post("/_ctl/reset", guard.withBody([&server](const Request&, Response& r) {
        server.reset();
        sendJson(r, kOk);
    }));
    http.Post("/_ctl/users", guard.withBody([&server](const Request& q, Response& r) {
        const auto description = bodyObject(q);
        if (!description)
            return refuseMalformed(r);
        const QJsonObject result = server.seed(*description);
        sendJson(r, result, result.contains("error") ? 400 : 200);
    }));
    http.Get("/_ctl/otp", guard([&server](const Request& q, Response& r) {
                 const QString address = query(q).value("email").toString();
                 const std::string email = address.toStdString();
                 const QString otp = QString::fromStdString(server.otp(email));
                 const QString smsCode = QString::fromStdString(server.smsCode(email));
                 // An empty code with 200 reads as a code to whoever pastes the line: a mistyped
                 // address, or one that never asked, is told so.
                 if (otp.isEmpty() && smsCode.isEmpty())
                     return sendJson(r,
                                     QJsonObject{{"error", QStringLiteral("no code is pending for \"%1\"; "
                                                                          "sign up with that address first")
                                                               .arg(address)}},
                                     404);
                 sendJson(r, QJsonObject{{"otp", otp}, {"smsCode", smsCode}});
             }));
    http.Delete("/_ctl/otp", guard([&server](const Request& q, Response& r) {
                    server.unlockOtp(query(q).value("email").toString().toStdString());
                    sendJson(r, kOk);
                }));
    http.Post("/_ctl/event", guard.withBody([&server](const Request& q, Response& r) {
        const QJsonObject params = query(q);
        const qint64 user = params.value("user").toString().toLongLong();
        if (params.value("raw").toString() == "1" || params.value("raw").toString() == "true") {
            server.injectRaw(user, q.body, std::max(1, params.value("parts").toString().toInt()),
                             params.value("pauseMs").toString().toInt());
            return sendJson(r, kOk);
        }
        const auto event = bodyObject(q);
        if (!event)
            return refuseMalformed(r);
        sendJson(r, server.injectEvent(user, *event));
    }));
    http.Post("/_ctl/fault", guard.withBody([&server](const Request& q, Response& r) {
        const auto parsed = bodyObject(q);
        if (!parsed)
            return refuseMalformed(r);
        const QJsonObject& body = *parsed;
        const auto mode = FaultInjector::modeFromName(body.value("mode").toString().toStdString());
        if (!mode)
            return sendJson(r, QJsonObject{{"error", "unknown mode"}}, 400);
        StandinServer::Fault fault;
        fault.pathPattern = body.value("path").toString().toStdString();
        fault.method = body.value("method").toString().toStdString();
        fault.count = body.value("count").toInt(1);
        fault.mode = *mode;
        fault.delayMs = body.value("delayMs").toInt();
        fault.statusCode = body.value("statusCode").toInt(500);
        fault.reason = body.value("reason").toString("injected").toStdString();
        fault.body = body.value("body").toString().toStdString();
        fault.contentType = body.value("contentType").toString("application/json").toStdString();
        if (!server.addFault(fault))
            return sendJson(r, QJsonObject{{"error", "invalid path pattern"}}, 400);
        sendJson(r, kOk);
    }));
    http.Post("/_ctl/faults/clear", guard.withBody([&server](const Request&, Response& r) {
        server.clearFaults();
        sendJson(r, kOk);
    }));
    http.Post("/_ctl/release", guard.withBody([&server](const Request&, Response& r) {
        server.releaseHeld();
        sendJson(r, kOk);
    }));
    http.Get("/_ctl/held", guard([&server](const Request&, Response& r) {
                 sendJson(r, QJsonObject{{"held", server.heldCount()}});
             }));
    http.Post("/_ctl/close-streams", guard.withBody([&server](const Request&, Response& r) {
        server.closeStreams();
        sendJson(r, kOk);
    }));
    http.Get("/_ctl/streams", guard([&server](const Request& q, Response& r) {
                 sendJson(r, QJsonObject{{"open", server.openStreams(
                                                      query(q).value("user").toString().toLongLong())}});
             }));
    http.Get("/_ctl/log", guard([&server](const Request&, Response& r) {
                 QJsonArray list;
                 for (const auto& entry : server.requestLog()) {
                     QJsonObject headers;
                     for (const auto& [name, value] : entry.headers)
                         headers.insert(QString::fromStdString(name), QString::fromStdString(value));
                     list.append(QJsonObject{{"server", QString::fromStdString(entry.server)},
                                             {"method", QString::fromStdString(entry.method)},
                                             {"path", QString::fromStdString(entry.path)},
                                             {"query", QString::fromStdString(entry.query)},
                                             {"headers", headers},
                                             {"body", QString::fromStdString(entry.body)},
                                             {"status", entry.status},
                                             {"response", QString::fromStdString(entry.responseBody)}});
                 }
                 sendJson(r, list);
             }));
    http.Post("/_ctl/log/clear", guard.withBody([&server](const Request&, Response& r) {
        server.clearRequestLog();
        sendJson(r, kOk);
    }));
    http.Get("/_ctl/messages", guard([&server](const Request& q, Response& r) {
                 sendJson(r, server.storedMessages(query(q).value("room").toString().toStdString()));
             }));
    http.Post("/_ctl/remove-user", guard.withBody([&server](const Request& q, Response& r) {
        const bool removed = server.removeUser(query(q).value("id").toString().toLongLong());
        sendJson(r, QJsonObject{{"ok", removed}}, removed ? 200 : 404);
    }));
    http.Post("/_ctl/userconfig", guard.withBody([&server](const Request& q, Response& r) {
        const auto props = bodyObject(q);
        if (!props)
            return refuseMalformed(r);
        server.setUserConfigProps(*props);
        sendJson(r, kOk);
    }));
    http.Post("/_ctl/s3key", guard.withBody([&server](const Request& q, Response& r) {
        const auto parsed = bodyObject(q);
        if (!parsed)
            return refuseMalformed(r);
        const QJsonObject& body = *parsed;
        server.addStorageKey(body.value("ak").toString().toStdString(),
                             body.value("sk").toString().toStdString(),
                             body.value("st").toString().toStdString());
        sendJson(r, kOk);
    }));
    http.Get("/_ctl/invitations",
             guard([&server](const Request&, Response& r) { sendJson(r, server.invitations()); }));
}

} // namespace pelnix::standin
