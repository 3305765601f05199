#pragma once

#include <QString>

namespace pelnix {

// One address-book entry offered for inviting or starting a conversation: a person's name with
// either one e-mail or one phone (lists of people carry neither).
struct PLAddressBookContact {
    QString profileName;
    QString email;
    QString phone;
    qint32 recordID = 0;
};

} // namespace pelnix
