// Documents a room member can send to stall or exhaust the preview: a page of a million strokes, a
// page a thousand times taller than wide, thousands of pages, a file of a few hundred bytes claiming a
// million pages, one page 0.0001 points wide and 14,400 tall, one word of a megabyte, megabytes of
// lines; and document workers that answer what no document should make them say, fall silent or
// repeat themselves. Each is asserted on structure, never on time: where the work
// happens, how many pixels a page gets, which pages are kept and laid out, how much text is read, how
// many workers start.
#include "HostileDocuments.h"
#include "TestSandbox.h"
#include "platform/ui/DocumentPageCanvas.h"
#include "platform/ui/DocumentPreview.h"
#include "platform/ui/DocumentWorkerProtocol.h"
#include "platform/ui/PdfPageSource.h"
#include "platform/ui/TextPageLayout.h"
#include "platform/ui/TextPageSource.h"

#include <QApplication>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <climits>
#include <cmath>
#include <csignal>
#include <thread>

using namespace pelnix;
using namespace pelnix::platform::ui;

namespace {

const QSizeF kA5(420, 595);

bool shown(const DocumentPreview& preview) {
    return preview.isLoaded() && preview.canvas()->isSettled();
}

QString writePdf(const test::TestSandbox& sandbox, const QString& name, const QByteArray& bytes) {
    const QString path = sandbox.path(name);
    return test::writeFile(path, bytes) ? path : QString();
}

// Shown at `size`, showing the document at `path` (which loads after this returns).
bool open(DocumentPreview& preview, const QString& path, const QSize& size) {
    preview.resize(size);
    preview.show();
    return !preview.showDocument(QUrl::fromLocalFile(path));
}

PdfPageSource* pdfSource(const DocumentPreview& preview) {
    return qobject_cast<PdfPageSource*>(preview.source());
}

// Stands in for the document worker: a shell script that writes `answer` (frames made with the
// protocol's own writers, or not) and then does what `body` says.
class FakeDocumentWorker {
public:
    FakeDocumentWorker(const QByteArray& answer, const QByteArray& body) {
        const QString answerFile = m_dir.filePath(QStringLiteral("answer"));
        test::writeFile(answerFile, answer);
        const QString script = m_dir.filePath(QStringLiteral("worker"));
        QFile file(script);
        if (!file.open(QIODevice::WriteOnly))
            return;
        file.write("#!/bin/sh\ncat '" + answerFile.toLocal8Bit() + "'\n" + body);
        file.close();
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("PELNIX_DOCUMENT_WORKER", script.toLocal8Bit());
    }
    ~FakeDocumentWorker() { qunsetenv("PELNIX_DOCUMENT_WORKER"); }

    QString file(const QString& name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
};

QByteArray sizesOf(int first, int count, const QSizeF& size) {
    return documentworker::sizesFrame(first, QList<QSizeF>(count, size));
}

// The process ids a fake worker wrote to `file` (one a line, `echo $$`).
QList<qint64> workerIds(const QString& file) {
    QFile ids(file);
    QList<qint64> read;
    if (ids.open(QIODevice::ReadOnly))
        for (const QByteArray& line : ids.readAll().split('\n'))
            if (!line.isEmpty())
                read << line.toLongLong();
    return read;
}

bool isRed(QRgb pixel) {
    return qAlpha(pixel) > 200 && qRed(pixel) > 200 && qGreen(pixel) < 60 && qBlue(pixel) < 60;
}

// Gone and collected: a process killed but not reaped still answers signal 0.
bool reaped(qint64 pid) {
    return ::kill(pid_t(pid), 0) == -1 && errno == ESRCH;
}

// A source whose page sizes arrive in runs when told, counting how often a size is asked for.
class RunsOfSizes : public DocumentPageSource {
public:
    RunsOfSizes(int count, QList<QSizeF> sizes) : m_count(count), m_sizes(std::move(sizes)) {}
    int pageCount() const override { return m_count; }
    QSizeF pageSize(int page) const override {
        ++asked;
        return m_sizes[qBound(0, qMin(page, m_known - 1), m_count - 1) % m_sizes.size()];
    }
    int knownPageSizes() const override { return m_known; }
    void request(const QList<Request>&) override {}
    void arrive(int run) {
        m_known = qMin(m_count, m_known + run);
        emit pageSizesChanged();
    }
    mutable qint64 asked = 0;

private:
    int m_count;
    int m_known = 0;
    QList<QSizeF> m_sizes;
};

} // namespace

class TestHostileDocuments : public QObject {
    Q_OBJECT
private slots:
    void init() { m_sandbox = std::make_unique<test::TestSandbox>(); }

