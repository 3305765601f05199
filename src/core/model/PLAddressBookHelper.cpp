#include "core/model/PLAddressBookHelper.h"

#include "core/model/PLAddressBookThumbnail.h"
#include "core/model/PLModelManager.h"
#include "platform/AddressBook.h"
#include "platform/BidiText.h"
#include "platform/MainThread.h"
#include "platform/NotificationCenter.h"

#include <QCoreApplication>
#include <QPointer>
#include <QSet>
#include <QThreadPool>

#include <atomic>
#include <memory>
#include <utility>

namespace pelnix {

using platform::AddressBook;
using platform::AddressBookPerson;

namespace {

Q_GLOBAL_STATIC(PLAddressBookHelper::AddContactPresenter, g_presenter)

// One reading thread: reads come in order, and no two decode their photos at once. The thread ends
// with the application object: left to the process's globals, it would end after the thread storage
// it used (Qt's collator, for the book's order) had gone, and Qt warns of that at every exit.
struct ReadingPool : QThreadPool {
    ReadingPool() {
        setMaxThreadCount(1);
        qAddPostRoutine(&ReadingPool::endReads);
    }
    static void endReads();
};
Q_GLOBAL_STATIC(ReadingPool, g_readingPool)

void ReadingPool::endReads() {
    if (g_readingPool.exists())
        g_readingPool->waitForDone();
}

QString digitsOf(const QString& text) {
    QString digits;
    for (const QChar c : text)
        if (c.isDigit() && c.unicode() < 128)
            digits += c;
    return digits;
}

QString trimmedSpacesAndTabs(const QString& text) {
    qsizetype start = 0, end = text.size();
    const auto blank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    while (start < end && blank(text.at(start)))
        ++start;
    while (end > start && blank(text.at(end - 1)))
        --end;
    return text.mid(start, end - start);
}

QStringList stringsOf(const QVariant& value) {
    QStringList out;
    for (const QVariant& v : value.toList())
        out << v.toString();
    return out;
}

// One entry per e-mail (and phone) of each person, leaving out the added ones.
QList<PLAddressBookContact> contactsOf(const QList<AddressBookPerson>& people, bool withPhone,
                                       const QVariantMap& added) {
    const bool filterEmails = added.contains(QStringLiteral("email"));
    const bool filterPhones = added.contains(QStringLiteral("phone"));
    const QStringList addedEmails = stringsOf(added.value(QStringLiteral("email")));
    const QStringList addedPhones = stringsOf(added.value(QStringLiteral("phone")));
    QList<PLAddressBookContact> contacts;
    for (const AddressBookPerson& person : people) {
        const QString name = PLAddressBookHelper::userNameForRecord(person);
        for (const auto& email : person.emails) {
            const QString trimmed = trimmedSpacesAndTabs(email.value);
            if (filterEmails && addedEmails.contains(trimmed))
                continue;
            contacts << PLAddressBookContact{name, trimmed, {}, person.recordID};
        }
        if (!withPhone)
            continue;
        for (const auto& phone : person.phones) {
            if (filterPhones) {
                const QString digits = digitsOf(phone.value);
                // Added numbers are compared as given: one with separators never matches, and an
                // empty one (every number ends with it) matches nothing.
                const bool chosen =
                    std::any_of(addedPhones.cbegin(), addedPhones.cend(),
                                [&digits](const QString& a) { return !a.isEmpty() && digits.endsWith(a); });
                if (chosen)
                    continue;
            }
            contacts << PLAddressBookContact{name, {}, phone.value, person.recordID};
        }
    }
    return contacts;
}

void markBookRead() {
    if (PLModelManager::hasSharedInstance())
        PLModelManager::sharedModelManager()->setLocalAddressBookSynched(true);
}

// The people's photos at thumbnail size, within the budget, handed on a screenful at a time: the
// first rows show theirs without waiting for the whole book's.
void readThumbnails(const QList<AddressBookPerson>& people, const std::atomic<bool>& unwanted,
                    const std::function<void(const QHash<qint32, QImage>&)>& deliver) {
    QHash<qint32, QImage> batch;
    QSet<qint32> read;
    qint64 used = 0;
    for (const AddressBookPerson& person : people) {
        if (unwanted.load(std::memory_order_relaxed))
            return;
        if (person.thumbnail.isEmpty() || read.contains(person.recordID))
            continue;
        if (used >= PLAddressBookHelper::kThumbnailBudgetBytes)
            break;
        read.insert(person.recordID);
        const QImage thumbnail = PLAddressBookThumbnail::fromData(person.thumbnail);
        if (thumbnail.isNull())
            continue;
        used += thumbnail.sizeInBytes();
        batch.insert(person.recordID, thumbnail);
        if (batch.size() == PLAddressBookHelper::kThumbnailBatch)
            deliver(std::exchange(batch, {}));
    }
    if (!batch.isEmpty())
        deliver(batch);
}

// One entry (name and record ID) per person with at least one e-mail or phone.
QList<PLAddressBookContact> withEmailOrPhone(const QList<AddressBookPerson>& people) {
    QList<PLAddressBookContact> contacts;
    for (const AddressBookPerson& person : people)
        if (PLAddressBookHelper::contactHasEmailOrPhone(person))
            contacts << PLAddressBookContact{
                PLAddressBookHelper::userNameForRecord(person), {}, {}, person.recordID};
    return contacts;
}

} // namespace

PLAddressBookHelper::PLAddressBookHelper() : QObject(QCoreApplication::instance()) {}

PLAddressBookHelper* PLAddressBookHelper::sharedInstance() {
    Q_ASSERT(platform::isMainThread());
    static QPointer<PLAddressBookHelper> shared;
    if (!shared)
        shared = new PLAddressBookHelper;
    return shared;
}

void PLAddressBookHelper::hasAddressBookAccess(std::function<void(bool)> completion) {
    AddressBook::sharedAddressBook()->requestAccess([this, completion = std::move(completion)](bool granted) {
        registerToAddressBookChangeNotification();
        if (completion)
            completion(granted);
    });
}

bool PLAddressBookHelper::hasAddressBookAccess() const {
    return AddressBook::sharedAddressBook()->authorizationStatus() == AddressBook::Authorization::Authorized;
}

void PLAddressBookHelper::registerToAddressBookChangeNotification() {
    if (m_isAlreadyRegistered)
        return;
    m_isAlreadyRegistered = true;
    auto* book = AddressBook::sharedAddressBook();
    m_changeConnection = connect(book, &AddressBook::externalChange, this, [] {
        platform::NotificationCenter::defaultCenter()->post(
            QString::fromLatin1(PLAddressBookUpdatedNotification));
    });
    book->startWatching();
}

void PLAddressBookHelper::cleanUp() {
    disconnect(m_changeConnection);
    AddressBook::sharedAddressBook()->stopWatching();
    m_isAlreadyRegistered = false;
}

bool PLAddressBookHelper::contactHasEmailOrPhone(const AddressBookPerson& person) {
    return !person.emails.isEmpty() || !person.phones.isEmpty();
}

QList<PLAddressBookContact> PLAddressBookHelper::allAddressBookContacts() {
    return withEmailOrPhone(AddressBook::sharedAddressBook()->people());
}

QList<PLAddressBookContact>
PLAddressBookHelper::addressBookContacts_ShouldFetchContactsWithPhone(bool withPhone,
                                                                      const QVariantMap& added) {
    const auto contacts = contactsOf(AddressBook::sharedAddressBook()->people(), withPhone, added);
    markBookRead();
    return contacts;
}

QThreadPool* PLAddressBookHelper::readingPool() {
    return g_readingPool();
}

void PLAddressBookHelper::readAddressBook(bool withPhone, const QVariantMap& added, QObject* receiver,
                                          ContactsWork contactsWork, ThumbnailsRead thumbnailsRead) {
    startRead(
        [withPhone, added, contactsWork](const QList<AddressBookPerson>& people) -> std::function<void()> {
            return contactsWork ? contactsWork(contactsOf(people, withPhone, added))
                                : std::function<void()>();
        },
        true, receiver, std::move(thumbnailsRead));
}

void PLAddressBookHelper::readThumbnailsOf(const QSet<qint32>& recordIDs, QObject* receiver,
                                           ThumbnailsRead thumbnailsRead) {
    startRead({}, false, receiver, std::move(thumbnailsRead), recordIDs);
}

void PLAddressBookHelper::readAllAddressBookContacts(QObject* receiver, ContactsWork contactsWork) {
    startRead(
        [contactsWork](const QList<AddressBookPerson>& people) -> std::function<void()> {
            return contactsWork ? contactsWork(withEmailOrPhone(people)) : std::function<void()>();
        },
        false, receiver, {});
}

void PLAddressBookHelper::readPerson(qint32 recordID, QObject* receiver,
                                     std::function<void(const PersonShown& person)> personRead) {
    startRead(
        [recordID, personRead](const QList<AddressBookPerson>& people) -> std::function<void()> {
            PersonShown shown;
            for (const AddressBookPerson& person : people) {
                if (person.recordID != recordID)
                    continue;
                shown.found = true;
                shown.details = detailsOfPerson(person);
                shown.thumbnail = PLAddressBookThumbnail::fromData(person.thumbnail);
                shown.name = userNameForRecord(person);
                break;
            }
            if (!shown.found)
                shown.name = userNameForRecord({});
            return [personRead, shown] {
                if (personRead)
                    personRead(shown);
            };
        },
        false, receiver, {});
}

void PLAddressBookHelper::startRead(PeopleWork peopleWork, bool marksRead, QObject* receiver,
                                    ThumbnailsRead thumbnailsRead,
                                    const std::optional<QSet<qint32>>& photosOf) {
    Q_ASSERT(platform::isMainThread());
    AddressBook* book = AddressBook::sharedAddressBook();
    const bool granted = book->authorizationStatus() == AddressBook::Authorization::Authorized;
    const QString folder = book->folder();
    const QPointer<QObject> guard(receiver);
    // Photos nobody will see are not decoded.
    const auto unwanted = std::make_shared<std::atomic<bool>>(false);
    if (receiver)
        QObject::connect(receiver, &QObject::destroyed, [unwanted] { unwanted->store(true); });
    readingPool()->start([=] {
        QList<AddressBookPerson> people =
            granted ? AddressBook::readFolder(folder) : QList<AddressBookPerson>();
        const std::function<void()> then = peopleWork ? peopleWork(people) : std::function<void()>();
        if (marksRead || then)
            platform::runOnMain([guard, then, marksRead] {
                if (marksRead)
                    markBookRead();
                if (guard && then)
                    then();
            });
        if (!thumbnailsRead)
            return;
        if (photosOf)
            people.removeIf([&photosOf](const AddressBookPerson& person) {
                return !photosOf->contains(person.recordID);
            });
        readThumbnails(people, *unwanted, [&guard, &thumbnailsRead](const QHash<qint32, QImage>& thumbnails) {
            platform::runOnMain([guard, thumbnails, thumbnailsRead] {
                if (guard)
                    thumbnailsRead(thumbnails);
            });
        });
    });
}

void PLAddressBookHelper::readAddressBookContacts(bool withPhone, const QVariantMap& added, QObject* receiver,
                                                  ContactsRead contactsRead, ThumbnailsRead thumbnailsRead) {
    readAddressBook(
        withPhone, added, receiver,
        [contactsRead](const QList<PLAddressBookContact>& contacts) -> std::function<void()> {
            return [contactsRead, contacts] {
                if (contactsRead)
                    contactsRead(contacts);
            };
        },
        std::move(thumbnailsRead));
}

QString PLAddressBookHelper::userNameForAddressBookUserWithID(qint32 recordID) {
    const auto person = AddressBook::sharedAddressBook()->person(recordID);
    return userNameForRecord(person ? *person : AddressBookPerson{});
}

QString PLAddressBookHelper::userNameForRecord(const AddressBookPerson& person) {
    const bool hasFirst = !person.firstName.isEmpty();
    const bool hasLast = !person.lastName.isEmpty();
    if (hasFirst && hasLast)
        return person.firstName + QLatin1Char(' ') + person.lastName;
    if (hasFirst)
        return person.firstName;
    if (hasLast)
        return person.lastName;
    return QStringLiteral("No Name");
}

QStringList PLAddressBookHelper::multiValuesInAddressBook(const AddressBookPerson& person, Property type) {
    QStringList values;
    for (const auto& v : type == Property::Email ? person.emails : person.phones)
        values << v.value;
    return values;
}

QVariantList
PLAddressBookHelper::multivaluesInAddressBookWithLabelsInAddressBook(const AddressBookPerson& person,
                                                                     Property type) {
    const bool email = type == Property::Email;
    const QString key = email ? QStringLiteral("email") : QStringLiteral("phone");
    const auto& values = email ? person.emails : person.phones;
    QVariantList labelled;
    for (qsizetype i = 0; i < values.size(); ++i) {
        QString label = values.at(i).label;
        if (label.isEmpty()) {
            // The second e-mail is "email1", the second phone "phone2".
            label = i == 0 ? key : key + QString::number(email ? i : i + 1);
        }
        labelled << QVariantMap{{QStringLiteral("label"), label}, {key, values.at(i).value}};
    }
    return labelled;
}

QVariantMap PLAddressBookHelper::detailsOfContactWithRecordID(qint32 recordID) {
    const auto person = AddressBook::sharedAddressBook()->person(recordID);
    return person ? detailsOfPerson(*person) : QVariantMap();
}

QVariantMap PLAddressBookHelper::detailsOfPerson(const AddressBookPerson& person) {
    QVariantMap details;
    const QVariantList emails = multivaluesInAddressBookWithLabelsInAddressBook(person, Property::Email);
    const QVariantList phones = multivaluesInAddressBookWithLabelsInAddressBook(person, Property::Phone);
    if (!emails.isEmpty())
        details.insert(QStringLiteral("email"), emails);
    if (!phones.isEmpty())
        details.insert(QStringLiteral("phone"), phones);
    return details;
}

QImage PLAddressBookHelper::thumbImageForAddressBookUserWithID(qint32 recordID) {
    const auto person = AddressBook::sharedAddressBook()->person(recordID);
    return person ? PLAddressBookThumbnail::fromData(person->thumbnail) : QImage();
}

AddressBookPerson PLAddressBookHelper::personFromSharedContact(const QVariantMap& contact) {
    AddressBookPerson person;
    person.firstName = contact.value(QStringLiteral("name")).toString();
    const auto valuesOf = [&contact](const QString& key) {
        QList<platform::AddressBookValue> values;
        const QVariant list = contact.value(key);
        if (list.typeId() != QMetaType::QVariantList)
            return values;
        for (const QVariant& entry : list.toList()) {
            const QVariantMap item = entry.toMap();
            // The value as the add-contact screen shows it and the address book keeps it.
            values << platform::AddressBookValue{
                item.value(QStringLiteral("label")).toString(),
                platform::BidiText::withoutControls(item.value(key).toString())};
        }
        return values;
    };
    person.phones = valuesOf(QStringLiteral("phone"));
    person.emails = valuesOf(QStringLiteral("email"));
    return person;
}

void PLAddressBookHelper::showOptionToAddContact(const QVariantMap& contact, QObject* viewController) {
    if (*g_presenter)
        (*g_presenter)(personFromSharedContact(contact), viewController);
}

void PLAddressBookHelper::setAddContactPresenter(AddContactPresenter p) {
    *g_presenter = std::move(p);
}

} // namespace pelnix
