#include "GalleryShell.h"
#include "GalleryPictures.h"

#include "GalleryRooms.h"

#include "platform/ui/Label.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/ScreenRegistry.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
#include "ui/rooms/PLChatRoomsTableViewController.h"
#include "ui/shell/PLRootViewController.h"
#include "ui/shell/PLSideDrawerController.h"

#include <QVBoxLayout>

namespace pelnix::tools {

using platform::ui::NavigationController;
using platform::ui::ScreenRegistry;
using platform::ui::ViewController;

namespace {

const QString kGallery = QStringLiteral("GalleryShell");
const QString kLarge = QStringLiteral("@400x720");

// The host's drawer: the drawer cells of the rooms gallery as its rows.
class GalleryDrawer : public ViewController, public PLSideDrawerController {
public:
    void setDelegate(PLSideDrawerDelegate* delegate) override { m_delegate = delegate; }

protected:
    QWidget* loadView() override {
        QWidget* view = ViewController::loadView();
        view->setAutoFillBackground(true);
        addChildViewController(ScreenRegistry::shared()->instantiate(QStringLiteral("GalleryRooms"),
                                                                     QStringLiteral("DrawerCells")),
                               view);
        return view;
    }

private:
    PLSideDrawerDelegate* m_delegate = nullptr;
};

// The host's landing page, in front until the chats page is built.
class GalleryLanding : public ViewController {
protected:
    QWidget* loadView() override {
        QWidget* view = ViewController::loadView();
        view->setAutoFillBackground(true);
        auto* layout = new QVBoxLayout(view);
        auto* label = new platform::ui::Label;
        label->setText(QStringLiteral("Welcome"));
        label->setFont(galleryFont(15));
        label->setAlignment(Qt::AlignCenter);
        layout->addWidget(label);
        return view;
    }
};

void registerHostStoryboards() {
    auto* registry = ScreenRegistry::shared();
    if (registry->hasScreen(QStringLiteral("Home"), QStringLiteral("PLSideDrawerTableViewController")))
        return;
    registry->registerScreen(QStringLiteral("SDKTest"), QStringLiteral("GalleryLanding"),
                             [] { return new GalleryLanding; });
    registry->setInitialScreen(QStringLiteral("SDKTest"), QStringLiteral("GalleryLanding"));
    registry->registerScreen(QStringLiteral("Home"), QStringLiteral("PLSideDrawerTableViewController"),
                             [] { return new GalleryDrawer; });
    registry->registerScreen(QStringLiteral("Home"), QStringLiteral("GalleryChatsNavigation"), [] {
        prepareRoomsGalleryStore(true);
        return new NavigationController(new PLChatRoomsTableViewController);
    });
    registry->setInitialScreen(QStringLiteral("Home"), QStringLiteral("GalleryChatsNavigation"));
}

} // namespace

QSize shellGallerySize(const QString& identifier) {
    return identifier.endsWith(kLarge) ? QSize(400, 720) : QSize(320, 568);
}

void registerShellGalleryScreens() {
    registerHostStoryboards();
    auto* registry = ScreenRegistry::shared();
    struct State {
        QString name;
        bool open;
        bool rightToLeft;
    };
    const QList<State> states{{QStringLiteral("RootDrawerClosed"), false, false},
                              {QStringLiteral("RootDrawerOpen"), true, false},
                              {QStringLiteral("RootDrawerOpenRightToLeft"), true, true}};
    for (const QString& suffix : {QString(), kLarge}) {
        for (const State& state : states) {
            const QString identifier = state.name + suffix;
            registry->registerScreen(
                kGallery, identifier,
                [rightToLeft = state.rightToLeft] {
                    prepareRoomsGalleryStore(true);
                    auto* root = new PLRootViewController;
                    if (rightToLeft)
                        root->view()->setLayoutDirection(Qt::RightToLeft);
                    return root;
                },
                [identifier, open = state.open](ViewController* c) {
                    if (platform::ui::Window* window = c->window())
                        window->resize(shellGallerySize(identifier));
                    auto* root = qobject_cast<PLRootViewController*>(c);
                    root->showChatsViewController();
                    root->initializeOverlayView();
                    if (open)
                        root->setIsShowingSideBar(true);
                });
        }
    }
}

} // namespace pelnix::tools