    // Opening reads nothing here: the page count comes from the worker after showDocument returns.
    void aPdfOpensAndDrawsInAWorkerProcess() {
        const QString path = writePdf(*m_sandbox, "pages.pdf", test::pdf(20000, kA5, test::bandContent(kA5)));
        DocumentPreview preview;
        preview.resize(300, 500);
        preview.show();
        QSignalSpy loaded(&preview, &DocumentPreview::documentLoaded);
        QCOMPARE(preview.showDocument(QUrl::fromLocalFile(path)), std::nullopt);
        QCOMPARE(preview.kind(), DocumentPreview::Kind::PDF);
        QVERIFY(!preview.isLoaded());
        QCOMPARE(preview.pageCount(), 0);
        QVERIFY(loaded.isEmpty());
        PdfPageSource* source = pdfSource(preview);
        QVERIFY(source);
        QVERIFY(source->workerProcessId() > 0);
        QVERIFY(source->workerProcessId() != QCoreApplication::applicationPid());
        QTRY_VERIFY_WITH_TIMEOUT(shown(preview), 20000);
        QCOMPARE(preview.pageCount(), 20000);
        QCOMPARE(preview.canvas()->pageCount(), 20000);
        QVERIFY(!preview.canvas()->pageImage(0).isNull());
        // The last page is reached and drawn.
        preview.verticalScrollBar()->setValue(preview.canvas()->pageRect(19999).top());
        QTRY_VERIFY_WITH_TIMEOUT(!preview.canvas()->pageImage(19999).isNull(), 20000);
        QCOMPARE(source->startedWorkers(), 1);
    }

    // Pages that would not all fit in the tallest widget at the window's width are laid out narrower:
    // every page is laid out and the last one is reached.
    void everyPageIsReachableInAWideWindow() {
        const QString path = writePdf(*m_sandbox, "wide.pdf", test::pdf(20000, kA5, test::bandContent(kA5)));
        DocumentPreview preview;
        QVERIFY(open(preview, path, QSize(1024, 768)));
        QTRY_VERIFY_WITH_TIMEOUT(shown(preview), 20000);
        DocumentPageCanvas* canvas = preview.canvas();
        QCOMPARE(canvas->pageCount(), 20000);
        QVERIFY(canvas->height() <= QWIDGETSIZE_MAX);
        QVERIFY(canvas->pageRect(19999).bottom() < canvas->height());
        // As wide as fits: not narrower than the tallest widget needs.
        QVERIFY(canvas->pageRect(0).width() >=
                (QWIDGETSIZE_MAX / 20000 - 2 * DocumentPageCanvas::kPageGap) * kA5.width() / kA5.height());
        preview.verticalScrollBar()->setValue(preview.verticalScrollBar()->maximum());
        QTRY_VERIFY_WITH_TIMEOUT(!canvas->pageImage(19999).isNull(), 20000);
    }

    // Page sizes arrive after the first pages show; the page at the top of the view stays there
    // as the pages before it take their sizes.
    void theViewKeepsItsPageAsSizesArrive() {
        const QSizeF wide(842, 420);
        const QString path =
            writePdf(*m_sandbox, "mixed.pdf", test::pdf(20000, {kA5, wide}, {test::bandContent(kA5)}));
        DocumentPreview preview;
        QVERIFY(open(preview, path, QSize(300, 500)));
        QTRY_VERIFY_WITH_TIMEOUT(preview.isLoaded(), 20000);
        preview.verticalScrollBar()->setValue(preview.canvas()->pageRect(15001).top());
        QTRY_VERIFY_WITH_TIMEOUT(shown(preview) && preview.canvas()->pageRect(19999).height() <
                                                       preview.canvas()->pageRect(19998).height(),
                                 20000);
        const int top = preview.verticalScrollBar()->value();
        QCOMPARE(preview.canvas()->pagesIn(QRect(0, top, 10, 1)).first, 15001);
    }

    // The page passes its bound: its worker is killed, the page shows a placeholder, and a new
    // worker draws the next page.
    void aPageThatPassesItsTimeBoundShowsAPlaceholder() {
        const QSizeF letter(612, 792);
        const QString path = writePdf(
            *m_sandbox, "strokes.pdf",
            test::pdf(2, {letter}, {test::strokeContent(1000000, letter), test::bandContent(letter)}));
        DocumentPreview preview;
        preview.setPageTimeBound(2000);
        QVERIFY(open(preview, path, QSize(300, 800)));
        QTRY_VERIFY_WITH_TIMEOUT(preview.isLoaded(), 20000);
        DocumentPageCanvas* canvas = preview.canvas();
        QVERIFY(canvas->pagesIn(canvas->visibleArea()).second == 2);
        QTRY_VERIFY_WITH_TIMEOUT(canvas->isPageFailed(0), 20000);
        QTRY_VERIFY_WITH_TIMEOUT(!canvas->pageImage(1).isNull(), 20000);
        QVERIFY(!canvas->isPageFailed(1));
        QCOMPARE(pdfSource(preview)->killedWorkers(), 1);
        QCOMPARE(pdfSource(preview)->startedWorkers(), 2);
        // The placeholder's grey where the page is.
        const QRect page = canvas->pageRect(0);
        const QImage shot = canvas->grab(page).toImage();
        QCOMPARE(QColor(shot.pixel(4, 4)), QColor(236, 236, 236));
    }

