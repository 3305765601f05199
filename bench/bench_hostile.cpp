// Content a room member or the server can send that once cost the main thread or the import without
// bound, each beside a baseline of the same work on ordinary input in the same run:
//   - a chatlet form of 20,000 fields (refused) beside the poll form and a form at the field bound;
//   - a form title of one 256 KB word in a label beside 256 KB of prose in the same label;
//   - a text message of one 128 KB word measured beside 128 KB of prose;
//   - two XPath evaluations that no bound between steps can end (node-sets compared for every
//     element of a 6 KB message, count(//*//*//*//*//*) of a 140 KB message) beside an ordinary
//     poll transform, both through the transform workers, with the default 2 s bound;
//   - PDFs (a page of 4 M strokes, a page of 1 x 14,400 points, 20,000 pages opened, 3,000 pages
//     scrolled through) beside an ordinary two-page PDF, texts (one 1 MB word, 8 MB of lines) beside
//     20 KB of notes, and the viewer's caption strip with one 256 KB or 1 MB word beside a caption of
//     140 characters: the longest the main thread went without turning its event loop, the heap's
//     peak in this process and the document worker's peak resident memory.
#include "HeapMeter.h"
#include "HostileDocuments.h"
#include "HostileSmartMessages.h"
#include "SideBySideBaseline.h"
#include "TestSandbox.h"

#include "platform/ui/DocumentPageCanvas.h"
#include "platform/ui/DocumentPreview.h"
#include "platform/ui/Label.h"
#include "platform/ui/PdfPageSource.h"
#include "smart/PLXSLTStylesheet.h"
#include "smart/SmartMessageRenderer.h"
#include "ui/conversation/PLChatWindowStyle.h"
#include "ui/conversation/PLChatletFormView.h"
#include "ui/conversation/PLDownloadViewerController.h"
#include "ui/conversation/PLMessageTextView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLoggingCategory>
#include <QScrollBar>
#include <QTextLayout>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <cstdio>

using namespace pelnix;

namespace {

QMap<QString, double> g_seconds;

QVariantList textFields(int count) {
    QVariantList fields;
    for (int i = 0; i < count; ++i)
        fields << QVariantMap{{"id", QStringLiteral("f%1").arg(i)}, {"type", "text"}, {"label", "Field"}};
    return fields;
}

QVariantList pollFields() {
    return {QVariantMap{{"id", "title"}, {"type", "text"}, {"label", "Title"}, {"required", true}},
            QVariantMap{{"id", "question"}, {"type", "textarea"}, {"label", "Question"}, {"required", true}},
            QVariantMap{{"id", "options"}, {"type", "list"}, {"label", "Options"}, {"min", 2}, {"max", 10}}};
}

void showForm(benchmark::State& state, const QVariantList& fields) {
    for (auto _ : state) {
        PLChatletFormView view;
        view.resize(320, 568);
        view.setForm(QStringLiteral("Poll"), fields);
        benchmark::DoNotOptimize(view.fieldViews().size());
    }
}
void BM_Form20000Fields(benchmark::State& state) {
    showForm(state, textFields(20000));
}
void BM_FormPoll(benchmark::State& state) {
    showForm(state, pollFields());
}
void BM_FormAtTheFieldBound(benchmark::State& state) {
    showForm(state, textFields(PLChatletFormView::kMaxFields));
}

QString prose(int length) {
    QString text;
    while (text.size() < length)
        text += QStringLiteral("Where shall we go for lunch on Friday, the dock or the pier? ");
    text.truncate(length);
    return text;
}

void wrapLabel(benchmark::State& state, const QString& text) {
    platform::ui::Label label;
    label.setNumberOfLines(0);
    for (auto _ : state) {
        label.setText(text);
        benchmark::DoNotOptimize(label.heightForWidth(290));
    }
}
void BM_Title256KBWord(benchmark::State& state) {
    wrapLabel(state, QString(256 * 1024, QLatin1Char('w')));
}
// Qt's own wrapping (no line breaker) of one word an eighth as long, to show what the label is spared.
void BM_QtOwnWrapping32KBWord(benchmark::State& state) {
    const QString word(32 * 1024, QLatin1Char('w'));
    const QFont font = QApplication::font();
    for (auto _ : state) {
        QTextLayout layout(word, font);
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine())
            line.setLineWidth(290);
        layout.endLayout();
        benchmark::DoNotOptimize(layout.lineCount());
    }
}
void BM_Title256KBProse(benchmark::State& state) {
    wrapLabel(state, prose(256 * 1024));
}

