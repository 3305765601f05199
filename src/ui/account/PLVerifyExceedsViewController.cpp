#include "ui/account/PLVerifyExceedsViewController.h"

#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "ui/account/AccountUi.h"

#include <QGridLayout>
#include <QVBoxLayout>

namespace pelnix {

using namespace platform::ui;
using AccountUi::localized;

PLVerifyExceedsViewController::PLVerifyExceedsViewController(QObject* parent) : ViewController(parent) {}

QWidget* PLVerifyExceedsViewController::loadView() {
    auto* page = new QWidget;
    page->setAutoFillBackground(true);
    QPalette palette = page->palette();
    palette.setColor(QPalette::Window, Qt::white);
    page->setPalette(palette);
    auto* column = new QWidget(page);
    column->setFixedWidth(280);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(18);
    auto* heading = AccountUi::heading(localized("Verification attempts exceeded"), nullptr);
    heading->setObjectName(QStringLiteral("exceededHeading"));
    auto* message = AccountUi::centredText("DejaVuSans", 15, "404040", nullptr);
    message->setText(localized("You have tried too many codes. Please sign up again to receive a new "
                               "verification code."));
    message->setObjectName(QStringLiteral("exceededMessage"));
    m_button = AccountUi::primaryButton(localized("Sign Up Again"), nullptr);
    m_button->setObjectName(QStringLiteral("exceededButton"));
    m_button->setFixedHeight(44);
    connect(m_button, &QAbstractButton::clicked, this, [this] { dismiss(); });
    layout->addWidget(heading);
    layout->addWidget(message);
    layout->addSpacing(8);
    layout->addWidget(m_button);
    // The column stays in the middle of the page whatever its size.
    auto* outer = new QGridLayout(page);
    outer->addWidget(column, 0, 0, Qt::AlignCenter);
    return page;
}

void PLVerifyExceedsViewController::dismiss() {
    // The sign-up screen beneath carries the host's login completion; a new one would not.
    dismissViewController(true);
}

} // namespace pelnix