    // The PDF engine takes a page tree's word for up to a million pages: the preview shows the first
    // ones under a note, and the last of them is reached.
    void aPdfClaimingAMillionPagesShowsItsFirstPagesUnderANote() {
        const QByteArray bytes = test::pdf(1, {kA5}, {test::bandContent(kA5)}, 1048000);
        QVERIFY(bytes.size() < 1024);
        const QString path = writePdf(*m_sandbox, "claims.pdf", bytes);
        DocumentPreview preview;
        QVERIFY(open(preview, path, QSize(300, 500)));
        QTRY_VERIFY_WITH_TIMEOUT(shown(preview), 20000);
        PdfPageSource* source = pdfSource(preview);
        QCOMPARE(source->claimedPageCount(), 1048000);
        QCOMPARE(preview.pageCount(), PdfPageSource::kMaxPages);
        DocumentPageCanvas* canvas = preview.canvas();
        QCOMPARE(canvas->note(), PdfPageSource::noteFor(PdfPageSource::kMaxPages, 1048000));
        QVERIFY(canvas->note().contains(QLocale().toString(1048000)));
        // Above the first page, in view, and drawn.
        QVERIFY(canvas->noteRect().bottom() < canvas->pageRect(0).top());
        QVERIFY(canvas->visibleArea().contains(canvas->noteRect()));
        const QImage note = canvas->grab(canvas->noteRect()).toImage();
        int ink = 0;
        for (int y = 0; y < note.height(); ++y)
            for (int x = 0; x < note.width(); ++x)
                ink += qGray(note.pixel(x, y)) > 200;
        QVERIFY(ink > 20);
        QVERIFY(!canvas->pageImage(0).isNull());
        QTRY_VERIFY_WITH_TIMEOUT(source->knownPageSizes() == PdfPageSource::kMaxPages, 60000);
        QCOMPARE(canvas->pageCount(), PdfPageSource::kMaxPages);
        // The pages the file only claims cannot be drawn, and say so.
        const int last = PdfPageSource::kMaxPages - 1;
        preview.verticalScrollBar()->setValue(canvas->pageRect(last).top());
        QTRY_VERIFY_WITH_TIMEOUT(canvas->isPageFailed(last), 20000);
        QCOMPARE(source->startedWorkers(), 1);
    }

    // Each run of sizes is laid out for what it holds: a size is asked for about once, however many
    // runs arrive.
    void sizesArrivingInRunsCostWhatTheyHold_data() {
        QTest::addColumn<int>("pages");
        QTest::addColumn<QList<QSizeF>>("sizes");
        QTest::addColumn<int>("width");
        QTest::newRow("20,000 pages") << 20000 << QList<QSizeF>{kA5} << 300;
        QTest::newRow("100,000 pages of two sizes, fitted narrower")
            << PdfPageSource::kMaxPages << QList<QSizeF>{kA5, QSizeF(842, 420)} << 1024;
    }
    void sizesArrivingInRunsCostWhatTheyHold() {
        QFETCH(int, pages);
        QFETCH(QList<QSizeF>, sizes);
        QFETCH(int, width);
        RunsOfSizes source(pages, sizes);
        DocumentPageCanvas canvas;
        canvas.setSource(&source);
        canvas.setVisibleArea(QRect(0, 0, width, 600));
        connect(&source, &DocumentPageSource::pageSizesChanged, &canvas,
                [&] { canvas.layoutPages(width, 1); });
        int runs = 0;
        while (source.knownPageSizes() < pages) {
            source.arrive(documentworker::kSizesPerFrame);
            ++runs;
        }
        QVERIFY2(source.asked <= 2 * qint64(pages) + 4 * runs, qPrintable(QString::number(source.asked)));
        // Laid out as one layout of all the sizes would: in order, apart, inside the tallest widget.
        QCOMPARE(canvas.pageCount(), pages);
        QVERIFY(canvas.height() <= QWIDGETSIZE_MAX);
        for (int page : {0, 1, 2, pages / 2, pages / 2 + 1, pages - 2, pages - 1}) {
            const QRect rect = canvas.pageRect(page);
            const QSizeF size = sizes[page % sizes.size()];
            QVERIFY(qAbs(rect.height() - rect.width() * size.height() / size.width()) <= 1);
            if (page > 0)
                QCOMPARE(rect.top(), canvas.pageRect(page - 1).bottom() + 1 + DocumentPageCanvas::kPageGap);
            QCOMPARE(canvas.pagesIn(QRect(0, rect.center().y(), 10, 1)).first, page);
        }
        QVERIFY(canvas.pageRect(pages - 1).bottom() < canvas.height());
    }

