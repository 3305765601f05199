#pragma once

#include <deque>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace httplib {
struct Request;
}

namespace pelnix::standin {

// The requests the service saw and what it answered, in arrival order: the latest kMaxEntries, each
// body cut to its first kBodyPrefixBytes so uploads do not pile up in memory. Kept in memory only and
// read through the control API; it is never written to disk or to the console, since it holds
// Authorization headers.
class RequestLog {
public:
    static constexpr size_t kMaxEntries = 1000;
    static constexpr size_t kBodyPrefixBytes = 16 * 1024;

    struct Entry {
        std::string server; // "api" or "s3"
        std::string method;
        std::string path;
        std::string query;
        std::vector<std::pair<std::string, std::string>> headers;
        std::string body;
        int status = 0;
        std::string responseBody;
    };

    // Records the request and returns its index for `finish`.
    size_t begin(const std::string& server, const httplib::Request& request);
    // For bodies read after `begin`.
    void setBody(size_t index, const std::string& body);
    void finish(size_t index, int status, const std::string& responseBody);
    std::vector<Entry> entries() const;
    void clear();

private:
    mutable std::mutex m_mutex;
    Entry* entryAt(size_t index);

    std::deque<Entry> m_entries;
    size_t m_base = 0; // entries dropped so far, so indexes handed out stay valid
};

} // namespace pelnix::standin
