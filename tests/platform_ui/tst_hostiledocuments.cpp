// Documents a room member can send to stall or exhaust the preview: a page of a million strokes, a
// page a thousand times taller than wide, thousands of pages, one word of a megabyte, megabytes of
// lines. Each is asserted on structure, never on time: where the work happens, how many pixels a page
// gets, which pages are kept, how much text is read.
#include "HostileDocuments.h"
#include "TestSandbox.h"
#include "platform/ui/DocumentPageCanvas.h"
#include "platform/ui/DocumentPreview.h"
#include "platform/ui/PdfPageSource.h"
#include "platform/ui/TextPageLayout.h"
#include "platform/ui/TextPageSource.h"

#include <QApplication>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

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
    std::unique_ptr<test::TestSandbox> m_sandbox;
};

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestHostileDocuments t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_hostiledocuments.moc"
