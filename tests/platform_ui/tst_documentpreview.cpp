#include "TestSandbox.h"
#include "platform/ui/DocumentPageCanvas.h"
#include "platform/ui/DocumentPreview.h"

#include <QApplication>
#include <QFile>
#include <QPainter>
#include <QPdfWriter>
#include <QSignalSpy>
#include <QTest>

using namespace pelnix;
using namespace pelnix::platform::ui;

namespace {

// Two pages: the first red in its top half, the second all blue.
QString writePdf(const test::TestSandbox& sandbox) {
    const QString path = sandbox.path(QStringLiteral("two-pages.pdf"));
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QPageSize::A5));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter painter(&writer);
    const QRect page = painter.viewport();
    painter.fillRect(QRect(0, 0, page.width(), page.height() / 2), Qt::red);
    writer.newPage();
    painter.fillRect(page, Qt::blue);
    painter.end();
    return path;
}

QColor colourAt(QWidget& widget, const QPoint& point) {
    return QColor(widget.grab().toImage().pixel(point));
}

bool near(const QColor& a, const QColor& b) {
    return qAbs(a.red() - b.red()) < 40 && qAbs(a.green() - b.green()) < 40 && qAbs(a.blue() - b.blue()) < 40;
}

// Loaded, and every page in view drawn.
bool shown(const DocumentPreview& preview) {
    return preview.isLoaded() && preview.canvas()->isSettled();
}

// The error of showing `url`: told at once, or once the document has been read.
std::optional<PLError> errorOf(DocumentPreview& preview, const QUrl& url) {
    QSignalSpy failed(&preview, &DocumentPreview::documentFailed);
    QSignalSpy loaded(&preview, &DocumentPreview::documentLoaded);
    if (auto error = preview.showDocument(url))
        return error;
    if (!QTest::qWaitFor([&] { return !failed.isEmpty() || !loaded.isEmpty(); }, 20000) || failed.isEmpty())
        return std::nullopt;
    return failed.first().first().value<PLError>();
}

} // namespace

class TestDocumentPreview : public QObject {
    Q_OBJECT
private slots:
    void rendersTheFirstPageOfAPdf() {
        test::TestSandbox sandbox;
        DocumentPreview preview;
        preview.resize(300, 500);
        preview.show();
        QCOMPARE(preview.showDocument(QUrl::fromLocalFile(writePdf(sandbox))), std::nullopt);
        QCOMPARE(preview.kind(), DocumentPreview::Kind::PDF);
        QTRY_VERIFY(shown(preview));
        QCOMPARE(preview.pageCount(), 2);
        // Points computed from the first page's place in the view.
        const QRect first = preview.canvas()->pageRect(0);
        const QPoint origin = preview.canvas()->mapTo(&preview, QPoint(0, 0));
        QVERIFY(first.width() > 200);
        QVERIFY(near(colourAt(preview, origin + first.center() - QPoint(0, first.height() / 4)), Qt::red));
        QVERIFY(near(colourAt(preview, origin + first.center() + QPoint(0, first.height() / 4)), Qt::white));
        const QRect second = preview.canvas()->pageRect(1);
        QCOMPARE(second.top(), first.bottom() + 1 + DocumentPageCanvas::kPageGap);
    }

    void showsPicturesAndText() {
        test::TestSandbox sandbox;
        QImage green(40, 20, QImage::Format_RGB32);
        green.fill(Qt::green);
        const QString picture = sandbox.path(QStringLiteral("green.png"));
        QVERIFY(green.save(picture));
        DocumentPreview preview;
        preview.resize(300, 400);
        preview.show();
        QCOMPARE(preview.showDocument(QUrl::fromLocalFile(picture)), std::nullopt);
        QCOMPARE(preview.kind(), DocumentPreview::Kind::Image);
        QTRY_VERIFY(shown(preview));
        const QRect page = preview.canvas()->pageRect(0);
        QCOMPARE(page.height(), page.width() / 2); // the picture's proportions
        QVERIFY(near(colourAt(preview, preview.canvas()->mapTo(&preview, page.center())), Qt::green));

        const QString text = sandbox.path(QStringLiteral("notes.txt"));
        QFile file(text);
        QVERIFY(file.open(QIODevice::WriteOnly));
        for (int line = 0; line < 400; ++line)
            file.write("A line of notes that the preview shows as text.\n");
        file.close();
        // The same preview shows the next document in place of the last.
        QCOMPARE(preview.showDocument(QUrl::fromLocalFile(text)), std::nullopt);
        QCOMPARE(preview.kind(), DocumentPreview::Kind::Text);
        QTRY_VERIFY(shown(preview));
        QVERIFY(preview.pageCount() > 1); // long text comes in slices
        const QImage shown = preview.grab().toImage();
        const QRect slice = preview.canvas()->pageRect(0).intersected(preview.viewport()->rect());
        int dark = 0;
        for (int y = slice.top(); y < slice.bottom(); y += 2)
            for (int x = slice.left(); x < slice.right(); x += 2)
                dark += qGray(shown.pixel(x, y)) < 100;
        QVERIFY(dark > 50);
    }

    void unreadableDocumentsAreErrors_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("code");
        QTest::newRow("missing") << "gone.pdf" << QByteArray() << int(DocumentPreview::NotFoundError);
        QTest::newRow("damaged pdf") << "bad.pdf" << QByteArray("%PDF-1.4\nnot really\n")
                                     << int(DocumentPreview::DamagedError);
        QTest::newRow("unknown kind") << "blob.bin" << QByteArray("\x00\x01\x02\x03\xff\xfe", 6)
                                      << int(DocumentPreview::UnsupportedFormatError);
    }
    void unreadableDocumentsAreErrors() {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(int, code);
        test::TestSandbox sandbox;
        const QString path = sandbox.path(name);
        if (!content.isEmpty()) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        DocumentPreview preview;
        preview.resize(200, 200);
        QVERIFY(!errorOf(preview, QUrl::fromLocalFile(writePdf(sandbox))));
        const auto error = errorOf(preview, QUrl::fromLocalFile(path));
        QVERIFY(error);
        QCOMPARE(error->code, code);
        // Nothing of the earlier document stays on screen.
        QCOMPARE(preview.kind(), DocumentPreview::Kind::None);
        QCOMPARE(preview.pageCount(), 0);
    }

    void zoomStaysWithinItsRangeAndDoubleClickToggles() {
        test::TestSandbox sandbox;
        DocumentPreview preview;
        preview.resize(300, 400);
        preview.show();
        QVERIFY(!preview.showDocument(QUrl::fromLocalFile(writePdf(sandbox))));
        QTRY_VERIFY(preview.isLoaded());
        const int fitted = preview.canvas()->pageRect(0).width();
        QSignalSpy zoomed(&preview, &DocumentPreview::zoomChanged);
        QTest::mouseDClick(preview.viewport(), Qt::LeftButton, {}, QPoint(150, 100));
        QCOMPARE(preview.zoom(), 2.0);
        QVERIFY(qAbs(preview.canvas()->pageRect(0).width() - 2 * fitted) <= 2);
        QTest::mouseDClick(preview.viewport(), Qt::LeftButton, {}, QPoint(150, 100));
        QCOMPARE(preview.zoom(), 1.0);
        preview.setZoom(100);
        QCOMPARE(preview.zoom(), DocumentPreview::kMaximumZoom);
        preview.setZoom(0);
        QCOMPARE(preview.zoom(), DocumentPreview::kMinimumZoom);
        QCOMPARE(zoomed.size(), 4);
    }
};

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestDocumentPreview t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_documentpreview.moc"
