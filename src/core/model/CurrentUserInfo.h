#pragma once

#include "core/model/EntityAccessors.h"
#include "foundation/persistence/PLEntity.h"

#include <QImage>
#include <QVariantMap>
#include <functional>

class QNetworkAccessManager;

namespace pelnix {

// (success, transport error, the server's message).
using PLResultHandler =
    std::function<void(bool success, const PLOptionalError& error, const QString& message)>;
// (success, always empty).
using PLChallengeHandler = std::function<void(bool success, const QVariant& unused)>;

inline constexpr char PLUserDeletedFromOrgNotification[] = "UserDeletedFromOrgNotification";
inline constexpr char PLActiveSessionIsInvalidatedNotification[] = "UserDeletedFromOrgNotification";

class Challenge;
class User;

// The one signed-in account row. `status`: 0 new, 1 code requested, 2 verified, 3 active,
// 4 removed from the organisation, 5 re-registering.
//
// Everything here runs on the main thread against the main context. The server operations answer
// whether their (first) request started; when it did not, the completion is never called.
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

    // The row, created (with an empty user and challenge, status 0, saved) when there is none.
    // Null only while the store is closed.
    static Ptr currentUserInfo();
    // The account user's ID; also from the event queue.
    static qint32 currentUserID();
    // The row, respectively its user's ID, as the calling thread's context holds it, without
    // creating a row (null, 0 when there is none or the store is closed). Kept per thread: asking
    // again fetches nothing while the row lives in that context.
    static Ptr storedCurrentUserInfo();
    static qint32 storedCurrentUserID();
    // The host's login: wipes the store and makes the fresh row an active account (status 3).
    static void initializeCurrentUserForSDKWithID(qint32 userID, const QString& email,
                                                  const QString& tavrixToken);

    QString uniqueProfileImagePrefixIDForCurrentUser() const;
    bool isPhoneVerified() const;
    bool isHTTPS() const;

    // Parsers of server replies; each saves.
    void updateWithChallengeDictionary(const QVariantMap& challenge);
    void updateWithRegisterDictionary(const QVariantMap& success);
    // The login object under "user".
    void updateWithLoginDictionary(const QVariantMap& success);
    // Chooses the newest phone whose status is "ACTIVE" or "INACTIVE"; clears the phone without one.
    void updateCurrentPhoneDetailsFromDictionary(const QVariantMap& success);

    // The server ended the session: status 4, session state 3, then "UserDeletedFromOrgNotification".
    void handleDeletedFromOrg();
    void sendDeviceToken();
    void changeAppLockStatusToState(qint16 state);

    QImage coBrandingImage() const;
    QImage coBrandingLogoImage() const;
    static QString localCoBrandingImagePath();
    static QString localCoBrandingLogoImgePath();
    // Fetches both images in the background when the server asks for co-branding; each replaces its
    // file atomically only when it arrived whole.
    void downloadCoBrandingImageIfRequired();
    // The images are fetched through `network` from now on (main thread; tests); by default a
    // manager of the library's own.
    static void setCoBrandingNetworkAccessManager(QNetworkAccessManager* network);

    bool getChallengeWithCompletionHandler(PLChallengeHandler completion);
    bool startRegistrationWithEmail(const QString& email, PLResultHandler completion);
    bool verifyEmailWithOTPCode(const QString& code, PLResultHandler completion);
    bool updateProfileWithName(const QString& name, const QString& imageURL, const QString& bigImageURL,
                               const QString& phoneNumber, const QString& countryCode,
                               PLResultHandler completion);
    bool verifyPhoneNumberWithCode(const QString& code, PLResultHandler completion);
    bool resendSMSCodeWithCompletionHandler(PLResultHandler completion);
    bool refreshUserProfileWithCompletionHandler(PLResultHandler completion);
    bool getUserConfigWithCompletionHandler(PLResultHandler completion);
    bool sendDeviceTokenWithCompletionHandler(PLResultHandler completion);

    // A picture address that names a real picture rather than one of the service's default pictures;
    // false for no address.
    static bool isValidTinyURL(const QVariant& value);

private:
    Ptr self();
    void applyUserConfiguration(const QVariantMap& success);
    // Starts the request that follows a stored challenge.
    bool startAfterChallenge(const std::function<bool()>& start, const PLResultHandler& completion);
};

} // namespace pelnix
