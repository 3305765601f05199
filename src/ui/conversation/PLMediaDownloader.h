#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <atomic>
#include <memory>

class QNetworkAccessManager;
class QNetworkReply;

namespace pelnix {

// Notifications of the media download (objects are doubles where given). None carries the identity
// of a download: one runs at a time, under an overlay that covers the screen.
inline constexpr char PLMediaDownloaderDidDownloadNotification[] = "MediaDownloaderDidDownloadNotification";
inline constexpr char PLMediaDownloaderMediaSize[] = "MediaDownloaderMediaSize";
inline constexpr char PLMediaDownloaderDidFinishDownloadingNotification[] =
    "MediaDownloaderDidFinishDownloadingNotification";
inline constexpr char PLMediaDownloaderDidFailWithErrorNotification[] =
    "MediaDownloaderDidFailWithErrorNotification";
inline constexpr char PLMediaDownloaderCancelDownloadNotification[] =
    "MediaDownloaderCancelDownloadNotification";

// A one-shot HTTP download into a file that reports only through the notifications above, each
// delivered later on the main thread: progress (fraction, then expected size) while a length is
// known; finish once the whole body is in its file; failure on a transport error, a status other
// than 200, a body shorter than announced, or a file that cannot be written. The file is written
// off the main thread and atomically, so it is either whole or absent.
class PLMediaDownloader : public QObject {
    Q_OBJECT
public:
    explicit PLMediaDownloader(QObject* parent = nullptr);
    ~PLMediaDownloader() override;

    QString mediaURLString() const { return m_mediaURLString; }
    void setMediaURLString(const QString& url) { m_mediaURLString = url; }
    QUrl filePathURLToBeSaved() const { return m_filePathURLToBeSaved; }
    void setFilePathURLToBeSaved(const QUrl& url) { m_filePathURLToBeSaved = url; }
    // Silence longer than this fails the download (default 60 s).
    void setTransferTimeoutMs(int ms) { m_transferTimeoutMs = ms; }

    // Once per downloader.
    void startDownloading();
    // Stops the transfer; nothing more is posted for it.
    void cancelDownloading();
    bool isRunning() const { return !m_dataTask.isNull(); }

private:
    void progressed(qint64 received, qint64 expected);
    void completed(QNetworkReply* reply);
    void postFailure();

    QString m_mediaURLString;
    QUrl m_filePathURLToBeSaved;
    QNetworkAccessManager* m_network;
    QPointer<QNetworkReply> m_dataTask;
    int m_transferTimeoutMs = 60000;
    bool m_started = false;
    bool m_cancelled = false;
    // Shared with the write off the main thread.
    std::shared_ptr<std::atomic_bool> m_cancelFlag = std::make_shared<std::atomic_bool>(false);
};

} // namespace pelnix
