#include "WebEngineWebView.h"

#include "WebEnginePage.h"

#include <QLoggingCategory>
#include <QThread>
#include <QVBoxLayout>
#include <QWebEngineHistory>
#include <QWebEngineLoadingInfo>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace pelnix::platform::ui {

Q_LOGGING_CATEGORY(lcWebView, "pelnix.ui.webview")

namespace {

// The engine takes HTML as a base64 data URL of at most 2 MB; larger pages would load blank.
constexpr qsizetype kMaxHTMLBytes = 2 * 1024 * 1024 / 4 * 3 - 1024;

// Chromium's net error codes that have a URL-loading counterpart of their own.
constexpr int kNetAborted = -3;
constexpr int kNetTimedOut = -7;
constexpr int kNetConnectionTimedOut = -118;

WebView::NavigationType navigationType(int engineType) {
    switch (QWebEnginePage::NavigationType(engineType)) {
    case QWebEnginePage::NavigationTypeLinkClicked:
        return WebView::NavigationType::LinkClicked;
    case QWebEnginePage::NavigationTypeFormSubmitted:
        return WebView::NavigationType::FormSubmitted;
    case QWebEnginePage::NavigationTypeBackForward:
        return WebView::NavigationType::BackForward;
    case QWebEnginePage::NavigationTypeReload:
        return WebView::NavigationType::Reload;
    default:
        return WebView::NavigationType::Other;
    }
}

int errorCode(const QWebEngineLoadingInfo& info) {
    if (info.status() == QWebEngineLoadingInfo::LoadStoppedStatus || info.errorCode() == kNetAborted)
        return WebView::CancelledError;
    switch (info.errorDomain()) {
    case QWebEngineLoadingInfo::DnsErrorDomain:
        return WebView::CannotFindHostError;
    case QWebEngineLoadingInfo::CertificateErrorDomain:
        return WebView::ServerCertificateUntrustedError;
    case QWebEngineLoadingInfo::ConnectionErrorDomain:
        return info.errorCode() == kNetTimedOut || info.errorCode() == kNetConnectionTimedOut
                   ? WebView::TimedOutError
                   : WebView::CannotConnectToHostError;
    case QWebEngineLoadingInfo::HttpErrorDomain:
    case QWebEngineLoadingInfo::HttpStatusCodeDomain:
        return WebView::BadServerResponseError;
    default:
        return WebView::UnknownError;
    }
}

PLError loadError(const QWebEngineLoadingInfo& info) {
    const int code = errorCode(info);
    QString text = info.errorString();
    if (text.isEmpty())
        text = code == WebView::CancelledError ? QStringLiteral("cancelled") : QStringLiteral("load failed");
    return PLError(QString::fromLatin1(WebView::ErrorDomain), code, text,
                   {{QStringLiteral("NSErrorFailingURLStringKey"), info.url().toString()},
                    {QStringLiteral("engineErrorCode"), info.errorCode()},
                    {QStringLiteral("engineErrorDomain"), int(info.errorDomain())}});
}

} // namespace

WebEngineWebView::WebEngineWebView(QWidget* parent)
    : WebView(parent), m_view(new QWebEngineView(this)), m_page(new WebEnginePage(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    QWebEngineSettings* settings = m_page->settings();
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, false);
    // Screens tell failures to the user themselves; the engine's error page would only get in the way.
    settings->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    m_view->setPage(m_page);
    connect(m_page, &QWebEnginePage::loadingChanged, this, &WebEngineWebView::loadingChanged);
    // A page that navigated itself elsewhere has that origin as its own.
    connect(m_page, &QWebEnginePage::urlChanged, this, [this](const QUrl& url) {
        if (url.isValid() && !url.isEmpty() && url.scheme() != QLatin1String("data"))
            m_contentURL = url;
    });
}

WebEngineWebView::~WebEngineWebView() {
    // The page goes before the view that shows it.
    m_view->setPage(nullptr);
    delete m_page;
}

void WebEngineWebView::loadHTMLString(const QString& html, const QUrl& baseURL) {
    const QByteArray bytes = html.toUtf8();
    if (bytes.size() > kMaxHTMLBytes) {
        failBeforeStart(
            PLError(QString::fromLatin1(ErrorDomain), DataLengthExceedsMaximumError,
                    QStringLiteral("The page is too large to show (%1 bytes).").arg(bytes.size())));
        return;
    }
    m_htmlBase = baseURL.isEmpty() ? QUrl(QStringLiteral("about:blank")) : baseURL;
    m_contentURL = *m_htmlBase;
    replaceOpenLoad();
    m_page->setHtml(html, baseURL);
}

