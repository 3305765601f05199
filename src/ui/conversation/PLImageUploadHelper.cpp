#include "ui/conversation/PLImageUploadHelper.h"

#include "core/api/PLAppConfigurations.h"
#include "core/api/UploadSizeLimitText.h"
#include "media/PLCameraPictures.h"
#include "media/PLSizedImageUpload.h"
#include "platform/MainThread.h"
#include "ui/account/PLPickerInfo.h"
#include "ui/conversation/AttachmentsLog.h"
#include "ui/conversation/SmartScreenSupport.h"

#include <QFileInfo>

namespace pelnix {

using SmartScreenSupport::text;

namespace {
void alert(const char* title, const char* message) {
    SmartScreenSupport::showAlert(nullptr, text(title), text(message));
}

void alertOverLimit() {
    SmartScreenSupport::showAlert(nullptr, text("Alert"), UploadSizeLimitText::currentOverLimitMessage());
}
} // namespace

void PLImageUploadHelper::checkForSizeAndUploadImageUsingImageInfo(const QVariantMap& info,
                                                                   CompletionHandler handler) {
    checkForSizeAndUploadImageUsingImageInfo(info, QString(), kDefaultSize, std::move(handler));
}

void PLImageUploadHelper::checkForSizeAndUploadImageUsingImageInfo(const QVariantMap& info,
                                                                   const QString& uniqueIDPrefix,
                                                                   const QSizeF& size,
                                                                   CompletionHandler handler) {
    checkForSizeUsingInfo(info, uniqueIDPrefix, size, std::move(handler));
}

void PLImageUploadHelper::checkForSizeUsingInfo(const QVariantMap& info, const QString& uniqueIDPrefix,
                                                const QSizeF& size, CompletionHandler handler) {
    Q_ASSERT(platform::isMainThread());
    const quint64 limit = PLAppConfigurations::currentConfiguration()->uploadSizeLimit();
    // A picture without a library item (just taken) measures 0 here; a named item that cannot be
    // read is refused at once, so that a caller's busy indicator does not wait for good.
    const QString reference = info.value(PLPickerInfo::kReferenceURLKey).toString();
    quint64 assetSize = 0;
    if (!reference.isEmpty()) {
        const QFileInfo asset(reference);
        if (!asset.isFile() || !asset.isReadable()) {
            qCWarning(lcAttachments) << "the picture's library item cannot be read";
            alert("Alert", "The picked item cannot be read.");
            if (handler)
                handler(std::nullopt);
            return;
        }
        assetSize = quint64(asset.size());
    }
    if (assetSize > limit) {
        alertOverLimit();
        if (handler)
            handler(std::nullopt);
        return;
    }
    uploadImageUsingImageInfo(info, uniqueIDPrefix, size, std::move(handler));
}

void PLImageUploadHelper::uploadImageUsingImageInfo(const QVariantMap& info, const QString& uniqueIDPrefix,
                                                    const QSizeF& size, CompletionHandler handler) {
    Q_ASSERT(platform::isMainThread());
    const CompletionHandler done = [handler](const std::optional<PLMultiMediaInfo>& mediaInfo) {
        if (handler)
            handler(mediaInfo);
    };
    if (info.isEmpty()) {
        done(std::nullopt);
        return;
    }
    PLCameraPictures::keepInAlbum(info.value(PLPickerInfo::kOriginalImageKey).value<QImage>(),
                                  info.value(PLPickerInfo::kIsExistingMediaKey).toBool());
    auto* upload = new PLSizedImageUpload;
    upload->upload(PLPickerInfo::pictureOf(info), uniqueIDPrefix, size,
                   [upload, done](PLSizedImageUpload::Outcome outcome,
                                  const std::optional<PLMultiMediaInfo>& mediaInfo) {
                       upload->deleteLater();
                       switch (outcome) {
                       case PLSizedImageUpload::Outcome::Uploaded:
                           done(mediaInfo);
                           break;
                       case PLSizedImageUpload::Outcome::TooLarge:
                           alertOverLimit();
                           done(std::nullopt);
                           break;
                       case PLSizedImageUpload::Outcome::NoCredentials:
                           alert("Failed", "Unable to fetch credentials");
                           done(std::nullopt);
                           break;
                       case PLSizedImageUpload::Outcome::UploadFailed:
                           done(std::nullopt);
                           showFailedUploadAlert();
                           break;
                       }
                   });
}

void PLImageUploadHelper::showFailedUploadAlert() {
    alert("Failed", "Image upload failed.Please try again later");
}

} // namespace pelnix
