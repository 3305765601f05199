#include "interface/PelnixProfileImageUploadHelper.h"

#include "core/api/PLAppConfigurations.h"
#include "core/model/CurrentUserInfo.h"
#include "foundation/PLCurrentBundleInfo.h"
#include "interface/PelnixErrorHandlingHelper.h"
#include "media/PLMultiMediaHandler.h"
#include "media/PLS3MediaUploader.h"
#include "platform/MainThread.h"
#include "platform/NotificationCenter.h"

#include <QLoggingCategory>
#include <QPointer>

Q_LOGGING_CATEGORY(lcProfileImage, "pelnix.media.profileimage")

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

PelnixProfileImageUploadHelper::~PelnixProfileImageUploadHelper() {
    removeObservers();
}

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
    if (image.isNull()) {
        completion(std::nullopt);
        return;
    }
    PLMultiMediaHandler handler;
    handler.customSize = size;
    if (!uniqueIDPrefix.isEmpty())
        handler.uniqueIDPrefixForProfileImage = uniqueIDPrefix;
    PLMediaSelection selection;
    selection.originalImage = image;
    const QByteArray data = handler.processMultiMediaWithInfo(selection);
    if (data.isEmpty())
        qCWarning(lcProfileImage) << "***** Upload Data Is Nill****";
    if (quint64(data.size()) > PLAppConfigurations::currentConfiguration()->uploadSizeLimit()) {
        if (alertHook())
            alertHook()(PLCurrentBundleInfo::localizedString(QStringLiteral("Alert")),
                        QStringLiteral("Max 15MB can be uploaded"), QStringLiteral("OK"));
        completion(std::nullopt);
        return;
    }

    // One completion per upload, whichever way it ends; the observers go with it.
    auto done = std::make_shared<bool>(false);
    QPointer<PelnixProfileImageUploadHelper> self(this);
    const auto finish = [self, done, completion](const Info& info) {
        if (*done)
            return;
        *done = true;
        if (self)
            self->removeObservers();
        completion(info);
    };
    auto* center = platform::NotificationCenter::defaultCenter();
    m_observers << center->addObserver(
        QLatin1String(PLS3MediaUploaderDidFinishUploadingNotification),
        [finish](const platform::Notification& n) { finish(n.object.value<PLMultiMediaInfo>()); }, this);
    m_observers << center->addObserver(
        QLatin1String(PLS3MediaUploaderDidFailWithErrorNotification),
        [finish](const platform::Notification&) { finish(std::nullopt); }, this);
    const PLMultiMediaInfo info = handler.currentMediaInfo();
    PLS3MediaUploader::instance()->fetchS3Credentials([finish, data, info](bool ok) {
        if (!ok) {
            finish(std::nullopt);
            return;
        }
        PLS3MediaUploader::instance()->uploadData(data, info);
    });
}

void PelnixProfileImageUploadHelper::removeObservers() {
    for (const auto token : std::as_const(m_observers))
        platform::NotificationCenter::defaultCenter()->removeObserver(token);
    m_observers.clear();
}

} // namespace pelnix
