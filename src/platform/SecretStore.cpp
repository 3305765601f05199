#include "platform/SecretStore.h"

#include "platform/FileSecretStore.h"

#include <QMutex>

namespace pelnix::platform {

namespace {
QMutex g_mutex;
std::shared_ptr<SecretStore> g_store;
} // namespace

SecretStore::~SecretStore() = default;

std::shared_ptr<SecretStore> SecretStore::defaultStore() {
    QMutexLocker lock(&g_mutex);
    if (!g_store)
        g_store = std::make_shared<FileSecretStore>();
    return g_store;
}

void SecretStore::setDefaultStore(std::shared_ptr<SecretStore> store) {
    QMutexLocker lock(&g_mutex);
    g_store = std::move(store);
}

} // namespace pelnix::platform
