#pragma once

#include "platform/SecretStore.h"

namespace pelnix::platform {

// Secrets in the desktop's Secret Service through qtkeychain: one entry per item (service = the
// item's identifier, key "item", text = the attributes as JSON). Never falls back to a plain file.
//
// Opt-in only: qtkeychain answers asynchronously, so each call waits in a nested event loop, and a
// Secret Service must be running on the session bus. Hosts choose it with
// `SecretStore::setDefaultStore(QtKeychainSecretStore::create())`.
class QtKeychainSecretStore : public SecretStore {
public:
    // nullptr when the library was built without qtkeychain.
    static std::shared_ptr<SecretStore> create();
    static bool isBuiltIn();

    std::optional<QVariantMap> read(const QString& identifier) override;
    bool write(const QString& identifier, const QVariantMap& attributes) override;
    bool remove(const QString& identifier) override;
};

} // namespace pelnix::platform
