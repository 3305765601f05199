#include "RequestLog.h"

#include <httplib.h>

namespace pelnix::standin {

namespace {

std::string prefixOf(const std::string& body) {
    return body.substr(0, RequestLog::kBodyPrefixBytes);
}

} // namespace

size_t RequestLog::begin(const std::string& server, const httplib::Request& request) {
    Entry entry;
    entry.server = server;
    entry.method = request.method;
    const auto mark = request.target.find('?');
    entry.path = request.target.substr(0, mark);
    if (mark != std::string::npos)
        entry.query = request.target.substr(mark + 1);
    for (const auto& [name, value] : request.headers)
        entry.headers.emplace_back(name, value);
    entry.body = prefixOf(request.body);
    std::lock_guard lock(m_mutex);
    m_entries.push_back(std::move(entry));
    if (m_entries.size() > kMaxEntries) {
        m_entries.pop_front();
        ++m_base;
    }
    return m_base + m_entries.size() - 1;
}

RequestLog::Entry* RequestLog::entryAt(size_t index) {
    if (index < m_base || index - m_base >= m_entries.size())
        return nullptr;
    return &m_entries[index - m_base];
}

void RequestLog::setBody(size_t index, const std::string& body) {
    std::lock_guard lock(m_mutex);
    if (Entry* entry = entryAt(index))
        entry->body = prefixOf(body);
}

void RequestLog::finish(size_t index, int status, const std::string& responseBody) {
    std::lock_guard lock(m_mutex);
    if (Entry* entry = entryAt(index)) {
        entry->status = status;
        entry->responseBody = prefixOf(responseBody);
    }
}

std::vector<RequestLog::Entry> RequestLog::entries() const {
    std::lock_guard lock(m_mutex);
    return {m_entries.begin(), m_entries.end()};
}

void RequestLog::clear() {
    std::lock_guard lock(m_mutex);
    m_base += m_entries.size();
    m_entries.clear();
}

} // namespace pelnix::standin
