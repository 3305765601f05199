#include "ui/conversation/PLSmartMessageImageCache.h"

#include "core/api/PLAppConfigurations.h"
#include "foundation/PLOfflineURLCache.h"
#include "foundation/StandardFolders.h"
#include "platform/CutShortReply.h"
#include "platform/MainThread.h"
#include "platform/ui/WebView.h"
#include "ui/conversation/ConversationSmartLog.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QImageReader>
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
QNetworkAccessManager* workerNetwork(const PLSmartMessageImageCache::NetworkFactory& make) {
    thread_local std::unique_ptr<QNetworkAccessManager> network;
    if (!network) {
        network = make ? make() : std::make_unique<QNetworkAccessManager>();
        network->setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
    }
    return network.get();
}

// The body of a picture, or nothing: a failed, refused, oversized, overlong or cut download, or one
// that another host answered.
std::optional<QByteArray> fetch(const QUrl& url, const QSet<QUrl>& origins, QNetworkAccessManager* network) {
    QNetworkRequest request(url);
    request.setTransferTimeout(PLSmartMessageImageCache::kTimeoutMs);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::UserVerifiedRedirectPolicy);
    QNetworkReply* reply = network->get(request);
    std::unique_ptr<QNetworkReply, void (*)(QNetworkReply*)> owned(
        reply, [](QNetworkReply* r) { r->deleteLater(); });
    QEventLoop loop;
    bool refused = false;
    QByteArray body;
    const auto refuse = [&](const char* why) {
        if (refused)
            return;
        qCInfo(lcConversationSmart) << "a picture of a smart message was refused:" << why;
        refused = true;
        reply->abort();
    };
    QObject::connect(reply, &QNetworkReply::redirected, reply, [&](const QUrl& target) {
        if (isFetchable(target) && origins.contains(platform::ui::WebView::originOf(target)))
            emit reply->redirectAllowed();
        else
            refuse("redirected to another host");
    });
    // Refused before its body is read when the reply declares it too long.
    QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, [&] {
        bool known = false;
        const qint64 declared = reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(&known);
        if (known && declared > PLSmartMessageImageCache::kMaxImageBytes)
            refuse("declared longer than the bound");
    });
    // Read as it comes, so that no more than the bound and one chunk is ever held.
    QObject::connect(reply, &QNetworkReply::readyRead, reply, [&] {
        if (refused)
            return;
        body += reply->read(PLSmartMessageImageCache::kMaxImageBytes + 1 - body.size());
        if (body.size() > PLSmartMessageImageCache::kMaxImageBytes)
            refuse("longer than the bound");
    });
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(PLSmartMessageImageCache::kTimeoutMs, reply, &QNetworkReply::abort);
    if (!reply->isFinished())
        loop.exec();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (refused || reply->error() != QNetworkReply::NoError || status < 200 || status >= 300)
        return std::nullopt;
    body += reply->read(PLSmartMessageImageCache::kMaxImageBytes + 1 - body.size());
    if (body.size() > PLSmartMessageImageCache::kMaxImageBytes)
        return std::nullopt;
    if (platform::isCutShort(reply, body.size())) {
        qCInfo(lcConversationSmart) << "a picture of a smart message was cut short";
        return std::nullopt;
    }
    return body;
}

// Whether the bytes decode as a picture; a page could name any body at all.
bool isPicture(const QByteArray& data) {
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    if (!reader.canRead())
        return false;
    // Where the format decodes at a smaller scale by itself (JPEG), every byte is still decoded, in a
    // third of the time: the worker shares the processor with the screen.
    const QSize size = reader.size();
    if (size.isValid() && reader.supportsOption(QImageIOHandler::ScaledSize))
        reader.setScaledSize(QSize(qMax(1, size.width() / 8), qMax(1, size.height() / 8)));
    return !reader.read().isNull();
}

