#pragma once

#include "FakeReply.h"

#include <QNetworkAccessManager>
#include <atomic>

namespace pelnix::test {

// A network access whose every request, whatever its address, gets the same answer through a
// FakeReply, from the event loop of the thread that asked. Lives on the thread that uses it.
class FakeNetwork : public QNetworkAccessManager {
public:
    explicit FakeNetwork(const FakeReply::Answer& answer, QObject* parent = nullptr)
        : QNetworkAccessManager(parent), m_answer(answer) {}

    // Requests made, and replies ended with their end handled by their readers; read from any thread.
    int requests() const { return m_requests; }
    int answered() const { return m_answered; }

protected:
    QNetworkReply* createRequest(Operation operation, const QNetworkRequest& request,
                                 QIODevice* outgoingData) override;

private:
    const FakeReply::Answer m_answer;
    std::atomic<int> m_requests = 0;
    std::atomic<int> m_answered = 0;
};

} // namespace pelnix::test
