#pragma once

#include <QMutex>
#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <memory>

namespace pelnix {

namespace platform {
class SecretStore;
}

// Attribute keys of a keychain item.
inline constexpr char kSecAttrGeneric[] = "generic";
inline constexpr char kSecAttrAccessGroup[] = "accessGroup";
inline constexpr char kSecAttrAccount[] = "account";
inline constexpr char kSecAttrLabel[] = "label";
inline constexpr char kSecAttrDescription[] = "description";
inline constexpr char kSecValueData[] = "data";

// One secret item held in memory as its attributes and written through to the secret store on every
// change. Equal values write nothing; an invalid value is ignored.
class PLKeychainItem {
public:
    // Reads the item from `store` (the default store when none is given); with no stored item the
    // attributes start empty and nothing is written until the first change.
    explicit PLKeychainItem(const QString& identifier, const QString& accessGroup = {},
                            std::shared_ptr<platform::SecretStore> store = {});

    QString identifier() const { return m_identifier; }

    QVariant objectForKey(const QString& key) const;
    // False when the store refused the write (memory holds the new value all the same); true when
    // written, unchanged or ignored.
    bool setObject(const QVariant& value, const QString& key);
    // Deletes the stored item and empties the account, label, description and data in memory.
    void resetKeychainItem();

private:
    void resetInMemory();
    bool writeToKeychain(const QVariantMap& data);

    QString m_identifier;
    std::shared_ptr<platform::SecretStore> m_store;
    mutable QMutex m_mutex;
    QVariantMap m_data;
};

} // namespace pelnix
