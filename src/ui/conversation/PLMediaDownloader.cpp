#include "ui/conversation/PLMediaDownloader.h"

#include "platform/NotificationCenter.h"
#include "ui/conversation/ConversationMediaLog.h"

#include <QDir>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSaveFile>
#include <QThread>
#include <QThreadPool>

namespace pelnix {

namespace {
void postQueued(const char* name, const QVariant& object = {}) {
    platform::NotificationCenter::defaultCenter()->postQueued(QLatin1String(name), object);
}
} // namespace

PLMediaDownloader::PLMediaDownloader(QObject* parent)
    : QObject(parent), m_network(new QNetworkAccessManager(this)) {}

PLMediaDownloader::~PLMediaDownloader() {
    cancelDownloading();
}

void PLMediaDownloader::startDownloading() {
    Q_ASSERT(QThread::currentThread() == thread());
    if (std::exchange(m_started, true))
        return;
    const QUrl url(m_mediaURLString);
    if (!url.isValid() || (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https")) ||
        !m_filePathURLToBeSaved.isLocalFile()) {
        qCInfo(lcConversationMedia) << "a media download without a usable address or target";
        postFailure();
        return;
    }
    QNetworkRequest request(url);
    request.setTransferTimeout(m_transferTimeoutMs);
    QNetworkReply* reply = m_network->get(request);
    m_dataTask = reply;
    connect(reply, &QNetworkReply::downloadProgress, this, &PLMediaDownloader::progressed);
    connect(reply, &QNetworkReply::finished, this, [this, reply] { completed(reply); });
}

void PLMediaDownloader::progressed(qint64 received, qint64 expected) {
    // Without an announced length Qt reports the count received as the total at the end: that is
    // no progress.
    if (m_cancelled || expected <= 0 || !m_dataTask ||
        !m_dataTask->header(QNetworkRequest::ContentLengthHeader).isValid())
        return;
    const double fraction = double(received) / double(expected);
    if (fraction <= 0)
        return;
    postQueued(PLMediaDownloaderDidDownloadNotification, fraction);
    postQueued(PLMediaDownloaderMediaSize, double(expected));
}

void PLMediaDownloader::completed(QNetworkReply* reply) {
    reply->deleteLater();
    m_dataTask.clear();
    if (m_cancelled)
        return;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply->error() != QNetworkReply::NoError || status != 200) {
        qCInfo(lcConversationMedia) << "media download failed:" << status << reply->error();
        postFailure();
        return;
    }
    const QByteArray body = reply->readAll();
    // A connection closed before the announced length is a cut body, not a file.
    const QVariant announced = reply->header(QNetworkRequest::ContentLengthHeader);
    if (announced.isValid() && announced.toLongLong() != body.size()) {
        qCInfo(lcConversationMedia) << "media download cut short:" << body.size() << "of" << announced;
        postFailure();
        return;
    }
    const QString path = m_filePathURLToBeSaved.toLocalFile();
    QThreadPool::globalInstance()->start([body, path, cancelled = m_cancelFlag] {
        QSaveFile file(path);
        const bool opened = file.open(QIODevice::WriteOnly) && file.write(body) == body.size();
        // A cancel while the body was being written leaves no file and posts nothing, so that no later
        // download takes this one's end for its own.
        if (cancelled->load()) {
            file.cancelWriting();
            return;
        }
        const bool written = opened && file.commit();
        if (!written)
            qCWarning(lcConversationMedia) << "a downloaded file could not be written:" << file.errorString();
        postQueued(written ? PLMediaDownloaderDidFinishDownloadingNotification
                           : PLMediaDownloaderDidFailWithErrorNotification);
    });
}

void PLMediaDownloader::postFailure() {
    postQueued(PLMediaDownloaderDidFailWithErrorNotification);
}

void PLMediaDownloader::cancelDownloading() {
    m_cancelled = true;
    m_cancelFlag->store(true);
    if (QNetworkReply* reply = m_dataTask.data()) {
        m_dataTask.clear();
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
}

} // namespace pelnix
