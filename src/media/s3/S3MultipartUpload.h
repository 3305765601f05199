#pragma once

#include "media/s3/S3Owner.h"

#include <QDateTime>

namespace pelnix {

// A multipart upload in progress.
class S3MultipartUpload {
public:
    QString key() const { return m_key; }
    void setKey(const QString& value) { m_key = value; }
    QString bucket() const { return m_bucket; }
    void setBucket(const QString& value) { m_bucket = value; }
    QString uploadId() const { return m_uploadId; }
    void setUploadId(const QString& value) { m_uploadId = value; }
    QString storageClass() const { return m_storageClass; }
    void setStorageClass(const QString& value) { m_storageClass = value; }
    std::shared_ptr<S3Owner> initiator() const { return m_initiator; }
    void setInitiator(const std::shared_ptr<S3Owner>& value) { m_initiator = value; }
    std::shared_ptr<S3Owner> owner() const { return m_owner; }
    void setOwner(const std::shared_ptr<S3Owner>& value) { m_owner = value; }
    QDateTime initiated() const { return m_initiated; }
    void setInitiated(const QDateTime& value) { m_initiated = value; }

private:
    QString m_key;
    QString m_bucket;
    QString m_uploadId;
    QString m_storageClass;
    std::shared_ptr<S3Owner> m_initiator;
    std::shared_ptr<S3Owner> m_owner;
    QDateTime m_initiated;
};

} // namespace pelnix
