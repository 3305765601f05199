#pragma once

#include "media/s3/S3Request.h"

#include <QMap>

namespace pelnix {

// Headers shared by the object-writing requests: canned ACL, storage class, encryption, user metadata.
class S3AbstractPutRequest : public S3Request {
public:
    QString className() const override { return QStringLiteral("S3AbstractPutRequest"); }

    QString cannedACL() const { return m_cannedACL; }
    void setCannedACL(const QString& value) { m_cannedACL = value; }
    QString storageClass() const { return m_storageClass; }
    void setStorageClass(const QString& value) { m_storageClass = value; }
    QString serverSideEncryption() const { return m_serverSideEncryption; }
    void setServerSideEncryption(const QString& value) { m_serverSideEncryption = value; }
    const QMap<QString, QString>& metadata() const { return m_metadata; }
    void addMetadataWithValue(const QString& value, const QString& key) { m_metadata.insert(key, value); }

    S3URLRequest& configureURLRequest() override;

protected:
    QString m_cannedACL;
    QString m_storageClass;
    QString m_serverSideEncryption;
    QMap<QString, QString> m_metadata;
};

} // namespace pelnix
