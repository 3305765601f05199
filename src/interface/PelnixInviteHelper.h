#pragma once

#include "interface/Pelnix.h"

#include <QVariantList>

namespace pelnix {

// Sends e-mail invitations for the host.
class PelnixInviteHelper {
public:
    PelnixInviteHelper() = delete;

    // Exactly one answer: (YES) when the server says "Success"; otherwise (NO, the transport error,
    // the server's message), also when the reply is empty.
    static void inviteContacts(const QVariantList& contacts, PLResultHandler completion);
    // {"email", "name"} of every PelnixInviteContact, in order; anything else is skipped.
    static QVariantList arrayOfDictionariesFromInviteArray(const QVariantList& contacts);
};

} // namespace pelnix
