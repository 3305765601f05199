#include "ui/conversation/PLSmartMessageImageCache.h"

#include "foundation/PLOfflineURLCache.h"
#include "foundation/StandardFolders.h"
#include "platform/MainThread.h"
#include "ui/conversation/ConversationSmartLog.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QSaveFile>
#include <QTimer>
#include <memory>

namespace pelnix {

namespace {

bool isFetchable(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty() &&
           (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

// The worker's own network access, made on its thread and gone with it.
QNetworkAccessManager* workerNetwork() {
    thread_local std::unique_ptr<QNetworkAccessManager> network;
    if (!network) {
        network = std::make_unique<QNetworkAccessManager>();
        network->setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
    }
    return network.get();
}

// The body of a picture, or nothing: a failed, refused, oversized or overlong download.
std::optional<QByteArray> fetch(const QUrl& url) {
    QNetworkRequest request(url);
    request.setTransferTimeout(PLSmartMessageImageCache::kTimeoutMs);
    QNetworkReply* reply = workerNetwork()->get(request);
    QEventLoop loop;
    bool tooLarge = false;
    QObject::connect(reply, &QNetworkReply::downloadProgress, reply, [&](qint64 received, qint64 total) {
        if (received > PLSmartMessageImageCache::kMaxImageBytes ||
            total > PLSmartMessageImageCache::kMaxImageBytes) {
            tooLarge = true;
            reply->abort();
        }
    });
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(PLSmartMessageImageCache::kTimeoutMs, reply, &QNetworkReply::abort);
    loop.exec();
    std::unique_ptr<QNetworkReply, void (*)(QNetworkReply*)> owned(
        reply, [](QNetworkReply* r) { r->deleteLater(); });
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (tooLarge || reply->error() != QNetworkReply::NoError || status < 200 || status >= 300)
        return std::nullopt;
    // Redirected somewhere that is not the web: not kept.
    if (!isFetchable(reply->url()))
        return std::nullopt;
    return reply->readAll();
}

} // namespace

PLSmartMessageImageCache* PLSmartMessageImageCache::shared() {
    Q_ASSERT(platform::isMainThread());
    static QPointer<PLSmartMessageImageCache> shared;
    if (!shared)
        shared = new PLSmartMessageImageCache(QCoreApplication::instance());
    return shared;
}

PLSmartMessageImageCache::PLSmartMessageImageCache(QObject* parent)
    : QObject(parent), m_queue(QStringLiteral("Smart message images")) {}

PLSmartMessageImageCache::~PLSmartMessageImageCache() = default;

QStringList PLSmartMessageImageCache::imageURLsInHTML(const QString& html) {
    QStringList urls;
    const QStringList pieces = html.split(QStringLiteral("<img src="));
    for (qsizetype i = 1; i < pieces.size(); ++i) {
        const QStringList parts = pieces[i].split(QLatin1Char('"'));
        if (parts.size() >= 2)
            urls << parts[1];
    }
    return urls;
}

bool PLSmartMessageImageCache::shouldCacheImages(const QString& html, const QString& xsltName) {
    return html.contains(QLatin1String("<img src=")) && xsltName != QLatin1String("richhtml") &&
           xsltName != QLatin1String("mquery");
}

void PLSmartMessageImageCache::cacheImagesIfNeeded(const QString& html) {
    Q_ASSERT(platform::isMainThread());
    // The list is read from disk once per caches folder, then kept in step as copies are listed: a
    // list read per page would put file reads and the worker's lock into every row a scroll shows.
    if (const QString folder = StandardFolders::cacheDataPath(); folder != m_listedFolder) {
        const QVariantMap listed = PLOfflineURLCache::substitutionPaths();
        m_listed = QSet<QString>(listed.keyBegin(), listed.keyEnd());
        m_listedFolder = folder;
    }
    for (const QString& urlText : imageURLsInHTML(html)) {
        if (m_listed.contains(urlText) || m_seen.contains(urlText))
            continue;
        if (!isFetchable(QUrl(urlText))) {
            qCDebug(lcConversationSmart) << "a picture that is not on the web is not copied";
            m_seen.insert(urlText);
            continue;
        }
        m_seen.insert(urlText);
        m_queue.async([this, urlText] { copyImage(urlText); });
    }
}

void PLSmartMessageImageCache::copyImage(const QString& urlText) {
    const auto data = fetch(QUrl(urlText));
    bool kept = false;
    if (data && !data->isEmpty()) {
        const QString name = PLOfflineURLCache::cacheFileNameForURL(urlText);
        const QString path = StandardFolders::pathForCacheFile(name);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QSaveFile file(path);
        kept = file.open(QIODevice::WriteOnly) && file.write(*data) == data->size() && file.commit() &&
               PLOfflineURLCache::addSubstitutionPath(urlText, name);
    }
    if (!kept)
        qCInfo(lcConversationSmart) << "a picture of a smart message was not copied";
    // A copied URL is listed from now on; a failed one is not tried again in this run.
    QPointer<PLSmartMessageImageCache> self(this);
    platform::runOnMain([self, urlText, kept] {
        if (self && kept) {
            self->m_listed.insert(urlText);
            self->m_seen.remove(urlText);
        }
    });
}

void PLSmartMessageImageCache::whenIdle(std::function<void()> done) {
    QPointer<PLSmartMessageImageCache> self(this);
    m_queue.async([self, done = std::move(done)] {
        platform::runOnMain([self, done] {
            if (self && done)
                done();
        });
    });
}

} // namespace pelnix
