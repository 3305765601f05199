#include "GalleryMedia.h"
#include "GalleryLocation.h"
#include "HostileDocuments.h"
#include "MediaSamples.h"

#include "platform/ui/ContactCardView.h"
#include "platform/ui/DocumentPageCanvas.h"
#include "platform/ui/DocumentPreview.h"
#include "platform/ui/MapView.h"
#include "platform/ui/ScreenRegistry.h"
#include "platform/ui/VideoView.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/WebEngineWebView.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QLinearGradient>
#include <QPainter>
#include <QPdfWriter>
#include <QScrollBar>
#include <QTemporaryDir>

namespace pelnix::tools {

using namespace platform::ui;

namespace {

const QString kStoryboard = QStringLiteral("GalleryMedia");

// A screen whose view is one widget made by `make`.
class WidgetController : public ViewController {
public:
    WidgetController(const QString& title, std::function<QWidget*()> make) : m_make(std::move(make)) {
        setTitle(title);
    }

protected:
    QWidget* loadView() override { return m_make(); }

private:
    std::function<QWidget*()> m_make;
};

// Runs the event loop until `ready` holds or ten seconds pass (the engine paints on its own time).
void waitUntil(const std::function<bool()>& ready) {
    const QDeadlineTimer deadline(10000);
    while (!ready() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
}

const char* kPage = R"(<html><body style="margin:0;font-family:'DejaVu Sans';background:#ffffff">
<div style="background:#007aff;color:white;padding:24px;font-size:22px">Quarterly survey</div>
<div style="padding:16px;font-size:15px;color:#333">
<p>Please rate the new office layout and tell us what you would change.</p>
<p><b>Deadline:</b> Friday</p>
<p><a href="https://forms.example.test/survey">Open the form</a></p></div></body></html>)";

QImage colourBars(const QSize& size) {
    QImage frame(size, QImage::Format_RGB32);
    QPainter painter(&frame);
    const QList<QColor> bars{Qt::white, Qt::yellow, Qt::cyan, Qt::green, Qt::magenta, Qt::red, Qt::blue};
    const int width = size.width() / int(bars.size()) + 1;
    for (int i = 0; i < bars.size(); ++i)
        painter.fillRect(i * width, 0, width, size.height() * 3 / 4, bars[i]);
    QLinearGradient ramp(0, 0, size.width(), 0);
    ramp.setColorAt(0, Qt::black);
    ramp.setColorAt(1, Qt::white);
    painter.fillRect(0, size.height() * 3 / 4, size.width(), size.height() / 4, ramp);
    return frame;
}

// A document preview showing the file that `write` makes in a folder of its own, once the pages in
// view are drawn (in the document worker, or on the thread pool).
// `settle` places a loaded document for its picture (by default it stays at its top).
void registerDocumentScreen(const QString& identifier,
                            std::function<QString(const QTemporaryDir&, DocumentPreview&)> write,
                            std::function<void(DocumentPreview&)> settle = {}) {
    ScreenRegistry::shared()->registerScreen(
        kStoryboard, identifier,
        [] { return new WidgetController(QStringLiteral("Document"), [] { return new DocumentPreview; }); },
        [write, settle](ViewController* controller) {
            auto* preview = static_cast<DocumentPreview*>(controller->view());
            auto* folder = new QTemporaryDir;
            QObject::connect(preview, &QObject::destroyed, [folder] { delete folder; });
            preview->showDocument(QUrl::fromLocalFile(write(*folder, *preview)));
            waitUntil([preview] { return preview->isLoaded() && preview->canvas()->isSettled(); });
            if (settle)
                settle(*preview);
        });
}

} // namespace

void registerMediaGalleryScreens() {
    auto* registry = ScreenRegistry::shared();
    registry->registerScreen(
        kStoryboard, QStringLiteral("WebView"),
        [] { return new WidgetController(QStringLiteral("Web page"), [] { return new WebEngineWebView; }); },
        [](ViewController* controller) {
            auto* web = static_cast<WebEngineWebView*>(controller->view());
            bool finished = false;
            QObject::connect(web, &WebView::didFinishLoad, web, [&finished] { finished = true; });
            web->loadHTMLString(QString::fromUtf8(kPage),
                                QUrl(QStringLiteral("https://chatlets.example.test/")));
            // Loaded is not yet painted: wait for the banner's blue.
            waitUntil([&] {
                return finished &&
                       web->grab().toImage().pixelColor(web->width() / 2, 10) == QColor(0, 122, 255);
            });
        });
    registry->registerScreen(
        kStoryboard, QStringLiteral("VideoFrame"),
        [] { return new WidgetController(QStringLiteral("Video"), [] { return new VideoView; }); },
        [](ViewController* controller) {
            static_cast<VideoView*>(controller->view())->setFrame(colourBars(QSize(640, 360)));
        });
    registerDocumentScreen(QStringLiteral("PDFPage"), [](const QTemporaryDir& folder, DocumentPreview&) {
        return samples::makePdf(folder.filePath(QStringLiteral("policy.pdf")));
    });
    // A page that passed its time bound beside one drawn, as a hostile PDF shows.
    registerDocumentScreen(
        QStringLiteral("PDFPagePlaceholder"),
        [](const QTemporaryDir& folder, DocumentPreview& preview) {
            const QSizeF a5(420, 595);
            const QString path = folder.filePath(QStringLiteral("strokes.pdf"));
            test::writeFile(path,
                            test::pdf(2, {a5}, {test::strokeContent(400000, a5), test::bandContent(a5)}));
            preview.setPageTimeBound(200);
            return path;
        },
        // A wide window fits the first page to its width, taller than the window: the picture shows the
        // placeholder's page ending above the drawn page that follows it.
        [](DocumentPreview& preview) {
            DocumentPageCanvas* canvas = preview.canvas();
            const int secondTop = canvas->pageRect(1).top() + canvas->pos().y();
            const int height = preview.viewport()->height();
            if (secondTop > height * 2 / 3)
                preview.verticalScrollBar()->setValue(preview.verticalScrollBar()->value() + secondTop -
                                                      height / 2);
            waitUntil([canvas] {
                return canvas->isSettled() && canvas->isPageFailed(0) && !canvas->pageImage(1).isNull();
            });
        });
    // A text longer than the preview reads, under its note.
    registerDocumentScreen(QStringLiteral("LongText"), [](const QTemporaryDir& folder, DocumentPreview&) {
        const QString path = folder.filePath(QStringLiteral("server.log"));
        test::writeFile(path, test::shortLines(3 * 1024 * 1024));
        return path;
    });
    registry->registerScreen(
        kStoryboard, QStringLiteral("MapWithPins"),
        [] { return new WidgetController(QStringLiteral("Location"), [] { return new MapView; }); },
        [](ViewController* controller) {
            auto* map = static_cast<MapView*>(controller->view());
            map->setRegion({12.9716, 77.5946}, 0.04, 0.04);
            map->addPin({{12.9763, 77.5929}, QStringLiteral("Park")});
            map->addPin({{12.9650, 77.6010}, QStringLiteral("Office")});
            map->addPin({{12.9800, 77.5850}, QStringLiteral("Station")});
            map->setUserLocation({12.9716, 77.5946});
            map->setShowsMyLocationButton(true);
            // The streets under the pins, from the location galleries' tile server.
            showLocationGalleryTiles(map);
        });
    registry->registerScreen(
        kStoryboard, QStringLiteral("ContactCard"),
        [] { return new WidgetController(QStringLiteral("Contact"), [] { return new ContactCardView; }); },
        [](ViewController* controller) {
            auto* card = static_cast<ContactCardView*>(controller->view());
            ContactCard person;
            person.firstName = QStringLiteral("Asha");
            person.lastName = QStringLiteral("Rao");
            person.phones = {{QStringLiteral("mobile"), QStringLiteral("+1 555 0100")},
                             {QStringLiteral("work"), QStringLiteral("+1 555 0142")}};
            person.emails = {{QStringLiteral("work"), QStringLiteral("asha@example.test")}};
            card->setContact(person);
            card->setSaveHandler(
                [](const ContactCard&, ContactCardView::SaveDone done) { done(std::nullopt); });
        });
}

} // namespace pelnix::tools
