#pragma once

#include "core/model/PLAddressBookContact.h"
#include "platform/AddressBookVCardReader.h"

#include <QHash>
#include <QImage>
#include <QList>
#include <QObject>
#include <QSet>
#include <QVariantMap>
#include <functional>
#include <optional>

class QThreadPool;

namespace pelnix {

inline constexpr char PLAddressBookUpdatedNotification[] = "PLAddressBookUpdated";

// The single gateway to the device address book (platform::AddressBook): permission, the contacts
// that have an e-mail or a phone, names, labelled details, thumbnails, the change notification
// "PLAddressBookUpdated", and the add-contact screen. Main thread.
class PLAddressBookHelper : public QObject {
    Q_OBJECT
public:
    enum class Property { Email, Phone };
    // Shows the add-contact screen for an unsaved person over the given view controller; the screen
    // layer installs it.
    using AddContactPresenter =
        std::function<void(const platform::AddressBookPerson& person, QObject* viewController)>;

    static PLAddressBookHelper* sharedInstance();

    // The answer comes on the main thread's next turn; asking also registers for changes.
    void hasAddressBookAccess(std::function<void(bool granted)> completion);
    bool hasAddressBookAccess() const;
    // Registers the change callback once.
    void registerToAddressBookChangeNotification();
    void cleanUp();
    bool isAlreadyRegistered() const { return m_isAlreadyRegistered; }

    // One entry (name and record ID) per person with at least one e-mail or phone.
    static QList<PLAddressBookContact> allAddressBookContacts();
    static bool contactHasEmailOrPhone(const platform::AddressBookPerson& person);
    // One entry per e-mail (and per phone with `withPhone`) of every person, leaving out the ones in
    // `added` ("email": exact addresses, "phone": digit strings a phone's digits end with). Marks
    // the address book as read into the contact list.
    static QList<PLAddressBookContact>
    addressBookContacts_ShouldFetchContactsWithPhone(bool withPhone, const QVariantMap& added);
    using ContactsRead = std::function<void(const QList<PLAddressBookContact>& contacts)>;
    using ThumbnailsRead = std::function<void(const QHash<qint32, QImage>& thumbnails)>;
    // The thumbnails of one read take no more bytes; people past them show no photo.
    static constexpr qint64 kThumbnailBudgetBytes = 64 * 1024 * 1024;
    // Thumbnails come in batches of this many (a screenful of rows), the last one smaller.
    static constexpr int kThumbnailBatch = 8;
    // What the reading thread makes of the book's contacts: a block that then runs on the main thread.
    using ContactsWork = std::function<std::function<void()>(const QList<PLAddressBookContact>& contacts)>;
    // Reads the address book off the main thread, one read at a time: `contactsWork` gets, on the
    // reading thread, what addressBookContacts_ShouldFetchContactsWithPhone gives, and the block it
    // returns runs on the main thread (where the book then counts as read into the contact list);
    // then `thumbnailsRead` gets each batch of the people's photos at thumbnail size, by record ID, in
    // the people's order. Nothing runs on the main thread once `receiver` is gone. Without access the
    // contacts are none.
    static void readAddressBook(bool withPhone, const QVariantMap& added, QObject* receiver,
                                ContactsWork contactsWork, ThumbnailsRead thumbnailsRead = {});
    // The photos of these people at thumbnail size, read off the main thread on the same reading
    // thread, in batches as readAddressBook gives them; nothing once `receiver` is gone.
    static void readThumbnailsOf(const QSet<qint32>& recordIDs, QObject* receiver,
                                 ThumbnailsRead thumbnailsRead);
    // What allAddressBookContacts gives, read off the main thread on the same reading thread: `contactsWork`
    // gets it there, and the block it returns runs on the main thread unless `receiver` is gone.
    static void readAllAddressBookContacts(QObject* receiver, ContactsWork contactsWork);
    // The same, with the contacts handed to the main thread as they are.
    static void readAddressBookContacts(bool withPhone, const QVariantMap& added, QObject* receiver,
                                        ContactsRead contactsRead, ThumbnailsRead thumbnailsRead = {});
    // Where those reads run: one thread.
    static QThreadPool* readingPool();
    static QString userNameForAddressBookUserWithID(qint32 recordID);
    static QString userNameForRecord(const platform::AddressBookPerson& person);
    static QStringList multiValuesInAddressBook(const platform::AddressBookPerson& person, Property type);
    // [{"label": ..., "email" or "phone": ...}], with "email", "email1", ... / "phone", "phone2", ...
    // for values without a label.
    static QVariantList
    multivaluesInAddressBookWithLabelsInAddressBook(const platform::AddressBookPerson& person, Property type);
    // {"email": [...], "phone": [...]}, each key only when it has values.
    static QVariantMap detailsOfContactWithRecordID(qint32 recordID);
    static QVariantMap detailsOfPerson(const platform::AddressBookPerson& person);
    // What the contact detail shows of one person.
    struct PersonShown {
        bool found = false;
        QVariantMap details; // as detailsOfPerson gives them
        QImage thumbnail;    // null without a photo
        QString name;        // as userNameForRecord gives it
    };
    // One person read off the main thread on the reading thread; the answer comes on the main thread
    // unless `receiver` is gone.
    static void readPerson(qint32 recordID, QObject* receiver,
                           std::function<void(const PersonShown& person)> personRead);
    // The person's photo at thumbnail size (PLAddressBookThumbnail), null without one.
    static QImage thumbImageForAddressBookUserWithID(qint32 recordID);

    // Builds the person of a shared contact ("name", "email" and "phone" arrays of labelled values)
    // and hands it to the installed presenter.
    static void showOptionToAddContact(const QVariantMap& contact, QObject* viewController);
    static void setAddContactPresenter(AddContactPresenter presenter);
    static platform::AddressBookPerson personFromSharedContact(const QVariantMap& contact);

private:
    PLAddressBookHelper();
    // What the reading thread makes of the book's people: a block that then runs on the main thread.
    using PeopleWork = std::function<std::function<void()>(const QList<platform::AddressBookPerson>& people)>;
    // A read of the book on the reading thread; `marksRead` counts it as read into the contact list.
    // Photos are read of everyone, or only of `photosOf` when it is given.
    static void startRead(PeopleWork peopleWork, bool marksRead, QObject* receiver,
                          ThumbnailsRead thumbnailsRead, const std::optional<QSet<qint32>>& photosOf = {});
    bool m_isAlreadyRegistered = false;
    QMetaObject::Connection m_changeConnection;
};

} // namespace pelnix
