#pragma once

#include "RequestBody.h"
#include "RouteGuard.h"
#include "ServiceContext.h"

#include <httplib.h>

#include <string>

namespace pelnix::standin {

// The S3 object API (PutObject, GetObject, HeadObject) with signature-version-2 checks against the
// storage keys the token service hands out, answering S3's XML error documents. Bodies go to and come
// from files as they stream.
class S3ObjectService {
public:
    // Requests whose Date is further off than this are refused.
    static constexpr qint64 kAllowedSkewMs = 15 * 60 * 1000;
    // The longest key, in UTF-8 bytes.
    static constexpr size_t kMaxKeyBytes = 1024;

    S3ObjectService(ServiceContext& context, const RouteGuard& guard) : m_context(context), m_guard(guard) {}
    void install(httplib::Server& server);

    // An error document: Code, Message, Resource (the path asked for), `extra` elements and RequestId.
    static void error(const httplib::Request& request, httplib::Response& response, int status,
                      const std::string& code, const std::string& message, const std::string& extra = {});
    // The answer to a body the service does not take.
    static void refuseBody(const httplib::Request& request, httplib::Response& response,
                           RequestBody::Outcome outcome);

private:
    void handle(const httplib::Request& request, httplib::Response& response, RequestBody* body);
    void putObject(const httplib::Request& request, httplib::Response& response, RequestBody& body,
                   const std::string& bucket, const std::string& key);

    ServiceContext& m_context;
    const RouteGuard& m_guard;
};

} // namespace pelnix::standin
