#include "media/PLS3ObjectPut.h"

#include "core/api/PLAppConfigurations.h"
#include "media/s3/S3ErrorHandler.h"
#include "media/s3/S3PutObjectRequest.h"

#include <QLoggingCategory>
#include <QRegularExpression>

Q_LOGGING_CATEGORY(lcObjectPut, "pelnix.media.put", QtWarningMsg)

namespace pelnix {

namespace {

// `value` of `error` when all of it matches `shape`, else a word saying it is not shown.
QString shaped(const PLError& error, const QString& key, const QRegularExpression& shape) {
    const QString value = error.userInfo.value(key).toString();
    if (value.isEmpty())
        return QStringLiteral("none");
    return shape.match(value).hasMatch() ? value : QStringLiteral("(not shown)");
}

} // namespace

QString PLS3ObjectPut::loggable(const PLError& error) {
    if (error.domain != QLatin1String(S3ServiceErrorDomain))
        return QStringLiteral("%1 %2").arg(error.domain).arg(error.code);
    // A code is a word ("SignatureDoesNotMatch"), a request id letters and digits ("4442587FB7D0A2F9",
    // "tx0000a1b2-0061e5f1-default"): anything else is the service's text, not one of them.
    static const QRegularExpression code(QStringLiteral("^[A-Za-z][A-Za-z0-9.]{0,63}$"));
    static const QRegularExpression requestId(QStringLiteral("^[A-Za-z0-9._-]{1,64}$"));
    return QStringLiteral("HTTP %1, code %2, request id %3")
        .arg(error.code)
        .arg(shaped(error, QStringLiteral("errorCode"), code),
             shaped(error, QStringLiteral("requestId"), requestId));
}

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
    // The client's own reason, made before anything went out.
    qCWarning(lcObjectPut).noquote() << "put not sent:" << refusal.left(300);
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
    qCWarning(lcObjectPut).noquote() << "put failed:" << loggable(error);
    emit failed(error);
}

} // namespace pelnix
