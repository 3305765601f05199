#pragma once

// The account and registration calls. Each class is only its inputs and its request shape, so the
// family shares one header.

#include "core/api/PLPrivateAPIService.h"
#include "core/api/PLPublicAPIService.h"

#include <QVariantList>

namespace pelnix {

// echat.registerWithOTP: asks the server to mail a one-time code to `email`.
class PLRegistrationAPIService : public PLPublicAPIService {
    Q_OBJECT
public:
    using PLPublicAPIService::PLPublicAPIService;
    PLParameters parameters() const override;
    PL_REQUEST_PROPERTY(QString, email, setEmail)
};

// echat.verifyOTP: the code for the current account's e-mail.
class PLVerifyEmailWithOTPAPIService : public PLPublicAPIService {
    Q_OBJECT
public:
    using PLPublicAPIService::PLPublicAPIService;
    PLParameters parameters() const override;
    PL_REQUEST_PROPERTY(QString, verifyCode, setVerifyCode)
};

// echat.resendSMSCode
class PLResendSMSCodeAPIService : public PLPublicAPIService {
    Q_OBJECT
public:
    using PLPublicAPIService::PLPublicAPIService;
    PLParameters parameters() const override;
    PL_REQUEST_PROPERTY(QString, token, setToken)
    PL_REQUEST_PROPERTY(QString, email, setEmail)
    PL_REQUEST_PROPERTY(QString, phoneNumber, setPhoneNumber)
    PL_REQUEST_PROPERTY(QString, countryCode, setCountryCode)
};

// echat.verifyPhone
class PLPhoneVerificationAPIService : public PLPublicAPIService {
    Q_OBJECT
public:
    using PLPublicAPIService::PLPublicAPIService;
    PLParameters parameters() const override;
    PL_REQUEST_PROPERTY(QString, token, setToken)
    PL_REQUEST_PROPERTY(QString, email, setEmail)
    PL_REQUEST_PROPERTY(QString, phoneNumber, setPhoneNumber)
    PL_REQUEST_PROPERTY(QString, code, setCode)
    PL_REQUEST_PROPERTY(QString, countryCode, setCountryCode)
};

// echat.updateProfile: only the values that were set are sent (a null string is "not set").
class PLUpdateProfileAPIService : public PLPublicAPIService {
    Q_OBJECT
public:
    using PLPublicAPIService::PLPublicAPIService;
    PLParameters parameters() const override;
    PL_REQUEST_PROPERTY(QString, tavrixToken, setTavrixToken)
    PL_REQUEST_PROPERTY(QString, profileName, setProfileName)
    PL_REQUEST_PROPERTY(QString, countryCode, setCountryCode)
    PL_REQUEST_PROPERTY(QString, phoneNumber, setPhoneNumber)
    PL_REQUEST_PROPERTY(QString, imageURL, setImageURL)
    PL_REQUEST_PROPERTY(QString, bigImageURL, setBigImageURL)
};

// echat.getChallenge
class PLGetChallengeAPIService : public PLPublicAPIService {
    Q_OBJECT
public:
    using PLPublicAPIService::PLPublicAPIService;
    PLParameters parameters() const override;
};

// echat.getUserConfig: a GET to the public URL that carries the private headers.
class PLGetUserConfigAPIService : public PLPrivateAPIService {
    Q_OBJECT
public:
    using PLPrivateAPIService::PLPrivateAPIService;
    QString targetURLString() const override;
    PLParameters parameters() const override;
    PL_REQUEST_PROPERTY(QString, tavrixToken, setTavrixToken)
};

// Registers the device's push token: POST to the push URL with the user ID appended.
class PLSendDeviceTokenAPIService : public PLPrivateAPIService {
    Q_OBJECT
public:
    using PLPrivateAPIService::PLPrivateAPIService;
    QString targetURLString() const override;
    PLParameters parameters() const override;
    int serviceType() const override { return Post; }
    PL_REQUEST_PROPERTY(QString, userID, setUserID)
    PL_REQUEST_PROPERTY(QString, tavrixToken, setTavrixToken)
    PL_REQUEST_PROPERTY(QString, deviceToken, setDeviceToken)
};

// E-mail invitations: one compact JSON text in "emailjson".
class PLInviteViaEmailAPIService : public PLPublicAPIService {
    Q_OBJECT
public:
    using PLPublicAPIService::PLPublicAPIService;
    QString targetURLString() const override;
    PLParameters parameters() const override;
    // The "from" object: the account's token, name, user ID and e-mail (missing values left out).
    QVariantMap userDetailsDictionary() const;
    QString createJSONString() const;
    PL_REQUEST_PROPERTY(QVariantList, selectedContacts, setSelectedContacts)
};

} // namespace pelnix
