#include "WebView.h"

#include "WebEngineWebView.h"

namespace pelnix::platform::ui {

namespace {
WebView::Maker& maker() {
    static WebView::Maker made;
    return made;
}
} // namespace

WebView* WebView::create(QWidget* parent) {
    if (maker())
        return maker()(parent);
    return new WebEngineWebView(parent);
}

void WebView::setMaker(Maker made) {
    maker() = std::move(made);
}

void WebView::setShouldStartLoad(std::function<bool(const QUrl&)> hook) {
    if (!hook) {
        m_shouldStartLoad = {};
        return;
    }
    m_shouldStartLoad = [hook = std::move(hook)](const QUrl& url, NavigationType) { return hook(url); };
}

bool WebView::isDisplayableScheme(const QUrl& url, bool localFilesAllowed) {
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("file"))
        return localFilesAllowed;
    return scheme == QLatin1String("http") || scheme == QLatin1String("https") ||
           scheme == QLatin1String("data") || scheme == QLatin1String("about") ||
           scheme == QLatin1String("qrc");
}

} // namespace pelnix::platform::ui
