#include "core/model/Challenge.h"
#include "core/model/CurrentUserInfo.h"
#include "core/model/PLModelManager.h"
#include "core/model/User.h"

#include "core/api/PLAppConfigurations.h"
#include "core/session/PelnixInfo.h"
#include "foundation/SafeReaders.h"
#include "foundation/StandardFolders.h"
#include "foundation/StringStandardFolders.h"
#include "foundation/StringTinyURLValidation.h"
#include "foundation/persistence/PLPersistence.h"
#include "platform/CutShortReply.h"
#include "platform/MainThread.h"
#include "platform/NotificationCenter.h"
#include "platform/store/ObjectContext.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QSaveFile>
#include <algorithm>

Q_LOGGING_CATEGORY(lcAccount, "pelnix.account", QtWarningMsg)

namespace pelnix {

using namespace SafeKVC;

namespace {

// The co-branding images' downloads, on the main thread.
QPointer<QNetworkAccessManager> g_coBrandingNetwork;

qint64 int64ForKeyPath(const QVariantMap& source, const QString& keyPath) {
    return qint64(doubleForKeyPath(source, keyPath));
}

void applyPhone(CurrentUserInfo& account, const QVariantMap& phone) {
    account.setCountryCode(stringForKey(phone, QStringLiteral("countryCode")));
    account.setPhoneVerificationStatus(stringForKey(phone, QStringLiteral("verificationStatus")));
    account.setPhoneNumber(stringForKey(phone, QStringLiteral("phone")));
    account.setPhoneCreateDate(qint64(doubleForKey(phone, QStringLiteral("createDate"))));
    account.setPhoneUpdateDate(qint64(doubleForKey(phone, QStringLiteral("updateDate"))));
    account.setPhoneStatus(stringForKey(phone, QStringLiteral("status")));
}

QImage imageAt(const QString& path) {
    QImage image(path);
    if (!image.isNull())
        image.setDevicePixelRatio(StandardFolders::scaleFromSuffix(path));
    return image;
}

} // namespace

bool CurrentUserInfo::isValidTinyURL(const QVariant& value) {
    if (value.typeId() != QMetaType::QString)
        return false;
    // A stored string, even a null one, is an address; only a missing value is none.
    const QString url = value.toString();
    return TinyURLValidation::isValidTinyURL(url.isNull() ? QStringLiteral("") : url);
}

CurrentUserInfo::Ptr CurrentUserInfo::self() {
    return std::static_pointer_cast<CurrentUserInfo>(shared_from_this());
}

namespace {

// The account row and its user as a thread's context last found them: every event asks who the
// current user is, and the answer needs no fetch while these objects live in that context. Merged
// changes reach them, a deleted row goes inert, and a new store comes with new contexts.
struct AccountSeen {
    std::weak_ptr<platform::ObjectContext> context;
    CurrentUserInfo::Ptr row;
    std::shared_ptr<User> user;
};
thread_local AccountSeen t_account;

bool isAlive(const platform::ManagedObject* object) {
    return object && !object->isInert() && !object->isDeleted();
}

} // namespace

CurrentUserInfo::Ptr CurrentUserInfo::storedCurrentUserInfo() {
    const auto context =
        PLPersistence::PS_defaultStore() ? PLPersistence::PS_contextForCurrentThread() : ContextPtr();
    if (!context)
        return nullptr;
    context->processPendingMerges();
    if (isAlive(t_account.row.get()) && t_account.context.lock() == context)
        return t_account.row;
    t_account = {};
    if (auto row = PS_findFirst(context)) {
        t_account.context = context;
        t_account.row = row;
    }
    return t_account.row;
}

qint32 CurrentUserInfo::storedCurrentUserID() {
    const auto row = storedCurrentUserInfo();
    if (!row)
        return 0;
    // The user is followed through the row's key each time: a new user or a new ID shows at once.
    const qint64 userKey = row->foreignKey(QStringLiteral("user"));
    if (!isAlive(t_account.user.get()) || t_account.user->primaryKey() != userKey)
        t_account.user = row->user();
    return t_account.user ? t_account.user->userID() : 0;
}

CurrentUserInfo::Ptr CurrentUserInfo::currentUserInfo() {
    Q_ASSERT(platform::isMainThread());
    if (auto row = storedCurrentUserInfo())
        return row;
    auto row = PS_createEntity();
    if (!row)
        return nullptr; // store closed
    auto challenge = Challenge::PS_createEntity();
    challenge->setSalt(QStringLiteral(""));
    challenge->setToken(QStringLiteral(""));
    row->setChallenge(challenge);
    row->setUser(User::PS_createEntity());
    row->setStatus(0);
    row->save();
    return row;
}

qint32 CurrentUserInfo::currentUserID() {
    // The event queue asks too: there the row is read in the thread's own context, never created.
    if (platform::isMainThread() && !storedCurrentUserInfo())
        currentUserInfo();
    return storedCurrentUserID();
}

void CurrentUserInfo::initializeCurrentUserForSDKWithID(qint32 userID, const QString& email,
                                                        const QString& tavrixToken) {
    Q_ASSERT(platform::isMainThread());
    if (const auto error = PLModelManager::sharedModelManager()->cleanAndResetupDB()) {
        qCWarning(lcAccount) << "the store could not be made afresh for the host's login:"
                             << error->localizedDescription;
        return;
    }
    auto row = currentUserInfo();
    if (!row)
        return;
    auto user = User::PS_createEntity();
    row->setUser(user);
    user->setEmail(email);
    row->setTavrixToken(tavrixToken);
    user->setUserID(userID);
    row->setStatus(3);
    row->save();
}

QString CurrentUserInfo::uniqueProfileImagePrefixIDForCurrentUser() const {
    const auto me = user();
    return QStringLiteral("%1_%2_%3")
        .arg(PLAppConfigurations::currentConfiguration()->currentEnvironment(),
             me ? me->organisation() : QString())
        .arg(currentUserID());
}

bool CurrentUserInfo::isPhoneVerified() const {
    return phoneVerificationStatus() == QLatin1String("VERIFIED");
}

bool CurrentUserInfo::isHTTPS() const {
    return env().endsWith(QLatin1String("https"));
}

void CurrentUserInfo::updateWithChallengeDictionary(const QVariantMap& dictionary) {
    if (dictionary.isEmpty())
        return;
    auto current = challenge();
    if (!current) {
        current = Challenge::PS_createEntity(
            managedObjectContext() ? managedObjectContext()->shared_from_this() : ContextPtr());
        setChallenge(current);
    }
    if (current) {
        current->setSalt(stringForKey(dictionary, QStringLiteral("salt")));
        current->setToken(stringForKey(dictionary, QStringLiteral("token")));
        current->setExpiry(intForKey(dictionary, QStringLiteral("expiry")));
    }
    save();
}

void CurrentUserInfo::updateWithRegisterDictionary(const QVariantMap& dictionary) {
    if (dictionary.isEmpty())
        return;
    if (const auto me = user())
        me->setEmail(stringForKey(dictionary, QStringLiteral("email")));
    save();
}

void CurrentUserInfo::updateWithLoginDictionary(const QVariantMap& d) {
    if (d.isEmpty())
        return;
    const auto me = user();
    if (me) {
        me->setEmail(stringForKeyPath(d, QStringLiteral("user.email")));
        me->setUserID(intForKeyPath(d, QStringLiteral("user.id")));
        QString organisation = stringForKeyPath(d, QStringLiteral("user.org"));
        if (organisation.isEmpty())
            organisation = me->email().mid(me->email().lastIndexOf(QLatin1Char('@')) + 1);
        me->setOrganisation(organisation);
    }
    setType(stringForKeyPath(d, QStringLiteral("user.type")));
    setUserdescription(stringForKeyPath(d, QStringLiteral("user.profile.description")));
    setGender(stringForKeyPath(d, QStringLiteral("user.profile.gender")));
    if (me) {
        me->setImageUrl(stringForKeyPath(d, QStringLiteral("user.profile.image")));
        const QVariant big = SafeKVC::valueForKeyPath(d, QStringLiteral("user.profile.bigImgUrl"));
        me->setBigImageUrl(isValidTinyURL(big) ? big.toString() : me->imageUrl());
    }
    setLastLoginTime(int64ForKeyPath(d, QStringLiteral("user.profile.lastLoginTime")));
    const QVariantList phones =
        SafeKVC::valueForKeyPath(d, QStringLiteral("user.profile.phones"), ValueClass::Array).toList();
    if (!phones.isEmpty())
        applyPhone(*this, phones.first().toMap());
    if (me)
        me->setProfileName(stringForKeyPath(d, QStringLiteral("user.profile.profileName")));
    setUserLocation(stringForKeyPath(d, QStringLiteral("user.profile.userLocation")));
    setRegistrationTime(stringForKeyPath(d, QStringLiteral("user.profile.registrationTime")));
    setTokenExpiry(intForKeyPath(d, QStringLiteral("user.token.expiry")));
    save();
}

void CurrentUserInfo::updateCurrentPhoneDetailsFromDictionary(const QVariantMap& d) {
    QVariantList phones =
        SafeKVC::valueForKeyPath(d, QStringLiteral("user.profile.phones"), ValueClass::Array).toList();
    std::stable_sort(phones.begin(), phones.end(), [](const QVariant& a, const QVariant& b) {
        return doubleForKey(a.toMap(), QStringLiteral("updateDate")) >
               doubleForKey(b.toMap(), QStringLiteral("updateDate"));
    });
    const auto chosen = std::find_if(phones.cbegin(), phones.cend(), [](const QVariant& phone) {
        const QVariant status = phone.toMap().value(QStringLiteral("status"));
        return status == QStringLiteral("ACTIVE") || status == QStringLiteral("INACTIVE");
    });
    if (chosen != phones.cend()) {
        applyPhone(*this, chosen->toMap());
    } else {
        setCountryCode({});
        setPhoneVerificationStatus({});
        setPhoneNumber({});
        setPhoneStatus({});
    }
    save();
}

void CurrentUserInfo::handleDeletedFromOrg() {
    Q_ASSERT(platform::isMainThread());
    setStatus(4);
    save();
    if (auto info = PelnixInfo::sharedInstance())
        info->setSessionState(3);
    platform::NotificationCenter::defaultCenter()->post(
        QString::fromLatin1(PLUserDeletedFromOrgNotification));
}

void CurrentUserInfo::sendDeviceToken() {
    if (!deviceTokenSent())
        sendDeviceTokenWithCompletionHandler({});
}

void CurrentUserInfo::changeAppLockStatusToState(qint16 state) {
    if (showsAppLockScreen())
        return; // the server forces the lock
    setAppLockState(state);
    save();
}

QString CurrentUserInfo::localCoBrandingImagePath() {
    return StandardFolders::pathForPublicFile(StandardFolders::stringByAppendingDeviceScaleSuffix(
        QString::fromLatin1(StandardFolders::kCoBrandingImageFileName)));
}

QString CurrentUserInfo::localCoBrandingLogoImgePath() {
    return StandardFolders::pathForPublicFile(StandardFolders::stringByAppendingDeviceScaleSuffix(
        QString::fromLatin1(StandardFolders::kCoBrandingLogoImageFileName)));
}

QImage CurrentUserInfo::coBrandingImage() const {
    return imageAt(localCoBrandingImagePath());
}

QImage CurrentUserInfo::coBrandingLogoImage() const {
    return imageAt(localCoBrandingLogoImgePath());
}

void CurrentUserInfo::setCoBrandingNetworkAccessManager(QNetworkAccessManager* network) {
    Q_ASSERT(platform::isMainThread());
    g_coBrandingNetwork = network;
}

void CurrentUserInfo::downloadCoBrandingImageIfRequired() {
    if (!showCoBrandingSplashScreen())
        return;
    const QString base = splashImagesPath();
    const auto addressOf = [&base](const char* name) {
        QString joined = base;
        if (!joined.endsWith(QLatin1Char('/')))
            joined += QLatin1Char('/');
        return QUrl(joined + StandardFolders::stringByAppendingDeviceScaleSuffix(QStringLiteral("iOS/") +
                                                                                 QString::fromLatin1(name)));
    };
    // Asynchronous: the main thread never waits for the images.
    if (!g_coBrandingNetwork)
        g_coBrandingNetwork = new QNetworkAccessManager(QCoreApplication::instance());
    QNetworkAccessManager* manager = g_coBrandingNetwork;
    const QList<QPair<QUrl, QString>> downloads{
        {addressOf(StandardFolders::kCoBrandingImageFileName), localCoBrandingImagePath()},
        {addressOf(StandardFolders::kCoBrandingLogoImageFileName), localCoBrandingLogoImgePath()}};
    for (const auto& [url, path] : downloads) {
        if (!url.isValid() || url.scheme().isEmpty())
            continue;
        QNetworkReply* reply = manager->get(QNetworkRequest(url));
        QObject::connect(reply, &QNetworkReply::finished, reply, [reply, path = path] {
            reply->deleteLater();
            const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            const QByteArray data = reply->readAll();
            if (reply->error() != QNetworkReply::NoError || status >= 400 || data.isEmpty() ||
                platform::isCutShort(reply, data.size()))
                return; // the old file stays
            QDir().mkpath(QFileInfo(path).absolutePath());
            QSaveFile file(path);
            if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit())
                qCWarning(lcAccount) << "co-branding image not stored:" << file.errorString();
        });
    }
}

} // namespace pelnix
