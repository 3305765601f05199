#pragma once

#include "foundation/PLKeychainItem.h"

#include <QString>
#include <memory>

namespace pelnix {

// The app-lock passcode, kept under the account attribute of the secret item
// "inc.karvest.Pelnix.Passcode". The item lives outside the library's store and files, so wiping
// those keeps the passcode.
class PLKeychainAccessHelper {
public:
    static constexpr char kPasscodeIdentifier[] = "inc.karvest.Pelnix.Passcode";

    // The shared item, read from the default secret store on first use.
    static std::shared_ptr<PLKeychainItem> keychainInstance();
    // "" when no passcode is stored.
    static QString currentPasscode();
    // Written through at once; a null string is ignored, an equal one writes nothing. False when the
    // secret store refused the write: the previously stored passcode (or none) then stays current.
    static bool setNewPassCodePin(const QString& pin);
    // Deletes the item when a passcode is set; does nothing otherwise.
    static void clearOldPasscodeFromKeyChain();

    // Forgets the shared item: the next use reads the store again, as a new process would.
    static void dropKeychainInstanceForTesting();
};

} // namespace pelnix
