#pragma once

#include "platform/PLError.h"
#include "platform/ui/SegmentedControl.h"
#include "platform/ui/Spinner.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/WebView.h"

#include <QPointer>
#include <QUrl>

namespace pelnix {

// The terms and conditions and the privacy policy, two documents of the bundle, in a web view with a
// segmented control between them. The title follows the document asked for first. A spinner shows
// while loading until any document has loaded once (the defaults key "isHtmlLoaded").
class PLAboutWebViewController : public platform::ui::ViewController {
    Q_OBJECT
public:
    enum HtmlType : qint64 { PrivacyPolicy = 0, TermsAndConditions = 1 };
    static inline const QString kHtmlLoadedKey = QStringLiteral("isHtmlLoaded");

    explicit PLAboutWebViewController(QObject* parent = nullptr);

    qint64 selectedHtmlType() const { return m_selectedType; }
    void setSelectedHtmlType(qint64 type) { m_selectedType = type; }
    bool isFromSignUpFlow() const { return m_fromSignUp; }
    void setIsFromSignUpFlow(bool value) { m_fromSignUp = value; }

    QUrl privacyPolicyURL() const { return m_privacyURL; }
    QUrl tnCURL() const { return m_termsURL; }
    platform::ui::WebView* aboutWebview() const { return m_webView; }
    platform::ui::Spinner* aboutPageLoadIndicator() const { return m_spinner; }
    platform::ui::SegmentedControl* segmentControl() const { return m_segments; }

    void loadWebviewForHtmlType(qint64 type);
    void segmentControllerValueChanged(int index);
    void updateNavigationBar();
    void closeButtonClicked();
    void webViewDidStartLoad();
    void webViewDidFinishLoad();
    void webViewDidFailLoad(const PLError& error);
    void startAboutPageActivityIndicator();
    void stopAboutPageActivityIndicator();

protected:
    QWidget* loadView() override;
    void viewDidLoad() override;

private:
    void layout();

    qint64 m_selectedType = PrivacyPolicy;
    bool m_fromSignUp = false;
    QUrl m_privacyURL;
    QUrl m_termsURL;
    QPointer<platform::ui::WebView> m_webView;
    QPointer<platform::ui::Spinner> m_spinner;
    QPointer<platform::ui::SegmentedControl> m_segments;
};

} // namespace pelnix
