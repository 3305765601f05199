#include "WebEnginePage.h"

#include "WebEngineWebView.h"

#include <QLoggingCategory>

namespace pelnix::platform::ui {

Q_LOGGING_CATEGORY(lcWebPage, "pelnix.ui.webpage")

WebEnginePage::WebEnginePage(WebEngineWebView* view) : QWebEnginePage(view), m_view(view) {}

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
