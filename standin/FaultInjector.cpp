#include "FaultInjector.h"

namespace pelnix::standin {

std::optional<FaultInjector::Mode> FaultInjector::modeFromName(const std::string& name) {
    if (name == "status500" || name == "500")
        return Mode::ServerError;
    if (name == "error")
        return Mode::ErrorEnvelope;
    if (name == "drop")
        return Mode::Drop;
    if (name == "dropafter")
        return Mode::DropAfter;
    if (name == "delay")
        return Mode::Delay;
    if (name == "hold")
        return Mode::Hold;
    if (name == "answer")
        return Mode::Answer;
    return std::nullopt;
}

bool FaultInjector::add(const Fault& fault) {
    try {
        std::regex pattern(fault.pathPattern);
        std::lock_guard lock(m_mutex);
        m_faults.push_back({fault, std::move(pattern)});
        return true;
    } catch (const std::regex_error&) {
        return false;
    }
}

void FaultInjector::clear() {
    std::lock_guard lock(m_mutex);
    m_faults.clear();
}

std::optional<FaultInjector::Fault> FaultInjector::take(const std::string& method, const std::string& path) {
    std::lock_guard lock(m_mutex);
    for (auto it = m_faults.begin(); it != m_faults.end(); ++it) {
        if (!it->fault.method.empty() && it->fault.method != method)
            continue;
        if (!std::regex_search(path, it->pattern))
            continue;
        Fault fault = it->fault;
        if (it->fault.count > 0 && --it->fault.count == 0)
            m_faults.erase(it);
        return fault;
    }
    return std::nullopt;
}

bool FaultInjector::hold() {
    std::unique_lock lock(m_mutex);
    if (m_shutdown)
        return false;
    const unsigned long generation = m_releaseGeneration;
    ++m_held;
    m_released.notify_all();
    m_released.wait(lock, [&] { return m_shutdown || m_releaseGeneration != generation; });
    --m_held;
    return !m_shutdown;
}

void FaultInjector::releaseHeld() {
    {
        std::lock_guard lock(m_mutex);
        ++m_releaseGeneration;
    }
    m_released.notify_all();
}

int FaultInjector::heldCount() const {
    std::lock_guard lock(m_mutex);
    return m_held;
}

void FaultInjector::shutdown() {
    {
        std::lock_guard lock(m_mutex);
        m_shutdown = true;
        m_faults.clear();
    }
    m_released.notify_all();
}

void FaultInjector::restart() {
    std::lock_guard lock(m_mutex);
    m_shutdown = false;
}

} // namespace pelnix::standin
