#pragma once

#include "media/s3/S3PutObjectRequest.h"
#include "media/s3/S3Response.h"
#include "media/s3/S3WebServiceClient.h"

#include <memory>

namespace pelnix {

// The S3 client. A request with a delegate runs asynchronously on the calling thread's event loop: one
// attempt, outcome only through the delegate. Without a delegate the call blocks (run it on a worker
// thread), retrying up to maxRetries with exponential pauses; with exceptions on, a failure is raised.
class S3Client : public S3WebServiceClient {
public:
    using S3WebServiceClient::S3WebServiceClient;
    // The generic call path stays reachable beside the S3 one.
    using S3WebServiceClient::invoke;

    std::unique_ptr<S3Client> copy() const;

    // Null for an asynchronous call.
    std::shared_ptr<S3Response> putObject(const std::shared_ptr<S3PutObjectRequest>& request);
    std::shared_ptr<S3Response> invoke(const std::shared_ptr<S3Request>& request);

    // Configures the request's URL request and signs it (signature version 2 in the Authorization header).
    S3URLRequest& signS3Request(S3Request& request);
    // The text signed for a configured URL request.
    QString stringToSign(const S3Request& request) const;

private:
    S3Credentials credentialsFor(const S3Request& request) const;
    // `redirectedResource`, when not null, is the resource signed in place of the request's own.
    static QString stringToSignOf(const S3Request& request, const QString& redirectedResource = {});
    // Configured and signed; for `redirected` (an address on the request's own server that a redirect
    // named) the URL, Host and signed resource are that address's.
    static S3URLRequest& signS3Request(S3Request& request, const S3Credentials& credentials,
                                       const QUrl& redirected = {});
    // A redirect to `target` on the request's own server is signed again for the address it names.
    // Another server is followed only when it is an address of the storage service for the request
    // (the bucket's endpoint of a region, or the configured endpoint's host with or without the
    // bucket), over the same port and never from https down to http: the request is then configured
    // for that endpoint and signed again. Whether it may go.
    static bool signForRedirect(S3Request& request, const S3Credentials& credentials, const QUrl& target);
    // Why the signed request cannot go out as it is; null when it can.
    static S3ExceptionPtr unsendableReason(const S3Request& request);
    static std::shared_ptr<S3Response> refuse(const S3ExceptionPtr& exception);
    void logRequest(const S3Request& request) const;
    std::shared_ptr<S3Response> finish(const std::shared_ptr<S3ServiceResponse>& response);
};

} // namespace pelnix
