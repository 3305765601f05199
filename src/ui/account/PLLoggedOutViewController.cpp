#include "ui/account/PLLoggedOutViewController.h"

#include "foundation/ui/LabelAdditions.h"
#include "foundation/ui/TextViewAddtions.h"
#include "foundation/ui/ViewControllerAdditions.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/ScreenRegistry.h"
#include "platform/ui/SystemServices.h"
#include "platform/ui/TextView.h"
#include "ui/account/AccountUi.h"
#include "ui/account/PLPageView.h"
#include "ui/account/PLSignUpViewController.h"

namespace pelnix {

using namespace platform::ui;
using AccountUi::localized;

namespace {
constexpr int kContainerMaxWidth = 300;
constexpr qreal kLineSpacing = 3;
constexpr int kGap = 16;
QUrl g_signInLink;

// The first occurrence of `part` in `text`, as (start, length); length 0 when absent.
std::pair<int, int> firstOccurrence(const QString& text, const QString& part) {
    const int at = part.isEmpty() ? -1 : int(text.indexOf(part));
    return at < 0 ? std::pair{0, 0} : std::pair{at, int(part.size())};
}
} // namespace

PLLoggedOutViewController::PLLoggedOutViewController(QObject* parent) : ViewController(parent) {}

QUrl PLLoggedOutViewController::signInControllerLink() {
    return g_signInLink;
}

QWidget* PLLoggedOutViewController::loadView() {
    auto* page = new PLPageView([this] { layout(); });
    m_container = new QWidget(page);
    m_container->setObjectName(QStringLiteral("loggedOutContainerView"));
    m_message = new Label(QString(), m_container);
    m_message->setObjectName(QStringLiteral("messageLabel"));
    m_message->setNumberOfLines(0);
    m_message->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_message->setFont(AccountUi::font("DejaVuSans", 17));
    m_message->setTextColor(AccountUi::hexColor("404040"));
    m_uninstall = new Label(QString(), m_container);
    m_uninstall->setObjectName(QStringLiteral("uninstallTextLabel"));
    m_uninstall->setNumberOfLines(0);
    m_uninstall->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_uninstall->setFont(AccountUi::font("DejaVuSans", 14));
    m_uninstall->setTextColor(AccountUi::hexColor("737373"));
    m_signIn = new TextView(m_container);
    m_signIn->setObjectName(QStringLiteral("showLoginTextView"));
    m_signIn->setFont(AccountUi::font("DejaVuSans", 15));
    m_signIn->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_signIn->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_signIn->setAutoFillBackground(false);
    m_signIn->viewport()->setAutoFillBackground(false);
    QPalette textPalette = m_signIn->palette();
    textPalette.setColor(QPalette::Text, AccountUi::hexColor("404040"));
    textPalette.setColor(QPalette::Link, AccountUi::hexColor("008bd1"));
    m_signIn->setPalette(textPalette);
    m_signIn->setShouldInteractWithURL([this](const QUrl& url) { return shouldInteractWithURL(url); });
    connect(m_signIn, &TextView::linkTapped, this, [](const QUrl& url) {
        if (auto* services = SystemServices::current())
            services->openURL(url);
    });
    return page;
}

void PLLoggedOutViewController::viewDidLoad() {
    ViewController::viewDidLoad();
    ViewControllerAdditions::applyCustomAttributesToNavigationBarTitle(this);
    updateTextWithAttributedString();
    layout();
}

void PLLoggedOutViewController::viewWillAppear(bool animated) {
    ViewController::viewWillAppear(animated);
    // The page has no title and no button for a bar: its navigation controller is only there to push
    // the sign-up screen, which hides the bar too.
    if (platform::ui::NavigationController* navigation = navigationController())
        navigation->setNavigationBarHidden(true, false);
}

void PLLoggedOutViewController::updateTextWithAttributedString() {
    addAttributesToOrgAndUninstallMessageText();
    addAttributesToSignInRedirectiontext();
}

void PLLoggedOutViewController::addAttributesToOrgAndUninstallMessageText() {
    m_message->setAttributedText(AttributedString(
        localized("Your account may have been disabled by your system administrator. Please check with them "
                  "for more details."),
        LabelAdditions::dejaVuRegularAttributes(m_message)));

    const QString uninstall = localized("To login with another id, please uninstall the App to delete all "
                                        "local data and then install again from the App Store");
    AttributedString text(uninstall, LabelAdditions::dejaVuRegularAttributes(m_uninstall));
    const auto [start, length] = firstOccurrence(uninstall, localized("uninstall"));
    text.addAttributes(LabelAdditions::dejaVuBoldAttributes(m_uninstall), start, length);
    text.setLineSpacing(kLineSpacing);
    m_uninstall->setAttributedText(text);
}

void PLLoggedOutViewController::addAttributesToSignInRedirectiontext() {
    const QString signIn = localized("Sign in");
    g_signInLink = AccountUi::linkForText(signIn);
    const QString message = localized("Your session may have expired.\nPlease Sign in again.");
    AttributedString text(message, TextViewAddtions::dejaVuRegularAttributes(m_signIn));
    const auto [start, length] = firstOccurrence(message, signIn);
    TextAttributes link = TextViewAddtions::dejaVuBoldAttributes(m_signIn);
    link.color = AccountUi::hexColor("008bd1");
    link.link = g_signInLink;
    text.addAttributes(link, start, length);
    text.setLineSpacing(kLineSpacing);
    AccountUi::showAttributedText(m_signIn, text, Qt::AlignHCenter);
}

void PLLoggedOutViewController::layout() {
    if (!m_container || !isViewLoaded())
        return;
    const QRect bounds = view()->rect();
    const int width = qMin(kContainerMaxWidth, bounds.width() - 40);
    m_message->setGeometry(0, 0, width, 0);
    m_message->sizeToFit();
    m_message->resize(width, m_message->height());
    m_uninstall->setGeometry(0, m_message->geometry().bottom() + 1 + kGap, width,
                             m_uninstall->heightForWidth(width));
    const int textHeight = int(std::ceil(m_signIn->heightForText(width))) + 4;
    m_signIn->setGeometry(0, m_uninstall->geometry().bottom() + 1 + kGap, width, textHeight);
    const int height = m_signIn->geometry().bottom() + 1;
    // Centred across, its middle 10 points below the page's.
    m_container->setGeometry((bounds.width() - width) / 2, bounds.height() / 2 + 10 - height / 2, width,
                             height);
}

bool PLLoggedOutViewController::shouldInteractWithURL(const QUrl& url) {
    if (url == g_signInLink) {
        signInRedirectionHandling();
        return false;
    }
    return true;
}

void PLLoggedOutViewController::signInRedirectionHandling() {
    NavigationController* nav = navigationController();
    if (!nav) {
        qCWarning(lcAccountScreens) << "The logged-out page has no navigation stack to open sign-up on";
        return;
    }
    auto* signUp = qobject_cast<PLSignUpViewController*>(ScreenRegistry::shared()->instantiate(
        QStringLiteral("Login"), QStringLiteral("PLSignUpViewController")));
    if (!signUp)
        return;
    signUp->setShouldUpdateForLoggedOut(true);
    // The host's completion outlives the page if need be: sign-up may finish after it is gone.
    QPointer<PLLoggedOutViewController> self(this);
    signUp->setPelnixLoginCompletionHandler(
        [self, kept = m_completion](bool, const PLOptionalError&, const QString&) {
            const Completion completion = self ? self->m_completion : kept;
            if (completion)
                completion();
        });
    nav->pushViewController(signUp, true);
}

} // namespace pelnix
