#include "core/model/PelnixDataModel.h"

#include "core/model/Asset.h"
#include "core/model/Challenge.h"
#include "core/model/ChatRoom.h"
#include "core/model/CurrentUserInfo.h"
#include "core/model/DeletedMessage.h"
#include "core/model/FormJSON.h"
#include "core/model/Message.h"
#include "core/model/PendingMessageInfo.h"
#include "core/model/RichMediaInfo.h"
#include "core/model/RoomMember.h"
#include "core/model/StyleSheetXSLT.h"
#include "core/model/User.h"
#include "foundation/persistence/PLPersistence.h"
#include "platform/store/ObjectModel.h"

namespace pelnix::PelnixDataModel {

using platform::AttributeType;

namespace {
constexpr bool kIndexed = true;
}

void declare(platform::ObjectModel& m) {
    m.entity<CurrentUserInfo>(CurrentUserInfo::entityName())
        .attribute("status", AttributeType::Int16, 0)
        .attribute("version", AttributeType::Int16, 0)
        .attribute("tavrixToken", AttributeType::String)
        .attribute("signature", AttributeType::String)
        .attribute("tokenExpiry", AttributeType::Int64, 0)
        .attribute("lastLoginTime", AttributeType::Int64, 0)
        .attribute("privateEventTime", AttributeType::Int64, 0)
        .attribute("usersListUpdateTime", AttributeType::Int64, 0)
        .attribute("pendingMessageIdIndex", AttributeType::Int64, 0)
        .attribute("richMediaInfoIdIndex", AttributeType::Int64, 0)
        .attribute("deviceToken", AttributeType::String)
        .attribute("deviceTokenSent", AttributeType::Bool, false)
        .attribute("roomsFetched", AttributeType::Bool, false)
        .attribute("styleSheetsUpdated", AttributeType::Bool, false)
        .attribute("formJSONsUpdated", AttributeType::Bool, false)
        .attribute("type", AttributeType::String)
        .attribute("userdescription", AttributeType::String)
        .attribute("gender", AttributeType::String)
        .attribute("userLocation", AttributeType::String)
        .attribute("registrationTime", AttributeType::String)
        .attribute("countryCode", AttributeType::String)
        .attribute("phoneNumber", AttributeType::String)
        .attribute("phoneStatus", AttributeType::String)
        .attribute("phoneVerificationStatus", AttributeType::String)
        .attribute("phoneCreateDate", AttributeType::Int64, 0)
        .attribute("phoneUpdateDate", AttributeType::Int64, 0)
        .attribute("isPhoneVerified", AttributeType::Bool, false)
        .attribute("env", AttributeType::String)
        .attribute("splashImagesPath", AttributeType::String)
        .attribute("showCoBrandingSplashScreen", AttributeType::Bool, false)
        .attribute("showsAppLockScreen", AttributeType::Bool, false)
        .attribute("sandBoxingEnabled", AttributeType::Bool, false)
        .attribute("appLockState", AttributeType::Int16, 0)
        .attribute("userConfigBaseURL", AttributeType::String)
        .attribute("userConfigPNCertificateName", AttributeType::String)
        .attribute("userConfigPictureBucketName", AttributeType::String)
        .toOne("user", User::entityName(), "userInfo")
        .toOne("challenge", Challenge::entityName(), "currentUser");

    m.entity<Challenge>(Challenge::entityName())
        .attribute("salt", AttributeType::String)
        .attribute("token", AttributeType::String)
        .attribute("expiry", AttributeType::Int64, 0)
        .toOne("currentUser", CurrentUserInfo::entityName(), "challenge");

    m.entity<User>(User::entityName())
        .attribute("userID", AttributeType::Int32, 0, kIndexed)
        .attribute("email", AttributeType::String)
        .attribute("profileName", AttributeType::String)
        .attribute("imageUrl", AttributeType::String)
        .attribute("bigImageUrl", AttributeType::String)
        .attribute("organisation", AttributeType::String)
        .attribute("state", AttributeType::Int16, 0)
        .attribute("groupLetter", AttributeType::String)
        .toMany("rooms", RoomMember::entityName(), "user")
        .toMany("senderMessages", Message::entityName(), "senderUser")
        .toMany("fromMessages", Message::entityName(), "fromUser")
        .toOne("userInfo", CurrentUserInfo::entityName(), "user");

    m.entity<ChatRoom>(ChatRoom::entityName())
        .attribute("roomId", AttributeType::String, {}, kIndexed)
        .attribute("name", AttributeType::String)
        .attribute("type", AttributeType::String)
        .attribute("status", AttributeType::Int16, 0)
        .attribute("createDate", AttributeType::Int64, 0)
        .attribute("activityDate", AttributeType::Int64, 0)
        .attribute("imageUrl", AttributeType::String)
        .attribute("bigRoomImageUrl", AttributeType::String)
        .attribute("adminOnly", AttributeType::Bool, false)
        .attribute("hideMemberProfile", AttributeType::Bool, false)
        .attribute("totalMembers", AttributeType::Int16, 0)
        .attribute("totalMessages", AttributeType::Int16, 0)
        .attribute("latestMessageId", AttributeType::String)
        // A new room has no count yet: -1 makes the first reader count.
        .attribute("tempUnreadMessageCount", AttributeType::Int64, -1)
        .toMany("members", RoomMember::entityName(), "room")
        .toMany("messages", Message::entityName(), "room")
        .toMany("pendingMessages", PendingMessageInfo::entityName(), "room")
        .toMany("deletedMessages", DeletedMessage::entityName(), "room");

    m.entity<RoomMember>(RoomMember::entityName())
        .attribute("isCreator", AttributeType::Bool, false)
        .attribute("joined", AttributeType::Int64, 0)
        .attribute("status", AttributeType::String)
        .toOne("room", ChatRoom::entityName(), "members")
        .toOne("user", User::entityName(), "rooms");

    m.entity<Message>(Message::entityName())
        .attribute("messageId", AttributeType::String, {}, kIndexed)
        .attribute("formId", AttributeType::String, {}, kIndexed)
        .attribute("typeString", AttributeType::String)
        .attribute("type", AttributeType::Int16, 0)
        .attribute("state", AttributeType::Int16, 0)
        .attribute("date", AttributeType::Int64, 0, kIndexed)
        .attribute("actualDate", AttributeType::Int64, 0)
        .attribute("text", AttributeType::String)
        .attribute("htmlText", AttributeType::String)
        .attribute("xsltName", AttributeType::String)
        .attribute("latestAction", AttributeType::String)
        .attribute("replyCount", AttributeType::Int16, 0)
        .attribute("updateCount", AttributeType::Int16, 0)
        .attribute("displayCellHeight", AttributeType::Int16, 0)
        .attribute("displayName", AttributeType::String)
        .attribute("bulkJoinedUserNames", AttributeType::String)
        .attribute("detailsLinkVisibility", AttributeType::String)
        .attribute("assetUrl", AttributeType::String)
        .attribute("expired", AttributeType::Bool, false)
        .toOne("room", ChatRoom::entityName(), "messages")
        .toOne("senderUser", User::entityName(), "senderMessages")
        .toOne("fromUser", User::entityName(), "fromMessages")
        .toMany("pendingMessages", PendingMessageInfo::entityName(), "message")
        .toMany("assets", Asset::entityName(), "messages")
        // A room's pages, newest first; its unread messages, for the count and the first page.
        .index({"room", "date"})
        .index({"room", "state", "date"});

    m.entity<Asset>(Asset::entityName())
        .attribute("remoteURL", AttributeType::String, {}, kIndexed)
        .attribute("localURL", AttributeType::String)
        .toMany("messages", Message::entityName(), "assets");

    m.entity<DeletedMessage>(DeletedMessage::entityName())
        .attribute("messageId", AttributeType::String, {}, kIndexed)
        .attribute("formId", AttributeType::String, {}, kIndexed)
        .attribute("date", AttributeType::Int64, 0)
        .toOne("room", ChatRoom::entityName(), "deletedMessages");

    // Outgoing posts and their media exist only on this device until the server has them.
    m.entity<PendingMessageInfo>(PendingMessageInfo::entityName())
        .attribute("messageId", AttributeType::Int64, 0, kIndexed)
        .attribute("seqId", AttributeType::String, {}, kIndexed)
        .attribute("type", AttributeType::Int16, 0)
        .attribute("state", AttributeType::Int16, 0)
        .attribute("text", AttributeType::String)
        .attribute("tryCount", AttributeType::Int16, 0)
        .toOne("message", Message::entityName(), "pendingMessages")
        .toOne("room", ChatRoom::entityName(), "pendingMessages")
        .toMany("richMediaInfo", RichMediaInfo::entityName(), "pendingmessage")
        .durable();

    m.entity<RichMediaInfo>(RichMediaInfo::entityName())
        .attribute("mediaId", AttributeType::Int64, 0, kIndexed)
        .attribute("fileName", AttributeType::String)
        .attribute("assetURL", AttributeType::String)
        .attribute("uploadedMediaInfo", AttributeType::String)
        .attribute("state", AttributeType::Int16, 0)
        .attribute("tryCount", AttributeType::Int16, 0)
        .attribute("uploadProgress", AttributeType::Int16, 0)
        .toOne("pendingmessage", PendingMessageInfo::entityName(), "richMediaInfo")
        .durable();

    m.entity<FormJSON>(FormJSON::entityName())
        .attribute("name", AttributeType::String, {}, kIndexed)
        .attribute("category", AttributeType::String)
        .attribute("data", AttributeType::String);

    m.entity<StyleSheetXSLT>(StyleSheetXSLT::entityName())
        .attribute("name", AttributeType::String, {}, kIndexed)
        .attribute("category", AttributeType::String)
        .attribute("data", AttributeType::String);
}

void registerDeclaration() {
    PLPersistence::registerModelDeclaration(QStringLiteral("Pelnix"), declare);
}

} // namespace pelnix::PelnixDataModel
