#pragma once

#include "core/model/EntityAccessors.h"
#include "foundation/persistence/PLEntity.h"

namespace pelnix {

class PendingMessageInfo;

// One media file of an outgoing post and its upload state (0 new ... 9 completed, 10 failed).
class RichMediaInfo : public PLEntity<RichMediaInfo> {
public:
    static QString entityName() { return QStringLiteral("RichMediaInfo"); }

    PL_ATTRIBUTE(qint64, mediaId, setMediaId)
    PL_ATTRIBUTE(QString, fileName, setFileName)
    PL_ATTRIBUTE(QString, assetURL, setAssetURL)
    PL_ATTRIBUTE(QString, uploadedMediaInfo, setUploadedMediaInfo)
    PL_ATTRIBUTE(qint16, state, setState)
    PL_ATTRIBUTE(qint16, tryCount, setTryCount)
    PL_ATTRIBUTE(qint16, uploadProgress, setUploadProgress)
    PL_TO_ONE(PendingMessageInfo, pendingmessage, setPendingmessage)
};

} // namespace pelnix
