#pragma once

#include "media/s3/S3Client.h"

#include <QByteArray>
#include <QString>
#include <memory>
#include <optional>

namespace pelnix {

// Temporary storage credentials as the token service hands them out: Base64 of the JSON
// {"ak", "sk", "st", "ep"}, in one line or wrapped in several.
struct PLS3UploadCredentials {
    QString accessKey;
    QString secretKey;
    QString sessionToken;
    QString endpointHost;

    // Empty when the reply is not Base64 JSON or lacks the access or secret key.
    static std::optional<PLS3UploadCredentials> fromTokenReply(const QByteArray& reply);
    // "ep" as given when it names its scheme, "https://" + "ep" for a bare host, the default region's
    // endpoint when there is none.
    QString endpoint() const;
    std::unique_ptr<S3Client> makeClient(double timeoutSeconds) const;
};

} // namespace pelnix
