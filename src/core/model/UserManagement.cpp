#include "core/model/ChatRoom.h"
#include "core/model/CurrentUserInfo.h"
#include "core/model/OwnedService.h"
#include "core/model/PLModelManager.h"
#include "core/model/RecentObjects.h"
#include "core/model/RoomMember.h"
#include "core/model/User.h"

#include "core/api/RoomAPIServices.h"
#include "foundation/SafeReaders.h"
#include "foundation/StringAdditions.h"
#include "foundation/persistence/PSSaves.h"
#include "platform/MainThread.h"
#include "platform/NotificationCenter.h"

#include <QJsonDocument>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcContacts, "pelnix.contacts", QtWarningMsg)

namespace pelnix {

using namespace SafeKVC;
using K = platform::PredicateKey;

namespace {

// The contact fetch in flight and who waits for it. Main thread only.
bool g_refreshing = false;
using Waiters = QList<std::function<void(bool)>>;
Q_GLOBAL_STATIC(Waiters, g_waiters)

void saveContext(const ContextPtr& context) {
    if (const auto target = PLEntityQueries::resolve(context))
        PSSaves::PS_saveToPersistentStoreAndWait(target);
}

void finishRefresh(const QList<std::function<void(bool)>>& waiters, bool fetched) {
    for (const auto& waiter : waiters)
        if (waiter)
            waiter(fetched);
}

// A membership ends on this device only: the room forgets the member and counts one less.
void removeMembership(const std::shared_ptr<RoomMember>& membership) {
    if (const auto room = membership->room()) {
        room->removeMembersObject(membership);
        room->changeTotalMembers(-1);
    }
    membership->PS_deleteEntity();
}

} // namespace

User::Ptr User::userWithID(const QVariant& id, const ContextPtr& context) {
    const qint32 value = id.typeId() == QMetaType::QString ? id.toString().toInt() : id.toInt();
    return userWithIntID(value == 0 ? -1 : value, context);
}

User::Ptr User::userWithIntID(qint32 userID, const ContextPtr& context) {
    if (context)
        return PS_findFirstWithPredicate(K(QStringLiteral("userID")) == userID, context);
    thread_local RecentObjects<User, qint32> recent;
    return recent.find(
        userID, [](const User& user) { return user.userID(); },
        [userID] { return PS_findFirstWithPredicate(K(QStringLiteral("userID")) == userID); });
}

User::List User::allActiveUsers(const QStringList& excludedEmails, const ContextPtr& context) {
    platform::Predicate p = K(QStringLiteral("state")) == 1 && K(QStringLiteral("userID")) >= 0;
    if (!excludedEmails.isEmpty()) {
        QVariantList emails;
        for (const QString& email : excludedEmails)
            emails << email;
        p = p && !K(QStringLiteral("email")).in(emails);
    }
    return PS_findAllSortedBy(QStringLiteral("profileName"), true, p, context);
}

void User::updateWithDictionary(const QVariantMap& d) {
    QString name = stringForKey(d, QStringLiteral("name"));
    if (name.isEmpty())
        name = stringForKey(d, QStringLiteral("username"));
    if (!name.isEmpty())
        setProfileName(name);
    QString email = stringForKey(d, QStringLiteral("email"));
    if (email.isEmpty())
        email = stringForKey(d, QStringLiteral("useremail"));
    if (!email.isEmpty())
        setEmail(email);
    for (const char* key : {"userId", "id", "userid"}) {
        if (const int id = intForKey(d, QString::fromLatin1(key)); id != 0) {
            setUserID(id);
            break;
        }
    }
    if (const QString image = stringForKey(d, QStringLiteral("imageUrl")); !image.isEmpty())
        setImageUrl(StringAdditions::URLDecodedString(image));
    QString letter = StringAdditions::stringGroupByFirstInitial(profileName());
    if (letter.isEmpty())
        letter = StringAdditions::stringGroupByFirstInitial(this->email());
    setGroupLetter(letter.isEmpty() ? QStringLiteral("#") : letter);
}

void User::updateWithContactDict(const QVariantMap& dictionary) {
    updateWithDictionary(dictionary);
    if (!profileName().isEmpty())
        setState(1);
}

void User::updateContacts(const QVariantList& contacts, const ContextPtr& context) {
    for (const QVariant& entry : contacts) {
        const QVariantMap contact = entry.toMap();
        const qint32 id = intForKey(contact, QStringLiteral("id"));
        if (id == 0)
            continue;
        auto user = userWithIntID(id, context);
        if (!user)
            user = PS_createEntity(context);
        if (user)
            user->updateWithContactDict(contact);
    }
    saveContext(context);
}

void User::deleteContact(qint32 userID, const ContextPtr& context) {
    const auto user = userWithIntID(userID, context);
    if (!user)
        return;
    for (const auto& membership : user->rooms())
        removeMembership(membership);
    user->setState(2);
    saveContext(context);
}

bool User::applyContactEvent(const QVariantMap& event) {
    const QString type = stringForKey(event, QStringLiteral("type"));
    if (type == QLatin1String("echatcontact")) {
        updateContacts({event.value(QStringLiteral("message"))});
        return true;
    }
    if (type != QLatin1String("userremoved"))
        return false;
    const qint32 removed = intForKeyPath(event, QStringLiteral("message.userId"));
    if (removed != 0 && removed == CurrentUserInfo::currentUserID()) {
        platform::runOnMain([] {
            if (const auto row = CurrentUserInfo::currentUserInfo())
                row->handleDeletedFromOrg();
        });
    } else {
        deleteContact(removed);
    }
    return true;
}

bool User::refreshingInProgress() {
    return g_refreshing;
}

bool User::refreshContactsList(std::function<void(bool fetched)> finished) {
    Q_ASSERT(platform::isMainThread());
    const auto account = CurrentUserInfo::currentUserInfo();
    if (!account)
        return false;
    if (account->usersListUpdateTime() != 0)
        return g_refreshing;
    if (g_refreshing) {
        *g_waiters << std::move(finished);
        return true;
    }
    auto* service = new PLContactsAPIService;
    service->setOrgName(account->user() ? account->user()->organisation() : QString());
    service->setAfterTime(account->usersListUpdateTime());
    g_refreshing = OwnedService::start(service, [](const QByteArray& data, const PLOptionalError& error) {
        const QJsonDocument document = QJsonDocument::fromJson(data);
        const bool haveList = !error && document.isArray();
        const QVariantList list = haveList ? document.array().toVariantList() : QVariantList();
        const auto waiters = std::exchange(*g_waiters, {});
        g_refreshing = false;
        if (!haveList) {
            qCInfo(lcContacts) << "the contact list did not arrive";
            return finishRefresh(waiters, false);
        }
        PLModelManager::sharedModelManager()->addToDataProcessingQueue([list, waiters] {
            updateContacts(list);
            platform::runOnMain([waiters] {
                if (const auto row = CurrentUserInfo::currentUserInfo()) {
                    row->setUsersListUpdateTime(row->privateEventTime());
                    row->save();
                }
                platform::NotificationCenter::defaultCenter()->post(
                    QString::fromLatin1(PLContactsFetchedNotification));
                finishRefresh(waiters, true);
            });
        });
    });
    if (g_refreshing)
        *g_waiters << std::move(finished);
    return g_refreshing;
}

} // namespace pelnix
