// A host's own window holding a container's view, on a display of the test's own (Xvfb; the test skips
// offscreen, where the engine draws without GL and no window is switched): the window keeps its
// native window when the first web page shows in the container, whether the host built it around the
// view and showed it, as a host following the README does, or showed it first and made it ready for
// pages itself before that.
#include "OwnDisplayMain.h"
#include "platform/ui/ContainerView.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/WebView.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>
#include <memory>

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

} // namespace

Q_DECLARE_METATYPE(Host)

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
};

int main(int argc, char** argv) {
    return pelnix::test::execOnOwnDisplay<TestHostWindows>(argc, argv);
}

#include "tst_hostwindows.moc"
