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

bool PLKeychainAccessHelper::setNewPassCodePin(const QString& pin) {
    if (pin.isNull())
        return true;
    if (keychainInstance()->setObject(pin, QString::fromLatin1(kSecAttrAccount)))
        return true;
    // The item keeps the refused value in memory; read the store again so that the passcode in use
    // is the one that will still be there after a restart.
    QMutexLocker lock(&g_mutex);
    g_item.reset();
    return false;
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
