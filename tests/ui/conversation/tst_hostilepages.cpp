// Pages made of other people's HTML in the real browser engine: the smart-message cell and the details
// page. A page that tries to leave by itself (frames, a refresh, scripts, forms) or to reach another
// host by script (workers, requests, sockets, peer connections) reaches neither the link actions nor
// the other host; the user's real click on a link reaches the link actions once. Each vector is first
// shown to be live: in the engine's own view, without the library's rules, it does reach the other
// host.
#include "SmartScreensTestWorld.h"

#include "core/api/PLAppConfigurations.h"
#include "platform/ui/WebEngineWebView.h"
#include "ui/conversation/PLInternalLinkWebViewController.h"
#include "ui/conversation/PLReplyWebViewController.h"
#include "ui/conversation/PLSmartMessageCell.h"

#include <QApplication>
#include <QNetworkDatagram>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUdpSocket>
#include <QWebEngineView>

using namespace pelnix;
using namespace pelnix::test;
using platform::ui::WebEngineWebView;
using platform::ui::WebView;

namespace {

// Long enough for a vector that works to have reached the foreign host (each does within about
// 200 ms in the live check); nothing can be awaited for what must not happen.
constexpr int kQuietMs = 1000;

// Another host as far as the pages go: a TCP listener and a UDP socket on loopback, counting what
// reaches them.
class ForeignHost : public QObject {
public:
    ForeignHost() {
        m_tcp.listen(QHostAddress::LocalHost, 0);
        m_udp.bind(QHostAddress::LocalHost, 0);
        connect(&m_tcp, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_tcp.nextPendingConnection()) {
                ++connections;
                socket->setParent(this);
                socket->close();
            }
        });
        connect(&m_udp, &QUdpSocket::readyRead, this, [this] {
            while (m_udp.hasPendingDatagrams()) {
                m_udp.receiveDatagram();
                ++datagrams;
            }
        });
    }
    // The page's text with "F/" as this host's web address and {udp} and {tcp} as its ports.
    QString fill(QString html) const {
        return html
            .replace(QStringLiteral("F/"), QStringLiteral("http://127.0.0.1:%1/").arg(m_tcp.serverPort()))
            .replace(QStringLiteral("{udp}"), QString::number(m_udp.localPort()))
            .replace(QStringLiteral("{tcp}"), QString::number(m_tcp.serverPort()));
    }
    int reached() const { return connections + datagrams; }

    int connections = 0;
    int datagrams = 0;

private:
    QTcpServer m_tcp;
    QUdpSocket m_udp;
};

// A link the whole width of the page, where the test clicks.
const QString kLink =
    QStringLiteral("<a id='go' href='F/clicked' style='display:block;height:40px'>Open the file</a>");

void addVectors() {
    QTest::addColumn<QString>("html");
    QTest::newRow("iframe") << "<p>x</p><iframe src='F/iframe'></iframe>";
    QTest::newRow("object") << "<p>x</p><object data='F/object'></object>";
    QTest::newRow("embed") << "<p>x</p><embed src='F/embed'>";
    QTest::newRow("meta refresh") << "<meta http-equiv='refresh' content='0;url=F/refresh'><p>x</p>";
    QTest::newRow("location") << "<p>x</p><script>location='F/location'</script>";
    QTest::newRow("form submit") << "<form id='f' action='F/form'><input name='q' value='1'></form>"
                                    "<script>document.getElementById('f').submit()</script>";
    QTest::newRow("click by script")
        << "<a id='a' href='F/click'>a</a><script>document.getElementById('a').click()"
           "</script>";
    QTest::newRow("shared worker")
        << "<p>x</p><script>new SharedWorker(URL.createObjectURL(new Blob([\"fetch('F/worker')"
           ".catch(function(){})\"])))</script>";
    QTest::newRow("request")
        << "<p>x</p><script>var x=new XMLHttpRequest();x.open('GET','F/xhr');x.send()</script>";
    QTest::newRow("web socket") << "<p>x</p><script>new WebSocket('ws://127.0.0.1:{tcp}/socket')</script>";
    QTest::newRow("shared worker's socket") << "<p>x</p><script>new SharedWorker(URL.createObjectURL(new "
                                               "Blob([\"new WebSocket('ws://127.0.0.1:{tcp}/w')"
                                               "\"])))</script>";
    QTest::newRow("peer connection")
        << "<p>x</p><script>var pc=new RTCPeerConnection({iceServers:[{urls:'stun:127.0.0.1:{udp}'},"
           "{urls:'turn:127.0.0.1:{tcp}?transport=tcp',username:'u',credential:'c'}]});"
           "pc.createDataChannel('d');pc.createOffer().then(function(o){return pc.setLocalDescription(o)})"
           "</script>";
}

