#pragma once

#include <QString>
#include <QVariantMap>
#include <memory>
#include <optional>

namespace pelnix::platform {

// Where secrets (the passcode item) are kept, apart from the library's store and files, so that
// wiping those keeps them. An item is a set of string attributes under an identifier.
class SecretStore {
public:
    virtual ~SecretStore();

    // The item's attributes; none when there is no such item or it cannot be read.
    virtual std::optional<QVariantMap> read(const QString& identifier) = 0;
    // Creates or replaces the item; durable when it answers true.
    virtual bool write(const QString& identifier, const QVariantMap& attributes) = 0;
    // Deletes the item; true also when there was none.
    virtual bool remove(const QString& identifier) = 0;

    // The file store unless a host (or a test) chose another.
    static std::shared_ptr<SecretStore> defaultStore();
    static void setDefaultStore(std::shared_ptr<SecretStore> store);
};

} // namespace pelnix::platform