void WebEngineWebView::loadURL(const QUrl& url) {
    if (!url.isValid()) {
        failBeforeStart(
            PLError(QString::fromLatin1(ErrorDomain), -1000, QStringLiteral("The URL is not valid.")));
        return;
    }
    m_htmlBase.reset();
    m_contentURL = url;
    m_screenLoads.insert(url.adjusted(QUrl::RemoveFragment));
    replaceOpenLoad();
    m_page->load(url);
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
    if (done)
        m_page->runJavaScript(script, [done](const QVariant& value) { done(value); });
    else
        m_page->runJavaScript(script);
}

void WebEngineWebView::measureContentHeight(std::function<void(qreal)> done) {
    evaluateJavaScript(QStringLiteral("document.documentElement ? document.documentElement.scrollHeight : 0"),
                       [done](const QVariant& value) {
                           if (done)
                               done(value.toReal());
                       });
}

bool WebEngineWebView::canGoBack() const {
    return m_page->history()->canGoBack();
}

bool WebEngineWebView::canGoForward() const {
    return m_page->history()->canGoForward();
}

void WebEngineWebView::goBack() {
    replaceOpenLoad();
    m_page->history()->back();
}

void WebEngineWebView::goForward() {
    replaceOpenLoad();
    m_page->history()->forward();
}

void WebEngineWebView::stopLoading() {
    m_page->triggerAction(QWebEnginePage::Stop);
}

void WebEngineWebView::reload() {
    replaceOpenLoad();
    m_page->triggerAction(QWebEnginePage::Reload);
}

bool WebEngineWebView::isLoading() const {
    return m_page->isLoading();
}

void WebEngineWebView::setContentInsets(const QMargins& insets) {
    layout()->setContentsMargins(insets);
}

void WebEngineWebView::setTransparentBackground(bool transparent) {
    m_page->setBackgroundColor(transparent ? QColor(Qt::transparent) : QColor(Qt::white));
}

void WebEngineWebView::setAllowsLocalFileAccess(bool allowed) {
    m_localFiles = allowed;
    m_page->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, allowed);
}

bool WebEngineWebView::acceptNavigation(const QUrl& url, int engineType, bool isMainFrame) {
    Q_ASSERT(QThread::currentThread() == thread());
    const bool byScreen = engineType == QWebEnginePage::NavigationTypeTyped;
    // An HTML string arrives as a data URL; the screen knows it by the base URL it gave.
    QUrl asked = url;
    if (byScreen && url.scheme() == QLatin1String("data") && m_htmlBase)
        asked = *std::exchange(m_htmlBase, std::nullopt);
    const NavigationType type = navigationType(engineType);
    bool go = shouldStartLoad(asked, type);
    if (go && !mayShow(url)) {
        qCDebug(lcWebView) << "not shown in the view:" << url.scheme();
        go = false;
    }
    // A URL refused once may be let through later; only its refused attempt is hidden.
    if (go)
        m_refused.remove(url);
    else if (isMainFrame)
        m_refused.insert(url);
    return go;
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

void WebEngineWebView::loadingChanged(const QWebEngineLoadingInfo& info) {
    // A refused navigation is no load for the screen: the page it stays on is what it shows.
    // The engine tells of a link to another scheme before asking about it; it is never shown here.
    if (info.status() == QWebEngineLoadingInfo::LoadStartedStatus && !mayShow(info.url()))
        m_refused.insert(info.url());
    if (m_refused.contains(info.url())) {
        if (info.status() != QWebEngineLoadingInfo::LoadStartedStatus)
            m_refused.remove(info.url());
        return;
    }
    const bool ended = info.status() != QWebEngineLoadingInfo::LoadStartedStatus;
    if (ended && info.status() != QWebEngineLoadingInfo::LoadSucceededStatus && m_replaced.remove(info.url()))
        return;
    if (!ended) {
        replaceOpenLoad();
        m_openLoad = info.url();
        emit didStartLoad();
        return;
    }
    // A load whose start the engine folded into the one it replaced still starts before it ends.
    if (!std::exchange(m_openLoad, std::nullopt))
        emit didStartLoad();
    if (info.status() == QWebEngineLoadingInfo::LoadSucceededStatus) {
        emit didFinishLoad(true);
    } else {
        emit didFailLoad(loadError(info));
        emit didFinishLoad(false);
    }
}

} // namespace pelnix::platform::ui
