#pragma once

#include "WebView.h"

#include <QStringList>

namespace pelnix::platform::ui {

// Records what a screen asks of its web view; loads finish when the test says so.
class FakeWebView : public WebView {
    Q_OBJECT
public:
    explicit FakeWebView(QWidget* parent = nullptr) : WebView(parent) {}
    void loadHTMLString(const QString& html, const QUrl& baseURL) override {
        loadedHTML = html;
        loadedBaseURL = baseURL;
        emit didStartLoad();
    }
    void evaluateJavaScript(const QString& script, std::function<void(const QVariant&)> done) override {
        scripts << script;
        if (done)
            done(scriptResult);
    }
    bool canGoBack() const override { return history > 0; }
    void goBack() override { history = qMax(0, history - 1); }
    void setContentInsets(const QMargins& insets) override { contentInsets = insets; }
    void setTransparentBackground(bool transparent) override { transparentBackground = transparent; }

    void finishLoad(bool ok = true) { emit didFinishLoad(ok); }
    // A tap on a link: true when the view would navigate.
    bool tapLink(const QUrl& url) {
        const bool go = shouldStartLoad(url);
        if (go)
            ++history;
        return go;
    }

    QString loadedHTML;
    QUrl loadedBaseURL;
    QStringList scripts;
    QVariant scriptResult;
    QMargins contentInsets;
    bool transparentBackground = false;
    int history = 0;
};

} // namespace pelnix::platform::ui
