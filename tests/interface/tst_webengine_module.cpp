// The browser engine is a module of its own that the library maps when the first web view is made:
// a host that shows no web page never loads it, the first view maps it and shows pages, and
// without the module a view shows nothing and every load fails.
#include "TestSandbox.h"
#include "interface/Pelnix.h"
#include "platform/ui/WebEngineModule.h"
#include "platform/ui/WebEngineWebView.h"
#include "platform/ui/WebView.h"

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace pelnix;
using namespace pelnix::platform::ui;

namespace {

// The modes of the process started without the engine.
constexpr char kWithoutModule[] = "--without-module";
constexpr char kWithoutSharedContexts[] = "--without-shared-contexts";

// The files mapped into this process whose name contains `part`.
QSet<QString> mapped(const QString& part) {
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly))
        return {QStringLiteral("(maps unreadable)")};
    QSet<QString> files;
    for (const QByteArray& line : maps.readAll().split('\n')) {
        const QString path = QString::fromLocal8Bit(line.mid(line.indexOf('/')));
        if (line.contains('/') && path.section(QLatin1Char('/'), -1).contains(part))
            files << path;
    }
    return files;
}

const QString kEngine = QStringLiteral("libQt6WebEngineCore");
const QString kModule = QStringLiteral("pelnix_webengine");

} // namespace

class TestWebEngineModule : public QObject {
    Q_OBJECT
private slots:
    // Runs first: nothing before it made a web view.
    void aProcessThatShowsNoPageNeverMapsTheEngine() {
        QVERIFY2(mapped(kEngine).isEmpty(), "the engine is mapped at start: something links it");
        // The facade's start-up, answered without the engine.
        Pelnix::setUserEmailID(QStringLiteral("ann@acme.test"));
        bool answered = false;
        Pelnix::initWithCompletionHandler(
            [&](bool, const PLOptionalError&, const QString&) { answered = true; });
        QTRY_VERIFY(answered);
        QWidget screen;
        screen.show();
        QVERIFY(QTest::qWaitForWindowExposed(&screen));
        QCOMPARE(mapped(kEngine), QSet<QString>());
        QCOMPARE(mapped(kModule), QSet<QString>());
    }

    void theFirstViewMapsTheEngineAndShowsPages() {
        QWidget window;
        window.resize(320, 200);
        WebView* view = WebView::create(&window);
        QVERIFY(!mapped(kEngine).isEmpty());
        QCOMPARE(mapped(kModule).size(), 1);
        auto* engineView = qobject_cast<WebEngineWebView*>(view);
        QVERIFY(engineView);
        QVERIFY(engineView->hasEngine());
        QVERIFY(engineView->engineView()->inherits("QWebEngineView"));
        view->resize(320, 200);
        window.show();

        QList<QUrl> asked;
        view->setShouldStartLoad([&asked](const QUrl& url) {
            asked << url;
            return true;
        });
        QSignalSpy finished(view, &WebView::didFinishLoad);
        // The library's subresource rules hold in the module's pages: another origin is blocked.
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(QStringLiteral("blocked a subresource.*other\\.png")));
        const QUrl base(QStringLiteral("https://chatlets.example.test/form/"));
        view->loadHTMLString(
            QStringLiteral("<html><body style='margin:0'>"
                           "<img src='https://elsewhere.example.test/other.png'>"
                           "<div style='height:1234px;background:#ff0000'>tall</div></body></html>"),
            base);
        QTRY_COMPARE(finished.size(), 1);
        QCOMPARE(finished.first().first().toBool(), true);
        QCOMPARE(asked, QList<QUrl>{base});
        QVariant title;
        view->evaluateJavaScript(QStringLiteral("document.body.lastChild.textContent"),
                                 [&](const QVariant& value) { title = value; });
        QTRY_COMPARE(title.toString(), QStringLiteral("tall"));
        qreal height = -1;
        view->measureContentHeight([&](qreal h) { height = h; });
        QTRY_VERIFY(height >= 1234);
        QTRY_COMPARE(view->grab().toImage().pixelColor(160, 100), QColor(255, 0, 0));

        // Later views use the module already mapped.
        std::unique_ptr<WebView> second(WebView::create());
        QVERIFY(qobject_cast<WebEngineWebView*>(second.get())->hasEngine());
        QCOMPARE(mapped(kModule).size(), 1);
    }

    // Once mapped the engine stays: these cases run in processes of their own (TestWithoutEngine).
    void withoutTheEngineAViewShowsNothingAndEveryLoadFails_data() {
        QTest::addColumn<QString>("mode");
        QTest::newRow("module missing") << QString::fromLatin1(kWithoutModule);
        // Mapped without the application's shared GL context the engine would crash: a process whose
        // application was made before the library was loaded has none.
        QTest::newRow("no shared GL contexts") << QString::fromLatin1(kWithoutSharedContexts);
    }
    void withoutTheEngineAViewShowsNothingAndEveryLoadFails() {
        QFETCH(QString, mode);
        QTemporaryDir empty;
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        if (mode == QLatin1String(kWithoutModule))
            environment.insert(QString::fromLatin1(WebEngineModule::PathVariable),
                               empty.filePath(QStringLiteral("libpelnix_webengine.so")));
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QCoreApplication::applicationFilePath(), {mode});
        QVERIFY(child.waitForFinished(120000));
        const QString output = QString::fromLocal8Bit(child.readAll());
        QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0, qPrintable(output));
    }

