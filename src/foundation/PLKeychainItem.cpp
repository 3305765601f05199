#include "foundation/PLKeychainItem.h"

#include "platform/Log.h"
#include "platform/SecretStore.h"

namespace pelnix {

namespace {
const QString kData = QString::fromLatin1(kSecValueData);

// The store keeps text only: data goes as Base64.
QVariantMap toStoreFormat(QVariantMap data) {
    if (data.value(kData).typeId() == QMetaType::QByteArray)
        data.insert(kData, QString::fromLatin1(data.value(kData).toByteArray().toBase64()));
    return data;
}

QVariantMap fromStoreFormat(QVariantMap data) {
    if (data.contains(kData))
        data.insert(kData, QByteArray::fromBase64(data.value(kData).toString().toLatin1()));
    return data;
}
} // namespace

PLKeychainItem::PLKeychainItem(const QString& identifier, const QString& accessGroup,
                               std::shared_ptr<platform::SecretStore> store)
    : m_identifier(identifier), m_store(store ? std::move(store) : platform::SecretStore::defaultStore()) {
    if (auto stored = m_store->read(m_identifier)) {
        m_data = fromStoreFormat(*stored);
    } else {
        resetInMemory();
        m_data.insert(QString::fromLatin1(kSecAttrGeneric), identifier);
        if (!accessGroup.isEmpty())
            m_data.insert(QString::fromLatin1(kSecAttrAccessGroup), accessGroup);
    }
}

QVariant PLKeychainItem::objectForKey(const QString& key) const {
    QMutexLocker lock(&m_mutex);
    return m_data.value(key);
}

bool PLKeychainItem::setObject(const QVariant& value, const QString& key) {
    if (!value.isValid() || (value.typeId() == QMetaType::QString && value.toString().isNull()))
        return true;
    QVariantMap snapshot;
    {
        QMutexLocker lock(&m_mutex);
        auto it = m_data.constFind(key);
        if (it != m_data.constEnd() && it.value() == value)
            return true;
        m_data.insert(key, value);
        snapshot = m_data;
    }
    // Memory keeps the new value even when the store refuses it, as callers expect.
    if (writeToKeychain(snapshot))
        return true;
    platform::Log::debug(QStringLiteral("Could not save the secret item %1").arg(m_identifier));
    return false;
}

void PLKeychainItem::resetKeychainItem() {
    if (!m_store->remove(m_identifier))
        platform::Log::debug(QStringLiteral("Could not delete the secret item %1").arg(m_identifier));
    QMutexLocker lock(&m_mutex);
    resetInMemory();
}

void PLKeychainItem::resetInMemory() {
    m_data.insert(QString::fromLatin1(kSecAttrAccount), QString(""));
    m_data.insert(QString::fromLatin1(kSecAttrLabel), QString(""));
    m_data.insert(QString::fromLatin1(kSecAttrDescription), QString(""));
    m_data.insert(kData, QByteArray(""));
}

bool PLKeychainItem::writeToKeychain(const QVariantMap& data) {
    QVariantMap item = toStoreFormat(data);
    item.remove(QString::fromLatin1(kSecAttrAccessGroup));
    return m_store->write(m_identifier, item);
}

} // namespace pelnix
