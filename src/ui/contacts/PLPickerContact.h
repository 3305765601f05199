#pragma once

#include "core/model/ChatRoom.h"
#include "core/model/PLAddressBookContact.h"
#include "interface/PLPelnixContact.h"

#include <QString>
#include <QVariant>
#include <memory>

namespace pelnix {

class User;

// One person the contact picker offers or has chosen: an active user of the service (the store's
// own object), an address-book entry or typed address, or a contact of the host. The picker reads
// its sources again (another fetch of the service's contacts, the address book read anew), so rows
// and the choice compare contacts by who they are, not by object: a user by account, an entry by
// its person in the book and the address or number it offers, a typed address by the address, a
// host contact by its address and number. Contacts of different kinds are never the same one.
class PLPickerContact {
public:
    enum class Kind { None, User, AddressBook, Host };

    PLPickerContact() = default;
    static PLPickerContact fromUser(const std::shared_ptr<User>& user);
    static PLPickerContact fromAddressBook(const PLAddressBookContact& contact);
    static PLPickerContact fromHost(const PLPelnixContact& contact);
    // A contact as the picker's callers carry it (a user, an address-book entry or a host contact);
    // null for anything else.
    static PLPickerContact fromVariant(const QVariant& value);

    Kind kind() const { return m_data ? m_data->kind : Kind::None; }
    bool isNull() const { return !m_data; }
    bool isUser() const { return kind() == Kind::User; }
    bool isAddressBookContact() const { return kind() == Kind::AddressBook; }

    // A user's fields are read from the store at each call; a user has no phone.
    QString profileName() const;
    QString email() const;
    QString phone() const;
    std::shared_ptr<User> user() const;
    // Meaningful for address-book entries only.
    qint32 recordID() const;

    // The contact as callers receive it: the user, the address-book entry or the host contact.
    QVariant toVariant() const;
    // Whether `value` describes this contact: the same user, or the same kind with equal fields.
    bool describes(const QVariant& value) const;
    // How the room operations invite this person: a user by account, an address-book entry as it
    // is, a host contact by its e-mail, else by its phone.
    PLRoomContact roomContact() const;

    bool isSameObject(const PLPickerContact& other) const { return m_data == other.m_data; }
    bool isSamePerson(const PLPickerContact& other) const;
    bool operator==(const PLPickerContact& other) const { return isSamePerson(other); }

private:
    struct Data {
        Kind kind = Kind::None;
        std::shared_ptr<User> user;
        PLAddressBookContact contact; // address-book entries and host contacts
    };
    explicit PLPickerContact(std::shared_ptr<const Data> data) : m_data(std::move(data)) {}

    std::shared_ptr<const Data> m_data;
};

} // namespace pelnix
