#include "interface/PelnixProfileImageUploadHelper.h"

#include "core/api/UploadSizeLimitText.h"
#include "core/model/CurrentUserInfo.h"
#include "foundation/PLCurrentBundleInfo.h"
#include "interface/PelnixErrorHandlingHelper.h"
#include "media/PLSizedImageUpload.h"
#include "platform/MainThread.h"

#include <QPointer>

namespace pelnix {

namespace {
PelnixProfileImageUploadHelper::AlertHook& alertHook() {
    static PelnixProfileImageUploadHelper::AlertHook hook;
    return hook;
}

PLError uploadFailedError() {
    return PelnixErrorHandlingHelper::errorWithCode(
        PelnixErrorProfile,
        PLCurrentBundleInfo::localizedString(QStringLiteral(" Profile Image Upload Failed")));
}
} // namespace

PelnixProfileImageUploadHelper::PelnixProfileImageUploadHelper(QObject* parent) : QObject(parent) {
    m_prefixSource = [] {
        const auto account = CurrentUserInfo::PS_findFirst();
        return account ? account->uniqueProfileImagePrefixIDForCurrentUser() : QString();
    };
}

PelnixProfileImageUploadHelper::~PelnixProfileImageUploadHelper() = default;

void PelnixProfileImageUploadHelper::setAlertHook(AlertHook hook) {
    alertHook() = std::move(hook);
}

void PelnixProfileImageUploadHelper::uploadImage(const QImage& image, Completion completion) {
    Q_ASSERT(platform::isMainThread());
    const QString prefix = m_prefixSource ? m_prefixSource() : QString();
    const QString largePrefix = prefix + QStringLiteral("_largeImage");
    QPointer<PelnixProfileImageUploadHelper> self(this);
    uploadProfileImage(image, prefix + QStringLiteral("_thumbnailImage"), QSizeF(250, 250),
                       [self, image, largePrefix, completion](const Info& thumbnail) {
                           if (!thumbnail) {
                               completion(false, uploadFailedError(), std::nullopt, std::nullopt);
                               return;
                           }
                           if (!self)
                               return;
                           self->uploadProfileImage(image, largePrefix, QSizeF(500, 500),
                                                    [thumbnail, completion](const Info& large) {
                                                        if (large)
                                                            completion(true, std::nullopt, thumbnail, large);
                                                        else
                                                            completion(false, uploadFailedError(),
                                                                       std::nullopt, std::nullopt);
                                                    });
                       });
}

void PelnixProfileImageUploadHelper::uploadProfileImage(const QImage& image, const QString& uniqueIDPrefix,
                                                        const QSizeF& size, SingleCompletion completion) {
    Q_ASSERT(platform::isMainThread());
    // Owned here, so the upload's observers go when the helper goes.
    auto* upload = new PLSizedImageUpload(this);
    upload->upload(image, uniqueIDPrefix, size,
                   [upload, completion](PLSizedImageUpload::Outcome outcome, const Info& info) {
                       if (outcome == PLSizedImageUpload::Outcome::TooLarge && alertHook())
                           alertHook()(PLCurrentBundleInfo::localizedString(QStringLiteral("Alert")),
                                       UploadSizeLimitText::currentOverLimitMessage(),
                                       PLCurrentBundleInfo::localizedString(QStringLiteral("OK")));
                       upload->deleteLater();
                       completion(info);
                   });
}

} // namespace pelnix
