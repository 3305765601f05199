#include "RequestBody.h"

#include "RequestLog.h"
#include "RouteGuard.h"

#include <algorithm>

namespace pelnix::standin {

RequestBody::Outcome RequestBody::read(const Sink& sink) {
    if (m_read)
        return m_outcome;
    m_read = true;
    if (m_request.is_multipart_form_data()) {
        m_reader([](const httplib::MultipartFormData&) { return true; },
                 [](const char*, size_t) { return true; });
        m_outcome = Outcome::Unsupported;
    } else {
        size_t total = 0;
        bool overflow = false;
        bool refused = false;
        const bool complete = m_reader([&](const char* data, size_t size) {
            total += size;
            // Chunked bodies carry no length up front, so the limit is also counted here. What comes
            // after it is read on and dropped for a while, so a body a little too large leaves a
            // connection that can still carry the next request.
            if (total > m_limit) {
                overflow = true;
                return total - size <= 2 * m_limit;
            }
            if (m_prefix.size() < RequestLog::kBodyPrefixBytes)
                m_prefix.append(data, std::min(size, RequestLog::kBodyPrefixBytes - m_prefix.size()));
            if (!sink(data, size)) {
                refused = true;
                return false;
            }
            return true;
        });
        // A body whose declared length is over the server's payload limit is read past, dropped and
        // marked 413 by the server; a chunked one is cut off there.
        if (overflow || (!complete && !refused && m_response.status == 413))
            m_outcome = Outcome::TooLarge;
        else
            m_outcome = complete ? Outcome::Complete : Outcome::Unreadable;
        m_unread = !complete && (overflow || refused || !m_request.has_header("Content-Length"));
    }
    return m_outcome;
}

RequestBody::Outcome RequestBody::readAll(std::string& out) {
    return read([&out](const char* data, size_t size) {
        out.append(data, size);
        return true;
    });
}

void RequestBody::closeConnectionIfUnread(httplib::Response& response) const {
    if (m_unread)
        RouteGuard::closeAfterAnswer(response);
}

RequestBody::Outcome RequestBody::drain() {
    return read([](const char*, size_t) { return true; });
}

} // namespace pelnix::standin
