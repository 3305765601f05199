#pragma once

#include "core/model/RoomModelServices.h"
#include "foundation/PLStoredModel.h"

#include <QList>
#include <functional>
#include <memory>

namespace pelnix {

class PLPublicRoom;

// (success, error, message, items) of a list request.
using PLPublicRoomListHandler =
    std::function<void(bool success, const PLOptionalError& error, const QString& message,
                       const QList<std::shared_ptr<PLPublicRoom>>& rooms)>;

// An open group the server lists and the user may join without an invitation. Not stored: the list
// is fetched on request and joining turns it into an ordinary room.
class PLPublicRoom : public PLStoredModelOf<PLPublicRoom> {
    Q_OBJECT
    Q_PROPERTY(QString name MEMBER m_name)
    Q_PROPERTY(QString _id MEMBER m_id)
    Q_PROPERTY(QString membersUrl MEMBER m_membersUrl)
    Q_PROPERTY(QString imgUrl MEMBER m_imgUrl)
    Q_PROPERTY(bool isuserJoined MEMBER m_isuserJoined)
public:
    PLPublicRoom() = default;

    QString name() const { return m_name; }
    QString roomId() const { return m_id; }
    QString membersUrl() const { return m_membersUrl; }
    QString imgUrl() const { return m_imgUrl; }
    bool isuserJoined() const { return m_isuserJoined; }
    void setIsuserJoined(bool joined) { m_isuserJoined = joined; }
    // The members URL without its last path component.
    QString roomURL() const;

    // Fetches the list; false when no request started (the completion is then never called).
    static bool getPublicRoomsWithCompletionHandler(PLPublicRoomListHandler completion);
    // Invites the current user and fetches the room; false (nothing sent) without a signed-in user
    // or for a room already joined.
    bool joinGroupWithCompletionHandler(PLResultHandler completion);

private:
    QString m_name;
    QString m_id;
    QString m_membersUrl;
    QString m_imgUrl;
    bool m_isuserJoined = false;
};

} // namespace pelnix
