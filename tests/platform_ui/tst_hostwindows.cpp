// A host's own windows holding a container's view, on a display of the test's own (Xvfb, with a window
// manager; the tests skip offscreen, where the engine draws without GL and no window is switched or
// minimised):
// - the window keeps its native window when the first web page shows in the container, whether the
//   host built it around the view and showed it, as a host following the README does, or showed it
//   first and made it ready for pages itself before that;
// - the view (or a pane of the host's holding it) shown as a window of its own, closed and put in the
//   host's other places, never crashes.
#include "OwnDisplayMain.h"
#include "WindowManagerRequests.h"
#include "platform/ui/ContainerView.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/WebView.h"

#include <QApplication>
#include <QDockWidget>
#include <QHBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QPointer>
#include <QSignalSpy>
#include <QSplitter>
#include <QStackedWidget>
#include <QTest>
#include <QWindow>
#include <memory>
#include <vector>

using namespace pelnix;
using namespace pelnix::platform::ui;

namespace {

// A screen that shows a web page when asked, as a chat shows its first picture or poll.
class PageScreen : public ViewController {
public:
    WebView* page = nullptr;

    void showPage() {
        page = WebView::create(view());
        page->setGeometry(10, 10, 280, 160);
        page->show();
        page->loadHTMLString(QStringLiteral("<p style='font-size:32px'>The first page</p>"),
                             QUrl(QStringLiteral("https://pages.example.test/")));
    }
};

// The container a host places: its screen fills it.
class Container : public ViewController {
public:
    PageScreen* screen = new PageScreen;

protected:
    QWidget* loadView() override { return new ContainerView; }
    void viewDidLoad() override { addChildViewController(screen, view()); }
};

// How the host builds its window around the container's view.
enum class Host {
    MainWindowCentralWidget,    // QMainWindow::setCentralWidget(view)
    LayoutSetCentralAfterwards, // the view in a layout of a widget that becomes the central widget
    PlainWidget,                // a QWidget of the host's with the view in its layout
    WindowOfItsOwn,             // taken out of a widget and shown as a window of its own
    ShownFirstAndMadeReady,     // the window shown before the view joins it, made ready by the host
};

// What the host shows as a window of its own.
enum class Detached {
    View,               // the container's view, taken out of the host's window
    HostsPane,          // a pane of the host's holding the view
    ViewAloneWithAPage, // the view shown alone before it was in any widget, showing a page
};

// How the user ends a window of its own.
enum class Closing { ByWindowManager, ByClose, ByHide };

void end(QWidget* window, Closing closing) {
    switch (closing) {
    case Closing::ByWindowManager:
        QVERIFY(pelnix::test::WindowManagerRequests::close(window));
        QTRY_VERIFY(!window->isVisible());
        break;
    case Closing::ByClose:
        QVERIFY(window->close());
        break;
    case Closing::ByHide:
        window->hide();
        break;
    }
}

// Where the host puts a detached window again, in a window of its shown before it arrives.
enum class Place {
    Central,     // the central widget
    Dock,        // a dock, floated, ended there and docked again
    Splitter,    // a splitter's pane
    StackedPage, // a stacked widget's page, turned to
};

bool showAndWait(QWidget* window) {
    window->resize(640, 480);
    window->show();
    return QTest::qWaitForWindowExposed(window);
}

void placeIn(QMainWindow& window, Place place, QWidget* detached, Closing closing) {
    QWidget* hostsOwn = new QLabel(QStringLiteral("The host's own"));
    auto* splitter = place == Place::Splitter ? new QSplitter : nullptr;
    auto* stack = place == Place::StackedPage ? new QStackedWidget : nullptr;
    if (splitter)
        splitter->addWidget(hostsOwn);
    if (stack)
        stack->addWidget(hostsOwn);
    window.setCentralWidget(splitter ? splitter : stack ? stack : place == Place::Dock ? hostsOwn : nullptr);
    QVERIFY(showAndWait(&window));
    switch (place) {
    case Place::Central:
        delete hostsOwn;
        window.setCentralWidget(detached);
        detached->show();
        break;
    case Place::Dock: {
        auto* dock = new QDockWidget(QStringLiteral("Chats"));
        dock->setWidget(detached);
        window.addDockWidget(Qt::LeftDockWidgetArea, dock);
        QTRY_VERIFY(detached->isVisible());
        dock->setFloating(true);
        QVERIFY(QTest::qWaitForWindowExposed(dock));
        end(dock, closing);
        dock->setFloating(false);
        dock->show();
        break;
    }
    case Place::Splitter:
        splitter->addWidget(detached);
        detached->show();
        break;
    case Place::StackedPage:
        stack->addWidget(detached);
        stack->setCurrentWidget(detached);
        break;
    }
}

} // namespace

Q_DECLARE_METATYPE(Host)
Q_DECLARE_METATYPE(Closing)
Q_DECLARE_METATYPE(Detached)

