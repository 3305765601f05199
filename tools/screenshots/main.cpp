// pelnix-screenshots --out <folder> [--only <Storyboard>/<Identifier>]
// Renders every registered screen, with its fixture, offscreen and writes
// <folder>/<Storyboard>-<Identifier>.png at 320 x 568, with "@400x720" and "@1024x768" twins (a screen
// registered with a size of its own, such as "Room@400x720" or "Room1024x768", is rendered at that size
// only). Each screen is rendered by a process of its own, in a sandbox and store of its own, so that no
// gallery's data shows in another's. Web views are grabbed once they have loaded and painted. Exits
// non-zero when a screen cannot be made or saved, or when a picture is one flat colour or shows
// nothing below its navigation bar.

#include "GalleryAccount.h"
#include "GalleryAttachments.h"
#include "GalleryChatlets.h"
#include "GalleryContacts.h"
#include "GalleryControls.h"
#include "GalleryConversation.h"
#include "GalleryGroups.h"
#include "GalleryLocation.h"
#include "GalleryMedia.h"
#include "GalleryMembers.h"
#include "GalleryRooms.h"
#include "GalleryScreens.h"
#include "GalleryShell.h"
#include "GalleryToolkit.h"
#include "GalleryViewers.h"

#include "platform/ui/Animator.h"
#include "platform/ui/DocumentPageCanvas.h"
#include "platform/ui/DocumentPreview.h"
#include "platform/ui/MapView.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/ScreenRegistry.h"
#include "platform/ui/Screenshot.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
#include "platform/ui/testing/BlankPictureCheck.h"

#include "LibraryScreenWorld.h"
#include "ui/toolkit/PLActivityIndicatorView.h"

#include "foundation/ui/CustomFontRegistration.h"
#include "interface/PelnixSetUp.h"

#include "platform/Sandbox.h"
#include "platform/ui/WebView.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCursor>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>

using namespace pelnix::platform::ui;

namespace {

constexpr QSize kPhone(320, 568);
const QList<QPair<QString, QSize>> kTwins{{QStringLiteral("@400x720"), QSize(400, 720)},
                                          {QStringLiteral("@1024x768"), QSize(1024, 768)}};
constexpr int kLoadTimeoutMs = 20000;
constexpr int kPaintTimeoutMs = 3000;

// The size a screen's identifier names ("...@400x720", "...1024x768"), if any.
std::optional<QSize> namedSize(const QString& identifier) {
    static const QRegularExpression sized(QStringLiteral("@?(\\d+)x(\\d+)$"));
    const auto match = sized.match(identifier);
    if (!match.hasMatch())
        return std::nullopt;
    return QSize(match.captured(1).toInt(), match.captured(2).toInt());
}

void spin(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

// Waits for every web view on screen to finish its load, then until its page has painted.
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
        QElapsedTimer painted;
        painted.start();
        while (BlankPictureCheck::isFlat(web->grab().toImage()) && painted.elapsed() < kPaintTimeoutMs)
            spin(50);
    }
}

// Waits until every document preview on screen has drawn the pages in view at their size (they are
// drawn off the main thread, again after the window's resize).
void awaitDocumentPreviews(QWidget* window) {
    for (DocumentPreview* preview : window->findChildren<DocumentPreview*>()) {
        QElapsedTimer drawn;
        drawn.start();
        while (preview->isVisibleTo(window) && !(preview->isLoaded() && preview->canvas()->isSettled()) &&
               drawn.elapsed() < kLoadTimeoutMs)
            spin(20);
    }
}

// A screen of the library's own that the galleries give no state: it is shown in the world the tour
// shows it in (a signed-in account with a room, its people and conversation, and what the screen needs).
bool needsLibraryWorld(const QString& storyboard, const QString& identifier) {
    return !storyboard.startsWith(QLatin1String("Gallery")) &&
           !identifier.startsWith(QLatin1String("Gallery")) &&
           !ScreenRegistry::shared()->fixture(storyboard, identifier);
}

