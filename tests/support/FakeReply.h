#pragma once

#include <QByteArray>
#include <QList>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPair>
#include <functional>

namespace pelnix::test {

// A reply made without a socket, as Qt's HTTP client hands one over: the status, headers and body of
// an answer and the error its transport reported. It stands for what a real socket gives only now and
// then, such as an answer whose connection closed before its announced body, finished as a whole one.
class FakeReply : public QNetworkReply {
public:
    struct Answer {
        int status = 200;
        QList<QPair<QByteArray, QByteArray>> headers;
        // What arrives of the body.
        QByteArray body;
        NetworkError error = NoError;

        static Answer whole(const QByteArray& body, const QByteArray& contentType);
        // Announces `body` whole and brings only its first `sent` bytes, with no error.
        static Answer cutShort(const QByteArray& body, qint64 sent, const QByteArray& contentType);
    };

    FakeReply(const Answer& answer, QNetworkAccessManager::Operation operation,
              const QNetworkRequest& request, QObject* parent = nullptr);

    // Finished at once, without a signal: the reply as its reader finds it at the end.
    void finishNow();
    // From the event loop, in Qt's order: the headers, the body, the end; `delivered` runs once the
    // end's signal has been handled (or the reply was aborted meanwhile).
    void deliverLater(std::function<void()> delivered = {});

    void abort() override;
    qint64 bytesAvailable() const override;
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* data, qint64 maxSize) override;

private:
    void deliver();
    void end(NetworkError error);

    Answer m_answer;
    QByteArray m_available;
    qint64 m_read = 0;
    std::function<void()> m_delivered;
};

} // namespace pelnix::test
