// The facade's containers: which screen each type loads, the session they own, and what they refuse.
#include "CoreFixture.h"
#include "FacadeTestKit.h"
#include "FirstCallRun.h"

#include "core/model/ChatRoom.h"
#include "core/model/PLModelManager.h"
#include "core/model/RoomMember.h"
#include "core/model/User.h"
#include "core/session/PelnixInfo.h"
#include "core/session/PelnixStateManager.h"
#include "foundation/PLKeychainAccessHelper.h"
#include "foundation/PLStoredModel.h"
#include "foundation/persistence/PLPersistence.h"
#include "interface/Pelnix.h"
#include "interface/PelnixSetUp.h"
#include "platform/ui/ActionSheet.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Animator.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/WebView.h"
#include "platform/ui/Window.h"
#include "ui/account/PLAppLockScreenViewController.h"
#include "ui/account/PLEmailVerficationViewController.h"
#include "ui/account/PLLoggedOutViewController.h"
#include "ui/account/PLSignUpViewController.h"
#include "ui/conversation/PLChatWindowViewController.h"
#include "ui/rooms/PLActiveMembersViewController.h"
#include "ui/rooms/PLChatRoomsTableViewController.h"
#include "ui/rooms/PLGroupInfoViewController.h"
#include "ui/rooms/PLGroupMembersViewController.h"
#include "ui/rooms/PLGroupMemeberDetailTableViewController.h"
#include "ui/shell/PLRootViewController.h"
#include "ui/shell/PelnixCustomViewController.h"
#include "ui/shell/PelnixViewController.h"
#include "ui/toolkit/PLActivityIndicatorView.h"

#include <QDateEdit>
#include <QDockWidget>
#include <QHBoxLayout>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTextEdit>
#include <QVBoxLayout>
#include <QWindow>
#include <QtTest>

using namespace pelnix;
using namespace pelnix::test;
using platform::ui::NavigationController;
using platform::ui::ViewController;

namespace {

// The screen a container shows, looking through the navigation controller it may have wrapped it in.
ViewController* shownScreen(ViewController* container, bool* wrapped = nullptr) {
    const auto children = container->childViewControllers();
    if (children.isEmpty())
        return nullptr;
    auto* navigation = qobject_cast<NavigationController*>(children.first());
    if (wrapped)
        *wrapped = navigation != nullptr;
    return navigation ? navigation->topViewController() : children.first();
}

void importRooms(const char* json) {
    ChatRoom::updateChatRoomsWithArray(QJsonDocument::fromJson(json).array().toVariantList());
}

QRect rectIn(QWidget* widget, QWidget* in) {
    return QRect(widget->mapTo(in, QPoint()), widget->size());
}

// Whether a click at the middle of `widget` reaches it (or a widget inside it) in `window`.
bool takesClicksAt(QWidget* widget, QWidget* window) {
    QWidget* hit = window->childAt(rectIn(widget, window).center());
    return hit && (hit == widget || widget->isAncestorOf(hit));
}

// The host's own container that holds a container's view as Qt lays it out: a splitter's pane, a tab,
// a stacked page, a scroll area's widget, an MDI sub-window, a dock widget, or a plain layout's item.
enum class HostContainer { Splitter, TabWidget, StackedWidget, ScrollArea, MdiArea, DockWidget, PlainLayout };

// The host's side of its window: every widget of the host's own and the containers' views (not what
// lies in them or in the library's windows), by place in the tree, with its geometry while it shows,
// and how many child widgets it has.
QStringList hostLayoutOf(QWidget* widget, const QList<QWidget*>& containerViews, const QString& path = {}) {
    int children = 0;
    QStringList out;
    for (QObject* child : containerViews.contains(widget) ? QObjectList() : widget->children()) {
        auto* childWidget = qobject_cast<QWidget*>(child);
        if (!childWidget || childWidget->isWindow())
            continue;
        const QString childPath = path + QLatin1Char('/') + QString::number(children++) + QLatin1Char(' ') +
                                  QString::fromLatin1(childWidget->metaObject()->className());
        if (!qobject_cast<platform::ui::Window*>(childWidget))
            out << hostLayoutOf(childWidget, containerViews, childPath);
    }
    // A hidden widget's size is Qt's to settle when it polishes it.
    const QRect r = widget->geometry();
    const QString place =
        widget->isVisible()
            ? QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height())
            : QStringLiteral("hidden");
    out.prepend(QStringLiteral("%1 %2 children %3").arg(path, place).arg(children));
    return out;
}

// A click at `point` of `window` on whatever widget lies there, as the window delivers it.
void clickAt(QWidget* window, QPoint point) {
    QWidget* hit = window->childAt(point);
    if (!hit)
        hit = window;
    QTest::mouseClick(hit, Qt::LeftButton, {}, hit->mapFrom(window, point));
}

// Whether a click at `point` of `window` reaches a screen, nothing the library shows over it.
bool reachesTheScreens(QWidget* window, QPoint point) {
    QWidget* hit = window->childAt(point);
    return hit && !platform::ui::Window::libraryWindowOf(hit);
}

// Counts the mouse presses that reach the widget it filters.
class PressCounter : public QObject {
public:
    int presses = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        presses += event->type() == QEvent::MouseButtonPress;
        return QObject::eventFilter(watched, event);
    }
};

// Whatever the host's layout had posted is done.
void settleLayouts() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    QCoreApplication::processEvents();
}

// What the library shows over a container, and how the user answers it.
enum class Overlay { AlertAnsweredByAClick, SheetAnsweredByEscape, BusyOverlay };

// How a host takes a container's view out of its widget before it puts it somewhere else.
enum class TakeOut { ScrollAreaTakeWidget, MainWindowTakeCentralWidget, SetParentNull };

// Shows a question over `container` whose answers go to `answers`: an alert (No, Yes) or an action
// sheet (Take, Choose, Cancel).
platform::ui::AlertView* askOver(ViewController* container, bool sheet, QList<int>* answers) {
    const auto answered = [answers](platform::ui::AlertView*, int index) { *answers << index; };
    platform::ui::AlertView* question =
        sheet ? new platform::ui::ActionSheet(QStringLiteral("Photo"), QStringLiteral("Cancel"), QString(),
                                              {QStringLiteral("Take"), QStringLiteral("Choose")}, answered)
              : new platform::ui::AlertView(QStringLiteral("Leave?"), QString(), QStringLiteral("No"),
                                            {QStringLiteral("Yes")}, answered);
    question->show(container->window());
    return question;
}

QWidget* buttonOf(platform::ui::AlertView* question, int index) {
    return question->findChild<QWidget*>(QStringLiteral("alert.button.%1").arg(index));
}

// Whether the keyboard of its window is in `widget` or in a widget inside it.
bool hasKeyboard(const QWidget* widget) {
    const QWidget* focus = widget->window()->focusWidget();
    return focus && (focus == widget || widget->isAncestorOf(focus));
}

// Where a host moves a container's view within its window: into a dock and back into its layout, or
// into a scroll area, a splitter or a tab of its own.
enum class MoveTo { DockAndBack, ScrollArea, Splitter, Tab };

// How a host lays out the containers in its own window.
enum class HostLayout { FreshContainer, HiddenAndShown, StackedPages, ReplacedContainer, TwoContainers };

// Set in the environment of a run of this program that makes one facade entry its first call into the
// library (the variable names the entry), as a host does, and reports what the host then has.
const char* const kFirstCallVariable = "PELNIX_TEST_FIRST_CALL";

