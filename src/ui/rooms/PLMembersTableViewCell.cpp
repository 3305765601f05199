#include "ui/rooms/PLMembersTableViewCell.h"

#include "foundation/PLReachabilityResponder.h"
#include "foundation/ui/ButtonAdditions.h"
#include "foundation/ui/CustomColors.h"
#include "foundation/ui/CustomFontRegistration.h"
#include "foundation/ui/ImageAdditions.h"
#include "platform/BidiText.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Window.h"
#include "ui/rooms/RoomsTexts.h"

#include <QStyle>

namespace pelnix {

using platform::ui::AlertView;
using platform::ui::Button;
using platform::ui::Label;
using RoomsTexts::localized;

namespace {
const QColor kYouColor(16, 112, 189);
const QColor kNameColor(64, 64, 64);
const QColor kAdminColor(0x25, 0xa5, 0x49);
} // namespace

PLMembersTableViewCell::PLMembersTableViewCell(const QString& reuseIdentifier, QWidget* parent)
    : TableViewCell(Style::Default, reuseIdentifier, parent) {
    if (reuseIdentifier.endsWith(QLatin1String("RToL")))
        setLayoutDirection(Qt::RightToLeft);
    m_emailLabel = new Label(QString(), contentView());
    m_emailLabel->setObjectName(QStringLiteral("emailLabel"));
    m_emailLabel->setFont(CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans"), 15));
    m_emailLabel->setTextColor(kNameColor);
    m_adminLabel = new Label(localized("Admin"), contentView());
    m_adminLabel->setObjectName(QStringLiteral("adminLabel"));
    m_adminLabel->setFont(CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans"), 12));
    m_adminLabel->setTextColor(kAdminColor);
    m_adminLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_adminLabel->hide();
    m_emailImageview = new platform::ui::ImageView(contentView());
    m_emailImageview->setObjectName(QStringLiteral("emailImageview"));
    m_emailImageview->setContentMode(platform::ui::ImageView::ContentMode::ScaleAspectFit);
    m_emailImageview->hide();
    m_inviteButton = new Button(contentView());
    m_inviteButton->setObjectName(QStringLiteral("inviteButton"));
    m_inviteButton->setTitleFont(CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans"), 13));
    m_inviteButton->setTitleColor(CustomColors::pelnixBlueColor(), Button::State::Normal);
    m_inviteButton->setTitleColor(QColor(150, 150, 150), Button::State::Disabled);
    m_inviteButton->setFocusPolicy(Qt::NoFocus);
    m_inviteButton->hide();
    connect(m_inviteButton, &Button::clicked, this, &PLMembersTableViewCell::inviteButtonClicked);
    m_closeButton = new Button(contentView());
    m_closeButton->setObjectName(QStringLiteral("closeButton"));
    m_closeButton->setImage(ImageAdditions::loadImageNamed(QStringLiteral("remove_icon")),
                            Button::State::Normal);
    m_closeButton->setFocusPolicy(Qt::NoFocus);
    m_closeButton->hide();
    connect(m_closeButton, &Button::clicked, this, &PLMembersTableViewCell::closeButtonClicked);
    ButtonAdditions::setCustomHighlightColor(this);
}

void PLMembersTableViewCell::configureCellWithMember(const std::shared_ptr<RoomMember>& member, bool isAdmin,
                                                     bool isCurrentUser, bool isCurrentUserIsAdmin) {
    m_member = PLRoomMemberReference::of(member);
    m_pendingRow = false;
    m_emptyState = false;
    m_wideLabel = false;
    m_emailImageview->hide();
    m_inviteButton->hide();
    m_emailLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    if (isCurrentUser) {
        setRowText(localized("You"));
        m_emailLabel->setTextColor(kYouColor);
    } else {
        const auto user = member ? member->user() : nullptr;
        setRowText(user ? user->profileName() : QString());
        m_emailLabel->setTextColor(kNameColor);
    }
    m_adminLabel->setVisible(isAdmin);
    m_closeButton->setVisible(!isCurrentUser && isCurrentUserIsAdmin);
    layoutSubviews();
}

void PLMembersTableViewCell::configureCellWithName(const QString& name, const QString& type, bool isAdmin) {
    resetCellForMembers(false);
    m_pendingRow = true;
    m_adminLabel->hide();
    m_emailLabel->setTextColor(kNameColor);
    // The invitee's address or number shows as its invitation sends it; the server knows the
    // invitee by the name it gave.
    m_inviteeName = name;
    setRowText(platform::BidiText::withoutControls(name));
    if (type == QLatin1String("email") || type == QLatin1String("phone")) {
        m_iconName =
            type == QLatin1String("email") ? QStringLiteral("emailIcon") : QStringLiteral("phoneIcon");
        m_emailImageview->setImage(ImageAdditions::loadImageNamed(m_iconName));
    }
    m_wideLabel = !isAdmin;
    if (!isAdmin) {
        m_inviteButton->hide();
        m_closeButton->hide();
    } else if (type == QLatin1String("email")) {
        m_inviteButton->setTitle(localized("Invited"));
        m_inviteButton->setEnabled(false);
    } else if (type == QLatin1String("phone")) {
        m_inviteButton->setTitle(localized("Invite"));
        m_inviteButton->setEnabled(true);
    }
    layoutSubviews();
}

void PLMembersTableViewCell::configureCellForEmptyPendingMembers() {
    setRowText(localized("No Pending Members"));
    m_emailLabel->setTextColor(kNameColor);
    m_adminLabel->hide();
    resetCellForMembers(true);
}

void PLMembersTableViewCell::resetCellForMembers(bool empty) {
    m_inviteButton->setHidden(empty);
    m_closeButton->setHidden(empty);
    m_emailImageview->setHidden(empty);
    // The empty state's centred layout holds only while the row is empty; a row configured for an
    // invitee afterwards gets its own layout back.
    m_emptyState = empty;
    m_emailLabel->setAlignment(empty ? Qt::AlignCenter : (Qt::AlignLeft | Qt::AlignVCenter));
    layoutSubviews();
}

void PLMembersTableViewCell::inviteButtonClicked() {
    if (PLMembersCellDelegate* delegate = m_delegate.get())
        delegate->invitePendingMemberViaSms(m_rowText);
}

void PLMembersTableViewCell::closeButtonClicked() {
    if (!PLReachabilityResponder::sharedInstance()->isNetworkReachable(true))
        return;
    QPointer<PLMembersTableViewCell> self(this);
    auto* alert =
        new AlertView(localized("Confirm"),
                      RoomsTexts::localizedFormat("Do you want to delete %@ from this group?", {m_rowText}),
                      {}, {localized("Yes"), localized("No")}, [self](AlertView*, int index) {
                          if (self)
                              self->alertViewClickedButtonAtIndex(index);
                      });
    alert->setCancelButtonIndex(1);
    alert->setObjectName(QStringLiteral("memberRemovalAlert"));
    alert->show(qobject_cast<platform::ui::Window*>(window()));
}

void PLMembersTableViewCell::alertViewClickedButtonAtIndex(int index) {
    if (index != 0)
        return;
    if (!PLReachabilityResponder::sharedInstance()->isNetworkReachable(true))
        return;
    PLMembersCellDelegate* delegate = m_delegate.get();
    if (!delegate)
        return;
    if (!m_member.isNull()) {
        // A member the store no longer holds has nothing left to remove.
        if (const auto member = m_member.resolve())
            delegate->removeMember(member);
        return;
    }
    delegate->removePendingMember(m_inviteeName);
}

void PLMembersTableViewCell::setRowText(const QString& text) {
    m_rowText = text;
    fitRowText();
}

void PLMembersTableViewCell::fitRowText() {
    // Before the row has its width there is nothing to fit.
    const int width = m_emailLabel->width();
    m_emailLabel->setText(
        width > 0 ? QFontMetrics(m_emailLabel->font()).elidedText(m_rowText, Qt::ElideRight, width)
                  : m_rowText);
}

void PLMembersTableViewCell::prepareForReuse() {
    TableViewCell::prepareForReuse();
    m_member = {};
}

void PLMembersTableViewCell::layoutSubviews() {
    TableViewCell::layoutSubviews();
    if (!m_closeButton)
        return;
    const QRect bounds = contentView()->rect();
    const int w = bounds.width();
    const int h = bounds.height();
    auto place = [&](QWidget* view, const QRect& rect) {
        view->setGeometry(QStyle::visualRect(layoutDirection(), bounds, rect));
    };
    if (m_emptyState) {
        place(m_emailLabel, QRect(0, 0, w, h));
        fitRowText();
        return;
    }
    const int removeLeft = w - kRemoveSide;
    place(m_closeButton, QRect(removeLeft, (h - kRemoveSide) / 2, kRemoveSide, kRemoveSide));
    if (m_pendingRow) {
        place(m_emailImageview, QRect(kMargin, (h - kIconSide) / 2, kIconSide, kIconSide));
        const int inviteLeft = removeLeft - kInviteWidth;
        place(m_inviteButton, QRect(inviteLeft, 0, kInviteWidth, h));
        const int labelLeft = kMargin + kIconSide + kIconGap;
        const int right = m_wideLabel ? w - kIconSide : inviteLeft - 4;
        place(m_emailLabel, QRect(labelLeft, 0, qMax(0, right - labelLeft), h));
        fitRowText();
        return;
    }
    const int adminLeft = removeLeft - kAdminWidth;
    place(m_adminLabel, QRect(adminLeft, 0, kAdminWidth - 4, h));
    const int right = m_adminLabel->isHidden() ? removeLeft : adminLeft;
    place(m_emailLabel, QRect(kMargin, 0, qMax(0, right - 4 - kMargin), h));
    fitRowText();
}

} // namespace pelnix