class TestHostWindows : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        if (QGuiApplication::platformName() == QLatin1String("offscreen"))
            QSKIP("needs a display (Xvfb): offscreen, the engine draws without GL and no window is switched");
    }

    void aHostsWindowKeepsItsNativeWindowThroughTheFirstPage_data() {
        QTest::addColumn<Host>("host");
        QTest::newRow("QMainWindow, the view its central widget") << Host::MainWindowCentralWidget;
        QTest::newRow("QMainWindow, the view in a layout set as central afterwards")
            << Host::LayoutSetCentralAfterwards;
        QTest::newRow("plain QWidget with a layout") << Host::PlainWidget;
        QTest::newRow("the view as a window of its own") << Host::WindowOfItsOwn;
        QTest::newRow("shown first, made ready with prepareWindowForPages") << Host::ShownFirstAndMadeReady;
    }
    void aHostsWindowKeepsItsNativeWindowThroughTheFirstPage() {
        QFETCH(Host, host);
        auto container = std::make_unique<Container>();
        QWidget* view = container->view();
        std::unique_ptr<QWidget> window;
        switch (host) {
        case Host::MainWindowCentralWidget: {
            auto main = std::make_unique<QMainWindow>();
            main->setCentralWidget(view);
            window = std::move(main);
            break;
        }
        case Host::LayoutSetCentralAfterwards: {
            auto main = std::make_unique<QMainWindow>();
            auto* central = new QWidget;
            auto* layout = new QHBoxLayout(central);
            layout->addWidget(new QLabel(QStringLiteral("The host's own")));
            layout->addWidget(view, 1);
            main->setCentralWidget(central);
            window = std::move(main);
            break;
        }
        case Host::PlainWidget: {
            window = std::make_unique<QWidget>();
            auto* layout = new QHBoxLayout(window.get());
            layout->addWidget(new QLabel(QStringLiteral("The host's own")));
            layout->addWidget(view, 1);
            break;
        }
        case Host::WindowOfItsOwn: {
            QWidget pane;
            (new QHBoxLayout(&pane))->addWidget(view);
            view->setParent(nullptr);
            break;
        }
        case Host::ShownFirstAndMadeReady: {
            auto main = std::make_unique<QMainWindow>();
            WebView::prepareWindowForPages(main.get());
            window = std::move(main);
            break;
        }
        }
        QWidget* shown = window ? window.get() : view;
        shown->resize(640, 480);
        shown->show();
        QVERIFY(QTest::qWaitForWindowExposed(shown));
        if (host == Host::ShownFirstAndMadeReady)
            static_cast<QMainWindow*>(shown)->setCentralWidget(view);
        QTRY_VERIFY(view->isVisible());
        QPointer<QWindow> handle = shown->windowHandle();
        QVERIFY(handle);
        const WId native = shown->winId();

        PageScreen* screen = container->screen;
        screen->showPage();
        QSignalSpy finished(screen->page, &WebView::didFinishLoad);
        QVERIFY(finished.wait(20000));
        QCOMPARE(finished.first().first().toBool(), true);
        // The engine has laid the page out in the window.
        QTRY_VERIFY_WITH_TIMEOUT(screen->page->contentSize().height() > 0, 20000);
        QCOMPARE(shown->winId(), native);
        QCOMPARE(shown->windowHandle(), handle.data());
    }

    void aDetachedContainerClosedAndPlacedAgainNeverCrashes_data() {
        QTest::addColumn<Detached>("detached");
        QTest::addColumn<Closing>("closing");
        QTest::newRow("the view, closed by the window manager") << Detached::View << Closing::ByWindowManager;
        QTest::newRow("the view, closed with close()") << Detached::View << Closing::ByClose;
        QTest::newRow("the view, hidden") << Detached::View << Closing::ByHide;
        QTest::newRow("a host's pane holding it, closed by the window manager")
            << Detached::HostsPane << Closing::ByWindowManager;
        QTest::newRow("a host's pane holding it, closed with close()")
            << Detached::HostsPane << Closing::ByClose;
        QTest::newRow("a host's pane holding it, hidden") << Detached::HostsPane << Closing::ByHide;
        QTest::newRow("the view alone from the start, a page shown, closed with close()")
            << Detached::ViewAloneWithAPage << Closing::ByClose;
    }
    void aDetachedContainerClosedAndPlacedAgainNeverCrashes() {
        QFETCH(Detached, detached);
        QFETCH(Closing, closing);
        if (closing == Closing::ByWindowManager && !pelnix::test::ownDisplay().windowManager)
            QSKIP(qPrintable(QStringLiteral("no window manager: ") + pelnix::test::ownDisplay().missing));
        auto container = std::make_unique<Container>();
        QWidget* view = container->view();
        std::unique_ptr<QWidget> pane;
        QMainWindow start;
        if (detached == Detached::ViewAloneWithAPage) {
            // Never in a widget, not made ready by the host: the first page makes its window again.
            QVERIFY(showAndWait(view));
            container->screen->showPage();
            QSignalSpy finished(container->screen->page, &WebView::didFinishLoad);
            QVERIFY(finished.wait(20000));
        } else if (detached == Detached::HostsPane) {
            pane = std::make_unique<QWidget>();
            auto* layout = new QHBoxLayout(pane.get());
            layout->addWidget(new QLabel(QStringLiteral("The host's own")));
            layout->addWidget(view, 1);
            start.setCentralWidget(pane.get());
            QVERIFY(showAndWait(&start));
        } else {
            start.setCentralWidget(view);
            QVERIFY(showAndWait(&start));
        }
        QWidget* window = pane ? pane.get() : view;
        const auto detachAndEnd = [&] {
            window->setParent(nullptr);
            QVERIFY(showAndWait(window));
            end(window, closing);
        };

        std::vector<std::unique_ptr<QMainWindow>> windows;
        for (Place place : {Place::Central, Place::Dock, Place::Splitter, Place::StackedPage}) {
            detachAndEnd();
            windows.push_back(std::make_unique<QMainWindow>());
            placeIn(*windows.back(), place, window, closing);
            QTRY_VERIFY2(view->isVisible(), QTest::toString(int(place)));
        }
        detachAndEnd();
        QVERIFY(showAndWait(window));
        QVERIFY(view->isVisible());
        window->close();
    }
};

int main(int argc, char** argv) {
    return pelnix::test::execOnOwnDisplay<TestHostWindows>(argc, argv,
                                                           pelnix::test::WindowManagement::Managed);
}

#include "tst_hostwindows.moc"
