// The contact picker's sources: which the host's options choose, what is left out, the service's
// users, the host's contacts, the address book, and the letter sections they are arranged in.
#include "ui/contacts/PLContactsViewController.h"

#include "core/model/CurrentUserInfo.h"
#include "core/model/PLAddressBookHelper.h"
#include "core/model/RoomMember.h"
#include "core/model/User.h"
#include "interface/PLCustomContactProvider.h"
#include "interface/Pelnix.h"
#include "platform/MainThread.h"
#include "platform/ui/IndexedCollation.h"
#include "platform/ui/Scheduler.h"
#include "ui/contacts/ContactsUi.h"
#include "ui/contacts/PLAddressBookSections.h"

namespace pelnix {

namespace {
const QString kEmail = QStringLiteral("email");
const QString kPhone = QStringLiteral("phone");

QString digitsOf(const QString& text) {
    QString digits;
    for (const QChar c : text)
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            digits += c;
    return digits;
}

// An empty entry would match every address (and, as a suffix, every phone number): lists carry only
// real values.
void addTo(QStringList& list, const QString& value) {
    if (!value.isEmpty())
        list << value;
}

QString ownEmail() {
    const auto account = CurrentUserInfo::currentUserInfo();
    const auto me = account ? account->user() : nullptr;
    return me ? me->email() : QString();
}

QStringList stringsOf(const QVariant& value) {
    return value.toStringList();
}

// The lists as the address book helper reads them: lists of variants.
QVariantList variantsOf(const QStringList& strings) {
    QVariantList list;
    for (const QString& string : strings)
        list << string;
    return list;
}
} // namespace

void PLContactsViewController::loadContactsBasedOnShowContactOptions() {
    const quint64 options = Pelnix::showContactOptions();
    switch (options) {
    case AddressBookSource:
    case HostSource:
    case AddressBookSource | HostSource:
        loadCustomAndLocalContactsBasedOnShowContactOptions();
        break;
    case ActiveUsersSource:
    case ActiveUsersSource | AddressBookSource:
    case ActiveUsersSource | HostSource:
    case ActiveUsersSource | AddressBookSource | HostSource:
        loadContacts();
        break;
    default:
        // 0 offers nothing; values from 8 on name sources this picker does not know.
        qCDebug(lcContactPicker) << "no contact source for the options" << options;
        break;
    }
}

void PLContactsViewController::loadCustomAndLocalContactsBasedOnShowContactOptions() {
    const quint64 options = Pelnix::showContactOptions();
    m_addedUsersEmailsAndPhones = addedUserEmailsAndPhones();
    if (options & HostSource)
        loadCustomContacts();
    if (options & AddressBookSource)
        loadAddressBookContacts();
    else
        arrangeContactsIntoSections();
}

void PLContactsViewController::loadContacts() {
    QPointer<PLContactsViewController> self(this);
    // The fetch posts "ContactsFetchedNotification" only when it succeeds; its outcome ends the wait
    // also when it fails, so that the busy indicator never stays up.
    const bool fetching = User::refreshContactsList([self](bool fetched) {
        if (!self || fetched || !self->m_waitingForContacts)
            return;
        qCInfo(lcContactPicker) << "the service's contact list did not arrive; listing the stored users";
        self->contactsFetchedNotification();
    });
    if (!fetching) {
        refreshActivePelnixContacts();
        return;
    }
    setBusy(m_waitingForContacts, true);
    if (m_contactsObserver == 0)
        m_contactsObserver = platform::NotificationCenter::defaultCenter()->addObserver(
            QString::fromLatin1(PLContactsFetchedNotification),
            [this](const platform::Notification&) { contactsFetchedNotification(); }, this);
}

void PLContactsViewController::contactsFetchedNotification() {
    // Only the indicator this picker put up is taken down; a later fetch just refreshes the list.
    setBusy(m_waitingForContacts, false);
    refreshActivePelnixContacts();
}

void PLContactsViewController::refreshActivePelnixContacts() {
    m_addedUsersEmailsAndPhones = addedUserEmailsAndPhones();
    m_pelnixContacts.clear();
    for (const auto& user : User::allActiveUsers(stringsOf(m_addedUsersEmailsAndPhones.value(kEmail))))
        m_pelnixContacts << PLPickerContact::fromUser(user);
    const quint64 options = Pelnix::showContactOptions();
    if (options & HostSource)
        loadCustomContacts();
    if (options & AddressBookSource)
        syncWithAddressBookContacts();
    else
        arrangeContactsIntoSections();
    reloadTable();
}

QVariantMap PLContactsViewController::addedUserEmailsAndPhones() const {
    QStringList emails;
    QStringList phones;
    for (const QVariant& element : m_addedContactsArray) {
        const QMetaType type = element.metaType();
        if (type == QMetaType::fromType<std::shared_ptr<RoomMember>>()) {
            const auto member = element.value<std::shared_ptr<RoomMember>>();
            if (const auto user = member ? member->user() : nullptr)
                addTo(emails, user->email());
        } else if (type == QMetaType::fromType<QVariantMap>() ||
                   type == QMetaType::fromType<QVariantHash>()) {
            // A pending invitee: {"name": address or number, "type": "email" or "phone"}.
            const QVariantMap invitee = element.toMap();
            if (!invitee.contains(QStringLiteral("name")))
                continue;
            const QString name = invitee.value(QStringLiteral("name")).toString();
            if (invitee.value(QStringLiteral("type")).toString() == kPhone)
                addTo(phones, digitsOf(name));
            else
                addTo(emails, name);
        } else if (type == QMetaType::fromType<std::shared_ptr<User>>()) {
            if (const auto user = element.value<std::shared_ptr<User>>())
                addTo(emails, user->email());
        } else if (type == QMetaType::fromType<PLAddressBookContact>()) {
            const auto entry = element.value<PLAddressBookContact>();
            if (!entry.email.isNull())
                addTo(emails, entry.email);
            else
                addTo(phones, digitsOf(entry.phone));
        } else if (type == QMetaType::fromType<PLPelnixContact>()) {
            const auto host = element.value<PLPelnixContact>();
            if (!host.email.isEmpty())
                emails << host.email;
            else
                addTo(phones, digitsOf(host.phone));
        }
    }
    addTo(emails, ownEmail());
    return {{kEmail, variantsOf(emails)}, {kPhone, variantsOf(phones)}};
}

void PLContactsViewController::loadCustomContacts() {
    PLCustomContactProvider* provider =
        PLCustomContactProvider::of(Pelnix::customAddressBookContactProvider());
    if (!provider)
        return;
    const auto offered = provider->customAddressBookContacts();
    if (!offered)
        return;
    QList<PLPickerContact> accepted;
    for (const PLPelnixContact& item : *offered) {
        const bool hasEmail = !item.email.isEmpty();
        const bool hasPhone = !item.phone.isEmpty();
        if (hasEmail && hasPhone) {
            // One row per way of reaching the person.
            const PLPelnixContact byEmail{item.profileName, item.email, QString()};
            const PLPelnixContact byPhone{item.profileName, QString(), item.phone};
            if (checkIfCustomContactShouldBeAdded(byEmail, EmailExclusion))
                accepted << PLPickerContact::fromHost(byEmail);
            if (checkIfCustomContactShouldBeAdded(byPhone, PhoneExclusion))
                accepted << PLPickerContact::fromHost(byPhone);
        } else if (hasEmail) {
            if (checkIfCustomContactShouldBeAdded(item, EmailExclusion))
                accepted << PLPickerContact::fromHost(item);
        } else if (hasPhone) {
            if (checkIfCustomContactShouldBeAdded(item, PhoneExclusion))
                accepted << PLPickerContact::fromHost(item);
        }
    }
    m_customAddressBookContactsArray = accepted;
}

bool PLContactsViewController::checkIfCustomContactShouldBeAdded(const PLPelnixContact& contact,
                                                                 int type) const {
    const QString key = type == EmailExclusion ? kEmail : kPhone;
    if (!m_addedUsersEmailsAndPhones.contains(key))
        return true;
    const QStringList listed = stringsOf(m_addedUsersEmailsAndPhones.value(key));
    if (type == EmailExclusion)
        return !listed.contains(contact.email.trimmed());
    // A listed number without its country code also leaves out the same number written with one.
    const QString digits = digitsOf(contact.phone);
    return std::none_of(listed.cbegin(), listed.cend(), [&digits](const QString& number) {
        return !number.isEmpty() && digits.endsWith(number);
    });
}

void PLContactsViewController::loadAddressBookContacts() {
    syncWithAddressBookContacts();
    reloadTable();
}

void PLContactsViewController::syncWithAddressBookContacts() {
    // The other sources show while the book is read.
    arrangeContactsIntoSections();
    QPointer<PLContactsViewController> self(this);
    PLAddressBookHelper::sharedInstance()->hasAddressBookAccess([self](bool granted) {
        if (!self)
            return;
        if (granted)
            self->setBusy(self->m_readingAddressBook, true);
        // The address book is read on a later turn, once the busy indicator is up.
        platform::ui::Scheduler::shared()->performAfter(self, kAddressBookReadDelayMs, [self, granted] {
            if (self)
                self->readAddressBook(granted);
        });
    });
}

void PLContactsViewController::readAddressBook(bool granted) {
    if (!granted) {
        showAlert(ContactsUi::localized("Access Denied"),
                  ContactsUi::localized("Couldn't sync Address Book. ") + QLatin1Char('\n') +
                      ContactsUi::localized("This app does not have access to your contacts. You can enable "
                                            "access in Privacy Settings."));
        setBusy(m_readingAddressBook, false);
        arrangeContactsIntoSections();
        reloadTable();
        return;
    }
    QStringList own;
    addTo(own, ownEmail());
    const QVariantMap excluded =
        m_isPresentedToAddMoreContacts ? m_addedUsersEmailsAndPhones : QVariantMap{{kEmail, variantsOf(own)}};
    // Off the main thread: a book of a hundred thousand people, or of photos of many megapixels,
    // would hold the screen still. Only the latest read counts.
    const quint64 read = ++m_addressBookReads;
    const qreal viewWidth = view()->width();
    PLAddressBookHelper::readAddressBook(
        true, excluded, this,
        [this, read, viewWidth](const QList<PLAddressBookContact>& entries) -> std::function<void()> {
            // On the reading thread: sorted into sections and measured there too.
            const PLAddressBookSections prepared = PLAddressBookSections::prepare(
                entries, rowTextWidth(viewWidth, entries.size() > kIndexThreshold));
            return [this, read, prepared] {
                if (read != m_addressBookReads)
                    return;
                m_thumbnails.clear();
                m_bookSections = prepared;
                m_addressBookContacts = prepared.contacts;
                setBusy(m_readingAddressBook, false);
                arrangeContactsIntoSections();
                reloadTable();
            };
        },
        [this, read](const QHash<qint32, QImage>& thumbnails) {
            if (read != m_addressBookReads)
                return;
            m_thumbnails.insert(thumbnails);
            reloadTable();
        });
}

QImage PLContactsViewController::addressBookThumbnail(qint32 recordID) const {
    return m_thumbnails.value(recordID);
}

void PLContactsViewController::arrangeContactsIntoSections() {
    const platform::ui::IndexedCollation collation;
    const QStringList titles = collation.sectionTitles();
    const auto name = [](const PLPickerContact& contact) { return contact.profileName(); };
    // The book's part comes sorted with the book; the host's contacts and then the users join it.
    QList<QList<PLPickerContact>> book = m_bookSections.sections;
    book.resize(titles.size());
    QList<QList<PLPickerContact>> others(titles.size());
    for (const PLPickerContact& host : m_customAddressBookContactsArray)
        others[collation.sectionForString(host.profileName())] << host;
    // A person known from the address book or the host under the same name and address shows once.
    for (const PLPickerContact& user : m_pelnixContacts) {
        const auto stored = user.user();
        const int section = collation.sectionForString(stored ? stored->groupLetter() : QString());
        const auto same = [&user](const PLPickerContact& other) {
            return other.profileName() == user.profileName() && other.email() == user.email();
        };
        if (std::none_of(book[section].cbegin(), book[section].cend(), same) &&
            std::none_of(others[section].cbegin(), others[section].cend(), same))
            others[section] << user;
    }
    m_sections.clear();
    m_sectionTitles.clear();
    for (int i = 0; i < titles.size(); ++i) {
        if (book[i].isEmpty() && others[i].isEmpty())
            continue;
        m_sections << collation.mergedItems<PLPickerContact>(
            book[i], collation.sortedItems<PLPickerContact>(others[i], name), name);
        m_sectionTitles << titles.at(i);
    }
}

} // namespace pelnix
