#pragma once

#include "core/model/CurrentUserInfo.h"
#include "media/PLMultiMediaInfo.h"
#include "media/PLSizedImageUpload.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/TableViewCell.h"
#include "platform/ui/TableViewDataSource.h"
#include "platform/ui/TableViewDelegate.h"
#include "ui/account/PLBaseTableTableViewController.h"
#include "ui/toolkit/PLProfileUserNameTextField.h"
#include "ui/toolkit/PLRoundImageView.h"

#include <QImage>
#include <QList>
#include <QPointer>
#include <functional>
#include <optional>

namespace pelnix {

// The signed-in user's own profile: picture, name, e-mail and phone number with its verification
// state; editing of the name and picture; adding, changing, verifying or removing the phone number;
// the picture full screen. While the account status is below 3 it is the first-run profile creation:
// it opens in editing mode, insists on a name, saves, then hands over to the passcode set-up (when
// the lock state asks for one) and to whoever started the sign-up.
//
// One section of five static rows; rows not shown have no height: 0 picture and name, 1 name field
// (editing), 2 e-mail (reading), 3 "Add Phone Number" (editing, not first run, no number), 4 the
// number (reading; or editing when there is a number, not on first run).
class PLUserProfileTableViewController : public PLBaseTableTableViewController,
                                         public platform::ui::TableViewDataSource,
                                         public platform::ui::TableViewDelegate {
    Q_OBJECT
    // Set by screens that open the profile through the registry (1: pushed over a conversation).
    Q_PROPERTY(qint64 profileNavigationType READ profileNavigationType WRITE setProfileNavigationType)
public:
    enum Row { PictureRow = 0, NameRow = 1, EmailRow = 2, AddPhoneRow = 3, PhoneRow = 4, RowCount = 5 };
    enum AlertTag {
        RemovePhoneTag = 100,
        VerifyPhoneTag = 101,
        DiscardChangesTag = 103,
        RemovePictureTag = 104
    };
    static constexpr int kThumbnailSide = 250;
    static constexpr int kLargeSide = 640;
    static constexpr int kModeTransitionMs = 400;
    static inline const QString kUseDefaultImage = QStringLiteral("USE_DEFAULT_IMAGE");
    // Uploads one picture at a size; the media layer's uploader by default (tests install another).
    using PictureUploader = std::function<void(QObject* owner, const QImage& image, const QString& prefix,
                                               int side, PLSizedImageUpload::Completion completion)>;

    explicit PLUserProfileTableViewController(QObject* parent = nullptr);
    ~PLUserProfileTableViewController() override;

    static void setPictureUploader(PictureUploader uploader);

    // How the screen was opened: 1 pushed, 2 top of its own navigation controller, other neither.
    qint64 profileNavigationType() const { return m_navigationType; }
    void setProfileNavigationType(qint64 type) { m_navigationType = type; }
    std::function<void()> profileCreationCompletionHandler() const { return m_creationCompletion; }
    void setProfileCreationCompletionHandler(std::function<void()> handler) {
        m_creationCompletion = std::move(handler);
    }
    platform::ui::ViewController* previousViewController() const { return m_previous; }
    void setPreviousViewController(platform::ui::ViewController* controller) { m_previous = controller; }

    bool isEditingProfile() const { return m_editing; }
    void setIsEditingProfile(bool editing);
    // The rows shown, in order.
    QList<int> indexPathsToDisplay() const { return m_rows; }
    bool isFirstRun() const;
    bool hasUnsavedChanges() const;

    QString currentName() const { return m_currentName; }
    std::optional<QString> updatedName() const { return m_updatedName; }
    std::optional<QVariantMap> updatedImageInfo() const { return m_updatedImageInfo; }
    bool shouldRemoveProfileImage() const { return m_removePicture; }
    bool shouldRemovePhoneNumber() const { return m_removePhone; }
    bool dismissViewOnSave() const { return m_dismissOnSave; }
    QString previousPhoneNumber() const { return m_previousPhone; }
    QString previousCountryCode() const { return m_previousCountry; }

    platform::ui::TableViewCell* cellForRow(int row) const { return m_cells.value(row); }
    PLProfileUserNameTextField* editUserNameTextField() const { return m_nameField; }
    PLRoundImageView* profileImageView() const { return m_picture; }
    platform::ui::Button* editProfileImageButton() const { return m_editPicture; }
    platform::ui::Button* retryUploadingButton() const { return m_retry; }
    platform::ui::Label* addImageTitleLabel() const { return m_addImageLabel; }
    platform::ui::Label* userName() const { return m_userName; }
    platform::ui::Label* emailLabel() const { return m_emailLabel; }
    platform::ui::Label* addPhoneNumberLabel() const { return m_addPhoneLabel; }
    platform::ui::Label* phoneNumberLabel() const { return m_phoneLabel; }
    platform::ui::ImageView* phoneNumberVerifiedImageView() const { return m_phoneVerified; }
    platform::ui::ImageView* addPhoneNumberVerifiedImageView() const { return m_addPhoneVerified; }
    platform::ui::ImageView* editIconImageView() const { return m_editIcon; }
    platform::ui::Button* changePhoneNumberButton() const { return m_changePhone; }

    // Bar-button and storyboard actions.
    void editButtonClickHandler();
    void saveButtonClickHandler();
    void cancelEditButtonClickHandler();
    void dismissButtonClicked();
    void popToParentController();
    void uploadProfileImageButtonClickHandler();
    void retryUploading();
    void changePhoneNumberClicked();
    void profileImageTapGestureHandling(const QPoint& tapInView);
    void toggleSideDrawer();
    // The name field's return: false keeps the keyboard (first run without a name).
    bool textFieldShouldReturn();

    int numberOfRowsInSection(platform::ui::TableView* table, int section) override;
    platform::ui::TableViewCell* cellForRowAtIndexPath(platform::ui::TableView* table,
                                                       const platform::ui::IndexPath& path) override;
    qreal heightForRowAtIndexPath(platform::ui::TableView* table,
                                  const platform::ui::IndexPath& path) override;
    void didSelectRowAtIndexPath(platform::ui::TableView* table,
                                 const platform::ui::IndexPath& path) override;

    void appLockScreenViewController(PLAppLockScreenViewController* controller,
                                     bool didFinishProcessing) override;

protected:
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;

private:
    struct BarItems {
        QList<platform::ui::BarButtonItem*> left;
        platform::ui::BarButtonItem* right = nullptr;
    };
    // Fresh items for a mode (a navigation item owns and deletes what it replaces).
    BarItems makeBarButtonItems(bool editing);
    void buildCells();
    void fillCells();
    void fillPictureRow();
    void layoutPicture();
    void fillPhoneRows();
    void placePhoneLabel();
    void showPicture(const QImage& image);
    void loadStoredPicture(const QString& url, const QImage& placeholder);
    void takePhoneSnapshot();
    void refreshProfileOnce();
    void selectRow(int row);
    void showKeyboardIfNeeded();

    void uploadImageIfNeededAndUpdateProfile();
    void uploadFailed(PLSizedImageUpload::Outcome outcome);
    void
    updateProfileWithUpdatedDetailsAndThumbnailImageInfo(const std::optional<PLMultiMediaInfo>& thumbnail,
                                                         const std::optional<PLMultiMediaInfo>& large);
    void profileUpdated(bool success, const QString& message);
    void dismissAndDisableFirstTimeLaunch();
    void cancelEditing();
    void restorePhoneFields();
    void pictureSelected(const std::optional<QVariantMap>& selection);
    void removePicture();
    void removePhoneNumber();
    void openPhoneRegistration();
    void openPhoneVerification();
    platform::ui::AlertView* confirm(const QString& title, const QString& message, int tag,
                                     std::function<void()> onYes, bool yesFirst = true);

    qint64 m_navigationType = 0;
    std::function<void()> m_creationCompletion;
    QPointer<platform::ui::ViewController> m_previous;
    bool m_editing = false;
    QList<int> m_rows;
    QString m_currentName;
    std::optional<QString> m_updatedName;
    std::optional<QVariantMap> m_updatedImageInfo;
    QImage m_currentSelectedImage;
    bool m_removePicture = false;
    QString m_previousPhone;
    QString m_previousCountry;
    bool m_removePhone = false;
    bool m_dismissOnSave = false;
    bool m_userProfileUpdated = false;
    bool m_animateTransition = false;
    quint64 m_pictureLoad = 0;
    QPointer<PLAppLockScreenViewController> m_firstRunLock;

    // Built once; the table shows them (and parents them while they are shown).
    QList<QPointer<platform::ui::TableViewCell>> m_cells;
    QPointer<QWidget> m_pictureContainer;
    QPointer<PLRoundImageView> m_picture;
    QPointer<platform::ui::Button> m_editPicture;
    QPointer<platform::ui::Button> m_retry;
    QPointer<platform::ui::Label> m_addImageLabel;
    QPointer<platform::ui::Label> m_userName;
    QPointer<PLProfileUserNameTextField> m_nameField;
    QPointer<platform::ui::ImageView> m_emailIcon;
    QPointer<platform::ui::Label> m_emailLabel;
    QPointer<platform::ui::ImageView> m_addPhoneIcon;
    QPointer<platform::ui::Label> m_addPhoneLabel;
    QPointer<platform::ui::ImageView> m_addPhoneVerified;
    QPointer<platform::ui::ImageView> m_phoneIcon;
    QPointer<platform::ui::Label> m_phoneLabel;
    QPointer<platform::ui::ImageView> m_phoneVerified;
    QPointer<platform::ui::ImageView> m_editIcon;
    QPointer<platform::ui::Button> m_changePhone;
};

} // namespace pelnix
