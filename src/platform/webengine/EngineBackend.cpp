#include "EngineBackend.h"

#include "EnginePage.h"

#include <QWebEngineHistory>
#include <QWebEngineLoadingInfo>
#include <QWebEngineScript>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace pelnix::webengine {

using platform::ui::WebEngineClient;
using platform::ui::WebEngineLoad;

// The plain values the library reads are the engine's own.
static_assert(int(WebEngineLoad::Status::Failed) == QWebEngineLoadingInfo::LoadFailedStatus);
static_assert(int(WebEngineLoad::Status::Succeeded) == QWebEngineLoadingInfo::LoadSucceededStatus);
static_assert(int(WebEngineLoad::ErrorDomain::HttpStatusCode) == QWebEngineLoadingInfo::HttpStatusCodeDomain);
static_assert(int(WebEngineLoad::ErrorDomain::Dns) == QWebEngineLoadingInfo::DnsErrorDomain);
static_assert(int(WebEngineClient::Navigation::Typed) == QWebEnginePage::NavigationTypeTyped);
static_assert(int(WebEngineClient::Navigation::Redirect) == QWebEnginePage::NavigationTypeRedirect);

EngineBackend::EngineBackend(WebEngineClient* client, QWidget* parent)
    : m_view(new QWebEngineView(parent)), m_page(new EnginePage(client, m_view)) {
    QWebEngineSettings* settings = m_page->settings();
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, false);
    // Pages made of other people's HTML need no script of their own; without one they can reach no
    // host by fetch, worker, socket or peer connection. The view turns scripts on where it must.
    settings->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
    settings->setAttribute(QWebEngineSettings::WebRTCPublicInterfacesOnly, true);
    // Screens tell failures to the user themselves; the engine's error page would only get in the way.
    settings->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    m_view->setPage(m_page);
    EnginePage* page = m_page;
    QObject::connect(page, &QWebEnginePage::loadingChanged, page, [page](const QWebEngineLoadingInfo& info) {
        if (WebEngineClient* client = page->client())
            client->loadingChanged({info.url(), WebEngineLoad::Status(info.status()),
                                    WebEngineLoad::ErrorDomain(info.errorDomain()), info.errorCode(),
                                    info.errorString()});
    });
    QObject::connect(page, &QWebEnginePage::urlChanged, page, [page](const QUrl& url) {
        if (WebEngineClient* client = page->client())
            client->urlChanged(url);
    });
    QObject::connect(page, &QWebEnginePage::contentsSizeChanged, page, [page](const QSizeF& size) {
        if (WebEngineClient* client = page->client())
            client->contentsSizeChanged(size);
    });
}

EngineBackend::~EngineBackend() {
    // The client hears nothing of the teardown, and the page goes before the view that shows it.
    m_page->detach();
    if (m_view)
        m_view->setPage(nullptr);
    delete m_page;
    delete m_view;
}

QWidget* EngineBackend::widget() const {
    return m_view;
}

void EngineBackend::setHtml(const QString& html, const QUrl& baseURL) {
    m_page->setHtml(html, baseURL);
}

void EngineBackend::load(const QUrl& url) {
    m_page->load(url);
}

void EngineBackend::runJavaScript(const QString& script, std::function<void(const QVariant&)> done) {
    // Apart from the page's own scripts, which can neither see nor change the library's, and which
    // may be off.
    if (done)
        m_page->runJavaScript(script, QWebEngineScript::ApplicationWorld,
                              [done = std::move(done)](const QVariant& value) { done(value); });
    else
        m_page->runJavaScript(script, QWebEngineScript::ApplicationWorld);
}

bool EngineBackend::canGoBack() const {
    return m_page->history()->canGoBack();
}

bool EngineBackend::canGoForward() const {
    return m_page->history()->canGoForward();
}

void EngineBackend::goBack() {
    m_page->history()->back();
}

void EngineBackend::goForward() {
    m_page->history()->forward();
}

void EngineBackend::stop() {
    m_page->triggerAction(QWebEnginePage::Stop);
}

void EngineBackend::reload() {
    m_page->triggerAction(QWebEnginePage::Reload);
}

bool EngineBackend::isLoading() const {
    return m_page->isLoading();
}

void EngineBackend::setBackgroundColor(const QColor& color) {
    m_page->setBackgroundColor(color);
}

void EngineBackend::setLocalFileAccess(bool allowed) {
    m_page->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, allowed);
}

void EngineBackend::setPageScripts(bool enabled) {
    m_page->settings()->setAttribute(QWebEngineSettings::JavascriptEnabled, enabled);
}

void EngineBackend::setScrollBars(bool shown) {
    m_page->settings()->setAttribute(QWebEngineSettings::ShowScrollBars, shown);
}

} // namespace pelnix::webengine