    // A worker that keeps ending, or answers what it should not, while it draws nothing is started
    // again a bounded number of times; then the document cannot be read.
    void aWorkerThatFailsOutsideADrawIsRestartedABoundedNumberOfTimes_data() {
        using namespace documentworker;
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("workers");
        const int all = PdfPageSource::kMaxRestarts + 1;
        const QByteArray opened = openedFrame(3);
        QTest::newRow("ends right after opening") << opened << QByteArray("exit 0\n") << all;
        QTest::newRow("writes garbage after opening")
            << opened + "GStreamer-WARNING: no element" << QByteArray("exec sleep 60\n") << all;
        QTest::newRow("a page nobody asked for")
            << opened + pageFrame(0, {}) << QByteArray("exec sleep 60\n") << all;
        QTest::newRow("sizes that are not numbers")
            << opened + sizesOf(0, 3, QSizeF(std::nan(""), 595)) << QByteArray("exec sleep 60\n") << all;
        QTest::newRow("negative sizes")
            << opened + sizesOf(0, 3, QSizeF(-420, 595)) << QByteArray("exec sleep 60\n") << all;
        QTest::newRow("sizes past the count")
            << opened + sizesOf(0, 5, kA5) << QByteArray("exec sleep 60\n") << all;
        QTest::newRow("sizes out of order")
            << opened + sizesOf(2, 1, kA5) << QByteArray("exec sleep 60\n") << all;
        QTest::newRow("a run longer than a frame holds")
            << openedFrame(1000) + sizesOf(0, kSizesPerFrame + 1, kA5) << QByteArray("exec sleep 60\n")
            << all;
        QTest::newRow("a failure after opening")
            << opened + frame(Failed, {}) << QByteArray("exec sleep 60\n") << all;
        QTest::newRow("no pages") << openedFrame(0) << QByteArray("exec sleep 60\n") << 1;
        QTest::newRow("a count frame of 2 GB")
            << QByteArray("O\xff\xff\xff\x7f", 5) << QByteArray("exec sleep 60\n") << 1;
    }
    void aWorkerThatFailsOutsideADrawIsRestartedABoundedNumberOfTimes() {
        QFETCH(QByteArray, answer);
        QFETCH(QByteArray, body);
        QFETCH(int, workers);
        FakeDocumentWorker worker(answer, body);
        const QString path = writePdf(*m_sandbox, "any.pdf", test::pdf(3, kA5, test::bandContent(kA5)));
        DocumentPreview preview;
        int started = 0;
        showsUnreadable(preview, path, started);
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(started, workers);
    }

    // A worker that stops answering while it owes an answer, or answers what it already said, is
    // killed; after the bounded restarts the document cannot be read. Nothing waits on a worker
    // without a deadline.
    void aWorkerThatFallsSilentOrRepeatsItselfIsEnded_data() {
        using namespace documentworker;
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QByteArray>("repeated");
        // The workers started when the document fails; 0: not counted (a worker ended while it draws
        // costs that page, not a restart).
        QTest::addColumn<int>("workers");
        const int all = PdfPageSource::kMaxRestarts + 1;
        const QByteArray run = sizesOf(0, kSizesPerFrame, kA5);
        QTest::newRow("silent after opening") << openedFrame(3) << QByteArray() << all;
        QTest::newRow("a run of sizes cut short")
            << openedFrame(1000) + run.left(kHeaderBytes + 56) << QByteArray() << all;
        QTest::newRow("silent after its first run of sizes") << openedFrame(1000) + run << QByteArray() << 0;
        QTest::newRow("the same sizes without end") << openedFrame(3) << sizesOf(0, 3, kA5) << 0;
        QTest::newRow("sizes it sent already")
            << openedFrame(1000) + run + sizesOf(128, kSizesPerFrame, kA5) << QByteArray() << 0;
    }
    void aWorkerThatFallsSilentOrRepeatsItselfIsEnded() {
        QFETCH(QByteArray, answer);
        QFETCH(QByteArray, repeated);
        QFETCH(int, workers);
        const QString ids = m_sandbox->path(QStringLiteral("workers"));
        const QString first = m_sandbox->path(QStringLiteral("first"));
        const QString again = m_sandbox->path(QStringLiteral("again"));
        QVERIFY(test::writeFile(first, answer) && test::writeFile(again, repeated));
        // Its id written before it answers: a worker is killed as soon as its answer is refused.
        FakeDocumentWorker worker(
            {},
            "echo $$ >> '" + QFile::encodeName(ids) + "'\ncat '" + QFile::encodeName(first) + "'\n" +
                (repeated.isEmpty() ? QByteArray("exec sleep 60\n")
                                    : "while :; do cat '" + QFile::encodeName(again) + "' || exit; done\n"));
        const QString path = writePdf(*m_sandbox, "any.pdf", test::pdf(3, kA5, test::bandContent(kA5)));
        DocumentPreview preview;
        preview.setPageTimeBound(300);
        int started = 0;
        showsUnreadable(preview, path, started);
        if (QTest::currentTestFailed())
            return;
        if (workers > 0)
            QCOMPARE(started, workers);
        else
            QVERIFY(started > PdfPageSource::kMaxRestarts);
        // Every worker that ran is killed and collected.
        QTRY_COMPARE(int(workerIds(ids).size()), started);
        for (const qint64 pid : workerIds(ids))
            QTRY_VERIFY2(reaped(pid), qPrintable(QString::number(pid)));
    }

