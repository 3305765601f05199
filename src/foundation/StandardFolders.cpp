#include "foundation/StandardFolders.h"

#include "foundation/PLCurrentBundleInfo.h"
#include "foundation/VariantResolver.h"
#include "platform/Sandbox.h"

#include <QDir>
#include <QFileInfo>
#include <QMutex>

namespace pelnix::StandardFolders {

namespace {
struct Folders {
    QString root;
    QString publicData;
    QString privateData;
    QString cacheData;
    QString offlineData;
    QString temporaryData;
};

bool makeFolder(const QString& path) {
    return QDir().mkpath(path) && QFileInfo(path).isDir();
}

// Computed and created once per sandbox root, so a host or test that moves the root gets folders
// below the new one.
Folders folders() {
    static QMutex mutex;
    static Folders cached;
    const QString root = platform::Sandbox::root();
    QMutexLocker lock(&mutex);
    if (cached.root == root && !root.isEmpty())
        return cached;

    Folders f;
    f.root = root;
    f.publicData = platform::Sandbox::documents();
    f.privateData = platform::Sandbox::applicationSupport();
    f.cacheData = platform::Sandbox::caches();
    f.offlineData = f.privateData + QLatin1Char('/') + QLatin1String(kOfflineDataFolderName);
    // Room media folders are made directly below Documents without intermediate folders, so it must
    // exist; the temporary folder likewise, or temporary writes would fail.
    makeFolder(f.publicData);
    makeFolder(f.privateData);
    makeFolder(f.cacheData);
    // Backup exclusion has no counterpart here: nothing backs up the sandbox on its own.
    makeFolder(f.offlineData);
    f.temporaryData = platform::Sandbox::tmp();
    if (!makeFolder(f.temporaryData)) {
        f.temporaryData = f.cacheData + QLatin1Char('/') + QLatin1String(kTemporaryFilesFolderName);
        makeFolder(f.temporaryData);
    }
    cached = f;
    return f;
}

QString join(const QString& folder, const QString& name) {
    return name.isEmpty() ? folder : folder + QLatin1Char('/') + name;
}
} // namespace

QString publicDataPath() {
    return folders().publicData;
}
QString privateDataPath() {
    return folders().privateData;
}
QString cacheDataPath() {
    return folders().cacheData;
}
QString offlineDataPath() {
    return folders().offlineData;
}
QString temporaryDataPath() {
    return folders().temporaryData;
}
QString resourcePath() {
    return PLCurrentBundleInfo::bundlePath();
}

QString pathForPublicFile(const QString& name) {
    return join(publicDataPath(), name);
}
QString pathForPrivateFile(const QString& name) {
    return join(privateDataPath(), name);
}
QString pathForCacheFile(const QString& name) {
    return join(cacheDataPath(), name);
}
QString pathForOfflineFile(const QString& name) {
    return join(offlineDataPath(), name);
}
QString pathForTemporaryFile(const QString& name) {
    return join(temporaryDataPath(), name);
}
QString pathForResource(const QString& name) {
    return join(resourcePath(), name);
}

QString normalizedPathForFile(const QString& name, const QString& type) {
    return VariantResolver::shared().normalizedPathForFile(name, type);
}

} // namespace pelnix::StandardFolders
