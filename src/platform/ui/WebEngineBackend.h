#pragma once

#include "WebEngineClient.h"

#include <QVariant>
#include <functional>

class QColor;
class QWidget;

namespace pelnix::platform::ui {

// One page of the browser engine in a widget, as WebEngineWebView drives it. The engine lives in
// a module of its own (WebEngineModule), which implements this and is mapped only when the first
// view is made; only these header-only interfaces pass between the two, so the module carries no
// copy of the library's code or globals. Deleting a backend deletes its widget.
class WebEngineBackend {
public:
    virtual ~WebEngineBackend() = default;

    // The widget that shows the page, made under the parent the backend was made with.
    virtual QWidget* widget() const = 0;
    virtual void setHtml(const QString& html, const QUrl& baseURL) = 0;
    virtual void load(const QUrl& url) = 0;
    // Runs in a world of its own, apart from the page's scripts, and whether or not the page's
    // scripts are on. `done` gets an invalid value where scripts do not run.
    virtual void runJavaScript(const QString& script, std::function<void(const QVariant&)> done) = 0;
    virtual bool canGoBack() const = 0;
    virtual bool canGoForward() const = 0;
    virtual void goBack() = 0;
    virtual void goForward() = 0;
    virtual void stop() = 0;
    virtual void reload() = 0;
    virtual bool isLoading() const = 0;
    virtual void setBackgroundColor(const QColor& color) = 0;
    // Whether scripts of a local page may read other local files.
    virtual void setLocalFileAccess(bool allowed) = 0;
    // Whether the page's own scripts run.
    virtual void setPageScripts(bool enabled) = 0;
    // Whether the page shows scroll bars of its own; hidden ones take no width from its layout.
    virtual void setScrollBars(bool shown) = 0;
};

// The module's one exported function: a backend reporting to `client`, its widget made under
// `parent`. The name carries the version of these interfaces; a module built against other ones is
// not taken.
using WebEngineBackendFactory = WebEngineBackend* (*)(WebEngineClient* client, QWidget* parent);
inline constexpr char kWebEngineBackendFactoryName[] = "pelnix_webengine_backend_v4";

} // namespace pelnix::platform::ui
