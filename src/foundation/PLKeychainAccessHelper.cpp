#include "foundation/PLKeychainAccessHelper.h"

#include <QMutex>

namespace pelnix {

namespace {
QMutex g_mutex;
std::shared_ptr<PLKeychainItem> g_item;
} // namespace

std::shared_ptr<PLKeychainItem> PLKeychainAccessHelper::keychainInstance() {
    QMutexLocker lock(&g_mutex);
    if (!g_item)
        g_item = std::make_shared<PLKeychainItem>(QString::fromLatin1(kPasscodeIdentifier));
    return g_item;
}

QString PLKeychainAccessHelper::currentPasscode() {
    const QString passcode =
        keychainInstance()->objectForKey(QString::fromLatin1(kSecAttrAccount)).toString();
    return passcode.isNull() ? QString("") : passcode;
}

void PLKeychainAccessHelper::setNewPassCodePin(const QString& pin) {
    if (pin.isNull())
        return;
    keychainInstance()->setObject(pin, QString::fromLatin1(kSecAttrAccount));
}

void PLKeychainAccessHelper::clearOldPasscodeFromKeyChain() {
    if (!currentPasscode().isEmpty())
        keychainInstance()->resetKeychainItem();
}

void PLKeychainAccessHelper::dropKeychainInstanceForTesting() {
    QMutexLocker lock(&g_mutex);
    g_item.reset();
}

} // namespace pelnix
