#include "ui/rooms/PLNewGroupTableViewController.h"

#include "foundation/ui/CustomColors.h"
#include "foundation/ui/CustomFontRegistration.h"
#include "foundation/ui/ImageAdditions.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/Switch.h"
#include "platform/ui/TapGestureRecognizer.h"
#include "platform/ui/TextField.h"
#include "ui/account/PLImageSelectionProvider.h"
#include "ui/rooms/GroupPictureUpload.h"
#include "ui/rooms/RoomsTexts.h"
#include "ui/toolkit/Geometry.h"
#include "ui/toolkit/PLRoundImageView.h"

#include <QEvent>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcNewGroupForm, "pelnix.ui.rooms.newgroupform", QtWarningMsg)

namespace pelnix {

using namespace platform::ui;
using RoomsTexts::localized;

namespace {
QFont fontNamed(const char* name, qreal size) {
    return CustomFontRegistration::fontWithName(QLatin1String(name), size);
}
} // namespace

PLNewGroupTableViewController::PLNewGroupTableViewController(bool rightToLeft, QObject* parent)
    : ViewController(parent), m_rightToLeft(rightToLeft) {}

PLNewGroupTableViewController::~PLNewGroupTableViewController() = default;

QWidget* PLNewGroupTableViewController::loadView() {
    auto* page = new QWidget;
    page->setAutoFillBackground(true);
    QPalette palette = page->palette();
    palette.setColor(QPalette::Window, Qt::white);
    page->setPalette(palette);
    m_groupIconImageView = new PLRoundImageView(page);
    m_groupIconImageView->setObjectName(QStringLiteral("GroupIconImageView"));
    m_groupIconImageView->setContentMode(ImageView::ContentMode::ScaleAspectFill);
    m_groupIconImageView->setImage(ImageAdditions::loadImageNamed(QStringLiteral("add_Image_1")));
    auto* tap = new TapGestureRecognizer([this](GestureRecognizer*) { chooseImage(); });
    tap->addToView(m_groupIconImageView);
    m_imageSelectionButton = new Button(page);
    m_imageSelectionButton->setObjectName(QStringLiteral("imageSelectionButton"));
    m_imageSelectionButton->setImage(ImageAdditions::loadImageNamed(QStringLiteral("profileCameraIcon")));
    m_imageSelectionButton->setFocusPolicy(Qt::NoFocus);
    connect(m_imageSelectionButton, &Button::clicked, this, &PLNewGroupTableViewController::chooseImage);
    m_groupNameTextField = new TextField(page);
    m_groupNameTextField->setObjectName(QStringLiteral("groupNameTextField"));
    m_groupNameTextField->setFont(fontNamed("DejaVuSans", 16));
    m_groupNameTextField->setPlaceholder(localized("Group Subject"));
    m_groupNameTextField->setPlaceholderColor(QColor(137, 137, 137));
    m_groupNameTextField->setShouldChangeCharacters([this](int, int length, const QString& replacement) {
        return shouldChangeCharacters(length, replacement);
    });
    connect(m_groupNameTextField, &QLineEdit::returnPressed, m_groupNameTextField,
            &TextField::resignFirstResponder);
    // Only the end of editing commits the name.
    connect(m_groupNameTextField, &TextField::editingDidEnd, this,
            [this] { m_groupName = m_groupNameTextField->text(); });
    m_counterTextLabel = new Label(QString(), page);
    m_counterTextLabel->setObjectName(QStringLiteral("counterTextLabel"));
    m_counterTextLabel->setFont(fontNamed("DejaVuSans", 13));
    m_counterTextLabel->setTextColor(QColor(0x88, 0x88, 0x88));
    m_counterTextLabel->setAlignment(Qt::AlignCenter);
    setCounter(0);
    for (const char* title : {"Admin Only", "Hide member info"}) {
        auto* label = new Label(localized(title), page);
        label->setFont(fontNamed("DejaVuSans", 16));
        label->setTextColor(QColor(0x40, 0x40, 0x40));
        m_rowLabels << label;
    }
    for (int i = 0; i < 3; ++i) {
        auto* line = new QWidget(page);
        line->setAutoFillBackground(true);
        QPalette linePalette = line->palette();
        linePalette.setColor(QPalette::Window, CustomColors::chatRoomsTableViewSeparatorColor());
        line->setPalette(linePalette);
        m_separators << line;
    }
    m_adminOnlySwitch = new Switch(page);
    m_adminOnlySwitch->setObjectName(QStringLiteral("adminOnlySwitch"));
    m_hideMemberInfoSwitch = new Switch(page);
    m_hideMemberInfoSwitch->setObjectName(QStringLiteral("hideMemberInfoSwitch"));
    // The form mirrored on its own mirrors its switches too: off, their knobs lie at the right.
    if (m_rightToLeft)
        for (Switch* toggle : {m_adminOnlySwitch, m_hideMemberInfoSwitch})
            toggle->setLayoutDirection(Qt::RightToLeft);
    page->installEventFilter(this);
    return page;
}

void PLNewGroupTableViewController::viewDidLoad() {
    ViewController::viewDidLoad();
    m_groupNameTextField->setAccessibleName(QStringLiteral("groupNameTextField"));
}

bool PLNewGroupTableViewController::eventFilter(QObject* watched, QEvent* event) {
    if (watched == view() &&
        (event->type() == QEvent::Resize || event->type() == QEvent::LayoutDirectionChange))
        layoutForm();
    return ViewController::eventFilter(watched, event);
}

void PLNewGroupTableViewController::layoutForm() {
    const int width = view()->width();
    // The mirrored form, or the plain one in a view right to left.
    const bool rightToLeft = m_rightToLeft || view()->layoutDirection() == Qt::RightToLeft;
    auto placed = [rightToLeft, width](QRect rect) {
        if (rightToLeft)
            rect.moveLeft(width - rect.x() - rect.width());
        return rect;
    };
    const Qt::Alignment leading = Geometry::leadingAlignment(rightToLeft);
    m_groupNameTextField->setAlignment(leading);
    for (Label* label : std::as_const(m_rowLabels))
        label->setAlignment(leading | Qt::AlignVCenter);
    const QRect icon = placed(QRect((width - kIconSide) / 2, 20, kIconSide, kIconSide));
    m_groupIconImageView->setGeometry(icon);
    m_groupIconImageView->awakeFromNib();
    // The selection button at the icon's trailing lower corner.
    m_imageSelectionButton->setGeometry(
        placed(QRect((width - kIconSide) / 2 + kIconSide - 32, icon.bottom() + 1 - 32, 32, 32)));
    int y = icon.bottom() + 21;
    m_separators[0]->setGeometry(0, y - 1, width, 1);
    m_groupNameTextField->setGeometry(placed(QRect(16, y + 6, width - 16 - 70, kRowHeight - 12)));
    m_counterTextLabel->setGeometry(placed(QRect(width - 66, y, 56, kRowHeight)));
    y += kRowHeight;
    const QList<Switch*> switches{m_adminOnlySwitch, m_hideMemberInfoSwitch};
    for (int i = 0; i < 2; ++i) {
        m_separators[i + 1]->setGeometry(0, y, width, 1);
        m_rowLabels[i]->setGeometry(placed(QRect(16, y, width - 16 - 51 - 28, kRowHeight)));
        switches[i]->setGeometry(placed(QRect(width - 16 - 51, y + (kRowHeight - 31) / 2, 51, 31)));
        y += kRowHeight;
    }
}

bool PLNewGroupTableViewController::shouldChangeCharacters(int length, const QString& replacement) {
    // Counted from the last accepted text: the field may already hold the proposed one.
    const qsizetype next = m_nameLength - length + replacement.size();
    if (next > kMaxNameLength)
        return false;
    m_nameLength = next;
    setCounter(next);
    return true;
}

void PLNewGroupTableViewController::setCounter(qsizetype length) {
    if (m_counterTextLabel)
        m_counterTextLabel->setText(RoomsTexts::localizedFormat("%lu/20", {QString::number(length)}));
}

void PLNewGroupTableViewController::groupInfoWithCompletionHandler(const GroupInfoHandler& handler) const {
    if (!handler)
        return;
    handler(m_groupName, m_imageInfo, m_isGroupIconSet, m_adminOnlySwitch && m_adminOnlySwitch->isOn(),
            m_hideMemberInfoSwitch && m_hideMemberInfoSwitch->isOn());
}

void PLNewGroupTableViewController::chooseImage() {
    if (isViewLoaded())
        endEditing();
    QPointer<PLNewGroupTableViewController> self(this);
    ViewController* parent = parentViewController() ? parentViewController() : this;
    PLImageSelectionProvider::askForPicture(parent, {}, [self](const std::optional<QVariantMap>& selection) {
        if (self)
            self->imageSelected(selection);
    });
}

void PLNewGroupTableViewController::imageSelected(const std::optional<QVariantMap>& selection) {
    // No answer (a picture over the size limit was refused) is no icon: nothing to upload later.
    if (!selection) {
        qCInfo(lcNewGroupForm) << "no picture chosen";
        return;
    }
    const QImage picture = GroupPictureUpload::pickedPicture(*selection);
    if (picture.isNull())
        return;
    m_isGroupIconSet = true;
    m_imageInfo = selection;
    if (m_groupIconImageView)
        m_groupIconImageView->setImage(picture);
}

} // namespace pelnix
