#pragma once

#include <QUrl>
#include <QVariant>
#include <QWidget>
#include <functional>
#include <memory>

namespace pelnix::platform::ui {

// A web view as the screens use it: HTML with a base URL, interception of every navigation, load
// events, JavaScript, history, insets and a transparent background. create() makes the process's
// kind (a text-browser view unless a richer one is installed); tests install a FakeWebView maker.
class WebView : public QWidget {
    Q_OBJECT
public:
    using Maker = std::function<WebView*(QWidget* parent)>;
    static WebView* create(QWidget* parent = nullptr);
    static void setMaker(Maker maker);

    explicit WebView(QWidget* parent = nullptr) : QWidget(parent) {}

    virtual void loadHTMLString(const QString& html, const QUrl& baseURL) = 0;
    // The result arrives through `done` (an invalid value where scripts do not run).
    virtual void evaluateJavaScript(const QString& script,
                                    std::function<void(const QVariant&)> done = {}) = 0;
    virtual bool canGoBack() const = 0;
    virtual void goBack() = 0;
    virtual void setContentInsets(const QMargins& insets) = 0;
    virtual void setTransparentBackground(bool transparent) = 0;

    // Asked before any navigation; false keeps the view where it is (the screen handles the URL).
    void setShouldStartLoad(std::function<bool(const QUrl&)> hook) { m_shouldStartLoad = std::move(hook); }
    bool shouldStartLoad(const QUrl& url) const { return !m_shouldStartLoad || m_shouldStartLoad(url); }

signals:
    void didStartLoad();
    void didFinishLoad(bool ok);

private:
    std::function<bool(const QUrl&)> m_shouldStartLoad;
};

} // namespace pelnix::platform::ui
