#pragma once

#include "core/model/ChatRoom.h"
#include "core/model/Message.h"
#include "platform/NotificationCenter.h"
#include "ui/conversation/PLDownloadMediaType.h"
#include "ui/conversation/PLMediaDownloader.h"
#include "ui/conversation/PLMediaDownloading.h"
#include "ui/conversation/PLUploadScreenView.h"

#include <QObject>
#include <QPointer>
#include <QVariantMap>

namespace pelnix {

class PhotoAlbums;

// Opens a message's attachment: from the room's folder or the photo album when a copy is there,
// otherwise after downloading it under the progress overlay (kept in the room's folder, or filed into
// the photo album for pictures and videos while sandboxing is off), recording the local copy as the
// message's asset; an attachment opened in several windows at once is filed once. One download at a
// time per helper; each window has its own helper, and a helper takes only the notifications of its
// own download (and the cancel of its own overlay). Every end of a download shows the navigation bar
// again and lets go of the downloader's observers; a viewer opens, and an asset is recorded, only for
// a file that is there. Nothing of a download, or of its filing, that a sign-out overtook is recorded or
// shown: the sign-out cancels it, and whatever of it ends later is let go of as cancelled.
//
// Room and file IDs come from the server: each must be one plain path component (no "/", no ".."),
// and the file must land below the sandbox root, or the download is refused with the failure alert.
// The file in the room's folder is named after the message and the address, never after the names a
// sender chose, so one member's attachment cannot take the place of another's.
class PLMediaDownloadHelper : public QObject, public PLMediaDownloading {
    Q_OBJECT
public:
    explicit PLMediaDownloadHelper(QObject* parent = nullptr);
    ~PLMediaDownloadHelper() override;

    void setMessage(const Message::Ptr& message) override { m_message = message; }
    Message::Ptr message() const { return m_message; }
    void downloadMediaFromURL(const QString& url, const ChatRoom::Ptr& room, const QVariantMap& documentInfo,
                              platform::ui::ViewController* inViewController) override;
    void cleanUp() override;

    void startDownloadingAndSaveToGallery(bool save);
    void showDownloadForFilePath(const QString& path, const QVariantMap& info);
    void saveToGalleryIfNeededAtPath(const QString& path);
    // The room's folder, made when missing; "" when the room ID is not a plain name or the folder
    // cannot be made.
    QString currentRoomDirectoryPath() const;
    // The download target of the current message's attachment, or an empty URL when the names are
    // unsafe or the folder is missing.
    QUrl pathURLForCurrentDownloadFromInfo(const QVariantMap& info) const;
    // The name a message's attachment is kept under in its room's folder: a digest of the message's
    // identity and the attachment's address (so no other message can store a file in its place), and
    // the extension of the attachment's own name when it is short and plain.
    static QString storedFileName(const Message::Ptr& message, const QVariantMap& info);
    static constexpr int kStoredNameHexDigits = 32;
    static constexpr int kMaxExtensionLength = 16;
    // One plain path component from the server: not empty, no "/", "\", NUL or "..".
    static bool isPlainServerName(const QString& name);

    bool isDownloading() const { return m_isDownloading; }
    PLUploadScreenView* downloadScreenView() const { return m_downloadScreenView; }
    PLMediaDownloader* mediaDownloader() const { return m_mediaDownloader; }
    PhotoAlbums* photoAlbums() const { return m_albums; }

private:
    void showDownloadScreenWithInfo(const QVariantMap& info);
    void disableNavigationWhileDownloading(bool disable);
    void unregisterAllNotification();
    void finished(bool save);
    void cancelled();
    void failed();
    void showFailureAlert(const QString& title, const QString& message);
    void keepAndShow(const QString& localPath);
    bool isOwnDownload(const platform::Notification& note) const;
    // Whether the user signed out since the current download began.
    bool sessionEnded() const;
    // Whether an asset's local URL is a file filed into one of the photo albums.
    bool isAlbumCopy(const QString& localURL) const;
    // Whether the current attachment is in the album already (filed by any window).
    bool hasAlbumCopy() const;
    // Shows the album's copy of the current attachment, letting go of this window's download of it.
    void showAlbumCopy(const QString& downloaded);

    Message::Ptr m_message;
    ChatRoom::Ptr m_chatRoom;
    QString m_downloadURLString;
    QPointer<platform::ui::ViewController> m_inViewController;
    bool m_isDownloading = false;
    QPointer<PLUploadScreenView> m_downloadScreenView;
    QPointer<PLMediaDownloader> m_mediaDownloader;
    quint64 m_downloadID = 0;
    QVariantMap m_documentInfo;
    platform::NotificationCenter::Token m_downloadNotificationHandle = 0;
    platform::NotificationCenter::Token m_cancelNotificationHandle = 0;
    platform::NotificationCenter::Token m_errorNotificationHandle = 0;
    PhotoAlbums* m_albums;
    // The album filing this helper runs: the attachment's address and the filing's number.
    QPair<QString, quint64> m_filing;
    // The session the current download began in.
    quint64 m_session;
};

} // namespace pelnix
