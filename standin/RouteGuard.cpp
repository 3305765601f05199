#include "RouteGuard.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <chrono>
#include <memory>
#include <optional>
#include <thread>

namespace pelnix::standin {

namespace {
// The log entry of the request that the current worker thread is serving.
thread_local std::optional<size_t> t_logIndex;
} // namespace

void RouteGuard::begin(const httplib::Request& request) const {
    t_logIndex = m_context.log.begin(m_server, request);
}

namespace {

// Set by a "drop after" fault: the request is carried out and its answer then cut off.
thread_local bool t_cutAnswer = false;

void cutAnswerIfArmed(httplib::Response& response) {
    if (!t_cutAnswer)
        return;
    t_cutAnswer = false;
    response.body.clear(); // a body already set would be sent in place of the provider
    response.set_content_provider(64, "application/json",
                                  [](size_t, size_t, httplib::DataSink&) { return false; });
}

} // namespace

httplib::Server::Handler RouteGuard::operator()(httplib::Server::Handler handler) const {
    return
        [this, handler = std::move(handler)](const httplib::Request& request, httplib::Response& response) {
            begin(request);
            if (request.path.rfind("/_ctl/", 0) != 0 && applyFault(request, response))
                return;
            handler(request, response);
            cutAnswerIfArmed(response);
        };
}

httplib::Server::HandlerWithContentReader RouteGuard::withBody(httplib::Server::Handler handler) const {
    return [this, handler = std::move(handler)](const httplib::Request& request, httplib::Response& response,
                                                const httplib::ContentReader& reader) {
        RequestBody body(request, response, reader, m_context.maxBodyBytes);
        httplib::Request whole = request;
        const auto outcome = body.readAll(whole.body);
        // The request enters the log with its body, so nobody reading the log sees it half.
        begin(whole);
        if (request.path.rfind("/_ctl/", 0) != 0 && applyFault(request, response)) {
            if (outcome != RequestBody::Outcome::Complete)
                m_refusal(request, response, outcome);
            body.closeConnectionIfUnread(response);
            return;
        }
        if (outcome != RequestBody::Outcome::Complete)
            m_refusal(request, response, outcome);
        else
            handler(whole, response);
        body.closeConnectionIfUnread(response);
        cutAnswerIfArmed(response);
    };
}

httplib::Server::HandlerWithContentReader RouteGuard::streaming(BodyHandler handler) const {
    return [this, handler = std::move(handler)](const httplib::Request& request, httplib::Response& response,
                                                const httplib::ContentReader& reader) {
        begin(request);
        RequestBody body(request, response, reader, m_context.maxBodyBytes);
        // A refused or faulted request is still read to its end, so the connection stays usable.
        auto finishBody = [&] {
            const auto outcome = body.drain();
            if (t_logIndex)
                m_context.log.setBody(*t_logIndex, body.logPrefix());
            if (outcome != RequestBody::Outcome::Complete)
                m_refusal(request, response, outcome);
            body.closeConnectionIfUnread(response);
        };
        if (request.path.rfind("/_ctl/", 0) != 0 && applyFault(request, response)) {
            finishBody();
            return;
        }
        handler(request, response, body);
        finishBody();
        cutAnswerIfArmed(response);
    };
}

void RouteGuard::finish(const httplib::Request& request, const httplib::Response& response) const {
    const size_t index = t_logIndex ? *t_logIndex : m_context.log.begin(m_server, request);
    t_logIndex.reset();
    m_context.log.finish(index, response.status, response.body);
}

httplib::Server::HandlerResponse RouteGuard::completeError(const httplib::Request& request,
                                                           httplib::Response& response) const {
    if (response.status != 413 || !response.body.empty())
        return httplib::Server::HandlerResponse::Unhandled;
    m_refusal(request, response, RequestBody::Outcome::TooLarge);
    return httplib::Server::HandlerResponse::Handled;
}

void RouteGuard::closeAfterAnswer(httplib::Response& response) {
    response.set_header("Connection", "close");
    // A provider that fails after writing everything is how the server is told to drop the connection.
    auto text = std::make_shared<const std::string>(std::move(response.body));
    const std::string type = response.get_header_value("Content-Type");
    response.body.clear();
    response.headers.erase("Content-Type");
    response.set_content_provider(text->size(), type, [text](size_t offset, size_t, httplib::DataSink& sink) {
        sink.write(text->data() + offset, text->size() - offset);
        return false;
    });
}

void RouteGuard::errorEnvelope(httplib::Response& response, int status, const std::string& code,
                               const std::string& reason) {
    const QJsonObject body{{"error", QString::fromStdString(code)},
                           {"reason", QString::fromStdString(reason)},
                           {"statusCode", status}};
    response.status = status;
    response.set_content(QJsonDocument(body).toJson(QJsonDocument::Compact).toStdString(),
                         "application/json");
}

bool RouteGuard::applyFault(const httplib::Request& request, httplib::Response& response) const {
    const auto fault = m_context.faults.take(request.method, request.path);
    if (!fault)
        return false;
    switch (fault->mode) {
    case FaultInjector::Mode::ServerError:
        response.status = 500;
        response.set_content("<html><head><title>500 Internal Server Error</title></head>"
                             "<body><h1>Internal Server Error</h1></body></html>",
                             "text/html");
        return true;
    case FaultInjector::Mode::ErrorEnvelope:
        errorEnvelope(response, fault->statusCode, "injected", fault->reason);
        return true;
    case FaultInjector::Mode::Drop:
        // Headers go out, then the connection closes before the promised body.
        response.set_content_provider(64, "application/json",
                                      [](size_t, size_t, httplib::DataSink&) { return false; });
        return true;
    case FaultInjector::Mode::DropAfter:
        t_cutAnswer = true;
        return false;
    case FaultInjector::Mode::Delay:
        std::this_thread::sleep_for(std::chrono::milliseconds(fault->delayMs));
        return false;
    case FaultInjector::Mode::Hold:
        if (!m_context.faults.hold()) {
            response.status = 503;
            response.set_content("stopping", "text/plain");
            return true;
        }
        return false;
    case FaultInjector::Mode::Answer:
        response.status = fault->statusCode;
        response.set_content(fault->body, fault->contentType);
        return true;
    }
    return false;
}

} // namespace pelnix::standin
