#pragma once

#include "core/model/PLAddressBookContact.h"
#include "platform/AddressBookVCardReader.h"

#include <QImage>
#include <QList>
#include <QObject>
#include <QVariantMap>
#include <functional>
#include <optional>

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
    static QString userNameForAddressBookUserWithID(qint32 recordID);
    static QString userNameForRecord(const platform::AddressBookPerson& person);
    static QStringList multiValuesInAddressBook(const platform::AddressBookPerson& person, Property type);
    // [{"label": ..., "email" or "phone": ...}], with "email", "email1", ... / "phone", "phone2", ...
    // for values without a label.
    static QVariantList
    multivaluesInAddressBookWithLabelsInAddressBook(const platform::AddressBookPerson& person, Property type);
    // {"email": [...], "phone": [...]}, each key only when it has values.
    static QVariantMap detailsOfContactWithRecordID(qint32 recordID);
    static QImage thumbImageForAddressBookUserWithID(qint32 recordID);

    // Builds the person of a shared contact ("name", "email" and "phone" arrays of labelled values)
    // and hands it to the installed presenter.
    static void showOptionToAddContact(const QVariantMap& contact, QObject* viewController);
    static void setAddContactPresenter(AddContactPresenter presenter);
    static platform::AddressBookPerson personFromSharedContact(const QVariantMap& contact);

private:
    PLAddressBookHelper();
    bool m_isAlreadyRegistered = false;
    QMetaObject::Connection m_changeConnection;
};

} // namespace pelnix
