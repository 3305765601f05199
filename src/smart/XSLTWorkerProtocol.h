#pragma once

#include "smart/PLXSLTStylesheet.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace pelnix {

// What a transform worker and its caller say to each other over one stream socket: a request (the
// bounds, the stylesheet text, and a batch of inputs) and one answer per input, written as soon as
// that input is done (the output, or why it failed). Answers come in the order of the inputs, so
// the caller can give each input its own time bound. Frames are length-prefixed, in the machine's
// own byte order: both ends are this build.
namespace xsltworker {

inline constexpr quint32 kRequestMagic = 0x50585732; // "PXW2"
// The worker writes this byte once it can take requests.
inline constexpr char kReady = 'R';
// A stylesheet, document or batch longer than this is refused before it is sent.
inline constexpr qint64 kMaxFrameBytes = 256 * 1024 * 1024;
// Inputs of one request at most.
inline constexpr quint32 kMaxBatch = 4096;

struct Input {
    enum class Kind : quint8 {
        // `data` is an XML document.
        Document = 0,
        // `data` is a smart message's JSON text and `headers` its room headers as a JSON object:
        // the worker builds the message document itself, which spares writing and parsing it.
        MessageJSON = 1,
    };
    Kind kind = Kind::Document;
    QByteArray data;
    QByteArray headers;
};

struct Request {
    PLXSLTStylesheet::Limits limits;
    QByteArray xslt;
    QList<Input> inputs;
};

struct Reply {
    bool ok = false;
    // The output when ok, otherwise the reason.
    QString text;
};

QByteArray encode(const Request& request);
QByteArray encode(const Reply& reply);
// Bytes of an encoded request, and what each input adds to it, without encoding them.
qint64 encodedSize(const Request& request);
qint64 encodedSize(const Input& input);

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
