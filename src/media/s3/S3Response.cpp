#include "media/s3/S3Response.h"

#include "media/s3/DateS3SDKUtil.h"
#include "media/s3/S3ErrorResponseHandler.h"
#include "media/s3/S3Logger.h"
#include "media/s3/S3SDKUtil.h"
#include "media/s3/S3ServiceRequest.h"
#include "media/s3/S3ServiceRequestDelegate.h"
#include "media/s3/S3XMLParser.h"

#include <QElapsedTimer>
#include <cmath>

namespace pelnix {

QString S3Response::valueForHTTPHeaderField(const QString& name) const {
    for (const auto& header : m_headers) {
        if (header.first.compare(name, Qt::CaseInsensitive) == 0)
            return header.second;
    }
    return {};
}

QString S3Response::propertyNameForHeader(const QString& header) {
    const QStringList pieces = header.toLower().remove(QStringLiteral("x-amz-")).split(QLatin1Char('-'));
    QString name = pieces.value(0);
    for (qsizetype i = 1; i < pieces.size(); ++i) {
        if (!pieces[i].isEmpty())
            name += pieces[i].at(0).toUpper() + pieces[i].mid(1);
    }
    return name;
}

void S3Response::setValueForHTTPHeaderField(const QString& value, const QString& name) {
    bool replaced = false;
    for (auto& header : m_headers) {
        if (header.first == name) {
            header.second = value;
            replaced = true;
        }
    }
    if (!replaced)
        m_headers.append({name, value});

    // Only the response's own header fields; status, body and failure state never come from a header.
    const QString property = propertyNameForHeader(name);
    if (property == QLatin1String("etag"))
        m_etag = value;
    else if (property == QLatin1String("server"))
        m_server = value;
    else if (property == QLatin1String("id2"))
        m_id2 = value;
    else if (property == QLatin1String("versionId"))
        m_versionId = value;
    else if (property == QLatin1String("serverSideEncryption"))
        m_serverSideEncryption = value;
    else if (property == QLatin1String("connectionState"))
        m_connectionState = value;
    else if (property == QLatin1String("requestId"))
        m_requestId = value;
    else if (property == QLatin1String("date"))
        m_date = DateS3SDKUtil::dateWithRFC822Format(value);
    else if (property == QLatin1String("contentLength"))
        m_contentLength = value.trimmed().toLongLong();
}

void S3Response::connectionDidReceiveResponse(int statusCode, const S3HeaderList& received) {
    const S3HeaderList headers = maskedHeaders(received);
    m_httpStatusCode = statusCode;
    m_responseHeader = headers;
    for (const auto& header : headers)
        setValueForHTTPHeaderField(header.second, header.first);
    m_body.clear();
    m_bodyCut = false;
    if (auto* d = delegate())
        d->requestDidReceiveResponse(rawRequest(), *this);
}

void S3Response::connectionDidFinishLoading() {
    stopRequestTimer();
    QElapsedTimer clock;
    clock.start();
    const S3SecretMask mask = secretMask();
    // A refusal repeats the text that was signed (the security token in it) and the signature it got.
    if (className() != QLatin1String("S3GetObjectResponse") && S3Logger::isVerboseLoggingEnabled())
        S3Logger::logDebug(QStringLiteral("Response Body:\n%1").arg(loggableBody(mask)));

    // A redirect that reaches this point was not followed (no address, too many, or not to be
    // followed): the object is not where it was sent.
    if (m_httpStatusCode < 300) {
        processBody();
        m_processingTime = std::fabs(clock.nsecsElapsed() / 1e9);
        m_isFinishedLoading = true;
        if (auto* d = delegate())
            d->requestDidCompleteWithResponse(rawRequest(), this);
        return;
    }

    S3ErrorResponseHandler handler(m_httpStatusCode);
    S3XMLParser parser(m_body);
    parser.setDelegate(&handler);
    parser.parse(); // an unreadable or empty document leaves an exception with only the status
    auto exception = std::static_pointer_cast<S3ServiceException>(handler.exception()->clone());
    // The service's code and message stay; any secret its text repeats does not.
    exception->redact(mask);
    if (m_isAsyncCall && isClockSkewError(exception.get())) {
        // One attempt only: correct the clock now so the caller's next call is signed in service time.
        if (auto skew = getSkewTimeUsingResponse())
            S3SDKUtil::setRuntimeClockSkew(*skew);
        QVariantMap fields = exception->additionalFields();
        fields.insert(QStringLiteral("S3ClockSkewError"), true);
        exception->setAdditionalFields(fields);
        exception->setUserInfo({{QStringLiteral("S3ClockSkewError"), true}});
    }
    m_exception = exception;
    reportFailure(m_exception);
}

QString S3Response::description() const {
    QStringList headers;
    for (const auto& h : m_headers)
        headers << h.first + QStringLiteral(" = ") + h.second;
    QString text;
    text.reserve(256);
    text += QLatin1Char('{');
    text += QStringLiteral("Headers: %1,").arg(headers.join(QStringLiteral("; ")));
    text += QStringLiteral("Content-Length: %1,").arg(m_contentLength);
    text += QStringLiteral("Connection-State: %1,").arg(m_connectionState);
    text += QStringLiteral("Date:: %1,").arg(m_date.toString(Qt::ISODate));
    text += QStringLiteral("ETag: %1,").arg(m_etag);
    text += QStringLiteral("Server: %1,").arg(m_server);
    text += QStringLiteral("Delete-Marker: %1,").arg(m_deleteMarker ? 1 : 0);
    text += QStringLiteral("Id2: %1,").arg(m_id2);
    text += QStringLiteral("VersionId: %1,").arg(m_versionId);
    text += QStringLiteral("Server Side Encryption: %1,").arg(m_serverSideEncryption);
    text += S3ServiceResponse::description();
    text += QLatin1Char('}');
    return text;
}

} // namespace pelnix
