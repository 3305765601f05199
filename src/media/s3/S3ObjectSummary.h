#pragma once

#include "media/s3/S3Owner.h"

namespace pelnix {

// One entry of a bucket listing. Sizes are kept whole (64-bit): objects above 2 GiB are ordinary.
class S3ObjectSummary {
public:
    virtual ~S3ObjectSummary() = default;

    QString key() const { return m_key; }
    void setKey(const QString& value) { m_key = value; }
    QString etag() const { return m_etag; }
    void setEtag(const QString& value) { m_etag = value; }
    qint64 size() const { return m_size; }
    void setSize(qint64 value) { m_size = value; }
    // Kept as the service's text.
    QString lastModified() const { return m_lastModified; }
    void setLastModified(const QString& value) { m_lastModified = value; }
    QString storageClass() const { return m_storageClass; }
    void setStorageClass(const QString& value) { m_storageClass = value; }
    std::shared_ptr<S3Owner> owner() const { return m_owner; }
    void setOwner(const std::shared_ptr<S3Owner>& owner) { m_owner = owner; }

    virtual QString description() const { return m_key; }

protected:
    QString m_key;
    QString m_etag;
    qint64 m_size = 0;
    QString m_lastModified;
    QString m_storageClass;
    std::shared_ptr<S3Owner> m_owner;
};

} // namespace pelnix
