#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QPair>
#include <QString>

namespace pelnix::platform {

// Reads one HTTP/1.x answer off a byte stream as it arrives, in bounded memory. Interim (1xx) heads
// are passed over and counted against a bound of their own, so a peer cannot keep a reader busy with
// them; a 101 is refused, since no change of protocol is ever asked for. The final head must fit a
// size bound; its body is framed by chunked coding, a length, or the end of the connection, and handed
// out as it comes. Holds one head at most besides the bytes not yet taken.
class HttpResponseReader {
public:
    struct Bounds {
        // One head, status line to blank line (trailers of a chunked body too).
        qsizetype maxHeadBytes = 64 * 1024;
        // All interim heads of the answer together.
        qsizetype maxInterimBytes = 256 * 1024;
    };
    enum class Step {
        NeedMore, // nothing more until more bytes come or the connection closes
        Head,     // the final head is in: status() and header() answer
        Body,     // bytes of the body were handed out
        Done,     // the whole answer is in
        Failed,   // malformed, cut short or over a bound: error() says which
    };

    HttpResponseReader() : HttpResponseReader(Bounds()) {}
    explicit HttpResponseReader(const Bounds& bounds);

    // Bytes as they come off the connection.
    void append(const QByteArray& bytes);
    // The connection has closed: a body that runs to the close ends; anything else unfinished fails.
    void close();
    // Goes on with what has come; on Body, `body` holds the bytes handed out.
    Step next(QByteArray& body);

    int status() const { return m_status; }
    // A field of the final head as it came, without surrounding blanks; repeated fields joined by ", ".
    QByteArray header(QByteArrayView name) const;
    // The declared length of the body, -1 when it has none (chunked, or up to the close).
    qint64 contentLength() const { return m_length; }
    // Bytes of interim heads passed over so far.
    qsizetype interimBytes() const { return m_interimBytes; }
    QString error() const { return m_error; }

private:
    enum class State { Head, Length, ChunkSize, ChunkData, ChunkEnd, Trailers, UntilClose, Done, Failed };
    Step readHead();
    bool parseHead(QByteArrayView head);
    bool frameBody();
    // Each answers whether it got on; when not, the reader waits for bytes or has failed.
    bool readChunkSize();
    bool readChunkEnd();
    bool readTrailers();
    Step takeBody(qint64 most, QByteArray& body);
    // The end of the blank line closing the head or trailers that starts at m_pos, or -1.
    qsizetype findBlankLine();
    qsizetype available() const { return m_pending.size() - m_pos; }
    void consume(qsizetype count);
    Step fail(const QString& why);

    Bounds m_bounds;
    State m_state = State::Head;
    QByteArray m_pending;
    qsizetype m_pos = 0;
    // How far the search for a blank line got, so a head arriving a byte at a time is scanned once.
    qsizetype m_scanned = 0;
    bool m_closed = false;
    int m_status = 0;
    QList<QPair<QByteArray, QByteArray>> m_headers;
    qint64 m_length = -1;
    qint64 m_remaining = 0;
    qsizetype m_interimBytes = 0;
    QString m_error;
};

} // namespace pelnix::platform
