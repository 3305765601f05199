#include "DocumentWorkerServer.h"

#include "DocumentWorkerProtocol.h"

#include <QPdfDocument>
#include <QPdfDocumentRenderOptions>

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <unistd.h>

namespace pelnix::platform::ui {

using namespace documentworker;

namespace {

bool readAll(int fd, char* data, qsizetype size) {
    while (size > 0) {
        const ssize_t got = ::read(fd, data, size_t(size));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        data += got;
        size -= got;
    }
    return true;
}

bool hasInput(int fd) {
    pollfd watched{fd, POLLIN, 0};
    return ::poll(&watched, 1, 0) > 0;
}

} // namespace

std::optional<Frame> DocumentWorkerServer::readFrame(int in) {
    char header[kHeaderBytes];
    if (!readAll(in, header, kHeaderBytes))
        return std::nullopt;
    quint32 length = 0;
    std::memcpy(&length, header + 1, sizeof(length));
    if (length > maxPayloadBytes(header[0]))
        return std::nullopt;
    Frame frame{Kind(header[0]), QByteArray(qsizetype(length), Qt::Uninitialized)};
    if (!readAll(in, frame.payload.data(), length))
        return std::nullopt;
    return frame;
}

bool DocumentWorkerServer::write(int out, const QByteArray& bytes) {
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t put = ::write(out, data, size_t(left));
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        data += put;
        left -= put;
    }
    return true;
}

int DocumentWorkerServer::serve(int in, int out) {
    const std::optional<Frame> open = readFrame(in);
    const std::optional<QString> path = open ? readOpen(*open) : std::nullopt;
    if (!path)
        return 2;
    QPdfDocument document;
    if (document.load(*path) != QPdfDocument::Error::None || document.pageCount() <= 0) {
        write(out, frame(Failed, {}));
        return 0;
    }
    const int count = document.pageCount();
    if (!write(out, openedFrame(count)))
        return 0;
    // The pages past those the preview shows are not even sized.
    const int shown = qMin(count, kMaxPages);
    int sized = 0;
    for (;;) {
        // Sizes go out while nothing is asked for; a render waits for one run at most.
        if (sized < shown && !hasInput(in)) {
            QList<QSizeF> sizes;
            const int end = qMin(shown, sized + kSizesPerFrame);
            for (int page = sized; page < end; ++page) {
                // The engine answers -1 x -1 for a page it cannot find.
                const QSizeF size = document.pagePointSize(page);
                sizes << (isUsableSide(size.width()) && isUsableSide(size.height()) ? size : QSizeF(0, 0));
            }
            if (!write(out, sizesFrame(sized, sizes)))
                return 0;
            sized = end;
            continue;
        }
        const std::optional<Frame> next = readFrame(in);
        if (!next)
            return 0;
        const std::optional<RenderRequest> request = readRender(*next);
        if (!request)
            return 2;
        QImage image;
        if (request->page >= 0 && request->page < shown) {
            QPdfDocumentRenderOptions options;
            if (request->pageHeight > 0) {
                options.setScaledSize(QSize(request->pixels.width(), request->pageHeight));
                options.setScaledClipRect(QRect(QPoint(0, 0), request->pixels));
            }
            image = document.render(request->page, request->pixels, options);
        }
        if (!write(out, pageFrame(request->page, image)))
            return 0;
    }
}

} // namespace pelnix::platform::ui
