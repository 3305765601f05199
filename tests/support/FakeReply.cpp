#include "FakeReply.h"

#include <QPointer>

namespace pelnix::test {

FakeReply::Answer FakeReply::Answer::whole(const QByteArray& body, const QByteArray& contentType) {
    return {200,
            {{"Content-Type", contentType}, {"Content-Length", QByteArray::number(body.size())}},
            body,
            NoError};
}

FakeReply::Answer FakeReply::Answer::cutShort(const QByteArray& body, qint64 sent,
                                              const QByteArray& contentType) {
    Answer answer = whole(body, contentType);
    answer.body.truncate(sent);
    return answer;
}

FakeReply::FakeReply(const Answer& answer, QNetworkAccessManager::Operation operation,
                     const QNetworkRequest& request, QObject* parent)
    : QNetworkReply(parent), m_answer(answer) {
    setOperation(operation);
    setRequest(request);
    setUrl(request.url());
    open(ReadOnly);
}

void FakeReply::finishNow() {
    setAttribute(QNetworkRequest::HttpStatusCodeAttribute, m_answer.status);
    for (const auto& [name, value] : std::as_const(m_answer.headers))
        setRawHeader(name, value);
    m_available = m_answer.body;
    if (m_answer.error != NoError)
        setError(m_answer.error, QStringLiteral("reported by the transport"));
    setFinished(true);
}

void FakeReply::deliverLater(std::function<void()> delivered) {
    m_delivered = std::move(delivered);
    QMetaObject::invokeMethod(this, &FakeReply::deliver, Qt::QueuedConnection);
}

void FakeReply::deliver() {
    QPointer<FakeReply> self(this);
    const auto done = [this, self] {
        if (self && m_delivered)
            std::exchange(m_delivered, {})();
    };
    if (isFinished())
        return done(); // aborted before anything arrived
    setAttribute(QNetworkRequest::HttpStatusCodeAttribute, m_answer.status);
    for (const auto& [name, value] : std::as_const(m_answer.headers))
        setRawHeader(name, value);
    emit metaDataChanged();
    if (!self || isFinished())
        return done();
    if (!m_answer.body.isEmpty()) {
        m_available = m_answer.body;
        bool known = false;
        const qint64 total = header(QNetworkRequest::ContentLengthHeader).toLongLong(&known);
        emit readyRead();
        if (!self || isFinished())
            return done();
        emit downloadProgress(m_answer.body.size(), known ? total : -1);
        if (!self || isFinished())
            return done();
    }
    end(m_answer.error);
    done();
}

void FakeReply::end(NetworkError error) {
    if (error != NoError) {
        setError(error, QStringLiteral("reported by the transport"));
        emit errorOccurred(error);
    }
    setFinished(true);
    emit finished();
}

void FakeReply::abort() {
    if (isFinished())
        return;
    m_available.clear();
    m_read = 0;
    end(OperationCanceledError);
}

qint64 FakeReply::bytesAvailable() const {
    return m_available.size() - m_read + QNetworkReply::bytesAvailable();
}

qint64 FakeReply::readData(char* data, qint64 maxSize) {
    const qint64 count = qMin(maxSize, qint64(m_available.size()) - m_read);
    if (count <= 0)
        return isFinished() ? -1 : 0;
    memcpy(data, m_available.constData() + m_read, size_t(count));
    m_read += count;
    return count;
}

} // namespace pelnix::test
