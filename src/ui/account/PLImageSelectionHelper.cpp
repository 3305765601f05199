#include "ui/account/PLImageSelectionHelper.h"

#include "core/api/UploadSizeLimitText.h"
#include "platform/ui/ActionSheet.h"
#include "platform/ui/ImagePicker.h"
#include "platform/ui/ViewController.h"
#include "ui/account/AccountUi.h"
#include "ui/account/PLPickerInfo.h"
#include <QThread>

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcImageSelection, "pelnix.ui.account.imageselection", QtWarningMsg)

namespace pelnix {

using AccountUi::localized;
using platform::ui::ActionSheet;
using platform::ui::AlertView;
using platform::ui::ImagePicker;
using platform::ui::ViewController;

PLImageSelectionHelper::PLImageSelectionHelper(QObject* parent)
    : QObject(parent),
      m_isCameraAvailable(ImagePicker::current()->isSourceTypeAvailable(ImagePicker::Source::Camera)) {}

void PLImageSelectionHelper::showImageSelectionOptionsInViewOfViewController(ViewController* parent,
                                                                             CompletionHandler handler) {
    Q_ASSERT(QThread::currentThread() == thread());
    m_parentViewController = parent;
    m_handler = std::move(handler);
    QStringList titles{localized("Photo Library")};
    if (m_isCameraAvailable)
        titles << localized("Camera");
    if (m_shouldShowResetImage)
        titles << localized("Remove Profile Image");
    if (m_actionSheet)
        m_actionSheet->dismiss();
    QPointer<PLImageSelectionHelper> self(this);
    auto* sheet = new ActionSheet(QString(), localized("Cancel"), QString(), titles,
                                  [self](AlertView* shown, int index) {
                                      if (self)
                                          self->actionSheetDidDismissWithButtonIndex(shown, index);
                                  });
    sheet->setObjectName(QStringLiteral("imageSelectionSheet"));
    sheet->setFont(AccountUi::font("DejaVuSans", 16));
    m_actionSheet = sheet;
    sheet->show(parent ? parent->window() : nullptr);
    if (!sheet->isShown()) {
        qCWarning(lcImageSelection) << "no window shows the picture choice";
        delete sheet;
        emit finished();
    }
}

void PLImageSelectionHelper::actionSheetDidDismissWithButtonIndex(AlertView* sheet, int buttonIndex) {
    if (!sheet || buttonIndex == sheet->cancelButtonIndex()) {
        emit finished();
        return;
    }
    const QString title = sheet->buttonTitleAtIndex(buttonIndex);
    if (title == localized("Photo Library")) {
        m_isExistingMedia = true;
        presentImagePickerForType(PhotoLibrarySource);
    } else if (title == localized("Camera")) {
        if (needsPermissionForFirstTime()) {
            emit finished();
        } else if (!isAuthorizedToUseAlbum()) {
            AccountUi::showOkAlert(m_parentViewController, localized("Alert"),
                                   localized("Please enable access to Photos in Privacy Settings"));
            emit finished();
        } else {
            m_isExistingMedia = false;
            presentImagePickerForType(CameraSource);
        }
    } else if (title == localized("Remove Profile Image")) {
        answer(std::nullopt);
    } else {
        emit finished();
    }
}

void PLImageSelectionHelper::presentImagePickerForType(int type) {
    if (!m_parentViewController) {
        emit finished();
        return;
    }
    ImagePicker* picker = ImagePicker::current();
    const bool camera = type == CameraSource;
    if (camera)
        picker->setCameraDevice(m_shouldUseFrontCamera ? ImagePicker::CameraDevice::Front
                                                       : ImagePicker::CameraDevice::Rear);
    QPointer<PLImageSelectionHelper> self(this);
    picker->pick(camera ? ImagePicker::Source::Camera : ImagePicker::Source::PhotoLibrary,
                 ImagePicker::MediaKinds::Images, m_canAllowEditing, m_parentViewController->view(),
                 [self, camera](const std::optional<platform::ui::PickedMedia>& picked,
                                const std::optional<PLError>& error) {
                     if (!self)
                         return;
                     if (picked)
                         self->imagePickerControllerDidFinishPickingMediaWithInfo(
                             PLPickerInfo::infoFromPickedMedia(*picked, !camera));
                     else if (error)
                         self->refuse(localized("The picked item cannot be read."));
                     else
                         self->imagePickerControllerDidCancel();
                 });
}

bool PLImageSelectionHelper::needsPermissionForFirstTime() {
    ImagePicker* picker = ImagePicker::current();
    if (picker->authorizationStatus() != ImagePicker::AuthorizationStatus::NotDetermined)
        return false;
    picker->requestAuthorization({});
    return true;
}

bool PLImageSelectionHelper::isAuthorizedToUseAlbum() {
    return ImagePicker::current()->authorizationStatus() == ImagePicker::AuthorizationStatus::Authorized;
}

void PLImageSelectionHelper::imagePickerControllerDidFinishPickingMediaWithInfo(const QVariantMap& info) {
    // The picker is gone by now; the check answers before it returns.
    switch (PLPickerInfo::checkUploadLimit(info, m_isExistingMedia)) {
    case PLPickerInfo::LimitAnswer::WithinLimit: {
        QVariantMap selection = info;
        selection.insert(PLPickerInfo::kIsExistingMediaKey, m_isExistingMedia);
        answer(selection);
        break;
    }
    case PLPickerInfo::LimitAnswer::OverLimit:
        refuse(UploadSizeLimitText::currentOverLimitMessage());
        break;
    case PLPickerInfo::LimitAnswer::Unreadable:
        // The library could not hand the item over: a refusal, never a wait.
        qCWarning(lcImageSelection) << "the picked library item cannot be read";
        refuse(localized("The picked item cannot be read."));
        break;
    }
}

void PLImageSelectionHelper::imagePickerControllerDidCancel() {
    emit finished();
}

void PLImageSelectionHelper::refuse(const QString& message) {
    if (!m_handler) {
        emit finished();
        return;
    }
    AccountUi::showOkAlert(m_parentViewController, localized("Alert"), message);
    answer(std::nullopt);
}

void PLImageSelectionHelper::answer(const std::optional<QVariantMap>& selection) {
    // The owner may let the helper go from inside its handler.
    QPointer<PLImageSelectionHelper> self(this);
    if (const CompletionHandler handler = m_handler)
        handler(selection);
    if (self)
        emit self->finished();
}

} // namespace pelnix