// Paints every map on screen until the tiles it shows are in: a map asks for its tiles as it paints,
// and the window may have grown since its screen's state was set.
void awaitMapTiles(QWidget* window) {
    for (MapView* map : window->findChildren<MapView*>()) {
        if (!map->isVisibleTo(window))
            continue;
        QElapsedTimer loading;
        loading.start();
        while (!map->areVisibleTilesLoaded() && loading.elapsed() < kLoadTimeoutMs) {
            map->grab();
            spin(20);
        }
    }
}

// Renders one screen at `size` into `path`; false (with a message) when it cannot.
bool render(const QString& storyboard, const QString& identifier, QSize size, const QString& path,
            const QFont& base, pelnix::test::LibraryScreenWorld* world) {
    auto* registry = ScreenRegistry::shared();
    const QString name = storyboard + QLatin1Char('/') + identifier;
    Window window;
    window.setFont(base); // the library's own window only
    window.resize(size);
    // No pointer hovers over the picture (a hovered tool button draws its frame).
    QCursor::setPos(-1000, -1000);
    ViewController* controller = registry->instantiate(storyboard, identifier);
    if (!controller) {
        std::fprintf(stderr, "cannot make %s\n", qPrintable(name));
        return false;
    }
    ViewController* front = pelnix::test::LibraryScreenWorld::frontScreen(controller);
    if (world) {
        const QString unstaged = world->stage(front, {});
        if (!unstaged.isEmpty()) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(unstaged), qPrintable(name));
            return false;
        }
    }
    // A library screen that a host pushes shows inside a navigation controller, as a host shows it; a
    // storyboard of one screen (the lock screen, the configuration page) stands alone.
    const bool pushed = !storyboard.startsWith(QLatin1String("Gallery")) && storyboard != identifier &&
                        !qobject_cast<NavigationController*>(controller);
    window.setRootViewController(pushed ? new NavigationController(controller) : controller);
    window.show();
    if (const auto fixture = registry->fixture(storyboard, identifier))
        fixture(controller);
    // A fixture may size the window for its phone; the picture is taken at the size asked for.
    window.resize(size);
    if (world) {
        const QString unsettled = world->settle(front, window, {});
        if (!unsettled.isEmpty()) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(unsettled), qPrintable(name));
            return false;
        }
    }
    Screenshot::settle();
    awaitWebViews(&window);
    awaitDocumentPreviews(&window);
    awaitMapTiles(&window);
    const QImage image = Screenshot::grab(&window);
    if (!Screenshot::savePng(&window, path)) {
        std::fprintf(stderr, "cannot save %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    // A picture of one colour, or of a bar over an empty page, shows nothing of the screen; none of
    // the library's own screens is left behind the busy overlay, and no map misses its tiles.
    QString blank = BlankPictureCheck::blankness(image, &window);
    const auto maps = window.findChildren<MapView*>();
    if (blank.isEmpty() && std::any_of(maps.begin(), maps.end(), [&window](const MapView* map) {
            return map->isVisibleTo(&window) && !map->areVisibleTilesLoaded();
        }))
        blank = QStringLiteral("a map without its tiles");
    if (blank.isEmpty() && !storyboard.startsWith(QLatin1String("Gallery")) &&
        pelnix::PLActivityIndicatorView::isVisible())
        blank = QStringLiteral("behind the busy overlay");
    if (!blank.isEmpty()) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(blank), qPrintable(path));
        return false;
    }
    return true;
}

