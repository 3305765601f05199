#pragma once

#include "platform/AddressBookVCardReader.h"

#include <QByteArray>
#include <QString>

namespace pelnix::platform {

// Writes one person as a vCard 3.0 card that AddressBookVCardReader reads back whole: the name,
// each phone number and e-mail address under its label (a label the TYPE parameter cannot carry goes
// into an "X-ABLabel" of the value's group), the photo, and `uid`, which fixes the record ID.
class AddressBookVCardWriter {
public:
    static QByteArray write(const AddressBookPerson& person, const QString& uid);
};

} // namespace pelnix::platform
