#include "ui/conversation/PLMediaDownloadHelper.h"

#include "core/model/Asset.h"
#include "core/model/CurrentUserInfo.h"
#include "core/session/SessionGeneration.h"
#include "foundation/DocumentSaver.h"
#include "foundation/PLCurrentBundleInfo.h"
#include "foundation/PhotoAlbums.h"
#include "platform/BidiText.h"
#include "platform/MainThread.h"
#include "platform/Sandbox.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/ViewController.h"
#include "ui/conversation/ConversationMediaLog.h"
#include "ui/conversation/PLDownloadViewerController.h"
#include "ui/conversation/PLMediaDownloader.h"
#include "ui/conversation/PLUploadScreenView.h"

#include <QCryptographicHash>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QThread>
#include <QThreadPool>

namespace pelnix {

using platform::NotificationCenter;
using platform::ui::ViewController;

namespace {
// The photo album of each kind (the names are the system's own).
constexpr char kPelnixImageAlbum[] = "Pelnix_Images";
constexpr char kPelnixVideoAlbum[] = "Pelnix_Videos";

QString text(const char* key) {
    return PLCurrentBundleInfo::localizedString(QLatin1String(key));
}

// Album filings under way, by attachment address, each with what waits for its end. Two windows that
// open one attachment at once file it once: the later one shows the earlier one's copy. Main thread.
struct Filing {
    quint64 id = 0;
    QList<std::function<void()>> waiting;
};
QHash<QString, Filing>& filingsUnderWay() {
    static QHash<QString, Filing> filings;
    return filings;
}

quint64 beginFiling(const QString& remote) {
    static quint64 last = 0;
    filingsUnderWay().insert(remote, Filing{++last, {}});
    return last;
}

// Ends filing `id` of `remote`, once, and lets what waited for it go on.
void endFiling(const QString& remote, quint64 id) {
    auto& underWay = filingsUnderWay();
    const auto filing = underWay.constFind(remote);
    if (id == 0 || filing == underWay.constEnd() || filing->id != id)
        return;
    for (const auto& next : underWay.take(remote).waiting)
        next();
}

// Whether `path` lies strictly below the sandbox root once links are resolved.
bool isBelowSandbox(const QString& path) {
    const QString root = QFileInfo(platform::Sandbox::root()).canonicalFilePath();
    const QString folder = QFileInfo(QFileInfo(path).absolutePath()).canonicalFilePath();
    return !root.isEmpty() && !folder.isEmpty() &&
           (folder == root || folder.startsWith(root + QLatin1Char('/')));
}
} // namespace

PLMediaDownloadHelper::PLMediaDownloadHelper(QObject* parent)
    : QObject(parent), m_albums(new PhotoAlbums({}, {}, this)), m_session(SessionGeneration::current()) {}

bool PLMediaDownloadHelper::sessionEnded() const {
    return m_session != SessionGeneration::current();
}

PLMediaDownloadHelper::~PLMediaDownloadHelper() {
    // A filing this window cannot see to its end keeps no other window waiting.
    endFiling(m_filing.first, m_filing.second);
    unregisterAllNotification();
    if (m_downloadScreenView)
        m_downloadScreenView->cleanUp();
}

bool PLMediaDownloadHelper::isPlainServerName(const QString& name) {
    return platform::Sandbox::isSafePathComponent(name) && !name.contains(QLatin1String(".."));
}

void PLMediaDownloadHelper::downloadMediaFromURL(const QString& url, const ChatRoom::Ptr& room,
                                                 const QVariantMap& documentInfo,
                                                 ViewController* inViewController) {
    Q_ASSERT(QThread::currentThread() == thread());
    if (m_isDownloading) {
        qCDebug(lcConversationMedia) << "a download runs already; the tap waits for it";
        return;
    }
    m_chatRoom = room;
    m_downloadURLString = url;
    m_inViewController = inViewController;
    m_documentInfo = documentInfo;
    const auto asset = url.isEmpty() ? nullptr : Asset::assetWithRemoteURL(url);
    const QString localURL = asset ? asset->localURL() : QString();
    // Only this message's own download is shown as its attachment: a copy in the room's folder under
    // its own name, or the album's copy made from its address. Copies kept under the file ID alone
    // (as earlier versions did) could have been replaced by another message's download, so they are
    // fetched again rather than trusted.
    const QString own = pathURLForCurrentDownloadFromInfo(documentInfo).toLocalFile();
    const bool ownCopy = !own.isEmpty() && QFileInfo(own).isFile();
    const PLDownloadMediaType type =
        getCurrentMediaTypeWithMimeType(documentInfo.value(QStringLiteral("fileMime")).toString());
    if (type == PLDownloadMediaTypeAudio || type == PLDownloadMediaTypeDocument) {
        if (ownCopy)
            showDownloadForFilePath(own, m_documentInfo);
        else
            startDownloadingAndSaveToGallery(false);
        return;
    }
    // Pictures and videos: the album's copy, then the room folder's, then a download.
    if (isAlbumCopy(localURL)) {
        showDownloadForFilePath(localURL, m_documentInfo);
        return;
    }
    if (ownCopy) {
        showDownloadForFilePath(own, m_documentInfo);
        return;
    }
    const auto account = CurrentUserInfo::currentUserInfo();
    startDownloadingAndSaveToGallery(!(account && account->sandBoxingEnabled()));
}

bool PLMediaDownloadHelper::isAlbumCopy(const QString& localURL) const {
    const QUrl url(localURL);
    if (localURL.isEmpty() || !url.isLocalFile())
        return false;
    const QFileInfo file(url.toLocalFile());
    const QString folder = QFileInfo(file.absolutePath()).canonicalFilePath();
    const auto below = [&folder](const QString& root) {
        const QString canonical = QFileInfo(root).canonicalFilePath();
        return !canonical.isEmpty() &&
               (folder == canonical || folder.startsWith(canonical + QLatin1Char('/')));
    };
    return file.isFile() && (below(m_albums->picturesRoot()) || below(m_albums->moviesRoot()));
}

QString PLMediaDownloadHelper::storedFileName(const Message::Ptr& message, const QVariantMap& info) {
    const QString identity = !message ? QString()
                             : !message->messageId().isEmpty()
                                 ? QStringLiteral("message:") + message->messageId()
                                 : QStringLiteral("form:") + message->formId();
    const QByteArray key =
        (identity + QLatin1Char('\n') + info.value(QStringLiteral("fileUrl")).toString()).toUtf8();
    QString name = QString::fromLatin1(
        QCryptographicHash::hash(key, QCryptographicHash::Sha256).toHex().left(kStoredNameHexDigits));
    // The extension lets the viewers tell the kind; a long or odd one is dropped (the viewers then
    // read the content), so a sender's name never makes a path too long or adds a path character.
    const QString fileName = info.value(QStringLiteral("fileName")).toString();
    const QString extension = fileName.mid(fileName.lastIndexOf(QLatin1Char('.')) + 1);
    // Anchored at the very end: a plain "$" also matches before a final newline, which would then be
    // kept in the name.
    static const QRegularExpression plain(
        QRegularExpression::anchoredPattern(QStringLiteral("[A-Za-z0-9]{1,%1}").arg(kMaxExtensionLength)));
    if (plain.match(extension).hasMatch())
        name += QLatin1Char('.') + extension;
    return name;
}

QString PLMediaDownloadHelper::currentRoomDirectoryPath() const {
    const QString roomId = m_chatRoom ? m_chatRoom->roomId() : QString();
    if (!isPlainServerName(roomId)) {
        qCWarning(lcConversationMedia) << "a room ID that is no plain folder name was refused";
        return {};
    }
    QString folder = DocumentSaver::directoryPathWithName(roomId);
    if (folder.isEmpty())
        folder = DocumentSaver::createDirectoryWithName(roomId);
    if (folder.isEmpty())
        qCWarning(lcConversationMedia) << "the room's folder cannot be made";
    return folder;
}

QUrl PLMediaDownloadHelper::pathURLForCurrentDownloadFromInfo(const QVariantMap& info) const {
    if (!isPlainServerName(info.value(QStringLiteral("fileId")).toString())) {
        qCWarning(lcConversationMedia) << "a file ID that is no plain file name was refused";
        return {};
    }
    const QString folder = currentRoomDirectoryPath();
    if (folder.isEmpty())
        return {};
    // A name that carries a path is refused, as a file ID would be.
    const QString generated = DocumentSaver::generateFileNameFromInfo(info);
    if (!platform::Sandbox::isSafePathComponent(generated))
        return {};
    const QString path = folder + QLatin1Char('/') + storedFileName(m_message, info);
    if (!isBelowSandbox(path)) {
        qCWarning(lcConversationMedia) << "a download target outside the sandbox was refused";
        return {};
    }
    return QUrl::fromLocalFile(path);
}

void PLMediaDownloadHelper::startDownloadingAndSaveToGallery(bool save) {
    Q_ASSERT(QThread::currentThread() == thread());
    unregisterAllNotification();
    const QUrl target = pathURLForCurrentDownloadFromInfo(m_documentInfo);
    if (target.isEmpty()) {
        // Nothing can be kept, so nothing is fetched.
        showFailureAlert(QString(), text("Error downloading file"));
        return;
    }
    m_session = SessionGeneration::current();
    auto* downloader = new PLMediaDownloader(this);
    m_mediaDownloader = downloader;
    downloader->setMediaURLString(m_documentInfo.value(QStringLiteral("fileUrl")).toString());
    downloader->setFilePathURLToBeSaved(target);
    NotificationCenter* center = NotificationCenter::defaultCenter();
    m_downloadID = downloader->downloadID();
    m_downloadNotificationHandle = center->addObserver(
        QLatin1String(PLMediaDownloaderDidFinishDownloadingNotification),
        [this, save](const platform::Notification& note) {
            if (isOwnDownload(note))
                finished(save);
        },
        this);
    m_cancelNotificationHandle = center->addObserver(
        QLatin1String(PLMediaDownloaderCancelDownloadNotification),
        [this](const platform::Notification& note) {
            if (isOwnDownload(note))
                cancelled();
        },
        this);
    m_errorNotificationHandle = center->addObserver(
        QLatin1String(PLMediaDownloaderDidFailWithErrorNotification),
        [this](const platform::Notification& note) {
            if (isOwnDownload(note))
                failed();
        },
        this);
    m_isDownloading = true;
    downloader->startDownloading();
    showDownloadScreenWithInfo(m_documentInfo);
}

// Another window's download, or its overlay's cancel, is none of this helper's business.
bool PLMediaDownloadHelper::isOwnDownload(const platform::Notification& note) const {
    return m_downloadID != 0 && PLMediaDownloader::downloadIDOf(note.userInfo) == m_downloadID;
}

void PLMediaDownloadHelper::showDownloadScreenWithInfo(const QVariantMap& info) {
    disableNavigationWhileDownloading(true);
    QWidget* host = m_inViewController ? m_inViewController->view() : nullptr;
    if (!host)
        return;
    PLUploadScreenView* overlay = PLUploadScreenView::instance();
    overlay->setIsForDownloading(true);
    overlay->setDownloadID(m_downloadID);
    overlay->setParent(host);
    overlay->setGeometry(host->rect());
    overlay->show();
    overlay->raise();
    PLMultiMediaInfo media;
    // The extension comes from the sender: a directional control in it shows, rather than making it
    // read as another kind of file.
    media.fileName = platform::BidiText::withControlsShown(DocumentSaver::generateFileNameFromInfo(info));
    overlay->showUploadingMediaInfo(media);
    m_downloadScreenView = overlay;
}

void PLMediaDownloadHelper::disableNavigationWhileDownloading(bool disable) {
    if (platform::ui::NavigationController* navigation =
            m_inViewController ? m_inViewController->navigationController() : nullptr)
        navigation->setNavigationBarHidden(disable, false);
}

void PLMediaDownloadHelper::unregisterAllNotification() {
    NotificationCenter* center = NotificationCenter::defaultCenter();
    for (auto* token :
         {&m_downloadNotificationHandle, &m_cancelNotificationHandle, &m_errorNotificationHandle})
        if (*token)
            center->removeObserver(std::exchange(*token, 0));
    if (m_mediaDownloader)
        m_mediaDownloader->deleteLater();
    m_mediaDownloader.clear();
    m_downloadID = 0;
}

void PLMediaDownloadHelper::finished(bool save) {
    // A download that ended as the user signed out is let go of as a cancelled one.
    if (sessionEnded())
        return cancelled();
    m_isDownloading = false;
    disableNavigationWhileDownloading(false);
    const QString path =
        m_mediaDownloader ? m_mediaDownloader->filePathURLToBeSaved().toLocalFile() : QString();
    unregisterAllNotification();
    // With no length announced no progress came, and the overlay would wait for one for good.
    if (m_downloadScreenView && m_downloadScreenView->progressWidth() < PLUploadScreenView::kFullBarWidth)
        m_downloadScreenView->cleanUp();
    // Another window's filing of the same attachment may have taken this file already: its copy is
    // the one to show.
    if (save && (hasAlbumCopy() || filingsUnderWay().contains(m_downloadURLString))) {
        saveToGalleryIfNeededAtPath(path);
        return;
    }
    if (path.isEmpty() || !QFileInfo(path).isFile()) {
        qCWarning(lcConversationMedia) << "a finished download left no file";
        showFailureAlert(QString(), text("Error downloading file"));
        return;
    }
    if (save)
        saveToGalleryIfNeededAtPath(path);
    else
        keepAndShow(path);
}

void PLMediaDownloadHelper::keepAndShow(const QString& localPath) {
    if (sessionEnded())
        return;
    if (!QFileInfo(localPath).isFile()) {
        showFailureAlert(QString(), text("Error downloading file"));
        return;
    }
    Asset::addAssetWithRemoteURL(m_downloadURLString, localPath, m_message);
    showDownloadForFilePath(localPath, m_documentInfo);
}

void PLMediaDownloadHelper::cancelled() {
    m_isDownloading = false;
    disableNavigationWhileDownloading(false);
    if (m_mediaDownloader)
        m_mediaDownloader->cancelDownloading();
    unregisterAllNotification();
    // A cancel from elsewhere than the overlay takes the overlay down too.
    if (m_downloadScreenView)
        m_downloadScreenView->cleanUp();
}

void PLMediaDownloadHelper::failed() {
    if (sessionEnded())
        return cancelled();
    if (m_downloadScreenView)
        m_downloadScreenView->cleanUp();
    showFailureAlert(QString(), text("Error downloading file"));
    m_isDownloading = false;
    disableNavigationWhileDownloading(false);
    unregisterAllNotification();
}

void PLMediaDownloadHelper::showFailureAlert(const QString& title, const QString& message) {
    auto* alert = new platform::ui::AlertView(title, message, text("OK"), {});
    alert->show(m_inViewController ? m_inViewController->window() : nullptr);
}

bool PLMediaDownloadHelper::hasAlbumCopy() const {
    const auto asset =
        m_downloadURLString.isEmpty() ? nullptr : Asset::assetWithRemoteURL(m_downloadURLString);
    return asset && isAlbumCopy(asset->localURL());
}

void PLMediaDownloadHelper::showAlbumCopy(const QString& downloaded) {
    if (sessionEnded())
        return;
    QFile::remove(downloaded);
    showDownloadForFilePath(Asset::assetWithRemoteURL(m_downloadURLString)->localURL(), m_documentInfo);
}

void PLMediaDownloadHelper::saveToGalleryIfNeededAtPath(const QString& path) {
    Q_ASSERT(QThread::currentThread() == thread());
    const QString mime = m_documentInfo.value(QStringLiteral("fileMime")).toString();
    const bool picture = mime.contains(QLatin1String("image"));
    if (!picture && !mime.contains(QLatin1String("video")))
        return keepAndShow(path);
    if (hasAlbumCopy())
        return showAlbumCopy(path);
    QPointer<PLMediaDownloadHelper> self(this);
    const QString remote = m_downloadURLString;
    auto& underWay = filingsUnderWay();
    if (const auto filing = underWay.find(remote); filing != underWay.end()) {
        filing->waiting.append([self, path] {
            if (!self)
                return;
            if (self->hasAlbumCopy())
                self->showAlbumCopy(path);
            else
                self->keepAndShow(path);
        });
        return;
    }
    const quint64 id = beginFiling(remote);
    m_filing = {remote, id};
    const auto saved = [self, path, remote, id](const QUrl& assetURL, const PLOptionalError& error) {
        const auto waiting = qScopeGuard([remote, id] { endFiling(remote, id); });
        if (!self)
            return;
        self->m_filing = {};
        // The album's copy is the user's; the record and the viewer were the session's.
        if (self->sessionEnded())
            return;
        if (error || assetURL.isEmpty()) {
            // The room folder's copy is kept and shown rather than leaving the tap unanswered.
            qCWarning(lcConversationMedia) << "a download could not be filed into the album";
            self->keepAndShow(path);
            return;
        }
        if (!assetURL.isLocalFile() || !QFileInfo(assetURL.toLocalFile()).isFile()) {
            qCWarning(lcConversationMedia) << "the album's copy of a download is not there";
            self->keepAndShow(path);
            return;
        }
        const QString localURL = assetURL.toString();
        Asset::addAssetWithRemoteURL(self->m_downloadURLString, localURL, self->m_message);
        QFile::remove(path);
        self->showDownloadForFilePath(localURL, self->m_documentInfo);
    };
    if (picture) {
        // Decoded off the main thread; the album encodes its copy off it too.
        QThreadPool::globalInstance()->start([self, path, saved] {
            QImageReader reader(path);
            reader.setAutoTransform(true);
            const QImage image = reader.read();
            platform::runOnMain([self, image, saved] {
                if (!self)
                    return;
                if (self->sessionEnded())
                    return saved({}, std::nullopt);
                self->m_albums->saveImage(image, QLatin1String(kPelnixImageAlbum), saved);
            });
        });
    } else {
        m_albums->saveVideo(QUrl::fromLocalFile(path), QLatin1String(kPelnixVideoAlbum), saved);
    }
}

void PLMediaDownloadHelper::showDownloadForFilePath(const QString& path, const QVariantMap& info) {
    if (!m_inViewController)
        return;
    auto* viewer = new PLDownloadViewerController;
    // The viewer reads the message when its view loads, during the presentation.
    viewer->setCurrentMessage(m_message);
    m_inViewController->presentViewController(viewer, true);
    viewer->showDownloadForPath(path, info);
}

void PLMediaDownloadHelper::cleanUp() {
    if (m_isDownloading && m_downloadID)
        NotificationCenter::defaultCenter()->post(QLatin1String(PLMediaDownloaderCancelDownloadNotification),
                                                  {}, PLMediaDownloader::userInfoFor(m_downloadID));
}

} // namespace pelnix
