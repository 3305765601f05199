#pragma once

#include "platform/ui/WebEngineClient.h"

#include <QWebEnginePage>

namespace pelnix::webengine {

class SubresourceInterceptor;

// The page behind a web view: hands each navigation to its client, lets through only the
// subresources the client allows (its own request interceptor), opens no windows and hands page
// console output to the client. It lives in the library's own off-the-record profile, so nothing of
// the host's default profile is used or changed.
class EnginePage : public QWebEnginePage {
    Q_OBJECT
public:
    EnginePage(platform::ui::WebEngineClient* client, QObject* parent);
    ~EnginePage() override;

    // The profile of every page of the library: off the record, created on first use.
    static QWebEngineProfile* libraryProfile();

    // Null once the view the page reports to has let it go.
    platform::ui::WebEngineClient* client() const { return m_client; }
    void detach() { m_client = nullptr; }

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
    QWebEnginePage* createWindow(WebWindowType type) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message, int line,
                                  const QString& source) override;

private:
    platform::ui::WebEngineClient* m_client;
    SubresourceInterceptor* m_interceptor;
};

} // namespace pelnix::webengine
