#pragma once

#include "platform/AddressBookVCardReader.h"
#include "platform/ui/ContactCardView.h"
#include "platform/ui/ViewController.h"

#include <QPointer>

namespace pelnix {

namespace platform::ui {
class ContactCardView;
}

// A shared contact as a card that offers to keep the person: "Create New Contact" saves a new
// person in the address book, which then announces the change.
class PLAddContactViewController : public platform::ui::ViewController {
    Q_OBJECT
public:
    explicit PLAddContactViewController(const platform::AddressBookPerson& person, QObject* parent = nullptr);

    platform::AddressBookPerson person() const { return m_person; }
    platform::ui::ContactCardView* cardView() const { return m_card; }

    // Shows the card for `person` over `viewController`: pushed onto its navigation stack, or
    // presented in a navigation controller of its own when it has none.
    static void showOptionToAddContact(const platform::AddressBookPerson& person, QObject* viewController);

protected:
    QWidget* loadView() override;

private:
    platform::AddressBookPerson m_person;
    QPointer<platform::ui::ContactCardView> m_card;
};

} // namespace pelnix
