#include "StandinServer.h"

#include "ControlApi.h"
#include "EventHub.h"
#include "MapService.h"
#include "MessagingApi.h"
#include "RequestLog.h"
#include "RouteGuard.h"
#include "S3ObjectService.h"
#include "ServiceContext.h"
#include "StandinStore.h"

#include <QJsonDocument>

#include <httplib.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <thread>

namespace pelnix::standin {

struct StandinServer::Impl {
    explicit Impl(Options o) : options(std::move(o)) {}

    Options options;
    EventHub hub{kMaxEventStreams};
    StandinStore store{hub};
    FaultInjector faults;
    RequestLog log;
    std::atomic<bool> stopping{false};
    ServiceContext context{store, hub, faults, log, {}, {}, stopping, 15000};
    RouteGuard apiGuard{context, "api", MessagingApi::refuseBody};
    RouteGuard s3Guard{context, "s3", S3ObjectService::refuseBody};
    std::unique_ptr<ControlApi> controlApi;
    std::unique_ptr<MessagingApi> messagingApi;
    std::unique_ptr<S3ObjectService> s3Service;
    std::unique_ptr<MapService> mapService;
    std::unique_ptr<httplib::Server> api;
    std::unique_ptr<httplib::Server> s3;
    std::thread apiThread, s3Thread;
    std::atomic<bool> apiDone{false}, s3Done{false};
    socket_t apiListener = INVALID_SOCKET, s3Listener = INVALID_SOCKET;
    int apiPort = 0, s3Port = 0;
    bool running = false;

    std::unique_ptr<httplib::Server> makeServer(const RouteGuard& guard, socket_t& listener) {
        auto server = std::make_unique<httplib::Server>();
        // A connection reaches a worker with its first request's bytes: one a client opened and never
        // used (a pool's spare, a request cancelled while it connected) would otherwise hold a worker,
        // and stop(), for cpp-httplib's 5 s keep-alive wait before that first request. Well past any
        // test's life, the kernel hands such a connection over anyway and it ends as before.
        server->set_socket_options([&listener](socket_t socket) {
            httplib::default_socket_options(socket);
#ifdef TCP_DEFER_ACCEPT
            const int seconds = 30;
            ::setsockopt(socket, IPPROTO_TCP, TCP_DEFER_ACCEPT, &seconds, sizeof seconds);
#endif
            listener = socket;
        });
        server->new_task_queue = [] { return new httplib::ThreadPool(kRequestWorkers); };
        // Declared lengths over the limit are skipped unread; routes and the error handler answer them.
        server->set_payload_max_length(options.maxBodyBytes);
        server->set_error_handler(httplib::Server::HandlerWithResponse(
            [&guard](const httplib::Request& q, httplib::Response& r) { return guard.completeError(q, r); }));
        // One request per connection: an idle keep-alive connection would hold its worker (and stop())
        // for up to 5 s; loopback connections cost next to nothing to open again.
        server->set_keep_alive_max_count(1);
        server->set_logger(
            [&guard](const httplib::Request& q, const httplib::Response& r) { guard.finish(q, r); });
        return server;
    }

    // A server's stop() does nothing until its accept loop has begun, so a stop right after start()
    // first waits for that (or for the loop to have ended already).
    static void stopServer(httplib::Server& server, const std::atomic<bool>& done) {
        while (!server.is_running() && !done)
            std::this_thread::yield();
        server.stop();
    }

