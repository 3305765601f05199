#include "media/s3/S3AbstractPutRequest.h"

namespace pelnix {

S3URLRequest& S3AbstractPutRequest::configureURLRequest() {
    S3Request::configureURLRequest();
    if (!m_cannedACL.isNull())
        m_urlRequest.setValueForHTTPHeaderField(m_cannedACL, QStringLiteral("x-amz-acl"));
    if (!m_storageClass.isNull())
        m_urlRequest.setValueForHTTPHeaderField(m_storageClass, QStringLiteral("x-amz-storage-class"));
    if (!m_serverSideEncryption.isNull())
        m_urlRequest.setValueForHTTPHeaderField(m_serverSideEncryption,
                                                QStringLiteral("x-amz-server-side-encryption"));
    for (auto it = m_metadata.cbegin(); it != m_metadata.cend(); ++it)
        m_urlRequest.setValueForHTTPHeaderField(it.value(), QStringLiteral("x-amz-meta-%1").arg(it.key()));
    return m_urlRequest;
}

} // namespace pelnix
