#pragma once

#include "RouteGuard.h"
#include "ServiceContext.h"

#include <httplib.h>

#include <string>

namespace pelnix::standin {

// The S3 object API (PutObject, GetObject) with signature-version-2 checks against the storage keys the
// token service hands out, answering S3's XML error documents.
class S3ObjectService {
public:
    // Requests whose Date is further off than this are refused.
    static constexpr qint64 kAllowedSkewMs = 15 * 60 * 1000;

    S3ObjectService(ServiceContext& context, const RouteGuard& guard) : m_context(context), m_guard(guard) {}
    void install(httplib::Server& server);

    static void error(httplib::Response& response, int status, const std::string& code,
                      const std::string& message, const std::string& extra = {});

private:
    void handle(const httplib::Request& request, httplib::Response& response);

    ServiceContext& m_context;
    const RouteGuard& m_guard;
};

} // namespace pelnix::standin
