#include "EnginePage.h"

#include "SubresourceInterceptor.h"

#include <QCoreApplication>
#include <QPointer>
#include <QWebEngineProfile>

namespace pelnix::webengine {

QWebEngineProfile* EnginePage::libraryProfile() {
    static QPointer<QWebEngineProfile> profile;
    if (!profile) {
        // No storage name: off the record, nothing on disk. Parented to the application, which
        // outlives every view.
        profile = new QWebEngineProfile(QCoreApplication::instance());
    }
    return profile;
}

EnginePage::EnginePage(platform::ui::WebEngineClient* client, QObject* parent)
    : QWebEnginePage(libraryProfile(), parent), m_client(client),
      m_interceptor(new SubresourceInterceptor(this)) {
    setUrlRequestInterceptor(m_interceptor);
}

EnginePage::~EnginePage() {
    setUrlRequestInterceptor(nullptr);
}

bool EnginePage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) {
    return m_client &&
           m_client->acceptNavigation(url, platform::ui::WebEngineClient::Navigation(type), isMainFrame);
}

QWebEnginePage* EnginePage::createWindow(WebWindowType) {
    // Pop-ups and target="_blank" links open nothing: links reach the screen through the veto.
    return nullptr;
}

void EnginePage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message,
                                          int line, const QString&) {
    if (m_client)
        m_client->consoleMessage(int(level), message, line);
}

} // namespace pelnix::webengine
