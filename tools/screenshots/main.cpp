// pelnix-screenshots --out <folder> [--only <Storyboard>/<Identifier>] [--jobs <count>]
// Renders every registered screen, with its fixture, offscreen and writes
// <folder>/<Storyboard>-<Identifier>.png at 320 x 568, with "@400x720" and "@1024x768" twins (a screen
// registered with a size of its own, such as "Room@400x720" or "Room1024x768", is rendered at that size
// only). Each screen is rendered by a process of its own, in a sandbox and store of its own, so that no
// gallery's data shows in another's; a few such processes run at once. Web views are grabbed once they
// have loaded and painted, maps once the tiles of the area they show are drawn. Exits non-zero when a
// screen cannot be made or saved, or when a picture is one flat colour, shows nothing below its
// navigation bar, shows a navigation bar with nothing on it or two bars one under the other, shows a
// delivered message without its time, or leaves out the title a library screen gives itself.

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
#include "GalleryStage.h"
#include "GalleryToolkit.h"
#include "GalleryViewers.h"

#include "platform/ui/Animator.h"
#include "platform/ui/DocumentPageCanvas.h"
#include "platform/ui/DocumentPreview.h"
#include "platform/ui/MapView.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/ScreenRegistry.h"
#include "platform/ui/Screenshot.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
#include "platform/ui/testing/BlankPictureCheck.h"

#include "DeliveredRowTimes.h"
#include "LibraryScreenWorld.h"
#include "ui/toolkit/PLActivityIndicatorView.h"

#include "foundation/ui/CustomFontRegistration.h"
#include "interface/PelnixSetUp.h"

#include "platform/Sandbox.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCursor>
#include <QDir>
#include <QEventLoop>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <memory>

using namespace pelnix::platform::ui;

