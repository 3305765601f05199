// The check that the screen tour and the gallery hold every picture to: a screen that shows one flat
// colour, or a bar over an empty page, fails; anything drawn on the page passes, wherever it lies.
#include "TestSandbox.h"
#include "platform/ui/Animator.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/NavigationItem.h"
#include "platform/ui/Screenshot.h"
#include "platform/ui/Window.h"
#include "platform/ui/testing/BlankPictureCheck.h"

#include <QApplication>
#include <QLabel>
#include <QTest>

using namespace pelnix::platform::ui;

namespace {

// A white view, with a word at `at` when one is given.
QWidget* whiteView(std::optional<QPoint> at) {
    auto* view = new QWidget;
    view->setAutoFillBackground(true);
    QPalette palette = view->palette();
    palette.setColor(QPalette::Window, Qt::white);
    view->setPalette(palette);
    if (at) {
        auto* word = new QLabel(QStringLiteral("Something"), view);
        word->move(*at);
    }
    return view;
}

// A white page, with a word at `at` when one is given.
class Page : public ViewController {
public:
    explicit Page(std::optional<QPoint> at) : m_at(at) { setTitle(QStringLiteral("Page")); }

protected:
    QWidget* loadView() override { return whiteView(m_at); }

private:
    std::optional<QPoint> m_at;
};

enum class Shape { Bare, Navigated, BarHidden, PresentedOverPage };

// The top a white page draws itself, over a word: none, a navigation bar titled "Own" at `barTop`, or
// a band of a bar's colour with a title that is no navigation bar.
enum class OwnTop { None, NavigationBar, Band };

class PageWithBar : public ViewController {
public:
    PageWithBar(OwnTop top, int barTop) : m_top(top), m_barTop(barTop) {}

protected:
    QWidget* loadView() override {
        QWidget* page = whiteView(QPoint(10, 300));
        if (m_top == OwnTop::NavigationBar) {
            auto* bar = new NavigationBar(page);
            auto* item = new NavigationItem(bar);
            item->setTitle(QStringLiteral("Own"));
            bar->setItems(item, nullptr);
            bar->setGeometry(0, m_barTop, 320, NavigationBar::kHeight);
        } else if (m_top == OwnTop::Band) {
            NavigationBar sample;
            sample.resize(320, NavigationBar::kHeight);
            auto* band = new QLabel(QStringLiteral("OWN"), page);
            band->setAlignment(Qt::AlignCenter);
            band->setAutoFillBackground(true);
            QPalette palette = band->palette();
            palette.setColor(QPalette::Window, sample.grab().toImage().pixelColor(1, 1));
            band->setPalette(palette);
            band->setGeometry(0, m_barTop, 320, NavigationBar::kHeight);
        }
        return page;
    }

private:
    OwnTop m_top;
    int m_barTop;
};

} // namespace

Q_DECLARE_METATYPE(Shape)
Q_DECLARE_METATYPE(OwnTop)

