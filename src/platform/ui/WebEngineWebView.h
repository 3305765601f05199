#pragma once

#include "WebEngineClient.h"
#include "WebView.h"

#include <QElapsedTimer>
#include <QSet>
#include <memory>
#include <optional>

namespace pelnix::platform::ui {

class WebEngineBackend;

// The web view on the browser engine (Qt WebEngine). The engine lives in a module of its own,
// mapped when the first view is made (WebEngineModule), so a process that shows no page never
// loads it; this class keeps what a load, a navigation and a subresource mean to the screen, and
// the module only shows the page. Pages run in the library's own off-the-record profile, which
// keeps nothing on disk; every setting that differs is set per page, and the subresource filter is
// the page's own request interceptor, so a host's own web views and its default profile are left
// alone. Without the module the view shows nothing and every load fails.
class WebEngineWebView : public WebView, private WebEngineClient {
    Q_OBJECT
public:
    explicit WebEngineWebView(QWidget* parent = nullptr);
    ~WebEngineWebView() override;

    void loadHTMLString(const QString& html, const QUrl& baseURL) override;
    void loadURL(const QUrl& url) override;
    void evaluateJavaScript(const QString& script, std::function<void(const QVariant&)> done = {}) override;
    void measureContentSize(std::function<void(const QSizeF&)> done) override;
    bool canGoBack() const override;
    bool canGoForward() const override;
    void goBack() override;
    void goForward() override;
    void stopLoading() override;
    void reload() override;
    bool isLoading() const override;
    void setContentInsets(const QMargins& insets) override;
    void setBackgroundColor(const QColor& color) override;
    void setAllowsLocalFileAccess(bool allowed) override;
    void setAllowsPageScripts(bool allowed) override;
    void setShowsScrollBars(bool shown) override;

    // The widget that shows the page: the engine's view (a QWebEngineView), or an empty widget
    // when the engine module is missing.
    QWidget* engineView() const;
    // Whether the engine shows this view's pages.
    bool hasEngine() const { return m_hasEngine; }
    // The URL whose origin the page's own subresources may come from: the base URL of the HTML
    // shown, or the URL of the page shown.
    QUrl contentURL() const { return m_contentURL; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    QSize pageViewportSize() const override;

private:
    bool acceptNavigation(const QUrl& url, Navigation type, bool isMainFrame) override;
    bool acceptSubresource(const QUrl& url, int resourceType) override;
    void loadingChanged(const WebEngineLoad& load) override;
    void urlChanged(const QUrl& url) override;
    void contentsSizeChanged(const QSizeF& size) override;
    void consoleMessage(int level, const QString& message, int line) override;

    bool mayShow(const QUrl& url) const;
    // Whether the user clicked or pressed a key in the page just now; true once per such input.
    bool takeUserGesture();
    // Whether the page takes this wheel: it has something of its own to scroll that way.
    bool pageTakesWheel(const QWheelEvent* event) const;
    void watchInput(QObject* widget);
    void failBeforeStart(const PLError& error);
    void replaceOpenLoad();

    std::unique_ptr<WebEngineBackend> m_engine;
    bool m_hasEngine = false;
    bool m_localFiles = false;
    QUrl m_contentURL;
    // The base URL of the HTML string being loaded, which the veto is asked about.
    std::optional<QUrl> m_htmlBase;
    // Loads the screen started itself, which may show a local file it chose.
    QSet<QUrl> m_screenLoads;
    // Navigations refused here, whose start and abort the engine still reports.
    QSet<QUrl> m_refused;
    // The load the screen heard start and not yet end, and loads already told as replaced.
    std::optional<QUrl> m_openLoad;
    QSet<QUrl> m_replaced;
    // The user's last click or key press in the page, until a link takes it.
    QElapsedTimer m_userGesture;
    // Steps through the history (back, forward, reload) the screen asked for and the engine has not
    // yet started.
    int m_screenHistorySteps = 0;
};

} // namespace pelnix::platform::ui
