#include "platform/HttpResponseReader.h"

namespace pelnix::platform {

namespace {
// A chunk-size line is a number and, rarely, a short extension.
constexpr qsizetype kMaxChunkLine = 4096;
// Sixteen hex digits would overflow a signed 64-bit size.
constexpr qsizetype kMaxChunkDigits = 15;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isTokenChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           QByteArrayView("!#$%&'*+-.^_`|~").contains(c);
}

QByteArrayView withoutLineEnd(QByteArrayView line) {
    if (line.endsWith('\n'))
        line.chop(1);
    if (line.endsWith('\r'))
        line.chop(1);
    return line;
}
} // namespace

HttpResponseReader::HttpResponseReader(const Bounds& bounds) : m_bounds(bounds) {}

void HttpResponseReader::append(const QByteArray& bytes) {
    // Taken bytes are dropped once they are half of what is held, so the buffer stays one read long.
    if (m_pos > 0 && m_pos >= m_pending.size() / 2) {
        m_pending.remove(0, m_pos);
        m_scanned = qMax<qsizetype>(0, m_scanned - m_pos);
        m_pos = 0;
    }
    m_pending.append(bytes);
}

void HttpResponseReader::close() {
    m_closed = true;
}

void HttpResponseReader::consume(qsizetype count) {
    m_pos += count;
    m_scanned = qMax(m_scanned, m_pos);
}

HttpResponseReader::Step HttpResponseReader::fail(const QString& why) {
    if (m_state != State::Failed)
        m_error = why;
    m_state = State::Failed;
    return Step::Failed;
}

QByteArray HttpResponseReader::header(QByteArrayView name) const {
    QByteArray value;
    for (const auto& [field, text] : m_headers) {
        if (field.compare(name, Qt::CaseInsensitive) != 0)
            continue;
        if (!value.isEmpty())
            value += ", ";
        value += text;
    }
    return value;
}

HttpResponseReader::Step HttpResponseReader::next(QByteArray& body) {
    body.clear();
    for (;;) {
        switch (m_state) {
        case State::Head:
            return readHead();
        case State::Length:
        case State::ChunkData:
            return takeBody(m_remaining, body);
        case State::UntilClose:
            return takeBody(available(), body);
        case State::ChunkSize:
            if (!readChunkSize())
                break;
            continue;
        case State::ChunkEnd:
            if (!readChunkEnd())
                break;
            continue;
        case State::Trailers:
            if (!readTrailers())
                break;
            continue;
        case State::Done:
            return Step::Done;
        case State::Failed:
            return Step::Failed;
        }
        return m_state == State::Failed ? Step::Failed : Step::NeedMore;
    }
}

qsizetype HttpResponseReader::findBlankLine() {
    // A line ends in CRLF or, from lax servers, a bare LF.
    qsizetype from = qMax(m_pos, m_scanned - 2);
    for (;;) {
        const qsizetype lf = m_pending.indexOf('\n', from);
        if (lf < 0)
            break;
        if (lf + 1 < m_pending.size() && m_pending.at(lf + 1) == '\n')
            return lf + 2;
        if (lf + 2 < m_pending.size() && m_pending.at(lf + 1) == '\r' && m_pending.at(lf + 2) == '\n')
            return lf + 3;
        if (lf + 2 >= m_pending.size()) {
            // The blank line may still come: look here again once more bytes are in.
            m_scanned = lf;
            return -1;
        }
        from = lf + 1;
    }
    m_scanned = m_pending.size();
    return -1;
}