// Every screen in a process of its own; the exit status counts the failures.
int renderEachInItsOwnProcess(const QString& out) {
    auto* registry = ScreenRegistry::shared();
    int failures = 0;
    for (const QString& storyboard : registry->storyboards()) {
        for (const QString& identifier : registry->identifiers(storyboard)) {
            QProcess child;
            child.setProcessChannelMode(QProcess::ForwardedChannels);
            child.start(QCoreApplication::applicationFilePath(),
                        {QStringLiteral("--out"), out, QStringLiteral("--only"),
                         storyboard + QLatin1Char('/') + identifier});
            if (!child.waitForFinished(-1) || child.exitStatus() != QProcess::NormalExit ||
                child.exitCode() != 0) {
                std::fprintf(stderr, "failed: %s/%s\n", qPrintable(storyboard), qPrintable(identifier));
                ++failures;
            }
        }
    }
    return failures;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt WebEngine wants shared GL contexts, set before the application object exists.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({"out", "Folder for the PNG files.", "folder", "screenshots"});
    parser.addOption({"only", "One screen, as Storyboard/Identifier.", "screen"});
    parser.process(app);

    // A sandbox of this run's own: a gallery that sets none writes nothing outside it.
    QTemporaryDir sandbox;
    pelnix::platform::Sandbox::setRoot(sandbox.path());
    pelnix::CustomFontRegistration::loadCustomFonts();
    QFont base = pelnix::CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans"), 15);
    Animator::setInstant(true);
    // The library set up as a host sets it up, before the galleries put their own screens and states
    // over its screens: a later set-up would register the library's screens over the galleries' again.
    pelnix::PelnixSetUp::ensureLibraryIsSetUp();
    pelnix::tools::registerGalleryScreens();
    pelnix::tools::registerControlsGalleryScreens();
    pelnix::tools::registerMediaGalleryScreens();
    pelnix::tools::registerToolkitGalleryScreens();
    pelnix::tools::registerAccountGalleryScreens();
    pelnix::tools::registerConversationGalleryScreens();
    pelnix::tools::registerChatletGalleryScreens();
    pelnix::tools::registerAttachmentGalleryScreens();
    pelnix::tools::registerRoomsGalleryScreens();
    pelnix::tools::registerGroupsGalleryScreens();
    pelnix::tools::registerContactsGalleryScreens();
    pelnix::tools::registerViewersGalleryScreens();
    pelnix::tools::registerLocationGalleryScreens();
    pelnix::tools::registerMembersGalleryScreens();
    pelnix::tools::registerShellGalleryScreens();

    auto* registry = ScreenRegistry::shared();
    const QDir out(parser.value("out"));
    QDir().mkpath(out.absolutePath());
    if (!parser.isSet("only"))
        return renderEachInItsOwnProcess(out.absolutePath()) == 0 ? 0 : 1;

    const QString only = parser.value("only");
    const QString storyboard = only.section(QLatin1Char('/'), 0, 0);
    const QString identifier = only.section(QLatin1Char('/'), 1);
    if (!registry->identifiers(storyboard).contains(identifier)) {
        std::fprintf(stderr, "no screen matched\n");
        return 2;
    }
    const QString stem = out.filePath(storyboard + QLatin1Char('-') + identifier);
    QList<QPair<QString, QSize>> shots;
    if (const auto size = namedSize(identifier)) {
        shots << qMakePair(stem + QStringLiteral(".png"), *size);
    } else {
        shots << qMakePair(stem + QStringLiteral(".png"), kPhone);
        const QStringList registered = registry->identifiers(storyboard);
        for (const auto& [suffix, size] : kTwins) {
            // A twin the gallery registers itself is rendered as its own screen.
            const QString bare = QString(suffix).remove(QLatin1Char('@'));
            if (!registered.contains(identifier + suffix) && !registered.contains(identifier + bare))
                shots << qMakePair(stem + suffix + QStringLiteral(".png"), size);
        }
    }
    // Made once for the screen's pictures and ended last: the screen reads its store and service until
    // it is gone.
    std::unique_ptr<pelnix::test::LibraryScreenWorld> world;
    if (needsLibraryWorld(storyboard, identifier))
        world = std::make_unique<pelnix::test::LibraryScreenWorld>();
    int failures = 0;
    for (const auto& [path, size] : shots)
        failures += render(storyboard, identifier, size, path, base, world.get()) ? 0 : 1;
    return failures == 0 ? 0 : 1;
}
