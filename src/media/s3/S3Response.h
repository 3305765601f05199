#pragma once

#include "media/s3/S3ServiceResponse.h"

namespace pelnix {

// The S3 outcome of one attempt: headers mapped to fields, and the error document of a refusal.
class S3Response : public S3ServiceResponse {
public:
    QString className() const override { return QStringLiteral("S3Response"); }

    const S3HeaderList& headers() const { return m_headers; }
    QString valueForHTTPHeaderField(const QString& name) const;
    // Stores the header as received, then sets the field its name maps to ("x-amz-version-id" ->
    // versionId, "ETag" -> etag, "Content-Length" -> contentLength); Boolean fields are never set.
    void setValueForHTTPHeaderField(const QString& value, const QString& name);
    // The field name a header maps to.
    static QString propertyNameForHeader(const QString& header);

    QString connectionState() const { return m_connectionState; }
    QString etag() const { return m_etag; }
    QString server() const { return m_server; }
    QString id2() const { return m_id2; }
    QString versionId() const { return m_versionId; }
    QString serverSideEncryption() const { return m_serverSideEncryption; }
    QDateTime date() const { return m_date; }
    bool deleteMarker() const { return m_deleteMarker; }
    qint64 contentLength() const { return m_contentLength; }

    void connectionDidReceiveResponse(int statusCode, const S3HeaderList& headers) override;
    // Success (status below 400, not 301) is told with `requestDidCompleteWithResponse`; a refusal only
    // as a failure.
    void connectionDidFinishLoading() override;

    QString description() const override;

protected:
    // kMaxRefusalBody of every answer: no operation here reads more than an error document (a put's
    // answer is its status and headers).
    qint64 maxKeptBody() const override { return kMaxRefusalBody; }

private:
    S3HeaderList m_headers;
    QString m_connectionState;
    QString m_etag;
    QString m_server;
    QString m_id2;
    QString m_versionId;
    QString m_serverSideEncryption;
    QDateTime m_date;
    bool m_deleteMarker = false;
    qint64 m_contentLength = 0;
};

} // namespace pelnix
