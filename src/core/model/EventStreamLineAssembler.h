#pragma once

#include <QByteArray>
#include <QList>
#include <QVariantMap>

namespace pelnix {

// Turns the event stream's body, in whatever pieces the network delivers it, into event objects.
//
// Works on bytes: pieces are appended, cut at "\n", and only complete lines are decoded, so a line
// or a UTF-8 character split across reads is joined before it is read. A line is "data: " followed
// by one JSON object; blank lines (keep-alives) and a bare "data: " carry nothing. An unterminated
// tail that already holds a whole object is taken at once, so a last event without its line end is
// not held back. A line that begins with {"name":"NotAuthenticated" (the body's first or any later
// one, without "data: ") ends the session; inside a line those bytes are ordinary data.
class EventStreamLineAssembler {
public:
    struct Result {
        QList<QVariantMap> events;
        // The body announced that the credentials are no longer valid; nothing more is read.
        bool notAuthenticated = false;
        // Complete lines that were neither blank nor an object (logged and dropped).
        int droppedLines = 0;
    };

    // Starts a new response body: whatever was waiting is dropped.
    void reset();
    Result append(const QByteArray& bytes);
    // Bytes of an unterminated line still waiting.
    QByteArray pendingBytes() const { return m_buffer; }

private:
    // Decodes one line (without its "\n"); false when it should stop the walk of this piece.
    bool takeLine(QByteArrayView line, Result& result, bool isTail);

    QByteArray m_buffer;
    bool m_stopped = false;
};

} // namespace pelnix
