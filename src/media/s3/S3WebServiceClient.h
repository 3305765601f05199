#pragma once

#include "media/s3/S3AbstractWebServiceClient.h"

namespace pelnix {

class S3WebServiceClient : public S3AbstractWebServiceClient {
public:
    using S3AbstractWebServiceClient::S3AbstractWebServiceClient;
    S3WebServiceClient(const QString& accessKey, const QString& secretKey)
        : S3AbstractWebServiceClient(S3Credentials(accessKey, secretKey)) {}
};

} // namespace pelnix