// Clicks the element of the page with that id as a user does: mouse events on the engine's widget.
void clickElement(WebView* view, const char* id) {
    auto* web = qobject_cast<WebEngineWebView*>(view);
    QVERIFY(web);
    QVariant where;
    view->evaluateJavaScript(
        QStringLiteral("(function(){var r=document.getElementById('%1').getBoundingClientRect();"
                       "return [r.left + 10, r.top + r.height/2];})()")
            .arg(QLatin1String(id)),
        [&](const QVariant& v) { where = v; });
    QTRY_VERIFY(where.isValid());
    const QVariantList xy = where.toList();
    QWidget* target = web->engineView()->focusProxy();
    QVERIFY(target);
    QTest::mouseClick(target, Qt::LeftButton, {}, QPoint(xy.value(0).toInt(), xy.value(1).toInt()));
}

} // namespace

class TestHostilePages : public QObject {
    Q_OBJECT
private slots:
    // One world for every case: the engine starts once.
    void initTestCase() {
        world = std::make_unique<SmartScreensWorld>(true);
        room = world->importRoom(QStringLiteral("R-HOSTILE"));
        world->showHost(room);
    }
    void cleanupTestCase() { world.reset(); }
    void cleanup() {
        cell.reset();
        world->navigation->popToRootViewController(false);
        world->settle();
        world->dismissAlerts();
        world->services->opened.clear();
        world->services->texts.clear();
        world->services->mails.clear();
    }

    void eachVectorIsLiveInTheBareEngine_data() { addVectors(); }
    void eachVectorIsLiveInTheBareEngine();
    void theCellActsOnlyOnTheUsersClick_data() { addVectors(); }
    void theCellActsOnlyOnTheUsersClick();
    void theDetailsPageActsOnlyOnTheUsersClick_data() { addVectors(); }
    void theDetailsPageActsOnlyOnTheUsersClick();
    void aRealClickReachesTheLinkActionsOnce();
    void theInAppBrowserShowsOnlyTheWeb();

private:
    // A smart message of Bob's whose page is `html`.
    Message::Ptr messageShowing(const QString& html) {
        ++count;
        const auto message =
            world->importMessage(room, QStringLiteral("m-%1").arg(count), 1000 + count,
                                 QStringLiteral("{\"type\":\"primary\",\"displayname\":\"Poll\"}"), kBob);
        [&] { QVERIFY(message); }();
        if (message)
            message->setHtmlText(html);
        return message;
    }
    PLSmartMessageCell* showCell(const QString& html, QList<QString>* links) {
        cell = std::make_unique<PLSmartMessageCell>(world->window.get());
        cell->setGeometry(0, 60, 320, 200);
        cell->show();
        cell->setLinkHandler([links](const QString& url, const Message::Ptr&) { *links << url; });
        QSignalSpy finished(cell->webView(), &WebView::didFinishLoad);
        cell->loadCellFromSmartMessageInfo(PLChatWindowCellContent(messageShowing(html)));
        [&] { QTRY_VERIFY_WITH_TIMEOUT(!finished.isEmpty(), 20000); }();
        return cell.get();
    }
    PLReplyWebViewController* showDetails(const QString& html) {
        auto* details = new PLReplyWebViewController;
        details->setMessage(messageShowing(html));
        details->setLinkType(7);
        world->navigation->pushViewController(details, false);
        world->settle();
        world->dismissAlerts();
        // The page as the details page shows it, with its veto, whatever stylesheet made it.
        QSignalSpy finished(details->webview(), &WebView::didFinishLoad);
        details->webview()->loadHTMLString(html,
                                           QUrl(PLAppConfigurations::currentConfiguration()->baseURL()));
        [&] { QTRY_VERIFY_WITH_TIMEOUT(!finished.isEmpty(), 20000); }();
        return details;
    }
    // What the link actions did: URLs opened, messages composed, screens pushed over the details page.
    int linkActions(int depthBefore) const {
        return int(world->services->opened.size() + world->services->texts.size() +
                   world->services->mails.size()) +
               int(world->navigation->viewControllers().size()) - depthBefore;
    }

    std::unique_ptr<SmartScreensWorld> world;
    ChatRoom::Ptr room;
    std::unique_ptr<PLSmartMessageCell> cell;
    int count = 0;
};

