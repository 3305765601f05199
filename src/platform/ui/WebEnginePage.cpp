#include "WebEnginePage.h"

#include "WebEngineWebView.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestInfo>

namespace pelnix::platform::ui {

Q_LOGGING_CATEGORY(lcWebPage, "pelnix.ui.webpage")

QWebEngineProfile* WebEnginePage::libraryProfile() {
    static QPointer<QWebEngineProfile> profile;
    if (!profile) {
        // No storage name: off the record, nothing on disk. Parented to the application, which
        // outlives every view.
        profile = new QWebEngineProfile(QCoreApplication::instance());
    }
    return profile;
}

WebEnginePage::WebEnginePage(WebEngineWebView* view)
    : QWebEnginePage(libraryProfile(), view), m_view(view), m_filter(new SubresourceFilter(this)) {
    setUrlRequestInterceptor(m_filter);
}

WebEnginePage::~WebEnginePage() {
    setUrlRequestInterceptor(nullptr);
}

void WebEnginePage::SubresourceFilter::interceptRequest(QWebEngineUrlRequestInfo& info) {
    // Where the page itself goes is the navigation veto's to decide.
    if (info.resourceType() == QWebEngineUrlRequestInfo::ResourceTypeMainFrame)
        return;
    WebEngineWebView* view = m_page->m_view;
    const QUrl url = info.requestUrl();
    if (view && view->allowsSubresource(url, view->contentURL()))
        return;
    info.block(true);
    qCWarning(lcWebPage).noquote() << "blocked a subresource the page may not load:"
                                   << url.toString(QUrl::RemoveQuery | QUrl::RemoveFragment | QUrl::RemoveUserInfo)
                                   << "(type" << int(info.resourceType()) << ")";
}

bool WebEnginePage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) {
    return m_view && m_view->acceptNavigation(url, int(type), isMainFrame);
}

QWebEnginePage* WebEnginePage::createWindow(WebWindowType) {
    // Pop-ups and target="_blank" links open nothing: links reach the screen through the veto.
    return nullptr;
}

void WebEnginePage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString& message, int line,
                                             const QString&) {
    qCDebug(lcWebPage, "console (line %d): %s", line, qPrintable(message.left(200)));
}

} // namespace pelnix::platform::ui
