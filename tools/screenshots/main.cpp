// pelnix-screenshots --out <folder> [--only <Storyboard>/<Identifier>]
// Renders every registered screen, with its fixture, in a phone-sized window offscreen and writes
// <folder>/<Storyboard>-<Identifier>.png. Exits non-zero when a screen cannot be made or saved.

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
#include "GalleryToolkit.h"
#include "GalleryViewers.h"

#include "platform/ui/Animator.h"
#include "platform/ui/ScreenRegistry.h"
#include "platform/ui/Screenshot.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

#include "foundation/ui/CustomFontRegistration.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <cstdio>

using namespace pelnix::platform::ui;

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

    pelnix::CustomFontRegistration::loadCustomFonts();
    QFont base = pelnix::CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans"), 15);
    Animator::setInstant(true);
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

    auto* registry = ScreenRegistry::shared();
    const QDir out(parser.value("out"));
    QDir().mkpath(out.absolutePath());
    int failures = 0;
    int written = 0;
    for (const QString& storyboard : registry->storyboards()) {
        for (const QString& identifier : registry->identifiers(storyboard)) {
            const QString name = storyboard + QLatin1Char('/') + identifier;
            if (parser.isSet("only") && parser.value("only") != name)
                continue;
            Window window;
            window.setFont(base); // the library's own window only
            window.resize(375, 667);
            ViewController* controller = registry->instantiate(storyboard, identifier);
            if (!controller) {
                std::fprintf(stderr, "cannot make %s\n", qPrintable(name));
                ++failures;
                continue;
            }
            window.setRootViewController(controller);
            window.show();
            if (const auto fixture = registry->fixture(storyboard, identifier))
                fixture(controller);
            const QString path =
                out.filePath(storyboard + QLatin1Char('-') + identifier + QStringLiteral(".png"));
            if (!Screenshot::savePng(&window, path)) {
                std::fprintf(stderr, "cannot save %s\n", qPrintable(path));
                ++failures;
                continue;
            }
            std::printf("%s\n", qPrintable(path));
            ++written;
        }
    }
    if (written == 0 && failures == 0) {
        std::fprintf(stderr, "no screen matched\n");
        return 2;
    }
    return failures == 0 ? 0 : 1;
}
