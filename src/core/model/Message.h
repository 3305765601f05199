#pragma once

#include "core/model/EntityAccessors.h"
#include "foundation/persistence/PLEntity.h"

namespace pelnix {

class Asset;
class ChatRoom;
class PendingMessageInfo;
class User;

// One message or system event of a room. `type`: 1 smart message, 2 message, 3 joined, 4 left,
// 5 room name or picture changed, 6 kicked, 7 display; `state`: 0 unread, 1 read.
class Message : public PLEntity<Message> {
public:
    static QString entityName() { return QStringLiteral("Message"); }

    PL_ATTRIBUTE(QString, messageId, setMessageId)
    PL_ATTRIBUTE(QString, formId, setFormId)
    PL_ATTRIBUTE(QString, typeString, setTypeString)
    PL_ATTRIBUTE(qint16, type, setType)
    PL_ATTRIBUTE(qint16, state, setState)
    PL_ATTRIBUTE(qint64, date, setDate)
    PL_ATTRIBUTE(qint64, actualDate, setActualDate)
    PL_ATTRIBUTE(QString, text, setText)
    PL_ATTRIBUTE(QString, htmlText, setHtmlText)
    PL_ATTRIBUTE(QString, xsltName, setXsltName)
    PL_ATTRIBUTE(QString, latestAction, setLatestAction)
    PL_ATTRIBUTE(qint16, replyCount, setReplyCount)
    PL_ATTRIBUTE(qint16, updateCount, setUpdateCount)
    PL_ATTRIBUTE(qint16, displayCellHeight, setDisplayCellHeight)
    PL_ATTRIBUTE(QString, displayName, setDisplayName)
    PL_ATTRIBUTE(QString, bulkJoinedUserNames, setBulkJoinedUserNames)
    PL_ATTRIBUTE(QString, detailsLinkVisibility, setDetailsLinkVisibility)
    PL_ATTRIBUTE(QString, assetUrl, setAssetUrl)
    // Written by earlier schema versions; read by the upgrade only.
    PL_ATTRIBUTE(bool, expired, setExpired)
    PL_TO_ONE(ChatRoom, room, setRoom)
    PL_TO_ONE(User, senderUser, setSenderUser)
    PL_TO_ONE(User, fromUser, setFromUser)
    PL_TO_MANY(PendingMessageInfo, pendingMessages, addPendingMessagesObject, removePendingMessagesObject)
    PL_TO_MANY(Asset, assets, addAssetsObject, removeAssetsObject)
};

} // namespace pelnix
