#include "FakeNetwork.h"

namespace pelnix::test {

QNetworkReply* FakeNetwork::createRequest(Operation operation, const QNetworkRequest& request, QIODevice*) {
    ++m_requests;
    auto* reply = new FakeReply(m_answer, operation, request, this);
    reply->deliverLater([this] { ++m_answered; });
    return reply;
}

} // namespace pelnix::test