// Each iteration measures a text not seen before (heights are remembered per text).
void measureMessage(benchmark::State& state, QString text) {
    const QFont font = PLChatWindowStyle::messageFont();
    int round = 0;
    for (auto _ : state) {
        const QString digits = QString::number(++round).rightJustified(8, QLatin1Char('0'));
        text.replace(0, digits.size(), digits);
        benchmark::DoNotOptimize(PLMessageTextView::measuredHeight(text, font, 230));
    }
}
void BM_Message128KBWord(benchmark::State& state) {
    measureMessage(state, QString(128 * 1024, QLatin1Char('w')));
}
void BM_Message128KBProse(benchmark::State& state) {
    measureMessage(state, prose(128 * 1024));
}

void transform(benchmark::State& state, const QString& name, const QByteArray& xslt, const QString& json) {
    const PLXMLDocument document = SmartMessageRenderer::messageDocument(json, {});
    for (auto _ : state)
        benchmark::DoNotOptimize(SmartMessageRenderer::transform(document, name, QString::fromUtf8(xslt)));
}
void BM_XPathNodeSetsCompared(benchmark::State& state) {
    transform(state, "compare", test::comparingSheet(), test::comparingMessage());
}
void BM_XPathCountOf140KB(benchmark::State& state) {
    transform(state, "count", test::countingSheet(), test::countingMessage());
}
void BM_XPathOrdinaryPoll(benchmark::State& state) {
    QFile file(QStringLiteral(PELNIX_SOURCE_DIR "/standin/fixtures/smart/poll.xsl"));
    if (!file.open(QIODevice::ReadOnly)) {
        state.SkipWithError("poll stylesheet missing");
        return;
    }
    transform(state, "poll", file.readAll(),
              QStringLiteral(
                  R"({"type":"poll","content":{"title":"Lunch","question":"Where?",)"
                  R"("options":[{"id":"1","text":"Dock","votes":3},{"id":"2","text":"Pier","votes":1}]}})"));
}

// ---- documents and captions

struct Outcome {
    double stallMs = 0;
    double heapMiB = 0;
    double workerMiB = 0;
};
QMap<QString, Outcome> g_documents;

// The longest the main thread went without turning its event loop while `work` ran and then until
// `done`: a timer of no interval fires on every turn, and the longest gap between firings is the stall.
double longestStallMs(const std::function<void()>& work, const std::function<bool()>& done) {
    QElapsedTimer clock;
    qint64 last = 0;
    qint64 longest = 0;
    QTimer tick;
    tick.setInterval(0);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        longest = qMax(longest, now - last);
        last = now;
    });
    clock.start();
    tick.start();
    work();
    while (!done() && clock.elapsed() < 600000)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    longest = qMax(longest, clock.nsecsElapsed() - last);
    return longest / 1e6;
}

