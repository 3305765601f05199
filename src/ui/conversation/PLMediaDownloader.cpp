#include "ui/conversation/PLMediaDownloader.h"

#include "core/api/PLAppConfigurations.h"
#include "core/session/SessionGeneration.h"
#include "platform/NotificationCenter.h"
#include "ui/conversation/ConversationMediaLog.h"

#include <QThread>

namespace pelnix {

namespace {
quint64 nextDownloadID() {
    static std::atomic<quint64> last{0};
    return ++last;
}
} // namespace

PLMediaDownloader::PLMediaDownloader(QObject* parent) : QObject(parent), m_downloadID(nextDownloadID()) {}

QVariantMap PLMediaDownloader::userInfoFor(quint64 downloadID) {
    return {{QLatin1String(PLMediaDownloaderDownloadIDKey), downloadID}};
}

quint64 PLMediaDownloader::downloadIDOf(const QVariantMap& userInfo) {
    return userInfo.value(QLatin1String(PLMediaDownloaderDownloadIDKey)).toULongLong();
}

void PLMediaDownloader::postQueued(const char* name, const QVariant& object) const {
    platform::NotificationCenter::defaultCenter()->postQueued(QLatin1String(name), object,
                                                              userInfoFor(m_downloadID));
}

PLMediaDownloader::~PLMediaDownloader() {
    cancelDownloading();
}

PLMediaDownloader::Limits PLMediaDownloader::configuredLimits() {
    Limits limits;
    const PLAppConfigurations* configuration = PLAppConfigurations::currentConfiguration();
    if (const quint64 cap = configuration ? configuration->downloadSizeLimit() : 0; cap > 0)
        limits.maxBytes = qint64(qMin<quint64>(cap, quint64(std::numeric_limits<qint64>::max())));
    limits.allowPlainHttp =
        configuration && QUrl(configuration->baseURL()).scheme().toLower() == QLatin1String("http");
    return limits;
}

void PLMediaDownloader::startDownloading() {
    Q_ASSERT(QThread::currentThread() == thread());
    if (std::exchange(m_started, true))
        return;
    const Limits limits = m_limits.value_or(configuredLimits());
    const QUrl url(m_mediaURLString);
    if (!PLMediaTransfer::isAllowedAddress(url, limits) || !m_filePathURLToBeSaved.isLocalFile()) {
        qCInfo(lcConversationMedia) << "a media download without a usable address or target";
        postFailure(QStringLiteral("no usable address or file"));
        return;
    }
    // Network and disk work off the main thread; this object only relays what it hears.
    auto* worker = new QThread;
    worker->setObjectName(QStringLiteral("pelnix-media-download"));
    auto* transfer = new PLMediaTransfer(url, m_filePathURLToBeSaved.toLocalFile(), limits, m_cancelFlag);
    transfer->moveToThread(worker);
    connect(worker, &QThread::started, transfer, &PLMediaTransfer::start);
    connect(worker, &QThread::finished, transfer, &QObject::deleteLater);
    connect(worker, &QThread::finished, worker, &QObject::deleteLater);
    connect(transfer, &PLMediaTransfer::progressed, this, &PLMediaDownloader::progressed);
    connect(transfer, &PLMediaTransfer::ended, this, &PLMediaDownloader::ended);
    m_thread = worker;
    m_running = true;
    // A sign-out ends the download as the overlay's cancel does, and says so to whoever shows it.
    platform::NotificationCenter::defaultCenter()->addObserver(
        QLatin1String(PLSessionDidEndNotification),
        [this](const platform::Notification&) {
            if (!m_running)
                return;
            cancelDownloading();
            platform::NotificationCenter::defaultCenter()->post(
                QLatin1String(PLMediaDownloaderCancelDownloadNotification), {}, userInfoFor(m_downloadID));
        },
        this);
    worker->start();
}

void PLMediaDownloader::progressed(qint64 received, qint64 expected) {
    if (m_cancelled || expected <= 0)
        return;
    const double fraction = double(received) / double(expected);
    if (fraction <= 0)
        return;
    postQueued(PLMediaDownloaderDidDownloadNotification, fraction);
    postQueued(PLMediaDownloaderMediaSize, double(expected));
}

void PLMediaDownloader::ended(bool finished, const QString& error) {
    stopThread();
    if (m_cancelled)
        return;
    if (finished)
        postQueued(PLMediaDownloaderDidFinishDownloadingNotification);
    else
        postFailure(error);
}

// The thread ends by itself once its loop returns, taking the transfer (and any temporary file) with
// it; the main thread never waits for it.
void PLMediaDownloader::stopThread() {
    m_running = false;
    if (QThread* worker = m_thread.data()) {
        m_thread.clear();
        worker->quit();
    }
}

void PLMediaDownloader::postFailure(const QString& error) {
    QVariantMap userInfo = userInfoFor(m_downloadID);
    userInfo.insert(QLatin1String(PLMediaDownloaderErrorKey), error);
    platform::NotificationCenter::defaultCenter()->postQueued(
        QLatin1String(PLMediaDownloaderDidFailWithErrorNotification), {}, userInfo);
}

void PLMediaDownloader::cancelDownloading() {
    m_cancelled = true;
    m_cancelFlag->store(true);
    stopThread();
}

} // namespace pelnix