HttpResponseReader::Step HttpResponseReader::readHead() {
    for (;;) {
        // Blank lines before a head are passed over as interim bytes.
        while (available() > 0 && (m_pending.at(m_pos) == '\n' || m_pending.at(m_pos) == '\r')) {
            consume(1);
            if (++m_interimBytes > m_bounds.maxInterimBytes)
                return fail(QStringLiteral("interim answers over %1 bytes").arg(m_bounds.maxInterimBytes));
        }
        const qsizetype end = findBlankLine();
        if (end < 0) {
            if (available() > m_bounds.maxHeadBytes)
                return fail(QStringLiteral("a head over %1 bytes").arg(m_bounds.maxHeadBytes));
            if (m_closed)
                return fail(available() > 0 ? QStringLiteral("the connection closed inside a head")
                                            : QStringLiteral("the connection closed before an answer"));
            return Step::NeedMore;
        }
        const qsizetype length = end - m_pos;
        if (length > m_bounds.maxHeadBytes)
            return fail(QStringLiteral("a head over %1 bytes").arg(m_bounds.maxHeadBytes));
        if (!parseHead(QByteArrayView(m_pending).sliced(m_pos, length)))
            return Step::Failed;
        consume(length);
        if (m_status >= 200)
            return frameBody() ? Step::Head : Step::Failed;
        if (m_status == 101)
            return fail(QStringLiteral("a switch of protocols that was not asked for"));
        m_interimBytes += length;
        if (m_interimBytes > m_bounds.maxInterimBytes)
            return fail(QStringLiteral("interim answers over %1 bytes").arg(m_bounds.maxInterimBytes));
    }
}

bool HttpResponseReader::parseHead(QByteArrayView head) {
    const auto refuse = [this](const QString& why) {
        fail(why);
        return false;
    };
    m_headers.clear();
    m_status = 0;
    qsizetype start = 0;
    bool first = true;
    while (start < head.size()) {
        const qsizetype lf = head.indexOf('\n', start);
        const QByteArrayView line = withoutLineEnd(head.sliced(start, lf - start + 1));
        start = lf + 1;
        if (line.isEmpty())
            break;
        if (first) {
            first = false;
            // HTTP/1.x, a space, three digits, then a reason that may be empty or missing.
            if (line.size() < 12 || !line.startsWith("HTTP/1.") || !isDigit(line.at(7)) ||
                line.at(8) != ' ' || (line.size() > 12 && line.at(12) != ' '))
                return refuse(QStringLiteral("not an HTTP/1 status line"));
            if (!isDigit(line.at(9)) || !isDigit(line.at(10)) || !isDigit(line.at(11)) || line.at(9) < '1' ||
                line.at(9) > '5')
                return refuse(QStringLiteral("a status that is no number"));
            m_status = (line.at(9) - '0') * 100 + (line.at(10) - '0') * 10 + (line.at(11) - '0');
            continue;
        }
        if (line.front() == ' ' || line.front() == '\t') {
            // An old-style continuation: the line goes on the previous field's value.
            if (m_headers.isEmpty())
                return refuse(QStringLiteral("a continuation with no field"));
            m_headers.last().second += ' ' + line.trimmed().toByteArray();
            continue;
        }
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            return refuse(QStringLiteral("a header line with no field name"));
        const QByteArrayView name = line.first(colon);
        for (const char c : name)
            if (!isTokenChar(c))
                return refuse(QStringLiteral("a field name with characters a name cannot hold"));
        m_headers.append({name.toByteArray(), line.sliced(colon + 1).trimmed().toByteArray()});
    }
    if (first)
        return refuse(QStringLiteral("an empty head"));
    return true;
}

// How the final answer's body ends: chunks when the last coding is chunked, else the close when there
// is any other coding, else a length, else the close. Lengths that disagree are refused.
bool HttpResponseReader::frameBody() {
    m_length = -1;
    if (m_status == 204 || m_status == 304) {
        m_state = State::Done;
        return true;
    }
    const QByteArray coding = header("transfer-encoding").trimmed().toLower();
    if (!coding.isEmpty()) {
        const QByteArray last = coding.mid(coding.lastIndexOf(',') + 1).trimmed();
        m_state = last == "chunked" ? State::ChunkSize : State::UntilClose;
        return true;
    }
    const QByteArray lengths = header("content-length");
    if (lengths.isEmpty()) {
        m_state = State::UntilClose;
        return true;
    }
    for (const QByteArray& part : lengths.split(',')) {
        const QByteArray digits = part.trimmed();
        bool ok = !digits.isEmpty() && digits.size() <= 18;
        for (const char c : digits)
            ok = ok && isDigit(c);
        const qint64 length = ok ? digits.toLongLong() : -1;
        if (!ok || (m_length >= 0 && length != m_length)) {
            fail(QStringLiteral("a length that is no single number"));
            return false;
        }
        m_length = length;
    }
    m_remaining = m_length;
    m_state = m_length == 0 ? State::Done : State::Length;
    return true;
}

