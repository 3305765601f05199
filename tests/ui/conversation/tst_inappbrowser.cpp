// The in-app browser: its buttons follow the history, a cancelled load is silent and a failed one
// says so; one test browses a loopback page with the real browser engine.
#include "CapturedLog.h"
#include "LoopbackPeer.h"
#include "SmartScreensTestWorld.h"

#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Spinner.h"
#include "platform/ui/Toolbar.h"
#include "ui/conversation/PLInternalLinkWebViewController.h"

#include <QApplication>
#include <QLoggingCategory>
#include <QSignalSpy>

using namespace pelnix;
using namespace pelnix::test;
using platform::ui::FakeWebView;

class TestInAppBrowser : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        world = std::make_unique<SmartScreensWorld>();
        world->showHost();
    }
    void cleanupTestCase() { world.reset(); }
    void cleanup() {
        world->dismissAlerts();
        world->navigation->popToRootViewController(false);
        world->settle();
    }

    void buttonsFollowTheHistory();
    void aCancelledLoadIsSilentAFailedOneSaysSo_data();
    void aCancelledLoadIsSilentAFailedOneSaysSo();
    void theRealEngineBrowsesBackAndForth();

private:
    PLInternalLinkWebViewController* open(const QUrl& url) {
        auto* browser = new PLInternalLinkWebViewController;
        browser->configureWithLinkURL(url, QStringLiteral("Help"));
        world->navigation->pushViewController(browser, false);
        world->settle();
        return browser;
    }
    std::unique_ptr<SmartScreensWorld> world;
};

void TestInAppBrowser::buttonsFollowTheHistory() {
    PLInternalLinkWebViewController* browser = open(QUrl(QStringLiteral("https://docs.test/")));
    auto* web = qobject_cast<FakeWebView*>(browser->externalLinkWebView());
    QCOMPARE(web->loadedURLs, QList<QUrl>{QUrl(QStringLiteral("https://docs.test/"))});
    QCOMPARE(browser->title(), QStringLiteral("Help"));
    // The end of a long page scrolls clear of the toolbar.
    QCOMPARE(web->contentInsets, QMargins(0, 0, 0, platform::ui::Toolbar::kHeight));
    // A site the user opened loads its pictures and scripts from its other hosts too.
    QVERIFY(web->allowsSubresource(QUrl(QStringLiteral("https://cdn.test/site.css")),
                                   QUrl(QStringLiteral("https://docs.test/"))));
    QVERIFY(browser->externalLinkPageLoadIndicator()->isVisible());
    web->finishLoad();
    QVERIFY(!browser->externalLinkPageLoadIndicator()->isVisible());
    QVERIFY(!browser->goBackBarButtonItem()->isEnabled());
    QVERIFY(!browser->goForwardBarButtonItem()->isEnabled());

    QVERIFY(web->tapLink(QUrl(QStringLiteral("https://docs.test/next"))));
    web->finishLoad();
    QVERIFY(browser->goBackBarButtonItem()->isEnabled());
    QVERIFY(!browser->goForwardBarButtonItem()->isEnabled());

    browser->goBackBarButtonItem()->trigger();
    web->finishLoad();
    QVERIFY(!browser->goBackBarButtonItem()->isEnabled());
    QVERIFY(browser->goForwardBarButtonItem()->isEnabled());
    QVERIFY(world->alertTexts().isEmpty());
}

void TestInAppBrowser::aCancelledLoadIsSilentAFailedOneSaysSo_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<QStringList>("alerts");
    QTest::newRow("cancelled") << int(platform::ui::WebView::CancelledError) << QStringList{};
    QTest::newRow("no host") << int(platform::ui::WebView::CannotFindHostError)
                             << QStringList{"Failed / Unable to load content"};
    QTest::newRow("timed out") << int(platform::ui::WebView::TimedOutError)
                               << QStringList{"Failed / Unable to load content"};
}

void TestInAppBrowser::aCancelledLoadIsSilentAFailedOneSaysSo() {
    QFETCH(int, code);
    QFETCH(QStringList, alerts);
    PLInternalLinkWebViewController* browser = open(QUrl(QStringLiteral("https://docs.test/")));
    auto* web = qobject_cast<FakeWebView*>(browser->externalLinkWebView());
    QVERIFY(browser->externalLinkPageLoadIndicator()->isAnimating());
    // The engine's text names the page with its query; no line holds it, whatever the host turns up.
    QLoggingCategory::setFilterRules(QStringLiteral("pelnix.*=true"));
    CapturedLog log;
    web->failLoad(PLError(QString::fromLatin1(platform::ui::WebView::ErrorDomain), code,
                          QStringLiteral("https://docs.test/?token=s3cr3t failed")));
    QLoggingCategory::setFilterRules(QString());
    QVERIFY2(!log.text().contains(QLatin1String("s3cr3t")), qPrintable(log.text()));
    QCOMPARE(world->alertTexts(), alerts);
    QVERIFY(!browser->externalLinkPageLoadIndicator()->isVisible());
    QVERIFY(!browser->externalLinkPageLoadIndicator()->isAnimating());
}

void TestInAppBrowser::theRealEngineBrowsesBackAndForth() {
    platform::ui::WebView::setMaker(
        [](QWidget* parent) { return new platform::ui::WebEngineWebView(parent); });
    LoopbackPeer peer;
    peer.bodies[QStringLiteral("/")] =
        "<html><body style='margin:0'><div style='height:1500px'>First</div><a "
        "id='next' href='/next'>next</a>"
        "</body></html>";
    peer.bodies[QStringLiteral("/next")] = "<html><body>Second</body></html>";
    PLInternalLinkWebViewController* browser = open(peer.url(QStringLiteral("/")));
    platform::ui::WebView* web = browser->externalLinkWebView();
    QSignalSpy finished(web, &platform::ui::WebView::didFinishLoad);
    QTRY_VERIFY_WITH_TIMEOUT(!finished.isEmpty(), 20000);
    QVERIFY(finished.first().first().toBool());
    QVERIFY(!browser->externalLinkPageLoadIndicator()->isVisible());
    qreal height = -1;
    web->measureContentHeight([&height](qreal h) { height = h; });
    QTRY_VERIFY_WITH_TIMEOUT(height >= 0, 10000);
    QVERIFY2(height >= 1500, qPrintable(QString::number(height)));
    QVERIFY(!browser->goBackBarButtonItem()->isEnabled());

    web->evaluateJavaScript(QStringLiteral("document.getElementById('next').click();"));
    QTRY_VERIFY_WITH_TIMEOUT(browser->goBackBarButtonItem()->isEnabled(), 20000);
    QVERIFY(!browser->goForwardBarButtonItem()->isEnabled());
    browser->goBackBarButtonItem()->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(browser->goForwardBarButtonItem()->isEnabled(), 20000);
    QVERIFY(world->alertTexts().isEmpty());

    // A page the server does not have is still a page; an unreachable host is a failure.
    browser->configureWithLinkURL(QUrl(QStringLiteral("http://127.0.0.1:1/")), QStringLiteral("Nowhere"));
    web->loadURL(QUrl(QStringLiteral("http://127.0.0.1:1/")));
    QTRY_COMPARE_WITH_TIMEOUT(world->alertTexts(), QStringList{"Failed / Unable to load content"}, 20000);
    platform::ui::WebView::setMaker([](QWidget* parent) { return new FakeWebView(parent); });
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    TestInAppBrowser t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_inappbrowser.moc"
