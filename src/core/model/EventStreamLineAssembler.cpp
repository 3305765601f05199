#include "core/model/EventStreamLineAssembler.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcEventLines, "pelnix.modelmanager.eventlines")

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
    m_atBodyStart = true;
    m_stopped = false;
}

EventStreamLineAssembler::Result EventStreamLineAssembler::append(const QByteArray& bytes) {
    Result result;
    if (m_stopped)
        return result;
    m_buffer.append(bytes);

    if (m_atBodyStart) {
        const qsizetype n = qMin(m_buffer.size(), kNotAuthenticated.size());
        if (QByteArrayView(m_buffer).first(n) != kNotAuthenticated.first(n)) {
            m_atBodyStart = false;
        } else if (n == kNotAuthenticated.size()) {
            m_stopped = true;
            m_buffer.clear();
            result.notAuthenticated = true;
            return result;
        } else {
            return result; // too short to tell yet
        }
    }

    qsizetype start = 0;
    for (qsizetype end = m_buffer.indexOf('\n'); end >= 0; end = m_buffer.indexOf('\n', start)) {
        const bool goOn = takeLine(QByteArrayView(m_buffer).sliced(start, end - start), result, false);
        start = end + 1;
        if (!goOn) {
            // The rest of this piece is not read; a partial line after it still waits for its end.
            const qsizetype last = m_buffer.lastIndexOf('\n');
            start = last + 1;
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