namespace {

using pelnix::tools::GalleryStage;

// Screens rendered side by side: each process holds a browser engine and a stand-in of its own.
constexpr int kMostProcessesAtOnce = 4;

// A screen of the library's own that the galleries give no state: it is shown in the world the tour
// shows it in (a signed-in account with a room, its people and conversation, and what the screen needs).
bool needsLibraryWorld(const QString& storyboard, const QString& identifier) {
    return !storyboard.startsWith(QLatin1String("Gallery")) &&
           !identifier.startsWith(QLatin1String("Gallery")) &&
           !ScreenRegistry::shared()->fixture(storyboard, identifier);
}

// Whether the title `front` gives itself shows in a bar of `window` (a screen with no title, or one that
// shows its title in a bar of its own, passes).
bool titleShown(ViewController* front, QWidget* window) {
    if (!front || front->title().isEmpty() || !front->isViewLoaded())
        return true;
    const auto bars = window->findChildren<NavigationBar*>();
    if (std::any_of(bars.begin(), bars.end(), [&](NavigationBar* bar) {
            return bar->isVisibleTo(window) && bar->titleText() == front->title();
        }))
        return true;
    const auto labels = front->view()->findChildren<QLabel*>();
    return std::any_of(labels.begin(), labels.end(), [&](QLabel* label) {
        return label->isVisibleTo(window) && label->text().compare(front->title(), Qt::CaseInsensitive) == 0;
    });
}

// Renders one screen at `size` into `path`; false (with a message) when it cannot.
bool render(const QString& storyboard, const QString& identifier, QSize size, const QString& path,
            pelnix::test::LibraryScreenWorld* world) {
    auto* registry = ScreenRegistry::shared();
    const QString name = storyboard + QLatin1Char('/') + identifier;
    // The window keeps the program's font, as a host's does.
    Window window;
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
    window.setRootViewController(
        pelnix::test::LibraryScreenWorld::asShown(storyboard, identifier, controller));
    window.show();
    if (const auto fixture = registry->fixture(storyboard, identifier))
        fixture(controller);
    // A fixture may size the window for its phone; the picture is taken at the size asked for.
    if (world) {
        window.resize(size);
        const QString unsettled = world->settle(front, window, {});
        if (!unsettled.isEmpty()) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(unsettled), qPrintable(name));
            return false;
        }
    }
    GalleryStage::bringTo(&window, size);
    const QImage image = Screenshot::grab(&window);
    if (!Screenshot::savePng(&window, path)) {
        std::fprintf(stderr, "cannot save %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    // A picture of one colour, or of a bar over an empty page, shows nothing of the screen, and a bar
    // with nothing on it, or a second bar under the first, shows a bar the screen does not have; a
    // delivered message shows its time; none of the library's own screens is left
    // behind the busy overlay, and no map misses its tiles.
    QString blank = BlankPictureCheck::blankness(image, &window);
    if (blank.isEmpty())
        blank = BlankPictureCheck::emptyBar(image, &window);
    if (blank.isEmpty())
        blank = BlankPictureCheck::doubledBar(image, &window);
    if (blank.isEmpty())
        blank = pelnix::test::DeliveredRowTimes::missing(image, &window);
    if (blank.isEmpty() && needsLibraryWorld(storyboard, identifier) &&
        !pelnix::test::LibraryScreenWorld::isShownAlone(storyboard, identifier) &&
        !titleShown(front, &window))
        blank = QStringLiteral("its title \"%1\" shows nowhere").arg(front->title());
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

// Every screen in a process of its own, a few at a time; the result counts the failures, which are
// named again at the end, where a log cut to its tail still shows them.
int renderEachInItsOwnProcess(const QString& out, int atOnce) {
    auto* registry = ScreenRegistry::shared();
    QStringList queue;
    for (const QString& storyboard : registry->storyboards())
        for (const QString& identifier : registry->identifiers(storyboard))
            queue << storyboard + QLatin1Char('/') + identifier;
    int running = 0;
    QStringList failures;
    QEventLoop loop;
    const auto startNext = [&] {
        const QString name = queue.takeFirst();
        auto* child = new QProcess(&loop);
        child->setProcessChannelMode(QProcess::ForwardedChannels);
        QObject::connect(
            child, &QProcess::finished, &loop, [&, child, name](int code, QProcess::ExitStatus status) {
                if (status != QProcess::NormalExit || code != 0) {
                    failures << QStringLiteral("%1 (%2)").arg(
                        name, status != QProcess::NormalExit ? QStringLiteral("crashed")
                                                             : QStringLiteral("exit code %1").arg(code));
                    std::fprintf(stderr, "failed: %s\n", qPrintable(failures.last()));
                }
                --running;
                child->deleteLater();
                loop.quit();
            });
        QObject::connect(child, &QProcess::errorOccurred, &loop,
                         [&, child, name](QProcess::ProcessError error) {
                             if (error != QProcess::FailedToStart)
                                 return;
                             std::fprintf(stderr, "failed to start: %s\n", qPrintable(name));
                             failures << QStringLiteral("%1 (not started)").arg(name);
                             --running;
                             child->deleteLater();
                             loop.quit();
                         });
        ++running;
        child->start(QCoreApplication::applicationFilePath(),
                     {QStringLiteral("--out"), out, QStringLiteral("--only"), name});
    };
    while (!queue.isEmpty() || running > 0) {
        while (running < atOnce && !queue.isEmpty())
            startNext();
        loop.exec();
    }
    if (!failures.isEmpty())
        std::fprintf(stderr, "failed screens (%lld): %s\n", qlonglong(failures.size()),
                     qPrintable(failures.join(QStringLiteral(", "))));
    return int(failures.size());
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
    parser.addOption({"jobs", "Screens rendered at once (default: the cores, at most 4).", "count"});
    parser.process(app);

    // A sandbox of this run's own: a gallery that sets none writes nothing outside it.
    QTemporaryDir sandbox;
    pelnix::platform::Sandbox::setRoot(sandbox.path());
    pelnix::CustomFontRegistration::loadCustomFonts();
    // A host whose program font is of a desktop's size and of a face that no text of the library or the
    // galleries has: a library text that takes the program's font instead of its own shows in the picture.
    QApplication::setFont(QFont(QStringLiteral("DejaVu Serif"), 9));
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
    if (!parser.isSet("only")) {
        const int jobs = parser.isSet("jobs") ? parser.value("jobs").toInt()
                                              : qMin(QThread::idealThreadCount(), kMostProcessesAtOnce);
        return renderEachInItsOwnProcess(out.absolutePath(), qMax(1, jobs)) == 0 ? 0 : 1;
    }

    const QString only = parser.value("only");
    const QString storyboard = only.section(QLatin1Char('/'), 0, 0);
    const QString identifier = only.section(QLatin1Char('/'), 1);
    if (!registry->identifiers(storyboard).contains(identifier)) {
        std::fprintf(stderr, "no screen matched\n");
        return 2;
    }
    const QString stem = out.filePath(storyboard + QLatin1Char('-') + identifier);
    // Made once for the screen's pictures and ended last: the screen reads its store and service until
    // it is gone.
    std::unique_ptr<pelnix::test::LibraryScreenWorld> world;
    if (needsLibraryWorld(storyboard, identifier))
        world = std::make_unique<pelnix::test::LibraryScreenWorld>();
    int failures = 0;
    for (const auto& [suffix, size] : GalleryStage::picturesOf(identifier, registry->identifiers(storyboard)))
        failures +=
            render(storyboard, identifier, size, stem + suffix + QStringLiteral(".png"), world.get()) ? 0 : 1;
    return failures == 0 ? 0 : 1;
}
