#include "RequestLog.h"

#include <httplib.h>

namespace pelnix::standin {

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
    entry.body = request.body;
    std::lock_guard lock(m_mutex);
    m_entries.push_back(std::move(entry));
    return m_base + m_entries.size() - 1;
}

void RequestLog::finish(size_t index, int status, const std::string& responseBody) {
    std::lock_guard lock(m_mutex);
    if (index < m_base || index - m_base >= m_entries.size())
        return;
    Entry& entry = m_entries[index - m_base];
    entry.status = status;
    entry.responseBody = responseBody;
}

std::vector<RequestLog::Entry> RequestLog::entries() const {
    std::lock_guard lock(m_mutex);
    return m_entries;
}

void RequestLog::clear() {
    std::lock_guard lock(m_mutex);
    m_base += m_entries.size();
    m_entries.clear();
}

} // namespace pelnix::standin
