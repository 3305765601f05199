#pragma once

#include <QPointer>
#include <QWebEnginePage>

namespace pelnix::platform::ui {

class WebEngineWebView;

// The page behind a WebEngineWebView: hands each navigation to the view's veto, opens no windows
// and keeps page console output out of the host's log.
class WebEnginePage : public QWebEnginePage {
    Q_OBJECT
public:
    explicit WebEnginePage(WebEngineWebView* view);

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
    QWebEnginePage* createWindow(WebWindowType type) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message, int line,
                                  const QString& source) override;

private:
    QPointer<WebEngineWebView> m_view;
};

} // namespace pelnix::platform::ui
