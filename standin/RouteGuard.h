#pragma once

#include "RequestBody.h"
#include "ServiceContext.h"

#include <httplib.h>

#include <functional>
#include <string>

namespace pelnix::standin {

// Wraps every route handler: logs the request and its answer, reads the body within the service's size
// limit, and applies an armed fault before the handler runs.
class RouteGuard {
public:
    using BodyHandler = std::function<void(const httplib::Request&, httplib::Response&, RequestBody&)>;
    // Answers a body the service will not take (too large, or not readable as bytes).
    using Refusal = std::function<void(const httplib::Request&, httplib::Response&, RequestBody::Outcome)>;

    RouteGuard(ServiceContext& context, std::string server, Refusal refusal)
        : m_context(context), m_server(std::move(server)), m_refusal(std::move(refusal)) {}

    // Routes without a body (GET, HEAD).
    httplib::Server::Handler operator()(httplib::Server::Handler handler) const;
    // Routes whose handler reads the body from request.body: it is read whole first.
    httplib::Server::HandlerWithContentReader withBody(httplib::Server::Handler handler) const;
    // Routes that stream the body themselves; what they leave unread is drained afterwards.
    httplib::Server::HandlerWithContentReader streaming(BodyHandler handler) const;

    // For the server's logger: completes the entry begun by the guard, or records an unrouted request.
    void finish(const httplib::Request& request, const httplib::Response& response) const;
    // For the server's error handler: gives a bare 413 of an unrouted request the server's own answer.
    httplib::Server::HandlerResponse completeError(const httplib::Request& request,
                                                   httplib::Response& response) const;
    // Sends the answer whole, then ends the connection instead of waiting for another request on it.
    static void closeAfterAnswer(httplib::Response& response);
    // Answers the service's private error envelope.
    static void errorEnvelope(httplib::Response& response, int status, const std::string& code,
                              const std::string& reason);

private:
    // True when the fault produced the answer (the handler must not run).
    bool applyFault(const httplib::Request& request, httplib::Response& response) const;
    void begin(const httplib::Request& request) const;

    ServiceContext& m_context;
    std::string m_server;
    Refusal m_refusal;
};

} // namespace pelnix::standin
