#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

namespace pelnix {

class ChatRoom;

// A room as the host sees it. `groupType`: 1 a one-to-one conversation, 0 a group.
struct PelnixGroup {
    QString name;
    QString groupID;
    qint64 groupType = 0;

    bool operator==(const PelnixGroup& other) const = default;

    // The stored room with that ID under its display name; none when it is not stored.
    static std::optional<PelnixGroup> groupWithID(const QString& groupID);
    static PelnixGroup groupWithChatRoom(const ChatRoom& room);
    static QList<PelnixGroup> pelnixGroupsWithPLChatRooms(const QList<std::shared_ptr<ChatRoom>>& rooms);
    // The stored rooms of the groups, in the groups' order; groups not stored are skipped.
    static QList<std::shared_ptr<ChatRoom>> chatroomsFromPelnixGroupsArray(const QList<PelnixGroup>& groups);
    // The one-to-one rooms whose other member has one of the e-mails.
    static QList<std::shared_ptr<ChatRoom>> allOneToOneGroupFilteredWithEmails(const QStringList& emails);

    // False before start-up or when the room is not stored.
    bool isGroupOneToOne() const;
};

} // namespace pelnix
