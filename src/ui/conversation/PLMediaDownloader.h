#pragma once

#include "platform/PLMediaTransfer.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <QVariantMap>
#include <atomic>
#include <memory>
#include <optional>

class QThread;

namespace pelnix {

// Notifications of the media download (objects are doubles where given). Each window can run a
// download of its own, so every notification names the download it belongs to in its user info under
// PLMediaDownloaderDownloadIDKey, and observers take only their own.
inline constexpr char PLMediaDownloaderDidDownloadNotification[] = "MediaDownloaderDidDownloadNotification";
inline constexpr char PLMediaDownloaderMediaSize[] = "MediaDownloaderMediaSize";
inline constexpr char PLMediaDownloaderDidFinishDownloadingNotification[] =
    "MediaDownloaderDidFinishDownloadingNotification";
inline constexpr char PLMediaDownloaderDidFailWithErrorNotification[] =
    "MediaDownloaderDidFailWithErrorNotification";
inline constexpr char PLMediaDownloaderCancelDownloadNotification[] =
    "MediaDownloaderCancelDownloadNotification";
inline constexpr char PLMediaDownloaderDownloadIDKey[] = "MediaDownloaderDownloadID";
// In a failure's user info: what went wrong, in words (a QString).
inline constexpr char PLMediaDownloaderErrorKey[] = "MediaDownloaderError";

// A one-shot HTTP download into a file that reports only through the notifications above, each
// delivered later on the main thread: progress (fraction, then expected size) while a length is
// known; finish once the whole body is in its file; failure (what went wrong in its user info) on a
// transport error, a status other than 200, a body shorter than announced or over the size cap, one
// in a coding that cannot be decoded, a transfer too slow, a redirect that is not allowed, or a file
// that cannot be written. The transfer runs on a thread of its own
// (PLMediaTransfer), streaming into a temporary file that takes the target's place only once whole,
// so the target is either the whole body or untouched. A sign-out cancels a running download and posts
// its cancel notification.
class PLMediaDownloader : public QObject {
    Q_OBJECT
public:
    using Limits = PLMediaTransfer::Limits;

    explicit PLMediaDownloader(QObject* parent = nullptr);
    ~PLMediaDownloader() override;

    // Unique in the process, never 0.
    quint64 downloadID() const { return m_downloadID; }
    // The user info naming a download, and the download a notification names (0: none).
    static QVariantMap userInfoFor(quint64 downloadID);
    static quint64 downloadIDOf(const QVariantMap& userInfo);

    QString mediaURLString() const { return m_mediaURLString; }
    void setMediaURLString(const QString& url) { m_mediaURLString = url; }
    QUrl filePathURLToBeSaved() const { return m_filePathURLToBeSaved; }
    void setFilePathURLToBeSaved(const QUrl& url) { m_filePathURLToBeSaved = url; }
    // The bounds of the transfer; configuredLimits() unless set before the start.
    void setLimits(const Limits& limits) { m_limits = limits; }
    // The size cap from the configuration's "downloadSizeLimit"; plain http only while the configured
    // service itself is reached over http.
    static Limits configuredLimits();

    // Once per downloader.
    void startDownloading();
    // Stops the transfer; nothing more is posted for it, and no file of it is left.
    void cancelDownloading();
    bool isRunning() const { return m_running; }

private:
    void progressed(qint64 received, qint64 expected);
    void ended(bool finished, const QString& error);
    void stopThread();
    void postFailure(const QString& error);
    void postQueued(const char* name, const QVariant& object = {}) const;

    const quint64 m_downloadID;
    QString m_mediaURLString;
    QUrl m_filePathURLToBeSaved;
    std::optional<Limits> m_limits;
    QPointer<QThread> m_thread;
    bool m_started = false;
    bool m_running = false;
    bool m_cancelled = false;
    // Shared with the transfer's thread.
    std::shared_ptr<std::atomic_bool> m_cancelFlag = std::make_shared<std::atomic_bool>(false);
};

} // namespace pelnix