// The oldest copies go until the rest are within both bounds; answers the URLs that went, and leaves
// the bytes and number of the copies that stay in `keptBytes` and `keptCount`.
QStringList trimCopies(qint64 maxTotalBytes, qint64& keptBytes, qint64& keptCount) {
    struct Copy {
        QString url;
        QString path;
        qint64 size;
        QDateTime modified;
    };
    QList<Copy> copies;
    qint64 total = 0;
    const QVariantMap listed = PLOfflineURLCache::substitutionPaths();
    for (auto it = listed.cbegin(); it != listed.cend(); ++it) {
        const QString path = StandardFolders::pathForCacheFile(it.value().toString());
        const QFileInfo info(path);
        copies.append({it.key(), path, info.exists() ? info.size() : 0,
                       info.exists() ? info.lastModified() : QDateTime()});
        total += copies.last().size;
    }
    std::sort(copies.begin(), copies.end(),
              [](const Copy& a, const Copy& b) { return a.modified < b.modified; });
    qsizetype count = copies.size();
    QStringList removed;
    for (const Copy& copy : std::as_const(copies)) {
        if (total <= maxTotalBytes && count <= PLSmartMessageImageCache::kMaxImages)
            break;
        QFile::remove(copy.path);
        PLOfflineURLCache::removeSubstitutionPath(copy.url);
        removed << copy.url;
        total -= copy.size;
        --count;
    }
    keptBytes = total;
    keptCount = count;
    return removed;
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

QSet<QUrl> PLSmartMessageImageCache::allowedOrigins() {
    const auto* configuration = PLAppConfigurations::currentConfiguration();
    QSet<QUrl> origins;
    for (const QString& endpoint : {configuration->baseURL(), configuration->basePublicURL(),
                                    configuration->baseS3FileURL(), configuration->googleTinyURL()}) {
        const QUrl url(endpoint);
        if (isFetchable(url))
            origins.insert(platform::ui::WebView::originOf(url));
    }
    return origins;
}

void PLSmartMessageImageCache::cacheImagesIfNeeded(const QString& html) {
    Q_ASSERT(platform::isMainThread());
    const QSet<QUrl> origins = allowedOrigins();
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
        m_seen.insert(urlText);
        const QUrl url(urlText);
        if (!isFetchable(url)) {
            qCDebug(lcConversationSmart) << "a picture that is not on the web is not copied";
            continue;
        }
        if (!origins.contains(platform::ui::WebView::originOf(url))) {
            qCInfo(lcConversationSmart) << "a picture on another host than the service's is not copied";
            continue;
        }
        m_queue.async([this, urlText, origins, total = m_maxTotalBytes, make = m_networkFactory] {
            copyImage(urlText, origins, total, workerNetwork(make));
        });
    }
}

void PLSmartMessageImageCache::copyImage(const QString& urlText, const QSet<QUrl>& origins,
                                         qint64 maxTotalBytes, QNetworkAccessManager* network) {
    const auto data = fetch(QUrl(urlText), origins, network);
    bool kept = false;
    if (data && !isPicture(*data)) {
        qCInfo(lcConversationSmart) << "a smart message's picture that is no picture is not copied";
    } else if (data) {
        const QString name = PLOfflineURLCache::cacheFileNameForURL(urlText);
        const QString path = StandardFolders::pathForCacheFile(name);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QSaveFile file(path);
        kept = file.open(QIODevice::WriteOnly) && file.write(*data) == data->size() && file.commit() &&
               PLOfflineURLCache::addSubstitutionPath(urlText, name);
    }
    QStringList trimmed;
    if (kept)
        trimmed = trimIfOverBounds(data->size(), maxTotalBytes);
    else
        qCInfo(lcConversationSmart) << "a picture of a smart message was not copied";
    // A copied URL is listed from now on; a failed one is not tried again in this run.
    QPointer<PLSmartMessageImageCache> self(this);
    platform::runOnMain([self, urlText, kept, trimmed] {
        if (self && kept) {
            self->m_listed.insert(urlText);
            self->m_seen.remove(urlText);
        }
        // Copies dropped for the bounds may be copied again when a page shows them.
        for (const QString& url : trimmed) {
            if (self)
                self->m_listed.remove(url);
        }
    });
}

QStringList PLSmartMessageImageCache::trimIfOverBounds(qint64 addedBytes, qint64 maxTotalBytes) {
    Q_ASSERT(m_queue.isCurrent());
    // Only copies of this worker join the list, and anything else only removes entries: the tally
    // plus the copies since is never below what is on disk, and within the bounds it spares the
    // count of every copy.
    const QString folder = StandardFolders::cacheDataPath();
    if (m_tally.folder == folder && m_tally.count >= 0) {
        m_tally.bytes += addedBytes;
        ++m_tally.count;
        if (m_tally.bytes <= maxTotalBytes && m_tally.count <= kMaxImages)
            return {};
    }
    m_tally.folder = folder;
    return trimCopies(maxTotalBytes, m_tally.bytes, m_tally.count);
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
