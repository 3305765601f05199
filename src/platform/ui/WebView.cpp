#include "WebView.h"

#include "TextBrowserWebView.h"

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
    return new TextBrowserWebView(parent);
}

void WebView::setMaker(Maker made) {
    maker() = std::move(made);
}

} // namespace pelnix::platform::ui
