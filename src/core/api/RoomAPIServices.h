#pragma once

// The room, message, contact and details calls of the authenticated API. Each class is only its
// inputs and its request shape, so the family shares one header.

#include "core/api/PLGeneralAPIService.h"
#include "core/api/PLPrivateAPIService.h"

#include <QStringList>

namespace pelnix {

// The device's ISO country code, or "".
QString PLDeviceISOCountryCode();

class PLCreateNewRoomAPIService : public PLPrivateAPIService {
    Q_OBJECT
public:
    using PLPrivateAPIService::PLPrivateAPIService;
    QString targetURLString() const override;
    PLParameters parameters() const override;
    int serviceType() const override { return Post; }
    PL_REQUEST_PROPERTY(QString, roomName, setRoomName)
    PL_REQUEST_PROPERTY(QString, welcomeMessage, setWelcomeMessage)
    PL_REQUEST_PROPERTY(QStringList, emails, setEmails)
    PL_REQUEST_PROPERTY(QStringList, phones, setPhones)
    PL_REQUEST_PROPERTY(QStringList, memberIDs, setMemberIDs)
    PL_REQUEST_PROPERTY(QString, thumbImageURL, setThumbImageURL)
    PL_REQUEST_PROPERTY(QString, bigImageURL, setBigImageURL)
    PL_REQUEST_PROPERTY(bool, adminOnly, setAdminOnly)
    PL_REQUEST_PROPERTY(bool, hideMemberProfile, setHideMemberProfile)
};

class PLUpdateRoomInfoAPIService : public PLPrivateAPIService {
    Q_OBJECT
public:
    using PLPrivateAPIService::PLPrivateAPIService;
    QString targetURLString() const override;
    PLParameters parameters() const override;
    int serviceType() const override { return Post; }
    PL_REQUEST_PROPERTY(QString, roomID, setRoomID)
    PL_REQUEST_PROPERTY(QString, roomName, setRoomName)
    PL_REQUEST_PROPERTY(QString, thumbImageURL, setThumbImageURL)
    PL_REQUEST_PROPERTY(QString, bigImageURL, setBigImageURL)
    PL_REQUEST_PROPERTY(bool, adminOnly, setAdminOnly)
    PL_REQUEST_PROPERTY(bool, hideMemberProfile, setHideMemberProfile)
};

// A POST whose target ends with "?": its one parameter goes in the body.
class PLChangeRoomAdminAPIService : public PLPrivateAPIService {
    Q_OBJECT
public:
    using PLPrivateAPIService::PLPrivateAPIService;
    QString targetURLString() const override;
    PLParameters parameters() const override;
    int serviceType() const override { return Post; }
    PL_REQUEST_PROPERTY(QString, roomID, setRoomID)
    PL_REQUEST_PROPERTY(qint32, memberID, setMemberID)
};

class PLGetPrivateRoomAPIService : public PLPrivateAPIService {
    Q_OBJECT
public:
    using PLPrivateAPIService::PLPrivateAPIService;
    QString targetURLString() const override;
    PL_REQUEST_PROPERTY(QString, roomURL, setRoomURL)
    PL_REQUEST_PROPERTY(QString, roomID, setRoomID)
};

class PLGetPrivateRoomMessagesAPIService : public PLPrivateAPIService {
    Q_OBJECT
public:
    using PLPrivateAPIService::PLPrivateAPIService;
    QString targetURLString() const override;
    PLParameters parameters() const override;
    PL_REQUEST_PROPERTY(QString, roomMessagesURL, setRoomMessagesURL)
    PL_REQUEST_PROPERTY(qint64, timeLine, setTimeLine)
    PL_REQUEST_PROPERTY(bool, isAfterTimeLine, setIsAfterTimeLine)
    PL_REQUEST_PROPERTY(qint16, messagesPerPage, setMessagesPerPage)
    PL_REQUEST_PROPERTY(bool, isAscending, setIsAscending)
};

class PLContactsAPIService : public PLPrivateAPIService {
    Q_OBJECT
public:
    using PLPrivateAPIService::PLPrivateAPIService;
    QString targetURLString() const override;
    PLParameters parameters() const override;
    QString orgName() const { return m_orgName; }
    // A null name is kept as "" in the object itself.
    void setOrgName(const QString& name) { m_orgName = name.isNull() ? QString(QLatin1String("")) : name; }
    PL_REQUEST_PROPERTY(qint64, afterTime, setAfterTime)

private:
    QString m_orgName = QString(QLatin1String(""));
};

class PLPostPrivateMessageAPIService : public PLGeneralAPIService {
    Q_OBJECT
public:
    using PLGeneralAPIService::PLGeneralAPIService;
    PLParameters parameters() const override;
    int serviceType() const override { return Post; }
    PL_REQUEST_PROPERTY(QString, message, setMessage)
    PL_REQUEST_PROPERTY(qint64, postMessageTextType, setPostMessageTextType)
    PL_REQUEST_PROPERTY(QString, reqId, setReqId)
    PL_REQUEST_PROPERTY(QString, seqId, setSeqId)
};

class PLInviteMembersToRoomAPIService : public PLGeneralAPIService {
    Q_OBJECT
public:
    using PLGeneralAPIService::PLGeneralAPIService;
    PLParameters parameters() const override;
    int serviceType() const override { return Post; }
    PL_REQUEST_PROPERTY(QStringList, emails, setEmails)
    PL_REQUEST_PROPERTY(QStringList, phones, setPhones)
    PL_REQUEST_PROPERTY(QStringList, memberIDs, setMemberIDs)
};

class PLLoadMoreDetailsAPIService : public PLPrivateAPIService {
    Q_OBJECT
public:
    using PLPrivateAPIService::PLPrivateAPIService;
    QString targetURLString() const override;
    PLParameters parameters() const override;
    PL_REQUEST_PROPERTY(QString, formID, setFormID)
    PL_REQUEST_PROPERTY(QString, sessionID, setSessionID)
    PL_REQUEST_PROPERTY(qint64, userID, setUserID)
    PL_REQUEST_PROPERTY(qint32, pageNumber, setPageNumber)
    PL_REQUEST_PROPERTY(qint32, countPerPage, setCountPerPage)
};

} // namespace pelnix
