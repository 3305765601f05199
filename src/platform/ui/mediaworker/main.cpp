// The media worker: reads one media file's duration and one picture for MediaReader, which kills it
// at a time bound. Arguments: start|moment, the bound in milliseconds, the file's URL. The answer
// goes to the standard output.
#include "platform/MediaReader.h"
#include "platform/WorkerAddressSpace.h"
#include "platform/ui/MediaProbeEngine.h"

#include <QBuffer>
#include <QFile>
#include <QGuiApplication>

#include <chrono>
#include <cstdio>
#include <thread>
#include <unistd.h>

using namespace pelnix::platform;

namespace {
// Past its bound the worker ends by itself, also when its reader is gone and the media stack hangs.
constexpr int kSelfEndMarginMs = 1000;
} // namespace

int main(int argc, char** argv) {
    // A file that makes the media stack allocate gigabytes (a frame of 24000 x 24000 pixels takes
    // 2 GB as a picture) fails in here past this, not the machine. MediaReader sets it before the
    // program runs; this holds for a worker started by hand.
    limitWorkerAddressSpace();
    // It shows nothing, yet turning a frame into a picture needs Qt's GUI side.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Nor does it show web pages: no shared GL context, which the library asks for as it is loaded.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts, false);
    QGuiApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    const std::optional<MediaReader::FramePlace> place =
        arguments.size() == 4 ? MediaReader::framePlace(arguments[1]) : std::nullopt;
    bool numeric = false;
    const int boundMs = arguments.size() == 4 ? arguments[2].toInt(&numeric) : 0;
    if (!place || !numeric || boundMs <= 0) {
        std::fprintf(stderr, "usage: pelnix-media-worker start|moment <bound ms> <url>\n");
        return 2;
    }
    std::thread([boundMs] {
        std::this_thread::sleep_for(std::chrono::milliseconds(boundMs + kSelfEndMarginMs));
        _exit(3);
    }).detach();
    ui::MediaProbeEngine::probe(QUrl(arguments[3], QUrl::StrictMode), *place, boundMs,
                                [](const ui::MediaInfo& info) {
                                    MediaReading reading;
                                    reading.duration = info.duration;
                                    reading.hasVideo = info.hasVideo;
                                    reading.error = info.error;
                                    if (!info.thumbnail.isNull()) {
                                        QBuffer png(&reading.picture);
                                        png.open(QIODevice::WriteOnly);
                                        info.thumbnail.save(&png, "PNG");
                                    }
                                    QFile out;
                                    if (out.open(STDOUT_FILENO, QIODevice::WriteOnly))
                                        out.write(MediaReader::encode(reading));
                                    out.close();
                                    // Nothing of the media stack needs tearing down: the process ends here.
                                    _exit(0);
                                });
    return app.exec();
}
