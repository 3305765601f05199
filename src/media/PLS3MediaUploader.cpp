#include "media/PLS3MediaUploader.h"

#include "media/PLS3ObjectPut.h"
#include "media/PLS3UploadServices.h"
#include "platform/MainThread.h"
#include "platform/NotificationCenter.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcUploader, "pelnix.media.uploader", QtWarningMsg)

namespace pelnix {

namespace {
void post(const char* name, const QVariant& object = {}) {
    platform::NotificationCenter::defaultCenter()->post(QLatin1String(name), object);
}
} // namespace

Q_GLOBAL_STATIC(PLS3MediaUploader, s_uploader)

PLS3MediaUploader* PLS3MediaUploader::instance() {
    return s_uploader();
}

void PLS3MediaUploader::fetchS3Credentials(std::function<void(bool ok)> completion) {
    Q_ASSERT(platform::isMainThread());
    auto* service = new PLS3TokenGeneratorService(this);
    QPointer<PLS3MediaUploader> self(this);
    const bool started = service->startServiceWithCompletionHandler(
        [self, service, completion](const QByteArray& data, const PLOptionalError& error) {
            service->deleteLater();
            if (!self)
                return;
            self->m_credentials = error ? std::nullopt : PLS3UploadCredentials::fromTokenReply(data);
            if (completion)
                completion(self->m_credentials.has_value());
        });
    if (!started) {
        service->deleteLater();
        // Callers wait for one answer: give it, on a later turn as a network answer would come.
        QMetaObject::invokeMethod(
            this,
            [completion] {
                if (completion)
                    completion(false);
            },
            Qt::QueuedConnection);
    }
}

void PLS3MediaUploader::uploadData(const QByteArray& data, const PLMultiMediaInfo& info) {
    Q_ASSERT(platform::isMainThread());
    cancelUpload();
    m_info = info;
    if (!m_credentials) {
        fail(PLError(QStringLiteral("PLS3MediaUploaderErrorDomain"), -1,
                     QStringLiteral("No upload credentials")));
        return;
    }
    m_cancelToken = platform::NotificationCenter::defaultCenter()->addObserver(
        QLatin1String(PLS3MediaUploaderCancelUploadNotification),
        [this](const platform::Notification&) { cancelUpload(); });
    auto* put = new PLS3ObjectPut(m_credentials->makeClient(m_uploadTimeout), this);
    m_put = put;
    connect(put, &PLS3ObjectPut::progressed, this, [](qint64 written, qint64 expected) {
        const double fraction = expected > 0 ? double(written) / double(expected) : 0.0;
        post(PLS3MediaUploaderDidUploadNotification, qMin(fraction, 0.99));
    });
    connect(put, &PLS3ObjectPut::completed, this, [this, put] {
        put->deleteLater();
        fetchShortURL();
    });
    connect(put, &PLS3ObjectPut::failed, this, [this, put](const PLError& error) {
        put->deleteLater();
        fail(error);
    });
    put->start(info.fileID, info.fileMime, data);
}

void PLS3MediaUploader::fetchShortURL() {
    auto* service = new PLS3URLGeneratorService(this);
    service->setFileID(m_info.fileID);
    service->setFileMime(m_info.fileMime);
    m_service = service;
    const bool started = service->startServiceWithCompletionHandler(
        [this, service](const QByteArray& data, const PLOptionalError&) {
            service->deleteLater();
            const QString url = PLS3URLGeneratorService::shortURLFromReply(data);
            if (url.isEmpty()) {
                fail(std::nullopt);
                return;
            }
            m_info.s3TinyURL = url;
            finishListening();
            post(PLS3MediaUploaderDidUploadNotification, 1.0);
            post(PLS3MediaUploaderDidFinishUploadingNotification, QVariant::fromValue(m_info));
        });
    if (!started) {
        service->deleteLater();
        fail(std::nullopt);
    }
}

void PLS3MediaUploader::fail(const std::optional<PLError>& error) {
    qCWarning(lcUploader).noquote() << "upload failed:"
                                    << (error ? PLS3ObjectPut::loggable(*error)
                                              : QStringLiteral("no short URL"));
    finishListening();
    post(PLS3MediaUploaderDidFailWithErrorNotification, error ? QVariant::fromValue(*error) : QVariant());
}

void PLS3MediaUploader::cancelUpload() {
    if (m_put)
        m_put->cancel();
    if (m_put)
        m_put->deleteLater();
    if (m_service) {
        m_service->cancel();
        m_service->deleteLater();
    }
    m_put.clear();
    m_service.clear();
    finishListening();
}

void PLS3MediaUploader::finishListening() {
    if (m_cancelToken)
        platform::NotificationCenter::defaultCenter()->removeObserver(m_cancelToken);
    m_cancelToken = 0;
}

void PLS3MediaUploader::reset() {
    cancelUpload();
    m_credentials.reset();
}

} // namespace pelnix
