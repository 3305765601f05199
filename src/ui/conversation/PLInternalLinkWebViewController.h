#pragma once

#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Spinner.h"
#include "platform/ui/Toolbar.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/WebView.h"

#include <QPointer>
#include <QUrl>

namespace pelnix {

namespace platform::ui {
class BarButtonItem;
class Spinner;
class Toolbar;
class WebView;
} // namespace platform::ui

// A web page inside the library with back and forward buttons under it and a spinner while it loads.
// A load that fails says so, unless another navigation replaced it. It shows only the web (http and
// https), never the process's own resources or local files.
class PLInternalLinkWebViewController : public platform::ui::ViewController {
    Q_OBJECT
public:
    static inline const QString kStoryboard = QStringLiteral("Home");
    static inline const QString kIdentifier = QStringLiteral("PLChatWindowLinkWebViewController");

    explicit PLInternalLinkWebViewController(QObject* parent = nullptr);

    // Before the view loads.
    void configureWithLinkURL(const QUrl& url, const QString& title);
    QUrl linkURL() const { return m_linkURL; }

    // Whether the browser shows `url`: an http or https address with a host.
    static bool isWebURL(const QUrl& url);

    void goBack();
    void goForward();
    void validateToolbarButtons();

    platform::ui::WebView* externalLinkWebView() const { return m_webView; }
    platform::ui::Spinner* externalLinkPageLoadIndicator() const { return m_spinner; }
    platform::ui::Toolbar* bottomToolBar() const { return m_toolbar; }
    platform::ui::BarButtonItem* goBackBarButtonItem() const { return m_back; }
    platform::ui::BarButtonItem* goForwardBarButtonItem() const { return m_forward; }

protected:
    QWidget* loadView() override;
    void viewDidLoad() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void startExternalLinkPageLoadIndicator();
    void stopExternalLinkPageLoadIndicator();
    void layOut();

    QUrl m_linkURL;
    QPointer<platform::ui::WebView> m_webView;
    QPointer<platform::ui::Spinner> m_spinner;
    QPointer<platform::ui::Toolbar> m_toolbar;
    QPointer<platform::ui::BarButtonItem> m_back;
    QPointer<platform::ui::BarButtonItem> m_forward;
};

} // namespace pelnix
