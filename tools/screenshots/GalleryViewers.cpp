#include "GalleryViewers.h"

#include "GalleryConversation.h"
#include "MediaSamples.h"

#include "core/model/ChatRoom.h"
#include "core/model/Message.h"
#include "platform/NotificationCenter.h"
#include "platform/ui/DocumentPageCanvas.h"
#include "platform/ui/MediaPlayer.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/ScreenRegistry.h"
#include "platform/ui/VideoView.h"
#include "platform/ui/Window.h"
#include "ui/conversation/PLChatWindowViewController.h"
#include "ui/conversation/PLDownloadViewerController.h"
#include "ui/conversation/PLDownloadedAudioViewer.h"
#include "ui/conversation/PLDownloadedDocumentViewer.h"
#include "ui/conversation/PLDownloadedImageViewer.h"
#include "ui/conversation/PLDownloadedVideoViewer.h"
#include "ui/conversation/PLMediaDownloader.h"
#include "ui/conversation/PLUploadScreenView.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace pelnix::tools {

using platform::ui::ScreenRegistry;
using platform::ui::ViewController;

namespace {

const QString kStoryboard = QStringLiteral("GalleryViewers");
const QString kLarge = QStringLiteral("400x720");
// Shown in a view right to left.
const QString kRightToLeft = QStringLiteral("RightToLeft");

// The sample files, made once per process.
class Samples {
public:
    static Samples& shared() {
        static Samples samples;
        return samples;
    }
    QString picture;
    QString video;
    QString audio;
    QString pdf;

private:
    Samples() {
        picture = m_folder.filePath(QStringLiteral("5F2C0D1E.jpg"));
        QFile file(picture);
        if (file.open(QIODevice::WriteOnly))
            file.write(samples::stripesJpeg(QSize(1024, 768), {QColor(0, 122, 255), QColor(255, 204, 0),
                                                               QColor(52, 199, 89), QColor(255, 59, 48)}));
        video = samples::makeVideo(m_folder.filePath(QStringLiteral("9A7B3C21.webm")), 5);
        audio = samples::makeTone(m_folder.filePath(QStringLiteral("Standup notes.wav")), 3000);
        pdf = samples::makePdf(m_folder.filePath(QStringLiteral("Travel policy.pdf")));
    }
    QTemporaryDir m_folder;
};

void waitUntil(const std::function<bool()>& ready, int ms = 10000) {
    const QDeadlineTimer deadline(ms);
    while (!ready() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

// A message in a room of the viewers' own (the chat window galleries never show it), whose name
// titles the viewer.
Message::Ptr attachmentMessage(const QString& name) {
    openConversationGalleryStore();
    auto room = ChatRoom::chatRoomWithID(QStringLiteral("viewers"));
    if (!room)
        room = ChatRoom::updateChatRoomsWithArray(
                   QVariantList{QVariantMap{{"_id", "viewers"}, {"name", "Site visit"}, {"type", "2"}}})
                   .value(0);
    if (!room)
        return nullptr;
    auto message = room->createMessage();
    message->setType(1);
    message->setDisplayName(name);
    room->save();
    // The viewer holds its message weakly; the gallery keeps it for the process.
    static QList<Message::Ptr> kept;
    kept << message;
    return message;
}

struct ViewerScreen {
    QString identifier;
    QString title;
    QString mime;
    QString caption;
    QString Samples::*file;
};

const QList<ViewerScreen>& viewerScreens() {
    static const QList<ViewerScreen> list{
        {QStringLiteral("PictureViewerZoomed"), QStringLiteral("Site photo"), QStringLiteral("image/jpeg"),
         QStringLiteral("The new entrance, seen from the car park"), &Samples::picture},
        {QStringLiteral("VideoViewerPaused"), QStringLiteral("Walkthrough"), QStringLiteral("video/webm"),
         QStringLiteral("Five seconds of the test card"), &Samples::video},
        {QStringLiteral("AudioViewer"), QStringLiteral("Voice memo"), QStringLiteral("audio/wav"), QString(),
         &Samples::audio},
        {QStringLiteral("PDFViewer"), QStringLiteral("Travel policy"), QStringLiteral("application/pdf"),
         QString(), &Samples::pdf},
    };
    return list;
}

void sized(ViewController* controller, const QString& identifier) {
    if (platform::ui::Window* window = controller->window())
        window->resize(viewersGallerySize(identifier));
    QCoreApplication::processEvents();
}

// Brings the viewer to the state its picture is about.
void showViewerState(PLDownloadViewerController* screen, const ViewerScreen& kind) {
    const QVariantMap info{{"fileMime", kind.mime}, {"caption", kind.caption}};
    screen->showDownloadForPath(Samples::shared().*kind.file, info);
    if (kind.identifier == QLatin1String("PictureViewerZoomed")) {
        waitUntil([screen] { return qobject_cast<PLDownloadedImageViewer*>(screen->currentViewer()); });
        if (auto* picture = qobject_cast<PLDownloadedImageViewer*>(screen->currentViewer()))
            picture->imageScrollView()->setZoomScale(2.0);
    } else if (kind.identifier == QLatin1String("VideoViewerPaused")) {
        auto* video = qobject_cast<PLDownloadedVideoViewer*>(screen->currentViewer());
        auto* frames = video ? qobject_cast<platform::ui::VideoView*>(video->playerView()) : nullptr;
        if (!frames)
            return;
        waitUntil([video, frames] {
            return !frames->currentFrame().isNull() && video->moviePlayer()->position() >= 1000;
        });
        video->moviePlayer()->pause();
        waitUntil([video] { return !video->moviePlayer()->isPlaying(); }, 2000);
    } else if (kind.identifier == QLatin1String("AudioViewer")) {
        auto* audio = qobject_cast<PLDownloadedAudioViewer*>(screen->currentViewer());
        if (!audio)
            return;
        waitUntil([audio] { return audio->isPlaying() && audio->audioPlayer()->duration() > 0; });
        audio->pausePlaying();
    } else if (auto* document = qobject_cast<PLDownloadedDocumentViewer*>(screen->currentViewer())) {
        // Pages are drawn in the document worker.
        platform::ui::DocumentPreview* preview = document->previewController();
        waitUntil([preview] { return preview && preview->isLoaded() && preview->canvas()->isSettled(); });
    }
    QCoreApplication::processEvents();
}

} // namespace

void registerViewersGalleryScreens() {
    auto* registry = ScreenRegistry::shared();
    for (const QString& suffix : {QString(), kLarge, kRightToLeft}) {
        const QString overlayIdentifier = QStringLiteral("DownloadOverlay") + suffix;
        registry->registerScreen(
            kStoryboard, overlayIdentifier,
            [suffix] {
                openConversationGalleryStore();
                auto* chat = new PLChatWindowViewController;
                chat->setChatRoom(ChatRoom::chatRoomWithID(QStringLiteral("team")));
                auto* navigation = new platform::ui::NavigationController(chat);
                if (suffix == kRightToLeft)
                    navigation->view()->setLayoutDirection(Qt::RightToLeft);
                return navigation;
            },
            [overlayIdentifier](ViewController* controller) {
                sized(controller, overlayIdentifier);
                auto* navigation = qobject_cast<platform::ui::NavigationController*>(controller);
                ViewController* chat = navigation ? navigation->topViewController() : controller;
                // As the download puts it up: the bar hidden, the overlay over the whole window.
                if (navigation)
                    navigation->setNavigationBarHidden(true, false);
                QCoreApplication::processEvents();
                PLUploadScreenView* overlay = PLUploadScreenView::instance();
                overlay->setIsForDownloading(true);
                overlay->setParent(chat->view());
                overlay->setGeometry(chat->view()->rect());
                overlay->show();
                PLMultiMediaInfo info;
                // Named by its file's ID, as the download names it: longer than the line.
                info.fileName = QStringLiteral("5F2C0D1E-8A43-4B6E-9C1D-7E20F3A4B5C6.jpg");
                overlay->showUploadingMediaInfo(info);
                auto* center = platform::NotificationCenter::defaultCenter();
                center->post(QLatin1String(PLMediaDownloaderDidDownloadNotification), 0.5);
                center->post(QLatin1String(PLMediaDownloaderMediaSize), 1572864.0);
            });
        for (const ViewerScreen& kind : viewerScreens()) {
            // Right to left, the audio viewer: Done at the bar's left, the times mirrored under the slider.
            if (suffix == kRightToLeft && kind.identifier != QLatin1String("AudioViewer"))
                continue;
            const QString identifier = kind.identifier + suffix;
            registry->registerScreen(
                kStoryboard, identifier,
                [kind, suffix] {
                    auto* screen = new PLDownloadViewerController;
                    screen->setCurrentMessage(attachmentMessage(kind.title));
                    if (suffix == kRightToLeft)
                        screen->view()->setLayoutDirection(Qt::RightToLeft);
                    return screen;
                },
                [kind, identifier](ViewController* controller) {
                    sized(controller, identifier);
                    if (auto* screen = qobject_cast<PLDownloadViewerController*>(controller))
                        showViewerState(screen, kind);
                });
        }
    }
}

QSize viewersGallerySize(const QString& identifier) {
    return identifier.endsWith(kLarge) ? QSize(400, 720) : QSize(320, 568);
}

} // namespace pelnix::tools
