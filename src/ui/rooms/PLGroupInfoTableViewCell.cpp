#include "ui/rooms/PLGroupInfoTableViewCell.h"

#include "foundation/PLReachabilityResponder.h"
#include "foundation/ui/CustomColors.h"
#include "foundation/ui/CustomFontRegistration.h"
#include "foundation/ui/ImageAdditions.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/ImageViewWebCache.h"
#include "platform/ui/Label.h"
#include "platform/ui/Switch.h"
#include "platform/ui/TapGestureRecognizer.h"
#include "platform/ui/TextField.h"
#include "ui/rooms/RoomsTexts.h"
#include "ui/toolkit/Geometry.h"
#include "ui/toolkit/PLRoundImageView.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcGroupInfoCell, "pelnix.ui.rooms.groupinfocell", QtWarningMsg)

namespace pelnix {

using namespace platform::ui;
using RoomsTexts::localized;

namespace {
QFont fontNamed(const char* name, qreal size) {
    return CustomFontRegistration::fontWithName(QLatin1String(name), size);
}

// The row icons the bundle may lack under their own names.
QImage rowIcon(const QString& name) {
    static const QHash<QString, QString> stand{
        {QStringLiteral("members"), QStringLiteral("addMemberToGroupIcon")},
        {QStringLiteral("clearConversation"), QStringLiteral("clearConversationIcon")},
        {QStringLiteral("closeGreen"), QStringLiteral("deleteGroupIcon")},
        {QStringLiteral("OnlyAdmin"), QStringLiteral("groupInfoIcon")},
        {QStringLiteral("HideMember"), QStringLiteral("groupImage")}};
    QImage image = ImageAdditions::loadImageNamed(name);
    if (image.isNull() && stand.contains(name))
        image = ImageAdditions::loadImageNamed(stand.value(name));
    return image;
}

const QImage& defaultPicture() {
    static const QImage image = ImageAdditions::markedAsPlaceholder(
        ImageAdditions::loadImageNamed(QStringLiteral("defaultProfileImage")));
    return image;
}

Label* makeLabel(QWidget* parent, const QFont& font, const QColor& color) {
    auto* label = new Label(QString(), parent);
    label->setFont(font);
    label->setTextColor(color);
    return label;
}

Button* makeImageButton(QWidget* parent, const char* imageName, const char* objectName) {
    auto* button = new Button(parent);
    button->setObjectName(QLatin1String(objectName));
    button->setImage(ImageAdditions::loadImageNamed(QLatin1String(imageName)));
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

struct SwitchTexts {
    const char* title;
    const char* message;
};

SwitchTexts confirmationTexts(qint64 type, bool on) {
    if (type == PLGroupInfoTableViewCell::AdminOnlySwitch)
        return {"Confirm", on ? "Are you sure you want to activate admin only chat in the group?"
                              : "Are you sure you want to deactivate admin only chat in the group?"};
    return on ? SwitchTexts{"Hide Member Info",
                            "Contact info of this group is visible to all members. Are you sure you want to "
                            "hide it?"}
              : SwitchTexts{"Show Member Info",
                            "Contact info of this group is hidden for all members. Are you sure you want to "
                            "show it?"};
}
} // namespace

PLGroupInfoTableViewCell::PLGroupInfoTableViewCell(const QString& reuseIdentifier, QWidget* parent)
    : TableViewCell(Style::Default, reuseIdentifier, parent) {
    QString base = reuseIdentifier;
    if (base.endsWith(kRightToLeftSuffix)) {
        m_rightToLeft = true;
        base.chop(kRightToLeftSuffix.size());
    }
    if (base == kCoverIdentifier)
        buildCover();
    else if (base == kAdminIdentifier)
        buildAdmin();
    else if (base == kEditNameIdentifier)
        buildEditName();
    else
        buildField();
    awakeFromNib();
}

PLGroupInfoTableViewCell::~PLGroupInfoTableViewCell() {
    if (m_confirmation)
        m_confirmation->dismiss();
}

void PLGroupInfoTableViewCell::buildCover() {
    m_variant = Variant::Cover;
    setSelectionStyle(SelectionStyle::None);
    setSeparatorVisible(false);
    contentView()->setAutoFillBackground(true);
    QPalette palette = contentView()->palette();
    palette.setColor(QPalette::Window, QColor(0xEF, 0xEF, 0xF4));
    contentView()->setPalette(palette);
    m_groupIconImageView = new PLRoundImageView(contentView());
    m_groupIconImageView->setObjectName(QStringLiteral("groupIconImageView"));
    m_groupIconImageView->setContentMode(ImageView::ContentMode::ScaleAspectFill);
    m_groupIconImageView->setImage(defaultPicture());
    m_changeIconButton = makeImageButton(contentView(), "profileCameraIcon", "changeIconButton");
    connect(m_changeIconButton, &Button::clicked, this, &PLGroupInfoTableViewCell::changeGroupIcon);
    m_editGroupInfoButton = makeImageButton(contentView(), "profileEditIcon", "editGroupInfoButton");
    connect(m_editGroupInfoButton, &Button::clicked, this, &PLGroupInfoTableViewCell::editGroupInfo);
    m_groupNameLabel = makeLabel(contentView(), fontNamed("DejaVuSans-Bold", 18), QColor(0x40, 0x40, 0x40));
    m_groupNameLabel->setObjectName(QStringLiteral("groupNameLabel"));
    m_groupNameLabel->setAlignment(Qt::AlignCenter);
    m_groupMembersLabel = makeLabel(contentView(), fontNamed("DejaVuSans", 14), QColor(0x88, 0x88, 0x88));
    m_groupMembersLabel->setObjectName(QStringLiteral("groupMembersLabel"));
    m_groupMembersLabel->setAlignment(Qt::AlignCenter);
}

void PLGroupInfoTableViewCell::buildField() {
    m_variant = Variant::Field;
    m_iconImageView = new ImageView(contentView());
    m_iconImageView->setObjectName(QStringLiteral("iconImageView"));
    m_iconImageView->setContentMode(ImageView::ContentMode::ScaleAspectFit);
    m_infoFieldLabel = makeLabel(contentView(), fontNamed("DejaVuSans", 16), QColor(0x40, 0x40, 0x40));
    m_infoFieldLabel->setObjectName(QStringLiteral("infoFieldLabel"));
    m_stateSwitch = new Switch(contentView());
    m_stateSwitch->setObjectName(QStringLiteral("stateSwitch"));
    m_stateSwitch->setBackgroundColor(QColor(238, 238, 238));
    m_stateSwitch->setCornerRadius(16);
    // The row mirrored on its own mirrors its switch too: off, the knob lies at the right.
    if (m_rightToLeft)
        m_stateSwitch->setLayoutDirection(Qt::RightToLeft);
    m_stateSwitch->hide();
    connect(m_stateSwitch, &Switch::valueChanged, this, &PLGroupInfoTableViewCell::switchStateChanged);
}

void PLGroupInfoTableViewCell::buildAdmin() {
    m_variant = Variant::Admin;
    m_adminIcon = new PLRoundImageView(contentView());
    m_adminIcon->setObjectName(QStringLiteral("adminIcon"));
    m_adminIcon->setContentMode(ImageView::ContentMode::ScaleAspectFill);
    m_adminName = makeLabel(contentView(), fontNamed("DejaVuSans", 16), QColor(0x40, 0x40, 0x40));
    m_adminName->setObjectName(QStringLiteral("adminName"));
    m_changeAdminButton = new Button(contentView());
    m_changeAdminButton->setObjectName(QStringLiteral("changeAdminButton"));
    m_changeAdminButton->setTitle(localized("Change Admin"));
    m_changeAdminButton->setTitleFont(fontNamed("DejaVuSans", 13));
    m_changeAdminButton->setTitleColor(CustomColors::pelnixBlueColor());
    m_changeAdminButton->setFocusPolicy(Qt::NoFocus);
    m_changeAdminButton->hide();
    connect(m_changeAdminButton, &Button::clicked, this, &PLGroupInfoTableViewCell::changeAdminClicked);
}

void PLGroupInfoTableViewCell::buildEditName() {
    m_variant = Variant::EditName;
    setSelectionStyle(SelectionStyle::None);
    m_groupNameTextField = new TextField(contentView());
    m_groupNameTextField->setObjectName(QStringLiteral("groupNameTextField"));
    m_groupNameTextField->setFrame(false);
    m_groupNameTextField->setShouldChangeCharacters(
        [this](int start, int length, const QString& replacement) {
            return shouldChangeCharacters(start, length, replacement);
        });
    connect(m_groupNameTextField, &TextField::editingChanged, this,
            &PLGroupInfoTableViewCell::groupInfoTextChanged);
    connect(m_groupNameTextField, &QLineEdit::returnPressed, m_groupNameTextField,
            &TextField::resignFirstResponder);
    connect(m_groupNameTextField, &TextField::editingDidBegin, this, [this] {
        if (auto* delegate = m_delegate.get())
            delegate->groupInforCellDidBeginEditingTextField(this, m_groupNameTextField);
    });
    connect(m_groupNameTextField, &TextField::editingDidEnd, this, [this] {
        if (auto* delegate = m_delegate.get())
            delegate->groupInforCellDidEndEditingTextField(this, m_groupNameTextField);
    });
    m_counterTextLabel = makeLabel(contentView(), fontNamed("DejaVuSans", 13), QColor(0x88, 0x88, 0x88));
    m_counterTextLabel->setObjectName(QStringLiteral("counterTextLabel"));
    m_counterTextLabel->setAlignment(Qt::AlignCenter);
    setCounter(0);
}

void PLGroupInfoTableViewCell::awakeFromNib() {
    if (m_groupNameTextField) {
        m_groupNameTextField->setPlaceholderFont(fontNamed("DejaVuSans-Bold", 17));
        m_groupNameTextField->setPlaceholderColor(QColor(137, 137, 137));
        m_groupNameTextField->setFont(fontNamed("DejaVuSans", 15));
        m_groupNameTextField->setAccessibleName(QStringLiteral("groupNameTextField"));
    }
}

// ---- Cover

void PLGroupInfoTableViewCell::configureGroupCoverCell(const QString& name, quint64 totalMembers,
                                                       const QString& membersInfo, const QString& imageURL,
                                                       bool isEditing, const QImage& image,
                                                       bool shouldRemoveGroupIcon, bool isCurrentUserAdmin) {
    if (m_variant != Variant::Cover)
        return;
    m_groupNameLabel->setText(name);
    if (!m_groupImageTapGesture) {
        m_groupImageTapGesture =
            new TapGestureRecognizer([this](GestureRecognizer*) { groupIconTapHandler(); });
        m_groupImageTapGesture->addToView(m_groupIconImageView);
    }
    m_groupMembersLabel->setText(totalMembers == 0 ? QStringLiteral(" ") : membersInfo);
    // The picked picture, then the removal, then the stored picture.
    if (!image.isNull()) {
        ImageViewWebCache::pl_cancelCurrentImageLoad(m_groupIconImageView);
        m_groupIconImageView->setImage(image);
    } else if (shouldRemoveGroupIcon || imageURL.isEmpty()) {
        ImageViewWebCache::pl_cancelCurrentImageLoad(m_groupIconImageView);
        m_groupIconImageView->setImage(defaultPicture());
    } else {
        ImageViewWebCache::pl_setImageWithURL(m_groupIconImageView, QUrl(imageURL), defaultPicture(),
                                              ImageViewWebCache::ProgressiveDownload);
    }
    m_editGroupInfoButton->setVisible(isCurrentUserAdmin && !isEditing);
    m_changeIconButton->setVisible(isEditing);
    layoutSubviews();
}

QImage PLGroupInfoTableViewCell::currentGroupImage() const {
    return m_groupIconImageView ? m_groupIconImageView->image() : QImage();
}

void PLGroupInfoTableViewCell::groupIconTapHandler() {
    if (auto* delegate = m_delegate.get())
        delegate->groupInforCellChangeGroupIconButtonPressed(this, m_groupImageTapGesture);
}

void PLGroupInfoTableViewCell::changeGroupIcon() {
    if (auto* delegate = m_delegate.get())
        delegate->groupInforCellChangeGroupIconButtonPressed(this, m_changeIconButton);
}

void PLGroupInfoTableViewCell::editGroupInfo() {
    if (auto* delegate = m_delegate.get())
        delegate->groupInforCellEditButtonClicked(this);
}

// ---- Plain rows and switches

void PLGroupInfoTableViewCell::configureGroupFieldCell(const QString& displayName, const QString& imageName) {
    if (m_infoFieldLabel)
        m_infoFieldLabel->setText(displayName);
    if (m_iconImageView)
        m_iconImageView->setImage(rowIcon(imageName));
}

void PLGroupInfoTableViewCell::showStateSwitch(bool show) {
    if (!m_stateSwitch)
        return;
    m_stateSwitch->setVisible(show);
    layoutSubviews();
}

void PLGroupInfoTableViewCell::setSwitchState(bool on, bool animated) {
    if (m_stateSwitch)
        m_stateSwitch->setOn(on, animated);
}

void PLGroupInfoTableViewCell::switchStateChanged() {
    if (m_cellType != AdminOnlySwitch && m_cellType != HideMemberSwitch)
        return;
    if (!PLReachabilityResponder::sharedInstance()->isNetworkReachable(true)) {
        m_stateSwitch->setOn(!m_stateSwitch->isOn(), true);
        return;
    }
    const bool on = m_stateSwitch->isOn();
    const SwitchTexts texts = confirmationTexts(m_cellType, on);
    if (m_confirmation)
        m_confirmation->dismiss();
    QPointer<PLGroupInfoTableViewCell> self(this);
    m_confirmation = new AlertView(localized(texts.title), localized(texts.message), localized("Cancel"),
                                   {localized("Yes")}, [self](AlertView*, int index) {
                                       if (self)
                                           self->confirmationAnswered(index);
                                   });
    m_confirmation->setObjectName(QStringLiteral("switchConfirmation"));
    m_confirmation->show();
    const qint64 wish = on ? 1 : 2;
    if (auto* delegate = m_delegate.get()) {
        if (m_cellType == AdminOnlySwitch)
            delegate->groupInforCellAdminWantsToChangeAdminOnlyStateTo(this, wish);
        else
            delegate->groupInforCellAdminWantsToChangeHideMemeberProfileStateTo(this, wish);
    }
}

void PLGroupInfoTableViewCell::confirmationAnswered(int buttonIndex) {
    auto* delegate = m_delegate.get();
    if (buttonIndex != 0) {
        if (delegate && m_cellType == AdminOnlySwitch)
            delegate->groupInforCellChangedAdminOnlyState(this, m_stateSwitch->isOn());
        else if (delegate && m_cellType == HideMemberSwitch)
            delegate->groupInforCellChangedHideProfileMemberState(this, m_stateSwitch->isOn());
        return;
    }
    m_stateSwitch->setOn(!m_stateSwitch->isOn(), true);
    if (delegate && m_cellType == AdminOnlySwitch)
        delegate->resetAdminOnlyState();
    else if (delegate && m_cellType == HideMemberSwitch)
        delegate->resetMemberProfileState();
}

// ---- Admin row

void PLGroupInfoTableViewCell::showAdmin(const QString& name, const QString& imageURL, bool isAdmin) {
    if (m_variant != Variant::Admin)
        return;
    m_adminName->setText(isAdmin ? localized("You") : name);
    m_changeAdminButton->setVisible(isAdmin);
    static const QImage placeholder = ImageAdditions::loadImageNamed(QStringLiteral("tempProfileImage"));
    ImageViewWebCache::pl_setImageWithURL(m_adminIcon, QUrl(imageURL), placeholder);
    layoutSubviews();
}

void PLGroupInfoTableViewCell::changeAdminClicked() {
    if (auto* delegate = m_delegate.get())
        delegate->groupInforCellChangeAdminButtonClicked(this);
}

// ---- Name editor

void PLGroupInfoTableViewCell::configureEditGroupNameCell(const QString& text, bool isPlaceHolderText) {
    if (!m_groupNameTextField)
        return;
    m_nameLength = isPlaceHolderText ? 0 : text.size();
    m_groupNameTextField->setText(isPlaceHolderText ? QString() : text);
    if (isPlaceHolderText)
        m_groupNameTextField->setPlaceholder(text);
    setCounter(m_nameLength);
}

bool PLGroupInfoTableViewCell::shouldChangeCharacters(int, int length, const QString& replacement) {
    // Counted from the last accepted text: the field may already hold the proposed one.
    const qsizetype next = m_nameLength - length + replacement.size();
    if (next > kMaxNameLength)
        return false;
    m_nameLength = next;
    setCounter(next);
    return true;
}

void PLGroupInfoTableViewCell::groupInfoTextChanged(const QString& text) {
    if (text.isEmpty())
        m_groupNameTextField->setPlaceholder(localized("Group Subject"));
}

void PLGroupInfoTableViewCell::setCounter(qsizetype length) {
    if (m_counterTextLabel)
        m_counterTextLabel->setText(RoomsTexts::localizedFormat("%lu/20", {QString::number(length)}));
}

// ---- Look

void PLGroupInfoTableViewCell::setHighlighted(bool highlighted) {
    const bool was = isHighlighted();
    if (highlighted && !was)
        m_restingSeparatorColor = separatorColor();
    TableViewCell::setHighlighted(highlighted);
    // Over the highlight the line takes the library's separator colour, so it stays visible; the
    // table's own colour comes back with the row's.
    if (highlighted)
        setSeparatorColor(CustomColors::customSeparatorColor().color());
    else if (was)
        setSeparatorColor(m_restingSeparatorColor);
}

bool PLGroupInfoTableViewCell::isMirrored() const {
    return m_rightToLeft || layoutDirection() == Qt::RightToLeft;
}

QRect PLGroupInfoTableViewCell::placed(const QRect& leftToRight) const {
    if (!isMirrored())
        return leftToRight;
    const int width = contentView()->width();
    return QRect(width - leftToRight.x() - leftToRight.width(), leftToRight.y(), leftToRight.width(),
                 leftToRight.height());
}

void PLGroupInfoTableViewCell::layoutSubviews() {
    TableViewCell::layoutSubviews();
    const int width = contentView()->width();
    const int height = contentView()->height();
    const Qt::Alignment leading = Geometry::leadingAlignment(isMirrored());
    switch (m_variant) {
    case Variant::Cover: {
        const QRect picture = placed(QRect((width - kPictureSide) / 2, 22, kPictureSide, kPictureSide));
        m_groupIconImageView->setGeometry(picture);
        m_groupIconImageView->awakeFromNib();
        // The change-picture button at the picture's trailing lower corner, Edit at the top trailing one.
        m_changeIconButton->setGeometry(
            placed(QRect((width - kPictureSide) / 2 + kPictureSide - 34, picture.bottom() + 1 - 34, 34, 34)));
        m_editGroupInfoButton->setGeometry(placed(QRect(width - 12 - 36, 10, 36, 36)));
        m_groupNameLabel->setGeometry(16, picture.bottom() + 12, width - 32, 28);
        m_groupMembersLabel->setGeometry(16, picture.bottom() + 42, width - 32, 22);
        break;
    }
    case Variant::Field: {
        m_infoFieldLabel->setAlignment(leading | Qt::AlignVCenter);
        m_iconImageView->setGeometry(placed(QRect(16, (height - 26) / 2, 26, 26)));
        const int switchWidth = m_stateSwitch->isHidden() ? 0 : 51 + 16;
        m_infoFieldLabel->setGeometry(placed(QRect(56, 0, width - 56 - 12 - switchWidth, height)));
        m_stateSwitch->setGeometry(placed(QRect(width - 16 - 51, (height - 31) / 2, 51, 31)));
        break;
    }
    case Variant::Admin: {
        m_adminName->setAlignment(leading | Qt::AlignVCenter);
        m_adminIcon->setGeometry(
            placed(QRect(16, (height - kAdminPictureSide) / 2, kAdminPictureSide, kAdminPictureSide)));
        m_adminIcon->awakeFromNib();
        const int buttonWidth = m_changeAdminButton->isHidden() ? 0 : 110;
        m_changeAdminButton->setGeometry(placed(QRect(width - 12 - 110, (height - 32) / 2, 110, 32)));
        m_adminName->setGeometry(placed(QRect(72, 0, width - 72 - 12 - buttonWidth, height)));
        break;
    }
    case Variant::EditName:
        m_groupNameTextField->setAlignment(leading);
        m_groupNameTextField->setGeometry(placed(QRect(16, 6, width - 16 - 70, height - 12)));
        m_counterTextLabel->setGeometry(placed(QRect(width - 66, 0, 56, height)));
        break;
    }
}

} // namespace pelnix
