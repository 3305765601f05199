#include "EventHub.h"

#include <algorithm>

namespace pelnix::standin {

std::optional<EventHub::Item> EventHub::Subscription::next(std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_mutex);
    m_ready.wait_for(lock, timeout, [this] { return m_closed || !m_items.empty(); });
    if (m_closed || m_items.empty())
        return std::nullopt;
    Item item = std::move(m_items.front());
    m_items.pop_front();
    return item;
}

bool EventHub::Subscription::isClosed() const {
    std::lock_guard lock(m_mutex);
    return m_closed;
}

void EventHub::Subscription::push(Item item) {
    {
        std::lock_guard lock(m_mutex);
        m_items.push_back(std::move(item));
    }
    m_ready.notify_all();
}

void EventHub::Subscription::close() {
    {
        std::lock_guard lock(m_mutex);
        m_closed = true;
    }
    m_ready.notify_all();
}

std::shared_ptr<EventHub::Subscription> EventHub::subscribe(qint64 userId) {
    std::lock_guard lock(m_mutex);
    if (int(m_subscriptions.size()) >= m_maxStreams)
        return nullptr;
    auto subscription = std::make_shared<Subscription>(userId);
    m_subscriptions.push_back(subscription);
    return subscription;
}

void EventHub::unsubscribe(const std::shared_ptr<Subscription>& subscription) {
    std::lock_guard lock(m_mutex);
    std::erase(m_subscriptions, subscription);
}

void EventHub::publish(const std::set<qint64>& userIds, const Item& item) {
    std::lock_guard lock(m_mutex);
    for (const auto& subscription : m_subscriptions) {
        if (userIds.count(subscription->userId()))
            subscription->push(item);
    }
}

void EventHub::closeAll() {
    std::lock_guard lock(m_mutex);
    for (const auto& subscription : m_subscriptions)
        subscription->close();
    m_subscriptions.clear();
}

int EventHub::openStreams() const {
    std::lock_guard lock(m_mutex);
    return int(m_subscriptions.size());
}

int EventHub::openStreams(qint64 userId) const {
    std::lock_guard lock(m_mutex);
    return int(std::count_if(m_subscriptions.begin(), m_subscriptions.end(),
                             [userId](const auto& s) { return s->userId() == userId; }));
}

} // namespace pelnix::standin
