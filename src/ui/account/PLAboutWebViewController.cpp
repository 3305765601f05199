#include "ui/account/PLAboutWebViewController.h"

#include "foundation/PLCurrentBundleInfo.h"
#include "foundation/ui/ImageAdditions.h"
#include "foundation/ui/ViewControllerAdditions.h"
#include "platform/UserDefaults.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/NavigationItem.h"
#include "platform/ui/SegmentedControl.h"
#include "platform/ui/Spinner.h"
#include "platform/ui/WebView.h"
#include "ui/account/AccountUi.h"
#include "ui/account/PLPageView.h"

namespace pelnix {

using namespace platform::ui;
using AccountUi::localized;
using platform::UserDefaults;

namespace {
constexpr int kSegmentsTop = 10;
constexpr int kSegmentsHeight = 30;

QUrl bundleDocument(const QString& name) {
    const QString path = PLCurrentBundleInfo::pathForResource(name, QStringLiteral("html"));
    if (path.isEmpty())
        return {};
    // ":/pelnix/TnC.html" as the web view loads it.
    return QUrl(QStringLiteral("qrc") + path);
}
} // namespace

PLAboutWebViewController::PLAboutWebViewController(QObject* parent) : ViewController(parent) {}

QWidget* PLAboutWebViewController::loadView() {
    auto* page = new PLPageView([this] { layout(); });
    m_segments = new SegmentedControl({localized("Privacy Policy"), localized("Terms and Conditions")}, page);
    m_segments->setObjectName(QStringLiteral("aboutSegmentControl"));
    m_segments->setTintColor(AccountUi::hexColor("0086CA"));
    connect(m_segments, &SegmentedControl::valueChanged, this,
            [this](int index) { segmentControllerValueChanged(index); });
    m_webView = WebView::create(page);
    m_webView->setObjectName(QStringLiteral("aboutWebview"));
    connect(m_webView, &WebView::didStartLoad, this, [this] { webViewDidStartLoad(); });
    connect(m_webView, &WebView::didFinishLoad, this, [this](bool ok) {
        if (ok)
            webViewDidFinishLoad();
    });
    connect(m_webView, &WebView::didFailLoad, this,
            [this](const PLError& error) { webViewDidFailLoad(error); });
    m_spinner = new Spinner(page);
    m_spinner->setObjectName(QStringLiteral("aboutPageLoadIndicator"));
    m_spinner->setHidesWhenStopped(true);
    m_spinner->hide();
    return page;
}

void PLAboutWebViewController::layout() {
    if (!m_webView || !isViewLoaded())
        return;
    const QRect bounds = view()->rect();
    const int segmentsWidth = qMin(bounds.width() - 20, 360);
    m_segments->setGeometry((bounds.width() - segmentsWidth) / 2, kSegmentsTop, segmentsWidth,
                            kSegmentsHeight);
    const int webTop = kSegmentsTop * 2 + kSegmentsHeight;
    m_webView->setGeometry(0, webTop, bounds.width(), bounds.height() - webTop);
    if (m_spinner && m_spinner->isVisible())
        m_spinner->move(bounds.center() - QPoint(m_spinner->width() / 2, m_spinner->height() / 2));
}

void PLAboutWebViewController::viewDidLoad() {
    ViewController::viewDidLoad();
    m_privacyURL = bundleDocument(QStringLiteral("Privacy"));
    m_termsURL = bundleDocument(QStringLiteral("TnC"));
    m_segments->setSelectedSegmentIndex(int(m_selectedType));
    layout();
    loadWebviewForHtmlType(m_selectedType);
    updateNavigationBar();
}

void PLAboutWebViewController::loadWebviewForHtmlType(qint64 type) {
    if (type != PrivacyPolicy && type != TermsAndConditions)
        return;
    const QUrl url = type == TermsAndConditions ? m_termsURL : m_privacyURL;
    if (url.isEmpty()) {
        // The bundle lacks the document: say so rather than show an empty page.
        qCWarning(lcAccountScreens) << "No bundled document for type" << type;
        webViewDidFailLoad(PLError(QString::fromLatin1(WebView::ErrorDomain), WebView::UnknownError,
                                   localized("Unable to load content")));
        return;
    }
    m_webView->loadURL(url);
}

void PLAboutWebViewController::segmentControllerValueChanged(int index) {
    loadWebviewForHtmlType(index);
}

void PLAboutWebViewController::updateNavigationBar() {
    if (!navigationController())
        return;
    navigationItem()->setTitle(m_selectedType != PrivacyPolicy ? localized("Terms and Conditions")
                                                               : localized("Privacy Policy"));
    ViewControllerAdditions::applyCustomAttributesToNavigationBarTitle(this);
    QPointer<PLAboutWebViewController> self(this);
    auto* close = new BarButtonItem(
        QIcon(QPixmap::fromImage(ImageAdditions::loadImageNamed(QStringLiteral("arrow_blue")))), [self] {
            if (self)
                self->closeButtonClicked();
        });
    close->setImageMirroredRightToLeft(true);
    navigationItem()->setLeftBarButtonItem(close);
}

void PLAboutWebViewController::closeButtonClicked() {
    dismissViewController(true);
}

void PLAboutWebViewController::webViewDidStartLoad() {
    if (!UserDefaults::value(kHtmlLoadedKey, false).toBool())
        startAboutPageActivityIndicator();
}

void PLAboutWebViewController::webViewDidFinishLoad() {
    UserDefaults::setValue(kHtmlLoadedKey, true);
    UserDefaults::synchronize();
    stopAboutPageActivityIndicator();
}

void PLAboutWebViewController::webViewDidFailLoad(const PLError& error) {
    stopAboutPageActivityIndicator();
    // A load replaced by the next one (a quick switch of document) is no failure to report.
    if (error.code == WebView::CancelledError)
        return;
    AccountUi::showOkAlert(this, localized("Failed"), localized("Unable to load content"));
}

void PLAboutWebViewController::startAboutPageActivityIndicator() {
    m_spinner->show();
    m_spinner->raise();
    m_spinner->move(view()->rect().center() - QPoint(m_spinner->width() / 2, m_spinner->height() / 2));
    m_spinner->startAnimating();
}

void PLAboutWebViewController::stopAboutPageActivityIndicator() {
    m_spinner->stopAnimating();
    m_spinner->hide();
}

} // namespace pelnix
