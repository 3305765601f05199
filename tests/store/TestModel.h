#pragma once

// A throwaway model shaped like the library's: rooms, members, users, messages and assets, with
// a many-to-many between messages and assets and a one-to-one between a user and a profile.

#include "foundation/persistence/PLEntity.h"

namespace pelnix::test {

using platform::AttributeType;

class User : public PLEntity<User> {
public:
    static QString entityName() { return QStringLiteral("User"); }
    QString email() const { return value<QString>("email"); }
    int userID() const { return value<int>("userID"); }
};

class Room : public PLEntity<Room> {
public:
    static QString entityName() { return QStringLiteral("Room"); }
    QString roomId() const { return value<QString>("roomId"); }
    QString name() const { return value<QString>("name"); }
    int status() const { return value<int>("status"); }
};

class Member : public PLEntity<Member> {
public:
    static QString entityName() { return QStringLiteral("Member"); }
};

class Message : public PLEntity<Message> {
public:
    static QString entityName() { return QStringLiteral("Message"); }
};

class Asset : public PLEntity<Asset> {
public:
    static QString entityName() { return QStringLiteral("Asset"); }
};

class Profile : public PLEntity<Profile> {
public:
    static QString entityName() { return QStringLiteral("Profile"); }
};

inline void declareTestModel(platform::ObjectModel& m) {
    m.entity<User>("User")
        .attribute("userID", AttributeType::Int32, -1, true)
        .attribute("email", AttributeType::String)
        .attribute("profileName", AttributeType::String)
        .toMany("memberships", "Member", "user")
        .toOne("profile", "Profile", "user");
    m.entity<Profile>("Profile").attribute("bio", AttributeType::String).toOne("user", "User", "profile");
    m.entity<Room>("Room")
        .attribute("roomId", AttributeType::String, {}, true)
        .attribute("name", AttributeType::String)
        .attribute("status", AttributeType::Int16, 0)
        .attribute("activityDate", AttributeType::Int64, 0)
        .attribute("muted", AttributeType::Bool, false)
        .toMany("members", "Member", "room")
        .toMany("messages", "Message", "room");
    m.entity<Member>("Member")
        .attribute("admin", AttributeType::Bool, false)
        .toOne("room", "Room", "members")
        .toOne("user", "User", "memberships");
    m.entity<Message>("Message")
        .attribute("messageId", AttributeType::String, {}, true)
        .attribute("text", AttributeType::String)
        .attribute("date", AttributeType::Int64, 0, true)
        .attribute("state", AttributeType::Int16, 0)
        .attribute("updateCount", AttributeType::Int32, 0)
        .attribute("payload", AttributeType::Binary)
        .toOne("room", "Room", "messages")
        .toMany("assets", "Asset", "messages");
    m.entity<Asset>("Asset")
        .attribute("remoteURL", AttributeType::String)
        .toMany("messages", "Message", "assets");
}

// A new, unsaved room; its name is its ID unless given.
inline Room::Ptr makeRoom(const QString& id, int status = 0, qint64 activity = 0, const QString& name = {},
                          const ContextPtr& context = {}) {
    auto room = Room::PS_createEntity(context);
    room->setValue("roomId", id);
    room->setValue("status", status);
    room->setValue("activityDate", activity);
    room->setValue("name", name.isEmpty() ? id : name);
    return room;
}

inline void registerTestModel() {
    PLPersistence::registerModelDeclaration(QStringLiteral("test"), declareTestModel);
}

} // namespace pelnix::test
