#include "ui/conversation/PLAddContactViewController.h"

#include "foundation/PLCurrentBundleInfo.h"
#include "platform/AddressBook.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/ContactCardView.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/NavigationItem.h"
#include "ui/conversation/ConversationSmartLog.h"

namespace pelnix {

using platform::AddressBookPerson;
using platform::AddressBookValue;
using platform::ui::ContactCard;

namespace {

QList<ContactCard::Entry> entries(const QList<AddressBookValue>& values) {
    QList<ContactCard::Entry> out;
    for (const AddressBookValue& value : values)
        out << ContactCard::Entry{value.label, value.value};
    return out;
}

QList<AddressBookValue> values(const QList<ContactCard::Entry>& entries) {
    QList<AddressBookValue> out;
    for (const ContactCard::Entry& entry : entries)
        out << AddressBookValue{entry.label, entry.value};
    return out;
}

} // namespace

PLAddContactViewController::PLAddContactViewController(const AddressBookPerson& person, QObject* parent)
    : ViewController(parent), m_person(person) {
    setTitle(PLCurrentBundleInfo::localizedString(QStringLiteral("Contact")));
}

QWidget* PLAddContactViewController::loadView() {
    m_card = new platform::ui::ContactCardView;
    m_card->setObjectName(QStringLiteral("addContactCard"));
    ContactCard card;
    card.firstName = m_person.firstName;
    card.lastName = m_person.lastName;
    card.phones = entries(m_person.phones);
    card.emails = entries(m_person.emails);
    m_card->setContact(card);
    m_card->setAddButtonTitle(PLCurrentBundleInfo::localizedString(QStringLiteral("Create New Contact")));
    m_card->setSaveHandler([](const ContactCard& contact, platform::ui::ContactCardView::SaveDone done) {
        AddressBookPerson person;
        person.firstName = contact.firstName;
        person.lastName = contact.lastName;
        person.phones = values(contact.phones);
        person.emails = values(contact.emails);
        const auto saved = platform::AddressBook::sharedAddressBook()->addPerson(person);
        if (const auto* error = std::get_if<PLError>(&saved)) {
            qCWarning(lcConversationSmart) << "a shared contact was not saved:" << error->logText();
            done(*error);
            return;
        }
        done(std::nullopt);
    });
    connect(m_card, &platform::ui::ContactCardView::contactSaved, this, [this] {
        m_card->setAddButtonTitle(PLCurrentBundleInfo::localizedString(QStringLiteral("Contact Saved")));
    });
    return m_card;
}

void PLAddContactViewController::showOptionToAddContact(const AddressBookPerson& person,
                                                        QObject* viewController) {
    auto* over = qobject_cast<platform::ui::ViewController*>(viewController);
    if (!over)
        return;
    auto* card = new PLAddContactViewController(person);
    if (platform::ui::NavigationController* navigation = over->navigationController()) {
        navigation->pushViewController(card, true);
        return;
    }
    auto* navigation = new platform::ui::NavigationController(card);
    card->navigationItem()->setLeftBarButtonItem(
        new platform::ui::BarButtonItem(platform::ui::BarButtonItem::SystemItem::Done,
                                        [navigation] { navigation->dismissViewController(true); }));
    over->presentViewController(navigation, true);
}

} // namespace pelnix