class TestBlankPictures : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Animator::setInstant(true); }

    void picturesThatShowNothingAreTold_data() {
        QTest::addColumn<Shape>("shape");
        QTest::addColumn<bool>("word");
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<QString>("blankness");
        QTest::newRow("bare empty page") << Shape::Bare << false << QPoint() << "one flat colour";
        QTest::newRow("bare page with a word") << Shape::Bare << true << QPoint(10, 10) << "";
        QTest::newRow("bar over an empty page")
            << Shape::Navigated << false << QPoint() << "nothing below its bar";
        QTest::newRow("bar over a word") << Shape::Navigated << true << QPoint(10, 200) << "";
        QTest::newRow("word at the page's foot") << Shape::Navigated << true << QPoint(10, 490) << "";
        QTest::newRow("hidden bar, empty page") << Shape::BarHidden << false << QPoint() << "one flat colour";
        QTest::newRow("hidden bar, word at the top") << Shape::BarHidden << true << QPoint(10, 5) << "";
        QTest::newRow("presented empty page over a page with a word")
            << Shape::PresentedOverPage << false << QPoint() << "nothing below its bar";
    }
    void picturesThatShowNothingAreTold() {
        QFETCH(Shape, shape);
        QFETCH(bool, word);
        QFETCH(QPoint, at);
        QFETCH(QString, blankness);
        Window window;
        window.resize(320, 568);
        auto* page = new Page(word ? std::optional<QPoint>(at) : std::nullopt);
        switch (shape) {
        case Shape::Bare:
            window.setRootViewController(page);
            break;
        case Shape::Navigated:
            window.setRootViewController(new NavigationController(page));
            break;
        case Shape::BarHidden: {
            auto* navigation = new NavigationController(page);
            navigation->setNavigationBarHidden(true, false);
            window.setRootViewController(navigation);
            break;
        }
        case Shape::PresentedOverPage: {
            auto* host = new NavigationController(new Page(QPoint(10, 200)));
            window.setRootViewController(host);
            window.show();
            host->presentViewController(new NavigationController(page), false);
            break;
        }
        }
        window.show();
        Screenshot::settle();
        const QImage image = Screenshot::grab(&window);
        QCOMPARE(BlankPictureCheck::blankness(image, &window), blankness);
    }

    // A bar that shows nothing is told; a title or a button alone is something, a hidden bar is none, and
    // a bar under a presented screen is not looked at.
    void emptyBarsAreTold_data() {
        QTest::addColumn<QString>("title");
        QTest::addColumn<bool>("pushed");
        QTest::addColumn<bool>("hidden");
        QTest::addColumn<bool>("covered");
        QTest::addColumn<QString>("verdict");
        QTest::newRow("untitled, alone") << "" << false << false << false << "an empty bar";
        QTest::newRow("titled") << "Page" << false << false << false << "";
        QTest::newRow("untitled with a back button") << "" << true << false << false << "";
        QTest::newRow("untitled, hidden") << "" << false << true << false << "";
        QTest::newRow("untitled, under a presented page") << "" << false << false << true << "";
    }
    void emptyBarsAreTold() {
        QFETCH(QString, title);
        QFETCH(bool, pushed);
        QFETCH(bool, hidden);
        QFETCH(bool, covered);
        QFETCH(QString, verdict);
        Window window;
        window.resize(320, 568);
        auto* page = new Page(QPoint(10, 200));
        page->setTitle(title);
        auto* navigation = new NavigationController(pushed ? new Page(QPoint(10, 200)) : page);
        if (pushed)
            navigation->pushViewController(page, false);
        navigation->setNavigationBarHidden(hidden, false);
        window.setRootViewController(navigation);
        window.show();
        if (covered)
            navigation->presentViewController(new Page(QPoint(10, 10)), false);
        Screenshot::settle();
        const QImage image = Screenshot::grab(&window);
        QCOMPARE(BlankPictureCheck::emptyBar(image, &window), verdict);
    }

    // A screen with a bar of its own wrapped in a navigation controller shows two bars, one under the
    // other; one bar, a hidden outer bar or a bar lower down in the page is no doubled bar.
    void doubledBarsAreTold_data() {
        QTest::addColumn<OwnTop>("top");
        QTest::addColumn<bool>("wrapped");
        QTest::addColumn<QString>("title");
        QTest::addColumn<bool>("outerHidden");
        QTest::addColumn<int>("barTop");
        QTest::addColumn<QString>("verdict");
        const auto bar = OwnTop::NavigationBar;
        QTest::newRow("own bar alone") << bar << false << "Page" << false << 0 << "";
        QTest::newRow("own bar in a navigation controller")
            << bar << true << "Page" << false << 0 << "a doubled bar";
        QTest::newRow("own bar under an empty outer bar")
            << bar << true << "" << false << 0 << "a doubled bar";
        QTest::newRow("own band under an empty outer bar")
            << OwnTop::Band << true << "" << false << 0 << "a doubled bar";
        QTest::newRow("own band alone") << OwnTop::Band << false << "" << false << 0 << "";
        QTest::newRow("own bar, the outer bar hidden") << bar << true << "Page" << true << 0 << "";
        QTest::newRow("a bar low in the page under the outer bar")
            << bar << true << "Page" << false << 400 << "";
        QTest::newRow("an empty bar over a white page") << OwnTop::None << true << "" << false << 0 << "";
    }
    void doubledBarsAreTold() {
        QFETCH(OwnTop, top);
        QFETCH(bool, wrapped);
        QFETCH(QString, title);
        QFETCH(bool, outerHidden);
        QFETCH(int, barTop);
        QFETCH(QString, verdict);
        Window window;
        window.resize(320, 568);
        auto* page = new PageWithBar(top, barTop);
        page->setTitle(title);
        if (wrapped) {
            auto* navigation = new NavigationController(page);
            navigation->setNavigationBarHidden(outerHidden, false);
            window.setRootViewController(navigation);
        } else {
            window.setRootViewController(page);
        }
        window.show();
        Screenshot::settle();
        const QImage image = Screenshot::grab(&window);
        QCOMPARE(BlankPictureCheck::doubledBar(image, &window), verdict);
    }

    void theAreaBelowTheBarIsThePage() {
        Window window;
        window.resize(400, 720);
        window.setRootViewController(new NavigationController(new Page(std::nullopt)));
        window.show();
        Screenshot::settle();
        const QRect area = BlankPictureCheck::contentArea(&window);
        QVERIFY2(area.top() >= 44 && area.top() < 200, qPrintable(QString::number(area.top())));
        QCOMPARE(area.bottom(), 719);
        QCOMPARE(area.width(), 400);
        QVERIFY(BlankPictureCheck::isFlat(QImage()));
        QImage two(4, 4, QImage::Format_RGB32);
        two.fill(Qt::white);
        two.setPixel(3, 3, qRgb(0, 0, 0));
        QVERIFY(!BlankPictureCheck::isFlat(two));
        QVERIFY(BlankPictureCheck::isFlat(two, QRect(0, 0, 3, 3)));
    }
};

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestBlankPictures t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_blankpictures.moc"
