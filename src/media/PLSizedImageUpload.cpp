#include "media/PLSizedImageUpload.h"

#include "core/api/PLAppConfigurations.h"
#include "media/PLMultiMediaHandler.h"
#include "media/PLS3MediaUploader.h"
#include "platform/MainThread.h"
#include "platform/NotificationCenter.h"

#include <QLoggingCategory>
#include <QPointer>

Q_LOGGING_CATEGORY(lcSizedImageUpload, "pelnix.media.sizedimage", QtWarningMsg)

namespace pelnix {

PLSizedImageUpload::PLSizedImageUpload(QObject* parent) : QObject(parent) {}

PLSizedImageUpload::~PLSizedImageUpload() {
    removeObservers();
}

void PLSizedImageUpload::upload(const QImage& image, const QString& uniqueIDPrefix, const QSizeF& size,
                                Completion completion) {
    Q_ASSERT(platform::isMainThread());
    if (image.isNull()) {
        completion(Outcome::UploadFailed, std::nullopt);
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
        qCWarning(lcSizedImageUpload) << "***** Upload Data Is Nill****";
    if (quint64(data.size()) > PLAppConfigurations::currentConfiguration()->uploadSizeLimit()) {
        completion(Outcome::TooLarge, std::nullopt);
        return;
    }

    // One completion per upload, whichever way it ends; the observers go with it.
    auto done = std::make_shared<bool>(false);
    QPointer<PLSizedImageUpload> self(this);
    const auto finish = [self, done, completion](Outcome outcome,
                                                 const std::optional<PLMultiMediaInfo>& info) {
        if (*done || !self)
            return;
        *done = true;
        self->removeObservers();
        completion(outcome, info);
    };
    auto* center = platform::NotificationCenter::defaultCenter();
    m_observers << center->addObserver(
        QLatin1String(PLS3MediaUploaderDidFinishUploadingNotification),
        [finish](const platform::Notification& n) {
            finish(Outcome::Uploaded, n.object.value<PLMultiMediaInfo>());
        },
        this);
    m_observers << center->addObserver(
        QLatin1String(PLS3MediaUploaderDidFailWithErrorNotification),
        [finish](const platform::Notification&) { finish(Outcome::UploadFailed, std::nullopt); }, this);
    const PLMultiMediaInfo info = handler.currentMediaInfo();
    PLS3MediaUploader::instance()->fetchS3Credentials([finish, data, info](bool ok) {
        if (!ok) {
            finish(Outcome::NoCredentials, std::nullopt);
            return;
        }
        PLS3MediaUploader::instance()->uploadData(data, info);
    });
}

void PLSizedImageUpload::removeObservers() {
    for (const auto token : std::as_const(m_observers))
        platform::NotificationCenter::defaultCenter()->removeObserver(token);
    m_observers.clear();
}

} // namespace pelnix
