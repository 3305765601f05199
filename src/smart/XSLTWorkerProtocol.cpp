#include "smart/XSLTWorkerProtocol.h"

#include <cerrno>
#include <chrono>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace pelnix::xsltworker {

namespace {

template <typename T> void put(QByteArray& out, T value) {
    out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

void putBytes(QByteArray& out, const QByteArray& bytes) {
    put<quint64>(out, quint64(bytes.size()));
    out.append(bytes);
}

template <typename T> bool get(int fd, T* value, qint64 deadlineMs, bool* timedOut) {
    return readFully(fd, reinterpret_cast<char*>(value), sizeof *value, deadlineMs, timedOut);
}

bool getBytes(int fd, QByteArray* bytes, qint64 deadlineMs, bool* timedOut) {
    quint64 size = 0;
    if (!get(fd, &size, deadlineMs, timedOut) || size > quint64(kMaxFrameBytes))
        return false;
    bytes->resize(qsizetype(size));
    return readFully(fd, bytes->data(), qint64(size), deadlineMs, timedOut);
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

QByteArray encode(const Request& request) {
    QByteArray out;
    put<quint32>(out, kRequestMagic);
    put<qint32>(out, request.limits.timeMs);
    put<qint64>(out, request.limits.maxOutputBytes);
    put<qint64>(out, request.limits.maxBuiltBytes);
    put<quint64>(out, request.limits.maxXPathOperations);
    putBytes(out, request.xslt);
    putBytes(out, request.input);
    return out;
}

QByteArray encode(const Reply& reply) {
    QByteArray out;
    put<quint8>(out, reply.ok ? 1 : 0);
    putBytes(out, reply.text.toUtf8());
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
    quint32 magic = 0;
    Request request;
    qint32 timeMs = 0;
    if (!get(fd, &magic, -1, nullptr) || magic != kRequestMagic || !get(fd, &timeMs, -1, nullptr) ||
        !get(fd, &request.limits.maxOutputBytes, -1, nullptr) ||
        !get(fd, &request.limits.maxBuiltBytes, -1, nullptr))
        return std::nullopt;
    quint64 operations = 0;
    if (!get(fd, &operations, -1, nullptr) || !getBytes(fd, &request.xslt, -1, nullptr) ||
        !getBytes(fd, &request.input, -1, nullptr))
        return std::nullopt;
    request.limits.timeMs = timeMs;
    request.limits.maxXPathOperations = (unsigned long)operations;
    return request;
}

std::optional<Reply> readReply(int fd, qint64 deadlineMs, bool* timedOut) {
    quint8 ok = 0;
    QByteArray text;
    if (!get(fd, &ok, deadlineMs, timedOut) || !getBytes(fd, &text, deadlineMs, timedOut))
        return std::nullopt;
    return Reply{ok == 1, QString::fromUtf8(text)};
}

} // namespace pelnix::xsltworker
