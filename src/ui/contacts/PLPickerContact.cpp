#include "ui/contacts/PLPickerContact.h"

#include "core/model/User.h"
#include "platform/BidiText.h"

namespace pelnix {

PLPickerContact PLPickerContact::fromUser(const std::shared_ptr<User>& user) {
    if (!user)
        return {};
    auto data = std::make_shared<Data>();
    data->kind = Kind::User;
    data->user = user;
    return PLPickerContact(std::move(data));
}

namespace {
// An address or a number as its row shows it and the room operations send it: one text, with no
// directional control that could make it read otherwise than it is.
QString address(const QString& value) {
    return value.isNull() ? value : platform::BidiText::withoutControls(value);
}
} // namespace

PLPickerContact PLPickerContact::fromAddressBook(const PLAddressBookContact& contact) {
    auto data = std::make_shared<Data>();
    data->kind = Kind::AddressBook;
    data->contact = PLAddressBookContact{contact.profileName, address(contact.email), address(contact.phone),
                                         contact.recordID};
    return PLPickerContact(std::move(data));
}

PLPickerContact PLPickerContact::fromHost(const PLPelnixContact& contact) {
    auto data = std::make_shared<Data>();
    data->kind = Kind::Host;
    data->contact =
        PLAddressBookContact{contact.profileName, address(contact.email), address(contact.phone), 0};
    return PLPickerContact(std::move(data));
}

PLPickerContact PLPickerContact::fromVariant(const QVariant& value) {
    const QMetaType type = value.metaType();
    if (type == QMetaType::fromType<std::shared_ptr<User>>())
        return fromUser(value.value<std::shared_ptr<User>>());
    if (type == QMetaType::fromType<PLAddressBookContact>())
        return fromAddressBook(value.value<PLAddressBookContact>());
    if (type == QMetaType::fromType<PLPelnixContact>())
        return fromHost(value.value<PLPelnixContact>());
    return {};
}

QString PLPickerContact::profileName() const {
    if (!m_data)
        return {};
    return m_data->user ? m_data->user->profileName() : m_data->contact.profileName;
}

QString PLPickerContact::email() const {
    if (!m_data)
        return {};
    return m_data->user ? m_data->user->email() : m_data->contact.email;
}

QString PLPickerContact::phone() const {
    return m_data && !m_data->user ? m_data->contact.phone : QString();
}

std::shared_ptr<User> PLPickerContact::user() const {
    return m_data ? m_data->user : nullptr;
}

qint32 PLPickerContact::recordID() const {
    return kind() == Kind::AddressBook ? m_data->contact.recordID : 0;
}

QVariant PLPickerContact::toVariant() const {
    switch (kind()) {
    case Kind::User:
        return QVariant::fromValue(m_data->user);
    case Kind::AddressBook:
        return QVariant::fromValue(m_data->contact);
    case Kind::Host:
        return QVariant::fromValue(
            PLPelnixContact{m_data->contact.profileName, m_data->contact.email, m_data->contact.phone});
    case Kind::None:
        break;
    }
    return {};
}

bool PLPickerContact::describes(const QVariant& value) const {
    const PLPickerContact other = fromVariant(value);
    if (other.kind() != kind() || isNull())
        return false;
    if (isUser())
        return other.user() == user();
    const PLAddressBookContact& a = m_data->contact;
    const PLAddressBookContact& b = other.m_data->contact;
    return a.profileName == b.profileName && a.email == b.email && a.phone == b.phone &&
           a.recordID == b.recordID;
}

bool PLPickerContact::isSamePerson(const PLPickerContact& other) const {
    if (isSameObject(other))
        return true;
    if (isNull() || other.isNull() || kind() != other.kind())
        return false;
    if (isUser()) {
        const auto mine = user();
        const auto theirs = other.user();
        return mine && theirs &&
               (mine == theirs || (mine->userID() != 0 && mine->userID() == theirs->userID()));
    }
    const PLAddressBookContact& a = m_data->contact;
    const PLAddressBookContact& b = other.m_data->contact;
    // A person of the book offers one entry per address and per number; a typed address has no
    // person (0). The name may change between reads; what reaches the person does not.
    return a.recordID == b.recordID && a.email == b.email && a.phone == b.phone;
}

PLRoomContact PLPickerContact::roomContact() const {
    switch (kind()) {
    case Kind::User:
        return m_data->user;
    case Kind::AddressBook:
        return m_data->contact;
    case Kind::Host: {
        const PLAddressBookContact& host = m_data->contact;
        // The room operations send an entry's phone when it has one: keep only what is sent.
        if (!host.email.isEmpty())
            return PLAddressBookContact{host.profileName, host.email, QString(), 0};
        return PLAddressBookContact{host.profileName, QString(),
                                    host.phone.isNull() ? QString(QLatin1String("")) : host.phone, 0};
    }
    case Kind::None:
        break;
    }
    return QString();
}

} // namespace pelnix
