#include "ui/conversation/PLInternalLinkWebViewController.h"

#include "foundation/PLCurrentBundleInfo.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Spinner.h"
#include "platform/ui/Toolbar.h"
#include "platform/ui/WebView.h"
#include "ui/conversation/ConversationSmartLog.h"

#include <QEvent>

namespace pelnix {

using platform::ui::BarButtonItem;

PLInternalLinkWebViewController::PLInternalLinkWebViewController(QObject* parent) : ViewController(parent) {}

bool PLInternalLinkWebViewController::isWebURL(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty() &&
           (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

void PLInternalLinkWebViewController::configureWithLinkURL(const QUrl& url, const QString& title) {
    m_linkURL = url;
    setTitle(title);
}

QWidget* PLInternalLinkWebViewController::loadView() {
    auto* root = new QWidget;
    root->setObjectName(QStringLiteral("internalLinkView"));
    root->setAutoFillBackground(true);
    QPalette palette = root->palette();
    palette.setColor(QPalette::Window, Qt::white);
    root->setPalette(palette);
    m_webView = platform::ui::WebView::create(root);
    m_webView->setObjectName(QStringLiteral("externalLinkWebView"));
    // A site the user opened, not a page made of someone else's HTML: it loads from its own hosts,
    // runs its scripts and may navigate by itself, but only ever to the web.
    m_webView->allowSubresourcesFromAnyWebOrigin();
    m_webView->setAllowsPageScripts(true);
    m_webView->setFollowsPageNavigation(true);
    m_webView->setShouldStartLoad([](const QUrl& url) {
        if (isWebURL(url))
            return true;
        qCWarning(lcConversationSmart) << "the in-app browser does not open" << url.scheme() << "addresses";
        return false;
    });
    m_toolbar = new platform::ui::Toolbar(root);
    m_toolbar->setObjectName(QStringLiteral("bottomToolBar"));
    m_back = new BarButtonItem(
        QStringLiteral("\u2039"), [this] { goBack(); }, this);
    m_forward = new BarButtonItem(
        QStringLiteral("\u203A"), [this] { goForward(); }, this);
    m_toolbar->setItems(
        {m_back, m_forward, new BarButtonItem(BarButtonItem::SystemItem::FlexibleSpace, {}, this)});
    m_spinner = new platform::ui::Spinner(root);
    m_spinner->setObjectName(QStringLiteral("externalLinkPageLoadIndicator"));
    m_spinner->setHidesWhenStopped(true);
    m_spinner->hide();
    root->installEventFilter(this);
    return root;
}

void PLInternalLinkWebViewController::viewDidLoad() {
    connect(m_webView, &platform::ui::WebView::didStartLoad, this,
            &PLInternalLinkWebViewController::startExternalLinkPageLoadIndicator);
    connect(m_webView, &platform::ui::WebView::didFinishLoad, this, [this](bool) {
        stopExternalLinkPageLoadIndicator();
        validateToolbarButtons();
    });
    connect(m_webView, &platform::ui::WebView::didFailLoad, this, [this](const PLError& error) {
        if (error.code == platform::ui::WebView::CancelledError)
            return;
        qCInfo(lcConversationSmart) << "the in-app page did not load:" << error.logText();
        auto* alert = new platform::ui::AlertView(
            PLCurrentBundleInfo::localizedString(QStringLiteral("Failed")),
            PLCurrentBundleInfo::localizedString(QStringLiteral("Unable to load content")),
            PLCurrentBundleInfo::localizedString(QStringLiteral("OK")), {});
        alert->show(window());
    });
    layOut();
    // The end of a long page scrolls clear of the toolbar.
    m_webView->setContentInsets(QMargins(0, 0, 0, platform::ui::Toolbar::kHeight));
    validateToolbarButtons();
    if (isWebURL(m_linkURL))
        m_webView->loadURL(m_linkURL);
    else if (!m_linkURL.isEmpty())
        qCWarning(lcConversationSmart)
            << "the in-app browser does not open" << m_linkURL.scheme() << "addresses";
}

bool PLInternalLinkWebViewController::eventFilter(QObject* watched, QEvent* event) {
    if (isViewLoaded() && watched == view() && event->type() == QEvent::Resize)
        layOut();
    return ViewController::eventFilter(watched, event);
}

void PLInternalLinkWebViewController::layOut() {
    QWidget* root = view();
    m_webView->setGeometry(root->rect());
    m_toolbar->setGeometry(0, root->height() - platform::ui::Toolbar::kHeight, root->width(),
                           platform::ui::Toolbar::kHeight);
    const QSize spinner = m_spinner->sizeHint();
    m_spinner->setGeometry(QRect(QPoint(0, 0), spinner)
                               .translated(root->rect().center() - QRect(QPoint(0, 0), spinner).center()));
}

void PLInternalLinkWebViewController::goBack() {
    if (m_webView && m_webView->canGoBack())
        m_webView->goBack();
}

void PLInternalLinkWebViewController::goForward() {
    if (m_webView && m_webView->canGoForward())
        m_webView->goForward();
}

void PLInternalLinkWebViewController::validateToolbarButtons() {
    if (!m_webView)
        return;
    m_back->setEnabled(m_webView->canGoBack());
    m_forward->setEnabled(m_webView->canGoForward());
}

void PLInternalLinkWebViewController::startExternalLinkPageLoadIndicator() {
    m_spinner->show();
    m_spinner->raise();
    m_spinner->startAnimating();
}

void PLInternalLinkWebViewController::stopExternalLinkPageLoadIndicator() {
    m_spinner->stopAnimating();
    m_spinner->hide();
}

} // namespace pelnix
