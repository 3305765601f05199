#include "WebEngineWebView.h"

#include "UnavailableWebEngine.h"
#include "WebEngineBackend.h"
#include "WebEngineModule.h"

#include "platform/Log.h"

#include <QKeyEvent>
#include <QLoggingCategory>
#include <QMouseEvent>
#include <QThread>
#include <QVBoxLayout>
#include <QWheelEvent>

namespace pelnix::platform::ui {

Q_LOGGING_CATEGORY(lcWebView, "pelnix.ui.webview", QtWarningMsg)
Q_LOGGING_CATEGORY(lcWebPage, "pelnix.ui.webpage", QtWarningMsg)

namespace {

// The engine takes HTML as a base64 data URL of at most 2 MB; larger pages would load blank.
constexpr qsizetype kMaxHTMLBytes = 2 * 1024 * 1024 / 4 * 3 - 1024;

// How long after the user's click or key press the engine may report the link it followed.
constexpr qint64 kUserGestureMs = 1000;

// The page's own height at the width it is laid out at, whatever the view's height: while it is
// measured the root stops filling the view and no scroll bar takes width, and a mark after the body,
// below its floats, finds where the body's last margin ends. All is put back before the page paints.
constexpr char kMeasureScript[] = R"JS((function () {
  var d = document, e = d.documentElement;
  if (!e) return null;
  var style = e.getAttribute('style');
  e.style.setProperty('height', '0px', 'important');
  e.style.setProperty('overflow', 'hidden', 'important');
  var mark = d.createElement('div');
  mark.style.cssText = 'display:flow-root!important;clear:both!important;height:0!important;' +
      'margin:0!important;padding:0!important;border:0!important;position:static!important;' +
      'float:none!important';
  e.appendChild(mark);
  var height = Math.max(e.scrollHeight, mark.getBoundingClientRect().top + window.scrollY);
  var width = window.innerWidth;
  e.removeChild(mark);
  if (style === null) e.removeAttribute('style'); else e.setAttribute('style', style);
  return [width, height];
})())JS";

// Chromium's net error codes that have a URL-loading counterpart of their own.
constexpr int kNetAborted = -3;
constexpr int kNetTimedOut = -7;
constexpr int kNetConnectionTimedOut = -118;

WebView::NavigationType navigationType(WebEngineClient::Navigation type) {
    switch (type) {
    case WebEngineClient::Navigation::LinkClicked:
        return WebView::NavigationType::LinkClicked;
    case WebEngineClient::Navigation::FormSubmitted:
        return WebView::NavigationType::FormSubmitted;
    case WebEngineClient::Navigation::BackForward:
        return WebView::NavigationType::BackForward;
    case WebEngineClient::Navigation::Reload:
        return WebView::NavigationType::Reload;
    default:
        return WebView::NavigationType::Other;
    }
}

int errorCode(const WebEngineLoad& load) {
    if (load.status == WebEngineLoad::Status::Stopped || load.errorCode == kNetAborted)
        return WebView::CancelledError;
    switch (load.errorDomain) {
    case WebEngineLoad::ErrorDomain::Dns:
        return WebView::CannotFindHostError;
    case WebEngineLoad::ErrorDomain::Certificate:
        return WebView::ServerCertificateUntrustedError;
    case WebEngineLoad::ErrorDomain::Connection:
        return load.errorCode == kNetTimedOut || load.errorCode == kNetConnectionTimedOut
                   ? WebView::TimedOutError
                   : WebView::CannotConnectToHostError;
    case WebEngineLoad::ErrorDomain::Http:
    case WebEngineLoad::ErrorDomain::HttpStatusCode:
        return WebView::BadServerResponseError;
    default:
        return WebView::UnknownError;
    }
}

PLError loadError(const WebEngineLoad& load) {
    const int code = errorCode(load);
    QString text = load.errorString;
    if (text.isEmpty())
        text = code == WebView::CancelledError ? QStringLiteral("cancelled") : QStringLiteral("load failed");
    return PLError(QString::fromLatin1(WebView::ErrorDomain), code, text,
                   {{QStringLiteral("NSErrorFailingURLStringKey"), load.url.toString()},
                    {QStringLiteral("engineErrorCode"), load.errorCode},
                    {QStringLiteral("engineErrorDomain"), int(load.errorDomain)}});
}

} // namespace

