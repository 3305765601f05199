#pragma once

#include "interface/PLPelnixContact.h"

#include <QList>
#include <QObject>
#include <optional>

namespace pelnix {

// Implemented by the host to offer people of its own to the contact picker (contact option 4). The
// host's object derives from QObject and from this interface and is handed over with
// Pelnix::setCustomAddressBookContactProvider(); the library holds it weakly and asks it each time
// the picker loads, on the main thread.
class PLCustomContactProvider {
public:
    virtual ~PLCustomContactProvider() = default;

    // The host's contacts, in the host's order; each needs an e-mail or a phone to be shown. The
    // default offers no list, which leaves what the picker already shows from the host as it was
    // (an empty list empties it).
    virtual std::optional<QList<PLPelnixContact>> customAddressBookContacts() { return std::nullopt; }

    // The provider behind a host object: null when the object is gone or does not implement this
    // interface.
    static PLCustomContactProvider* of(QObject* object) {
        return dynamic_cast<PLCustomContactProvider*>(object);
    }
};

} // namespace pelnix
