// The terms and privacy pages: which document and title a type gives, the segment switching
// documents under the first title, the first-load spinner, failures, and the real web view showing
// the bundled documents.
#include "AccountTestKit.h"
#include "TestSandbox.h"
#include "platform/UserDefaults.h"
#include "platform/ui/NavigationItem.h"
#include "platform/ui/SegmentedControl.h"
#include "platform/ui/Spinner.h"
#include "platform/ui/WebEngineWebView.h"
#include "platform/ui/WebView.h"
#include "platform/ui/testing/FakeWebView.h"
#include "ui/account/PLAboutWebViewController.h"

#include <QApplication>

using namespace pelnix;
using namespace pelnix::test;
using namespace pelnix::platform::ui;
using platform::UserDefaults;

namespace {
PLAboutWebViewController* openPage(ScreenHost& host, qint64 type) {
    auto* nav = qobject_cast<NavigationController*>(ScreenRegistry::shared()->instantiate(
        QStringLiteral("Login"), QStringLiteral("PLTermsAndConditionID")));
    auto* page = topOf<PLAboutWebViewController>(nav);
    page->setSelectedHtmlType(type);
    host.present(nav);
    return page;
}

FakeWebView* fakeOf(PLAboutWebViewController* page) {
    return qobject_cast<FakeWebView*>(page->aboutWebview());
}
} // namespace

class TestTerms : public QObject {
    Q_OBJECT
private slots:
    void init() {
        WebView::setMaker([](QWidget* parent) { return new FakeWebView(parent); });
        UserDefaults::remove(PLAboutWebViewController::kHtmlLoadedKey);
    }
    void cleanup() { WebView::setMaker({}); }

    void typeChoosesDocumentAndTitle_data();
    void typeChoosesDocumentAndTitle();
    void theSegmentSwitchesDocumentsNotTitles();
    void theSpinnerShowsUntilAnyDocumentHasLoaded();
    void aFailedLoadSaysSo();
    void theBundledDocumentsShowInTheRealWebView();
    void bothSegmentTitlesShowWhole_data();
    void bothSegmentTitlesShowWhole();
};

void TestTerms::bothSegmentTitlesShowWhole_data() {
    QTest::addColumn<QSize>("size");
    QTest::newRow("320 x 568") << QSize(320, 568);
    QTest::newRow("400 x 720") << QSize(400, 720);
    QTest::newRow("1024 x 768") << QSize(1024, 768);
}

// As the gallery shows the page, in a window with the program's font: neither title is cut, on a phone
// either.
void TestTerms::bothSegmentTitlesShowWhole() {
    QFETCH(QSize, size);
    AccountWorld world(CoreFixture::Service::None);
    ScreenHost host(size);
    PLAboutWebViewController* page = openPage(host, 1);
    SegmentedControl* segments = page->segmentControl();
    QVERIFY(segments->isVisible());
    QVERIFY(segments->mapTo(&host.window, QPoint()).x() >= 0);
    QVERIFY(segments->mapTo(&host.window, QPoint(segments->width(), 0)).x() <= size.width());
    for (int i = 0; i < segments->numberOfSegments(); ++i) {
        QCOMPARE(segments->shownTitleForSegment(i), segments->titleForSegment(i));
        QVERIFY(segments->segmentRect(i).width() >=
                segments->fontMetrics().horizontalAdvance(segments->titleForSegment(i)));
    }
    QCOMPARE(segments->titleForSegment(1), QStringLiteral("Terms and Conditions"));
}

void TestTerms::typeChoosesDocumentAndTitle_data() {
    QTest::addColumn<qint64>("type");
    QTest::addColumn<QString>("document");
    QTest::addColumn<QString>("title");
    QTest::newRow("privacy") << qint64(0) << "qrc:/pelnix/Privacy.html"
                             << "Privacy Policy";
    QTest::newRow("terms") << qint64(1) << "qrc:/pelnix/TnC.html"
                           << "Terms and Conditions";
}

void TestTerms::typeChoosesDocumentAndTitle() {
    QFETCH(qint64, type);
    QFETCH(QString, document);
    QFETCH(QString, title);
    AccountWorld world(CoreFixture::Service::None);
    ScreenHost host;
    PLAboutWebViewController* page = openPage(host, type);
    QCOMPARE(fakeOf(page)->loadedURLs, QList<QUrl>{QUrl(document)});
    QCOMPARE(page->navigationItem()->title(), title);
    QCOMPARE(page->segmentControl()->selectedSegmentIndex(), int(type));
    // The close item takes the page away.
    page->navigationItem()->leftBarButtonItem()->trigger();
    QTRY_VERIFY(!host.presented());
}

