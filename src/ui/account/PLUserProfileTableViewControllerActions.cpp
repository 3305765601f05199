// The profile's actions: saving (validation, picture uploads, the update), the first run's end,
// cancelling an edit, the picture and the phone number.
#include "ui/account/PLUserProfileTableViewController.h"

#include "core/api/UploadSizeLimitText.h"
#include "core/model/User.h"
#include "foundation/PLReachabilityResponder.h"
#include "foundation/ui/ImageAdditions.h"
#include "media/PLCameraPictures.h"
#include "platform/ui/ActionSheet.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/ScreenRegistry.h"
#include "ui/account/AccountAnalytics.h"
#include "ui/account/AccountUi.h"
#include "ui/account/PLAppLockScreenViewController.h"
#include "ui/account/PLImageSelectionProvider.h"
#include "ui/account/PLRegPhoneNumberViewController.h"
#include "ui/account/PLVerifyPhoneNumberViewController.h"
#include "ui/toolkit/PLActivityIndicatorView.h"
#include "ui/toolkit/PLProfileUserNameTextField.h"
#include "ui/toolkit/PLRoundImageView.h"

#include <QRectF>

namespace pelnix {

using namespace platform::ui;
using AccountUi::localized;

namespace {
bool isValidName(const std::optional<QString>& name) {
    return name && !name->isEmpty() && !name->trimmed().isEmpty();
}

// The media layer's uploader, one upload object per picture, owned by the screen.
void uploadThroughMediaLayer(QObject* owner, const QImage& image, const QString& prefix, int side,
                             PLSizedImageUpload::Completion completion) {
    auto* upload = new PLSizedImageUpload(owner);
    upload->upload(image, prefix, QSizeF(side, side),
                   [upload, completion](PLSizedImageUpload::Outcome outcome,
                                        const std::optional<PLMultiMediaInfo>& info) {
                       upload->deleteLater();
                       completion(outcome, info);
                   });
}

PLUserProfileTableViewController::PictureUploader& pictureUploader() {
    static PLUserProfileTableViewController::PictureUploader uploader = uploadThroughMediaLayer;
    return uploader;
}

QImage pickedPicture(const QVariantMap& selection) {
    const QImage edited = selection.value(PLImageSelectionProvider::kEditedImageKey).value<QImage>();
    return edited.isNull() ? selection.value(PLImageSelectionProvider::kOriginalImageKey).value<QImage>()
                           : edited;
}
} // namespace

void PLUserProfileTableViewController::setPictureUploader(PictureUploader uploader) {
    pictureUploader() = uploader ? std::move(uploader) : PictureUploader(uploadThroughMediaLayer);
}

bool PLUserProfileTableViewController::hasUnsavedChanges() const {
    const auto account = CurrentUserInfo::currentUserInfo();
    const QString country = account ? account->countryCode() : QString();
    const QString phone = account ? account->phoneNumber() : QString();
    return m_updatedImageInfo || m_updatedName || (!country.isEmpty() && country != m_previousCountry) ||
           (!phone.isEmpty() && phone != m_previousPhone) || m_removePhone || m_removePicture;
}

AlertView* PLUserProfileTableViewController::confirm(const QString& title, const QString& message, int tag,
                                                     std::function<void()> onYes, bool yesFirst) {
    const QString yes = localized("Yes");
    const QString no = localized("No");
    auto* alert = AccountUi::showAlert(this, title, message, yesFirst ? QString() : no,
                                       yesFirst ? QStringList{yes, no} : QStringList{yes}, tag,
                                       [onYes](AlertView* shown, int index) {
                                           if (shown && index != shown->cancelButtonIndex() && onYes)
                                               onYes();
                                       });
    if (yesFirst)
        alert->setCancelButtonIndex(1);
    return alert;
}

void PLUserProfileTableViewController::saveButtonClickHandler() {
    if (!m_currentName.isEmpty() && m_updatedName == m_currentName)
        m_updatedName.reset();
    if (m_currentName.isEmpty()) {
        const bool typed = m_updatedName && !m_updatedName->isEmpty();
        if (!typed || !isValidName(m_updatedName)) {
            if (typed)
                AccountUi::showOkAlert(this, localized("Failed"), localized("Enter a valid name"));
            else
                AccountUi::showOkAlert(this, localized("Mandatory Field"),
                                       localized("Please fill name to save profile"));
            m_updatedName = QString("");
            m_nameField->setText(QString());
            return;
        }
    } else if (m_updatedName && !isValidName(m_updatedName)) {
        m_updatedName = m_currentName;
        m_nameField->setText(m_currentName);
        AccountUi::showOkAlert(this, localized("Failed"), localized("Enter a valid name"));
        return;
    }
    if (m_nameField->hasFocus() && textFieldShouldReturn())
        m_nameField->resignFirstResponder();
    if (const auto account = CurrentUserInfo::currentUserInfo())
        account->save();
    if (!isFirstRun() && !hasUnsavedChanges()) {
        setIsEditingProfile(false);
        return;
    }
    uploadImageIfNeededAndUpdateProfile();
}

void PLUserProfileTableViewController::retryUploading() {
    uploadImageIfNeededAndUpdateProfile();
}

void PLUserProfileTableViewController::uploadImageIfNeededAndUpdateProfile() {
    if (!PLReachabilityResponder::sharedInstance()->isNetworkReachable(true))
        return;
    PLActivityIndicatorView::show();
    m_retry->hide();
    if (!m_updatedImageInfo) {
        updateProfileWithUpdatedDetailsAndThumbnailImageInfo(std::nullopt, std::nullopt);
        return;
    }
    const auto account = CurrentUserInfo::currentUserInfo();
    const QString prefix = account ? account->uniqueProfileImagePrefixIDForCurrentUser() : QString();
    PLCameraPictures::keepInAlbum(
        m_updatedImageInfo->value(PLImageSelectionProvider::kOriginalImageKey).value<QImage>(),
        m_updatedImageInfo->value(PLImageSelectionProvider::kIsExistingMediaKey).toBool());
    const QImage picture = pickedPicture(*m_updatedImageInfo);
    QPointer<PLUserProfileTableViewController> self(this);
    pictureUploader()(this, picture, prefix + QStringLiteral("_thumbnailImage"), kThumbnailSide,
                      [self, picture, prefix](PLSizedImageUpload::Outcome outcome,
                                              const std::optional<PLMultiMediaInfo>& thumbnail) {
                          if (!self) {
                              PLActivityIndicatorView::dismiss();
                              return;
                          }
                          if (!thumbnail) {
                              self->uploadFailed(outcome);
                              return;
                          }
                          pictureUploader()(
                              self, picture, prefix + QStringLiteral("_largeImage"), kLargeSide,
                              [self, thumbnail](PLSizedImageUpload::Outcome outcome,
                                                const std::optional<PLMultiMediaInfo>& large) {
                                  if (!self) {
                                      PLActivityIndicatorView::dismiss();
                                      return;
                                  }
                                  if (!large) {
                                      self->uploadFailed(outcome);
                                      return;
                                  }
                                  const auto account = CurrentUserInfo::currentUserInfo();
                                  const auto me = account ? account->user() : nullptr;
                                  const QString stored = me ? me->imageUrl() : QString();
                                  AccountAnalytics::trackEvent(
                                      QStringLiteral("My Profile- Add/Change pic"),
                                      {{QStringLiteral("HasPicture"),
                                        !stored.isEmpty() && CurrentUserInfo::isValidTinyURL(stored)},
                                       {QStringLiteral("success"), QStringLiteral("Yes")}});
                                  self->updateProfileWithUpdatedDetailsAndThumbnailImageInfo(thumbnail,
                                                                                             large);
                              });
                      });
}

void PLUserProfileTableViewController::uploadFailed(PLSizedImageUpload::Outcome outcome) {
    // Every way an upload ends takes the overlay down and offers the retry.
    PLActivityIndicatorView::dismiss();
    m_retry->show();
    m_retry->raise();
    switch (outcome) {
    case PLSizedImageUpload::Outcome::TooLarge:
        AccountUi::showOkAlert(this, localized("Alert"), UploadSizeLimitText::currentOverLimitMessage());
        break;
    case PLSizedImageUpload::Outcome::NoCredentials:
        AccountUi::showOkAlert(this, localized("Failed"), localized("Unable to fetch credentials"));
        break;
    default:
        AccountUi::showOkAlert(this, localized("Failed"),
                               localized("Image upload failed.Please try again later"));
        break;
    }
}

void PLUserProfileTableViewController::updateProfileWithUpdatedDetailsAndThumbnailImageInfo(
    const std::optional<PLMultiMediaInfo>& thumbnail, const std::optional<PLMultiMediaInfo>& large) {
    m_retry->hide();
    const auto account = CurrentUserInfo::currentUserInfo();
    QString imageURL;
    QString bigImageURL;
    if (m_removePicture) {
        imageURL = kUseDefaultImage;
        bigImageURL = kUseDefaultImage;
    } else {
        if (thumbnail)
            imageURL = thumbnail->s3TinyURL;
        if (large)
            bigImageURL = large->s3TinyURL;
    }
    QPointer<PLUserProfileTableViewController> self(this);
    const bool started = account && account->updateProfileWithName(
                                        m_updatedName.value_or(QString()), imageURL, bigImageURL,
                                        account->phoneNumber(), account->countryCode(),
                                        [self](bool success, const PLOptionalError&, const QString& message) {
                                            PLActivityIndicatorView::dismiss();
                                            if (self)
                                                self->profileUpdated(success, message);
                                        });
    // A request that could not leave has no completion to end the overlay.
    if (!started) {
        PLActivityIndicatorView::dismiss();
        profileUpdated(false, QString());
    }
}

void PLUserProfileTableViewController::profileUpdated(bool success, const QString& message) {
    if (!success) {
        AccountUi::showOkAlert(this, localized("Failed"),
                               message.isEmpty() ? localized("Couldn't update profile") : message);
        restorePhoneFields();
        setIsEditingProfile(true);
        return;
    }
    takePhoneSnapshot();
    if (m_updatedName)
        m_currentName = *m_updatedName;
    m_updatedName.reset();
    m_updatedImageInfo.reset();
    if (m_removePicture) {
        m_removePicture = false;
        m_currentSelectedImage = QImage();
    }
    setIsEditingProfile(false);
    if (!m_dismissOnSave)
        return;
    User::refreshContactsList();
    const auto account = CurrentUserInfo::currentUserInfo();
    const qint16 lockState = account ? account->appLockState() : 0;
    if (lockState == 0) {
        dismissAndDisableFirstTimeLaunch();
        return;
    }
    auto* lock = new PLAppLockScreenViewController;
    lock->setLockScreenState(lockState);
    lock->setAppLockControllerDelegate(this);
    m_firstRunLock = lock;
    presentViewController(lock, true);
    if (!lock->presentingViewController()) {
        // Nothing to wait for: end the first run as without a lock.
        qCWarning(lcAccountScreens) << "The passcode set-up could not be shown";
        delete lock;
        dismissAndDisableFirstTimeLaunch();
    }
}

void PLUserProfileTableViewController::appLockScreenViewController(PLAppLockScreenViewController* controller,
                                                                   bool didFinishProcessing) {
    if (!controller || controller != m_firstRunLock) {
        // A lock the base screen put up (the application resigned active): the base takes it down.
        PLBaseTableTableViewController::appLockScreenViewController(controller, didFinishProcessing);
        return;
    }
    m_firstRunLock.clear();
    // The lock state follows what the set-up ended with (off when no passcode could be kept).
    if (const auto account = CurrentUserInfo::currentUserInfo())
        account->changeAppLockStatusToState(didFinishProcessing ? 1 : 0);
    QPointer<PLUserProfileTableViewController> self(this);
    controller->dismissViewController(true, [self] {
        if (self)
            self->dismissAndDisableFirstTimeLaunch();
    });
}

void PLUserProfileTableViewController::dismissAndDisableFirstTimeLaunch() {
    const NavigationController* nav = m_previous ? m_previous->navigationController() : nullptr;
    if (nav && nav->viewControllers().size() >= 3)
        dismissViewController(true);
    m_dismissOnSave = false;
    if (const auto completion = m_creationCompletion)
        completion();
}

void PLUserProfileTableViewController::cancelEditButtonClickHandler() {
    if (isFirstRun()) {
        AccountUi::showOkAlert(this, localized("Mandatory Field"), localized("Please enter a name and save"));
        return;
    }
    if (!hasUnsavedChanges()) {
        cancelEditing();
        return;
    }
    QPointer<PLUserProfileTableViewController> self(this);
    confirm(localized("Unsaved Changes"), localized("Do you want to continue?"), DiscardChangesTag, [self] {
        if (self)
            self->cancelEditing();
    });
}

void PLUserProfileTableViewController::cancelEditing() {
    m_updatedName.reset();
    m_updatedImageInfo.reset();
    restorePhoneFields();
    m_removePicture = false;
    setIsEditingProfile(false);
}

void PLUserProfileTableViewController::restorePhoneFields() {
    if (const auto account = CurrentUserInfo::currentUserInfo()) {
        account->setPhoneNumber(m_previousPhone);
        account->setCountryCode(m_previousCountry);
        account->save();
    }
    m_removePhone = false;
}

void PLUserProfileTableViewController::uploadProfileImageButtonClickHandler() {
    if (m_nameField->hasFocus()) {
        m_nameField->updateTextFieldState(0);
        m_nameField->resignFirstResponder();
    }
    const auto account = CurrentUserInfo::currentUserInfo();
    const auto me = account ? account->user() : nullptr;
    const QString stored = me ? me->imageUrl() : QString();
    PLImageSelectionProvider::Request request;
    request.useFrontCamera = true;
    request.offerRemoval = !stored.isEmpty() && CurrentUserInfo::isValidTinyURL(stored);
    QPointer<PLUserProfileTableViewController> self(this);
    PLImageSelectionProvider::askForPicture(this, request,
                                            [self](const std::optional<QVariantMap>& selection) {
                                                if (self)
                                                    self->pictureSelected(selection);
                                            });
}

void PLUserProfileTableViewController::pictureSelected(const std::optional<QVariantMap>& selection) {
    if (selection) {
        m_updatedImageInfo = selection;
        m_currentSelectedImage = pickedPicture(*selection);
        m_picture->setImage(m_currentSelectedImage);
        m_addImageLabel->hide();
        m_removePicture = false;
        return;
    }
    QPointer<PLUserProfileTableViewController> self(this);
    confirm(localized("Confirm"), localized("Are you sure you want to remove profile image?"),
            RemovePictureTag, [self] {
                if (self)
                    self->removePicture();
            });
}

void PLUserProfileTableViewController::removePicture() {
    // A picked picture is kept (and still uploaded); the removal wins on the server.
    m_removePicture = true;
    m_addImageLabel->setVisible(m_editing);
    showPicture(ImageAdditions::loadImageNamed(m_editing ? QStringLiteral("add_Image_1")
                                                         : QStringLiteral("defaultProfileImage")));
}

void PLUserProfileTableViewController::profileImageTapGestureHandling(const QPoint& tapInView) {
    if (m_editing) {
        uploadProfileImageButtonClickHandler();
        return;
    }
    const auto account = CurrentUserInfo::currentUserInfo();
    const auto me = account ? account->user() : nullptr;
    if (!me || me->imageUrl().isEmpty() || !CurrentUserInfo::isValidTinyURL(me->imageUrl()))
        return;
    const QString viewerName = QStringLiteral("PLProfileImageViewController");
    ViewController* viewer = ScreenRegistry::shared()->instantiate(viewerName, viewerName);
    if (!viewer) {
        qCInfo(lcAccountScreens) << "No picture viewer is registered";
        return;
    }
    const QRectF from(tapInView, m_picture->size());
    const QImage shown = m_picture->image();
    const QString bigImageURL = me->bigImageUrl();
    QPointer<ViewController> presented(viewer);
    presentViewController(viewer, false, [presented, shown, bigImageURL, from] {
        if (presented &&
            !QMetaObject::invokeMethod(presented, "showProfileImageWithThumbNailImage", Q_ARG(QImage, shown),
                                       Q_ARG(QString, bigImageURL), Q_ARG(QRectF, from)))
            qCWarning(lcAccountScreens) << "The picture viewer cannot show the picture";
    });
}

void PLUserProfileTableViewController::changePhoneNumberClicked() {
    const auto account = CurrentUserInfo::currentUserInfo();
    if (!account || account->phoneNumber().isEmpty())
        return;
    const QString update = localized("Update phone number");
    const QString remove = localized("Remove phone number");
    QPointer<PLUserProfileTableViewController> self(this);
    auto* sheet = new ActionSheet(QString(), localized("Cancel"), QString(), {update, remove},
                                  [self, update, remove](AlertView* shown, int index) {
                                      if (!self || !shown)
                                          return;
                                      const QString title = shown->buttonTitleAtIndex(index);
                                      if (title == update && index != shown->cancelButtonIndex())
                                          self->openPhoneRegistration();
                                      else if (title == remove && index != shown->cancelButtonIndex())
                                          self->removePhoneNumber();
                                  });
    sheet->setFont(AccountUi::font("DejaVuSans", 16));
    sheet->show(window());
}

void PLUserProfileTableViewController::removePhoneNumber() {
    const auto account = CurrentUserInfo::currentUserInfo();
    const QString number = account ? account->phoneNumber() : QString();
    QPointer<PLUserProfileTableViewController> self(this);
    confirm(localized("Confirm"),
            AccountUi::localizedFormat("Are you sure you want to unregister phone number %@ ?", {number}),
            RemovePhoneTag, [self] {
                if (!self)
                    return;
                if (const auto account = CurrentUserInfo::currentUserInfo()) {
                    // Not saved: the next save sends the profile without a number.
                    account->setCountryCode(QString());
                    account->setPhoneNumber(QString());
                }
                self->m_removePhone = true;
                self->setIsEditingProfile(true);
            });
}

void PLUserProfileTableViewController::openPhoneRegistration() {
    auto* nav = qobject_cast<NavigationController*>(ScreenRegistry::shared()->instantiate(
        QStringLiteral("Home"), QStringLiteral("PLRegPhoneNumberViewController")));
    auto* registration =
        nav ? qobject_cast<PLRegPhoneNumberViewController*>(nav->topViewController()) : nullptr;
    if (!registration) {
        delete nav;
        return;
    }
    QPointer<PLUserProfileTableViewController> self(this);
    registration->setRegPhooneNumControllerCompletionHandler(
        [self](const QString& countryCode, const QString& phoneNumber) {
            if (const auto account = CurrentUserInfo::currentUserInfo()) {
                account->setCountryCode(countryCode);
                account->setPhoneNumber(phoneNumber);
            }
            if (self)
                self->setIsEditingProfile(true);
        });
    presentViewController(nav, true);
}

void PLUserProfileTableViewController::openPhoneVerification() {
    auto* verification =
        qobject_cast<PLVerifyPhoneNumberViewController*>(ScreenRegistry::shared()->instantiate(
            QStringLiteral("Home"), QStringLiteral("PLVerifyPhoneNumberViewController")));
    if (!verification)
        return;
    verification->setShowsCloseButton(true);
    verification->setShouldResendCode(true);
    presentViewController(verification, true);
}

} // namespace pelnix
