#include "ui/rooms/PLMakeAdminViewController.h"

#include "core/model/ChatRoom.h"
#include "core/model/RoomMember.h"
#include "core/model/User.h"
#include "foundation/PLReachabilityResponder.h"
#include "foundation/ui/CustomColors.h"
#include "foundation/ui/CustomFontRegistration.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/NavigationItem.h"
#include "ui/rooms/RoomsAnalytics.h"
#include "ui/rooms/RoomsBarButtons.h"
#include "ui/rooms/RoomsTexts.h"
#include "ui/toolkit/PLActivityIndicatorView.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace pelnix {

using platform::ui::AlertView;
using platform::ui::BarButtonItem;
using platform::ui::Button;
using platform::ui::Label;
using platform::ui::NavigationBar;
using platform::ui::NavigationItem;
using RoomsTexts::localized;

namespace {
constexpr int kContentMaximumWidth = 400;
}

PLMakeAdminViewController::PLMakeAdminViewController(QObject* parent) : PLBaseViewController(parent) {}

std::shared_ptr<ChatRoom> PLMakeAdminViewController::currentRoom() const {
    return m_roomID.isEmpty() ? nullptr : ChatRoom::chatRoomWithID(m_roomID);
}

void PLMakeAdminViewController::setCurrentRoom(const std::shared_ptr<ChatRoom>& room) {
    m_roomID = room ? room->roomId() : QString();
}

void PLMakeAdminViewController::setSelectedMember(const std::shared_ptr<RoomMember>& member) {
    m_selectedMember = PLRoomMemberReference::of(member);
}

QWidget* PLMakeAdminViewController::loadView() {
    auto* page = new QWidget;
    page->setAutoFillBackground(true);
    QPalette palette = page->palette();
    palette.setColor(QPalette::Window, Qt::white);
    page->setPalette(palette);
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    // A bar of its own, as a modal screen has: the change's name, and the way back without it.
    m_navigationBar = new NavigationBar(page);
    m_navigationBar->setObjectName(QStringLiteral("confirmationBar"));
    m_navigationBar->setTitleFont(CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans"), 17));
    m_navigationBar->setTitleColor(CustomColors::navigationBarTitleColor());
    auto* barItem = new NavigationItem(this);
    barItem->setTitle(localized("Change Admin"));
    m_closeButton = RoomsBarButtons::makeTitledButton(localized("Cancel"), QStringLiteral("closeButton"));
    barItem->setLeftBarButtonItem(new BarButtonItem(static_cast<QWidget*>(m_closeButton.data())));
    m_navigationBar->setItems(barItem, nullptr);
    column->addWidget(m_navigationBar);
    // The statement and Confirm keep a phone's measure on a wide window, centred.
    auto* content = new QWidget(page);
    content->setMaximumWidth(kContentMaximumWidth);
    auto* centred = new QHBoxLayout;
    centred->addStretch();
    centred->addWidget(content, 1);
    centred->addStretch();
    auto* body = new QVBoxLayout(content);
    body->setContentsMargins(24, 40, 24, 40);
    body->setSpacing(24);
    body->addStretch();
    m_confirmationTextLabel = new Label(QString(), content);
    m_confirmationTextLabel->setObjectName(QStringLiteral("confirmationTextLabel"));
    m_confirmationTextLabel->setFont(CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans"), 17));
    m_confirmationTextLabel->setTextColor(QColor(64, 64, 64));
    m_confirmationTextLabel->setNumberOfLines(0);
    m_confirmationTextLabel->setAlignment(Qt::AlignCenter);
    body->addWidget(m_confirmationTextLabel);
    m_confirmButton = new Button(content);
    m_confirmButton->setObjectName(QStringLiteral("confirmButton"));
    m_confirmButton->setTitle(localized("Confirm"));
    m_confirmButton->setTitleFont(CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans"), 15));
    m_confirmButton->setTitleColor(Qt::white);
    m_confirmButton->setBackgroundColor(CustomColors::pelnixBlueColor());
    m_confirmButton->setCornerRadius(4);
    m_confirmButton->setFixedHeight(44);
    // Tab reaches it; a click leaves the keys where they are.
    m_confirmButton->setFocusPolicy(Qt::TabFocus);
    connect(m_closeButton, &Button::clicked, this, &PLMakeAdminViewController::closeButtonClicked);
    connect(m_confirmButton, &Button::clicked, this, &PLMakeAdminViewController::confirmButtonClicked);
    body->addWidget(m_confirmButton);
    body->addStretch();
    column->addLayout(centred, 1);
    return page;
}

void PLMakeAdminViewController::viewDidLoad() {
    PLBaseViewController::viewDidLoad();
    const auto member = selectedMember();
    const auto user = member ? member->user() : nullptr;
    m_confirmationTextLabel->setText(RoomsTexts::localizedFormat(
        "All your admin rights will now be transferred to %@", {user ? user->profileName() : QString()}));
}

void PLMakeAdminViewController::closeButtonClicked() {
    dismissViewController(true);
}

void PLMakeAdminViewController::confirmButtonClicked() {
    if (!PLReachabilityResponder::sharedInstance()->isNetworkReachable(true))
        return;
    const auto room = currentRoom();
    const auto member = selectedMember();
    if (!room || !member)
        return;
    QPointer<PLMakeAdminViewController> self(this);
    const bool started =
        room->changeAdmin(member, [self](bool success, const PLOptionalError&, const QString&) {
            PLActivityIndicatorView::dismiss();
            if (self)
                self->changeFinished(success);
        });
    if (started)
        PLActivityIndicatorView::show();
}

void PLMakeAdminViewController::changeFinished(bool success) {
    const auto member = selectedMember();
    const auto user = member ? member->user() : nullptr;
    RoomsAnalytics::trackRoomEvent(
        QStringLiteral("Change Admin"), currentRoom(), success,
        {{QStringLiteral("details of otherUsers"), user ? user->email() : QString()}});
    if (!success) {
        auto* alert =
            new AlertView(localized("Failed"), localized("Couldn't change admin"), localized("OK"), {});
        alert->setObjectName(QStringLiteral("changeAdminFailedAlert"));
        alert->show(window());
        return;
    }
    platform::ui::WeakDelegate<PLAdminChangesProtocol> delegate = m_adminChangeDelegate;
    dismissViewController(true, [delegate] {
        if (PLAdminChangesProtocol* target = delegate.get())
            target->adminChangeComplete();
    });
}

} // namespace pelnix
