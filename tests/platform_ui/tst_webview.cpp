#include "TestSandbox.h"
#include "platform/Sandbox.h"
#include "platform/ui/ContactCardView.h"
#include "platform/ui/DocumentPreview.h"
#include "platform/ui/MapView.h"
#include "platform/ui/MediaPlayer.h"
#include "platform/ui/WebEngineWebView.h"
#include "platform/ui/testing/FakeWebView.h"

#include <QApplication>
#include <QBuffer>
#include <QDeadlineTimer>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QSet>
#include <QSignalSpy>
#include <QStyle>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

using namespace pelnix;
using namespace pelnix::platform::ui;

namespace {

// A loopback HTTP peer: answers paths it knows with a page and holds every other request open.
class PagePeer : public QObject {
    Q_OBJECT
public:
    PagePeer() {
        m_server.listen(QHostAddress::LocalHost, 0);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { answer(socket); });
            }
        });
    }
    QUrl url(const QString& path) const {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path));
    }
    QHash<QString, QByteArray> pages;
    // Served as PNG pictures.
    QHash<QString, QByteArray> images;
    // Every path asked for, in order.
    QStringList requested;

private:
    void answer(QTcpSocket* socket) {
        const QByteArray head = socket->peek(4096);
        if (!head.contains("\r\n\r\n"))
            return;
        socket->readAll();
        const QString path = QString::fromLatin1(head.split(' ').value(1));
        requested << path;
        const bool image = images.contains(path);
        if (!pages.contains(path) && !image)
            return; // held open
        const QByteArray body = image ? images.value(path) : pages.value(path);
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: " + QByteArray(image ? "image/png" : "text/html") +
                      "\r\nConnection: close\r\nAccess-Control-Allow-Origin: *\r\nContent-Length: " +
                      QByteArray::number(body.size()) + "\r\n\r\n" + body);
        socket->disconnectFromHost();
    }
    QTcpServer m_server;
};

// Stands in for the desktop's handler of a scheme, to see whether a page reached it.
class SchemeHandler : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened << url; }
};

QByteArray pngOf(int width) {
    QImage image(width, 3, QImage::Format_RGB32);
    image.fill(Qt::green);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

struct Navigation {
    QUrl url;
    WebView::NavigationType type;
};

} // namespace

class TestWebView : public QObject {
    Q_OBJECT
private slots:
    void init() { m_navigations.clear(); }

    void loadsHTMLAndMeasuresItsHeight() {
        QWidget window;
        window.resize(320, 200);
        auto& view = *new WebEngineWebView(&window);
        recordNavigations(view, {});
        view.resize(320, 200);
        window.show();
        QSignalSpy finished(&view, &WebView::didFinishLoad);
        const QUrl base(QStringLiteral("https://chatlets.example.test/form/"));
        view.loadHTMLString(
            QStringLiteral("<html><body style='margin:0'><div style='height:1234px;background:#ff0000'>tall"
                           "</div></body></html>"),
            base);
        QTRY_COMPARE(finished.size(), 1);
        QCOMPARE(finished.first().first().toBool(), true);
        // The veto is asked about the page itself by its base URL, as a navigation of the screen.
        QCOMPARE(m_navigations.size(), 1);
        QCOMPARE(m_navigations.first().url, base);
        QCOMPARE(m_navigations.first().type, WebView::NavigationType::Other);

        QVariant result;
        view.evaluateJavaScript(QStringLiteral("document.body.scrollHeight"),
                                [&](const QVariant& value) { result = value; });
        QTRY_VERIFY(result.isValid());
        QCOMPARE(result.toInt(), 1234);
        qreal height = -1;
        view.measureContentHeight([&](qreal h) { height = h; });
        QTRY_COMPARE(height, 1234.0);
        // The page reaches the screen: a grab shows it once the engine has painted.
        QTRY_COMPARE(view.grab().toImage().pixelColor(160, 100), QColor(255, 0, 0));
    }

