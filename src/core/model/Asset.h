#pragma once

#include "core/model/EntityAccessors.h"
#include "foundation/persistence/PLEntity.h"

namespace pelnix {

class Message;

// An attachment: where it lives on the server and where its copy lives on this device.
class Asset : public PLEntity<Asset> {
public:
    static QString entityName() { return QStringLiteral("Asset"); }

    PL_ATTRIBUTE(QString, remoteURL, setRemoteURL)
    PL_ATTRIBUTE(QString, localURL, setLocalURL)
    PL_TO_MANY(Message, messages, addMessagesObject, removeMessagesObject)
};

} // namespace pelnix