int runFirstCall(const QString& entry) {
    std::unique_ptr<ViewController> container;
    if (entry == QLatin1String("login"))
        container.reset(Pelnix::pelnixLoginViewController({}));
    else if (entry == QLatin1String("logged out"))
        container.reset(Pelnix::userLoggedOutViewController({}));
    else if (entry == QLatin1String("configuration"))
        container.reset(Pelnix::pelnixConfigurationViewController());
    if (!container)
        return 2;
    QMainWindow host;
    host.setCentralWidget(container->view());
    host.resize(320, 568);
    host.show();
    ViewController* screen = shownScreen(container.get());
    reportFirstCall(screen ? screen->metaObject()->className() : nullptr);
    host.takeCentralWidget();
    return 0;
}

} // namespace

Q_DECLARE_METATYPE(HostLayout)
Q_DECLARE_METATYPE(HostContainer)
Q_DECLARE_METATYPE(Overlay)
Q_DECLARE_METATYPE(TakeOut)
Q_DECLARE_METATYPE(MoveTo)

class TestContainers : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { PelnixSetUp::ensureLibraryIsSetUp(); }
    void cleanup() {
        PLPersistence::cleanUp();
        PLModelManager::destroySharedInstance();
        PelnixStateManager::destroyStateManager();
        PLKeychainAccessHelper::dropKeychainInstanceForTesting();
    }

    // Set up as a host sets it up, the library gives the host's own date pickers its look.
    void aDatePickerTheHostMakesAfterSetUpHasTheLibrarysLook() {
        QDateEdit hostPicker;
        hostPicker.show();
        QCOMPARE(QFontInfo(hostPicker.font()).family(), QStringLiteral("DejaVu Sans"));
        QCOMPARE(hostPicker.font().pixelSize(), 20);
        QCOMPARE(hostPicker.palette().color(QPalette::Text), QColor(0, 134, 202));
        QLabel hostLabel;
        hostLabel.show();
        QVERIFY(hostLabel.palette().color(QPalette::WindowText) != QColor(0, 134, 202));
    }

    void beforeStartUpOnlyTheSessionFreeContainersExist() {
        CoreFixture world(CoreFixture::Service::None);
        signIn(world);
        QVERIFY(!Pelnix::pelnixGroupsViewController());
        QVERIFY(!Pelnix::settingsViewController());
        QVERIFY(!Pelnix::publicGroupsViewController({}));
        std::unique_ptr<PelnixViewController> configuration(Pelnix::pelnixConfigurationViewController());
        QVERIFY(configuration);
        configuration->view(); // a container loads its screen with its view
        QCOMPARE(shownScreen(configuration.get())->storyboardIdentifier(),
                 QStringLiteral("PLConfigureScreenViewController"));
        int loggedIn = 0;
        std::unique_ptr<PelnixCustomViewController> loggedOut(
            Pelnix::userLoggedOutViewController([&] { ++loggedIn; }));
        QVERIFY(loggedOut);
        loggedOut->view();
        bool wrapped = false;
        QVERIFY(qobject_cast<PLLoggedOutViewController*>(shownScreen(loggedOut.get(), &wrapped)));
        QVERIFY(wrapped);
    }

    void eachTypeLoadsItsScreen_data() {
        QTest::addColumn<qint64>("type");
        QTest::addColumn<QString>("identifier");
        QTest::newRow("rooms list") << qint64(0) << "PLChatRoomsTableViewController";
        QTest::newRow("profile") << qint64(2) << "PLUserProfileTableViewController";
        QTest::newRow("settings") << qint64(3) << "PLSettingsTableViewController";
        QTest::newRow("configuration") << qint64(4) << "PLConfigureScreenViewController";
        QTest::newRow("unknown type") << qint64(5) << "";
    }
    void eachTypeLoadsItsScreen() {
        QFETCH(qint64, type);
        QFETCH(QString, identifier);
        CoreFixture world(CoreFixture::Service::None);
        signIn(world);
        completeSetUp();
        std::unique_ptr<PelnixViewController> container(Pelnix::pelnixViewControllerOfType(type));
        QVERIFY(container);
        container->view();
        ViewController* screen = shownScreen(container.get());
        if (identifier.isEmpty()) {
            QVERIFY(container->childViewControllers().isEmpty());
            return;
        }
        QVERIFY(screen);
        QCOMPARE(screen->storyboardIdentifier(), identifier);
    }

    void insideANavigationControllerTheScreenIsNotWrapped() {
        CoreFixture world(CoreFixture::Service::None);
        signIn(world);
        completeSetUp();
        auto* container = Pelnix::pelnixViewControllerOfType(0);
        NavigationController host(container);
        bool wrapped = true;
        container->view();
        QVERIFY(qobject_cast<PLChatRoomsTableViewController*>(shownScreen(container, &wrapped)));
        QVERIFY(!wrapped);

        std::unique_ptr<PelnixViewController> alone(Pelnix::pelnixViewControllerOfType(0));
        alone->view();
        QVERIFY(qobject_cast<PLChatRoomsTableViewController*>(shownScreen(alone.get(), &wrapped)));
        QVERIFY(wrapped);
    }

    void theChatWindowOpensAStoredGroupOnly() {
        CoreFixture world(CoreFixture::Service::None);
        signIn(world);
        completeSetUp();
        PelnixStateManager::sharedStateManagerInstance()->initializeDatabase();
        importRooms(R"([{"_id":"g1","name":"Ops","type":"2","activityDate":3000}])");
        Pelnix::setLoggingEnabled(true);
        PelnixGroup unknown;
        unknown.groupID = QStringLiteral("nope");
        QTest::ignoreMessage(QtInfoMsg, "Pelnix : Invalid PelnixGroup");
        QVERIFY(!Pelnix::createPelnixWindowViewControllerWithGroup(unknown));
        QTest::ignoreMessage(QtInfoMsg, "Pelnix : Invalid PelnixGroup");
        QVERIFY(!Pelnix::createPelnixWindowViewControllerWithGroup(std::nullopt));

        std::unique_ptr<PelnixViewController> container(Pelnix::createPelnixWindowViewControllerWithGroup(
            Pelnix::pelnixGroupWithID(QStringLiteral("g1"))));
        QVERIFY(container);
        QCOMPARE(container->roomID(), QStringLiteral("g1"));
        container->view();
        auto* window = qobject_cast<PLChatWindowViewController*>(shownScreen(container.get()));
        QVERIFY(window);
        QCOMPARE(window->chatRoom()->roomId(), QStringLiteral("g1"));
    }

    void theNewestSessionContainerOwnsTheSession() {
        CoreFixture world(CoreFixture::Service::None);
        signIn(world);
        completeSetUp();
        auto* older = Pelnix::pelnixGroupsViewController();
        auto* newer = Pelnix::pelnixGroupsViewController();
        auto* settings = Pelnix::settingsViewController();
        QVERIFY(older && newer && settings);
        delete settings;
        delete older; // no longer the owner
        QVERIFY(PelnixSetUp::isInitialSetUpDone());
        delete newer;
        QVERIFY(!PelnixSetUp::isInitialSetUpDone());
    }

    void loginIsRefusedWhileASessionIsSetUp() {
        CoreFixture world(CoreFixture::Service::None);
        signIn(world);
        completeSetUp();
        Outcome outcome;
        QVERIFY(!Pelnix::pelnixLoginViewController(outcome.handler()));
        QCOMPARE(outcome.calls, 1);
        QCOMPARE(code(outcome.error), qint64(-1004));
        QCOMPARE(outcome.error->localizedDescription,
                 QStringLiteral("Pelnix has an active session. Please reset active session to login again"));
    }

    // A later run of a host whose user signed up before: the session is stored (state 2), so the login
    // container is refused with -1004 and the session's containers are not given until the host
    // calls initWithCompletionHandler itself. The host's start, as the README writes it, then shows
    // the rooms list.
    void aLaterStartWithAStoredSessionBeginsWithTheStartUp() {
        CoreFixture world;
        signIn(world);
        Outcome firstRun;
        Pelnix::initWithCompletionHandler(firstRun.handler());
        QTRY_COMPARE(firstRun.calls, 1);
        QVERIFY(firstRun.success);
        // The next run: the store and the saved session, nothing in memory.
        PLModelManager::destroySharedInstance();
        PLPersistence::cleanUp();
        PelnixStateManager::destroyStateManager();
        PLStoredModel::dropSharedInstancesForTesting();
        QCOMPARE(Pelnix::sessionState(), quint64(2));
        Outcome refused;
        QVERIFY(!Pelnix::pelnixLoginViewController(refused.handler()));
        QCOMPARE(code(refused.error), qint64(-1004));
        QVERIFY(!Pelnix::pelnixGroupsViewController());

        QMainWindow host;
        host.resize(400, 720);
        host.show();
        // The host's start, as the README writes it.
        std::unique_ptr<platform::ui::ViewController> container; // the one in the host's window
        const auto showSession = [&] {
            Pelnix::initWithCompletionHandler([&](bool success, const PLOptionalError&, const QString&) {
                if (!success)
                    return;
                container.reset(Pelnix::pelnixGroupsViewController());
                host.setCentralWidget(container->view());
            });
        };
        if (Pelnix::sessionState() == 2) {
            showSession(); // a session kept from an earlier run
        } else {
            container.reset(
                Pelnix::pelnixLoginViewController([&](bool signedUp, const PLOptionalError&, const QString&) {
                    if (signedUp)
                        showSession();
                }));
            host.setCentralWidget(container->view());
        }
        QTRY_VERIFY(container);
        QCOMPARE(host.centralWidget(), container->view());
        QVERIFY(qobject_cast<PLChatRoomsTableViewController*>(shownScreen(container.get())));
        QTRY_VERIFY(shownScreen(container.get())->view()->isVisible());
    }

    void theLoginContainerPrefillsTheHostsAddress() {
        CoreFixture world(CoreFixture::Service::None);
        Pelnix::setUserEmailID(QStringLiteral("ann@example.test"));
        std::unique_ptr<PelnixCustomViewController> container(Pelnix::pelnixLoginViewController({}));
        QVERIFY(container);
        QCOMPARE(container->email(), QStringLiteral("ann@example.test"));
        container->view();
        auto* signUp = qobject_cast<PLSignUpViewController*>(shownScreen(container.get()));
        QVERIFY(signUp);
        QCOMPARE(signUp->prefilledEmail(), QStringLiteral("ann@example.test"));
    }

    void aConversationStartedFromMemberDetailShowsInTheConversationContainer_data() {
        QTest::addColumn<bool>("throughMembers");
        QTest::newRow("member detail over the conversation") << false;
        QTest::newRow("members presented over group information") << true;
    }
    void aConversationStartedFromMemberDetailShowsInTheConversationContainer() {
        QFETCH(bool, throughMembers);
        using Detail = PLGroupMemeberDetailTableViewController;
        platform::ui::Animator::setInstant(true);
        CoreFixture world;
        world.server().seed(QJsonObject{
            {"users", QJsonArray{QJsonObject{{"id", 42}, {"email", "bob@acme.test"}, {"name", "Bob"}},
                                 QJsonObject{{"id", 44}, {"email", "dora@acme.test"}, {"name", "Dora"}}}},
            {"rooms",
             QJsonArray{QJsonObject{
                 {"_id", "g-ops"}, {"name", "Ops"}, {"members", QJsonArray{41, 42, 44}}, {"admin", 41}}}}});
        signIn(world);
        bool started = false;
        Pelnix::initWithCompletionHandler(
            [&](bool success, const PLOptionalError&, const QString&) { started = success; });
        QTRY_VERIFY_WITH_TIMEOUT(started, 20000);
        QTRY_VERIFY_WITH_TIMEOUT(ChatRoom::chatRoomWithID(QStringLiteral("g-ops")), 20000);

        // The host's window shows one conversation in its container.
        platform::ui::Window window;
        window.resize(320, 568);
        auto* container = Pelnix::createPelnixWindowViewControllerWithGroup(
            Pelnix::pelnixGroupWithID(QStringLiteral("g-ops")));
        QVERIFY(container);
        window.setRootViewController(container);
        window.makeKeyAndVisible();
        auto* chat = qobject_cast<PLChatWindowViewController*>(shownScreen(container));
        QVERIFY(chat);
        NavigationController* stack = chat->navigationController();
        QVERIFY(stack);

        NavigationController* detailStack = stack;
        if (throughMembers) {
            chat->showGroupInfo();
            PLGroupInfoViewController* info = nullptr;
            QTRY_VERIFY((info = qobject_cast<PLGroupInfoViewController*>(stack->topViewController())));
            info->editMembers();
            detailStack = qobject_cast<NavigationController*>(info->presentedViewController());
            QVERIFY(detailStack);
            auto* screen = qobject_cast<PLGroupMembersViewController*>(detailStack->topViewController());
            QTRY_VERIFY(screen->activeMembersViewController() &&
                        screen->activeMembersViewController()->isViewLoaded());
            PLActiveMembersViewController* active = screen->activeMembersViewController();
            const auto shown = active->shownMembers();
            int row = 0;
            while (row < shown.size() && !(shown[row]->user() && shown[row]->user()->userID() == 44))
                ++row;
            QVERIFY(row < shown.size());
            active->didSelectRowAtIndexPath(active->activeMembersTableView(), {0, row});
        } else {
            // A message's sender, as its picture opens the detail.
            chat->profileImageClickedForUser(User::userWithIntID(44));
        }
        Detail* detail = nullptr;
        QTRY_VERIFY((detail = qobject_cast<Detail*>(detailStack->topViewController())));
        QTRY_VERIFY_WITH_TIMEOUT(!detail->isRowHidden(Detail::StartConversationRow), 20000);
        detail->selectRow(Detail::StartConversationRow);
        QVERIFY(!window.alerts().isEmpty());
        window.alerts().last()->tapButtonAtIndex(1);

        // The new room's conversation over the container's own conversation, nothing above it.
        PLChatWindowViewController* opened = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT(
            stack->viewControllers().size() == 2 &&
                (opened = qobject_cast<PLChatWindowViewController*>(stack->topViewController())) &&
                opened != chat,
            20000);
        QCOMPARE(stack->viewControllers().first(), chat);
        QVERIFY(opened->chatRoom());
        QCOMPARE(opened->chatRoom()->name(), QStringLiteral("dora@acme.test"));
        QVERIFY(!container->presentedViewController());
        QTRY_VERIFY(opened->view()->isVisible());
        QTRY_VERIFY(!PLActivityIndicatorView::isVisible());
        window.setRootViewController(nullptr);
        delete container;
        PLModelManager::destroySharedInstance();
    }

    // A host that puts the login container's view straight into its own QMainWindow, under a widget
    // of its own, with no library window anywhere: the question shows over the container, the host's
    // widget keeps its place, and the answer reaches the service, whether the host's URL ends in "/" or
    // not. An address that cannot be formed fails as any failed request does.
    void theLoginQuestionShowsInAHostsOwnWindow_data() {
        QTest::addColumn<QString>("hostURL"); // "%1": the stand-in's address without its final "/"
        QTest::addColumn<bool>("issued");
        QTest::newRow("host URL with its final slash") << "%1/" << true;
        QTest::newRow("host URL without it") << "%1" << true;
        QTest::newRow("host URL that forms no address") << "%1:bad" << false;
    }
    void theLoginQuestionShowsInAHostsOwnWindow() {
        QFETCH(QString, hostURL);
        QFETCH(bool, issued);
        CoreFixture world;
        QString base = world.baseUrl();
        base.chop(1);
        PelnixInfo::sharedInstance()->setHostURL(QString());
        Pelnix::setHostURL(hostURL.arg(base));
        platform::ui::Animator::setInstant(true);
        QVERIFY(!platform::ui::Window::keyWindow());
        std::unique_ptr<PelnixCustomViewController> container(Pelnix::pelnixLoginViewController({}));
        QVERIFY(container);
        QMainWindow host;
        auto* central = new QWidget;
        auto* layout = new QVBoxLayout(central);
        auto* banner = new QLabel(QStringLiteral("The host's own banner"));
        layout->addWidget(banner);
        layout->addWidget(container->view(), 1);
        host.setCentralWidget(central);
        platform::ui::WebView::prepareWindowForPages(&host);
        host.resize(400, 720);
        host.show();
        QApplication::setActiveWindow(&host);
        QVERIFY(QTest::qWaitForWindowExposed(&host));
        auto* signUp = qobject_cast<PLSignUpViewController*>(shownScreen(container.get()));
        QVERIFY(signUp);
        // One bar: the page's own, with its Cancel; none of the navigation controller above it.
        const auto visibleBars = [&host] {
            int shown = 0;
            for (auto* bar : host.findChildren<platform::ui::NavigationBar*>())
                shown += bar->isVisible();
            return shown;
        };
        QCOMPARE(visibleBars(), 0);
        QVERIFY(signUp->view()->findChild<QWidget*>(QStringLiteral("closeButton"))->isVisible());

        const QString address = QStringLiteral("new@host.test");
        signUp->emailAddressTextField()->setFocus();
        QTest::keyClicks(signUp->emailAddressTextField(), address);
        QTest::mouseClick(signUp->nextButton(), Qt::LeftButton);
        platform::ui::AlertView* alert = nullptr;
        QTRY_VERIFY((alert = host.findChild<platform::ui::AlertView*>()) && alert->isVisible());
        QCOMPARE(alert->message(), QStringLiteral("Send the verification code to %1?").arg(address));
        const QRect over(container->view()->mapTo(&host, QPoint()), container->view()->size());
        QVERIFY(over.contains(QRect(alert->mapTo(&host, QPoint()), alert->size())));
        QVERIFY(banner->isVisible());
        QVERIFY(!over.intersects(QRect(banner->mapTo(&host, QPoint()), banner->size())));

        QWidget* yes = nullptr;
        for (int i = 0; i < alert->numberOfButtons(); ++i)
            if (alert->buttonTitleAtIndex(i) == QLatin1String("Yes"))
                yes = alert->findChild<QWidget*>(QStringLiteral("alert.button.%1").arg(i));
        QVERIFY(yes);
        if (!issued)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("address cannot be formed"));
        QTest::mouseClick(yes, Qt::LeftButton);
        if (!issued) {
            QTRY_VERIFY_WITH_TIMEOUT((alert = host.findChild<platform::ui::AlertView*>()) &&
                                         alert->isVisible() && alert->title() == QLatin1String("Failed"),
                                     15000);
            QCOMPARE(alert->message(), QStringLiteral("Please check your network connectivity."));
            QVERIFY(world.server().otp(address.toStdString()).empty());
            return;
        }
        QTRY_VERIFY_WITH_TIMEOUT(!world.server().otp(address.toStdString()).empty(), 15000);
        // The code page: its own Back, and again no bar above it.
        PLEmailVerficationViewController* codePage = nullptr;
        QTRY_VERIFY((codePage = qobject_cast<PLEmailVerficationViewController*>(
                         signUp->navigationController()->topViewController())) &&
                    codePage->view()->isVisible());
        QCOMPARE(visibleBars(), 0);
        QVERIFY(codePage->view()->findChild<QWidget*>(QStringLiteral("backButton"))->isVisible());
        // Once nothing is shown over it, nothing of the library's lies over the container to take its clicks.
        QTRY_VERIFY(!PLActivityIndicatorView::isVisible());
        QTRY_VERIFY(host.findChildren<platform::ui::Window*>().size() == 1 &&
                    host.findChild<platform::ui::Window*>()->isHidden());
    }

    // The busy overlay goes over the container the user works in, in each layout a host uses, follows
    // it as the host hides and shows it, and leaves nothing over it once it is dismissed.
    void theBusyOverlayShowsOverTheContainerInUse_data() {
        QTest::addColumn<HostLayout>("hostLayout");
        QTest::newRow("fresh container") << HostLayout::FreshContainer;
        QTest::newRow("hidden and shown again") << HostLayout::HiddenAndShown;
        QTest::newRow("stacked pages, turned away and back") << HostLayout::StackedPages;
        QTest::newRow("replaced after sign-in") << HostLayout::ReplacedContainer;
        QTest::newRow("two containers, the user in the second") << HostLayout::TwoContainers;
    }
    void theBusyOverlayShowsOverTheContainerInUse() {
        QFETCH(HostLayout, hostLayout);
        CoreFixture world(CoreFixture::Service::None);
        platform::ui::Animator::setInstant(true);
        QMainWindow host;
        auto* central = new QWidget;
        auto* layout = new QHBoxLayout(central);
        auto* panel = new QLabel(QStringLiteral("The host's panel"));
        std::unique_ptr<ViewController> first(hostLayout == HostLayout::ReplacedContainer
                                                  ? Pelnix::pelnixLoginViewController({})
                                                  : Pelnix::userLoggedOutViewController({}));
        std::unique_ptr<ViewController> second;
        QStackedWidget* stack = nullptr;
        if (hostLayout == HostLayout::StackedPages) {
            stack = new QStackedWidget;
            stack->addWidget(first->view());
            stack->addWidget(panel);
            layout->addWidget(stack);
        } else {
            layout->addWidget(first->view(), 1);
            layout->addWidget(panel, 1);
            panel->hide();
        }
        host.setCentralWidget(central);
        host.resize(hostLayout == HostLayout::TwoContainers ? 900 : 400, 720);
        host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host));
        ViewController* inUse = first.get();
        if (hostLayout == HostLayout::ReplacedContainer) {
            // The user answers an alert in the login container; then the host puts the main one there.
            QTest::mouseClick(first->view(), Qt::LeftButton);
            auto* alert =
                new platform::ui::AlertView(QStringLiteral("Signed in"), QString(), QStringLiteral("OK"), {});
            alert->show(first->window());
            QTRY_VERIFY(alert->isVisible());
            QTest::mouseClick(alert->findChild<QWidget*>(QStringLiteral("alert.button.0")), Qt::LeftButton);
            first.reset();
            second.reset(Pelnix::userLoggedOutViewController({}));
            layout->insertWidget(0, second->view(), 1);
            inUse = second.get();
        } else if (hostLayout == HostLayout::TwoContainers) {
            second.reset(Pelnix::userLoggedOutViewController({}));
            layout->addWidget(second->view(), 1);
            QTRY_VERIFY(second->view()->isVisible());
            QTest::mouseClick(second->view(), Qt::LeftButton);
            inUse = second.get();
        }
        QTRY_VERIFY(inUse->view()->isVisible());

        PLActivityIndicatorView::show();
        QWidget* overlay = PLActivityIndicatorView::sharedInstance()->overlay();
        QTRY_VERIFY(overlay && overlay->isVisible());
        QCOMPARE(rectIn(overlay, &host), rectIn(inUse->view(), &host));
        QTRY_VERIFY(takesClicksAt(overlay, &host));
        if (hostLayout == HostLayout::HiddenAndShown || hostLayout == HostLayout::StackedPages) {
            if (stack) {
                stack->setCurrentIndex(1);
            } else {
                inUse->view()->hide();
                panel->show();
            }
            QTRY_VERIFY(!overlay->isVisible());
            QVERIFY(takesClicksAt(panel, &host));
            if (stack) {
                stack->setCurrentIndex(0);
            } else {
                panel->hide();
                inUse->view()->show();
            }
            QTRY_VERIFY(overlay->isVisible());
            QTRY_VERIFY(takesClicksAt(overlay, &host));
        }
        PLActivityIndicatorView::dismiss();
        QTRY_VERIFY(!PLActivityIndicatorView::isVisible());
        QTRY_VERIFY(takesClicksAt(inUse->view(), &host));
        for (auto* window : host.findChildren<platform::ui::Window*>())
            QTRY_VERIFY(window->isHidden());
    }

    // Two containers in one of the host's own containers, with a label of the host's beside them: an
    // alert and then the busy overlay over the first leave the host's layout as it was (no new pane,
    // tab, page or child, no size changed), lie over the first container's view (the dim and the
    // overlay covering it, the alert centred on it, on top even of a view the container raises under
    // it), and leave the second container and the host's label as they were, taking their clicks.
    void whatShowsOverAContainerLeavesTheHostsLayoutAlone_data() {
        QTest::addColumn<HostContainer>("hostContainer");
        QTest::newRow("splitter panes") << HostContainer::Splitter;
        QTest::newRow("tabs") << HostContainer::TabWidget;
        QTest::newRow("stacked pages") << HostContainer::StackedWidget;
        QTest::newRow("scroll areas") << HostContainer::ScrollArea;
        QTest::newRow("MDI sub-windows") << HostContainer::MdiArea;
        QTest::newRow("dock widgets") << HostContainer::DockWidget;
        QTest::newRow("plain layout") << HostContainer::PlainLayout;
    }
    void whatShowsOverAContainerLeavesTheHostsLayoutAlone() {
        QFETCH(HostContainer, hostContainer);
        CoreFixture world(CoreFixture::Service::None);
        platform::ui::Animator::setInstant(true);
        QMainWindow host;
        auto* central = new QWidget;
        auto* layout = new QHBoxLayout(central);
        auto* beside = new QLabel(QStringLiteral("The host's own"));
        layout->addWidget(beside);
        host.setCentralWidget(central);
        std::unique_ptr<ViewController> first(Pelnix::userLoggedOutViewController({}));
        std::unique_ptr<ViewController> second(Pelnix::userLoggedOutViewController({}));
        QWidget* firstView = first->view();
        QWidget* secondView = second->view();
        switch (hostContainer) {
        case HostContainer::Splitter: {
            auto* splitter = new QSplitter;
            splitter->addWidget(firstView);
            splitter->addWidget(secondView);
            layout->addWidget(splitter, 1);
            break;
        }
        case HostContainer::TabWidget: {
            auto* tabs = new QTabWidget;
            tabs->addTab(firstView, QStringLiteral("First"));
            tabs->addTab(secondView, QStringLiteral("Second"));
            layout->addWidget(tabs, 1);
            break;
        }
        case HostContainer::StackedWidget: {
            auto* stack = new QStackedWidget;
            stack->addWidget(firstView);
            stack->addWidget(secondView);
            layout->addWidget(stack, 1);
            break;
        }
        case HostContainer::ScrollArea:
            for (QWidget* view : {firstView, secondView}) {
                auto* area = new QScrollArea;
                area->setWidgetResizable(true);
                area->setWidget(view);
                layout->addWidget(area, 1);
            }
            break;
        case HostContainer::MdiArea: {
            auto* area = new QMdiArea;
            for (QWidget* view : {firstView, secondView})
                area->addSubWindow(view)->show();
            area->tileSubWindows();
            layout->addWidget(area, 1);
            break;
        }
        case HostContainer::DockWidget: {
            QList<QDockWidget*> docks;
            for (QWidget* view : {firstView, secondView}) {
                docks << new QDockWidget(QStringLiteral("Dock"));
                docks.last()->setWidget(view);
                host.addDockWidget(docks.size() == 1 ? Qt::LeftDockWidgetArea : Qt::RightDockWidgetArea,
                                   docks.last());
            }
            host.resizeDocks(docks, {420, 420}, Qt::Horizontal);
            break;
        }
        case HostContainer::PlainLayout:
            layout->addWidget(firstView, 1);
            layout->addWidget(secondView, 1);
            break;
        }
        host.resize(1000, 640);
        host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host));
        settleLayouts();
        QTest::mouseClick(firstView, Qt::LeftButton); // the user works in the first container
        settleLayouts();
        const QList<QWidget*> views{firstView, secondView};
        const QStringList layoutBefore = hostLayoutOf(&host, views);
        const bool secondShown = secondView->isVisible();
        // What changed on the host's side, empty while nothing did.
        const auto hostChanges = [&] {
            QStringList changes;
            const QStringList layoutNow = hostLayoutOf(&host, views);
            for (const QString& line : layoutNow)
                if (!layoutBefore.contains(line))
                    changes << QStringLiteral("now ") + line;
            for (const QString& line : layoutBefore)
                if (!layoutNow.contains(line))
                    changes << QStringLiteral("was ") + line;
            if (secondShown && !takesClicksAt(secondView, &host))
                changes << QStringLiteral("the second container takes no click");
            if (!takesClicksAt(beside, &host))
                changes << QStringLiteral("the host's label takes no click");
            return changes;
        };

        // A view of the container's own, put there before anything shows over it.
        auto* earlierPage = new QWidget(firstView);
        earlierPage->hide();
        PressCounter pressesOnTheContainer;
        firstView->installEventFilter(&pressesOnTheContainer);

        QPointer<platform::ui::AlertView> alert = new platform::ui::AlertView(
            QStringLiteral("Leave?"), QString(), QStringLiteral("No"), {QStringLiteral("Yes")});
        alert->show(first->window());
        QTRY_VERIFY(alert->isVisible());
        settleLayouts();
        QVERIFY2(hostChanges().isEmpty(), qPrintable(hostChanges().join(QLatin1Char('\n'))));
        const QRect over = rectIn(firstView, &host);
        QCOMPARE(rectIn(alert->parentWidget(), &host), over); // the dim
        QVERIFY(over.contains(rectIn(alert, &host)));
        QVERIFY((rectIn(alert, &host).center() - over.center()).manhattanLength() <= 2);
        QVERIFY(takesClicksAt(alert, &host));
        // Views the container adds or brings to the front under the alert, as it changes page, stay
        // under it; a click on the dim is not the covered container's.
        auto* laterPage = new QWidget(firstView);
        laterPage->setGeometry(firstView->rect());
        laterPage->show();
        QVERIFY(takesClicksAt(alert, &host));
        earlierPage->setGeometry(firstView->rect());
        earlierPage->show();
        earlierPage->raise();
        QVERIFY(takesClicksAt(alert, &host));
        delete laterPage;
        delete earlierPage;
        QTest::mouseClick(alert->parentWidget(), Qt::LeftButton, {}, QPoint(4, 4));
        QCOMPARE(pressesOnTheContainer.presses, 0);
        alert->tapButtonAtIndex(0);
        QTRY_VERIFY(!alert || !alert->isVisible());

        PLActivityIndicatorView::show();
        QWidget* overlay = PLActivityIndicatorView::sharedInstance()->overlay();
        QTRY_VERIFY(overlay && overlay->isVisible());
        settleLayouts();
        QVERIFY2(hostChanges().isEmpty(), qPrintable(hostChanges().join(QLatin1Char('\n'))));
        QCOMPARE(rectIn(overlay, &host), rectIn(firstView, &host));
        QVERIFY(takesClicksAt(overlay, &host));
        PLActivityIndicatorView::dismiss();
        QTRY_VERIFY(!PLActivityIndicatorView::isVisible());
        settleLayouts();
        QVERIFY2(hostChanges().isEmpty(), qPrintable(hostChanges().join(QLatin1Char('\n'))));
        QVERIFY(takesClicksAt(firstView, &host));
    }

    // A container whose view is larger than the part of it a host's scroll area shows (the area does
    // not resize it): an alert, a sheet and the busy overlay lie in the part that shows, dimming all of
    // it, stay there as the host scrolls and as its window is resized, leave the scroll bars to the
    // host, take the keyboard, and are answered by a click or by Escape.
    void whatShowsOverAContainerLiesInThePartThatShows_data() {
        QTest::addColumn<Overlay>("overlay");
        QTest::newRow("alert answered by a click") << Overlay::AlertAnsweredByAClick;
        QTest::newRow("action sheet answered by Escape") << Overlay::SheetAnsweredByEscape;
        QTest::newRow("busy overlay") << Overlay::BusyOverlay;
    }
    void whatShowsOverAContainerLiesInThePartThatShows() {
        QFETCH(Overlay, overlay);
        CoreFixture world(CoreFixture::Service::None);
        platform::ui::Animator::setInstant(true);
        std::unique_ptr<ViewController> container(Pelnix::userLoggedOutViewController({}));
        QWidget* view = container->view();
        QMainWindow host;
        auto* area = new QScrollArea;
        view->resize(1600, 2400);
        area->setWidget(view);
        host.setCentralWidget(area);
        host.resize(1000, 640);
        host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host));
        settleLayouts();
        const auto shownPart = [&] { return rectIn(area->viewport(), &host); };
        QApplication::setActiveWindow(&host);
        clickAt(&host, shownPart().topLeft() + QPoint(20, 20));

        QList<int> answers;
        QPointer<platform::ui::AlertView> question;
        QWidget* dim = nullptr;
        if (overlay == Overlay::BusyOverlay) {
            PLActivityIndicatorView::show();
            QTRY_VERIFY((dim = PLActivityIndicatorView::sharedInstance()->overlay()) && dim->isVisible());
        } else {
            question = askOver(container.get(), overlay == Overlay::SheetAnsweredByEscape, &answers);
            QTRY_VERIFY(question->isVisible());
            dim = question->parentWidget();
        }
        // In sight: the dim over the part that shows, what it holds inside it, the keyboard in the
        // question.
        const auto verifyInSight = [&] {
            settleLayouts();
            QCOMPARE(rectIn(dim, &host), shownPart());
            QVERIFY(takesClicksAt(dim, &host));
            QVERIFY(takesClicksAt(area->verticalScrollBar(), &host));
            if (!question)
                return;
            const QRect at = rectIn(question, &host);
            QVERIFY2(shownPart().contains(at), qPrintable(QStringLiteral("at %1,%2 %3x%4")
                                                              .arg(at.x())
                                                              .arg(at.y())
                                                              .arg(at.width())
                                                              .arg(at.height())));
            QVERIFY(takesClicksAt(question, &host));
            QVERIFY(hasKeyboard(question));
        };
        verifyInSight();
        if (QTest::currentTestFailed())
            return;
        if (question && question->style() == platform::ui::AlertView::Style::Alert)
            QVERIFY((rectIn(question, &host).center() - shownPart().center()).manhattanLength() <= 2);

        const QPoint before = view->pos();
        area->horizontalScrollBar()->setValue(500);
        area->verticalScrollBar()->setValue(1200);
        QVERIFY(view->pos() != before);
        verifyInSight();
        if (QTest::currentTestFailed())
            return;
        host.resize(800, 560);
        verifyInSight();
        if (QTest::currentTestFailed())
            return;

        switch (overlay) {
        case Overlay::AlertAnsweredByAClick:
            clickAt(&host, rectIn(buttonOf(question, 1), &host).center());
            QCOMPARE(answers, QList<int>{1});
            break;
        case Overlay::SheetAnsweredByEscape:
            QTest::keyClick(host.focusWidget(), Qt::Key_Escape);
            QCOMPARE(answers, QList<int>{2}); // Cancel
            break;
        case Overlay::BusyOverlay:
            PLActivityIndicatorView::dismiss();
            QTRY_VERIFY(!PLActivityIndicatorView::isVisible());
            break;
        }
        QTRY_VERIFY(reachesTheScreens(&host, shownPart().center()));
    }

    // A container in a dock or in a window sized to its layout, neither sized by the host: its pane
    // is wide enough for an alert, which shows whole, and a click on its button lands on the button,
    // not on the host's field beside it.
    void aContainerTheHostDidNotSizeShowsItsAlertWhole_data() {
        QTest::addColumn<bool>("dock");
        QTest::addColumn<bool>("root");
        QTest::newRow("dock widget with no size set") << true << false;
        QTest::newRow("window sized to its layout") << false << false;
        QTest::newRow("root container in a dock with no size set") << true << true;
    }
    void aContainerTheHostDidNotSizeShowsItsAlertWhole() {
        QFETCH(bool, dock);
        QFETCH(bool, root);
        CoreFixture world(CoreFixture::Service::None);
        platform::ui::Animator::setInstant(true);
        if (root) // this host registers no landing page: the root shows an empty one
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("no screen .* \"SDKTest\""));
        std::unique_ptr<ViewController> container(root
                                                      ? static_cast<ViewController*>(new PLRootViewController)
                                                      : Pelnix::userLoggedOutViewController({}));
        QWidget* view = container->view();
        auto* field = new QLineEdit;
        QMainWindow dockHost;
        QWidget layoutHost;
        QWidget* host = dock ? static_cast<QWidget*>(&dockHost) : &layoutHost;
        if (dock) {
            dockHost.setCentralWidget(field);
            auto* pane = new QDockWidget(QStringLiteral("Messenger"));
            pane->setWidget(view);
            dockHost.addDockWidget(Qt::LeftDockWidgetArea, pane);
            dockHost.resize(1000, 640);
        } else {
            auto* layout = new QHBoxLayout(&layoutHost);
            layout->addWidget(field);
            layout->addWidget(view);
            layoutHost.adjustSize();
        }
        host->show();
        QVERIFY(QTest::qWaitForWindowExposed(host));
        settleLayouts();
        QVERIFY2(view->width() >= 320, qPrintable(QStringLiteral("%1 px wide").arg(view->width())));
        PressCounter pressesOnTheField;
        field->installEventFilter(&pressesOnTheField);
        QTest::mouseClick(view, Qt::LeftButton);

        QList<int> answers;
        QPointer<platform::ui::AlertView> alert = askOver(container.get(), false, &answers);
        QTRY_VERIFY(alert->isVisible());
        QVERIFY(rectIn(view, host).contains(rectIn(alert, host)));
        QCOMPARE(alert->width(), 270);
        clickAt(host, rectIn(buttonOf(alert, 1), host).center());
        QCOMPARE(answers, QList<int>{1});
        QCOMPARE(pressesOnTheField.presses, 0);
    }

    // The host takes the container's view out of its widget, as QScrollArea::takeWidget and
    // QMainWindow::takeCentralWidget do, and puts it in a widget of another window: the screen it
    // presents, the alert and the sheet over it are hidden meanwhile, and show over it in its new
    // place, where the user answers each and the answers reach whoever asked.
    void whatShowsOverAContainerSurvivesAMoveThroughNoParent_data() {
        QTest::addColumn<TakeOut>("takeOut");
        QTest::newRow("QScrollArea::takeWidget") << TakeOut::ScrollAreaTakeWidget;
        QTest::newRow("QMainWindow::takeCentralWidget") << TakeOut::MainWindowTakeCentralWidget;
        QTest::newRow("setParent(nullptr)") << TakeOut::SetParentNull;
    }
    void whatShowsOverAContainerSurvivesAMoveThroughNoParent() {
        QFETCH(TakeOut, takeOut);
        CoreFixture world(CoreFixture::Service::None);
        platform::ui::Animator::setInstant(true);
        std::unique_ptr<ViewController> container(Pelnix::userLoggedOutViewController({}));
        QWidget* view = container->view();
        auto host = std::make_unique<QMainWindow>();
        auto* area = new QScrollArea;
        switch (takeOut) {
        case TakeOut::ScrollAreaTakeWidget:
            area->setWidgetResizable(true);
            area->setWidget(view);
            host->setCentralWidget(area);
            break;
        case TakeOut::MainWindowTakeCentralWidget:
            host->setCentralWidget(view);
            break;
        case TakeOut::SetParentNull: {
            auto* central = new QWidget;
            (new QHBoxLayout(central))->addWidget(view);
            host->setCentralWidget(central);
            break;
        }
        }
        host->resize(600, 640);
        host->show();
        QVERIFY(QTest::qWaitForWindowExposed(host.get()));
        QTest::mouseClick(view, Qt::LeftButton);

        QPointer<ViewController> presented = new ViewController;
        container->presentViewController(presented, false);
        QPointer<QWidget> presentedView = presented->view();
        QTRY_VERIFY(presentedView->isVisible());
        QList<int> alertAnswers;
        QList<int> sheetAnswers;
        QPointer<platform::ui::AlertView> alert = askOver(container.get(), false, &alertAnswers);
        QPointer<platform::ui::AlertView> sheet = askOver(container.get(), true, &sheetAnswers);
        QTRY_VERIFY(sheet->isVisible());

        QWidget* taken = nullptr;
        switch (takeOut) {
        case TakeOut::ScrollAreaTakeWidget:
            taken = area->takeWidget();
            break;
        case TakeOut::MainWindowTakeCentralWidget:
            taken = host->takeCentralWidget();
            break;
        case TakeOut::SetParentNull:
            view->setParent(nullptr);
            taken = view;
            break;
        }
        QCOMPARE(taken, view);
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        host.reset();
        QVERIFY(alert && sheet && presentedView);
        QCOMPARE(container->presentedViewController(), presented.data());
        QVERIFY(!sheet->isVisible() && !presentedView->isVisible());
        QVERIFY(alertAnswers.isEmpty() && sheetAnswers.isEmpty());

        QMainWindow other;
        auto* splitter = new QSplitter;
        splitter->addWidget(new QLabel(QStringLiteral("The other window's own")));
        splitter->addWidget(view);
        other.setCentralWidget(splitter);
        other.resize(900, 640);
        other.show();
        QVERIFY(QTest::qWaitForWindowExposed(&other));
        settleLayouts();
        QTRY_VERIFY(sheet->isVisible());
        QCOMPARE(rectIn(sheet->parentWidget(), &other), rectIn(view, &other));
        QVERIFY(rectIn(view, &other).contains(rectIn(sheet, &other)));
        QVERIFY(takesClicksAt(sheet, &other));
        QVERIFY(hasKeyboard(sheet));
        clickAt(&other, rectIn(buttonOf(sheet, 1), &other).center());
        QCOMPARE(sheetAnswers, QList<int>{1});
        QTRY_VERIFY(alert && alert->isVisible());
        QVERIFY(rectIn(view, &other).contains(rectIn(alert, &other)));
        clickAt(&other, rectIn(buttonOf(alert, 1), &other).center());
        QCOMPARE(alertAnswers, QList<int>{1});

        QVERIFY(presentedView->isVisible());
        QCOMPARE(rectIn(presentedView, &other), rectIn(view, &other));
        QVERIFY(takesClicksAt(presentedView, &other));
        container->dismissViewController(false);
        QTRY_VERIFY(!container->presentedViewController() && !presented);
        QTRY_VERIFY(reachesTheScreens(&other, rectIn(view, &other).center()));
    }

    // The host shows a container's view as a window of its own (a pane it detaches): the alert asked
    // while it was in the host's window shows over it, and so do a sheet it asks then and the busy
    // overlay, each with the keys while it is on top; the answers reach whoever asked. Put back in the
    // host's window, the alert still open follows it there.
    void aContainerShownAsAWindowOfItsOwnAsksOverIt() {
        CoreFixture world(CoreFixture::Service::None);
        platform::ui::Animator::setInstant(true);
        std::unique_ptr<ViewController> container(Pelnix::userLoggedOutViewController({}));
        QWidget* view = container->view();
        QMainWindow host;
        auto* central = new QWidget;
        auto* layout = new QHBoxLayout(central);
        layout->addWidget(new QLineEdit(QStringLiteral("The host's own")));
        layout->addWidget(view, 1);
        host.setCentralWidget(central);
        host.resize(700, 640);
        host.show();
        QApplication::setActiveWindow(&host);
        QVERIFY(QTest::qWaitForWindowActive(&host));
        QTest::mouseClick(view, Qt::LeftButton);
        QList<int> alertAnswers;
        QList<int> sheetAnswers;
        QPointer<platform::ui::AlertView> alert = askOver(container.get(), false, &alertAnswers);
        QTRY_VERIFY(alert->isVisible());

        view->setParent(nullptr);
        QCOMPARE(container->appearance(), ViewController::Appearance::Disappeared);
        view->resize(360, 600);
        view->show();
        // Its screens are on screen again, as in the host's window.
        QCOMPARE(container->appearance(), ViewController::Appearance::Appeared);
        QApplication::setActiveWindow(view);
        QVERIFY(QTest::qWaitForWindowActive(view));
        const QRect whole(QPoint(), view->size());
        QTRY_VERIFY(alert && alert->isVisible());
        QCOMPARE(alert->window(), view);
        QCOMPARE(rectIn(alert->parentWidget(), view), whole); // the dim
        QVERIFY(whole.contains(rectIn(alert, view)));
        QVERIFY(takesClicksAt(alert, view));
        QTRY_VERIFY(hasKeyboard(alert));

        QPointer<platform::ui::AlertView> sheet = askOver(container.get(), true, &sheetAnswers);
        QVERIFY(sheet);
        QTRY_VERIFY(sheet->isVisible());
        QCOMPARE(sheet->window(), view);
        QVERIFY(whole.contains(rectIn(sheet, view)));
        QVERIFY(takesClicksAt(sheet, view));
        QVERIFY(hasKeyboard(sheet));
        QTest::keyClick(view->windowHandle(), Qt::Key_Escape);
        QCOMPARE(sheetAnswers, QList<int>{2});
        QTRY_VERIFY(alert->isVisible() && hasKeyboard(alert));

        PLActivityIndicatorView::show();
        QWidget* overlay = PLActivityIndicatorView::sharedInstance()->overlay();
        QTRY_VERIFY(overlay && overlay->isVisible());
        QCOMPARE(overlay->window(), view);
        QCOMPARE(rectIn(overlay, view), whole);
        PLActivityIndicatorView::dismiss();
        QTRY_VERIFY(!PLActivityIndicatorView::isVisible());
        QVERIFY(alertAnswers.isEmpty());

        layout->addWidget(view, 1);
        QTRY_VERIFY(alert->isVisible());
        QCOMPARE(container->appearance(), ViewController::Appearance::Appeared);
        QCOMPARE(alert->window(), &host);
        QVERIFY(rectIn(view, &host).contains(rectIn(alert, &host)));
        clickAt(&host, rectIn(buttonOf(alert, 1), &host).center());
        QCOMPARE(alertAnswers, QList<int>{1});
        QCOMPARE(sheetAnswers, QList<int>{2});
        QTRY_VERIFY(reachesTheScreens(&host, rectIn(view, &host).center()));
    }

    // The host moves a container's view while an alert over it has the keys: as the view leaves its
    // place Qt hands them on to a widget of the host's (its field, a tab bar), and the alert takes
    // them back as the view shows in the new one, so Return answers it. A key typed meanwhile reaches
    // neither the host's field nor the alert.
    void anAlertTakesBackTheKeysAfterAMove_data() {
        QTest::addColumn<MoveTo>("moveTo");
        QTest::newRow("into a dock and back") << MoveTo::DockAndBack;
        QTest::newRow("into a scroll area") << MoveTo::ScrollArea;
        QTest::newRow("into a splitter") << MoveTo::Splitter;
        QTest::newRow("into a tab") << MoveTo::Tab;
    }
    void anAlertTakesBackTheKeysAfterAMove() {
        QFETCH(MoveTo, moveTo);
        CoreFixture world(CoreFixture::Service::None);
        platform::ui::Animator::setInstant(true);
        std::unique_ptr<ViewController> container(Pelnix::userLoggedOutViewController({}));
        QWidget* view = container->view();
        // Outlives the host's window: the alert still open as it goes is answered then.
        QList<int> answers;
        QMainWindow host;
        auto* central = new QWidget;
        auto* layout = new QVBoxLayout(central);
        auto* field = new QLineEdit;
        int returnsInTheField = 0;
        QObject::connect(field, &QLineEdit::returnPressed, field, [&] { ++returnsInTheField; });
        auto* notes = new QLineEdit;
        layout->addWidget(field);
        layout->addWidget(view, 1);
        layout->addWidget(notes);
        auto* dock = new QDockWidget(QStringLiteral("Dock"));
        dock->setWidget(new QLabel(QStringLiteral("The host's dock")));
        host.addDockWidget(Qt::LeftDockWidgetArea, dock);
        auto* area = new QScrollArea;
        area->setWidgetResizable(true);
        auto* splitter = new QSplitter;
        splitter->addWidget(new QTextEdit);
        auto* tabs = new QTabWidget;
        tabs->addTab(new QLineEdit, QStringLiteral("The host's tab"));
        for (QWidget* holder :
             {static_cast<QWidget*>(area), static_cast<QWidget*>(splitter), static_cast<QWidget*>(tabs)})
            layout->addWidget(holder, 1);
        host.setCentralWidget(central);
        host.resize(900, 900);
        host.show();
        QApplication::setActiveWindow(&host);
        QVERIFY(QTest::qWaitForWindowActive(&host));
        QWindow* keys = host.windowHandle();
        QTest::mouseClick(view, Qt::LeftButton);
        QPointer<platform::ui::AlertView> alert = askOver(container.get(), false, &answers);
        QTRY_VERIFY(alert->isVisible() && hasKeyboard(alert));

        const auto shownWithTheKeys = [&] {
            return view->isVisible() && alert && alert->isVisible() && hasKeyboard(alert) &&
                   QApplication::focusWidget() && alert->isAncestorOf(QApplication::focusWidget());
        };
        switch (moveTo) {
        case MoveTo::DockAndBack:
            dock->setWidget(view);
            QTRY_VERIFY(shownWithTheKeys());
            layout->insertWidget(1, view, 1);
            break;
        case MoveTo::ScrollArea:
            area->setWidget(view);
            break;
        case MoveTo::Splitter:
            splitter->addWidget(view);
            break;
        case MoveTo::Tab:
            tabs->setCurrentIndex(tabs->addTab(view, QStringLiteral("Chat")));
            break;
        }
        QTRY_VERIFY(shownWithTheKeys());
        QTest::keyClick(keys, Qt::Key_A);
        QCOMPARE(field->text(), QString());
        QTest::keyClick(keys, Qt::Key_Return);
        QCOMPARE(answers, QList<int>{1});
        QCOMPARE(returnsInTheField, 0);

        // Keys the user puts in another field of the host's while the view is away (not the one Qt
        // handed them to) stay there when it is back.
        alert = askOver(container.get(), false, &answers);
        QTRY_VERIFY(shownWithTheKeys());
        view->hide();
        QCoreApplication::processEvents();
        QLineEdit* typedIn = QApplication::focusWidget() == field ? notes : field;
        QTest::mouseClick(typedIn, Qt::LeftButton);
        view->show();
        QTRY_VERIFY(alert->isVisible());
        QTest::keyClick(keys, Qt::Key_B);
        QCOMPARE(typedIn->text(), QStringLiteral("b"));
        QCOMPARE(answers, QList<int>{1});
    }

    // Put straight into a host's splitter, a container gets a pane the user sees from the first layout,
    // beside a widget of the host's or beside another container, whatever its screen's own size hint.
    void everyContainerTakesAPaneOfAHostsSplitter_data() {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::newRow("login beside an editor") << "login"
                                                << "editor";
        QTest::newRow("logged out beside an editor") << "logged out"
                                                     << "editor";
        QTest::newRow("passcode beside an editor") << "passcode"
                                                   << "editor";
        QTest::newRow("configuration beside an editor") << "configuration"
                                                        << "editor";
        QTest::newRow("login beside logged out") << "login"
                                                 << "logged out";
    }
    void everyContainerTakesAPaneOfAHostsSplitter() {
        QFETCH(QString, first);
        QFETCH(QString, second);
        CoreFixture world(CoreFixture::Service::None);
        std::vector<std::unique_ptr<ViewController>> containers;
        const auto paneOf = [&containers](const QString& kind) -> QWidget* {
            if (kind == QLatin1String("editor"))
                return new QTextEdit;
            if (kind == QLatin1String("login"))
                containers.emplace_back(new PelnixCustomViewController(0));
            else if (kind == QLatin1String("logged out"))
                containers.emplace_back(Pelnix::userLoggedOutViewController({}));
            else if (kind == QLatin1String("passcode"))
                containers.emplace_back(new PelnixCustomViewController(3));
            else
                containers.emplace_back(Pelnix::pelnixConfigurationViewController());
            return containers.back()->view();
        };
        QMainWindow host;
        auto* splitter = new QSplitter;
        splitter->addWidget(paneOf(first));
        splitter->addWidget(paneOf(second));
        host.setCentralWidget(splitter);
        host.resize(900, 700);
        host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host));
        settleLayouts();
        const QList<int> sizes = splitter->sizes();
        QCOMPARE(sizes.size(), 2);
        for (const int pane : sizes)
            QVERIFY2(pane >= splitter->width() / 4, qPrintable(QStringLiteral("panes %1 and %2 of %3")
                                                                   .arg(sizes[0])
                                                                   .arg(sizes[1])
                                                                   .arg(splitter->width())));
        // Two containers ask the same: they share the splitter evenly.
        if (second != QLatin1String("editor"))
            QVERIFY(qAbs(sizes[0] - sizes[1]) <= 1);
    }

    // Each container a host may ask for before anything else, as the first call of a fresh process:
    // the host gets the screen and the library's set-up as after any other first call.
    void aContainerAsTheProcesssFirstCallShowsItsScreen_data() {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("screen");
        QTest::newRow("login") << "login"
                               << "pelnix::PLSignUpViewController";
        QTest::newRow("logged out") << "logged out"
                                    << "pelnix::PLLoggedOutViewController";
        QTest::newRow("configuration") << "configuration"
                                       << "pelnix::PLConfigureScreenViewController";
    }
    void aContainerAsTheProcesssFirstCallShowsItsScreen() {
        QFETCH(QString, entry);
        QFETCH(QString, screen);
        verifyFirstCall(kFirstCallVariable, entry, screen);
    }

    void passcodeTypesMapToLockStates_data() {
        QTest::addColumn<qint64>("type");
        QTest::addColumn<qint64>("state");
        QTest::newRow("set up") << qint64(0) << qint64(PLAppLockScreenViewController::Unlock);
        QTest::newRow("disable") << qint64(1) << qint64(PLAppLockScreenViewController::SwitchOff);
        QTest::newRow("lock") << qint64(2) << qint64(PLAppLockScreenViewController::Unlock);
        QTest::newRow("change") << qint64(3) << qint64(PLAppLockScreenViewController::Change);
    }
    void passcodeTypesMapToLockStates() {
        QFETCH(qint64, type);
        QFETCH(qint64, state);
        PelnixCustomViewController container(3);
        container.setPasscodeViewType(type);
        container.view();
        auto* lock = qobject_cast<PLAppLockScreenViewController*>(shownScreen(&container));
        QVERIFY(lock);
        QCOMPARE(lock->lockScreenState(), state);
    }
};

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    if (qEnvironmentVariableIsSet(kFirstCallVariable))
        return runFirstCall(qEnvironmentVariable(kFirstCallVariable));
    TestContainers test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_containers.moc"
