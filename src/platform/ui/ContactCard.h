#pragma once

#include <QList>
#include <QString>

namespace pelnix::platform::ui {

// A person as a contact card shows it: a name and labelled phone numbers and e-mail addresses.
struct ContactCard {
    struct Entry {
        QString label;
        QString value;
        bool operator==(const Entry&) const = default;
    };
    QString firstName;
    QString lastName;
    QList<Entry> phones;
    QList<Entry> emails;
    bool operator==(const ContactCard&) const = default;

    QString fullName() const { return QStringList{firstName, lastName}.join(QLatin1Char(' ')).trimmed(); }
};

} // namespace pelnix::platform::ui