    void linksGoThroughTheVetoAndNeverToTheDesktop() {
        SchemeHandler desktop;
        QDesktopServices::setUrlHandler(QStringLiteral("mailto"), &desktop, "open");
        QDesktopServices::setUrlHandler(QStringLiteral("pelnix"), &desktop, "open");
        WebEngineWebView view;
        // The screen lets the other schemes through and refuses the web link: the view still shows
        // only web pages, and nothing reaches the desktop.
        recordNavigations(
            view, [](const QUrl& url) { return url.host() == QLatin1String("elsewhere.example.test"); });
        view.resize(320, 200);
        view.show();
        QSignalSpy started(&view, &WebView::didStartLoad);
        QSignalSpy finished(&view, &WebView::didFinishLoad);
        QSignalSpy failed(&view, &WebView::didFailLoad);
        view.loadHTMLString(QStringLiteral("<a id='mail' href='mailto:ann@example.test'>m</a>"
                                           "<a id='data' href='pelnix:data=e30='>d</a>"
                                           "<a id='web' href='https://elsewhere.example.test/x'>w</a>"),
                            QUrl(QStringLiteral("https://chatlets.example.test/")));
        QTRY_COMPARE(finished.size(), 1);
        // Real clicks: the engine hands other schemes to the desktop only after a user's gesture.
        // Each click is asked of the view once the one before it has reached the veto: clicks in
        // quick succession on neighbouring links may be taken for one double click.
        clickLink(view, "mail");
        QTRY_COMPARE(m_navigations.size(), 2);
        clickLink(view, "data");
        QTRY_COMPARE(m_navigations.size(), 3);
        clickLink(view, "web");
        QTRY_COMPARE(m_navigations.size(), 4);
        QSet<QUrl> asked;
        for (const Navigation& navigation : m_navigations.mid(1)) {
            QCOMPARE(navigation.type, WebView::NavigationType::LinkClicked);
            asked << navigation.url;
        }
        QCOMPARE(asked, (QSet<QUrl>{QUrl(QStringLiteral("mailto:ann@example.test")),
                                    QUrl(QStringLiteral("pelnix:data=e30=")),
                                    QUrl(QStringLiteral("https://elsewhere.example.test/x"))}));
        // Still the same page: no load was started, failed or finished for the refused links.
        QVariant alive;
        view.evaluateJavaScript(QStringLiteral("document.getElementById('web') !== null"),
                                [&](const QVariant& v) { alive = v; });
        QTRY_VERIFY(alive.isValid());
        QVERIFY(alive.toBool());
        QCOMPARE(started.size(), 1);
        QCOMPARE(finished.size(), 1);
        QCOMPARE(failed.size(), 0);
        QCOMPARE(desktop.opened, QList<QUrl>{});
        QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("pelnix"));
    }

    void aStoppedLoadIsCancelledAndARefusedConnectionFails() {
        PagePeer peer; // "/slow" is held open
        WebEngineWebView view;
        view.resize(320, 200);
        view.show();
        QSignalSpy started(&view, &WebView::didStartLoad);
        QSignalSpy failed(&view, &WebView::didFailLoad);
        QSignalSpy finished(&view, &WebView::didFinishLoad);
        view.loadURL(peer.url(QStringLiteral("/slow")));
        QTRY_COMPARE(started.size(), 1);
        QVERIFY(view.isLoading());
        view.stopLoading();
        QTRY_COMPARE(failed.size(), 1);
        auto error = failed.first().first().value<PLError>();
        QCOMPARE(error.domain, QStringLiteral("NSURLErrorDomain"));
        QCOMPARE(error.code, qint64(WebView::CancelledError));
        QTRY_COMPARE(finished.size(), 1);
        QCOMPARE(finished.first().first().toBool(), false);

        // A load that another navigation replaces is cancelled too, and the new one finishes.
        view.loadURL(peer.url(QStringLiteral("/slow")));
        QTRY_COMPARE(started.size(), 2);
        view.loadHTMLString(QStringLiteral("<p>instead</p>"),
                            QUrl(QStringLiteral("https://chatlets.example.test/")));
        QTRY_COMPARE(finished.size(), 3);
        QCOMPARE(failed.size(), 2);
        QCOMPARE(failed.last().first().value<PLError>().code, qint64(WebView::CancelledError));
        QCOMPARE(finished.last().first().toBool(), true);

        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost, 0));
        const quint16 port = closed.serverPort();
        closed.close();
        view.loadURL(QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(port)));
        QTRY_COMPARE(failed.size(), 3);
        error = failed.last().first().value<PLError>();
        QCOMPARE(error.code, qint64(WebView::CannotConnectToHostError));
        QVERIFY(!error.userInfo.value(QStringLiteral("NSErrorFailingURLStringKey")).toString().isEmpty());
    }

    void historyGoesBackAndForward() {
        PagePeer peer;
        peer.pages[QStringLiteral("/one")] = "<a id='next' href='/two'>two</a>";
        peer.pages[QStringLiteral("/two")] = "<p>two</p>";
        WebEngineWebView view;
        recordNavigations(view, {});
        view.resize(320, 200);
        view.show();
        QSignalSpy finished(&view, &WebView::didFinishLoad);
        view.loadURL(peer.url(QStringLiteral("/one")));
        QTRY_COMPARE(finished.size(), 1);
        QVERIFY(!view.canGoBack());
        QVERIFY(!view.canGoForward());
        clickLink(view, "next");
        QTRY_COMPARE(finished.size(), 2);
        QCOMPARE(m_navigations.last().type, WebView::NavigationType::LinkClicked);
        QVERIFY(view.canGoBack());
        QVERIFY(!view.canGoForward());
        view.goBack();
        QTRY_COMPARE(finished.size(), 3);
        QCOMPARE(m_navigations.last().url, peer.url(QStringLiteral("/one")));
        QCOMPARE(m_navigations.last().type, WebView::NavigationType::BackForward);
        QVERIFY(view.canGoForward());
        view.reload();
        QTRY_COMPARE(finished.size(), 4);
        QCOMPARE(m_navigations.last().type, WebView::NavigationType::Reload);
    }

    // Even where the page's scripts run, their click on a link is not the user's: the veto is not
    // asked (or, where the screen follows the page, hears no link clicked); the user's click after
    // it is.
    void aScriptedClickIsNotTheUsers() {
        for (const bool follows : {false, true}) {
            m_navigations.clear();
            PagePeer peer;
            peer.pages[QStringLiteral("/next")] = "<p>next</p>";
            WebEngineWebView view;
            view.setAllowsPageScripts(true);
            view.setFollowsPageNavigation(follows);
            recordNavigations(view, [](const QUrl& url) { return url.path() == QLatin1String("/next"); });
            view.resize(320, 200);
            view.show();
            QSignalSpy finished(&view, &WebView::didFinishLoad);
            view.loadHTMLString(QStringLiteral("<a id='a' href='%1' style='display:block;height:40px'>a</a>"
                                               "<script>document.getElementById('a').click()</script>")
                                    .arg(peer.url(QStringLiteral("/next")).toString()),
                                QUrl(QStringLiteral("https://chatlets.example.test/")));
            QTRY_COMPARE(finished.size(), 1);
            if (follows) {
                QTRY_COMPARE(m_navigations.size(), 2);
                QCOMPARE(m_navigations.last().type, WebView::NavigationType::Other);
            } else {
                QTest::qWait(300);
                QCOMPARE(m_navigations.size(), 1);
            }
            QCOMPARE(peer.requested, QStringList());
            const qsizetype before = m_navigations.size();
            clickLink(view, "a");
            QTRY_COMPARE(m_navigations.size(), before + 1);
            QCOMPARE(m_navigations.last().type, WebView::NavigationType::LinkClicked);
            // The keyboard's way to follow a link is the user's too.
            view.evaluateJavaScript(QStringLiteral("document.getElementById('a').focus()"));
            view.engineView()->focusProxy()->setFocus();
            QTest::keyClick(view.engineView()->focusProxy(), Qt::Key_Return);
            QTRY_COMPARE(m_navigations.size(), before + 2);
            QCOMPARE(m_navigations.last().type, WebView::NavigationType::LinkClicked);
        }
    }

    void scriptsReachLocalFilesOnlyWhenAllowed() {
        test::TestSandbox sandbox;
        QFile secret(sandbox.path(QStringLiteral("secret.txt")));
        QVERIFY(secret.open(QIODevice::WriteOnly));
        secret.write("local");
        secret.close();
        const QUrl base = QUrl::fromLocalFile(sandbox.root() + QLatin1Char('/'));
        const QString read = QStringLiteral(
            "(function(){try{var x=new XMLHttpRequest();x.open('GET','secret.txt',false);x.send();"
            "return x.responseText;}catch(e){return 'blocked';}})()");
        for (const bool allowed : {false, true}) {
            WebEngineWebView view;
            view.setAllowsLocalFileAccess(allowed);
            QSignalSpy finished(&view, &WebView::didFinishLoad);
            view.loadHTMLString(QStringLiteral("<p>page</p>"), base);
            QTRY_COMPARE(finished.size(), 1);
            QVariant result;
            view.evaluateJavaScript(read, [&](const QVariant& v) { result = v; });
            QTRY_VERIFY(result.isValid());
            QCOMPARE(result.toString(), allowed ? QStringLiteral("local") : QStringLiteral("blocked"));
        }
    }

    // The page's own scripts run only where the screen allows them; the screen's scripts always do,
    // apart from the page's, and still reach its document and scroll its window.
    void pageScriptsRunOnlyWhenAllowed() {
        for (const bool allowed : {false, true}) {
            WebEngineWebView view;
            view.setAllowsPageScripts(allowed);
            view.resize(320, 200);
            view.show();
            QSignalSpy finished(&view, &WebView::didFinishLoad);
            view.loadHTMLString(
                QStringLiteral("<body style='margin:0'><div id='d' style='height:3000px'>x</div>"
                               "<script>window.pageValue = 7; "
                               "document.getElementById('d').title = 'ran';</script></body>"),
                QUrl(QStringLiteral("https://chatlets.example.test/")));
            QTRY_COMPARE(finished.size(), 1);
            QVariant seen;
            view.evaluateJavaScript(
                QStringLiteral("[document.getElementById('d').title, typeof window.pageValue]"),
                [&](const QVariant& v) { seen = v; });
            QTRY_VERIFY(seen.isValid());
            // The page's script changed its document when allowed; its globals are never the screen's.
            QCOMPARE(seen.toList().value(0).toString(), allowed ? QStringLiteral("ran") : QString());
            QCOMPARE(seen.toList().value(1).toString(), QStringLiteral("undefined"));
            QVariant scrolled;
            view.evaluateJavaScript(QStringLiteral("window.scrollBy(0, 500); window.scrollY"),
                                    [&](const QVariant& v) { scrolled = v; });
            QTRY_VERIFY(scrolled.isValid());
            QCOMPARE(scrolled.toInt(), 500);
        }
    }

    void theViewsLeaveTheHostsLookAlone() {
        const QPalette palette = QApplication::palette();
        const QFont font = QApplication::font();
        QStyle* style = QApplication::style();
        {
            WebEngineWebView web;
            web.setBackgroundColor(Qt::transparent);
            std::unique_ptr<MediaPlayer> player(MediaPlayer::create());
            player->videoView()->show();
            MapView map;
            DocumentPreview preview;
            ContactCardView card;
            for (QWidget* widget : std::initializer_list<QWidget*>{&web, &map, &preview, &card})
                widget->show();
            QSignalSpy finished(&web, &WebView::didFinishLoad);
            web.loadHTMLString(QStringLiteral("<p>page</p>"),
                               QUrl(QStringLiteral("https://chatlets.example.test/")));
            QTRY_COMPARE(finished.size(), 1);
        }
        QCOMPARE(QApplication::palette(), palette);
        QCOMPARE(QApplication::font(), font);
        QCOMPARE(QApplication::style(), style);
        QCOMPARE(qApp->styleSheet(), QString());
    }

    void pagesLoadSubresourcesOnlyFromTheirOriginTheCacheAndData() {
        PagePeer own, other, widened;
        own.images[QStringLiteral("/own.png")] = pngOf(5);
        other.images[QStringLiteral("/other.png")] = pngOf(6);
        widened.images[QStringLiteral("/widened.png")] = pngOf(7);
        WebEngineWebView view;
        // The library's pages have a profile of their own, off the record; the host's is left alone.
        auto* engine = qobject_cast<QWebEngineView*>(view.engineView());
        QVERIFY(engine);
        QWebEngineProfile* profile = engine->page()->profile();
        QVERIFY(profile != QWebEngineProfile::defaultProfile());
        QVERIFY(profile->isOffTheRecord());
        view.allowSubresourcesFrom(widened.url(QStringLiteral("/anything")));
        // The page's own scripts on: their fetches meet the same rule.
        view.setAllowsPageScripts(true);
        view.resize(320, 200);
        view.show();
        QSignalSpy finished(&view, &WebView::didFinishLoad);
        const QString data =
            QStringLiteral("data:image/png;base64,") + QString::fromLatin1(pngOf(8).toBase64());
        const QString otherURL = other.url(QStringLiteral("/other.png")).toString();
        view.loadHTMLString(
            QStringLiteral(
                "<img id='own' src='/own.png'><img id='other' src='%1'>"
                "<img id='widened' src='%2'><img id='data' src='%3'>"
                "<div style=\"background-image:url('%4')\">css</div>"
                "<script>fetch('%5?fetch').catch(function(){});"
                "new Worker(URL.createObjectURL(new Blob([\"fetch('%5?worker').catch(function(){})\"])));"
                "</script>")
                .arg(otherURL, widened.url(QStringLiteral("/widened.png")).toString(), data,
                     other.url(QStringLiteral("/css.png")).toString(), otherURL),
            own.url(QStringLiteral("/page")));
        QTRY_COMPARE(finished.size(), 1);
        QTRY_COMPARE(imageWidth(view, "own"), 5);
        QTRY_COMPARE(imageWidth(view, "widened"), 7);
        QTRY_COMPARE(imageWidth(view, "data"), 8);
        // Time for the blocked ones to have been asked for, had they not been blocked.
        QTest::qWait(500);
        QCOMPARE(imageWidth(view, "other"), 0);
        QCOMPARE(other.requested, QStringList());
        QVERIFY(own.requested.contains(QStringLiteral("/own.png")));
        QCOMPARE(widened.requested, QStringList{QStringLiteral("/widened.png")});
    }

    void pagesLoadLocalFilesOnlyFromTheCaches() {
        test::TestSandbox sandbox;
        const QString caches = platform::Sandbox::caches();
        QVERIFY(QDir().mkpath(caches + QStringLiteral("/PLImageCache")));
        QVERIFY(QDir().mkpath(sandbox.path(QStringLiteral("Documents"))));
        const auto write = [](const QString& path, const QByteArray& bytes) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(bytes);
        };
        write(caches + QStringLiteral("/PLImageCache/cached.png"), pngOf(9));
        const QString outside = sandbox.path(QStringLiteral("Documents/outside.png"));
        write(outside, pngOf(10));
        const QString widenedFolder = sandbox.path(QStringLiteral("Widened"));
        QVERIFY(QDir().mkpath(widenedFolder));
        write(widenedFolder + QStringLiteral("/w.png"), pngOf(11));
        for (const bool widen : {false, true}) {
            WebEngineWebView view;
            // Even where a page may read local files, only those of the caches folder load.
            view.setAllowsLocalFileAccess(true);
            if (widen)
                view.allowSubresourcesFromFolder(widenedFolder);
            QSignalSpy finished(&view, &WebView::didFinishLoad);
            view.loadHTMLString(
                QStringLiteral("<img id='cached' src='PLImageCache/cached.png'>"
                               "<img id='outside' src='%1'><img id='widened' src='%2'>")
                    .arg(QUrl::fromLocalFile(outside).toString(),
                         QUrl::fromLocalFile(widenedFolder + QStringLiteral("/w.png")).toString()),
                QUrl::fromLocalFile(caches + QLatin1Char('/')));
            QTRY_COMPARE(finished.size(), 1);
            QTRY_COMPARE(imageWidth(view, "cached"), 9);
            if (widen)
                QTRY_COMPARE(imageWidth(view, "widened"), 11);
            QTest::qWait(300);
            QCOMPARE(imageWidth(view, "outside"), 0);
            if (!widen)
                QCOMPARE(imageWidth(view, "widened"), 0);
        }
    }

    // What a page may load by itself, as the engine's interceptor asks it, before and after the
    // screen widens the list to every web origin (a browser showing a site the user chose).
    void subresourcePolicy_data() {
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("byDefault");
        QTest::addColumn<bool>("anyWebOrigin");
        const QString cache = QDir(pelnix::platform::Sandbox::caches()).filePath(QStringLiteral("img/a.png"));
        QTest::newRow("own origin") << "https://site.test/app.js" << true << true;
        QTest::newRow("own origin, default port spelt out") << "https://site.test:443/a.css" << true << true;
        QTest::newRow("other host") << "https://cdn.test/lib.js" << false << true;
        QTest::newRow("other port") << "https://site.test:8443/a.png" << false << true;
        QTest::newRow("plain http elsewhere") << "http://tracker.test/pixel.gif" << false << true;
        QTest::newRow("data") << "data:image/png;base64,AA==" << true << true;
        QTest::newRow("library's caches") << QUrl::fromLocalFile(cache).toString() << true << true;
        QTest::newRow("file elsewhere") << "file:///etc/passwd" << false << false;
        QTest::newRow("other scheme") << "ftp://files.test/a.png" << false << false;
    }
    void subresourcePolicy() {
        QFETCH(QString, url);
        QFETCH(bool, byDefault);
        QFETCH(bool, anyWebOrigin);
        FakeWebView view;
        const QUrl page(QStringLiteral("https://site.test/page.html"));
        QCOMPARE(view.allowsSubresource(QUrl(url), page), byDefault);
        view.allowSubresourcesFromAnyWebOrigin();
        QCOMPARE(view.allowsSubresource(QUrl(url), page), anyWebOrigin);
    }

    void theFakeTellsFailuresAndFollowsTheSameRules() {
        FakeWebView fake;
        fake.setShouldStartLoad([](const QUrl& url) { return url.host() != QLatin1String("blocked.test"); });
        QSignalSpy failed(&fake, &WebView::didFailLoad);
        QVERIFY(fake.tapLink(QUrl(QStringLiteral("https://ok.test/"))));
        QVERIFY(!fake.tapLink(QUrl(QStringLiteral("https://blocked.test/"))));
        QVERIFY(!fake.tapLink(QUrl(QStringLiteral("file:///etc/passwd"))));
        QVERIFY(fake.canGoBack());
        fake.stopLoading();
        QCOMPARE(failed.size(), 1);
        QCOMPARE(failed.first().first().value<PLError>().code, qint64(WebView::CancelledError));
    }

