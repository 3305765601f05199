#pragma once

#include "WebEngineBackend.h"

#include <QPointer>
#include <QWidget>

namespace pelnix::platform::ui {

// Stands in for the browser engine when its module cannot be loaded: an empty widget, every
// navigation still put to the veto, and every load the veto lets through failing, as an engine
// would tell it. Scripts give no value.
class UnavailableWebEngine : public WebEngineBackend {
public:
    UnavailableWebEngine(WebEngineClient* client, QWidget* parent);
    ~UnavailableWebEngine() override;

    QWidget* widget() const override;
    void setHtml(const QString& html, const QUrl& baseURL) override;
    void load(const QUrl& url) override;
    void runJavaScript(const QString& script, std::function<void(const QVariant&)> done) override;
    bool canGoBack() const override { return false; }
    bool canGoForward() const override { return false; }
    void goBack() override {}
    void goForward() override {}
    void stop() override {}
    void reload() override {}
    bool isLoading() const override { return false; }
    void setBackgroundColor(const QColor& color) override;
    void setLocalFileAccess(bool) override {}
    void setPageScripts(bool) override {}
    void setScrollBars(bool) override {}

private:
    void fail(const QUrl& url);

    WebEngineClient* m_client;
    QPointer<QWidget> m_widget;
};

} // namespace pelnix::platform::ui
