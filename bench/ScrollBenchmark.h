#pragma once

// What the scrolling benchmarks share: the resident set of the process and the frame loop that scrolls
// a list offscreen and paints every frame.

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QWidget>
#include <benchmark/benchmark.h>
#include <functional>

namespace pelnix::bench {

inline const QSize kScreen(375, 667);
constexpr int kScrollStep = 120; // pixels per frame: a brisk fling

// A line of /proc/self/status in KiB ("VmRSS:", "RssAnon:").
inline long statusKb(const char* field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray key(field);
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').value(0).toLong();
    return 0;
}

inline long residentKb() {
    return statusKb("VmRSS:");
}

// The resident set less the pages of mapped files (the store's file, read through a mapping, whose
// pages the kernel takes back whenever it needs them): the memory the process itself holds.
inline long anonymousResidentKb() {
    return statusKb("RssAnon:");
}

// Scrolls top to bottom once per iteration: each frame moves the list, paints it into an image and
// runs one turn of the event loop, as an application has. Reports frames per second and the memory
// the list added (peak resident set minus `before`).
template <typename Scroll>
void scrollFrames(benchmark::State& state, QWidget& view, int contentHeight, Scroll scrollTo, long before) {
    QImage frame(kScreen, QImage::Format_ARGB32_Premultiplied);
    long peak = residentKb();
    qint64 frames = 0;
    for (auto _ : state) {
        for (int y = 0; y <= contentHeight - kScreen.height(); y += kScrollStep) {
            scrollTo(y);
            {
                QPainter painter(&frame);
                view.render(&painter);
            }
            QCoreApplication::processEvents();
            ++frames;
            if (frames % 256 == 0)
                peak = qMax(peak, residentKb());
        }
        scrollTo(0);
    }
    state.counters["fps"] = benchmark::Counter(double(frames), benchmark::Counter::kIsRate);
    state.counters["frames"] = double(frames);
    state.counters["added_kb"] = double(qMax(0L, peak - before));
}

// Paints both lists at a few offsets so fonts, glyph caches and the backing store exist before any
// list is measured.
inline void paintAtOffsets(QWidget& first, const std::function<void(int)>& moveFirst, QWidget& second,
                           const std::function<void(int)>& moveSecond) {
    QImage frame(kScreen, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < 20000; y += 500) {
        moveFirst(y);
        moveSecond(y);
        QPainter painter(&frame);
        first.render(&painter);
        second.render(&painter);
    }
}

// The program: offscreen unless told otherwise, the warm-up, then the registered benchmarks.
inline int runScrollBenchmarks(int argc, char** argv, const std::function<void()>& warmUp) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    warmUp();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace pelnix::bench
