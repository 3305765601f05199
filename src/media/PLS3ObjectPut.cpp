#include "media/PLS3ObjectPut.h"

#include "core/api/PLAppConfigurations.h"
#include "media/s3/S3PutObjectRequest.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcObjectPut, "pelnix.media.put", QtWarningMsg)

namespace pelnix {

PLS3ObjectPut::PLS3ObjectPut(std::unique_ptr<S3Client> client, QObject* parent)
    : QObject(parent), m_client(std::move(client)) {}

PLS3ObjectPut::~PLS3ObjectPut() {
    cancel();
}

void PLS3ObjectPut::start(const QString& key, const QString& contentType, const QByteArray& data) {
    m_request = std::make_shared<S3PutObjectRequest>(
        key, PLAppConfigurations::currentConfiguration()->pictureBucketParameterValue());
    m_request->setContentType(contentType);
    m_request->setData(data);
    m_request->setDelegate(this);
    // A request that cannot go out at all is refused at once, as a response or (with the client's
    // exceptions on) as an exception; either way it becomes a failure on a later turn.
    QString refusal;
    try {
        if (const auto response = m_client->putObject(m_request))
            refusal =
                response->error() ? response->error()->localizedDescription : QStringLiteral("Put not sent");
    } catch (const std::exception& exception) {
        refusal = QString::fromUtf8(exception.what());
    }
    if (refusal.isNull())
        return;
    qCWarning(lcObjectPut) << "put not sent:" << refusal;
    m_request->setDelegate(nullptr);
    QMetaObject::invokeMethod(
        this, [this, refusal] { emit failed(PLError(QStringLiteral("S3ErrorDomain"), -1, refusal)); },
        Qt::QueuedConnection);
}

void PLS3ObjectPut::cancel() {
    if (!m_request)
        return;
    m_request->setDelegate(nullptr);
    m_request->cancel();
    m_request.reset();
}

void PLS3ObjectPut::requestDidSendData(S3ServiceRequest*, qint64, qint64 totalBytesWritten,
                                       qint64 totalBytesExpectedToWrite) {
    emit progressed(totalBytesWritten, totalBytesExpectedToWrite);
}

void PLS3ObjectPut::requestDidCompleteWithResponse(S3ServiceRequest*, S3ServiceResponse*) {
    emit completed();
}

void PLS3ObjectPut::requestDidFailWithError(S3ServiceRequest*, const PLError& error) {
    qCWarning(lcObjectPut) << "put failed:" << error.debugText();
    emit failed(error);
}

} // namespace pelnix
