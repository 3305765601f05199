#pragma once

#include "ContactCard.h"
#include "platform/PLError.h"

#include <QWidget>
#include <functional>
#include <optional>

class QLabel;
class QPushButton;
class QVBoxLayout;

namespace pelnix::platform::ui {

// A contact card that offers to add the person to the address book: a badge with the initials and
// the name, each phone number and e-mail address under its label in a white block, and the add
// button as a row action, in the product's colours and fonts. Saving is the caller's: the save
// handler gets the card and answers, now or later, with nothing or an error. While it works the
// button is disabled; after a success it stays so; after a failure the error is shown and the user
// may try again.
class ContactCardView : public QWidget {
    Q_OBJECT
public:
    using SaveDone = std::function<void(const std::optional<PLError>& error)>;
    using SaveHandler = std::function<void(const ContactCard& contact, SaveDone done)>;

    explicit ContactCardView(QWidget* parent = nullptr);

    void setContact(const ContactCard& contact);
    ContactCard contact() const { return m_contact; }
    // Without a handler the card only shows the person.
    void setSaveHandler(SaveHandler handler);
    void setAddButtonTitle(const QString& title);

    QLabel* nameLabel() const { return m_name; }
    QPushButton* addButton() const { return m_add; }
    QLabel* errorLabel() const { return m_error; }

signals:
    void contactSaved(const pelnix::platform::ui::ContactCard& contact);
    void saveFailed(const pelnix::PLError& error);

private:
    void save();
    void rebuildEntries();

    ContactCard m_contact;
    SaveHandler m_save;
    QLabel* m_name;
    QWidget* m_badge = nullptr;
    QWidget* m_entriesBlock = nullptr;
    QVBoxLayout* m_entries = nullptr;
    QPushButton* m_add;
    QLabel* m_error;
    quint64 m_generation = 0;
};

} // namespace pelnix::platform::ui
