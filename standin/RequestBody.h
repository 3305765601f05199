#pragma once

#include <httplib.h>

#include <cstddef>
#include <functional>
#include <string>

namespace pelnix::standin {

// The body of one request, read on demand through the server's content reader. One size limit holds
// whatever the content type; the first bytes are kept for the request log.
class RequestBody {
public:
    enum class Outcome {
        Complete,
        TooLarge,
        // Multipart bodies reach handlers only as parsed parts, never as the bytes that were sent.
        Unsupported,
        // The connection broke, or the sink refused a piece.
        Unreadable,
    };
    using Sink = std::function<bool(const char* data, size_t size)>;

    RequestBody(const httplib::Request& request, httplib::Response& response,
                const httplib::ContentReader& reader, size_t limit)
        : m_request(request), m_response(response), m_reader(reader), m_limit(limit) {}

    // Feeds the body to `sink` piece by piece. Reads once; later calls answer the first outcome.
    Outcome read(const Sink& sink);
    Outcome readAll(std::string& out);
    // Reads and drops what nobody read, so the connection can carry the next request.
    Outcome drain();
    // When part of the body is still on the wire, the answer is sent whole and the connection then
    // ends, so those bytes are never read as a request. Call once the answer is set.
    void closeConnectionIfUnread(httplib::Response& response) const;

    const std::string& logPrefix() const { return m_prefix; }
    size_t limit() const { return m_limit; }

private:
    const httplib::Request& m_request;
    httplib::Response& m_response;
    const httplib::ContentReader& m_reader;
    const size_t m_limit;
    bool m_read = false;
    Outcome m_outcome = Outcome::Complete;
    bool m_unread = false;
    std::string m_prefix;
};

} // namespace pelnix::standin