    // One page of absurd proportions is laid out with its height bounded and drawn clipped to its top
    // part; the other pages keep the place and size they have in a document without it.
    void anAbsurdPageLeavesTheOtherPagesTheirPlace_data() {
        QTest::addColumn<QSizeF>("tall");
        QTest::addColumn<int>("absurd");
        QTest::addColumn<int>("width");
        QTest::addColumn<qreal>("zoom");
        // The PDF engine draws nothing of a page 0.0001 points wide at any width: its top is blank.
        const QSizeF needle(0.0001, 14400);
        QTest::newRow("0.0001 x 14,400 pt in the middle") << needle << 1 << 320 << 1.0;
        QTest::newRow("0.0001 x 14,400 pt first") << needle << 0 << 320 << 1.0;
        QTest::newRow("0.0001 x 14,400 pt, four times in a wide window") << needle << 1 << 1024 << 4.0;
        QTest::newRow("1 x 14,400 pt in the middle") << QSizeF(1, 14400) << 1 << 320 << 1.0;
        QTest::newRow("1 x 14,400 pt last, four times in a wide window")
            << QSizeF(1, 14400) << 2 << 1024 << 4.0;
    }
    void anAbsurdPageLeavesTheOtherPagesTheirPlace() {
        QFETCH(QSizeF, tall);
        QFETCH(int, absurd);
        QFETCH(int, width);
        QFETCH(qreal, zoom);
        const QSizeF a4(595, 842);
        QList<QSizeF> sizes{a4, a4, a4};
        sizes[absurd] = tall;
        const QByteArray bytes = test::pdf(
            3, sizes,
            {test::bandContent(sizes[0]), test::bandContent(sizes[1]), test::bandContent(sizes[2])});
        QVERIFY(bytes.size() < 2048);
        // The ordinary pages as a document of them alone lays them out.
        DocumentPreview plain;
        QVERIFY(open(plain, writePdf(*m_sandbox, "plain.pdf", test::pdf(3, a4, test::bandContent(a4))),
                     QSize(width, 700)));
        QTRY_VERIFY_WITH_TIMEOUT(plain.isLoaded(), 20000);
        plain.setZoom(zoom);
        const QSize ordinary = plain.canvas()->pageRect(0).size();
        QVERIFY(ordinary.width() > 200);

        DocumentPreview preview;
        QVERIFY(open(preview, writePdf(*m_sandbox, "needle.pdf", bytes), QSize(width, 700)));
        QTRY_VERIFY_WITH_TIMEOUT(preview.isLoaded(), 20000);
        preview.setZoom(zoom);
        DocumentPageCanvas* canvas = preview.canvas();
        QCOMPARE(canvas->pageCount(), 3);
        for (int page = 0; page < 3; ++page) {
            const QRect rect = canvas->pageRect(page);
            QCOMPARE(rect.width(), ordinary.width());
            if (page != absurd)
                QCOMPARE(rect.size(), ordinary);
            else
                QVERIFY2(rect.height() <= DocumentPageCanvas::kMaxPageRatio * rect.width() + 1,
                         qPrintable(QString::number(rect.height())));
            if (page > 0)
                QCOMPARE(rect.top(), canvas->pageRect(page - 1).bottom() + 1 + DocumentPageCanvas::kPageGap);
        }
        QVERIFY(canvas->pageRect(2).bottom() < canvas->height());
        // Each is drawn where it is scrolled to; the absurd one is its top, all of it in the band
        // over the page's top third, not the whole page squeezed.
        for (int page = 0; page < 3; ++page) {
            preview.verticalScrollBar()->setValue(canvas->pageRect(page).top());
            QTRY_VERIFY_WITH_TIMEOUT(shown(preview) && !canvas->pageImage(page).isNull(), 20000);
            QVERIFY(!canvas->isPageFailed(page));
            const QImage image = canvas->pageImage(page);
            if (page == absurd && tall.width() < 1)
                continue;
            QVERIFY(isRed(image.pixel(image.width() / 2, 0)));
            QCOMPARE(isRed(image.pixel(image.width() / 2, image.height() - 1)), page == absurd);
        }
    }

