#pragma once

#include "smart/PLXSLTStylesheet.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace pelnix {

// What a transform worker and its caller say to each other over one stream socket: a request (the
// bounds, the stylesheet text, the input document as XML) and its answer (the output, or why it
// failed). Frames are length-prefixed, in the machine's own byte order: both ends are this build.
namespace xsltworker {

inline constexpr quint32 kRequestMagic = 0x50585731; // "PXW1"
// The worker writes this byte once it can take requests.
inline constexpr char kReady = 'R';
// A stylesheet or document longer than this is refused before it is sent.
inline constexpr qint64 kMaxFrameBytes = 256 * 1024 * 1024;

struct Request {
    PLXSLTStylesheet::Limits limits;
    QByteArray xslt;
    QByteArray input;
};

struct Reply {
    bool ok = false;
    // The output when ok, otherwise the reason.
    QString text;
};

QByteArray encode(const Request& request);
QByteArray encode(const Reply& reply);

// Reads exactly `size` bytes from `fd`, waiting at most until `deadlineMs` (a steady-clock time
// from nowMs(); -1 waits without end); false at the end of the stream, on an error or at the
// deadline (then `timedOut` is set).
bool readFully(int fd, char* data, qint64 size, qint64 deadlineMs, bool* timedOut = nullptr);
bool writeFully(int fd, const char* data, qint64 size, qint64 deadlineMs, bool* timedOut = nullptr);
qint64 nowMs();

std::optional<Request> readRequest(int fd);
std::optional<Reply> readReply(int fd, qint64 deadlineMs, bool* timedOut);

} // namespace xsltworker

} // namespace pelnix
