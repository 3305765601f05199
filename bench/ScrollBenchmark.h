#pragma once

// What the scrolling benchmarks share: the frame loop that scrolls a list offscreen and paints every
// frame, and the memory of the process.

#include "BenchRun.h"
#include "ProcessMemory.h"

#include <QApplication>
#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <QWidget>
#include <benchmark/benchmark.h>
#include <functional>

namespace pelnix::bench {

inline const QSize kScreen(375, 667);
constexpr int kScrollStep = 120; // pixels per frame: a brisk fling

// Scrolls top to bottom once per iteration: each frame moves the list, paints it into an image and
// runs one turn of the event loop, as an application has. Reports frames per second and the memory
// the list added at its peak over `before`: the process's own (RssAnon) and its mapped files' pages
// (RssFile) apart.
template <typename Scroll>
void scrollFrames(benchmark::State& state, QWidget& view, int contentHeight, Scroll scrollTo,
                  const OwnMemory& before) {
    QImage frame(kScreen, QImage::Format_ARGB32_Premultiplied);
    OwnMemory peak = before;
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
                peak.keepPeak(OwnMemory::now());
        }
        scrollTo(0);
    }
    peak.keepPeak(OwnMemory::now());
    state.counters["fps"] = benchmark::Counter(double(frames), benchmark::Counter::kIsRate);
    state.counters["frames"] = double(frames);
    state.counters["added_anon_kb"] = double(qMax(0L, peak.anonKb - before.anonKb));
    state.counters["added_file_kb"] = double(qMax(0L, peak.fileKb - before.fileKb));
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
    BenchRun run(argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    warmUp();
    run.run();
    return run.finish();
}

} // namespace pelnix::bench
