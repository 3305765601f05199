#include "core/model/EventStreamLineAssembler.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcEventLines, "pelnix.modelmanager.eventlines", QtWarningMsg)

namespace pelnix {

namespace {

constexpr QByteArrayView kNotAuthenticated = R"({"name":"NotAuthenticated")";
constexpr QByteArrayView kDataPrefix = "data: ";

QByteArrayView trimmed(QByteArrayView text) {
    auto isSpace = [](char c) {
        return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
    };
    qsizetype begin = 0, end = text.size();
    while (begin < end && isSpace(text[begin]))
        ++begin;
    while (end > begin && isSpace(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

} // namespace

void EventStreamLineAssembler::reset() {
    m_buffer.clear();
    m_stopped = false;
}

EventStreamLineAssembler::Result EventStreamLineAssembler::append(const QByteArray& bytes) {
    Result result;
    if (m_stopped)
        return result;
    m_buffer.append(bytes);

    qsizetype start = 0;
    for (;;) {
        // The server's answer that the session is over is written where a line begins: at the start
        // of the body or of a later piece. Inside a line the same bytes are someone's data.
        const QByteArrayView rest = QByteArrayView(m_buffer).sliced(start);
        const qsizetype n = qMin(rest.size(), kNotAuthenticated.size());
        if (n > 0 && rest.first(n) == kNotAuthenticated.first(n)) {
            if (n == kNotAuthenticated.size()) {
                m_stopped = true;
                m_buffer.clear();
                result.notAuthenticated = true;
                return result;
            }
            break; // too short to tell yet
        }
        const qsizetype end = m_buffer.indexOf('\n', start);
        if (end < 0)
            break;
        const bool goOn = takeLine(QByteArrayView(m_buffer).sliced(start, end - start), result, false);
        start = end + 1;
        if (!goOn) {
            // The rest of this piece is not read; a partial line after it still waits for its end.
            start = m_buffer.lastIndexOf('\n') + 1;
            break;
        }
    }
    m_buffer.remove(0, start);

    // A tail that is already a whole object need not wait for its line end.
    const QByteArrayView tail = trimmed(m_buffer);
    if (!tail.isEmpty() && tail.back() == '}') {
        Result tailResult;
        takeLine(m_buffer, tailResult, true);
        if (!tailResult.events.isEmpty()) {
            result.events += tailResult.events;
            m_buffer.clear();
        }
    }
    return result;
}

bool EventStreamLineAssembler::takeLine(QByteArrayView line, Result& result, bool isTail) {
    if (line.startsWith(kDataPrefix))
        line = line.sliced(kDataPrefix.size());
    line = trimmed(line);
    if (line.isEmpty())
        return true;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(line.toByteArray(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        if (!isTail) {
            ++result.droppedLines;
            qCDebug(lcEventLines) << "dropped a stream line that is not an event of" << line.size()
                                  << "bytes";
        }
        return true;
    }
    const QJsonObject object = document.object();
    if (object.value(QLatin1String("error")).toString() == QLatin1String("NotAuthenticated"))
        return false;
    result.events.append(object.toVariantMap());
    return true;
}

} // namespace pelnix
