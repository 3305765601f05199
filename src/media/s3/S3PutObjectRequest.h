#pragma once

#include "media/s3/S3AbstractPutRequest.h"

namespace pelnix {

// A single-part upload of one object, from bytes, a stream or a local file.
class S3PutObjectRequest : public S3AbstractPutRequest {
public:
    S3PutObjectRequest() = default;
    S3PutObjectRequest(const QString& key, const QString& bucket);
    QString className() const override { return QStringLiteral("S3PutObjectRequest"); }

    qint32 expires() const { return m_expires; }
    // Setting any value, 0 included, sends "Expires".
    void setExpires(qint32 seconds);
    bool expiresSet() const { return m_expiresSet; }
    bool generateMD5() const { return m_generateMD5; }
    void setGenerateMD5(bool value) { m_generateMD5 = value; }
    QString cacheControl() const { return m_cacheControl; }
    void setCacheControl(const QString& value) { m_cacheControl = value; }
    QString contentDisposition() const { return m_contentDisposition; }
    void setContentDisposition(const QString& value) { m_contentDisposition = value; }
    QString contentEncoding() const { return m_contentEncoding; }
    void setContentEncoding(const QString& value) { m_contentEncoding = value; }
    QString contentMD5() const { return m_contentMD5; }
    void setContentMD5(const QString& value) { m_contentMD5 = value; }
    QString expect() const { return m_expect; }
    void setExpect(const QString& value) { m_expect = value; }
    // A null array is "no data"; an empty one is an empty body.
    QByteArray data() const { return m_data; }
    void setData(const QByteArray& data) { m_data = data; }
    std::shared_ptr<QIODevice> stream() const { return m_stream; }
    void setStream(const std::shared_ptr<QIODevice>& stream) { m_stream = stream; }
    QString filename() const { return m_filename; }
    void setFilename(const QString& path) { m_filename = path; }
    QString redirectLocation() const { return m_redirectLocation; }
    void setRedirectLocation(const QString& value) { m_redirectLocation = value; }

    // With a file name: the file must be readable; its size, MIME type and stream become the body's.
    S3ExceptionPtr validate() override;
    S3URLRequest& configureURLRequest() override;
    std::shared_ptr<S3ServiceResponse> constructResponse() const override;

    QVariantMap archive() const override;
    void unarchive(const QVariantMap& archive) override;

private:
    qint32 m_expires = 0;
    bool m_generateMD5 = true;
    bool m_expiresSet = false;
    QString m_cacheControl;
    QString m_contentDisposition;
    QString m_contentEncoding;
    QString m_contentMD5;
    QString m_expect;
    QByteArray m_data;
    std::shared_ptr<QIODevice> m_stream;
    QString m_filename;
    QString m_redirectLocation;
};

} // namespace pelnix