double workerPeakMiB(const platform::ui::DocumentPreview& preview) {
    const auto* pdf = qobject_cast<const platform::ui::PdfPageSource*>(preview.source());
    QFile status(QStringLiteral("/proc/%1/status").arg(pdf ? pdf->workerProcessId() : 0));
    if (!pdf || !status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024;
    return 0;
}

bool shown(const platform::ui::DocumentPreview& preview) {
    return preview.isLoaded() && preview.canvas()->isSettled();
}

// Shows the document in a phone-sized preview until its pages in view are drawn, then `more`.
void previewDocument(benchmark::State& state, const char* key, const QString& name, const QByteArray& bytes,
                     const std::function<void(platform::ui::DocumentPreview&)>& more = {}) {
    test::TestSandbox sandbox;
    const QString path = sandbox.path(name);
    if (!test::writeFile(path, bytes)) {
        state.SkipWithError("cannot write the document");
        return;
    }
    Outcome outcome;
    for (auto _ : state) {
        platform::ui::DocumentPreview preview;
        preview.resize(320, 568);
        preview.show();
        bench::HeapMeter::start();
        outcome.stallMs = longestStallMs([&] { preview.showDocument(QUrl::fromLocalFile(path)); },
                                         [&] { return shown(preview); });
        if (more)
            outcome.stallMs =
                qMax(outcome.stallMs, longestStallMs([&] { more(preview); }, [] { return true; }));
        outcome.heapMiB = double(bench::HeapMeter::peakSinceStart()) / (1024 * 1024);
        outcome.workerMiB = workerPeakMiB(preview);
    }
    g_documents[QLatin1String(key)] = outcome;
}

const QSizeF kLetter(612, 792);

void BM_PdfOrdinary(benchmark::State& state) {
    previewDocument(state, __func__, "two.pdf", test::pdf(2, kLetter, test::bandContent(kLetter)));
}
void BM_PdfPageOf4MStrokes(benchmark::State& state) {
    previewDocument(state, __func__, "strokes.pdf",
                    test::pdf(1, kLetter, test::strokeContent(4000000, kLetter)));
}
void BM_PdfPage1x14400pt(benchmark::State& state) {
    const QSizeF strip(1, 14400);
    previewDocument(state, __func__, "strip.pdf", test::pdf(1, strip, test::bandContent(strip)));
}
void BM_Pdf20000PagesOpened(benchmark::State& state) {
    previewDocument(state, __func__, "pages.pdf", test::pdf(20000, kLetter, test::bandContent(kLetter)));
}
// Every tenth page brought into view and drawn, top to bottom.
void BM_Pdf3000PagesScrolled(benchmark::State& state) {
    previewDocument(state, __func__, "scroll.pdf", test::pdf(3000, kLetter, test::bandContent(kLetter)),
                    [](platform::ui::DocumentPreview& preview) {
                        for (int page = 0; page < 3000; page += 10) {
                            preview.verticalScrollBar()->setValue(preview.canvas()->pageRect(page).top());
                            while (!shown(preview))
                                QCoreApplication::processEvents();
                        }
                    });
}
void BM_Text20KBNotes(benchmark::State& state) {
    previewDocument(state, __func__, "notes.txt", test::shortLines(20 * 1024));
}
void BM_TextOne1MBWord(benchmark::State& state) {
    previewDocument(state, __func__, "word.txt", test::oneWord(1024 * 1024));
}
void BM_Text8MBOfLines(benchmark::State& state) {
    previewDocument(state, __func__, "log.txt", test::shortLines(8 * 1024 * 1024));
}

// The viewer's caption strip over a picture, as the download shows it.
void showCaption(benchmark::State& state, const char* key, const QString& caption) {
    test::TestSandbox sandbox;
    const QString picture = sandbox.path(QStringLiteral("picture.png"));
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    image.save(picture);
    Outcome outcome;
    for (auto _ : state) {
        PLDownloadViewerController screen;
        screen.loadViewIfNeeded();
        screen.view()->resize(320, 568);
        screen.view()->show();
        bench::HeapMeter::start();
        // Shown and painted: the strip lays its text out for both.
        outcome.stallMs = longestStallMs(
            [&] {
                screen.showDownloadForPath(picture, {{"fileMime", "image/png"}, {"caption", caption}});
                screen.view()->repaint();
            },
            [] { return true; });
        outcome.heapMiB = double(bench::HeapMeter::peakSinceStart()) / (1024 * 1024);
    }
    g_documents[QLatin1String(key)] = outcome;
}
void BM_Caption140Characters(benchmark::State& state) {
    showCaption(state, __func__, prose(140));
}
void BM_CaptionOne256KBWord(benchmark::State& state) {
    showCaption(state, __func__, QString(256 * 1024, QLatin1Char('w')));
}
void BM_CaptionOne1MBWord(benchmark::State& state) {
    showCaption(state, __func__, QString(1024 * 1024, QLatin1Char('w')));
}

} // namespace

