#pragma once

#include "core/model/EntityAccessors.h"
#include "foundation/persistence/PLEntity.h"

#include <QStringList>
#include <QVariantMap>
#include <functional>

namespace pelnix {

inline constexpr char PLContactsFetchedNotification[] = "ContactsFetchedNotification";

class CurrentUserInfo;
class Message;
class RoomMember;

// A person known to this device. `state`: 0 known only as member or sender, 1 contact (active user
// of the organisation), 2 removed from the organisation.
class User : public PLEntity<User> {
public:
    static QString entityName() { return QStringLiteral("User"); }

    PL_ATTRIBUTE(qint32, userID, setUserID)
    PL_ATTRIBUTE(QString, email, setEmail)
    PL_ATTRIBUTE(QString, profileName, setProfileName)
    PL_ATTRIBUTE(QString, imageUrl, setImageUrl)
    PL_ATTRIBUTE(QString, bigImageUrl, setBigImageUrl)
    PL_ATTRIBUTE(QString, organisation, setOrganisation)
    PL_ATTRIBUTE(qint16, state, setState)
    PL_ATTRIBUTE(QString, groupLetter, setGroupLetter)
    PL_TO_MANY(RoomMember, rooms, addRoomsObject, removeRoomsObject)
    PL_TO_MANY(Message, senderMessages, addSenderMessagesObject, removeSenderMessagesObject)
    PL_TO_MANY(Message, fromMessages, addFromMessagesObject, removeFromMessagesObject)
    PL_TO_ONE(CurrentUserInfo, userInfo, setUserInfo)

    // Lookups. A value whose integer is 0 (also non-numeric text) is looked up as -1.
    static Ptr userWithID(const QVariant& id, const ContextPtr& context = {});
    static Ptr userWithIntID(qint32 userID, const ContextPtr& context = {});
    // Contacts (state 1, non-negative IDs) by profile name, without the given e-mails.
    static List allActiveUsers(const QStringList& excludedEmails, const ContextPtr& context = {});

    // Upserts contacts by their "id" (objects without one are skipped) and saves.
    static void updateContacts(const QVariantList& contacts, const ContextPtr& context = {});
    // A user who left the organisation: memberships removed, state 2, saved.
    static void deleteContact(qint32 userID, const ContextPtr& context = {});
    // Applies a stream event "echatcontact" or "userremoved" (event queue); false for other types.
    static bool applyContactEvent(const QVariantMap& event);

    // Fetches the organisation's contacts once per store. YES while a fetch is under way (a second
    // call starts nothing); NO once the list is known or when no fetch could start. `finished`
    // is told the outcome of the fetch this call started or joined.
    static bool refreshContactsList(std::function<void(bool fetched)> finished = {});
    static bool refreshingInProgress();

    // The user JSON parser; does not save.
    void updateWithDictionary(const QVariantMap& dictionary) override;
    // The parser, then state 1 when the user has a name.
    void updateWithContactDict(const QVariantMap& dictionary);
};

} // namespace pelnix
