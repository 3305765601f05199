#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>
#include <QTcpServer>
#include <optional>

class QTcpSocket;

namespace pelnix::test {

// A loopback HTTP/1.1 server (127.0.0.1, a port of the system's choosing) that answers as a server
// gone bad may: bodies of any length written only as fast as the reader takes them, a length
// announced and never sent, bodies without a length or in chunks, a byte at a time on the test's
// word, redirects anywhere. It runs on the thread that made it, with no timers of its own.
class HostileHttpPeer : public QObject {
    Q_OBJECT
public:
    enum class Framing {
        Length,  // Content-Length (the real one, or `announced`)
        Chunked, // Transfer-Encoding: chunked
        Close,   // no length: the body ends when the connection closes
    };
    struct Answer {
        int status = 200;
        QByteArray contentType = "application/octet-stream";
        // The body: `head`, then `repeat` copies of `unit`, then `tail`.
        QByteArray head;
        QByteArray unit;
        qint64 repeat = 0;
        QByteArray tail;
        Framing framing = Framing::Length;
        // A Content-Length other than the body's; the connection then stays open once the body is sent.
        qint64 announced = -1;
        // The body goes out one byte at once and one more at each drip().
        bool drip = false;
        // Not empty: a 302 to this URL, no body.
        QString location;

        qint64 length() const { return head.size() + unit.size() * repeat + tail.size(); }
        static Answer of(const QByteArray& body, const QByteArray& contentType);
    };

    explicit HostileHttpPeer(QObject* parent = nullptr);
    ~HostileHttpPeer() override;

    QString origin() const;
    QString url(const QString& path) const { return origin() + path; }

    // The answer to requests for `path` (query ignored); others get the fallback, else a 404.
    void answer(const QString& path, const Answer& answer) { m_answers.insert(path, answer); }
    void answerEveryPath(const Answer& answer) { m_fallback = answer; }

    int hits(const QString& path) const { return m_hits.value(path); }
    int requests() const { return m_requests; }
    // Body bytes written to readers, all answers together.
    qint64 bytesSent() const { return m_sent; }
    // Answers waiting for drip().
    int dripping() const;
    // One more byte of every dripping answer.
    void drip();

signals:
    void requested(const QString& path);

private:
    struct Reply {
        Answer answer;
        qint64 position = 0;
    };
    void readRequest(QTcpSocket* socket);
    void pump(QTcpSocket* socket);
    void write(QTcpSocket* socket, Reply& reply, qint64 count);
    QByteArray bodyChunk(const Answer& answer, qint64 offset, qint64 count) const;
    void end(QTcpSocket* socket, Reply& reply);

    QTcpServer m_server;
    QHash<QString, Answer> m_answers;
    std::optional<Answer> m_fallback;
    QHash<QString, int> m_hits;
    QHash<QTcpSocket*, Reply> m_replies;
    int m_requests = 0;
    qint64 m_sent = 0;
};

} // namespace pelnix::test

Q_DECLARE_METATYPE(pelnix::test::HostileHttpPeer::Answer)
