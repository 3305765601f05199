#pragma once

#include "platform/ui/WebEngineBackend.h"

#include <QPointer>

class QWebEngineView;

namespace pelnix::webengine {

class EnginePage;

// A web view's page on Qt WebEngine: a QWebEngineView showing an EnginePage, with the engine's
// settings the library's pages share (no file or remote access from local pages, no windows, no
// clipboard, no error pages of the engine's own, no page scripts until the view turns them on, and
// WebRTC on public interfaces only). The library's own scripts run in the application's world.
class EngineBackend : public platform::ui::WebEngineBackend {
public:
    EngineBackend(platform::ui::WebEngineClient* client, QWidget* parent);
    ~EngineBackend() override;

    QWidget* widget() const override;
    void setHtml(const QString& html, const QUrl& baseURL) override;
    void load(const QUrl& url) override;
    void runJavaScript(const QString& script, std::function<void(const QVariant&)> done) override;
    bool canGoBack() const override;
    bool canGoForward() const override;
    void goBack() override;
    void goForward() override;
    void stop() override;
    void reload() override;
    bool isLoading() const override;
    void setBackgroundColor(const QColor& color) override;
    void setLocalFileAccess(bool allowed) override;
    void setPageScripts(bool enabled) override;
    void setScrollBars(bool shown) override;

private:
    QPointer<QWebEngineView> m_view;
    EnginePage* m_page;
};

} // namespace pelnix::webengine