WebEngineWebView::WebEngineWebView(QWidget* parent) : WebView(parent) {
    WebEngineClient* client = this;
    if (const WebEngineBackendFactory make = WebEngineModule::factory()) {
        m_engine.reset(make(client, this));
        m_hasEngine = true;
    } else {
        m_engine = std::make_unique<UnavailableWebEngine>(client, this);
    }
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_engine->widget());
    watchInput(m_engine->widget());
}

void WebEngineWebView::watchInput(QObject* widget) {
    // The engine takes input in a widget it makes inside its view when the page first shows.
    widget->installEventFilter(this);
    for (QObject* child : widget->children())
        if (child->isWidgetType())
            child->installEventFilter(this);
}

bool WebEngineWebView::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::ChildAdded:
        if (watched == m_engine->widget()) {
            QObject* child = static_cast<QChildEvent*>(event)->child();
            if (child->isWidgetType())
                child->installEventFilter(this);
        }
        break;
    case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            m_userGesture.start();
        break;
    case QEvent::TouchEnd:
        m_userGesture.start();
        break;
    case QEvent::Wheel:
        // A page sized to its contents (a message in a list) has nothing to scroll: the engine would
        // swallow the wheel. Ignored here, it goes on to the views around the page, as over any
        // other widget.
        if (!pageTakesWheel(static_cast<QWheelEvent*>(event))) {
            event->ignore();
            return true;
        }
        break;
    case QEvent::KeyPress: {
        const auto* press = static_cast<QKeyEvent*>(event);
        const int key = press->key();
        // A held key's repeats are no new gesture: they may come from a press made on another page.
        if (!press->isAutoRepeat() && (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space))
            m_userGesture.start();
        break;
    }
    default:
        break;
    }
    return WebView::eventFilter(watched, event);
}

bool WebEngineWebView::pageTakesWheel(const QWheelEvent* event) const {
    if (!m_hasEngine)
        return false;
    const QPoint delta = event->angleDelta().isNull() ? event->pixelDelta() : event->angleDelta();
    if (delta.isNull())
        return true;
    return pageScrolls(qAbs(delta.x()) > qAbs(delta.y()) ? Qt::Horizontal : Qt::Vertical);
}

QSize WebEngineWebView::pageViewportSize() const {
    return m_engine->widget() ? m_engine->widget()->size() : size();
}

bool WebEngineWebView::takeUserGesture() {
    const bool recent = m_userGesture.isValid() && m_userGesture.elapsed() <= kUserGestureMs;
    m_userGesture.invalidate();
    return recent;
}

WebEngineWebView::~WebEngineWebView() {
    // While this object is whole: the engine's teardown may still report to it.
    m_engine.reset();
}

QWidget* WebEngineWebView::engineView() const {
    return m_engine->widget();
}

void WebEngineWebView::loadHTMLString(const QString& html, const QUrl& baseURL) {
    const QByteArray bytes = html.toUtf8();
    if (bytes.size() > kMaxHTMLBytes) {
        failBeforeStart(
            PLError(QString::fromLatin1(ErrorDomain), DataLengthExceedsMaximumError,
                    QStringLiteral("The page is too large to show (%1 bytes).").arg(bytes.size())));
        return;
    }
    m_screenHistorySteps = 0;
    m_htmlBase = baseURL.isEmpty() ? QUrl(QStringLiteral("about:blank")) : baseURL;
    m_contentURL = *m_htmlBase;
    replaceOpenLoad();
    m_engine->setHtml(html, baseURL);
}

void WebEngineWebView::loadURL(const QUrl& url) {
    if (!url.isValid()) {
        failBeforeStart(
            PLError(QString::fromLatin1(ErrorDomain), -1000, QStringLiteral("The URL is not valid.")));
        return;
    }
    m_screenHistorySteps = 0;
    m_htmlBase.reset();
    m_contentURL = url;
    m_screenLoads.insert(url.adjusted(QUrl::RemoveFragment));
    replaceOpenLoad();
    m_engine->load(url);
}