void TestTerms::theSegmentSwitchesDocumentsNotTitles() {
    AccountWorld world(CoreFixture::Service::None);
    ScreenHost host;
    PLAboutWebViewController* page = openPage(host, 1);
    SegmentedControl* segments = page->segmentControl();
    QTest::mouseClick(segments, Qt::LeftButton, {}, segments->segmentRect(0).center());
    QCOMPARE(fakeOf(page)->loadedURLs.last(), QUrl(QStringLiteral("qrc:/pelnix/Privacy.html")));
    QCOMPARE(page->navigationItem()->title(), QStringLiteral("Terms and Conditions"));
    QTest::mouseClick(segments, Qt::LeftButton, {}, segments->segmentRect(1).center());
    QCOMPARE(fakeOf(page)->loadedURLs.last(), QUrl(QStringLiteral("qrc:/pelnix/TnC.html")));
    // Any other type loads nothing.
    page->loadWebviewForHtmlType(7);
    QCOMPARE(fakeOf(page)->loadedURLs.size(), 3);
}

void TestTerms::theSpinnerShowsUntilAnyDocumentHasLoaded() {
    AccountWorld world(CoreFixture::Service::None);
    {
        ScreenHost host;
        PLAboutWebViewController* page = openPage(host, 0);
        QVERIFY(page->aboutPageLoadIndicator()->isVisible());
        QVERIFY(page->aboutPageLoadIndicator()->isAnimating());
        fakeOf(page)->finishLoad();
        QVERIFY(!page->aboutPageLoadIndicator()->isVisible());
        QVERIFY(UserDefaults::value(PLAboutWebViewController::kHtmlLoadedKey).toBool());
    }
    // Once any document has loaded, no page shows the spinner again.
    ScreenHost host;
    PLAboutWebViewController* page = openPage(host, 1);
    QVERIFY(fakeOf(page)->isLoading());
    QVERIFY(!page->aboutPageLoadIndicator()->isVisible());
}

void TestTerms::aFailedLoadSaysSo() {
    AccountWorld world(CoreFixture::Service::None);
    ScreenHost host;
    PLAboutWebViewController* page = openPage(host, 1);
    // A load replaced by the next one is no failure to report.
    fakeOf(page)->failLoad(PLError(QString::fromLatin1(WebView::ErrorDomain), WebView::CancelledError));
    QVERIFY(host.alerts().isEmpty());
    page->loadWebviewForHtmlType(1);
    fakeOf(page)->failLoad(PLError(QString::fromLatin1(WebView::ErrorDomain), WebView::CannotFindHostError));
    QVERIFY(!page->aboutPageLoadIndicator()->isVisible());
    QCOMPARE(host.lastAlert()->title(), QStringLiteral("Failed"));
    QCOMPARE(host.lastAlert()->message(), QStringLiteral("Unable to load content"));
    QCOMPARE(host.presented()->presentedViewController(), nullptr);
}

void TestTerms::theBundledDocumentsShowInTheRealWebView() {
    WebView::setMaker({});
    AccountWorld world(CoreFixture::Service::None);
    ScreenHost host;
    PLAboutWebViewController* page = openPage(host, 1);
    auto* view = qobject_cast<WebEngineWebView*>(page->aboutWebview());
    QVERIFY(view);
    QTRY_VERIFY_WITH_TIMEOUT(UserDefaults::value(PLAboutWebViewController::kHtmlLoadedKey).toBool(), 20000);
    QVERIFY(!page->aboutPageLoadIndicator()->isVisible());
    // What the page shows, asked of the page itself.
    const auto shown = [view](const QString& script) {
        QString answer;
        bool answered = false;
        view->evaluateJavaScript(script, [&](const QVariant& value) {
            answer = value.toString();
            answered = true;
        });
        return QTest::qWaitFor([&] { return answered; }, 5000) ? answer : QString();
    };
    QTRY_COMPARE_WITH_TIMEOUT(shown(QStringLiteral("document.querySelector('h1').textContent")),
                              QStringLiteral("Terms and Conditions"), 20000);
    page->segmentControllerValueChanged(0);
    QTRY_COMPARE_WITH_TIMEOUT(shown(QStringLiteral("document.title")), QStringLiteral("Privacy Policy"),
                              20000);
    QVERIFY(host.alerts().isEmpty());
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    TestTerms t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_terms.moc"
