#include "core/api/RoomAPIServices.h"

#include "core/api/PLAppConfigurations.h"
#include "core/api/RequestParameters.h"

#include <QLocale>

namespace pelnix {

namespace {
using namespace RequestParameters;

PLAppConfigurations* config() {
    return PLAppConfigurations::currentConfiguration();
}
} // namespace

QString PLDeviceISOCountryCode() {
    const QLocale::Territory territory = QLocale::system().territory();
    if (territory == QLocale::AnyTerritory)
        return QString(QLatin1String(""));
    return QLocale::territoryToCode(territory);
}

QString PLCreateNewRoomAPIService::targetURLString() const {
    return config()->roomsURL();
}

PLParameters PLCreateNewRoomAPIService::parameters() const {
    PLParameters p;
    addWhenSet(p, "name", roomName());
    addWhenSet(p, "welcomeMessage", welcomeMessage());
    addWhenNonEmpty(p, "emails", emails());
    addWhenNonEmpty(p, "phones", phones());
    addWhenNonEmpty(p, "members", memberIDs());
    addWhenSet(p, "imgUrl", thumbImageURL());
    addWhenSet(p, "bigImgUrl", bigImageURL());
    p.append({QStringLiteral("isoCountry"), PLDeviceISOCountryCode()});
    p.append({QStringLiteral("adminOnly"), boolText(adminOnly())});
    p.append({QStringLiteral("hideMemberProfile"), boolText(hideMemberProfile())});
    return p;
}

QString PLUpdateRoomInfoAPIService::targetURLString() const {
    return joinPath(config()->roomsURL(), orEmpty(roomID()) + QStringLiteral("/update"));
}

PLParameters PLUpdateRoomInfoAPIService::parameters() const {
    PLParameters p;
    addWhenSet(p, "newName", roomName());
    addWhenSet(p, "imgUrl", thumbImageURL());
    addWhenSet(p, "bigImgUrl", bigImageURL());
    p.append({QStringLiteral("adminOnly"), boolText(adminOnly())});
    p.append({QStringLiteral("hideMemberProfile"), boolText(hideMemberProfile())});
    return p;
}

QString PLChangeRoomAdminAPIService::targetURLString() const {
    return joinPath(config()->roomsURL(), orEmpty(roomID()) + QStringLiteral("/changeadmin?"));
}

PLParameters PLChangeRoomAdminAPIService::parameters() const {
    return {{QStringLiteral("member"), QString::number(memberID())}};
}

QString PLGetPrivateRoomAPIService::targetURLString() const {
    if (!roomURL().isNull())
        return roomURL();
    return joinPath(config()->roomsURL(), orEmpty(roomID()));
}

QString PLGetPrivateRoomMessagesAPIService::targetURLString() const {
    // Joined, not concatenated: a rooms URL without its final "/" must still name the room.
    return joinPath(config()->roomsURL(), orEmpty(roomMessagesURL()) + QStringLiteral("/messages?"));
}

PLParameters PLGetPrivateRoomMessagesAPIService::parameters() const {
    return {
        {isAfterTimeLine() ? QStringLiteral("after") : QStringLiteral("before"), QString::number(timeLine())},
        {QStringLiteral("limit"), QString::number(int(messagesPerPage()))},
        {QStringLiteral("order"), isAscending() ? QStringLiteral("asce") : QStringLiteral("desc")},
        {QStringLiteral("version"), QStringLiteral("v1")},
        {QStringLiteral("appType"), QStringLiteral("echat")},
        {QStringLiteral("mode"), QStringLiteral("dev")}};
}

QString PLContactsAPIService::targetURLString() const {
    return config()->contactsURL();
}

PLParameters PLContactsAPIService::parameters() const {
    return {{QStringLiteral("org"), orgName()}, {QStringLiteral("after"), QString::number(afterTime())}};
}

PLParameters PLPostPrivateMessageAPIService::parameters() const {
    return {{QStringLiteral("text"), orEmpty(message())},
            {QStringLiteral("type"),
             postMessageTextType() != 0 ? QStringLiteral("message") : QStringLiteral("smartmessage")},
            {QStringLiteral("reqId"), orEmpty(reqId())},
            {QStringLiteral("seqId"), orEmpty(seqId())}};
}

PLParameters PLInviteMembersToRoomAPIService::parameters() const {
    PLParameters p;
    addWhenNonEmpty(p, "emails", emails());
    addWhenNonEmpty(p, "phones", phones());
    addWhenNonEmpty(p, "members", memberIDs());
    p.append({QStringLiteral("isoCountry"), PLDeviceISOCountryCode()});
    return p;
}

QString PLLoadMoreDetailsAPIService::targetURLString() const {
    return config()->loadMoreRepliesURL();
}

PLParameters PLLoadMoreDetailsAPIService::parameters() const {
    return {{QStringLiteral("getJson"), QStringLiteral("true")},
            {QStringLiteral("action"), QStringLiteral("primarydetails")},
            {QStringLiteral("msgid"), orEmpty(formID())},
            {QStringLiteral("sid"), orEmpty(sessionID())},
            {QStringLiteral("userid"), QString::number(userID())},
            {QStringLiteral("params"), QString::number(pageNumber())},
            {QStringLiteral("count"), QString::number(countPerPage())},
            {QStringLiteral("msgDetType"), QStringLiteral("primarydet")}};
}

} // namespace pelnix
