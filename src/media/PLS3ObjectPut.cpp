#include "media/PLS3ObjectPut.h"

#include "core/api/PLAppConfigurations.h"
#include "media/s3/S3PutObjectRequest.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcObjectPut, "pelnix.media.put")

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
    const auto refused = m_client->putObject(m_request);
    // A request that cannot go out at all answers at once instead of through the delegate.
    if (refused) {
        qCWarning(lcObjectPut) << "put not sent";
        QMetaObject::invokeMethod(
            this,
            [this] {
                emit failed(PLError(QStringLiteral("S3ErrorDomain"), -1, QStringLiteral("Put not sent")));
            },
            Qt::QueuedConnection);
    }
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