    // A picture far taller than wide is laid out as the tallest page and shows its top, not all of it
    // squeezed: its top tenth is red, and the part shown lies inside it.
    void aPictureFarTallerThanWideShowsItsTop() {
        QImage picture(8, 8000, QImage::Format_RGB32);
        picture.fill(Qt::white);
        for (int y = 0; y < picture.height() / 10; ++y)
            for (int x = 0; x < picture.width(); ++x)
                picture.setPixel(x, y, qRgb(255, 0, 0));
        const QString path = m_sandbox->path(QStringLiteral("tall.png"));
        QVERIFY(picture.save(path));
        DocumentPreview preview;
        QVERIFY(open(preview, path, QSize(320, 568)));
        QTRY_VERIFY_WITH_TIMEOUT(shown(preview), 20000);
        const QRect rect = preview.canvas()->pageRect(0);
        QVERIFY(qAbs(rect.height() - DocumentPageCanvas::kMaxPageRatio * rect.width()) <= 1);
        const QImage image = preview.canvas()->pageImage(0);
        QVERIFY(!image.isNull());
        QVERIFY(isRed(image.pixel(image.width() / 2, 0)));
        QVERIFY(isRed(image.pixel(image.width() / 2, image.height() - 1)));
    }

    // A page answered at another size than asked, or for another page, fails that page; the worker
    // drawing it is replaced and the document stays. So is one that, owing nothing, begins a frame.
    void aPageAnswerOutOfBoundsFailsThatPage_data() {
        QTest::addColumn<int>("page");
        QTest::addColumn<QSize>("pixels");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("another size") << 0 << QSize(10, 10) << QByteArray();
        QTest::newRow("another page") << 1 << QSize(0, 0) << QByteArray();
        QTest::newRow("none, then part of a frame nobody asked for")
            << 0 << QSize(0, 0) << sizesOf(0, 1, kA5).left(documentworker::kHeaderBytes + 4);
    }
    void aPageAnswerOutOfBoundsFailsThatPage() {
        QFETCH(int, page);
        QFETCH(QSize, pixels);
        QFETCH(QByteArray, after);
        const QString path = writePdf(*m_sandbox, "one.pdf", test::pdf(1, kA5, test::bandContent(kA5)));
        QImage image;
        if (!pixels.isEmpty()) {
            image = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::red);
        }
        using namespace documentworker;
        // Reads the preview's open and first render frames, then answers the render with `image`.
        const qsizetype openBytes = openFrame(path).size();
        const qsizetype renderBytes = renderFrame(0, QSize(1, 1)).size();
        FakeDocumentWorker worker(openedFrame(1) + sizesOf(0, 1, kA5),
                                  "head -c " + QByteArray::number(openBytes) + " >/dev/null\n" + "head -c " +
                                      QByteArray::number(renderBytes) + " >/dev/null\n" + "cat '" +
                                      QFile::encodeName(m_sandbox->path(QStringLiteral("page"))) + "'\n" +
                                      "exec sleep 60\n");
        QVERIFY(test::writeFile(m_sandbox->path(QStringLiteral("page")), pageFrame(page, image) + after));
        DocumentPreview preview;
        QSignalSpy failed(&preview, &DocumentPreview::documentFailed);
        QVERIFY(open(preview, path, QSize(300, 500)));
        QTRY_VERIFY_WITH_TIMEOUT(preview.isLoaded() && preview.canvas()->isPageFailed(0), 20000);
        QVERIFY(preview.canvas()->pageImage(0).isNull());
        QTRY_COMPARE(pdfSource(preview)->startedWorkers(), 2);
        QVERIFY(failed.isEmpty());
    }

    // A worker claiming two thousand million pages is not believed: the first pages show under a
    // note.
    void aWorkerClaimingTwoThousandMillionPagesIsCapped() {
        FakeDocumentWorker worker(documentworker::openedFrame(INT_MAX) +
                                      sizesOf(0, documentworker::kSizesPerFrame, kA5),
                                  "exec sleep 60\n");
        const QString path = writePdf(*m_sandbox, "any.pdf", test::pdf(1, kA5, test::bandContent(kA5)));
        DocumentPreview preview;
        QVERIFY(open(preview, path, QSize(300, 500)));
        QTRY_VERIFY_WITH_TIMEOUT(preview.isLoaded(), 20000);
        QCOMPARE(preview.pageCount(), PdfPageSource::kMaxPages);
        QCOMPARE(preview.canvas()->pageCount(), PdfPageSource::kMaxPages);
        QCOMPARE(preview.canvas()->note(), PdfPageSource::noteFor(PdfPageSource::kMaxPages, INT_MAX));
    }

