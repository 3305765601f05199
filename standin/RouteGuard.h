#pragma once

#include "ServiceContext.h"

#include <httplib.h>

#include <string>

namespace pelnix::standin {

// Wraps every route handler: logs the request and its answer, and applies an armed fault first.
class RouteGuard {
public:
    RouteGuard(ServiceContext& context, std::string server)
        : m_context(context), m_server(std::move(server)) {}

    httplib::Server::Handler operator()(httplib::Server::Handler handler) const;
    // For the server's logger: completes the entry begun by the guard, or records an unrouted request.
    void finish(const httplib::Request& request, const httplib::Response& response) const;
    // Answers the service's private error envelope.
    static void errorEnvelope(httplib::Response& response, int status, const std::string& code,
                              const std::string& reason);

private:
    // True when the fault produced the answer (the handler must not run).
    bool applyFault(const httplib::Request& request, httplib::Response& response) const;

    ServiceContext& m_context;
    std::string m_server;
};

} // namespace pelnix::standin
