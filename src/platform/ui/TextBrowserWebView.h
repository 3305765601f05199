#pragma once

#include "WebView.h"

class QTextBrowser;

namespace pelnix::platform::ui {

// The web view everywhere: rich text of Qt, links intercepted, no scripts.
class TextBrowserWebView : public WebView {
    Q_OBJECT
public:
    explicit TextBrowserWebView(QWidget* parent = nullptr);
    void loadHTMLString(const QString& html, const QUrl& baseURL) override;
    void evaluateJavaScript(const QString& script, std::function<void(const QVariant&)> done) override;
    bool canGoBack() const override;
    void goBack() override;
    void setContentInsets(const QMargins& insets) override;
    void setTransparentBackground(bool transparent) override;
    QString html() const;

private:
    QTextBrowser* m_browser;
};

} // namespace pelnix::platform::ui
