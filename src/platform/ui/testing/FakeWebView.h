#pragma once

#include "platform/ui/WebView.h"

#include <QStringList>

namespace pelnix::platform::ui {

// Records what a screen asks of its web view; loads finish or fail when the test says so.
class FakeWebView : public WebView {
    Q_OBJECT
public:
    explicit FakeWebView(QWidget* parent = nullptr) : WebView(parent) {}
    void loadHTMLString(const QString& html, const QUrl& baseURL) override {
        loadedHTML = html;
        loadedBaseURL = baseURL;
        startLoad(baseURL);
    }
    void loadURL(const QUrl& url) override {
        loadedURLs << url;
        startLoad(url);
    }
    void evaluateJavaScript(const QString& script, std::function<void(const QVariant&)> done) override {
        scripts << script;
        if (done)
            done(scriptResult);
    }
    // The page's height at the view's current width: `contentHeight`; answered when asked, or,
    // while `holdsMeasures`, by releaseMeasures() (as late as a lagging engine answers).
    void measureContentSize(std::function<void(const QSizeF&)> done) override {
        ++contentMeasures;
        if (!done)
            return;
        const QSizeF size(width(), contentHeight);
        if (holdsMeasures)
            heldMeasures << [done = std::move(done), size] { done(size); };
        else
            done(size);
    }
    void releaseMeasures() {
        for (const auto& answer : std::exchange(heldMeasures, {}))
            answer();
    }
    bool canGoBack() const override { return backCount > 0; }
    bool canGoForward() const override { return forwardCount > 0; }
    void goBack() override {
        if (backCount > 0) {
            --backCount;
            ++forwardCount;
        }
    }
    void goForward() override {
        if (forwardCount > 0) {
            --forwardCount;
            ++backCount;
        }
    }
    void stopLoading() override {
        if (loading)
            failLoad(PLError(QString::fromLatin1(ErrorDomain), CancelledError, QStringLiteral("cancelled")));
    }
    void reload() override { startLoad({}); }
    bool isLoading() const override { return loading; }
    void setContentInsets(const QMargins& insets) override { contentInsets = insets; }
    void setBackgroundColor(const QColor& color) override { backgroundColor = color; }
    void setAllowsLocalFileAccess(bool allowed) override { localFileAccess = allowed; }
    void setAllowsPageScripts(bool allowed) override { pageScripts = allowed; }
    void setShowsScrollBars(bool shown) override { scrollBars = shown; }

    void finishLoad() {
        loading = false;
        emit didFinishLoad(true);
    }
    void failLoad(const PLError& error) {
        loading = false;
        emit didFailLoad(error);
        emit didFinishLoad(false);
    }
    // The engine's report of the page's contents after a layout.
    void reportContentSize(const QSizeF& size) { setContentSize(size); }
    // A tap on a link: true when the view would navigate (the load then starts).
    bool tapLink(const QUrl& url) {
        const bool go =
            shouldStartLoad(url, NavigationType::LinkClicked) && isDisplayableScheme(url, localFileAccess);
        if (go) {
            ++backCount;
            forwardCount = 0;
            startLoad(url);
        }
        return go;
    }

    QString loadedHTML;
    QUrl loadedBaseURL;
    QList<QUrl> loadedURLs;
    QStringList scripts;
    QVariant scriptResult;
    qreal contentHeight = 0;
    int contentMeasures = 0;
    bool holdsMeasures = false;
    QList<std::function<void()>> heldMeasures;
    QMargins contentInsets;
    QColor backgroundColor = Qt::white;
    bool localFileAccess = false;
    bool pageScripts = false;
    bool scrollBars = true;
    bool loading = false;
    int backCount = 0;
    int forwardCount = 0;

private:
    void startLoad(const QUrl&) {
        loading = true;
        emit didStartLoad();
    }
};

} // namespace pelnix::platform::ui