void TestHostilePages::eachVectorIsLiveInTheBareEngine() {
    QFETCH(QString, html);
    ForeignHost foreign;
    QWebEngineView view(world->window.get());
    view.setGeometry(0, 60, 320, 200);
    view.show();
    view.setHtml(foreign.fill(html), QUrl(PLAppConfigurations::currentConfiguration()->baseURL()));
    QTRY_VERIFY_WITH_TIMEOUT(foreign.reached() > 0, 10000);
}

void TestHostilePages::theCellActsOnlyOnTheUsersClick() {
    QFETCH(QString, html);
    ForeignHost foreign;
    QList<QString> links;
    showCell(PLSmartMessageCell::customFormattedHTMLString(foreign.fill(html)), &links);
    QTest::qWait(kQuietMs);
    QCOMPARE(links, QList<QString>());
    QCOMPARE(foreign.connections, 0);
    QCOMPARE(foreign.datagrams, 0);
    QVERIFY(cell->webViewLoadedSuccessfully());
}

void TestHostilePages::theDetailsPageActsOnlyOnTheUsersClick() {
    QFETCH(QString, html);
    ForeignHost foreign;
    const int depth = int(world->navigation->viewControllers().size()) + 1;
    showDetails(foreign.fill(html));
    QTest::qWait(kQuietMs);
    world->settle();
    QCOMPARE(linkActions(depth), 0);
    QCOMPARE(foreign.connections, 0);
    QCOMPARE(foreign.datagrams, 0);
    // Refused without a word to the user.
    QCOMPARE(world->alertTexts(), QStringList());
}

void TestHostilePages::aRealClickReachesTheLinkActionsOnce() {
    ForeignHost foreign;
    const QString link = foreign.fill(kLink);
    const QString clicked = foreign.fill(QStringLiteral("F/clicked"));
    QList<QString> links;
    showCell(PLSmartMessageCell::customFormattedHTMLString(link), &links);
    clickElement(cell->webView(), "go");
    QTRY_COMPARE(links, QList<QString>{clicked});
    // The page stays; the link is the chat window's to open.
    QTest::qWait(300);
    QCOMPARE(links.size(), 1);
    QCOMPARE(foreign.connections, 0);

    const int depth = int(world->navigation->viewControllers().size()) + 1;
    auto* details = showDetails(link);
    clickElement(details->webview(), "go");
    QTRY_COMPARE(linkActions(depth), 1);
    QCOMPARE(world->services->opened, QList<QUrl>{QUrl(clicked)});
    QTest::qWait(300);
    world->settle();
    QCOMPARE(linkActions(depth), 1);
    QCOMPARE(foreign.connections, 0);
}

// A link may name the process's own resources or a local file; the browser opens only the web.
void TestHostilePages::theInAppBrowserShowsOnlyTheWeb() {
    for (const QString& url :
         {QStringLiteral("qrc:/pelnix/TnC.html"), QStringLiteral("file:///etc/hostname")}) {
        auto* browser = new PLInternalLinkWebViewController;
        browser->configureWithLinkURL(QUrl(url), QStringLiteral("Link"));
        world->navigation->pushViewController(browser, false);
        world->settle();
        QSignalSpy started(browser->externalLinkWebView(), &WebView::didStartLoad);
        QTest::qWait(300);
        QCOMPARE(started.size(), 0);
        QVERIFY(!browser->externalLinkWebView()->shouldStartLoad(QUrl(url),
                                                                 WebView::NavigationType::LinkClicked));
        world->navigation->popViewController(false);
        world->settle();
    }
    // From a web page of the browser, a link to the resources does not load either.
    ForeignHost foreign;
    auto* browser = new PLInternalLinkWebViewController;
    world->navigation->pushViewController(browser, false);
    world->settle();
    WebView* web = browser->externalLinkWebView();
    web->setGeometry(0, 0, 320, 400);
    QSignalSpy finished(web, &WebView::didFinishLoad);
    web->loadHTMLString(
        QStringLiteral("<a id='go' href='qrc:/pelnix/TnC.html' style='display:block;height:40px'>"
                       "terms</a>"),
        QUrl(QStringLiteral("https://site.test/")));
    QTRY_VERIFY_WITH_TIMEOUT(!finished.isEmpty(), 20000);
    clickElement(web, "go");
    QTest::qWait(500);
    QCOMPARE(finished.size(), 1);
    QVariant still;
    web->evaluateJavaScript(QStringLiteral("document.getElementById('go') !== null"),
                            [&](const QVariant& v) { still = v; });
    QTRY_VERIFY(still.isValid());
    QVERIFY(still.toBool());
    QCOMPARE(world->alertTexts(), QStringList());
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    TestHostilePages t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_hostilepages.moc"
