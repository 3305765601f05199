#include "smart/XSLTWorkerProtocol.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace pelnix::xsltworker {

namespace {

constexpr qint64 kBytesHeader = sizeof(quint64);

template <typename T> void put(QByteArray& out, T value) {
    out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

void putBytes(QByteArray& out, const QByteArray& bytes) {
    put<quint64>(out, quint64(bytes.size()));
    out.append(bytes);
}

// Reads the fields of one frame held in memory; every read checks what is left.
class FrameReader {
public:
    explicit FrameReader(const QByteArray& frame) : m_frame(frame) {}
    template <typename T> bool get(T* value) {
        if (left() < qint64(sizeof *value))
            return false;
        std::memcpy(value, m_frame.constData() + m_at, sizeof *value);
        m_at += sizeof *value;
        return true;
    }
    bool getBytes(QByteArray* bytes) {
        quint64 size = 0;
        if (!get(&size) || size > quint64(left()))
            return false;
        *bytes = m_frame.mid(m_at, qsizetype(size));
        m_at += qsizetype(size);
        return true;
    }
    qint64 left() const { return m_frame.size() - m_at; }

private:
    const QByteArray& m_frame;
    qsizetype m_at = 0;
};

// One length-prefixed frame from `fd`.
bool readFrame(int fd, QByteArray* frame, qint64 deadlineMs, bool* timedOut) {
    quint64 size = 0;
    if (!readFully(fd, reinterpret_cast<char*>(&size), sizeof size, deadlineMs, timedOut) ||
        size > quint64(kMaxFrameBytes))
        return false;
    frame->resize(qsizetype(size));
    return readFully(fd, frame->data(), qint64(size), deadlineMs, timedOut);
}

// Waits until `fd` is ready for `events`; false at the deadline or on an error.
bool waitFor(int fd, short events, qint64 deadlineMs, bool* timedOut) {
    for (;;) {
        const qint64 left = deadlineMs < 0 ? -1 : deadlineMs - nowMs();
        if (deadlineMs >= 0 && left <= 0) {
            if (timedOut)
                *timedOut = true;
            return false;
        }
        pollfd entry{fd, events, 0};
        const int ready = ::poll(&entry, 1, left < 0 ? -1 : int(qMin<qint64>(left, 1 << 30)));
        if (ready > 0)
            return true;
        if (ready < 0 && errno != EINTR)
            return false;
    }
}

} // namespace

qint64 nowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

qint64 encodedSize(const Request& request) {
    qint64 size = kBytesHeader + sizeof(quint32) + sizeof(qint32) + 2 * sizeof(qint64) + sizeof(quint64) +
                  kBytesHeader + request.xslt.size() + sizeof(quint32);
    for (const Input& input : request.inputs)
        size += encodedSize(input);
    return size;
}

qint64 encodedSize(const Input& input) {
    return 1 + 2 * kBytesHeader + input.data.size() + input.headers.size();
}

QByteArray encode(const Request& request) {
    QByteArray out;
    const qint64 size = encodedSize(request);
    out.reserve(qsizetype(size));
    put<quint64>(out, quint64(size - kBytesHeader));
    put<quint32>(out, kRequestMagic);
    put<qint32>(out, request.limits.timeMs);
    put<qint64>(out, request.limits.maxOutputBytes);
    put<qint64>(out, request.limits.maxBuiltBytes);
    put<quint64>(out, request.limits.maxXPathOperations);
    putBytes(out, request.xslt);
    put<quint32>(out, quint32(request.inputs.size()));
    for (const Input& input : request.inputs) {
        put<quint8>(out, quint8(input.kind));
        putBytes(out, input.data);
        putBytes(out, input.headers);
    }
    return out;
}

QByteArray encode(const Reply& reply) {
    const QByteArray text = reply.text.toUtf8();
    QByteArray out;
    out.reserve(kBytesHeader + 1 + text.size());
    put<quint64>(out, quint64(1 + text.size()));
    put<quint8>(out, reply.ok ? 1 : 0);
    out.append(text);
    return out;
}

bool readFully(int fd, char* data, qint64 size, qint64 deadlineMs, bool* timedOut) {
    while (size > 0) {
        if (!waitFor(fd, POLLIN, deadlineMs, timedOut))
            return false;
        const ssize_t got = ::read(fd, data, size_t(size));
        if (got == 0)
            return false;
        if (got < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            return false;
        }
        data += got;
        size -= got;
    }
    return true;
}

bool writeFully(int fd, const char* data, qint64 size, qint64 deadlineMs, bool* timedOut) {
    while (size > 0) {
        if (!waitFor(fd, POLLOUT, deadlineMs, timedOut))
            return false;
        // On a socket a peer that went away is an error here, not a SIGPIPE for the process.
        ssize_t sent = ::send(fd, data, size_t(size), MSG_NOSIGNAL);
        if (sent < 0 && errno == ENOTSOCK)
            sent = ::write(fd, data, size_t(size));
        if (sent < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            return false;
        }
        data += sent;
        size -= sent;
    }
    return true;
}

std::optional<Request> readRequest(int fd) {
    QByteArray frame;
    if (!readFrame(fd, &frame, -1, nullptr))
        return std::nullopt;
    FrameReader reader(frame);
    quint32 magic = 0;
    Request request;
    qint32 timeMs = 0;
    quint64 operations = 0;
    quint32 count = 0;
    if (!reader.get(&magic) || magic != kRequestMagic || !reader.get(&timeMs) ||
        !reader.get(&request.limits.maxOutputBytes) || !reader.get(&request.limits.maxBuiltBytes) ||
        !reader.get(&operations) || !reader.getBytes(&request.xslt) || !reader.get(&count) ||
        count > kMaxBatch)
        return std::nullopt;
    request.inputs.resize(count);
    for (Input& input : request.inputs) {
        quint8 kind = 0;
        if (!reader.get(&kind) || kind > quint8(Input::Kind::MessageJSON) || !reader.getBytes(&input.data) ||
            !reader.getBytes(&input.headers))
            return std::nullopt;
        input.kind = Input::Kind(kind);
    }
    if (reader.left() != 0)
        return std::nullopt;
    request.limits.timeMs = timeMs;
    request.limits.maxXPathOperations = (unsigned long)operations;
    return request;
}

std::optional<Reply> readReply(int fd, qint64 deadlineMs, bool* timedOut) {
    QByteArray frame;
    if (!readFrame(fd, &frame, deadlineMs, timedOut) || frame.isEmpty())
        return std::nullopt;
    return Reply{frame.at(0) == 1, QString::fromUtf8(frame.constData() + 1, frame.size() - 1)};
}

} // namespace pelnix::xsltworker
