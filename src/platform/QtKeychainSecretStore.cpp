#include "platform/QtKeychainSecretStore.h"

#include "platform/Log.h"

#ifdef PELNIX_HAVE_QTKEYCHAIN
#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <qt6keychain/keychain.h>
#endif

namespace pelnix::platform {

#ifdef PELNIX_HAVE_QTKEYCHAIN

namespace {
const QString kEntryKey = QStringLiteral("item");

// Runs the job and waits for it; the job may finish inside start() already.
QKeychain::Error runJob(QKeychain::Job& job) {
    job.setAutoDelete(false);
    job.setInsecureFallback(false);
    job.setKey(kEntryKey);
    bool done = false;
    QEventLoop loop;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, [&] {
        done = true;
        loop.quit();
    });
    job.start();
    if (!done)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    return job.error();
}
} // namespace

std::shared_ptr<SecretStore> QtKeychainSecretStore::create() {
    return std::make_shared<QtKeychainSecretStore>();
}

bool QtKeychainSecretStore::isBuiltIn() {
    return true;
}

std::optional<QVariantMap> QtKeychainSecretStore::read(const QString& identifier) {
    QKeychain::ReadPasswordJob job(identifier);
    const QKeychain::Error error = runJob(job);
    if (error != QKeychain::NoError) {
        if (error != QKeychain::EntryNotFound)
            Log::debug(
                QStringLiteral("Secret Service read of %1 failed (%2)").arg(identifier).arg(int(error)));
        return std::nullopt;
    }
    const QJsonDocument doc = QJsonDocument::fromJson(job.textData().toUtf8());
    if (!doc.isObject())
        return std::nullopt;
    return doc.object().toVariantMap();
}

bool QtKeychainSecretStore::write(const QString& identifier, const QVariantMap& attributes) {
    QKeychain::WritePasswordJob job(identifier);
    job.setTextData(QString::fromUtf8(
        QJsonDocument(QJsonObject::fromVariantMap(attributes)).toJson(QJsonDocument::Compact)));
    const QKeychain::Error error = runJob(job);
    if (error != QKeychain::NoError)
        Log::debug(QStringLiteral("Secret Service write of %1 failed (%2)").arg(identifier).arg(int(error)));
    return error == QKeychain::NoError;
}

bool QtKeychainSecretStore::remove(const QString& identifier) {
    QKeychain::DeletePasswordJob job(identifier);
    const QKeychain::Error error = runJob(job);
    return error == QKeychain::NoError || error == QKeychain::EntryNotFound;
}

#else

std::shared_ptr<SecretStore> QtKeychainSecretStore::create() {
    return nullptr;
}

bool QtKeychainSecretStore::isBuiltIn() {
    return false;
}

std::optional<QVariantMap> QtKeychainSecretStore::read(const QString&) {
    return std::nullopt;
}

bool QtKeychainSecretStore::write(const QString&, const QVariantMap&) {
    return false;
}

bool QtKeychainSecretStore::remove(const QString&) {
    return false;
}

#endif

} // namespace pelnix::platform
