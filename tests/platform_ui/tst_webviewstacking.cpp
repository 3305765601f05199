#include "OwnDisplayMain.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/WebEngineWebView.h"
#include "platform/ui/Window.h"

#include <QApplication>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

using namespace pelnix;
using namespace pelnix::platform::ui;

namespace {

QColor blockColor() {
    return QColor(224, 0, 0);
}

// What the display shows at a point of the screen, as composed (GL-composed widgets included).
QColor shownAt(const QWidget* widget, QPoint point) {
    const QPoint global = widget->mapToGlobal(point);
    return widget->screen()->grabWindow(0, global.x(), global.y(), 1, 1).toImage().pixelColor(0, 0);
}

bool isDimmed(const QColor& shown, const QColor& bright) {
    // The window's dim is black at 100/255: what it covers keeps 61% of its light.
    return shown.red() <= bright.red() * 0.75 && shown.red() >= bright.red() * 0.45;
}

} // namespace

// Pages drawn by the browser engine are GL textures composed with the window's other widgets; only a
// real display composes them that way (offscreen they are painted like any widget). A dim, sheet or
// alert stacked above a page must darken it there too.
class TestWebViewStacking : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        if (QGuiApplication::platformName() == QLatin1String("offscreen"))
            QSKIP("needs a display (Xvfb) that composes pages with GL");
    }

    void overlaysDarkenThePagesBelowThem_data() {
        QTest::addColumn<QString>("overlay");
        QTest::addColumn<QColor>("pageBackground");
        QTest::newRow("alert over a page asked to be transparent") << "alert" << QColor(Qt::transparent);
        QTest::newRow("busy overlay over a page asked to be transparent")
            << "busy" << QColor(Qt::transparent);
        QTest::newRow("alert over a page half transparent") << "alert" << QColor(255, 255, 255, 128);
        QTest::newRow("alert over a white page") << "alert" << QColor(Qt::white);
        QTest::newRow("busy overlay over a white page") << "busy" << QColor(Qt::white);
    }

    void overlaysDarkenThePagesBelowThem() {
        QFETCH(QString, overlay);
        QFETCH(QColor, pageBackground);
        Window window;
        window.resize(320, 568);
        // A chat-like backdrop, and a page in it that paints a block over its own background.
        auto* backdrop = new QWidget(&window);
        backdrop->setAutoFillBackground(true);
        QPalette palette = backdrop->palette();
        palette.setColor(QPalette::Window, Qt::white);
        backdrop->setPalette(palette);
        window.addFillingView(backdrop);
        auto* page = new WebEngineWebView(backdrop);
        page->setBackgroundColor(pageBackground);
        page->setGeometry(20, 20, 280, 160);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QSignalSpy finished(page, &WebView::didFinishLoad);
        page->loadHTMLString(QStringLiteral("<body style='margin:0'><div style='width:200px;height:100px;"
                                            "background:%1'></div></body>")
                                 .arg(blockColor().name()),
                             QUrl(QStringLiteral("https://chatlets.example.test/")));
        QTRY_COMPARE(finished.size(), 1);
        QCOMPARE(finished.first().first().toBool(), true);
        const QPoint block(100, 50);
        const QPoint pageBelowBlock(100, 140);
        const QPoint outside(160, 400);
        // The engine paints a while after the load ends.
        QTRY_COMPARE_WITH_TIMEOUT(shownAt(page, block), blockColor(), 20000);
        const QColor bright = shownAt(page, pageBelowBlock);
        QCOMPARE(shownAt(backdrop, outside), QColor(Qt::white));

        if (overlay == QLatin1String("alert"))
            (new AlertView(QStringLiteral("Alert"), QStringLiteral("A message"), QStringLiteral("OK"), {}))
                ->show(&window);
        else
            window.setBusy(true);
        QTRY_VERIFY2(isDimmed(shownAt(backdrop, outside), QColor(Qt::white)),
                     qPrintable(shownAt(backdrop, outside).name()));
        // The page is as dim as the rest of the window: its block and its own background.
        QTRY_VERIFY2(isDimmed(shownAt(page, block), blockColor()), qPrintable(shownAt(page, block).name()));
        QVERIFY2(isDimmed(shownAt(page, pageBelowBlock), bright),
                 qPrintable(shownAt(page, pageBelowBlock).name()));
    }
};

int main(int argc, char** argv) {
    return pelnix::test::execOnOwnDisplay<TestWebViewStacking>(argc, argv);
}

#include "tst_webviewstacking.moc"
