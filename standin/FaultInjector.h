#pragma once

#include <condition_variable>
#include <mutex>
#include <optional>
#include <regex>
#include <string>
#include <vector>

namespace pelnix::standin {

// Faults that tests arm on the service: each matches requests by method and a path pattern (a regular
// expression searched in the path) and applies to the next `count` of them (-1: until cleared).
class FaultInjector {
public:
    enum class Mode {
        ServerError,   // 500 with an HTML body
        ErrorEnvelope, // the service's JSON error envelope with `statusCode` and `reason`
        Drop,          // the connection closes before any byte of the body
        DropAfter,     // the request is carried out, then the connection closes before its answer's body
        Delay,         // the normal answer after `delayMs`
        Hold,          // the normal answer once released (or when the service stops)
        Answer,        // `statusCode` with `body` of `contentType`, as given
    };

    struct Fault {
        std::string pathPattern;
        std::string method; // empty: any
        int count = 1;
        Mode mode = Mode::ServerError;
        int delayMs = 0;
        int statusCode = 500;
        std::string reason = "injected";
        std::string body;
        std::string contentType = "application/json";
    };

    static std::optional<Mode> modeFromName(const std::string& name);

    // False when the pattern is not a valid regular expression.
    bool add(const Fault& fault);
    void clear();
    // The fault that applies to this request, if any; consumes one use of it.
    std::optional<Fault> take(const std::string& method, const std::string& path);

    // Blocks the calling request until released. Returns false when the service is shutting down.
    bool hold();
    // Lets every held request go on.
    void releaseHeld();
    int heldCount() const;
    // Releases everything and makes later holds return at once.
    void shutdown();
    void restart();

private:
    struct Armed {
        Fault fault;
        std::regex pattern;
    };

    mutable std::mutex m_mutex;
    std::condition_variable m_released;
    std::vector<Armed> m_faults;
    unsigned long m_releaseGeneration = 0;
    int m_held = 0;
    bool m_shutdown = false;
};

} // namespace pelnix::standin
