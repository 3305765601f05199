#pragma once

#include <QByteArray>

#include <optional>

namespace pelnix::platform::ui {

namespace documentworker {
struct Frame;
}

// The document worker's side (the program pelnix-document-worker): opens the one PDF it is told,
// says how many pages it has, sends their sizes in runs while no render waits, and draws each page
// asked for. It is a process of its own because a page's drawing cannot be stopped from inside:
// the preview kills a worker whose page passes its time bound.
class DocumentWorkerServer {
public:
    // Serves until the preview closes its end; the exit status.
    int serve(int in, int out);

private:
    std::optional<documentworker::Frame> readFrame(int in);
    bool write(int out, const QByteArray& bytes);
};

} // namespace pelnix::platform::ui