private:
    test::TestSandbox m_sandbox;
};

// A process started without the engine: its module missing, or the host's shared GL contexts.
class TestWithoutEngine : public QObject {
    Q_OBJECT
public:
    explicit TestWithoutEngine(QString why) : m_why(std::move(why)) {}

private slots:
    void aViewShowsNothingAndEveryLoadFails() {
        QTest::ignoreMessage(QtCriticalMsg, QRegularExpression(m_why));
        std::unique_ptr<WebView> view(WebView::create());
        auto* engineView = qobject_cast<WebEngineWebView*>(view.get());
        QVERIFY(engineView);
        QVERIFY(!engineView->hasEngine());
        QVERIFY(!engineView->engineView()->inherits("QWebEngineView"));
        QCOMPARE(mapped(kEngine), QSet<QString>());

        // The veto is still asked; what it refuses is no load, the rest fails.
        QList<QUrl> asked;
        view->setShouldStartLoad([&asked](const QUrl& url) {
            asked << url;
            return url.host() != QLatin1String("refused.test");
        });
        QSignalSpy started(view.get(), &WebView::didStartLoad);
        QSignalSpy failed(view.get(), &WebView::didFailLoad);
        QSignalSpy finished(view.get(), &WebView::didFinishLoad);
        const QUrl base(QStringLiteral("https://chatlets.example.test/"));
        view->loadHTMLString(QStringLiteral("<p>page</p>"), base);
        QTRY_COMPARE(finished.size(), 1);
        view->loadURL(QUrl(QStringLiteral("https://refused.test/")));
        view->loadURL(QUrl(QStringLiteral("https://shown.test/")));
        QTRY_COMPARE(finished.size(), 2);
        QCOMPARE(asked, (QList<QUrl>{base, QUrl(QStringLiteral("https://refused.test/")),
                                     QUrl(QStringLiteral("https://shown.test/"))}));
        QCOMPARE(started.size(), 2);
        QCOMPARE(failed.size(), 2);
        for (const QList<QVariant>& arguments : std::as_const(failed)) {
            const auto error = arguments.first().value<PLError>();
            QCOMPARE(error.domain, QString::fromLatin1(WebView::ErrorDomain));
            QCOMPARE(error.code, qint64(WebView::UnknownError));
            QVERIFY(error.localizedDescription.contains(QStringLiteral("not installed")));
        }
        QCOMPARE(failed.last().first().value<PLError>().userInfo.value(
                     QStringLiteral("NSErrorFailingURLStringKey")),
                 QVariant(QStringLiteral("https://shown.test/")));
        for (const QList<QVariant>& arguments : std::as_const(finished))
            QCOMPARE(arguments.first().toBool(), false);

        // Scripts give no value, the page has no height, and nothing is to go back to.
        bool answered = false;
        QVariant result = 1;
        view->evaluateJavaScript(QStringLiteral("1 + 1"), [&](const QVariant& value) {
            result = value;
            answered = true;
        });
        QTRY_VERIFY(answered);
        QVERIFY(!result.isValid());
        qreal height = -1;
        view->measureContentHeight([&](qreal h) { height = h; });
        QTRY_COMPARE(height, 0.0);
        QVERIFY(!view->canGoBack());
        QVERIFY(!view->isLoading());
        QCOMPARE(mapped(kEngine), QSet<QString>());
    }

private:
    QString m_why;
    test::TestSandbox m_sandbox;
};

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    const QByteArray mode = argc > 1 && QByteArray(argv[1]).startsWith("--without-") ? argv[1] : "";
    if (!mode.isEmpty()) {
        argv[1] = argv[0];
        ++argv;
        --argc;
    }
    // The library asked for shared GL contexts as it was loaded; a process whose application came
    // before the library finds the attribute off.
    if (mode == kWithoutSharedContexts)
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts, false);
    QApplication app(argc, argv);
    if (mode == kWithoutModule) {
        TestWithoutEngine t(QStringLiteral("no browser engine module was found.*libpelnix_webengine"));
        return QTest::qExec(&t, argc, argv);
    }
    if (mode == kWithoutSharedContexts) {
        TestWithoutEngine t(QStringLiteral("made without Qt::AA_ShareOpenGLContexts"));
        return QTest::qExec(&t, argc, argv);
    }
    TestWebEngineModule t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_webengine_module.moc"
