#include "TextBrowserWebView.h"

#include <QTextBrowser>
#include <QTimer>
#include <QVBoxLayout>

namespace pelnix::platform::ui {

TextBrowserWebView::TextBrowserWebView(QWidget* parent) : WebView(parent), m_browser(new QTextBrowser(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_browser);
    m_browser->setFrameShape(QFrame::NoFrame);
    m_browser->setOpenLinks(false);
    m_browser->setOpenExternalLinks(false);
    connect(m_browser, &QTextBrowser::anchorClicked, this, [this](const QUrl& link) {
        const QUrl url = m_browser->document()->baseUrl().resolved(link);
        // Only same-document jumps are followed here; everything else belongs to the screen.
        if (shouldStartLoad(url) && url.hasFragment() &&
            url.adjusted(QUrl::RemoveFragment) ==
                m_browser->document()->baseUrl().adjusted(QUrl::RemoveFragment))
            m_browser->scrollToAnchor(url.fragment());
    });
}

void TextBrowserWebView::loadHTMLString(const QString& html, const QUrl& baseURL) {
    emit didStartLoad();
    m_browser->document()->setBaseUrl(baseURL);
    m_browser->setHtml(html);
    // Finishing after the caller returns, as a real load does.
    QTimer::singleShot(0, this, [this] { emit didFinishLoad(true); });
}

void TextBrowserWebView::evaluateJavaScript(const QString&, std::function<void(const QVariant&)> done) {
    if (done)
        QTimer::singleShot(0, this, [done] { done(QVariant()); });
}

bool TextBrowserWebView::canGoBack() const {
    return m_browser->isBackwardAvailable();
}

void TextBrowserWebView::goBack() {
    m_browser->backward();
}

void TextBrowserWebView::setContentInsets(const QMargins& insets) {
    layout()->setContentsMargins(insets);
}

void TextBrowserWebView::setTransparentBackground(bool transparent) {
    m_browser->viewport()->setAutoFillBackground(!transparent);
    m_browser->setAttribute(Qt::WA_TranslucentBackground, transparent);
    QPalette palette = m_browser->palette();
    palette.setColor(QPalette::Base, transparent ? Qt::transparent : Qt::white);
    m_browser->setPalette(palette);
}

QString TextBrowserWebView::html() const {
    return m_browser->toHtml();
}

} // namespace pelnix::platform::ui