    // A page that cannot be drawn says so once wherever it is seen: in a desktop window that shows
    // more than a phone's height of it, and again after a scroll, in the middle of the part in view.
    void aPlaceholderSaysSoOnceInView_data() {
        QTest::addColumn<QSize>("size");
        QTest::newRow("320 x 568") << QSize(320, 568);
        QTest::newRow("1024 x 768") << QSize(1024, 768);
    }
    void aPlaceholderSaysSoOnceInView() {
        QFETCH(QSize, size);
        const QString path =
            writePdf(*m_sandbox, "strokes.pdf",
                     test::pdf(2, {kA5}, {test::strokeContent(400000, kA5), test::bandContent(kA5)}));
        DocumentPreview preview;
        preview.setPageTimeBound(200);
        QVERIFY(open(preview, path, size));
        DocumentPageCanvas* canvas = preview.canvas();
        QTRY_VERIFY_WITH_TIMEOUT(preview.isLoaded() && canvas->isPageFailed(0), 20000);
        for (const int scrolled : {0, 150}) {
            preview.verticalScrollBar()->setValue(scrolled);
            QCoreApplication::processEvents();
            const QImage shot = preview.viewport()->grab().toImage();
            const QRect page =
                canvas->pageRect(0).translated(canvas->pos()).intersected(preview.viewport()->rect());
            QVERIFY(!page.isEmpty());
            // The rows of the page in view that hold ink, in bands.
            QList<std::pair<int, int>> bands;
            for (int y = page.top(); y <= page.bottom(); ++y) {
                bool ink = false;
                for (int x = page.left(); x <= page.right() && !ink; ++x)
                    ink = QColor(shot.pixel(x, y)).lightness() < 160;
                if (!ink)
                    continue;
                if (!bands.isEmpty() && y - bands.last().second <= 2)
                    bands.last().second = y;
                else
                    bands << std::pair{y, y};
            }
            QVERIFY2(
                bands.size() == 1,
                qPrintable(QStringLiteral("%1 bands of text at scroll %2").arg(bands.size()).arg(scrolled)));
            const int middle = (bands.first().first + bands.first().second) / 2;
            QVERIFY2(qAbs(middle - page.center().y()) < 30,
                     qPrintable(QStringLiteral("text at %1, the page in view around %2")
                                    .arg(middle)
                                    .arg(page.center().y())));
        }
    }

    void aPageIsDrawnAtBoundedPixels_data() {
        QTest::addColumn<QSizeF>("page");
        QTest::addColumn<int>("width");
        QTest::addColumn<qreal>("zoom");
        QTest::newRow("ordinary page") << kA5 << 320 << 1.0;
        QTest::newRow("a strip 14,400 points tall") << QSizeF(1, 14400) << 360 << 1.0;
        QTest::newRow("a page at four times in a wide window") << QSizeF(612, 792) << 1024 << 4.0;
    }
    void aPageIsDrawnAtBoundedPixels() {
        QFETCH(QSizeF, page);
        QFETCH(int, width);
        QFETCH(qreal, zoom);
        const QString path = writePdf(*m_sandbox, "page.pdf", test::pdf(1, page, test::bandContent(page)));
        DocumentPreview preview;
        QVERIFY(open(preview, path, QSize(width, 700)));
        QTRY_VERIFY_WITH_TIMEOUT(preview.isLoaded(), 20000);
        preview.setZoom(zoom);
        QTRY_VERIFY_WITH_TIMEOUT(shown(preview), 20000);
        const QRect rect = preview.canvas()->pageRect(0);
        const QImage image = preview.canvas()->pageImage(0);
        QVERIFY(!image.isNull());
        QVERIFY2(qint64(image.width()) * image.height() <= DocumentPageCanvas::kMaxPagePixels,
                 qPrintable(QStringLiteral("%1 x %2").arg(image.width()).arg(image.height())));
        // In the page's proportions, and at its shown size when that is within the bound.
        QVERIFY(qAbs(image.height() / qreal(image.width()) - rect.height() / qreal(rect.width())) <
                0.05 * rect.height() / rect.width() + 1.0 / image.width() * rect.height() / rect.width());
        if (qint64(rect.width()) * rect.height() <= DocumentPageCanvas::kMaxPagePixels)
            QCOMPARE(image.size(), rect.size());
    }

    // Scrolling through 300 pages keeps only those within a view's height of the view.
    void onlyPagesNearTheViewAreKept() {
        const QString path = writePdf(*m_sandbox, "many.pdf", test::pdf(300, kA5, test::bandContent(kA5)));
        DocumentPreview preview;
        QVERIFY(open(preview, path, QSize(300, 500)));
        QTRY_VERIFY_WITH_TIMEOUT(shown(preview), 20000);
        DocumentPageCanvas* canvas = preview.canvas();
        const int viewHeight = preview.viewport()->height();
        int mostKept = 0;
        for (int page = 0; page < 300; page += 7) {
            preview.verticalScrollBar()->setValue(canvas->pageRect(page).top());
            QTRY_VERIFY_WITH_TIMEOUT(shown(preview), 20000);
            const QRect near = canvas->visibleArea().adjusted(0, -viewHeight, 0, viewHeight);
            const QList<int> kept = canvas->keptPages();
            for (int held : kept)
                QVERIFY2(canvas->pageRect(held).intersects(near), qPrintable(QString::number(held)));
            mostKept = qMax(mostKept, int(kept.size()));
        }
        // A view of 500 with a view's height above and below meets at most five pages of 401.
        QVERIFY2(mostKept <= 5, qPrintable(QString::number(mostKept)));
    }

