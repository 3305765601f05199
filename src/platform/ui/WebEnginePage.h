#pragma once

#include <QPointer>
#include <QWebEnginePage>
#include <QWebEngineUrlRequestInterceptor>

namespace pelnix::platform::ui {

class WebEngineWebView;

// The page behind a WebEngineWebView: hands each navigation to the view's veto, lets through only
// the subresources the view allows (its own request interceptor), opens no windows and keeps page
// console output out of the host's log. It lives in the library's own off-the-record profile, so
// nothing of the host's default profile is used or changed.
class WebEnginePage : public QWebEnginePage {
    Q_OBJECT
public:
    explicit WebEnginePage(WebEngineWebView* view);
    ~WebEnginePage() override;

    // The profile of every page of the library: off the record, created on first use.
    static QWebEngineProfile* libraryProfile();

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
    QWebEnginePage* createWindow(WebWindowType type) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message, int line,
                                  const QString& source) override;

private:
    class SubresourceFilter : public QWebEngineUrlRequestInterceptor {
    public:
        explicit SubresourceFilter(WebEnginePage* page) : QWebEngineUrlRequestInterceptor(page), m_page(page) {}
        void interceptRequest(QWebEngineUrlRequestInfo& info) override;

    private:
        WebEnginePage* m_page;
    };

    QPointer<WebEngineWebView> m_view;
    SubresourceFilter* m_filter;
};

} // namespace pelnix::platform::ui
