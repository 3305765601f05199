#pragma once

#include "core/model/ChatRoom.h"
#include "core/model/CurrentUserInfo.h"
#include "core/model/Message.h"
#include "core/model/User.h"
#include "foundation/persistence/PLPersistence.h"
#include "smart/SmartMessageRenderer.h"

#include <QString>
#include <functional>

namespace pelnix::bench {

// A room of `count` messages ten minutes apart, two in three from `other`, the rest the user's own, all
// read. With `smart`, `makeSmart(message, i)` fills each one's smart fields and the room's pages are
// rendered as the library does at import; otherwise each is a two-line text.
inline void seedRoom(const QString& roomId, int count, qint64 start, const User::Ptr& other, bool smart,
                     const std::function<void(const Message::Ptr&, int)>& makeSmart) {
    auto room = ChatRoom::PS_createEntity();
    room->setRoomId(roomId);
    room->setName(roomId);
    auto me = CurrentUserInfo::currentUserInfo()->user();
    for (int i = 0; i < count; ++i) {
        auto message = Message::PS_createEntity();
        message->setMessageId(QStringLiteral("%1-%2").arg(roomId).arg(i));
        message->setType(smart ? 1 : 2);
        message->setDate(start + qint64(i) * 600000);
        message->setSenderUser(i % 3 ? other : me);
        message->setValue(QStringLiteral("state"), qint16(1));
        if (smart)
            makeSmart(message, i);
        else
            message->setText(QStringLiteral("Message %1: the agenda for the afternoon, the notes from the "
                                            "morning and what is still open.")
                                 .arg(i));
        room->addMessagesObject(message);
    }
    room->updateLatestMessage(room->messages().last());
    if (smart) {
        PLPersistence::PS_defaultContext()->save();
        for (const auto& message : room->allMessages())
            message->setHtmlText(SmartMessageRenderer::htmlString(message));
    }
}

} // namespace pelnix::bench