void WebEngineWebView::failBeforeStart(const PLError& error) {
    // Told after the caller returns, as an engine failure would be.
    QMetaObject::invokeMethod(
        this,
        [this, error] {
            emit didStartLoad();
            emit didFailLoad(error);
            emit didFinishLoad(false);
        },
        Qt::QueuedConnection);
}

void WebEngineWebView::evaluateJavaScript(const QString& script, std::function<void(const QVariant&)> done) {
    m_engine->runJavaScript(script, std::move(done));
}

void WebEngineWebView::measureContentSize(std::function<void(const QSizeF&)> done) {
    evaluateJavaScript(QString::fromLatin1(kMeasureScript), [done = std::move(done)](const QVariant& value) {
        const QVariantList size = value.toList();
        if (done)
            done(size.size() == 2 ? QSizeF(size.at(0).toReal(), size.at(1).toReal()) : QSizeF(0, 0));
    });
}

bool WebEngineWebView::canGoBack() const {
    return m_engine->canGoBack();
}

bool WebEngineWebView::canGoForward() const {
    return m_engine->canGoForward();
}

void WebEngineWebView::goBack() {
    ++m_screenHistorySteps;
    replaceOpenLoad();
    m_engine->goBack();
}

void WebEngineWebView::goForward() {
    ++m_screenHistorySteps;
    replaceOpenLoad();
    m_engine->goForward();
}

void WebEngineWebView::stopLoading() {
    m_engine->stop();
}

void WebEngineWebView::reload() {
    ++m_screenHistorySteps;
    replaceOpenLoad();
    m_engine->reload();
}

bool WebEngineWebView::isLoading() const {
    return m_engine->isLoading();
}

void WebEngineWebView::setContentInsets(const QMargins& insets) {
    layout()->setContentsMargins(insets);
}

void WebEngineWebView::setBackgroundColor(const QColor& color) {
    // Given a translucent colour, the engine stacks its page above all the window's other widgets.
    const QColor rgb = color.isValid() ? color.toRgb() : QColor(Qt::white);
    const qreal alpha = rgb.alphaF();
    const auto overWhite = [alpha](qreal channel) { return channel * alpha + (1 - alpha); };
    m_engine->setBackgroundColor(
        QColor::fromRgbF(overWhite(rgb.redF()), overWhite(rgb.greenF()), overWhite(rgb.blueF())));
}

void WebEngineWebView::setAllowsLocalFileAccess(bool allowed) {
    m_localFiles = allowed;
    m_engine->setLocalFileAccess(allowed);
}

void WebEngineWebView::setAllowsPageScripts(bool allowed) {
    m_engine->setPageScripts(allowed);
}

void WebEngineWebView::setShowsScrollBars(bool shown) {
    m_engine->setScrollBars(shown);
}

bool WebEngineWebView::acceptNavigation(const QUrl& url, Navigation engineType, bool isMainFrame) {
    Q_ASSERT(QThread::currentThread() == thread());
    const QString shown =
        url.toString(QUrl::RemoveQuery | QUrl::RemoveFragment | QUrl::RemoveUserInfo).left(200);
    if (!isMainFrame) {
        // A frame is part of the page, never a link the user followed: it loads where the page's
        // subresources may come from, and the screen is not asked.
        if (allowsSubresource(url, m_contentURL))
            return true;
        qCWarning(lcWebPage).noquote() << "refused a frame the page may not load:" << shown;
        return false;
    }
    bool byScreen = engineType == Navigation::Typed;
    if ((engineType == Navigation::BackForward || engineType == Navigation::Reload) &&
        m_screenHistorySteps > 0) {
        --m_screenHistorySteps;
        byScreen = true;
    }
    const bool byUser = engineType == Navigation::LinkClicked && takeUserGesture();
    if (!byScreen && !byUser && !followsPageNavigation()) {
        // Scripts, refreshes and forms of someone else's page act for nobody: not a link to follow.
        qCWarning(lcWebPage).noquote()
            << "refused a navigation the user did not start:" << shown << "(kind" << int(engineType) << ")";
        m_refused.insert(url);
        return false;
    }
    // An HTML string arrives as a data URL; the screen knows it by the base URL it gave.
    QUrl asked = url;
    if (engineType == Navigation::Typed && url.scheme() == QLatin1String("data") && m_htmlBase)
        asked = *std::exchange(m_htmlBase, std::nullopt);
    // Only the user's click is a link clicked; the page's own click on a link is not.
    NavigationType type = navigationType(engineType);
    if (type == NavigationType::LinkClicked && !byUser)
        type = NavigationType::Other;
    bool go = shouldStartLoad(asked, type);
    if (go && !mayShow(url)) {
        qCDebug(lcWebView) << "not shown in the view:" << url.scheme();
        go = false;
    }
    // A URL refused once may be let through later; only its refused attempt is hidden.
    if (go)
        m_refused.remove(url);
    else
        m_refused.insert(url);
    return go;
}

