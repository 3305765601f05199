#pragma once

#include "core/model/EntityAccessors.h"
#include "foundation/persistence/PLEntity.h"

namespace pelnix {

class Challenge;
class User;

// The one signed-in account row. `status`: 0 new, 1 code requested, 2 verified, 3 active,
// 4 removed from the organisation, 5 re-registering.
class CurrentUserInfo : public PLEntity<CurrentUserInfo> {
public:
    static QString entityName() { return QStringLiteral("CurrentUserInfo"); }

    PL_ATTRIBUTE(qint16, status, setStatus)
    PL_ATTRIBUTE(qint16, version, setVersion)
    PL_ATTRIBUTE(QString, tavrixToken, setTavrixToken)
    PL_ATTRIBUTE(QString, signature, setSignature)
    PL_ATTRIBUTE(qint64, tokenExpiry, setTokenExpiry)
    PL_ATTRIBUTE(qint64, lastLoginTime, setLastLoginTime)
    PL_ATTRIBUTE(qint64, privateEventTime, setPrivateEventTime)
    PL_ATTRIBUTE(qint64, usersListUpdateTime, setUsersListUpdateTime)
    PL_ATTRIBUTE(qint64, pendingMessageIdIndex, setPendingMessageIdIndex)
    PL_ATTRIBUTE(qint64, richMediaInfoIdIndex, setRichMediaInfoIdIndex)
    PL_ATTRIBUTE(QString, deviceToken, setDeviceToken)
    PL_ATTRIBUTE(bool, deviceTokenSent, setDeviceTokenSent)
    PL_ATTRIBUTE(bool, roomsFetched, setRoomsFetched)
    PL_ATTRIBUTE(bool, styleSheetsUpdated, setStyleSheetsUpdated)
    PL_ATTRIBUTE(bool, formJSONsUpdated, setFormJSONsUpdated)
    PL_ATTRIBUTE(QString, type, setType)
    PL_ATTRIBUTE(QString, userdescription, setUserdescription)
    PL_ATTRIBUTE(QString, gender, setGender)
    PL_ATTRIBUTE(QString, userLocation, setUserLocation)
    PL_ATTRIBUTE(QString, registrationTime, setRegistrationTime)
    PL_ATTRIBUTE(QString, countryCode, setCountryCode)
    PL_ATTRIBUTE(QString, phoneNumber, setPhoneNumber)
    PL_ATTRIBUTE(QString, phoneStatus, setPhoneStatus)
    PL_ATTRIBUTE(QString, phoneVerificationStatus, setPhoneVerificationStatus)
    PL_ATTRIBUTE(qint64, phoneCreateDate, setPhoneCreateDate)
    PL_ATTRIBUTE(qint64, phoneUpdateDate, setPhoneUpdateDate)
    PL_ATTRIBUTE(QString, env, setEnv)
    PL_ATTRIBUTE(QString, splashImagesPath, setSplashImagesPath)
    PL_ATTRIBUTE(bool, showCoBrandingSplashScreen, setShowCoBrandingSplashScreen)
    PL_ATTRIBUTE(bool, showsAppLockScreen, setShowsAppLockScreen)
    PL_ATTRIBUTE(bool, sandBoxingEnabled, setSandBoxingEnabled)
    PL_ATTRIBUTE(qint16, appLockState, setAppLockState)
    PL_ATTRIBUTE(QString, userConfigBaseURL, setUserConfigBaseURL)
    PL_ATTRIBUTE(QString, userConfigPNCertificateName, setUserConfigPNCertificateName)
    PL_ATTRIBUTE(QString, userConfigPictureBucketName, setUserConfigPictureBucketName)
    PL_TO_ONE(User, user, setUser)
    PL_TO_ONE(Challenge, challenge, setChallenge)
};

} // namespace pelnix