    // A text is read up to its bound, laid out off the main thread and drawn in slices.
    void aTextIsReadUpToItsBound_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("cut");
        QTest::newRow("notes") << test::shortLines(20 * 1024) << false;
        QTest::newRow("one word of 1 MB") << test::oneWord(1024 * 1024) << true;
        QTest::newRow("8 MB of short lines") << test::shortLines(8 * 1024 * 1024) << true;
    }
    void aTextIsReadUpToItsBound() {
        QFETCH(QByteArray, text);
        QFETCH(bool, cut);
        const QString path = m_sandbox->path(QStringLiteral("notes.txt"));
        QVERIFY(test::writeFile(path, text));
        DocumentPreview preview;
        QVERIFY(open(preview, path, QSize(320, 568)));
        QCOMPARE(preview.kind(), DocumentPreview::Kind::Text);
        QVERIFY(!preview.isLoaded());
        QTRY_VERIFY_WITH_TIMEOUT(shown(preview), 20000);
        auto* source = qobject_cast<TextPageSource*>(preview.source());
        QVERIFY(source);
        QCOMPARE(source->bytesShown(), qMin<qint64>(text.size(), TextPageSource::kMaxBytes));
        QCOMPARE(!source->note().isEmpty(), cut);
        if (cut)
            QCOMPARE(source->note(), TextPageSource::noteFor(TextPageSource::kMaxBytes, text.size()));
        // Ink in the first slice.
        const QImage first = preview.canvas()->pageImage(0);
        int dark = 0;
        for (int y = 0; y < first.height(); y += 2)
            for (int x = 0; x < first.width(); x += 2)
                dark += qGray(first.pixel(x, y)) < 160;
        QVERIFY(dark > 50);
    }

    // One word fills line after line, and the lines hold all of it: each line is made the linear
    // way (a quadratic layout of a 2 MB word would not end within the test's time).
    void aLongWordFillsItsLines() {
        const QString word(2 * 1024 * 1024, QLatin1Char('m'));
        const QFont font = QApplication::font();
        const TextPageLayout layout(word, font, 360);
        const qreal perLine =
            (360 - 2 * TextPageLayout::kMargin) / QFontMetricsF(font).horizontalAdvance('m');
        QVERIFY(layout.lineCount() >= int(word.size() / (perLine + 1)));
        QVERIFY(layout.lineCount() <= int(word.size() / (perLine - 1)) + 1);
        const QList<QSizeF> slices = layout.slices(1000);
        QCOMPARE(int(slices.size()), int(std::ceil(layout.height() / 1000)));
        // The last slice has ink: the lines reach the end of the text.
        const QImage last = layout.drawSlice(int(slices.size()) - 1, 1000, slices.last().toSize());
        int dark = 0;
        for (int y = 0; y < last.height(); ++y)
            for (int x = 0; x < last.width(); ++x)
                dark += qGray(last.pixel(x, y)) < 160;
        QVERIFY(dark > 0);
    }

    // Laid out on a pool thread and drawn on another, which may start after the first has ended
    // (taking its font engines with it): drawing shapes its lines on the thread that draws.
    void aTextDrawsOnAnotherThreadThanTheOneThatLaidItOut() {
        std::unique_ptr<TextPageLayout> layout;
        std::thread maker([&] {
            layout = std::make_unique<TextPageLayout>(QString::fromUtf8(test::shortLines(4000)),
                                                      QApplication::font(), 360, QStringLiteral("A note"));
        });
        maker.join();
        QImage drawn;
        std::thread drawer([&] { drawn = layout->drawSlice(0, 1000, QSize(360, 1000)); });
        drawer.join();
        int dark = 0;
        for (int y = 0; y < drawn.height(); y += 2)
            for (int x = 0; x < drawn.width(); x += 2)
                dark += qGray(drawn.pixel(x, y)) < 160;
        QVERIFY(dark > 50);
    }

private:
    // Shows the PDF at `path` until it cannot be read, with the workers started by then.
    void showsUnreadable(DocumentPreview& preview, const QString& path, int& started) {
        QSignalSpy failed(&preview, &DocumentPreview::documentFailed);
        QVERIFY(open(preview, path, QSize(300, 500)));
        // Counted as the document fails: the source goes once that has been told.
        PdfPageSource* source = pdfSource(preview);
        connect(source, &DocumentPageSource::failed, this,
                [&started, source] { started = source->startedWorkers(); });
        QTRY_VERIFY_WITH_TIMEOUT(!failed.isEmpty(), 20000);
        QCOMPARE(failed.size(), 1);
        const PLError error = failed.first().first().value<PLError>();
        QCOMPARE(error.code, int(DocumentPreview::DamagedError));
        QCOMPARE(error.localizedDescription, QStringLiteral("The PDF document cannot be read."));
        QVERIFY(!preview.isLoaded());
        QCOMPARE(preview.canvas()->size(), QSize(0, 0));
    }

    std::unique_ptr<test::TestSandbox> m_sandbox;
};

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestHostileDocuments t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_hostiledocuments.moc"
