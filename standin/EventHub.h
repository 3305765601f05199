#pragma once

#include <QtGlobal>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace pelnix::standin {

// Fans stored events and injected bytes out to the open event streams of each user.
class EventHub {
public:
    // One piece of stream output. `seq` is the stored event's sequence (0 for injected raw bytes), so
    // a stream can drop what it already replayed from the store. Each part is one write.
    struct Item {
        qint64 seq = 0;
        std::vector<std::string> parts;
        int pauseMs = 0;
    };

    class Subscription {
    public:
        explicit Subscription(qint64 userId) : m_userId(userId) {}
        qint64 userId() const { return m_userId; }
        // Waits up to `timeout` for the next item; empty on time-out or once closed.
        std::optional<Item> next(std::chrono::milliseconds timeout);
        bool isClosed() const;

    private:
        friend class EventHub;
        void push(Item item);
        void close();

        const qint64 m_userId;
        mutable std::mutex m_mutex;
        std::condition_variable m_ready;
        std::deque<Item> m_items;
        bool m_closed = false;
    };

    explicit EventHub(int maxStreams) : m_maxStreams(maxStreams) {}

    // Nothing when maxStreams are open already.
    std::shared_ptr<Subscription> subscribe(qint64 userId);
    void unsubscribe(const std::shared_ptr<Subscription>& subscription);

    void publish(const std::set<qint64>& userIds, const Item& item);
    // Ends every open stream (the connections close; clients reconnect).
    void closeAll();
    int openStreams() const;
    int openStreams(qint64 userId) const;

private:
    const int m_maxStreams;
    mutable std::mutex m_mutex;
    std::vector<std::shared_ptr<Subscription>> m_subscriptions;
};

} // namespace pelnix::standin
