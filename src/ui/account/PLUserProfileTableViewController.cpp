#include "ui/account/PLUserProfileTableViewController.h"

#include "core/model/User.h"
#include "foundation/ui/ButtonAdditions.h"
#include "foundation/ui/CustomColors.h"
#include "foundation/ui/ImageAdditions.h"
#include "foundation/ui/ViewControllerAdditions.h"
#include "media/PLImageManager.h"
#include "platform/ui/Animator.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/NavigationItem.h"
#include "platform/ui/TableView.h"
#include "ui/account/AccountUi.h"
#include "ui/account/PLHostBarButtonItems.h"
#include "ui/toolkit/Geometry.h"
#include "ui/toolkit/PLActivityIndicatorView.h"
#include "ui/toolkit/PLProfileUserNameTextField.h"
#include "ui/toolkit/PLRoundImageView.h"

#include <QMouseEvent>
#include <QtMath>

namespace pelnix {

using namespace platform::ui;
using AccountUi::localized;

namespace {
constexpr qreal kRowHeights[] = {200, 60, 50, 50, 50};
constexpr int kPictureSide = 110;
constexpr int kEditButtonSide = 30;
constexpr int kIconSide = 24;
constexpr int kVerifiedSide = 20;
constexpr int kInset = 15;
constexpr int kTextLeft = 50;
constexpr int kPhoneTextGap = 8;
constexpr int kPictureTopWhileReading = 35;
constexpr qreal kEmailGrowth = 15;

// A row that lays its own views out whenever it is resized.
class ProfileCell : public TableViewCell {
public:
    explicit ProfileCell(const QString& identifier) : TableViewCell(Style::Default, identifier) {}
    std::function<void()> layout;

protected:
    void layoutSubviews() override {
        TableViewCell::layoutSubviews();
        if (layout)
            layout();
    }
};

Label* rowLabel(QWidget* parent, const char* name) {
    auto* label = new Label(QString(), parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setFont(AccountUi::font("DejaVuSans", 15));
    label->setTextColor(AccountUi::hexColor("404040"));
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return label;
}

ImageView* icon(QWidget* parent, const char* name, const char* image) {
    auto* view = new ImageView(parent);
    view->setObjectName(QString::fromLatin1(name));
    view->setContentMode(ImageView::ContentMode::ScaleAspectFit);
    if (image)
        view->setImage(ImageAdditions::loadImageNamed(QString::fromLatin1(image)));
    return view;
}

// A tap on the picture, as the picture's tap recogniser reports it.
class PictureTap : public QObject {
public:
    PictureTap(QWidget* picture, std::function<void(const QPoint&)> tapped)
        : QObject(picture), m_tapped(std::move(tapped)) {
        picture->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonRelease) {
            auto* release = static_cast<QMouseEvent*>(event);
            if (release->button() == Qt::LeftButton)
                m_tapped(static_cast<QWidget*>(watched)->mapTo(static_cast<QWidget*>(watched)->window(),
                                                               release->position().toPoint()));
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void(const QPoint&)> m_tapped;
};

bool hasRealPicture(const QString& url) {
    return !url.isEmpty() && CurrentUserInfo::isValidTinyURL(url);
}

QString phoneText(const CurrentUserInfo::Ptr& account) {
    return AccountUi::localizedFormat("+%@%@", {account->countryCode(), account->phoneNumber()});
}
} // namespace

PLUserProfileTableViewController::PLUserProfileTableViewController(QObject* parent)
    : PLBaseTableTableViewController(parent) {}

PLUserProfileTableViewController::~PLUserProfileTableViewController() {
    if (m_pictureLoad)
        PLImageManager::sharedManager()->cancel(m_pictureLoad);
    for (const auto& cell : std::as_const(m_cells))
        delete cell.data();
}

bool PLUserProfileTableViewController::isFirstRun() const {
    const auto account = CurrentUserInfo::currentUserInfo();
    return account && account->status() < 3;
}

void PLUserProfileTableViewController::viewDidLoad() {
    PLBaseTableTableViewController::viewDidLoad();
    const auto account = CurrentUserInfo::currentUserInfo();
    const auto me = account ? account->user() : nullptr;
    m_currentName = me ? me->profileName() : QString();
    m_dismissOnSave = isFirstRun();
    TableView* table = tableView();
    table->setDataSource(this);
    table->setDelegate(this);
    QPalette palette = table->palette();
    palette.setColor(QPalette::Window, Qt::white);
    table->setPalette(palette);
    table->setAutoFillBackground(true);
    ViewController* owner = AccountUi::navigationItemOwner(this);
    owner->navigationItem()->setTitle(localized("Me"));
    ViewControllerAdditions::applyCustomAttributesToNavigationBarTitle(this);
    buildCells();
    takePhoneSnapshot();
}

void PLUserProfileTableViewController::takePhoneSnapshot() {
    const auto account = CurrentUserInfo::currentUserInfo();
    m_previousCountry = account ? account->countryCode() : QString();
    m_previousPhone = account ? account->phoneNumber() : QString();
    m_removePhone = false;
}

PLUserProfileTableViewController::BarItems
PLUserProfileTableViewController::makeBarButtonItems(bool editing) {
    QPointer<PLUserProfileTableViewController> self(this);
    const auto act = [self](void (PLUserProfileTableViewController::*method)()) {
        return [self, method] {
            if (self)
                (self.data()->*method)();
        };
    };
    // The screen's own items title in the library's font; the host's items keep theirs.
    const auto system = [](BarButtonItem::SystemItem kind, std::function<void()> action) {
        auto* item = new BarButtonItem(kind, std::move(action));
        ButtonAdditions::setDejavuTitleFont(item);
        return item;
    };
    BarItems items;
    if (editing) {
        items.left = {system(BarButtonItem::SystemItem::Cancel,
                             act(&PLUserProfileTableViewController::cancelEditButtonClickHandler))};
        items.right = system(BarButtonItem::SystemItem::Save,
                             act(&PLUserProfileTableViewController::saveButtonClickHandler));
        return items;
    }
    items.right = system(BarButtonItem::SystemItem::Edit,
                         act(&PLUserProfileTableViewController::editButtonClickHandler));
    if (isFirstRun()) {
        items.left = {system(BarButtonItem::SystemItem::Cancel,
                             act(&PLUserProfileTableViewController::dismissButtonClicked))};
    } else if (m_navigationType != 1 && m_navigationType != 2) {
        items.left = PLHostBarButtonItems::makeItems();
    } else if (m_navigationType == 2 && PLHostBarButtonItems::hasItems()) {
        items.left = PLHostBarButtonItems::makeItems();
    } else {
        auto* back = AccountUi::linkButton(QString(), nullptr);
        back->setObjectName(QStringLiteral("profileBackButton"));
        back->setImage(ImageAdditions::loadImageNamed(QStringLiteral("arrow_blue")));
        back->setImageMirroredRightToLeft(true);
        back->setFixedSize(60, 40);
        back->setContentEdgeInsets(QMargins(0, 0, 0, 0));
        connect(back, &QAbstractButton::clicked, this,
                act(&PLUserProfileTableViewController::popToParentController));
        items.left = {new BarButtonItem(back)};
    }
    return items;
}

void PLUserProfileTableViewController::buildCells() {
    const auto cell = [this](const char* identifier) {
        auto* made = new ProfileCell(QString::fromLatin1(identifier));
        made->setSelectionStyle(TableViewCell::SelectionStyle::None);
        m_cells << made;
        return made;
    };

    ProfileCell* picture = cell("PLProfilePictureCell");
    picture->setSeparatorVisible(false);
    QWidget* content = picture->contentView();
    content->setAutoFillBackground(true);
    QPalette palette = content->palette();
    palette.setColor(QPalette::Window, AccountUi::hexColor("E2F2FA"));
    content->setPalette(palette);
    m_pictureContainer = new QWidget(content);
    m_pictureContainer->setObjectName(QStringLiteral("profileImageContainerView"));
    m_pictureContainer->resize(kPictureSide + kEditButtonSide / 2, kPictureSide + 5);
    m_picture = new PLRoundImageView(m_pictureContainer);
    m_picture->setObjectName(QStringLiteral("profileImageView"));
    m_picture->setGeometry(0, 0, kPictureSide, kPictureSide);
    m_picture->awakeFromNib();
    m_picture->setRound(true);
    new PictureTap(m_picture, [this](const QPoint& at) { profileImageTapGestureHandling(at); });
    m_addImageLabel = AccountUi::centredText("DejaVuSans", 12, "0086CA", m_pictureContainer);
    m_addImageLabel->setObjectName(QStringLiteral("addImageTitleLabel"));
    m_addImageLabel->setText(localized("Add Image"));
    m_addImageLabel->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_addImageLabel->hide();
    m_editPicture = new Button(m_pictureContainer);
    m_editPicture->setObjectName(QStringLiteral("editProfileImageButton"));
    m_editPicture->setImage(ImageAdditions::loadImageNamed(QStringLiteral("profileCameraIcon")));
    m_editPicture->resize(kEditButtonSide, kEditButtonSide);
    connect(m_editPicture, &QAbstractButton::clicked, this,
            [this] { uploadProfileImageButtonClickHandler(); });
    m_userName = new Label(QString(), content);
    m_userName->setObjectName(QStringLiteral("userName"));
    m_userName->setFont(AccountUi::font("DejaVuSans-Bold", 18));
    m_userName->setTextColor(AccountUi::hexColor("404040"));
    m_userName->setAlignment(Qt::AlignCenter);
    m_retry = AccountUi::linkButton(localized("Retry"), content);
    m_retry->setObjectName(QStringLiteral("retryUploadingButton"));
    m_retry->hide();
    connect(m_retry, &QAbstractButton::clicked, this, [this] { retryUploading(); });
    picture->layout = [this] { layoutPicture(); };

    ProfileCell* name = cell("PLProfileNameCell");
    m_nameField = new PLProfileUserNameTextField(name->contentView());
    m_nameField->setObjectName(QStringLiteral("editUserNameTextField"));
    m_nameField->setPlaceholder(localized("Enter your name"));
    m_nameField->setFont(AccountUi::font("DejaVuSans", 17));
    connect(m_nameField, &TextField::editingChanged, this,
            [this] { m_updatedName = m_nameField ? m_nameField->text() : QString(); });
    connect(m_nameField, &QLineEdit::returnPressed, this, [this] { textFieldShouldReturn(); });
    name->layout = [this, name] {
        m_nameField->setGeometry(kInset, 8, name->contentView()->width() - 2 * kInset, 44);
        // Right to left the name starts at the right, an English one too.
        m_nameField->setAlignment(Geometry::leadingAlignment(m_nameField->isRightToLeft()) |
                                  Qt::AlignVCenter);
    };

    ProfileCell* email = cell("PLProfileEmailCell");
    m_emailIcon = icon(email->contentView(), "emailIndicatorImageView", "profileEmailIcon");
    m_emailLabel = rowLabel(email->contentView(), "emailLabel");
    m_emailLabel->setNumberOfLines(0);
    email->layout = [this, email] {
        // Icon and text centred on the row's height, whatever it is.
        const QRect bounds = email->contentView()->rect();
        const int width = bounds.width() - kTextLeft - kInset;
        const int height = qMin(bounds.height(), m_emailLabel->heightForWidth(width));
        Geometry::placeInReadingOrder(m_emailIcon,
                                      QRect(kInset, (bounds.height() - kIconSide) / 2, kIconSide, kIconSide));
        Geometry::placeInReadingOrder(m_emailLabel,
                                      QRect(kTextLeft, (bounds.height() - height) / 2, width, height));
    };

    ProfileCell* addPhone = cell("PLProfileAddPhoneCell");
    m_addPhoneIcon = icon(addPhone->contentView(), "addPhoneNumberIndicatorImageView", "profilePhoneIcon");
    m_addPhoneLabel = rowLabel(addPhone->contentView(), "addPhoneNumberLabel");
    m_addPhoneVerified = icon(addPhone->contentView(), "addPhoneNumberVerifiedImageView", nullptr);
    addPhone->layout = [this, addPhone] {
        const QRect bounds = addPhone->contentView()->rect();
        Geometry::placeInReadingOrder(m_addPhoneIcon,
                                      QRect(kInset, (bounds.height() - kIconSide) / 2, kIconSide, kIconSide));
        Geometry::placeInReadingOrder(
            m_addPhoneLabel,
            QRect(kTextLeft, 0, bounds.width() - kTextLeft - kInset - kVerifiedSide - 10, bounds.height()));
        Geometry::placeInReadingOrder(m_addPhoneVerified, QRect(bounds.width() - kInset - kVerifiedSide,
                                                                (bounds.height() - kVerifiedSide) / 2,
                                                                kVerifiedSide, kVerifiedSide));
    };

    ProfileCell* phone = cell("PLProfilePhoneCell");
    m_phoneIcon = icon(phone->contentView(), "phoneNumberIndicatorImageView", "profilePhoneIcon");
    m_phoneLabel = rowLabel(phone->contentView(), "phoneNumberLabel");
    m_phoneVerified = icon(phone->contentView(), "phoneNumberVerifiedImageView", nullptr);
    m_editIcon = icon(phone->contentView(), "editIconImageView", "profileEditIcon");
    m_changePhone = AccountUi::linkButton(localized("Change"), phone->contentView());
    m_changePhone->setObjectName(QStringLiteral("changePhoneNumberButton"));
    connect(m_changePhone, &QAbstractButton::clicked, this, [this] { changePhoneNumberClicked(); });
    phone->layout = [this, phone] {
        const QRect bounds = phone->contentView()->rect();
        Geometry::placeInReadingOrder(m_phoneIcon,
                                      QRect(kInset, (bounds.height() - kIconSide) / 2, kIconSide, kIconSide));
        Geometry::placeInReadingOrder(m_editIcon,
                                      QRect(bounds.width() - kInset - kIconSide,
                                            (bounds.height() - kIconSide) / 2, kIconSide, kIconSide));
        Geometry::placeInReadingOrder(m_changePhone,
                                      QRect(bounds.width() - kInset - 70, 0, 70, bounds.height()));
        fillPhoneRows();
    };
}

void PLUserProfileTableViewController::viewWillAppear(bool animated) {
    PLBaseTableTableViewController::viewWillAppear(animated);
    m_animateTransition = false;
    fillCells();
    tableView()->reloadData();
    if (!m_editing)
        setIsEditingProfile(isFirstRun());
    if (!m_editing)
        refreshProfileOnce();
}

void PLUserProfileTableViewController::viewDidAppear(bool animated) {
    PLBaseTableTableViewController::viewDidAppear(animated);
    m_animateTransition = true;
}

void PLUserProfileTableViewController::viewWillDisappear(bool animated) {
    ViewControllerAdditions::resetNavigationBarTitleCustomAttributesIfRequired(this);
    PLBaseTableTableViewController::viewWillDisappear(animated);
}

void PLUserProfileTableViewController::refreshProfileOnce() {
    if (m_userProfileUpdated)
        return;
    const auto account = CurrentUserInfo::currentUserInfo();
    QPointer<PLUserProfileTableViewController> self(this);
    const bool started = account && account->refreshUserProfileWithCompletionHandler(
                                        [self](bool success, const PLOptionalError&, const QString&) {
                                            PLActivityIndicatorView::dismiss();
                                            if (!self || !success)
                                                return;
                                            self->m_userProfileUpdated = true;
                                            self->fillCells();
                                            self->tableView()->reloadData();
                                        });
    if (started)
        PLActivityIndicatorView::show();
}

void PLUserProfileTableViewController::setIsEditingProfile(bool editing) {
    m_editing = editing;
    const auto account = CurrentUserInfo::currentUserInfo();
    const bool hasPhone = account && !account->phoneNumber().isEmpty();
    if (editing) {
        m_rows = {PictureRow, NameRow};
        if (!isFirstRun())
            m_rows << (hasPhone ? PhoneRow : AddPhoneRow);
    } else {
        m_rows = {PictureRow, EmailRow, PhoneRow};
    }

    const BarItems items = makeBarButtonItems(editing);
    ViewController* owner = AccountUi::navigationItemOwner(this);
    owner->navigationItem()->setRightBarButtonItem(items.right);
    owner->navigationItem()->setLeftBarButtonItems(items.left);
    if (owner != this)
        owner->navigationItem()->setTitle(localized("Me"));
    Animator::setAlpha(m_editPicture, editing ? 1.0 : 0.0);
    m_editPicture->setEnabled(editing);

    QPointer<PLUserProfileTableViewController> self(this);
    QWidget* transitionView = navigationController() ? navigationController()->view() : view();
    Animator::crossDissolve(
        transitionView, m_animateTransition ? kModeTransitionMs : 0,
        [self] {
            if (!self)
                return;
            self->fillCells();
            self->tableView()->reloadData();
        },
        [self](bool) {
            if (self)
                self->showKeyboardIfNeeded();
        });
}

void PLUserProfileTableViewController::showKeyboardIfNeeded() {
    if (!isFirstRun() || !m_editing || !m_nameField || m_nameField->hasFocus())
        return;
    m_nameField->updateTextFieldState(1);
    m_nameField->becomeFirstResponder();
}

void PLUserProfileTableViewController::fillCells() {
    if (m_cells.isEmpty())
        return;
    const auto account = CurrentUserInfo::currentUserInfo();
    const auto me = account ? account->user() : nullptr;
    fillPictureRow();
    m_userName->setText(me && !me->profileName().isEmpty() ? me->profileName() : localized("Name"));

    if (m_editing) {
        m_nameField->setText(m_updatedName && !m_updatedName->isEmpty() ? *m_updatedName : m_currentName);
        m_nameField->updateTextFieldState(1);
        m_nameField->applyEditableLook();
    } else {
        m_nameField->setText(me ? me->profileName() : QString());
    }
    m_emailLabel->setText(me ? me->email() : QString());
    // The email row is centred on its own height at each showing.
    if (auto* email = static_cast<ProfileCell*>(m_cells.value(EmailRow).data()); email && email->layout)
        email->layout();

    if (m_editing)
        ButtonAdditions::setCustomHighlightColor(m_cells.value(AddPhoneRow));
    const bool hasPhone = account && !account->phoneNumber().isEmpty();
    m_addPhoneLabel->setText(hasPhone ? phoneText(account) : localized("Add Phone Number"));
    m_phoneLabel->setText(hasPhone ? phoneText(account) : localized("Phone number not added"));
    m_phoneLabel->setTextColor(AccountUi::hexColor(hasPhone ? "404040" : "999999"));
    fillPhoneRows();
}

void PLUserProfileTableViewController::fillPhoneRows() {
    const auto account = CurrentUserInfo::currentUserInfo();
    const bool hasPhone = account && !account->phoneNumber().isEmpty();
    const bool verified = hasPhone && account->isPhoneVerified();
    const QImage mark = ImageAdditions::loadImageNamed(verified ? QStringLiteral("verifiedIcon")
                                                                : QStringLiteral("notVerifiedIcon"));
    m_addPhoneVerified->setVisible(hasPhone);
    m_addPhoneVerified->setImage(mark);
    m_phoneVerified->setImage(mark);
    m_changePhone->setVisible(m_editing);
    if (m_editing || !hasPhone) {
        m_editIcon->hide();
        m_phoneVerified->hide();
        placePhoneLabel();
        return;
    }
    m_phoneVerified->show();
    // Worked out as the row lies left to right, then mirrored with the row: the mark takes the edit
    // icon's place when verified, and lies 20 points before the edit icon when not.
    const QWidget* row = m_editIcon->parentWidget();
    const QRect edit = Geometry::inReadingOrder(row, m_editIcon->geometry());
    const qreal editCentre = edit.center().x() + 0.5;
    const qreal width = kVerifiedSide;
    qreal centre = editCentre;
    if (verified) {
        m_editIcon->hide();
    } else {
        m_editIcon->show();
        centre -= width + 20;
    }
    Geometry::placeInReadingOrder(m_phoneVerified,
                                  QRect(qRound(centre - width / 2), edit.center().y() - kVerifiedSide / 2,
                                        kVerifiedSide, kVerifiedSide));
    placePhoneLabel();
}

void PLUserProfileTableViewController::placePhoneLabel() {
    const QWidget* row = m_phoneLabel->parentWidget();
    // The text runs up to the first control shown after it, or to the row's inset when none is; all
    // as the row lies left to right.
    int end = row->width() - kInset;
    for (const QWidget* after : {static_cast<QWidget*>(m_phoneVerified), static_cast<QWidget*>(m_editIcon),
                                 static_cast<QWidget*>(m_changePhone)})
        if (after && !after->isHidden())
            end = qMin(end, Geometry::inReadingOrder(row, after->geometry()).x() - kPhoneTextGap);
    Geometry::placeInReadingOrder(m_phoneLabel, QRect(kTextLeft, 0, qMax(0, end - kTextLeft), row->height()));
}

void PLUserProfileTableViewController::showPicture(const QImage& image) {
    if (m_pictureLoad) {
        PLImageManager::sharedManager()->cancel(m_pictureLoad);
        m_pictureLoad = 0;
    }
    m_picture->setImage(image);
}

void PLUserProfileTableViewController::loadStoredPicture(const QString& url, const QImage& placeholder) {
    showPicture(QImage());
    showPicture(placeholder);
    QPointer<PLUserProfileTableViewController> self(this);
    // A memory hit answers before the load's ID is known.
    auto answered = std::make_shared<bool>(false);
    const PLImageManager::LoadID id = PLImageManager::sharedManager()->loadImageWithURL(
        QUrl(url), PLImageManager::RetryFailed,
        [self, answered](const QImage& image, const PLOptionalError&, PLImageManager::CacheType,
                         const QUrl&) {
            *answered = true;
            if (!self)
                return;
            self->m_pictureLoad = 0;
            if (!image.isNull())
                self->m_picture->setImage(image);
        });
    m_pictureLoad = *answered ? 0 : id;
}

void PLUserProfileTableViewController::fillPictureRow() {
    layoutPicture();
    const auto account = CurrentUserInfo::currentUserInfo();
    const auto me = account ? account->user() : nullptr;
    const QString stored = me ? me->imageUrl() : QString();
    // Marked, so the picture viewer shows it at its own size rather than growing it.
    const QImage defaultPicture = ImageAdditions::markedAsPlaceholder(
        ImageAdditions::loadImageNamed(QStringLiteral("defaultProfileImage")));
    m_addImageLabel->hide();
    if (m_removePicture) {
        // A removal waiting for the save shows as removed.
        m_addImageLabel->setVisible(m_editing);
        showPicture(ImageAdditions::loadImageNamed(m_editing ? QStringLiteral("add_Image_1")
                                                             : QStringLiteral("defaultProfileImage")));
        return;
    }
    if (m_updatedImageInfo && !m_currentSelectedImage.isNull()) {
        showPicture(m_currentSelectedImage);
        return;
    }
    if (stored.isEmpty()) {
        showPicture(defaultPicture);
        return;
    }
    loadStoredPicture(stored, m_currentSelectedImage.isNull() ? defaultPicture : m_currentSelectedImage);
    if (m_editing && !hasRealPicture(stored) && !m_updatedImageInfo && !isFirstRun()) {
        showPicture(ImageAdditions::loadImageNamed(QStringLiteral("add_Image_1")));
        m_addImageLabel->show();
    }
}

void PLUserProfileTableViewController::layoutPicture() {
    TableViewCell* cell = m_cells.value(PictureRow);
    if (!cell || !m_pictureContainer)
        return;
    const QRect bounds = cell->contentView()->rect();
    const QSize size = m_pictureContainer->size();
    // The picture and its button centred together, the button at the picture's trailing lower corner.
    const QPoint container((bounds.width() - size.width()) / 2 + kEditButtonSide / 4,
                           m_editing ? (bounds.height() - size.height()) / 2 : kPictureTopWhileReading);
    Geometry::placeInReadingOrder(m_pictureContainer, QRect(container, size));
    if (m_editing) {
        m_userName->hide();
    } else {
        m_userName->setGeometry(kInset, m_pictureContainer->geometry().bottom() + 1,
                                bounds.width() - 2 * kInset, 30);
        m_userName->show();
    }
    // The edit button at the picture's lower corner, the label just above it.
    const QRect picture(0, 0, kPictureSide, kPictureSide);
    Geometry::placeInReadingOrder(m_picture, picture);
    const QRect edit(picture.right() + 1 - kEditButtonSide, picture.bottom() + 1 + 5 - kEditButtonSide,
                     kEditButtonSide, kEditButtonSide);
    Geometry::placeInReadingOrder(m_editPicture, edit);
    Geometry::placeInReadingOrder(m_addImageLabel, QRect(picture.left(), edit.y() - 20, picture.width(), 20));
    Geometry::placeInReadingOrder(m_retry, QRect(bounds.width() - kInset - 70, bounds.height() - 36, 70, 30));
}

int PLUserProfileTableViewController::numberOfRowsInSection(TableView*, int) {
    return int(m_rows.size());
}

TableViewCell* PLUserProfileTableViewController::cellForRowAtIndexPath(TableView*, const IndexPath& path) {
    TableViewCell* cell = m_cells.value(m_rows.value(path.row, -1));
    if (cell)
        cell->setSeparatorColor(CustomColors::chatRoomsTableViewSeparatorColor());
    return cell;
}

qreal PLUserProfileTableViewController::heightForRowAtIndexPath(TableView*, const IndexPath& path) {
    const int row = m_rows.value(path.row, -1);
    if (row < 0 || row >= RowCount)
        return 0;
    if (row == EmailRow && !m_editing && m_emailLabel) {
        // Measured as the label lays it out (an address without spaces breaks anywhere).
        const int width = tableView()->viewport()->width() - kTextLeft - kInset;
        if (m_emailLabel->heightForWidth(width) > 20)
            return kRowHeights[row] + kEmailGrowth;
    }
    return kRowHeights[row];
}

void PLUserProfileTableViewController::didSelectRowAtIndexPath(TableView* table, const IndexPath& path) {
    table->deselectRow(path, false);
    selectRow(m_rows.value(path.row, -1));
}

void PLUserProfileTableViewController::selectRow(int row) {
    const auto account = CurrentUserInfo::currentUserInfo();
    const bool hasPhone = account && !account->phoneNumber().isEmpty();
    if (row == NameRow) {
        m_nameField->updateTextFieldState(1);
        m_nameField->becomeFirstResponder();
        return;
    }
    if (row != AddPhoneRow && row != PhoneRow)
        return;
    if (!hasPhone && m_editing) {
        openPhoneRegistration();
    } else if (hasPhone && !account->isPhoneVerified() && !m_editing) {
        QPointer<PLUserProfileTableViewController> self(this);
        confirm(
            localized("Confirm"),
            AccountUi::localizedFormat("Send verification code to %@?", {account->phoneNumber()}),
            VerifyPhoneTag,
            [self] {
                if (self)
                    self->openPhoneVerification();
            },
            false);
    }
}

bool PLUserProfileTableViewController::textFieldShouldReturn() {
    const bool validName = m_updatedName && !m_updatedName->trimmed().isEmpty();
    if (isFirstRun() && m_currentName.isEmpty() && !validName) {
        AccountUi::showOkAlert(this, localized("Mandatory Field"), localized("Please enter a name"));
        return false;
    }
    m_nameField->updateTextFieldState(0);
    m_nameField->resignFirstResponder();
    return true;
}

void PLUserProfileTableViewController::editButtonClickHandler() {
    setIsEditingProfile(true);
}

void PLUserProfileTableViewController::dismissButtonClicked() {
    dismissViewController(true);
}

void PLUserProfileTableViewController::popToParentController() {
    if (m_navigationType == 1) {
        if (NavigationController* nav = navigationController())
            nav->popViewController(true);
    } else if (m_navigationType == 2) {
        dismissViewController(true);
    }
}

void PLUserProfileTableViewController::toggleSideDrawer() {
    ViewControllerAdditions::toggleSideDrawer();
}

} // namespace pelnix
