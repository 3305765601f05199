#pragma once

#include "RouteGuard.h"
#include "ServiceContext.h"

#include <httplib.h>

#include <optional>

namespace pelnix::standin {

// The messaging service's endpoints: the public account API, the authenticated room, member, message,
// contact, push and user calls, the event stream, the token and file-URL services and the downloads.
class MessagingApi {
public:
    MessagingApi(ServiceContext& context, const RouteGuard& guard) : m_context(context), m_guard(guard) {}
    void install(httplib::Server& server);
    // The answer to a body the API does not take, in the private error envelope.
    static void refuseBody(const httplib::Request& request, httplib::Response& response,
                           RequestBody::Outcome outcome);

private:
    // The account the request's "Authorization: Tavrix <userID>:<token>:echat" header names, if valid.
    std::optional<StandinStore::User> authorised(const httplib::Request& request) const;
    // Runs `body` for an authorised caller; otherwise answers the 401 envelope.
    void privateCall(const httplib::Request& request, httplib::Response& response,
                     const std::function<void(const StandinStore::User&)>& body) const;
    void publicApi(const httplib::Request& request, httplib::Response& response);
    void eventStream(const httplib::Request& request, httplib::Response& response);
    void invite(const httplib::Request& request, httplib::Response& response);
    void fileUrl(const httplib::Request& request, httplib::Response& response);

    ServiceContext& m_context;
    const RouteGuard& m_guard;
};

} // namespace pelnix::standin