BENCHMARK(BM_PdfOrdinary)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_PdfPageOf4MStrokes)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_PdfPage1x14400pt)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Pdf20000PagesOpened)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Pdf3000PagesScrolled)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Text20KBNotes)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_TextOne1MBWord)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Text8MBOfLines)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Caption140Characters)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_CaptionOne256KBWord)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_CaptionOne1MBWord)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_FormPoll)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FormAtTheFieldBound)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Form20000Fields)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Title256KBProse)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Title256KBWord)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QtOwnWrapping32KBWord)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Message128KBProse)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Message128KBWord)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_XPathOrdinaryPoll)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_XPathNodeSetsCompared)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_XPathCountOf140KB)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // The refusals and stops each log a warning; they are what is measured, not news.
    QLoggingCategory::setFilterRules(QStringLiteral("pelnix.*=false"));
    benchmark::Initialize(&argc, argv);
    bench::SideBySideReporter reporter(g_seconds);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto ms = [](const char* name) { return g_seconds.value(QLatin1String(name)) * 1000; };
    std::printf("\nHostile content beside ordinary content (ms):\n");
    std::printf("  form of 20,000 fields, refused   %9.2f   poll form %7.2f   %d fields %7.2f\n",
                ms("BM_Form20000Fields"), ms("BM_FormPoll"), PLChatletFormView::kMaxFields,
                ms("BM_FormAtTheFieldBound"));
    std::printf(
        "  title, one 256 KB word           %9.2f   256 KB of prose %7.2f   Qt's own, 32 KB word %7.2f\n",
        ms("BM_Title256KBWord"), ms("BM_Title256KBProse"), ms("BM_QtOwnWrapping32KBWord"));
    std::printf("  message, one 128 KB word         %9.2f   128 KB of prose %7.2f\n",
                ms("BM_Message128KBWord"), ms("BM_Message128KBProse"));
    std::printf("  XPath, node-sets compared        %9.2f   ordinary poll %7.2f   bound %d\n",
                ms("BM_XPathNodeSetsCompared"), ms("BM_XPathOrdinaryPoll"),
                PLXSLTStylesheet::limits().timeMs);
    std::printf("  XPath, count(//*//*//*//*//*)    %9.2f\n", ms("BM_XPathCountOf140KB"));
    std::printf("\nDocuments and captions: main-thread stall (ms), heap peak here (MiB), worker peak (MiB;\n"
                "  0 where the worker was killed at the page's bound and a new one draws the rest):\n");
    const auto row = [](const char* label, const char* name) {
        const Outcome o = g_documents.value(QLatin1String(name));
        std::printf("  %-34s %9.1f %9.1f %9.1f\n", label, o.stallMs, o.heapMiB, o.workerMiB);
    };
    row("PDF, ordinary two pages", "BM_PdfOrdinary");
    row("PDF, a page of 4 M strokes", "BM_PdfPageOf4MStrokes");
    row("PDF, a page of 1 x 14,400 pt", "BM_PdfPage1x14400pt");
    row("PDF, 20,000 pages opened", "BM_Pdf20000PagesOpened");
    row("PDF, 3,000 pages scrolled", "BM_Pdf3000PagesScrolled");
    row("text, 20 KB of notes", "BM_Text20KBNotes");
    row("text, one 1 MB word", "BM_TextOne1MBWord");
    row("text, 8 MB of lines", "BM_Text8MBOfLines");
    row("caption, 140 characters", "BM_Caption140Characters");
    row("caption, one 256 KB word", "BM_CaptionOne256KBWord");
    row("caption, one 1 MB word", "BM_CaptionOne1MBWord");
    benchmark::Shutdown();
    return 0;
}
