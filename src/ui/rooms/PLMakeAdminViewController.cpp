#include "ui/rooms/PLMakeAdminViewController.h"

#include "core/model/ChatRoom.h"
#include "core/model/RoomMember.h"
#include "core/model/User.h"
#include "foundation/PLReachabilityResponder.h"
#include "foundation/ui/CustomColors.h"
#include "foundation/ui/CustomFontRegistration.h"
#include "platform/ui/AlertView.h"
#include "ui/rooms/RoomsAnalytics.h"
#include "ui/rooms/RoomsTexts.h"
#include "ui/toolkit/PLActivityIndicatorView.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace pelnix {

using platform::ui::AlertView;
using platform::ui::Button;
using platform::ui::Label;
using RoomsTexts::localized;

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
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(24, 40, 24, 40);
    layout->setSpacing(24);
    layout->addStretch();
    m_confirmationTextLabel = new Label(QString(), page);
    m_confirmationTextLabel->setObjectName(QStringLiteral("confirmationTextLabel"));
    m_confirmationTextLabel->setFont(CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans"), 17));
    m_confirmationTextLabel->setTextColor(QColor(64, 64, 64));
    m_confirmationTextLabel->setNumberOfLines(0);
    m_confirmationTextLabel->setAlignment(Qt::AlignCenter);
    layout->addWidget(m_confirmationTextLabel);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(16);
    const auto makeButton = [page](const char* name, const QString& title, const QColor& background) {
        auto* button = new Button(page);
        button->setObjectName(QString::fromLatin1(name));
        button->setTitle(title);
        button->setTitleFont(CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans"), 15));
        button->setTitleColor(Qt::white);
        button->setBackgroundColor(background);
        button->setCornerRadius(4);
        button->setFixedHeight(44);
        button->setFocusPolicy(Qt::NoFocus);
        return button;
    };
    m_closeButton = makeButton("closeButton", localized("Cancel"), QColor(150, 150, 150));
    m_confirmButton = makeButton("confirmButton", localized("Confirm"), CustomColors::pelnixBlueColor());
    connect(m_closeButton, &Button::clicked, this, &PLMakeAdminViewController::closeButtonClicked);
    connect(m_confirmButton, &Button::clicked, this, &PLMakeAdminViewController::confirmButtonClicked);
    buttons->addWidget(m_closeButton);
    buttons->addWidget(m_confirmButton);
    layout->addLayout(buttons);
    layout->addStretch();
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
