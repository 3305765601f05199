#include "DemoWindow.h"

#include "interface/Pelnix.h"
#include "interface/PelnixErrorHandlingHelper.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/ScreenRegistry.h"
#include "ui/shell/PLSideDrawerController.h"
#include "ui/shell/PLSideDrawerDelegate.h"
#include "ui/shell/PelnixCustomViewController.h"
#include "ui/shell/PelnixViewController.h"

#include <QCoreApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPointer>
#include <QVBoxLayout>
#include <cstdio>
#include <memory>
#include <unistd.h>

using namespace pelnix;
using platform::ui::NavigationController;
using platform::ui::ScreenRegistry;
using platform::ui::ViewController;

namespace {

QPointer<DemoWindow> g_current; // the window whose drawer acts

// The host's landing page, shown until the chats page is built.
class DemoLanding : public ViewController {
protected:
    QWidget* loadView() override {
        QWidget* view = ViewController::loadView();
        view->setAutoFillBackground(true);
        auto* layout = new QVBoxLayout(view);
        auto* label = new platform::ui::Label;
        label->setText(QStringLiteral("Pelnix demo"));
        label->setAlignment(Qt::AlignCenter);
        layout->addWidget(label);
        return view;
    }
};

// A row of the host's drawer: its icon (the host's own image) and title; the current option green.
QWidget* drawerRow(const QString& title, const QString& icon, bool current) {
    auto* row = new QWidget;
    row->setAutoFillBackground(true);
    QPalette palette = row->palette();
    palette.setColor(QPalette::Window, current ? QColor(0xD0, 0xEB, 0xD7) : QColor(Qt::white));
    row->setPalette(palette);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(16, 0, 16, 0);
    layout->setSpacing(12);
    auto* image = new QLabel;
    const QPixmap pixmap(QStringLiteral(":/%1@2x.png").arg(icon));
    image->setPixmap(pixmap.scaled(24, 24, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    layout->addWidget(image);
    auto* label = new platform::ui::Label;
    label->setText(title);
    layout->addWidget(label, 1);
    return row;
}

// The host's side drawer: one row per option; a click reports it to the container, which closes the
// drawer and lets the host act.
class DemoDrawer : public ViewController, public PLSideDrawerController {
public:
    void setDelegate(PLSideDrawerDelegate* delegate) override { m_delegate = delegate; }

protected:
    QWidget* loadView() override {
        QWidget* view = ViewController::loadView();
        view->setAutoFillBackground(true);
        auto* layout = new QVBoxLayout(view);
        layout->setContentsMargins(0, 40, 0, 0);
        layout->setSpacing(0);
        const QList<std::pair<const char*, const char*>> rows{
            {"Chats", "drawerChatsIcon"}, {"Settings", "drawerSettingsIcon"}, {"Lock", "drawerGroupsIcon"}};
        for (int i = 0; i < rows.size(); ++i) {
            QWidget* row =
                drawerRow(QString::fromLatin1(rows[i].first), QString::fromLatin1(rows[i].second), i == 0);
            row->setObjectName(QStringLiteral("demoDrawerRow.%1").arg(i));
            row->setProperty("option", i);
            row->setFixedHeight(50);
            row->installEventFilter(this);
            layout->addWidget(row);
        }
        layout->addStretch();
        return view;
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonRelease && m_delegate) {
            const auto option = DemoWindow::Option(watched->property("option").toInt());
            m_delegate->didSelectSideDrawerOption(option, [option] {
                if (g_current)
                    g_current->perform(option);
            });
            return true;
        }
        return ViewController::eventFilter(watched, event);
    }

private:
    PLSideDrawerDelegate* m_delegate = nullptr;
};

} // namespace

DemoWindow::DemoWindow(QObject* parent) : QObject(parent), m_window(new platform::ui::Window) {
    registerHostScreens();
    m_host.setWindowTitle(QStringLiteral("Pelnix demo"));
    m_host.setCentralWidget(m_window);
    QMenu* account = m_host.menuBar()->addMenu(QStringLiteral("&Account"));
    m_signOut = account->addAction(QStringLiteral("Sign &out"), this, &DemoWindow::signOut);
    g_current = this;
    // The rooms list shows the host's own left button: it opens the drawer.
    m_menu = new platform::ui::BarButtonItem(
        QStringLiteral("Menu"),
        [] {
            if (auto* root = PLRootViewController::sharedInstance())
                root->toggleSideDrawerAnimated(true);
        },
        this);
    Pelnix::setNavigationItemLeftBarButtonItems({QVariant::fromValue<QObject*>(m_menu.data())});
}

DemoWindow::~DemoWindow() {
    Pelnix::setNavigationItemLeftBarButtonItems({});
}

void DemoWindow::prepareApplication() {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    // The engine's sandbox cannot start as root and the engine then ends the process at the first
    // page; any other user keeps it, and a value the user set stays.
    if (::geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
}

void DemoWindow::registerHostScreens() {
    auto* registry = ScreenRegistry::shared();
    if (registry->hasScreen(QStringLiteral("Home"), QStringLiteral("PLSideDrawerTableViewController")))
        return;
    registry->registerScreen(QStringLiteral("SDKTest"), QStringLiteral("DemoLanding"),
                             [] { return new DemoLanding; });
    registry->setInitialScreen(QStringLiteral("SDKTest"), QStringLiteral("DemoLanding"));
    registry->registerScreen(QStringLiteral("Home"), QStringLiteral("PLSideDrawerTableViewController"),
                             [] { return new DemoDrawer; });
    registry->registerScreen(
        QStringLiteral("Home"), QStringLiteral("DemoChatsNavigation"), []() -> ViewController* {
            // The library's rooms list, as the root container expects on top of the chats page.
            ViewController* rooms = ScreenRegistry::shared()->instantiate(
                QStringLiteral("Home"), QStringLiteral("PLChatRoomsTableViewController"));
            return rooms ? new NavigationController(rooms) : nullptr;
        });
    registry->setInitialScreen(QStringLiteral("Home"), QStringLiteral("DemoChatsNavigation"));
}

void DemoWindow::show(bool visible) {
    m_host.resize(400, 720 + m_host.menuBar()->sizeHint().height());
    openRootContainer();
    m_window->makeKeyAndVisible();
    if (visible)
        m_host.show();
}

void DemoWindow::openRootContainer() {
    m_root = new PLRootViewController;
    m_window->setRootViewController(m_root);
    m_root->initializeOverlayView();
    m_root->showSplashScreenWithLogo();
    m_signOut->setEnabled(true);
}

void DemoWindow::signOut() {
    // What the old session shows goes with it: its alerts and sheets, what its screens present, and
    // the screens themselves, before the session they read from is emptied.
    for (platform::ui::AlertView* alert : m_window->alerts())
        alert->dismiss();
    if (m_root && m_root->presentedViewController())
        m_root->dismissViewController(false);
    m_window->setRootViewController(nullptr);
    Pelnix::resetPelnixSession();
    // The service stays the same; it sends no mail, its control API tells the code it issued.
    QString service = Pelnix::currentHostURL();
    if (!service.endsWith(QLatin1Char('/')))
        service += QLatin1Char('/');
    std::printf("Signed out. Sign up in the window; its code (your address in place of carol@demo.test): "
                "curl '%s_ctl/otp?email=carol@demo.test'\n",
                qPrintable(service));
    std::fflush(stdout);
    showLogin();
}

void DemoWindow::showLogin() {
    m_signOut->setEnabled(false);
    QPointer<DemoWindow> self(this);
    auto* login =
        Pelnix::pelnixLoginViewController([self](bool success, const PLOptionalError& error, const QString&) {
            if (!self)
                return;
            if (success)
                return self->startLibraryAfterLogin();
            // A cancelled sign-up leaves the login page as it is: there is no session to go back to.
            if (error)
                std::printf("Sign-up: %s\n", qPrintable(error->localizedDescription));
        });
    m_window->setRootViewController(login);
}

void DemoWindow::startLibraryAfterLogin() {
    QPointer<DemoWindow> self(this);
    Pelnix::initWithCompletionHandler([self](bool success, const PLOptionalError& error, const QString&) {
        if (!self)
            return;
        if (!success) {
            std::fprintf(stderr, "pelnix-demo: the library did not start after the sign-up: %s\n",
                         error ? qPrintable(error->localizedDescription) : "no reason given");
            Pelnix::resetPelnixSession();
            return self->showLogin();
        }
        std::printf("Signed in (session state %llu)\n",
                    static_cast<unsigned long long>(Pelnix::sessionState()));
        std::fflush(stdout);
        self->openRootContainer();
    });
}

void DemoWindow::perform(Option option) {
    if (!m_root)
        return;
    switch (option) {
    case Chats:
        m_root->navigateToChatRoom(nullptr);
        break;
    case Settings:
        m_root->navigateToChatRoom(nullptr);
        if (auto* chats = m_root->chatRoomsNavigationViewController())
            if (ViewController* settings = Pelnix::settingsViewController())
                chats->pushViewController(settings, true);
        break;
    case Lock: {
        // The first time sets a passcode up; once one is set (the set-up is refused) the app locks
        // until it is typed.
        QPointer<PLRootViewController> root = m_root;
        auto alreadySet = std::make_shared<bool>(false);
        const auto done = [root, alreadySet](bool, const PLOptionalError& error, ViewController*) {
            if (error && error->code == PelnixErrorPasscodeAlreadyEnabled && !*alreadySet) {
                *alreadySet = true;
                return;
            }
            if (error)
                std::printf("Lock: %s\n", qPrintable(error->localizedDescription));
            if (root && root->presentedViewController())
                root->dismissViewController(true);
        };
        ViewController* lock = Pelnix::passcodeViewControllerOfType(0, done);
        if (*alreadySet)
            lock = Pelnix::passcodeViewControllerOfType(2, done);
        if (lock)
            m_root->presentViewController(lock, true);
        break;
    }
    }
}