private:
    // The natural width of a picture of the page; 0 while it is not loaded.
    static int imageWidth(WebEngineWebView& view, const char* id) {
        QVariant width;
        view.evaluateJavaScript(QStringLiteral("(function(){var i=document.getElementById('%1');"
                                               "return i && i.complete ? i.naturalWidth : 0;})()")
                                    .arg(QLatin1String(id)),
                                [&](const QVariant& v) { width = v; });
        QDeadlineTimer deadline(5000);
        while (!width.isValid() && !deadline.hasExpired())
            QTest::qWait(10);
        return width.isValid() ? width.toInt() : -1;
    }
    static void clickLink(WebEngineWebView& view, const char* id) {
        QVariant where;
        view.evaluateJavaScript(
            QStringLiteral("(function(){var r=document.getElementById('%1').getBoundingClientRect();"
                           "return [r.left + r.width/2, r.top + r.height/2];})()")
                .arg(QLatin1String(id)),
            [&](const QVariant& v) { where = v; });
        QTRY_VERIFY(where.isValid());
        const QVariantList xy = where.toList();
        QWidget* target = view.engineView()->focusProxy();
        QTest::mouseClick(target, Qt::LeftButton, {}, QPoint(xy[0].toInt(), xy[1].toInt()));
    }
    void recordNavigations(WebView& view, std::function<bool(const QUrl&)> refuse) {
        view.setShouldStartLoad([this, refuse](const QUrl& url, WebView::NavigationType type) {
            m_navigations << Navigation{url, type};
            return !(refuse && refuse(url));
        });
    }
    QList<Navigation> m_navigations;
};

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts); // what a host using web views sets
    QApplication app(argc, argv);
    TestWebView t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_webview.moc"
