#pragma once

#include "platform/SecretStore.h"

namespace pelnix::platform {

// Secrets as JSON files, one per item, in "<sandbox root>/Library/Keychains": a folder of mode 0700
// beside (not inside) the store's and the caches' folders. Each file is created with mode 0600 and
// replaced atomically; it is never widened or chmod-ed afterwards.
//
// The values are in clear text at rest, protected by the file modes only.
class FileSecretStore : public SecretStore {
public:
    // An empty folder means the default one below the current sandbox root.
    explicit FileSecretStore(QString folder = {});

    QString folder() const;
    // The item's file; empty when the identifier is not one safe file-name component.
    QString pathForIdentifier(const QString& identifier) const;

    std::optional<QVariantMap> read(const QString& identifier) override;
    bool write(const QString& identifier, const QVariantMap& attributes) override;
    bool remove(const QString& identifier) override;

private:
    bool ensureFolder(const QString& folder) const;

    QString m_folder;
};

} // namespace pelnix::platform
