#pragma once

#include "core/model/EntityAccessors.h"
#include "foundation/persistence/PLEntity.h"

namespace pelnix {

class ChatRoom;
class Message;
class RichMediaInfo;

// An outgoing post waiting in the outbox. `state`: 1 waiting, 2 posting, 3 completed, 4 failed,
// 5 force-stopped, 6 sent without answer (0 counts as waiting).
class PendingMessageInfo : public PLEntity<PendingMessageInfo> {
public:
    static QString entityName() { return QStringLiteral("PendingMessageInfo"); }

    PL_ATTRIBUTE(qint64, messageId, setMessageId)
    PL_ATTRIBUTE(QString, seqId, setSeqId)
    PL_ATTRIBUTE(qint16, type, setType)
    PL_ATTRIBUTE(qint16, state, setState)
    PL_ATTRIBUTE(QString, text, setText)
    PL_ATTRIBUTE(qint16, tryCount, setTryCount)
    PL_TO_ONE(Message, message, setMessage)
    PL_TO_ONE(ChatRoom, room, setRoom)
    PL_TO_MANY(RichMediaInfo, richMediaInfo, addRichMediaInfoObject, removeRichMediaInfoObject)
};

} // namespace pelnix
