#include "MessagingApi.h"

#include "FormCodec.h"
#include "SmartFixtures.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QRandomGenerator>
#include <QtEndian>

#include <chrono>
#include <thread>

namespace pelnix::standin {

namespace {

using httplib::Request;
using httplib::Response;
using User = StandinStore::User;

constexpr const char* kJson = "application/json";

std::string compact(const QJsonObject& object) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString();
}

std::string compact(const QJsonArray& array) {
    return QJsonDocument(array).toJson(QJsonDocument::Compact).toStdString();
}

void sendJson(Response& response, const QJsonObject& object, int status = 200) {
    response.status = status;
    response.set_content(compact(object), kJson);
}

void sendJson(Response& response, const QJsonArray& array) {
    response.status = 200;
    response.set_content(compact(array), kJson);
}

void sendError(Response& response, const StandinStore::Error& error) {
    RouteGuard::errorEnvelope(response, error.status, error.code.toStdString(), error.reason.toStdString());
}

const QJsonObject kSuccessful{{"successful", 1}};

// Query and body parameters together; the body wins for a key in both.
QJsonObject parameters(const Request& request) {
    QJsonObject values = FormCodec::parse(FormCodec::queryOf(request.target));
    const QJsonObject body = FormCodec::parse(request.body);
    for (auto it = body.begin(); it != body.end(); ++it)
        values.insert(it.key(), it.value());
    return values;
}

QString match(const Request& request, size_t index) {
    return QString::fromStdString(request.matches[index].str());
}

// The account API's failure envelope; the screens look for its "msg" texts.
void accountError(Response& response, const QString& message, int status = 400) {
    sendJson(response, QJsonObject{{"response", QJsonObject{{"error", QJsonObject{{"msg", message}}}}}},
             status);
}

void accountSuccess(Response& response, const QJsonObject& success) {
    sendJson(response, QJsonObject{{"response", QJsonObject{{"success", success}}}});
}

quint32 crc32(const QByteArray& data) {
    quint32 crc = 0xFFFFFFFFu;
    for (unsigned char byte : data) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// A small opaque PNG of one colour, for the co-branding images.
QByteArray placeholderPng(int size, quint32 rgba) {
    auto chunk = [](const char* type, const QByteArray& payload) {
        QByteArray out(4, '\0');
        qToBigEndian<quint32>(quint32(payload.size()), out.data());
        const QByteArray typed = QByteArray(type) + payload;
        QByteArray crc(4, '\0');
        qToBigEndian<quint32>(crc32(typed), crc.data());
        return out + typed + crc;
    };
    QByteArray header(13, '\0');
    qToBigEndian<quint32>(quint32(size), header.data());
    qToBigEndian<quint32>(quint32(size), header.data() + 4);
    header[8] = 8; // bit depth
    header[9] = 6; // RGBA
    QByteArray raw;
    QByteArray pixel(4, '\0');
    qToBigEndian<quint32>(rgba, pixel.data());
    for (int y = 0; y < size; ++y) {
        raw.append('\0'); // no filter
        for (int x = 0; x < size; ++x)
            raw.append(pixel);
    }
    const QByteArray zlib = qCompress(raw).mid(4); // qCompress prefixes the length
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", header) + chunk("IDAT", zlib) +
           chunk("IEND", QByteArray());
}

} // namespace

std::optional<User> MessagingApi::authorised(const Request& request) const {
    const std::string value = request.get_header_value("Authorization");
    const std::string prefix = "Tavrix ";
    const std::string suffix = ":echat";
    if (value.rfind(prefix, 0) != 0 || value.size() < prefix.size() + suffix.size() ||
        value.compare(value.size() - suffix.size(), suffix.size(), suffix) != 0)
        return std::nullopt;
    const std::string pair = value.substr(prefix.size(), value.size() - prefix.size() - suffix.size());
    const size_t colon = pair.find(':');
    if (colon == std::string::npos)
        return std::nullopt;
    bool ok = false;
    const qint64 userId = QString::fromStdString(pair.substr(0, colon)).toLongLong(&ok);
    if (!ok || userId <= 0)
        return std::nullopt;
    return m_context.store.authenticate(userId, QString::fromStdString(pair.substr(colon + 1)));
}

void MessagingApi::privateCall(const Request& request, Response& response,
                               const std::function<void(const User&)>& body) const {
    const auto user = authorised(request);
    if (!user) {
        RouteGuard::errorEnvelope(response, 401, "NotAuthenticated", "Invalid credentials.");
        return;
    }
    body(*user);
}

void MessagingApi::refuseBody(const Request&, Response& response, RequestBody::Outcome outcome) {
    switch (outcome) {
    case RequestBody::Outcome::TooLarge:
        return RouteGuard::errorEnvelope(response, 413, "entityTooLarge",
                                         "The request body is larger than the service accepts.");
    case RequestBody::Outcome::Unsupported:
        return RouteGuard::errorEnvelope(response, 415, "unsupportedMediaType",
                                         "Multipart bodies are not accepted.");
    case RequestBody::Outcome::Unreadable:
    case RequestBody::Outcome::Complete:
        return RouteGuard::errorEnvelope(response, 400, "incompleteBody", "The request body ended early.");
    }
}

void MessagingApi::install(httplib::Server& server) {
    StandinStore& store = m_context.store;
    const RouteGuard& guard = m_guard;

    server.Post("/api/public", guard.withBody([this](const Request& q, Response& r) { publicApi(q, r); }));
    server.Get("/api/public", guard([this](const Request& q, Response& r) { publicApi(q, r); }));

    server.Get("/rooms/lite", guard([this, &store](const Request& q, Response& r) {
                   privateCall(q, r, [&](const User& user) { sendJson(r, store.roomsOf(user.id)); });
               }));
    server.Post("/rooms/?", guard.withBody([this, &store](const Request& q, Response& r) {
        privateCall(q, r, [&](const User& user) {
            StandinStore::Error error;
            if (auto room = store.createRoom(user.id, parameters(q), error))
                sendJson(r, *room);
            else
                sendError(r, error);
        });
    }));
    server.Get("/rooms/([^/]+)", guard([this, &store](const Request& q, Response& r) {
                   privateCall(q, r, [&](const User& user) {
                       StandinStore::Error error;
                       if (auto room = store.room(match(q, 1), user.id, error))
                           sendJson(r, *room);
                       else
                           sendError(r, error);
                   });
               }));
    server.Delete("/rooms/([^/]+)", guard.withBody([this, &store](const Request& q, Response& r) {
        privateCall(q, r, [&](const User& user) {
            StandinStore::Error error;
            if (store.closeRoom(match(q, 1), user.id, error))
                sendJson(r, kSuccessful);
            else
                sendError(r, error);
        });
    }));
    server.Post("/rooms/([^/]+)/update", guard.withBody([this, &store](const Request& q, Response& r) {
        privateCall(q, r, [&](const User& user) {
            StandinStore::Error error;
            if (auto room = store.updateRoom(match(q, 1), user.id, parameters(q), error))
                sendJson(r, *room);
            else
                sendError(r, error);
        });
    }));
    server.Post("/rooms/([^/]+)/changeadmin", guard.withBody([this, &store](const Request& q, Response& r) {
        privateCall(q, r, [&](const User& user) {
            StandinStore::Error error;
            const qint64 member = parameters(q).value("member").toString().toLongLong();
            if (store.changeAdmin(match(q, 1), user.id, member, error))
                sendJson(r, kSuccessful);
            else
                sendError(r, error);
        });
    }));
    server.Get("/rooms/([^/]+)/invitees", guard([this, &store](const Request& q, Response& r) {
                   privateCall(q, r, [&](const User& user) {
                       StandinStore::Error error;
                       if (auto list = store.invitees(match(q, 1), user.id, error))
                           sendJson(r, *list);
                       else
                           sendError(r, error);
                   });
               }));
    server.Delete("/rooms/([^/]+)/invitees/([^/]+)",
                  guard.withBody([this, &store](const Request& q, Response& r) {
                      privateCall(q, r, [&](const User& user) {
                          StandinStore::Error error;
                          if (store.removeInvitee(match(q, 1), user.id, match(q, 2), error))
                              sendJson(r, kSuccessful);
                          else
                              sendError(r, error);
                      });
                  }));
    server.Get("/rooms/([^/]+)/members/([^/]+)", guard([this, &store](const Request& q, Response& r) {
                   privateCall(q, r, [&](const User& user) {
                       StandinStore::Error error;
                       if (auto details =
                               store.memberDetails(match(q, 1), user.id, match(q, 2).toLongLong(), error))
                           sendJson(r, *details);
                       else
                           sendError(r, error);
                   });
               }));
    server.Delete("/rooms/([^/]+)/members/([^/]+)",
                  guard.withBody([this, &store](const Request& q, Response& r) {
                      privateCall(q, r, [&](const User& user) {
                          StandinStore::Error error;
                          if (store.removeMember(match(q, 1), user.id, match(q, 2).toLongLong(), error))
                              sendJson(r, kSuccessful);
                          else
                              sendError(r, error);
                      });
                  }));
    server.Post("/rooms/([^/]+)/members", guard.withBody([this, &store](const Request& q, Response& r) {
        privateCall(q, r, [&](const User& user) {
            StandinStore::Error error;
            if (auto members = store.addMembers(match(q, 1), user.id, parameters(q), error))
                sendJson(r, *members);
            else
                sendError(r, error);
        });
    }));
    server.Get("/rooms/([^/]+)/messages", guard([this, &store](const Request& q, Response& r) {
                   privateCall(q, r, [&](const User& user) {
                       StandinStore::Error error;
                       if (auto page = store.messagesPage(match(q, 1), user.id, parameters(q), error))
                           sendJson(r, *page);
                       else
                           sendError(r, error);
                   });
               }));
    server.Post("/rooms/([^/]+)/messages", guard.withBody([this, &store](const Request& q, Response& r) {
        privateCall(q, r, [&](const User& user) {
            const QJsonObject form = parameters(q);
            StandinStore::Error error;
            if (auto message =
                    store.postMessage(match(q, 1), user.id, form.value("type").toString(),
                                      form.value("text").toString(), form.value("seqId").toString(), error))
                sendJson(r, *message);
            else
                sendError(r, error);
        });
    }));
    server.Get("/publicrooms", guard([this, &store](const Request& q, Response& r) {
                   privateCall(q, r, [&](const User&) {
                       sendJson(r, store.publicRooms(QString::fromStdString(m_context.baseUrl())));
                   });
               }));
    server.Get("/events", guard([this](const Request& q, Response& r) { eventStream(q, r); }));
    server.Get("/contacts", guard([this, &store](const Request& q, Response& r) {
                   privateCall(q, r, [&](const User& user) {
                       sendJson(
                           r, store.contacts(user.id, parameters(q).value("after").toString().toLongLong()));
                   });
               }));
    server.Get("/users/([^/]+)", guard([this, &store](const Request& q, Response& r) {
                   privateCall(q, r, [&](const User&) {
                       if (auto user = store.userById(match(q, 1).toLongLong()))
                           sendJson(r, store.profileJson(*user));
                       else
                           RouteGuard::errorEnvelope(r, 404, "notFound", "No such user.");
                   });
               }));
    server.Post("/push/([^/]*)", guard.withBody([this, &store](const Request& q, Response& r) {
        privateCall(q, r, [&](const User& user) {
            const QJsonObject form = parameters(q);
            if (match(q, 1).toLongLong() != user.id || form.value("regId").toString().trimmed().isEmpty()) {
                sendJson(r,
                         QJsonObject{{"response", QJsonObject{{"error", "registrationFailed"},
                                                              {"reason", "Invalid device token."}}}},
                         400);
                return;
            }
            store.recordDeviceToken(user.id, form.value("regId").toString(),
                                    form.value("useCert").toString());
            sendJson(r, QJsonObject{{"response", QJsonObject{{"success", "Device registered."}}}});
        });
    }));
    server.Post("/invite", guard.withBody([this](const Request& q, Response& r) { invite(q, r); }));
    for (const char* path : {"/xslt", "/xslt/([^/]+)", "/forms", "/chatlets"}) {
        server.Get(path, guard([this](const Request& q, Response& r) {
                       privateCall(q, r, [&](const User&) { SmartFixtures::answer(q, r); });
                   }));
    }
    server.Get("/s3/token", guard([this, &store](const Request& q, Response& r) {
                   privateCall(q, r, [&](const User&) {
                       const auto key = store.issueStorageKey();
                       const QJsonObject credentials{{"ak", key.access},
                                                     {"sk", key.secret},
                                                     {"st", key.sessionToken},
                                                     {"ep", QString::fromStdString(m_context.s3Endpoint())}};
                       r.set_content(
                           QJsonDocument(credentials).toJson(QJsonDocument::Compact).toBase64().toStdString(),
                           "text/plain");
                   });
               }));
    server.Get("/s3/file", guard([this](const Request& q, Response& r) { fileUrl(q, r); }));
    server.Get("/s/([^/]+)", guard([&store](const Request& q, Response& r) {
                   if (auto object = store.objectByShortCode(match(q, 1))) {
                       ObjectFile::serve(object->body, r, object->contentType.toStdString());
                   } else {
                       r.status = 404;
                       r.set_content("Not found", "text/plain");
                   }
               }));
    server.Get(R"(/splash/iOS/(CoBrandingImage|CoBrandingLogoImage)(@[123]x)?\.png)",
               guard([](const Request& q, Response& r) {
                   const bool logo = q.matches[1].str() == "CoBrandingLogoImage";
                   const int scale = q.matches[2].length() ? q.matches[2].str()[1] - '0' : 1;
                   r.set_content(placeholderPng(8 * scale, logo ? 0x2060A0FFu : 0xF0F0F0FFu).toStdString(),
                                 "image/png");
               }));
}

void MessagingApi::publicApi(const Request& request, Response& response) {
    StandinStore& store = m_context.store;
    const QJsonObject form = parameters(request);
    const QString method = form.value("method").toString();
    if (method == "echat.getChallenge") {
        accountSuccess(
            response,
            QJsonObject{{"challenge",
                         QJsonObject{{"salt", QString::number(QRandomGenerator::system()->generate())},
                                     {"token", QString::number(QRandomGenerator::system()->generate64())},
                                     {"expiry", qint64(QDateTime::currentSecsSinceEpoch() + 600)}}}});
    } else if (method == "echat.registerWithOTP") {
        if (store.isOtpLocked(form.value("email").toString()))
            return accountError(response, "actionLockedErr");
        const auto user = store.registerEmail(form.value("email").toString());
        if (!user)
            return accountError(response, "invalidEmail");
        accountSuccess(response, QJsonObject{{"email", user->email},
                                             {"msg", "A verification code was sent to " + user->email}});
    } else if (method == "echat.verifyOTP") {
        const QString email = form.value("email").toString();
        if (store.isOtpLocked(email))
            return accountError(response, "actionLockedErr");
        const auto [token, password] = store.verifyOtp(email, form.value("code").toString());
        const auto user = store.userByEmail(email);
        if (token.isEmpty() || !user)
            return accountError(response, store.isOtpLocked(email) ? "actionLockedErr" : "invalidOTP");
        accountSuccess(response, QJsonObject{{"msg", "Verified."},
                                             {"token", QJsonObject{{"token", token}}},
                                             {"password", QJsonObject{{"password", password}}},
                                             {"user", store.loginJson(*user)}});
    } else if (method == "echat.updateProfile") {
        const auto user = store.userByToken(form.value("token").toString());
        if (!user)
            return accountError(response, "invalidToken", 401);
        QJsonObject fields;
        for (const char* key : {"profileName", "countryCode", "phone", "imgUrl", "bigImgUrl"}) {
            if (form.contains(key))
                fields.insert(key, form.value(key));
        }
        const auto updated = store.updateProfile(user->id, fields);
        accountSuccess(response,
                       QJsonObject{{"msg", "Profile updated."}, {"user", store.loginJson(*updated)}});
    } else if (method == "echat.verifyPhone") {
        const auto user = store.userByToken(form.value("token").toString());
        if (!user)
            return accountError(response, "invalidToken", 401);
        if (!store.verifyPhone(user->id, form.value("code").toString()))
            return accountError(response, "invalidCode");
        accountSuccess(response, QJsonObject{{"msg", "Phone verified."}});
    } else if (method == "echat.resendSMSCode") {
        const auto user = store.userByToken(form.value("token").toString());
        if (!user)
            return accountError(response, "invalidToken", 401);
        if (!store.resendSmsCode(user->id))
            return accountError(response, "noPhone");
        accountSuccess(response, QJsonObject{{"msg", "A new code was sent."}});
    } else if (method == "echat.getUserConfig") {
        if (!authorised(request))
            return accountError(response, "invalidToken", 401);
        const QJsonObject props =
            QJsonDocument::fromJson(store.setting("userConfigProps", "{}").toUtf8()).object();
        accountSuccess(response, QJsonObject{{"userConfig", QJsonObject{{"env", "http"}, {"props", props}}}});
    } else {
        accountError(response, "unknownMethod");
    }
}

void MessagingApi::invite(const Request& request, Response& response) {
    const QByteArray json = parameters(request).value("emailjson").toString().toUtf8();
    const QJsonObject invitation = QJsonDocument::fromJson(json).object();
    const auto sender =
        m_context.store.userByToken(invitation.value("from").toObject().value("token").toString());
    const QJsonArray to = invitation.value("to").toArray();
    bool addressed = !to.isEmpty();
    for (const auto& entry : to)
        addressed = addressed && !entry.toObject().value("email").toString().isEmpty();
    if (!sender || !addressed) {
        sendJson(response, QJsonObject{{"status", "Failure"}, {"message", "Invalid invitation."}}, 400);
        return;
    }
    // The sender's session token only identified them; it is not kept with the invitation.
    QJsonObject stored = invitation;
    QJsonObject from = stored.value("from").toObject();
    from.remove("token");
    stored.insert("from", from);
    m_context.store.recordInvitation(sender->id, QJsonDocument(stored).toJson(QJsonDocument::Compact));
    sendJson(response, QJsonObject{{"status", "Success"}});
}

void MessagingApi::fileUrl(const Request& request, Response& response) {
    // The client does not escape these values; decoding leaves plain IDs and MIME types as they are.
    const QJsonObject query = FormCodec::parse(FormCodec::queryOf(request.target));
    const QString code =
        m_context.store.shortCode(query.value("bucket").toString(), query.value("fileId").toString());
    if (code.isEmpty()) {
        sendJson(response, QJsonObject{{"status", "Failure"}}, 404);
        return;
    }
    sendJson(response, QJsonObject{{"status", "Success"},
                                   {"url", QString::fromStdString(m_context.baseUrl()) + "s/" + code}});
}

void MessagingApi::eventStream(const Request& request, Response& response) {
    const auto user = authorised(request);
    if (!user) {
        response.set_header("Connection", "close");
        response.set_content(R"({"name":"NotAuthenticated","message":"Invalid credentials."})", kJson);
        return;
    }
    const qint64 after = parameters(request).value("after").toString().toLongLong();
    auto subscription = m_context.hub.subscribe(user->id);
    if (!subscription) {
        // Closed at once: a refused client reconnects soon, and an idle connection would hold a worker.
        RouteGuard::errorEnvelope(response, 503, "tooManyStreams", "Too many event streams are open.");
        RouteGuard::closeAfterAnswer(response);
        return;
    }

    struct StreamState {
        bool started = false;
        qint64 lastSeq = 0;
        std::chrono::steady_clock::time_point lastWrite = std::chrono::steady_clock::now();
    };
    auto state = std::make_shared<StreamState>();
    ServiceContext& context = m_context;
    const qint64 userId = user->id;

    response.set_chunked_content_provider(
        // Not a compressible type: a compressor would hold events back.
        "text/event-stream",
        [&context, subscription, state, after, userId](size_t, httplib::DataSink& sink) {
            auto write = [&](const std::string& text) {
                state->lastWrite = std::chrono::steady_clock::now();
                return sink.write(text.data(), text.size());
            };
            if (!state->started) {
                // Subscribed before the replay, so nothing stored in between is missed; the sequence
                // check drops what the replay already sent.
                state->started = true;
                const QJsonObject welcome{{"type", "welcome"}, {"date", QDateTime::currentMSecsSinceEpoch()}};
                if (!write("data: " + compact(welcome) + "\n"))
                    return false;
                for (const auto& event : context.store.eventsSince(userId, after)) {
                    if (!write("data: " + event.json.toStdString() + "\n"))
                        return false;
                    state->lastSeq = std::max(state->lastSeq, event.seq);
                }
                return true;
            }
            if (context.stopping || subscription->isClosed()) {
                sink.done();
                return true;
            }
            if (!sink.is_writable())
                return false;
            auto item = subscription->next(std::chrono::milliseconds(100));
            if (item) {
                if (item->seq != 0 && item->seq <= state->lastSeq)
                    return true;
                state->lastSeq = std::max(state->lastSeq, item->seq);
                for (size_t i = 0; i < item->parts.size(); ++i) {
                    if (i > 0 && item->pauseMs > 0)
                        std::this_thread::sleep_for(std::chrono::milliseconds(item->pauseMs));
                    if (!write(item->parts[i]))
                        return false;
                }
                return true;
            }
            if (subscription->isClosed() || context.stopping) {
                sink.done();
                return true;
            }
            if (std::chrono::steady_clock::now() - state->lastWrite >=
                std::chrono::milliseconds(context.keepAliveMs))
                return write("\n");
            return true;
        },
        [&context, subscription](bool) { context.hub.unsubscribe(subscription); });
}

} // namespace pelnix::standin
