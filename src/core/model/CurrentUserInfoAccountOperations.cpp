// The account's server operations: challenge, registration, verification, profile, phone, user
// configuration and device token.

#include "core/model/CurrentUserInfo.h"
#include "core/model/OwnedService.h"
#include "core/model/User.h"

#include "core/api/AccountAPIServices.h"
#include "core/api/PLAppConfigurations.h"
#include "core/api/PLGeneralAPIService.h"
#include "core/session/PelnixInfo.h"
#include "foundation/SafeReaders.h"
#include "platform/MainThread.h"

#include <QJsonDocument>
#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcAccount)

namespace pelnix {

using namespace SafeKVC;

namespace {

void call(const PLResultHandler& completion, bool success, const PLOptionalError& error,
          const QString& message) {
    if (completion)
        completion(success, error, message);
}

QVariantMap decode(const QByteArray& data) {
    return QJsonDocument::fromJson(data).toVariant().toMap();
}

// A text at `keyPath`, or a null string when there is none.
QString textAt(const QVariantMap& root, const QString& keyPath) {
    return SafeKVC::valueForKeyPath(root, keyPath, ValueClass::String).toString();
}

QVariantMap successObject(const QVariantMap& root) {
    return SafeKVC::valueForKeyPath(root, QStringLiteral("response.success"), ValueClass::Dictionary).toMap();
}

bool hasSuccess(const QVariantMap& root) {
    const QVariant success = SafeKVC::valueForKeyPath(root, QStringLiteral("response.success"));
    return success.isValid() && !success.isNull();
}

// The reply handling every account call shares: a transport error or an empty body fails without a
// message; a refusal carries the server's "response.error.msg"; success applies `onSuccess`, whose
// answer is the completion's message.
void answer(const QByteArray& data, const PLOptionalError& error,
            const std::function<bool(const QVariantMap&)>& test,
            const std::function<QString(const QVariantMap&)>& onSuccess, const PLResultHandler& completion) {
    Q_ASSERT(platform::isMainThread());
    if (error)
        return call(completion, false, error, {});
    if (data.isEmpty())
        return call(completion, false, std::nullopt, {});
    const QVariantMap root = decode(data);
    if (!test(root))
        return call(completion, false, std::nullopt, textAt(root, QStringLiteral("response.error.msg")));
    call(completion, true, std::nullopt, onSuccess(root));
}

// Starts an account call whose reply goes through `answer`.
bool startAccountCall(PLAPIService* service, std::function<bool(const QVariantMap&)> test,
                      std::function<QString(const QVariantMap&)> onSuccess, PLResultHandler completion) {
    return OwnedService::start(
        service, [test = std::move(test), onSuccess = std::move(onSuccess),
                  completion = std::move(completion)](const QByteArray& data, const PLOptionalError& error) {
            answer(data, error, test, onSuccess, completion);
        });
}

QString successMessage(const QVariantMap& root) {
    return textAt(root, QStringLiteral("response.success.msg"));
}

bool isPresent(const QVariantMap& source, const QString& keyPath) {
    return SafeKVC::valueForKeyPath(source, keyPath).isValid();
}

} // namespace

bool CurrentUserInfo::getChallengeWithCompletionHandler(PLChallengeHandler completion) {
    auto row = self();
    return OwnedService::start(new PLGetChallengeAPIService, [row, completion](const QByteArray& data,
                                                                               const PLOptionalError& error) {
        const QVariantMap challenge =
            SafeKVC::valueForKeyPath(decode(data), QStringLiteral("response.success.challenge"),
                                     ValueClass::Dictionary)
                .toMap();
        const bool success = !error && !data.isEmpty() && !challenge.isEmpty();
        if (success)
            row->updateWithChallengeDictionary(challenge);
        if (completion)
            completion(success, {});
    });
}

bool CurrentUserInfo::startAfterChallenge(const std::function<bool()>& start,
                                          const PLResultHandler& completion) {
    return getChallengeWithCompletionHandler([start, completion](bool stored, const QVariant&) {
        if (!stored || !start())
            call(completion, false, std::nullopt, {});
    });
}

bool CurrentUserInfo::startRegistrationWithEmail(const QString& email, PLResultHandler completion) {
    auto row = self();
    const auto registered = [row](const QVariantMap& root) {
        row->updateWithRegisterDictionary(successObject(root));
        if (row->status() == 4) {
            row->setRoomsFetched(false);
            row->setStatus(5);
        } else if (row->status() != 5) {
            row->setStatus(1);
        }
        row->save();
        return successMessage(root);
    };
    return startAfterChallenge(
        [email, registered, completion] {
            auto* service = new PLRegistrationAPIService;
            service->setEmail(email);
            return startAccountCall(service, hasSuccess, registered, completion);
        },
        completion);
}

bool CurrentUserInfo::verifyEmailWithOTPCode(const QString& code, PLResultHandler completion) {
    auto row = self();
    const auto verified = [](const QVariantMap& root) {
        const QVariantMap success = successObject(root);
        return !stringForKeyPath(success, QStringLiteral("token.token")).isEmpty() &&
               !stringForKeyPath(success, QStringLiteral("password.password")).isEmpty();
    };
    const auto store = [row](const QVariantMap& root) {
        const QVariantMap success = successObject(root);
        row->setTavrixToken(stringForKeyPath(success, QStringLiteral("token.token")));
        row->setSignature(stringForKeyPath(success, QStringLiteral("password.password")));
        row->updateWithLoginDictionary(success);
        row->updateCurrentPhoneDetailsFromDictionary(success);
        const QVariant valid = SafeKVC::valueForKeyPath(success, QStringLiteral("user.isValidProfile"));
        row->setStatus(valid.isValid() && valid.toBool() ? 3 : 2);
        row->save();
        return successMessage(root);
    };
    const auto report = [row, completion](bool verifiedNow, const PLOptionalError& failure,
                                          const QString& message) {
        if (!verifiedNow)
            return call(completion, false, failure, message);
        // Reported once the configuration is in, whatever its outcome; also when the configuration
        // cannot be asked for at all.
        const bool asked = row->getUserConfigWithCompletionHandler(
            [completion, message](bool, const PLOptionalError&, const QString&) {
                call(completion, true, std::nullopt, message);
            });
        if (!asked)
            call(completion, true, std::nullopt, message);
    };
    return startAfterChallenge(
        [code, verified, store, report] {
            auto* service = new PLVerifyEmailWithOTPAPIService;
            service->setVerifyCode(code);
            return startAccountCall(service, verified, store, report);
        },
        completion);
}

bool CurrentUserInfo::updateProfileWithName(const QString& name, const QString& imageURL,
                                            const QString& bigImageURL, const QString& phoneNumber,
                                            const QString& countryCode, PLResultHandler completion) {
    auto row = self();
    auto* service = new PLUpdateProfileAPIService;
    service->setProfileName(name);
    service->setImageURL(imageURL);
    service->setBigImageURL(bigImageURL);
    service->setPhoneNumber(phoneNumber);
    service->setCountryCode(countryCode);
    service->setTavrixToken(tavrixToken());
    return startAccountCall(
        service, hasSuccess,
        [row](const QVariantMap& root) {
            row->setStatus(3);
            row->updateWithLoginDictionary(successObject(root));
            row->updateCurrentPhoneDetailsFromDictionary(successObject(root));
            return successMessage(root);
        },
        std::move(completion));
}

bool CurrentUserInfo::verifyPhoneNumberWithCode(const QString& code, PLResultHandler completion) {
    auto row = self();
    auto* service = new PLPhoneVerificationAPIService;
    service->setEmail(user() ? user()->email() : QString());
    service->setCode(code);
    service->setCountryCode(countryCode());
    service->setPhoneNumber(phoneNumber());
    service->setToken(tavrixToken());
    return startAccountCall(
        service, hasSuccess,
        [row](const QVariantMap& root) {
            row->setStatus(3);
            row->setPhoneVerificationStatus(QStringLiteral("VERIFIED"));
            row->save();
            return successMessage(root);
        },
        std::move(completion));
}

bool CurrentUserInfo::resendSMSCodeWithCompletionHandler(PLResultHandler completion) {
    if (isPhoneVerified())
        return false;
    auto* service = new PLResendSMSCodeAPIService;
    service->setEmail(user() ? user()->email() : QString());
    service->setToken(tavrixToken());
    service->setCountryCode(countryCode());
    service->setPhoneNumber(phoneNumber());
    return startAccountCall(service, hasSuccess, successMessage, std::move(completion));
}

bool CurrentUserInfo::refreshUserProfileWithCompletionHandler(PLResultHandler completion) {
    auto row = self();
    const auto me = user();
    if (!me)
        return false;
    QString url = PLAppConfigurations::currentConfiguration()->echatusersURL();
    if (!url.endsWith(QLatin1Char('/')))
        url += QLatin1Char('/');
    auto* service = new PLGeneralAPIService;
    service->setCustomURL(url + QString::number(me->userID()));
    return OwnedService::start(
        service, [row, completion](const QByteArray& data, const PLOptionalError& error) {
            if (error || data.isEmpty())
                return call(completion, false, error, {});
            const QVariantMap reply = decode(data);
            const auto me = row->user();
            if (!me || intForKey(reply, QStringLiteral("id")) != me->userID())
                return call(completion, false, std::nullopt, {});
            me->setProfileName(stringForKey(reply, QStringLiteral("name")));
            me->setImageUrl(stringForKey(reply, QStringLiteral("imageUrl")));
            const QVariant big = SafeKVC::valueForKey(reply, QStringLiteral("bigImgUrl"));
            me->setBigImageUrl(isValidTinyURL(big) ? big.toString() : me->imageUrl());
            row->setPhoneNumber(stringForKey(reply, QStringLiteral("phone")));
            row->setCountryCode(stringForKey(reply, QStringLiteral("countryCode")));
            row->setPhoneVerificationStatus(
                SafeKVC::valueForKey(reply, QStringLiteral("isPhoneVerified")).toBool()
                    ? QStringLiteral("VERIFIED")
                    : QString());
            row->save();
            call(completion, true, std::nullopt, {});
        });
}

bool CurrentUserInfo::getUserConfigWithCompletionHandler(PLResultHandler completion) {
    auto row = self();
    auto* service = new PLGetUserConfigAPIService;
    service->setTavrixToken(tavrixToken());
    return startAccountCall(
        service, hasSuccess,
        [row](const QVariantMap& root) {
            row->applyUserConfiguration(successObject(root));
            return QString();
        },
        std::move(completion));
}

void CurrentUserInfo::applyUserConfiguration(const QVariantMap& success) {
    Q_ASSERT(platform::isMainThread());
    const QString environment = stringForKeyPath(success, QStringLiteral("userConfig.env"));
    setShowCoBrandingSplashScreen(
        isPresent(success, QStringLiteral("userConfig.props.showCoBrandingSplashScreen")));
    setSplashImagesPath(stringForKeyPath(success, QStringLiteral("userConfig.props.splashImagesPath")));
    setShowsAppLockScreen(isPresent(success, QStringLiteral("userConfig.props.showsAppLockScreen")));
    if (showsAppLockScreen())
        setAppLockState(1);
    setSandBoxingEnabled(isPresent(success, QStringLiteral("userConfig.props.sandBoxingEnabled")));
    const auto info = PelnixInfo::sharedInstance();
    if (info && !info->appLockFeatureEnabled()) {
        setShowsAppLockScreen(false);
        setAppLockState(0);
    }
    if (info && !info->sandboxingFeatureEnabled())
        setSandBoxingEnabled(false);
    const auto overrideWith = [&success](const char* key) {
        return stringForKeyPath(success, QStringLiteral("userConfig.props.") + QLatin1String(key));
    };
    if (const QString v = overrideWith("baseURL"); !v.isEmpty())
        setUserConfigBaseURL(v);
    if (const QString v = overrideWith("pushNotificationCertificateName"); !v.isEmpty())
        setUserConfigPNCertificateName(v);
    if (const QString v = overrideWith("pictureBucketName"); !v.isEmpty())
        setUserConfigPictureBucketName(v);
    setEnv(environment);
    // Saved before the configuration is read again, so that it sees the new overrides.
    save();
    PLAppConfigurations::reloadCurrentConfiguration();
    downloadCoBrandingImageIfRequired();
}

bool CurrentUserInfo::sendDeviceTokenWithCompletionHandler(PLResultHandler completion) {
    if (deviceToken().isEmpty() || tavrixToken().isEmpty())
        return false;
    auto row = self();
    auto* service = new PLSendDeviceTokenAPIService;
    service->setDeviceToken(deviceToken());
    service->setTavrixToken(tavrixToken());
    service->setUserID(QString::number(user() ? user()->userID() : 0));
    return OwnedService::start(
        service, [row, completion](const QByteArray& data, const PLOptionalError& error) {
            if (error)
                return call(completion, false, error, {});
            if (data.isEmpty())
                return call(completion, false, std::nullopt, {});
            const QVariantMap root = decode(data);
            // The server's text, of any length, stays out of the log: its size only.
            qCInfo(lcAccount) << "push registration answered with" << data.size() << "bytes";
            const QVariant success =
                SafeKVC::valueForKeyPath(root, QStringLiteral("response.success"), ValueClass::String);
            if (success.isValid()) {
                qCInfo(lcAccount) << "******APNS-Registered successfully";
                row->setDeviceTokenSent(true);
                row->save();
                return call(completion, true, std::nullopt, success.toString());
            }
            const QVariant refusal =
                SafeKVC::valueForKeyPath(root, QStringLiteral("response.error"), ValueClass::String);
            const QString message =
                refusal.isValid()
                    ? QStringLiteral("%1:%2").arg(refusal.toString(),
                                                  stringForKeyPath(root, QStringLiteral("response.reason")))
                    : QString();
            call(completion, false, std::nullopt, message);
        });
}

} // namespace pelnix
