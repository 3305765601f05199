#pragma once

// What the scrolling benchmarks share: the frame loop that scrolls a list offscreen and paints every
// frame, the memory of the process, and two scrolls compared in turns.

#include "BenchRun.h"
#include "ProcessMemory.h"

#include <QApplication>
#include <QCoreApplication>
#include <QImage>
#include <QList>
#include <QPainter>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <functional>
#include <string>

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

inline double median(QList<double> values) {
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values.at(values.size() / 2);
}

// Two scrolls compared by their rates, taken in turns: each turn runs both benchmarks once, the
// baseline first in odd turns and second in even ones, so that a machine busier at one moment than at
// another slows both sides alike; the comparison is the median of the turns' own ratios.
class RatesInTurns {
public:
    using Benchmark = void (*)(benchmark::State&);

    // Registers `turns` turns of the two, each benchmark named "<name>/turn:<n>", run for one pass.
    void registerTurns(int turns, const std::string& baselineName, Benchmark baseline,
                       const std::string& comparedName, Benchmark compared) {
        for (int turn = 1; turn <= turns; ++turn) {
            const std::string suffix = "/turn:" + std::to_string(turn);
            const bool baselineFirst = turn % 2 == 1;
            for (const bool isBaseline : {baselineFirst, !baselineFirst})
                benchmark::RegisterBenchmark(((isBaseline ? baselineName : comparedName) + suffix).c_str(),
                                             isBaseline ? baseline : compared)
                    ->Unit(benchmark::kMillisecond)
                    ->Iterations(1);
        }
    }
    // A turn's rate of one side, in frames per second.
    void addBaseline(double fps) { m_baseline << fps; }
    void addCompared(double fps) { m_compared << fps; }

    double baselineMedian() const { return median(m_baseline); }
    double comparedMedian() const { return median(m_compared); }
    // Compared against baseline, turn by turn, for the turns that ran both.
    QList<double> ratios() const {
        QList<double> out;
        for (qsizetype i = 0; i < qMin(m_baseline.size(), m_compared.size()); ++i)
            if (m_baseline[i] > 0)
                out << m_compared[i] / m_baseline[i];
        return out;
    }
    double medianRatio() const { return median(ratios()); }
    // Says the turns' ratios and holds their median to at least `target` (a check in a full run, see
    // BenchRun::target); `what` names the sides ("pictures against text"). Nothing without a turn of
    // both.
    void holdTo(BenchRun& run, double target, const QString& what) const {
        if (ratios().isEmpty())
            return;
        const QString said = QStringLiteral("%1, median of %2 turn(s): %3x (turn by turn %4; target >= %5x)")
                                 .arg(what)
                                 .arg(ratios().size())
                                 .arg(medianRatio(), 0, 'f', 2)
                                 .arg(ratiosText())
                                 .arg(target, 0, 'f', 1);
        const bool met = medianRatio() >= target;
        std::printf("%s: %s\n", met ? "Target met" : "Target MISSED", qPrintable(said));
        run.target(met, said.toStdString());
    }
    // "0.81x, 0.79x, ..." in turn order.
    QString ratiosText() const {
        QStringList parts;
        for (double ratio : ratios())
            parts << QString::number(ratio, 'f', 2) + QLatin1Char('x');
        return parts.join(QStringLiteral(", "));
    }

private:
    QList<double> m_baseline;
    QList<double> m_compared;
};

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
