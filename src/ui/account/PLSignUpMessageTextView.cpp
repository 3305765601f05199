#include "ui/account/PLSignUpMessageTextView.h"

#include "ui/account/AccountUi.h"

#include <QtMath>

namespace pelnix {

using namespace platform::ui;
using AccountUi::localized;

namespace {
QUrl g_termsLink;
QUrl g_privacyLink;
} // namespace

PLSignUpMessageTextView::PLSignUpMessageTextView(QWidget* parent) : TextView(parent) {
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setAutoFillBackground(false);
    viewport()->setAutoFillBackground(false);
}

QUrl PLSignUpMessageTextView::termsAndConditionsControllerLink() {
    return g_termsLink;
}

QUrl PLSignUpMessageTextView::privacyPolicyControllerLink() {
    return g_privacyLink;
}

void PLSignUpMessageTextView::awakeFromNib() {
    const QString message =
        localized("By Pressing 'Next' you agree to our \nTerms and Conditions and Privacy Policy.");
    const QString terms = localized("Terms and Conditions");
    const QString privacy = localized("Privacy Policy");
    g_termsLink = AccountUi::linkForText(terms);
    g_privacyLink = AccountUi::linkForText(privacy);

    setEditable(false);
    setSelectable(false);
    setTextContainerInset({});
    document()->setDocumentMargin(0);

    TextAttributes base;
    base.font = AccountUi::font("DejaVuSans", 12);
    base.color = AccountUi::hexColor("999999");
    setFont(*base.font);
    AttributedString text(message, base);
    text.setLineSpacing(5);
    for (const auto& [part, link] : {std::pair{terms, g_termsLink}, std::pair{privacy, g_privacyLink}}) {
        const qsizetype at = message.indexOf(part);
        if (at < 0 || part.isEmpty())
            continue;
        TextAttributes linked = base;
        linked.underline = true;
        linked.color = AccountUi::hexColor("737373");
        linked.link = link;
        text.addAttributes(linked, int(at), int(part.size()));
    }
    QPalette palette = this->palette();
    palette.setColor(QPalette::Link, AccountUi::hexColor("737373"));
    setPalette(palette);
    AccountUi::showAttributedText(this, text, Qt::AlignHCenter);
    const int needed = qCeil(heightForText(width()));
    if (needed > height())
        resize(width(), needed);
}

} // namespace pelnix
