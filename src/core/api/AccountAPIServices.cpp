#include "core/api/AccountAPIServices.h"

#include "core/api/PLAppConfigurations.h"
#include "core/api/RequestParameters.h"
#include "platform/Log.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace pelnix {

namespace {
using namespace RequestParameters;

PLParameters accountCall(const char* method) {
    return {{QStringLiteral("method"), QString::fromLatin1(method)},
            {QStringLiteral("v"), PLPublicAPIService::apiVersion()}};
}
} // namespace

PLParameters PLRegistrationAPIService::parameters() const {
    PLParameters p = accountCall("echat.registerWithOTP");
    p.append({QStringLiteral("email"), orEmpty(email())});
    return p;
}

PLParameters PLVerifyEmailWithOTPAPIService::parameters() const {
    PLParameters p = accountCall("echat.verifyOTP");
    p.append({QStringLiteral("email"), orEmpty(accountCredentials().email)});
    p.append({QStringLiteral("code"), orEmpty(verifyCode())});
    return p;
}

PLParameters PLResendSMSCodeAPIService::parameters() const {
    PLParameters p = accountCall("echat.resendSMSCode");
    p.append({QStringLiteral("token"), orEmpty(token())});
    p.append({QStringLiteral("email"), orEmpty(email())});
    p.append({QStringLiteral("phone"), orEmpty(phoneNumber())});
    p.append({QStringLiteral("countryCode"), orEmpty(countryCode())});
    return p;
}

PLParameters PLPhoneVerificationAPIService::parameters() const {
    PLParameters p = accountCall("echat.verifyPhone");
    p.append({QStringLiteral("token"), orEmpty(token())});
    p.append({QStringLiteral("email"), orEmpty(email())});
    p.append({QStringLiteral("phone"), orEmpty(phoneNumber())});
    p.append({QStringLiteral("code"), orEmpty(code())});
    p.append({QStringLiteral("countryCode"), orEmpty(countryCode())});
    return p;
}

PLParameters PLUpdateProfileAPIService::parameters() const {
    PLParameters p{{QStringLiteral("v"), apiVersion()},
                   {QStringLiteral("method"), QStringLiteral("echat.updateProfile")}};
    addWhenSet(p, "token", tavrixToken());
    addWhenSet(p, "profileName", profileName());
    addWhenSet(p, "countryCode", countryCode());
    addWhenSet(p, "phone", phoneNumber());
    addWhenSet(p, "imgUrl", imageURL());
    addWhenSet(p, "bigImgUrl", bigImageURL());
    return p;
}

PLParameters PLGetChallengeAPIService::parameters() const {
    return {{QStringLiteral("v"), apiVersion()},
            {QStringLiteral("method"), QStringLiteral("echat.getChallenge")}};
}

QString PLGetUserConfigAPIService::targetURLString() const {
    return PLAppConfigurations::currentConfiguration()->basePublicURL();
}

PLParameters PLGetUserConfigAPIService::parameters() const {
    return {{QStringLiteral("token"), orEmpty(tavrixToken())},
            {QStringLiteral("method"), QStringLiteral("echat.getUserConfig")},
            {QStringLiteral("v"), PLPublicAPIService::apiVersion()}};
}

QString PLSendDeviceTokenAPIService::targetURLString() const {
    return PLAppConfigurations::currentConfiguration()->pushNotificationURL() + userID();
}

PLParameters PLSendDeviceTokenAPIService::parameters() const {
    // With no certificate name configured, "useCert" is sent empty rather than left out.
    const QString certificate =
        orEmpty(PLAppConfigurations::currentConfiguration()->pushNotificationCertificateName());
    platform::Log::write(QStringLiteral("\nPush Notification Certficate Name: %1").arg(certificate));
    return {{QStringLiteral("userId"), orEmpty(userID())},
            {QStringLiteral("token"), orEmpty(tavrixToken())},
            {QStringLiteral("regId"), orEmpty(deviceToken())},
            {QStringLiteral("useCert"), certificate},
            {QStringLiteral("os"), QStringLiteral("IOS")}};
}

QString PLInviteViaEmailAPIService::targetURLString() const {
    return PLAppConfigurations::currentConfiguration()->inviteURL();
}

QVariantMap PLInviteViaEmailAPIService::userDetailsDictionary() const {
    const PLAccountCredentials account = accountCredentials();
    QVariantMap from;
    auto put = [&from](const char* key, const QString& value) {
        if (!value.isNull())
            from.insert(QString::fromLatin1(key), value);
    };
    put("token", account.tavrixToken);
    put("name", account.profileName);
    put("userid", QString::number(account.userID));
    put("email", account.email);
    return from;
}

QString PLInviteViaEmailAPIService::createJSONString() const {
    QJsonObject root;
    root.insert(QStringLiteral("from"), QJsonObject::fromVariantMap(userDetailsDictionary()));
    root.insert(QStringLiteral("to"), QJsonValue::fromVariant(selectedContacts()));
    root.insert(QStringLiteral("useTemplate"), QStringLiteral("true"));
    root.insert(QStringLiteral("isHtml"), QStringLiteral("true"));
    root.insert(QStringLiteral("template"), QStringLiteral("invite_template"));
    root.insert(QStringLiteral("message"), QString(QLatin1String("")));
    root.insert(QStringLiteral("subject"), QStringLiteral("Hi, I am on Pelnix!"));
    root.insert(QStringLiteral("client"), QStringLiteral("ios"));
    return QString::fromUtf8(QJsonDocument(root).toJson(QJsonDocument::Compact));
}

PLParameters PLInviteViaEmailAPIService::parameters() const {
    return {{QStringLiteral("emailjson"), createJSONString()}};
}

} // namespace pelnix
