#include "ui/rooms/GroupPictureUpload.h"

#include "core/api/UploadSizeLimitText.h"
#include "core/model/CurrentUserInfo.h"
#include "core/model/User.h"
#include "media/PLCameraPictures.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/ViewController.h"
#include "ui/account/PLImageSelectionProvider.h"
#include "ui/rooms/RoomsTexts.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcGroupPicture, "pelnix.ui.rooms.grouppicture", QtWarningMsg)

namespace pelnix::GroupPictureUpload {

using RoomsTexts::localized;

namespace {
void uploadThroughMediaLayer(QObject* owner, const QImage& image, int side,
                             PLSizedImageUpload::Completion completion) {
    auto* upload = new PLSizedImageUpload(owner);
    upload->upload(image, QString(), QSizeF(side, side),
                   [upload, completion](PLSizedImageUpload::Outcome outcome,
                                        const std::optional<PLMultiMediaInfo>& info) {
                       upload->deleteLater();
                       completion(outcome, info);
                   });
}

Uploader& uploader() {
    static Uploader current = uploadThroughMediaLayer;
    return current;
}

void tellFailure(platform::ui::ViewController* owner, PLSizedImageUpload::Outcome outcome) {
    QString title = localized("Failed");
    QString message;
    switch (outcome) {
    case PLSizedImageUpload::Outcome::TooLarge:
        title = localized("Alert");
        message = UploadSizeLimitText::currentOverLimitMessage();
        break;
    case PLSizedImageUpload::Outcome::NoCredentials:
        message = localized("Unable to fetch credentials");
        break;
    default:
        message = localized("Image upload failed.Please try again later");
        break;
    }
    qCInfo(lcGroupPicture) << "group picture not uploaded:" << int(outcome);
    auto* alert = new platform::ui::AlertView(title, message, localized("OK"), {});
    alert->setObjectName(QStringLiteral("pictureUploadFailedAlert"));
    alert->show(owner ? owner->window() : nullptr);
}
} // namespace

void setUploader(Uploader replacement) {
    uploader() = replacement ? std::move(replacement) : Uploader(uploadThroughMediaLayer);
}

QImage pickedPicture(const QVariantMap& selection) {
    const QImage edited = selection.value(PLImageSelectionProvider::kEditedImageKey).value<QImage>();
    return edited.isNull() ? selection.value(PLImageSelectionProvider::kOriginalImageKey).value<QImage>()
                           : edited;
}

void uploadBothSizes(platform::ui::ViewController* owner, const QVariantMap& selection,
                     std::function<void(const std::optional<URLs>& urls)> done) {
    PLCameraPictures::keepInAlbum(
        selection.value(PLImageSelectionProvider::kOriginalImageKey).value<QImage>(),
        selection.value(PLImageSelectionProvider::kIsExistingMediaKey).toBool());
    const QImage image = pickedPicture(selection);
    QPointer<platform::ui::ViewController> self(owner);
    uploader()(owner, image, kThumbnailSide,
               [self, image, done](PLSizedImageUpload::Outcome outcome,
                                   const std::optional<PLMultiMediaInfo>& thumbnail) {
                   // A screen that went meanwhile still hears the end, to take its indicator down.
                   if (!self) {
                       done(std::nullopt);
                       return;
                   }
                   if (!thumbnail) {
                       tellFailure(self, outcome);
                       done(std::nullopt);
                       return;
                   }
                   const QString thumbnailURL = thumbnail->s3TinyURL;
                   uploader()(self, image, kBigSide,
                              [self, thumbnailURL, done](PLSizedImageUpload::Outcome outcome,
                                                         const std::optional<PLMultiMediaInfo>& big) {
                                  if (!self) {
                                      done(std::nullopt);
                                      return;
                                  }
                                  if (!big) {
                                      tellFailure(self, outcome);
                                      done(std::nullopt);
                                      return;
                                  }
                                  done(URLs{thumbnailURL, big->s3TinyURL});
                              });
               });
}

bool currentUserHasPicture() {
    const auto account = CurrentUserInfo::currentUserInfo();
    const auto me = account ? account->user() : nullptr;
    const QString picture = me ? me->imageUrl() : QString();
    return !picture.isEmpty() && CurrentUserInfo::isValidTinyURL(picture);
}

} // namespace pelnix::GroupPictureUpload