    static int bind(httplib::Server& server, uint16_t port, socket_t listener) {
        const int bound = port == 0 ? server.bind_to_any_port("127.0.0.1")
                                    : (server.bind_to_port("127.0.0.1", port) ? port : -1);
        // Connections awaiting their first bytes count against the backlog, which cpp-httplib sets to
        // 5: past it the kernel answers with SYN cookies, and those connections skip the wait above.
        if (bound > 0)
            ::listen(listener, SOMAXCONN);
        return bound;
    }
};

std::string StandinServer::LoggedRequest::header(const std::string& name) const {
    auto lower = [](std::string text) {
        std::transform(text.begin(), text.end(), text.begin(),
                       [](unsigned char c) { return char(std::tolower(c)); });
        return text;
    };
    for (const auto& [key, value] : headers) {
        if (lower(key) == lower(name))
            return value;
    }
    return {};
}

StandinServer::StandinServer(Options options) : d(std::make_unique<Impl>(std::move(options))) {
    d->context.keepAliveMs = d->options.keepAliveMs;
    d->context.maxBodyBytes = d->options.maxBodyBytes;
    d->context.baseUrl = [this] { return baseUrl(); };
    d->context.s3Endpoint = [this] { return s3Endpoint(); };
}

StandinServer::~StandinServer() {
    stop();
}

bool StandinServer::start() {
    if (d->running)
        return true;
    if (d->options.dataDir.empty() || !d->store.open(d->options.dataDir))
        return false;
    d->stopping = false;
    d->faults.restart();
    d->api = d->makeServer(d->apiGuard, d->apiListener);
    d->s3 = d->makeServer(d->s3Guard, d->s3Listener);
    // The handlers refer to these objects, so they live as long as the servers.
    d->controlApi = std::make_unique<ControlApi>(*this, d->apiGuard);
    d->messagingApi = std::make_unique<MessagingApi>(d->context, d->apiGuard);
    d->s3Service = std::make_unique<S3ObjectService>(d->context, d->s3Guard);
    d->controlApi->install(*d->api);
    d->mapService = std::make_unique<MapService>(d->apiGuard);
    d->mapService->install(*d->api);
    d->messagingApi->install(*d->api);
    d->s3Service->install(*d->s3);

    d->apiPort = Impl::bind(*d->api, d->options.port, d->apiListener);
    d->s3Port = Impl::bind(*d->s3, d->options.s3Port, d->s3Listener);
    if (d->apiPort <= 0 || d->s3Port <= 0) {
        d->api.reset();
        d->s3.reset();
        d->store.close();
        return false;
    }
    // Bound sockets already accept connections into their backlog, so the service is ready here.
    d->apiDone = false;
    d->s3Done = false;
    d->apiThread = std::thread([server = d->api.get(), done = &d->apiDone] {
        server->listen_after_bind();
        *done = true;
    });
    d->s3Thread = std::thread([server = d->s3.get(), done = &d->s3Done] {
        server->listen_after_bind();
        *done = true;
    });
    d->running = true;
    return true;
}

void StandinServer::stop() {
    if (!d->running)
        return;
    d->stopping = true;
    d->hub.closeAll();
    d->faults.shutdown();
    Impl::stopServer(*d->api, d->apiDone);
    Impl::stopServer(*d->s3, d->s3Done);
    if (d->apiThread.joinable())
        d->apiThread.join();
    if (d->s3Thread.joinable())
        d->s3Thread.join();
    d->api.reset();
    d->s3.reset();
    d->store.close();
    d->running = false;
}

uint16_t StandinServer::port() const {
    return uint16_t(d->apiPort);
}

uint16_t StandinServer::s3Port() const {
    return uint16_t(d->s3Port);
}

std::string StandinServer::baseUrl() const {
    return "http://127.0.0.1:" + std::to_string(d->apiPort) + "/";
}

std::string StandinServer::s3Endpoint() const {
    return "http://127.0.0.1:" + std::to_string(d->s3Port);
}

void StandinServer::reset() {
    d->faults.clear();
    d->faults.releaseHeld();
    d->hub.closeAll();
    d->store.reset();
    d->log.clear();
}

QJsonObject StandinServer::seed(const QJsonObject& description) {
    StandinStore::Error error;
    QJsonObject result = d->store.seed(description, error);
    if (!error.code.isEmpty())
        return QJsonObject{{"error", error.code}, {"reason", error.reason}};
    return result;
}

std::string StandinServer::otp(const std::string& email) const {
    return d->store.otp(QString::fromStdString(email)).toStdString();
}

void StandinServer::unlockOtp(const std::string& email) {
    d->store.unlockOtp(QString::fromStdString(email));
}

std::string StandinServer::smsCode(const std::string& email) const {
    return d->store.smsCode(QString::fromStdString(email)).toStdString();
}

QJsonObject StandinServer::injectEvent(int64_t userId, const QJsonObject& event) {
    return d->store.injectEvent(userId, event);
}

void StandinServer::injectRaw(int64_t userId, const std::string& bytes, int parts, int pauseMs) {
    EventHub::Item item;
    item.pauseMs = pauseMs;
    parts = std::clamp<int>(parts, 1, std::max<int>(1, int(bytes.size())));
    const size_t size = bytes.size() / size_t(parts);
    for (int i = 0; i < parts; ++i) {
        const size_t begin = size_t(i) * size;
        item.parts.push_back(i == parts - 1 ? bytes.substr(begin) : bytes.substr(begin, size));
    }
    d->hub.publish({userId}, item);
}

bool StandinServer::addFault(const Fault& fault) {
    return d->faults.add(fault);
}

void StandinServer::clearFaults() {
    d->faults.clear();
}

void StandinServer::releaseHeld() {
    d->faults.releaseHeld();
}

int StandinServer::heldCount() const {
    return d->faults.heldCount();
}

void StandinServer::closeStreams() {
    d->hub.closeAll();
}

int StandinServer::openStreams(int64_t userId) const {
    return userId ? d->hub.openStreams(userId) : d->hub.openStreams();
}

std::vector<StandinServer::LoggedRequest> StandinServer::requestLog() const {
    std::vector<LoggedRequest> list;
    for (const auto& entry : d->log.entries())
        list.push_back({entry.server, entry.method, entry.path, entry.query, entry.headers, entry.body,
                        entry.status, entry.responseBody});
    return list;
}

void StandinServer::clearRequestLog() {
    d->log.clear();
}

QJsonArray StandinServer::storedMessages(const std::string& roomId) const {
    return d->store.storedMessages(QString::fromStdString(roomId));
}

bool StandinServer::removeUser(int64_t userId) {
    return d->store.removeUser(userId);
}

void StandinServer::setUserConfigProps(const QJsonObject& props) {
    d->store.setSetting("userConfigProps",
                        QString::fromUtf8(QJsonDocument(props).toJson(QJsonDocument::Compact)));
}

void StandinServer::addStorageKey(const std::string& access, const std::string& secret,
                                  const std::string& sessionToken) {
    d->store.addStorageKey({QString::fromStdString(access), QString::fromStdString(secret),
                            QString::fromStdString(sessionToken)});
}

QJsonArray StandinServer::invitations() const {
    return d->store.invitations();
}

} // namespace pelnix::standin
