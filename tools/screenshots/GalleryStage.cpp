#include "GalleryStage.h"

#include "DeliveredRowTimes.h"

#include "platform/ui/DocumentPageCanvas.h"
#include "platform/ui/DocumentPreview.h"
#include "platform/ui/MapView.h"
#include "platform/ui/Screenshot.h"
#include "platform/ui/WebView.h"
#include "platform/ui/testing/BlankPictureCheck.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QRegularExpression>
#include <QTimer>
#include <QWidget>
#include <optional>

namespace pelnix::tools {

using platform::ui::MapView;
using platform::ui::WebView;

namespace {

constexpr int kLoadTimeoutMs = 20000;
constexpr int kPaintTimeoutMs = 3000;
constexpr int kTilesTimeoutMs = 10000;
constexpr int kTileQuietMs = 2000;

// The size an identifier names ("...@400x720", "...1024x768"), if any.
std::optional<QSize> namedSize(const QString& identifier) {
    static const QRegularExpression sized(QStringLiteral("@?(\\d+)x(\\d+)$"));
    const auto match = sized.match(identifier);
    if (!match.hasMatch())
        return std::nullopt;
    return QSize(match.captured(1).toInt(), match.captured(2).toInt());
}

// Turns the event loop until `ready` or the deadline, looking again every 20 ms.
void waitUntil(int ms, const std::function<bool()>& ready) {
    const QDeadlineTimer deadline(ms);
    while (!ready() && !deadline.hasExpired()) {
        QEventLoop loop;
        QTimer::singleShot(20, &loop, &QEventLoop::quit);
        loop.exec();
    }
}

// Every web view on screen, loaded and then painted (a grab right at the end of a load can be blank).
void awaitWebViews(QWidget* window) {
    for (WebView* web : window->findChildren<WebView*>()) {
        if (!web->isVisibleTo(window))
            continue;
        if (web->isLoading()) {
            QEventLoop loop;
            QObject::connect(web, &WebView::didFinishLoad, &loop, &QEventLoop::quit);
            QTimer::singleShot(kLoadTimeoutMs, &loop, &QEventLoop::quit);
            if (web->isLoading())
                loop.exec();
        }
        waitUntil(kPaintTimeoutMs,
                  [web] { return !platform::ui::BlankPictureCheck::isFlat(web->grab().toImage()); });
    }
}

// Every map on screen with the tiles of the area it shows now. A map asks for its tiles as it paints and
// tells when the last of them is drawn; a tile server that fails or goes quiet ends the wait with what
// there is.
void awaitMapTiles(QWidget* window) {
    for (MapView* map : window->findChildren<MapView*>()) {
        if (!map->isVisibleTo(window))
            continue;
        map->grab();
        platform::ui::MapTileLoader* tiles = map->tileLoader();
        const QDeadlineTimer deadline(kTilesTimeoutMs);
        while (tiles && !map->areVisibleTilesLoaded() && !deadline.hasExpired()) {
            QEventLoop loop;
            bool arrived = false;
            QObject::connect(tiles, &platform::ui::MapTileLoader::tileLoaded, &loop, [&] {
                arrived = true;
                loop.quit();
            });
            QObject::connect(tiles, &platform::ui::MapTileLoader::tileFailed, &loop, &QEventLoop::quit);
            QTimer::singleShot(kTileQuietMs, &loop, &QEventLoop::quit);
            loop.exec();
            if (!arrived)
                break;
        }
    }
}

} // namespace

const QList<GalleryStage::Size>& GalleryStage::sizes() {
    static const QList<Size> list{{QString(), QSize(320, 568)},
                                  {QStringLiteral("@400x720"), QSize(400, 720)},
                                  {QStringLiteral("@1024x768"), QSize(1024, 768)}};
    return list;
}

QList<GalleryStage::Size> GalleryStage::picturesOf(const QString& identifier, const QStringList& registered) {
    if (const auto size = namedSize(identifier))
        return {{QString(), *size}};
    QList<Size> pictures;
    for (const Size& each : sizes()) {
        const QString bare = QString(each.suffix).remove(QLatin1Char('@'));
        if (each.suffix.isEmpty() ||
            (!registered.contains(identifier + each.suffix) && !registered.contains(identifier + bare)))
            pictures << each;
    }
    return pictures;
}

// Waits until every document preview on screen has drawn the pages in view at their size (they are
// drawn off the main thread, again after the window's resize).
void awaitDocumentPreviews(QWidget* window) {
    for (auto* preview : window->findChildren<platform::ui::DocumentPreview*>())
        waitUntil(kLoadTimeoutMs, [preview, window] {
            return !preview->isVisibleTo(window) || (preview->isLoaded() && preview->canvas()->isSettled());
        });
}

void GalleryStage::bringTo(QWidget* window, QSize size) {
    window->resize(size);
    platform::ui::Screenshot::settle();
    awaitWebViews(window);
    awaitDocumentPreviews(window);
    awaitMapTiles(window);
    // Rows laid out again at the new size fade their times in once more.
    if (!test::DeliveredRowTimes::await(window))
        qWarning("the delivered rows' times did not show");
    platform::ui::Screenshot::settle();
}

} // namespace pelnix::tools