HttpResponseReader::Step HttpResponseReader::takeBody(qint64 most, QByteArray& body) {
    const qsizetype count = qsizetype(qMin<qint64>(most, available()));
    if (count == 0) {
        if (!m_closed)
            return Step::NeedMore;
        if (m_state == State::UntilClose) {
            m_state = State::Done;
            return Step::Done;
        }
        return fail(QStringLiteral("the connection closed %1 bytes before the body's end").arg(m_remaining));
    }
    body = m_pending.mid(m_pos, count);
    consume(count);
    if (m_state != State::UntilClose) {
        m_remaining -= count;
        if (m_remaining == 0)
            m_state = m_state == State::Length ? State::Done : State::ChunkEnd;
    }
    return Step::Body;
}

bool HttpResponseReader::readChunkSize() {
    const qsizetype lf = m_pending.indexOf('\n', m_pos);
    if (lf < 0 || lf - m_pos > kMaxChunkLine) {
        if (available() > kMaxChunkLine)
            fail(QStringLiteral("a chunk size line over %1 bytes").arg(kMaxChunkLine));
        else if (m_closed)
            fail(QStringLiteral("the connection closed inside a chunk size"));
        return false;
    }
    const QByteArrayView line = withoutLineEnd(QByteArrayView(m_pending).sliced(m_pos, lf - m_pos + 1));
    qsizetype digits = 0;
    qint64 size = 0;
    while (digits < line.size()) {
        const char c = line.at(digits);
        const int value = c >= '0' && c <= '9'   ? c - '0'
                          : c >= 'a' && c <= 'f' ? c - 'a' + 10
                          : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                 : -1;
        if (value < 0)
            break;
        // Digits past the most are only counted, so the size never overflows.
        if (digits < kMaxChunkDigits)
            size = size * 16 + value;
        ++digits;
    }
    const QByteArrayView rest = line.sliced(digits).trimmed();
    if (digits == 0 || digits > kMaxChunkDigits || (!rest.isEmpty() && !rest.startsWith(';'))) {
        fail(QStringLiteral("a chunk size that is no number"));
        return false;
    }
    consume(lf + 1 - m_pos);
    m_remaining = size;
    m_state = size == 0 ? State::Trailers : State::ChunkData;
    return true;
}

bool HttpResponseReader::readChunkEnd() {
    if (available() >= 1 && m_pending.at(m_pos) == '\n') {
        consume(1);
    } else if (available() >= 2 && m_pending.at(m_pos) == '\r' && m_pending.at(m_pos + 1) == '\n') {
        consume(2);
    } else {
        if (available() >= 2 || (available() == 1 && m_pending.at(m_pos) != '\r'))
            fail(QStringLiteral("a chunk longer than its size"));
        else if (m_closed)
            fail(QStringLiteral("the connection closed after a chunk"));
        return false;
    }
    m_state = State::ChunkSize;
    return true;
}

bool HttpResponseReader::readTrailers() {
    // No trailer: the blank line follows the last chunk at once.
    qsizetype end = -1;
    if (available() >= 1 && m_pending.at(m_pos) == '\n')
        end = m_pos + 1;
    else if (available() >= 2 && m_pending.at(m_pos) == '\r' && m_pending.at(m_pos + 1) == '\n')
        end = m_pos + 2;
    else
        end = findBlankLine();
    if (end < 0 || end - m_pos > m_bounds.maxHeadBytes) {
        if (available() > m_bounds.maxHeadBytes)
            fail(QStringLiteral("trailers over %1 bytes").arg(m_bounds.maxHeadBytes));
        else if (m_closed)
            fail(QStringLiteral("the connection closed inside the trailers"));
        return false;
    }
    // Trailers say nothing the file needs.
    consume(end - m_pos);
    m_state = State::Done;
    return true;
}

} // namespace pelnix::platform
