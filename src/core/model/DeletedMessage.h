#pragma once

#include "core/model/EntityAccessors.h"
#include "foundation/persistence/PLEntity.h"

namespace pelnix {

class ChatRoom;

// The record of a message cleared on this device, so that a later import does not bring it back.
class DeletedMessage : public PLEntity<DeletedMessage> {
public:
    static QString entityName() { return QStringLiteral("DeletedMessage"); }

    PL_ATTRIBUTE(QString, messageId, setMessageId)
    PL_ATTRIBUTE(QString, formId, setFormId)
    PL_ATTRIBUTE(qint64, date, setDate)
    PL_TO_ONE(ChatRoom, room, setRoom)
};

} // namespace pelnix
