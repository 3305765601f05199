#pragma once

// The two storage services of the messaging server: upload credentials and short URLs. Each class
// is only its inputs and its request shape, so the family shares one header.

#include "core/api/PLPrivateAPIService.h"

namespace pelnix {

// GET of the token service; the reply body is the Base64 text of the credentials JSON.
class PLS3TokenGeneratorService : public PLPrivateAPIService {
    Q_OBJECT
public:
    using PLPrivateAPIService::PLPrivateAPIService;
    QString targetURLString() const override;
    QList<QPair<QByteArray, QByteArray>> additionalHeaders() const override;
};

// GET of the short-URL service for a stored object; the reply is {"status": "Success", "url": ...}.
class PLS3URLGeneratorService : public PLPrivateAPIService {
    Q_OBJECT
public:
    using PLPrivateAPIService::PLPrivateAPIService;
    QString targetURLString() const override;
    PL_REQUEST_PROPERTY(QString, fileID, setFileID)
    PL_REQUEST_PROPERTY(QString, fileMime, setFileMime)

public:
    // The short URL of a reply; empty when the reply is not a success or carries no URL.
    static QString shortURLFromReply(const QByteArray& data);
};

} // namespace pelnix
