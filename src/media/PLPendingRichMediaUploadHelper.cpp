#include "media/PLPendingRichMediaUploadHelper.h"

#include "core/model/Asset.h"
#include "core/model/PendingMessageInfo.h"
#include "foundation/DocumentSaver.h"
#include "media/PLPendingRichMediaUploadsManager.h"
#include "media/PLS3ObjectPut.h"
#include "media/PLS3UploadServices.h"
#include "platform/MainThread.h"
#include "smart/SmartFormManager.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QUuid>

Q_LOGGING_CATEGORY(lcRichMedia, "pelnix.media.richmedia", QtWarningMsg)

namespace pelnix {

namespace {
// A post of one media file: its text is the shared-media smart message.
constexpr qint16 kRichMediaPostType = 3;

QString temporaryFilePath(const RichMediaInfo::Ptr& entry) {
    return DocumentSaver::filePathTillFolderName(QLatin1String(DocumentSaver::kPendingRichMediaUploadsFolder),
                                                 entry->fileName());
}
// The shared-media form comes with an empty form ID, and a smart message without one can never be
// found again (nor is it accepted by the service): each post gets its own.
QString withFormID(const QString& formJSON) {
    QJsonObject form = QJsonDocument::fromJson(formJSON.toUtf8()).object();
    if (form.isEmpty() || !form.value(QLatin1String("formid")).toString().isEmpty())
        return formJSON;
    form.insert(QLatin1String("formid"), QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper());
    return QString::fromUtf8(QJsonDocument(form).toJson());
}
} // namespace

PLPendingRichMediaUploadHelper::PLPendingRichMediaUploadHelper(PLPendingRichMediaUploadsManager* manager,
                                                               RichMediaInfo::Ptr entry)
    : m_manager(manager), m_entry(std::move(entry)) {}

PLPendingRichMediaUploadHelper::~PLPendingRichMediaUploadHelper() {
    cancelUploading();
}

qint16 PLPendingRichMediaUploadHelper::progressPercent(qint64 written, qint64 expected) {
    const float fraction = expected > 0 ? float(written) / float(expected) : 1.0f;
    return fraction < 1.0f ? qint16(fraction * 100.0f) : qint16(98);
}

void PLPendingRichMediaUploadHelper::startByState() {
    switch (m_entry->state()) {
    case New:
    case CredentialsFailed:
    case Uploading:
    case UploadProgress:
    case PutFailed:
        startUploadingToS3ForRichMediaInfo();
        break;
    case Stored:
    case ShortURLRequested:
    case ShortURLFailed:
    case ShortURLReceived:
        // The object is in S3 already (a put completed before a restart): only its short URL is missing.
        startFetchingTinyURLForUploadedRichMedia();
        break;
    default:
        break;
    }
}

void PLPendingRichMediaUploadHelper::changeToState(qint16 state) {
    m_entry->setState(state);
    m_entry->save();
}

bool PLPendingRichMediaUploadHelper::loadMediaInfo() {
    const auto info = PLMultiMediaInfo::multiMediaInfoFromJSONstring(m_entry->uploadedMediaInfo());
    m_mediaInfo = info.value_or(PLMultiMediaInfo());
    return info.has_value();
}

void PLPendingRichMediaUploadHelper::startUploadingToS3ForRichMediaInfo() {
    Q_ASSERT(platform::isMainThread());
    loadMediaInfo();
    QFile file(temporaryFilePath(m_entry));
    if (!file.open(QIODevice::ReadOnly)) {
        // Without its file the entry can never upload: fail it so that its post fails and can be
        // discarded instead of waiting forever.
        qCWarning(lcRichMedia) << "temporary file missing for media" << m_entry->mediaId();
        giveUp();
        return;
    }
    m_uploadData = file.readAll();
    fetchCredentials();
}

void PLPendingRichMediaUploadHelper::fetchCredentials() {
    auto* service = new PLS3TokenGeneratorService(this);
    m_service = service;
    QPointer<PLPendingRichMediaUploadHelper> self(this);
    const bool started = service->startServiceWithCompletionHandler(
        [self, service](const QByteArray& data, const PLOptionalError& error) {
            service->deleteLater();
            if (!self)
                return;
            const auto credentials = error ? std::nullopt : PLS3UploadCredentials::fromTokenReply(data);
            if (!credentials) {
                self->changeToState(CredentialsFailed);
                self->retryUploading();
                return;
            }
            self->changeToState(Uploading);
            self->putWithCredentials(*credentials);
        });
    if (!started) {
        service->deleteLater();
        retryUploading();
    }
}

void PLPendingRichMediaUploadHelper::putWithCredentials(const PLS3UploadCredentials& credentials) {
    auto* put = new PLS3ObjectPut(credentials.makeClient(m_manager->uploadTimeout()), this);
    m_put = put;
    connect(put, &PLS3ObjectPut::progressed, this, [this](qint64 written, qint64 expected) {
        m_entry->setUploadProgress(progressPercent(written, expected));
        changeToState(UploadProgress);
    });
    connect(put, &PLS3ObjectPut::completed, this, [this, put] {
        put->deleteLater();
        m_entry->setUploadProgress(99);
        m_entry->setUploadedMediaInfo(m_mediaInfo.representMediaInfoAsString());
        changeToState(Stored);
        getS3FileURL();
    });
    connect(put, &PLS3ObjectPut::failed, this, [this, put] {
        put->deleteLater();
        changeToState(PutFailed);
        retryUploading();
    });
    put->start(m_mediaInfo.fileID, m_mediaInfo.fileMime, m_uploadData);
    changeToState(UploadProgress);
}

void PLPendingRichMediaUploadHelper::startFetchingTinyURLForUploadedRichMedia() {
    Q_ASSERT(platform::isMainThread());
    loadMediaInfo();
    getS3FileURL();
}

void PLPendingRichMediaUploadHelper::getS3FileURL() {
    changeToState(ShortURLRequested);
    auto* service = new PLS3URLGeneratorService(this);
    service->setFileID(m_mediaInfo.fileID);
    service->setFileMime(m_mediaInfo.fileMime);
    m_service = service;
    QPointer<PLPendingRichMediaUploadHelper> self(this);
    const bool started = service->startServiceWithCompletionHandler(
        [self, service](const QByteArray& data, const PLOptionalError&) {
            service->deleteLater();
            if (!self)
                return;
            const QString url = PLS3URLGeneratorService::shortURLFromReply(data);
            if (url.isEmpty()) {
                self->changeToState(ShortURLFailed);
                self->retryUploading();
                return;
            }
            self->m_mediaInfo.s3TinyURL = url;
            self->m_entry->setUploadProgress(100);
            self->m_entry->setUploadedMediaInfo(self->m_mediaInfo.representMediaInfoAsString());
            self->changeToState(ShortURLReceived);
            self->changeToState(Completed);
            self->completedUploadingRichMedia();
        });
    if (!started) {
        service->deleteLater();
        retryUploading();
    }
}

void PLPendingRichMediaUploadHelper::retryUploading() {
    m_entry->setTryCount(qint16(m_entry->tryCount() + 1));
    if (m_entry->tryCount() >= kMaxTries) {
        giveUp();
        return;
    }
    m_entry->save();
    switch (m_entry->state()) {
    case ShortURLRequested:
    case ShortURLFailed:
        getS3FileURL();
        break;
    default:
        // Credentials, put or an unstarted service before the put: again from the credentials, with
        // the bytes already read.
        if (m_uploadData.isNull())
            startUploadingToS3ForRichMediaInfo();
        else
            fetchCredentials();
        break;
    }
}

void PLPendingRichMediaUploadHelper::giveUp() {
    m_entry->setTryCount(0);
    m_entry->setUploadProgress(0);
    changeToState(Failed);
    failedUploadingRichMedia();
}

void PLPendingRichMediaUploadHelper::completedUploadingRichMedia() {
    const RichMediaInfo::Ptr entry = m_entry;
    if (auto post = entry->pendingmessage(); post && post->type() == kRichMediaPostType) {
        const QString text = withFormID(SmartFormManager::constructshareMediaWithMediaDict(
            QJsonDocument::fromJson(entry->uploadedMediaInfo().toUtf8()).object().toVariantMap()));
        // Without its form template the post keeps the text it has rather than going out empty.
        if (!text.isEmpty()) {
            post->setText(text);
            post->save();
        }
    }
    const auto hook = m_manager->hooks().mediaFinished;
    m_manager->removeUploadsHelperForRichMedia(entry);
    Asset::addAssetWithRemoteURL(m_mediaInfo.s3TinyURL, entry->assetURL(), nullptr);
    QFile::remove(temporaryFilePath(entry));
    if (hook)
        hook(entry);
}

void PLPendingRichMediaUploadHelper::failedUploadingRichMedia() {
    const RichMediaInfo::Ptr entry = m_entry;
    const auto hook = m_manager->hooks().mediaFailed;
    m_manager->removeUploadsHelperForRichMedia(entry);
    if (hook)
        hook(entry);
}

void PLPendingRichMediaUploadHelper::cancelUploading() {
    if (m_put)
        m_put->cancel();
    if (m_service) {
        m_service->cancel();
        m_service->deleteLater();
    }
    m_service.clear();
    m_put.clear();
    m_uploadData.clear();
    m_mediaInfo = PLMultiMediaInfo();
}

} // namespace pelnix
