#include "foundation/PLOfflineURLCache.h"

#include "foundation/PLReachabilityResponder.h"
#include "foundation/StandardFolders.h"
#include "platform/Log.h"
#include "platform/PlistCodec.h"
#include "platform/Sandbox.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QNetworkDiskCache>
#include <QTimeZone>

namespace pelnix {

namespace {

// One lock for every read-modify-write of the list, in this process.
QMutex g_listMutex;

QString listPath() {
    return StandardFolders::pathForPrivateFile(
        QString::fromLatin1(PLOfflineURLCache::kSubstitutionListFileName));
}

// Replaces the list atomically; the folder is made again when a wipe removed it.
bool writeList(const QVariantMap& list) {
    const QString path = listPath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    return platform::PlistCodec::writeFile(path, list);
}

QVariantMap readList() {
    const auto value = platform::PlistCodec::readFile(listPath());
    return value ? value->toMap() : QVariantMap();
}

QByteArray httpDate(const QDateTime& when) {
    return QLocale::c().toString(when.toUTC(), QStringLiteral("ddd, dd MMM yyyy hh:mm:ss 'GMT'")).toLatin1();
}

PLOfflineURLCache::CachedResponse buildResponse(const QUrl& url, const QByteArray& data) {
    const QDateTime now = QDateTime::currentDateTimeUtc();
    QNetworkCacheMetaData meta;
    meta.setUrl(url);
    meta.setRawHeaders({
        {"Content-Type", PLOfflineURLCache::mimeTypeForPath({}).toLatin1()},
        {"Content-Length", QByteArray::number(data.size())},
        {"Date", httpDate(now)},
    });
    meta.setAttributes({
        {QNetworkRequest::HttpStatusCodeAttribute, 200},
        {QNetworkRequest::HttpReasonPhraseAttribute, QByteArray("OK")},
    });
    meta.setLastModified(now);
    // Fresh for the access manager, so it answers from here without asking the network.
    meta.setExpirationDate(now.addYears(1));
    meta.setSaveToDisk(true);
    return {meta, data};
}

} // namespace

PLOfflineURLCache::PLOfflineURLCache(QObject* parent) : QAbstractNetworkCache(parent) {
    auto* disk = new QNetworkDiskCache(this);
    disk->setCacheDirectory(StandardFolders::cacheDataPath() + QStringLiteral("/URLCache"));
    m_standard = disk;
}

PLOfflineURLCache::PLOfflineURLCache(QAbstractNetworkCache* standardCache, QObject* parent)
    : QAbstractNetworkCache(parent), m_standard(standardCache) {
    if (m_standard)
        m_standard->setParent(this);
}

PLOfflineURLCache::~PLOfflineURLCache() = default;

QVariantMap PLOfflineURLCache::substitutionPaths() {
    QMutexLocker lock(&g_listMutex);
    return readList();
}

bool PLOfflineURLCache::addSubstitutionPath(const QString& urlText, const QString& fileName) {
    if (urlText.isEmpty() || !platform::Sandbox::isSafePathComponent(fileName))
        return false;
    QMutexLocker lock(&g_listMutex);
    QVariantMap list = readList();
    list.insert(urlText, fileName);
    return writeList(list);
}

bool PLOfflineURLCache::removeSubstitutionPath(const QString& urlText) {
    QMutexLocker lock(&g_listMutex);
    QVariantMap list = readList();
    if (!list.remove(urlText))
        return true;
    return writeList(list);
}

// Named by the whole URL: two pictures whose URLs end alike ("…/a/photo.png", "…/b/photo.png") never
// overwrite each other, and nothing of the URL reaches the file system but its digest.
QString PLOfflineURLCache::cacheFileNameForURL(const QString& urlText) {
    if (urlText.isEmpty())
        return {};
    return QString::fromLatin1(QCryptographicHash::hash(urlText.toUtf8(), QCryptographicHash::Md5).toHex());
}

QString PLOfflineURLCache::mimeTypeForPath(const QString&) {
    return QStringLiteral("image/png");
}

std::optional<PLOfflineURLCache::CachedResponse> PLOfflineURLCache::substitute(const QUrl& url) {
    if (!url.isValid() || PLReachabilityResponder::sharedInstance()->isNetworkReachable(false))
        return std::nullopt;

    QString key;
    QString fileName;
    {
        QMutexLocker lock(&g_listMutex);
        const QVariantMap list = readList();
        for (const QString& candidate : {url.toString(QUrl::FullyEncoded), url.toString()}) {
            if (auto it = list.constFind(candidate); it != list.constEnd()) {
                key = candidate;
                fileName = it.value().toString();
                break;
            }
        }
    }
    if (key.isEmpty())
        return std::nullopt;

    {
        QMutexLocker lock(&m_mutex);
        if (auto it = m_cachedResponses.constFind(key); it != m_cachedResponses.constEnd())
            return *it;
    }

    // A name that is not one file name (a list edited by hand, or an old writer) is never opened.
    if (platform::Sandbox::isSafePathComponent(fileName)) {
        QFile file(StandardFolders::pathForCacheFile(fileName));
        if (file.open(QIODevice::ReadOnly)) {
            const CachedResponse response = buildResponse(url, file.readAll());
            QMutexLocker lock(&m_mutex);
            m_cachedResponses.insert(key, response);
            return response;
        }
    }
    platform::Log::debug(
        QStringLiteral("Offline image %1 cannot be read; dropped from the list").arg(fileName));
    removeSubstitutionPath(key);
    return std::nullopt;
}

std::optional<PLOfflineURLCache::CachedResponse>
PLOfflineURLCache::cachedResponseForRequest(const QNetworkRequest& request) {
    return substitute(request.url());
}

bool PLOfflineURLCache::removeCachedResponseForRequest(const QNetworkRequest& request) {
    return remove(request.url());
}

QNetworkCacheMetaData PLOfflineURLCache::metaData(const QUrl& url) {
    if (auto response = substitute(url))
        return response->metaData;
    return m_standard ? m_standard->metaData(url) : QNetworkCacheMetaData();
}

void PLOfflineURLCache::updateMetaData(const QNetworkCacheMetaData& metaData) {
    if (m_standard)
        m_standard->updateMetaData(metaData);
}

QIODevice* PLOfflineURLCache::data(const QUrl& url) {
    if (auto response = substitute(url)) {
        // The caller owns the device.
        auto* buffer = new QBuffer;
        buffer->setData(response->data);
        buffer->open(QIODevice::ReadOnly);
        return buffer;
    }
    return m_standard ? m_standard->data(url) : nullptr;
}

bool PLOfflineURLCache::remove(const QUrl& url) {
    {
        QMutexLocker lock(&m_mutex);
        if (m_cachedResponses.remove(url.toString(QUrl::FullyEncoded)) ||
            m_cachedResponses.remove(url.toString()))
            return true;
    }
    return m_standard && m_standard->remove(url);
}

qint64 PLOfflineURLCache::cacheSize() const {
    return m_standard ? m_standard->cacheSize() : 0;
}

QIODevice* PLOfflineURLCache::prepare(const QNetworkCacheMetaData& metaData) {
    return m_standard ? m_standard->prepare(metaData) : nullptr;
}

void PLOfflineURLCache::insert(QIODevice* device) {
    if (m_standard)
        m_standard->insert(device);
}

void PLOfflineURLCache::clear() {
    {
        QMutexLocker lock(&m_mutex);
        m_cachedResponses.clear();
    }
    if (m_standard)
        m_standard->clear();
}

} // namespace pelnix
