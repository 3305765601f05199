#pragma once

#include "WebView.h"

#include <QSet>
#include <optional>

class QWebEngineView;
class QWebEngineLoadingInfo;

namespace pelnix::platform::ui {

class WebEnginePage;

// The web view on Qt WebEngine. Pages run in the library's own off-the-record profile
// (WebEnginePage::libraryProfile()), which keeps nothing on disk; every setting that differs is
// set per page, and the subresource filter is the page's own request interceptor, so a host's own
// web views and its default profile are left alone.
class WebEngineWebView : public WebView {
    Q_OBJECT
public:
    explicit WebEngineWebView(QWidget* parent = nullptr);
    ~WebEngineWebView() override;

    void loadHTMLString(const QString& html, const QUrl& baseURL) override;
    void loadURL(const QUrl& url) override;
    void evaluateJavaScript(const QString& script, std::function<void(const QVariant&)> done = {}) override;
    void measureContentHeight(std::function<void(qreal)> done) override;
    bool canGoBack() const override;
    bool canGoForward() const override;
    void goBack() override;
    void goForward() override;
    void stopLoading() override;
    void reload() override;
    bool isLoading() const override;
    void setContentInsets(const QMargins& insets) override;
    void setTransparentBackground(bool transparent) override;
    void setAllowsLocalFileAccess(bool allowed) override;

    QWebEngineView* engineView() const { return m_view; }
    // The URL whose origin the page's own subresources may come from: the base URL of the HTML
    // shown, or the URL of the page shown.
    QUrl contentURL() const { return m_contentURL; }

private:
    friend class WebEnginePage;
    bool acceptNavigation(const QUrl& url, int engineType, bool isMainFrame);
    bool mayShow(const QUrl& url) const;
    void loadingChanged(const QWebEngineLoadingInfo& info);
    void failBeforeStart(const PLError& error);
    void replaceOpenLoad();

    QWebEngineView* m_view;
    WebEnginePage* m_page;
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
};

} // namespace pelnix::platform::ui
