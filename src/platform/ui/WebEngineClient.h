#pragma once

#include "WebEngineLoad.h"

#include <QSizeF>

namespace pelnix::platform::ui {

// What the browser engine module asks of, and tells, the view whose page it shows. Every call
// comes on the view's thread. The decisions (the veto, the subresource list) and the logging stay
// in the library, so the module holds nothing of the library's own.
class WebEngineClient {
public:
    // The engine's navigation kinds, in its order.
    enum class Navigation { LinkClicked, Typed, FormSubmitted, BackForward, Reload, Other, Redirect };

    // Whether the page (or, with isMainFrame false, one of its frames) may go to `url`.
    virtual bool acceptNavigation(const QUrl& url, Navigation type, bool isMainFrame) = 0;
    // Whether the page may load `url` by itself; `resourceType` is the engine's kind of request.
    virtual bool acceptSubresource(const QUrl& url, int resourceType) = 0;
    virtual void loadingChanged(const WebEngineLoad& load) = 0;
    virtual void urlChanged(const QUrl& url) = 0;
    // The size of the page's contents as the engine has laid them out (never smaller than the view).
    virtual void contentsSizeChanged(const QSizeF& size) = 0;
    // What the page's scripts wrote to their console; `level` 0 info, 1 warning, 2 error.
    virtual void consoleMessage(int level, const QString& message, int line) = 0;

protected:
    ~WebEngineClient() = default;
};

} // namespace pelnix::platform::ui