bool WebEngineWebView::acceptSubresource(const QUrl& url, int resourceType) {
    Q_ASSERT(QThread::currentThread() == thread());
    if (allowsSubresource(url, m_contentURL))
        return true;
    qCWarning(lcWebPage).noquote() << "blocked a subresource the page may not load:" << Log::address(url)
                                   << "(type" << resourceType << ")";
    return false;
}

void WebEngineWebView::urlChanged(const QUrl& url) {
    // A page that navigated itself elsewhere has that origin as its own.
    if (url.isValid() && !url.isEmpty() && url.scheme() != QLatin1String("data"))
        m_contentURL = url;
}

void WebEngineWebView::contentsSizeChanged(const QSizeF& size) {
    Q_ASSERT(QThread::currentThread() == thread());
    setContentSize(size);
}

void WebEngineWebView::consoleMessage(int, const QString& message, int line) {
    qCDebug(lcWebPage, "console (line %d): %s", line, qPrintable(message.left(200)));
}

bool WebEngineWebView::mayShow(const QUrl& url) const {
    return isDisplayableScheme(url,
                               m_localFiles || m_screenLoads.contains(url.adjusted(QUrl::RemoveFragment)));
}

void WebEngineWebView::replaceOpenLoad() {
    // The engine drops a load that a new one replaces without a word; the screen hears it was
    // cancelled, and the engine's late abort of it, if any, is not told again.
    if (!m_openLoad)
        return;
    m_replaced.insert(*m_openLoad);
    const QUrl url = *std::exchange(m_openLoad, std::nullopt);
    emit didFailLoad(PLError(QString::fromLatin1(ErrorDomain), CancelledError, QStringLiteral("cancelled"),
                             {{QStringLiteral("NSErrorFailingURLStringKey"), url.toString()}}));
    emit didFinishLoad(false);
}

void WebEngineWebView::loadingChanged(const WebEngineLoad& load) {
    Q_ASSERT(QThread::currentThread() == thread());
    // A refused navigation is no load for the screen: the page it stays on is what it shows.
    // The engine tells of a link to another scheme before asking about it; it is never shown here.
    const bool started = load.status == WebEngineLoad::Status::Started;
    if (started && !mayShow(load.url))
        m_refused.insert(load.url);
    if (m_refused.contains(load.url)) {
        if (started)
            return;
        m_refused.remove(load.url);
        // A navigation refused while the page was still loading ends the engine's load as its own:
        // the page the screen waits for is then as loaded as it will be.
        if (m_openLoad && *m_openLoad != load.url && !m_engine->isLoading()) {
            m_openLoad.reset();
            emit didFinishLoad(true);
        }
        return;
    }
    if (!started && load.status != WebEngineLoad::Status::Succeeded && m_replaced.remove(load.url))
        return;
    if (started) {
        replaceOpenLoad();
        m_openLoad = load.url;
        emit didStartLoad();
        return;
    }
    // A load whose start the engine folded into the one it replaced still starts before it ends.
    if (!std::exchange(m_openLoad, std::nullopt))
        emit didStartLoad();
    if (load.status == WebEngineLoad::Status::Succeeded) {
        emit didFinishLoad(true);
    } else {
        emit didFailLoad(loadError(load));
        emit didFinishLoad(false);
    }
}

} // namespace pelnix::platform::ui
