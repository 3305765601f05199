// The host's appearance as the library's screens show it: the navigation title and the rooms list's
// separator in the host's colours, the library's own readable colours where the host chose none,
// and the library's colours back once a session ends.
#include "TestSandbox.h"
#include "core/api/PLColorConfiguration.h"
#include "core/session/PelnixInfo.h"
#include "foundation/PLStoredModel.h"
#include "foundation/ui/CustomColors.h"
#include "foundation/ui/ViewControllerAdditions.h"
#include "interface/Pelnix.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/NavigationItem.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

#include <QApplication>
#include <QLabel>
#include <QTest>
#include <cmath>
#include <memory>

using namespace pelnix;
using namespace pelnix::platform::ui;
using namespace pelnix::test;

namespace {

const QColor kLibrarySeparator(0x66, 0xc0, 0x7f);

// A navigation stack as the library's containers build it, its title styled by the library.
struct StyledBar {
    Window window;
    ViewController* root = new ViewController;
    NavigationController* nav = new NavigationController(root);

    StyledBar() {
        root->navigationItem()->setTitle(QStringLiteral("Rooms"));
        window.setRootViewController(nav);
        window.resize(320, 568);
        window.show();
        ViewControllerAdditions::applyCustomAttributesToNavigationBarTitle(root);
    }
    NavigationBar* bar() { return nav->navigationBar(); }
    QImage rendered() { return bar()->grab().toImage().convertToFormat(QImage::Format_RGB32); }
    QRect titleRect() {
        const auto* title = bar()->findChild<QLabel*>(QStringLiteral("navigationBar.title"));
        return title ? title->geometry() : QRect();
    }
    // Pixels of the title drawn in (nearly) `colour`: the cores of the glyphs.
    int titlePixelsIn(const QColor& colour) {
        const QImage image = rendered();
        const QRect area = titleRect().intersected(image.rect());
        int count = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x) {
                const QColor pixel = image.pixelColor(x, y);
                if (std::abs(pixel.red() - colour.red()) + std::abs(pixel.green() - colour.green()) +
                        std::abs(pixel.blue() - colour.blue()) <=
                    24)
                    ++count;
            }
        return count;
    }
    // The bar's own background, read beside the title.
    QColor background() {
        const QRect title = titleRect();
        return rendered().pixelColor(QPoint(2, title.center().y()));
    }
};

double relativeLuminance(const QColor& colour) {
    const auto channel = [](double c) {
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF()) +
           0.0722 * channel(colour.blueF());
}

double contrast(const QColor& a, const QColor& b) {
    const double la = relativeLuminance(a), lb = relativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor configuredTitleColour() {
    return CustomColors::colorFromHexString(
        PLColorConfiguration::colorConfiguration()->navigationTitleColor());
}

} // namespace

class TestAppearance : public QObject {
    Q_OBJECT
private slots:
    void init() {
        m_sandbox = std::make_unique<TestSandbox>();
        PLStoredModel::dropSharedInstancesForTesting();
    }
    void cleanup() {
        PLStoredModel::dropSharedInstancesForTesting();
        m_sandbox.reset();
    }

    void hostColoursReachTheirReaders();
    void libraryTitleIsReadableOnTheBar();
    void sessionEndsBringTheLibraryColoursBack_data();
    void sessionEndsBringTheLibraryColoursBack();

private:
    std::unique_ptr<TestSandbox> m_sandbox;
};

void TestAppearance::hostColoursReachTheirReaders() {
    Pelnix::setNavigationTitleColor(QColor(Qt::blue));
    Pelnix::setTableViewSeparatorColor(QColor(Qt::red));

    QCOMPARE(CustomColors::chatRoomsTableViewSeparatorColor(), QColor(Qt::red));
    StyledBar styled;
    QCOMPARE(styled.bar()->titleColor(), QColor(Qt::blue));
    QVERIFY2(styled.titlePixelsIn(Qt::blue) > 10, "the title is not drawn in blue");

    // A later change shows on the next screen that styles its bar; the library's own colour is
    // not the host's.
    Pelnix::setNavigationTitleColor(QColor(0x80, 0, 0x80));
    Pelnix::setTableViewSeparatorColor(QColor(Qt::darkYellow));
    QCOMPARE(CustomColors::chatRoomsTableViewSeparatorColor(), QColor(Qt::darkYellow));
    StyledBar next;
    QCOMPARE(next.bar()->titleColor(), QColor(0x80, 0, 0x80));
    QCOMPARE(CustomColors::navigationBarTitleColor(), configuredTitleColour());
}

void TestAppearance::libraryTitleIsReadableOnTheBar() {
    // A host that sets no colours, only a title.
    Pelnix::setNavigationTitle(QStringLiteral("Rooms"));
    QCOMPARE(CustomColors::chatRoomsTableViewSeparatorColor(), kLibrarySeparator);

    const QColor title = CustomColors::navigationBarTitleColor();
    QCOMPARE(title, configuredTitleColour());
    QCOMPARE(title.alpha(), 255);
    StyledBar styled;
    QCOMPARE(styled.bar()->titleColor(), title);
    const QColor background = styled.background();
    QVERIFY2(contrast(title, background) >= 4.5,
             qPrintable(QStringLiteral("title %1 on %2").arg(title.name(), background.name())));
    QVERIFY2(styled.titlePixelsIn(title) > 10, "the title is not drawn in its colour");

    // The bars read the colour configuration at every call.
    PLColorConfiguration::colorConfiguration()->setNavigationTitleColor(QStringLiteral("#0086ca"));
    StyledBar branded;
    QCOMPARE(branded.bar()->titleColor(), QColor(0, 0x86, 0xca));
}

void TestAppearance::sessionEndsBringTheLibraryColoursBack_data() {
    QTest::addColumn<quint64>("state");
    QTest::newRow("reset by the host") << quint64(0);
    QTest::newRow("ended by the server") << quint64(3);
}

void TestAppearance::sessionEndsBringTheLibraryColoursBack() {
    QFETCH(quint64, state);
    const auto info = PelnixInfo::sharedInstance();
    info->setSessionState(2);
    info->save();
    Pelnix::setNavigationTitleColor(QColor(Qt::blue));
    Pelnix::setTableViewSeparatorColor(QColor(Qt::red));
    QCOMPARE(CustomColors::chatRoomsTableViewSeparatorColor(), QColor(Qt::red));

    info->setSessionState(state);
    QCOMPARE(CustomColors::chatRoomsTableViewSeparatorColor(), kLibrarySeparator);
    StyledBar styled;
    QCOMPARE(styled.bar()->titleColor(), configuredTitleColour());
}

QTEST_MAIN(TestAppearance)
#include "tst_appearance.moc"
