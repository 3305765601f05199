// Attachments from one member's picker to another member's viewer, against the stand-in: Ann sends a
// captioned 4000 x 3000 picture and a five-second video through the attachment sheet, and a PDF
// through the library's posting of prepared files (the sheet's library offers pictures and videos
// only); each time the storage endpoint receives one signed put, her window shows the ring and then
// the attachment's page. Bob's library, in a process of its own, receives each message through his
// event stream into his open chat window; his mouse click on the rendered page downloads the file
// under the progress overlay and opens it in the viewer.
#include "AttachmentSending.h"
#include "MediaSamples.h"

#include "foundation/ui/CustomFontRegistration.h"
#include "media/PLRichMediaPosts.h"
#include "platform/NotificationCenter.h"
#include "platform/ui/ActionSheet.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Animator.h"
#include "platform/ui/DocumentPreview.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/VideoView.h"
#include "platform/ui/WebEngineWebView.h"
#include "platform/ui/Window.h"
#include "platform/ui/testing/FakeImagePicker.h"
#include "platform/ui/testing/RecordingSystemServices.h"
#include "ui/conversation/ConversationScreens.h"
#include "ui/conversation/PLCaptionTextView.h"
#include "ui/conversation/PLChatWindowCollectionView.h"
#include "ui/conversation/PLChatWindowViewController.h"
#include "ui/conversation/PLDownloadViewerController.h"
#include "ui/conversation/PLDownloadedDocumentViewer.h"
#include "ui/conversation/PLDownloadedImageViewer.h"
#include "ui/conversation/PLDownloadedVideoViewer.h"
#include "ui/conversation/PLMediaDownloader.h"
#include "ui/conversation/PLPendingRichMediaView.h"
#include "ui/conversation/PLSmartMessageCell.h"
#include "ui/conversation/PLUploadActionSheet.h"
#include "ui/conversation/PLUploadScreenView.h"
#include "ui/conversation/PLUploadViewerWithCaptionController.h"
#include "ui/toolkit/PLCircularProgressView.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>
#include <QWebEngineView>

using namespace pelnix;
using namespace pelnix::test;
using platform::NotificationCenter;
using platform::ui::IndexPath;

namespace {

const QString kCaption = QStringLiteral("North wall, Monday");
const char kPeerVariable[] = "PELNIX_MEDIAFLOW_PEER";

// The window's attachment messages (smart messages with a media entry), oldest first, with their rows.
QList<std::pair<int, Message::Ptr>> attachmentsIn(PLChatWindowViewController* chat) {
    QList<std::pair<int, Message::Ptr>> found;
    const auto& rows = chat->rowList().rows();
    for (int i = 0; i < rows.size(); ++i)
        if (const auto message = rows[i].message(); message && message->type() == 1)
            found.append({i, message});
    return found;
}

PLSmartMessageCell* cellAt(PLChatWindowViewController* chat, int row) {
    return qobject_cast<PLSmartMessageCell*>(
        chat->collectionView()->cellForItemAtIndexPath(IndexPath::forItem(row)));
}

// What the page shows first: "picture" once its picture has loaded, else the text of its first link.
QString pageShows(platform::ui::WebView* view) {
    QString shows;
    view->evaluateJavaScript(
        QStringLiteral("(function(){var i=document.querySelector('img');"
                       "if(i)return i.naturalWidth>0?'picture':'';"
                       "var a=document.querySelector('a');return a?a.textContent:'';})()"),
        [&shows](const QVariant& v) { shows = v.toString() + QLatin1Char('\n'); });
    return QTest::qWaitFor([&shows] { return !shows.isEmpty(); }, 10000) ? shows.trimmed() : QString();
}

QString sha1Of(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha1).toHex());
}

// Clicks the page's first link as a user does: mouse events on the engine's widget at the link.
bool clickFirstLink(platform::ui::WebView* view) {
    auto* web = qobject_cast<platform::ui::WebEngineWebView*>(view);
    if (!web || !web->engineView()->focusProxy())
        return false;
    QVariant where;
    view->evaluateJavaScript(
        QStringLiteral("(function(){var a=document.querySelector('a');if(!a)return [];"
                       "var r=a.getBoundingClientRect();"
                       "return [r.left + Math.min(10, r.width/2), r.top + r.height/2];})()"),
        [&where](const QVariant& v) { where = v.isValid() ? v : QVariant(QVariantList()); });
    if (!QTest::qWaitFor([&where] { return where.isValid(); }, 20000))
        return false;
    const QVariantList xy = where.toList();
    if (xy.size() != 2)
        return false;
    QTest::mouseClick(web->engineView()->focusProxy(), Qt::LeftButton, {},
                      QPoint(xy.value(0).toInt(), xy.value(1).toInt()));
    return true;
}

// What Bob's viewer showed of the `index`-th attachment, as one JSON line for Ann's side to check.
QJsonObject openAttachment(PLChatWindowViewController* chat, int index) {
    QJsonObject seen{{"index", index}};
    QList<std::pair<int, Message::Ptr>> attachments;
    PLSmartMessageCell* cell = nullptr;
    const bool shown = QTest::qWaitFor(
        [&] {
            attachments = attachmentsIn(chat);
            if (attachments.size() <= index)
                return false;
            chat->collectionView()->scrollToItemAtIndexPath(IndexPath::forItem(attachments[index].first),
                                                            platform::ui::RowListView::ScrollPosition::Bottom,
                                                            false);
            cell = cellAt(chat, attachments[index].first);
            return cell && cell->isPageShown();
        },
        60000);
    if (!shown)
        return seen.insert("problem", "the page never showed"), seen;
    const Message::Ptr message = attachments[index].second;
    seen.insert("fileUrl", mediaOf(message->text()).value("fileUrl"));

    // What the download posts and whether the overlay and hidden bar are up while it runs.
    auto* navigation = chat->navigationController();
    QStringList notes;
    bool overlayUp = false;
    const auto token =
        NotificationCenter::defaultCenter()->addObserver({}, [&](const platform::Notification& note) {
            if (!note.name.startsWith(QLatin1String("MediaDownloader")))
                return;
            notes << note.name;
            const auto* overlay = chat->view()->findChild<PLUploadScreenView*>();
            overlayUp =
                overlayUp || (overlay && overlay->isForDownloading() && navigation->isNavigationBarHidden());
        });
    if (!clickFirstLink(cell->webView())) {
        QString page;
        cell->webView()->evaluateJavaScript(
            QStringLiteral("document.body.innerHTML"),
            [&page](const QVariant& v) { page = v.toString() + QLatin1Char(' '); });
        [[maybe_unused]] const bool read = QTest::qWaitFor([&page] { return !page.isEmpty(); }, 5000);
        return seen.insert("problem", "no link to click in " + page), seen;
    }
    const bool opened = QTest::qWaitFor(
        [chat] { return qobject_cast<PLDownloadViewerController*>(chat->presentedViewController()); }, 30000);
    NotificationCenter::defaultCenter()->removeObserver(token);
    seen.insert("notes", QJsonArray::fromStringList(notes));
    seen.insert("overlayUp", overlayUp);
    auto* services =
        static_cast<platform::ui::RecordingSystemServices*>(platform::ui::SystemServices::current());
    seen.insert("openedOutside", int(services->opened.size()));
    if (!opened) {
        QStringList alerts;
        if (auto* window = qobject_cast<platform::ui::Window*>(chat->view()->window()))
            for (const auto* alert : window->alerts())
                alerts << alert->title() + QLatin1Char('/') + alert->message();
        return seen.insert("problem", "no viewer opened; alerts: " + alerts.join(QLatin1Char(','))), seen;
    }
    seen.insert("overlayGone",
                QTest::qWaitFor([chat] { return !chat->view()->findChild<PLUploadScreenView*>(); }, 5000));
    seen.insert("barBack", !navigation->isNavigationBarHidden());

    auto* viewer = qobject_cast<PLDownloadViewerController*>(chat->presentedViewController());
    seen.insert("type", int(viewer->currentType()));
    seen.insert("caption", viewer->currentCaption());
    const QString path = viewer->currentPathString();
    const QUrl url(path);
    seen.insert("sha1", sha1Of(url.isLocalFile() ? url.toLocalFile() : path));
    if (qobject_cast<PLDownloadedImageViewer*>(viewer->currentViewer())) {
        seen.insert("viewer", QTest::qWaitFor([viewer] { return !viewer->currentImage().isNull(); }, 10000)
                                  ? "image"
                                  : "image without its picture");
        seen.insert("width", viewer->currentImage().width());
        seen.insert("height", viewer->currentImage().height());
    } else if (auto* video = qobject_cast<PLDownloadedVideoViewer*>(viewer->currentViewer())) {
        seen.insert("viewer", "video");
        auto* frames = qobject_cast<platform::ui::VideoView*>(video->playerView());
        seen.insert("frame",
                    frames && QTest::qWaitFor([frames] { return !frames->currentFrame().isNull(); }, 15000));
        // The duration is checked on the other side; a wrong one would just take the whole wait.
        if (!QTest::qWaitFor([video] { return qAbs(video->moviePlayer()->duration() - 5000) <= 200; }, 15000))
            seen.insert("durationLate", true);
        seen.insert("durationMs", double(video->moviePlayer()->duration()));
    } else if (auto* document = qobject_cast<PLDownloadedDocumentViewer*>(viewer->currentViewer())) {
        seen.insert("viewer", "document");
        seen.insert("pdf", document->previewController()->kind() == platform::ui::DocumentPreview::Kind::PDF);
        // The page count comes from the document worker once it has opened the file.
        (void)QTest::qWaitFor([document] { return document->previewController()->isLoaded(); }, 15000);
        seen.insert("pages", document->previewController()->pageCount());
    }
    viewer->done();
    seen.insert("closed", QTest::qWaitFor([chat] { return !chat->presentedViewController(); }, 10000));
    return seen;
}

// Bob's device: the library signed in as Bob against Ann's stand-in, his chat window open on the room.
// It says "READY" once his stream is open, then "OPENED <JSON>" for each of three attachments in turn.
int runBobsDevice(int argc, char** argv, const QString& baseUrl) {
    QApplication app(argc, argv);
    CustomFontRegistration::loadCustomFonts();
    platform::ui::Animator::setInstant(true);
    CoreFixture device(CoreFixture::Service::None);
    if (!startPeerSession(baseUrl, kBobEmail, kBob, kBobToken))
        return 2;
    ConversationScreens::registerScreens();
    platform::ui::SystemServices::setCurrent(std::make_unique<platform::ui::RecordingSystemServices>());
    platform::ui::WebView::setMaker(
        [](QWidget* parent) { return new platform::ui::WebEngineWebView(parent); });
    platform::ui::Window window;
    auto* chat = showChatWindowOnRoom(window);
    tellParent("READY");
    for (int index = 0; index < 3; ++index) {
        const QJsonObject seen = openAttachment(chat, index);
        tellParent("OPENED " + QJsonDocument(seen).toJson(QJsonDocument::Compact));
    }
    window.setRootViewController(nullptr);
    platform::ui::WebView::setMaker({});
    platform::ui::SystemServices::setCurrent(nullptr);
    endSession();
    return 0;
}

} // namespace

class TestMediaFlow : public QObject, private AttachmentSending {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void aPictureAVideoAndAPdfGoFromAnnsPickerToBobsViewer();

private:
    // Ann's window shows the ring over the `index`-th attachment while its put is held, then its page;
    // one signed put reached storage. Returns the media entry of the posted message.
    QJsonObject sentWithRingThenPage(int index, const QString& mime);
    // What Bob's viewer showed of the `index`-th attachment.
    QJsonObject bobOpened(int index);

    QTemporaryDir files;
};

void TestMediaFlow::init() {
    start();
}

void TestMediaFlow::cleanup() {
    stop();
}

QJsonObject TestMediaFlow::bobOpened(int index) {
    const auto line = bob->says(QStringLiteral("OPENED "), 120000);
    if (!line)
        return {{"problem", "Bob said nothing: " + QString::fromUtf8(bob->errorTail())}};
    const QJsonObject seen = QJsonDocument::fromJson(line->toUtf8()).object();
    if (seen.value("index").toInt() != index)
        return {{"problem", "Bob opened another attachment: " + *line}};
    return seen;
}

QJsonObject TestMediaFlow::sentWithRingThenPage(int index, const QString& mime) {
    QList<std::pair<int, Message::Ptr>> attachments;
    PLSmartMessageCell* cell = nullptr;
    // The post is in the window, its file under the ring while storage holds the put.
    [&] {
        QTRY_VERIFY_WITH_TIMEOUT((attachments = attachmentsIn(chat)).size() == index + 1, 20000);
        QTRY_VERIFY_WITH_TIMEOUT(world->server().heldCount() == 1, 20000);
        QTRY_VERIFY_WITH_TIMEOUT((cell = cellAt(chat, attachmentsIn(chat).at(index).first)) &&
                                     cell->pendingRichMediaView()->isVisible() &&
                                     cell->pendingRichMediaView()->circularProgressView()->isVisible(),
                                 20000);
    }();
    if (QTest::currentTestFailed())
        return {};
    // Stored: the ring goes and the page shows the attachment.
    world->server().releaseHeld();
    const Message::Ptr message = attachmentsIn(chat).at(index).second;
    QJsonObject media;
    [&] {
        QTRY_VERIFY_WITH_TIMEOUT(!mediaOf(message->text()).value("fileUrl").toString().isEmpty(), 30000);
        media = mediaOf(message->text());
        QCOMPARE(media.value("fileMime").toString(), mime);
        QTRY_VERIFY_WITH_TIMEOUT(world->server().storedMessages("r1").size() == index + 1, 20000);
        QTRY_VERIFY_WITH_TIMEOUT((cell = cellAt(chat, attachmentsIn(chat).at(index).first)) &&
                                     !cell->pendingRichMediaView()->isVisible() && cell->isPageShown(),
                                 30000);
        // The picture itself, or the file's name.
        const QString shows = mime.startsWith(QLatin1String("image/")) ? QStringLiteral("picture")
                                                                       : media.value("fileName").toString();
        QTRY_COMPARE_WITH_TIMEOUT(pageShows(cell->webView()), shows, 20000);
        // One signed put of the file under its ID.
        checkOneSignedPut(media, mime);
    }();
    return media;
}

void TestMediaFlow::aPictureAVideoAndAPdfGoFromAnnsPickerToBobsViewer() {
    // Bob's device starts and follows his stream.
    startBobsDevice(kPeerVariable);
    if (QTest::currentTestFailed())
        return;

    // Ann's chat window on the room.
    showAnnsChatWindow();

    // A 4000 x 3000 picture from her library, captioned.
    const QString photoPath = files.filePath(QStringLiteral("IMG_0042.jpg"));
    QVERIFY(saveCameraPicture(photoPath));
    QVERIFY(holdNextPut());
    pickFromLibrary(platform::ui::PickedMedia{photoPath, false, QImage(photoPath), {}});
    if (QTest::currentTestFailed())
        return;
    captionAndSend(kCaption);
    if (QTest::currentTestFailed())
        return;
    const QJsonObject picture = sentWithRingThenPage(0, QStringLiteral("image/jpeg"));
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(picture.value("caption").toString(), kCaption);
    QJsonObject seen = bobOpened(0);
    QVERIFY2(!seen.contains("problem"), QJsonDocument(seen).toJson(QJsonDocument::Compact).constData());
    QCOMPARE(seen.value("fileUrl").toString(), picture.value("fileUrl").toString());
    QCOMPARE(seen.value("viewer").toString(), QStringLiteral("image"));
    QCOMPARE(seen.value("type").toInt(), int(PLDownloadMediaTypeImage));
    QCOMPARE(seen.value("caption").toString(), kCaption);
    QCOMPARE(seen.value("width").toInt(), 500);
    QCOMPARE(seen.value("height").toInt(), 375);
    const auto downloadedOnce = [](const QJsonObject& seen) {
        const QStringList notes = seen.value("notes").toVariant().toStringList();
        QVERIFY2(notes.contains(QLatin1String(PLMediaDownloaderDidDownloadNotification)) &&
                     notes.contains(QLatin1String(PLMediaDownloaderDidFinishDownloadingNotification)) &&
                     !notes.contains(QLatin1String(PLMediaDownloaderDidFailWithErrorNotification)),
                 qPrintable(notes.join(QLatin1Char(','))));
        QVERIFY(seen.value("overlayUp").toBool());
        QVERIFY(seen.value("overlayGone").toBool());
        QVERIFY(seen.value("barBack").toBool());
        QVERIFY(seen.value("closed").toBool());
        // The click reached the download, not the browser.
        QCOMPARE(seen.value("openedOutside").toInt(), 0);
    };
    downloadedOnce(seen);
    if (QTest::currentTestFailed())
        return;

    // A five-second video from her library.
    const QString videoPath = samples::makeVideo(files.filePath(QStringLiteral("walk.webm")), 5);
    QVERIFY2(!videoPath.isEmpty(), "gst-launch-1.0 made no video");
    QVERIFY(holdNextPut());
    pickFromLibrary(platform::ui::PickedMedia{videoPath, true, {}, {}});
    // The media layer describes every picked video as "video/mp4" (a phone's library holds QuickTime
    // movies); the player reads the container from the bytes.
    const QJsonObject video = sentWithRingThenPage(1, QStringLiteral("video/mp4"));
    if (QTest::currentTestFailed())
        return;
    seen = bobOpened(1);
    QVERIFY2(!seen.contains("problem"), QJsonDocument(seen).toJson(QJsonDocument::Compact).constData());
    QCOMPARE(seen.value("fileUrl").toString(), video.value("fileUrl").toString());
    QCOMPARE(seen.value("viewer").toString(), QStringLiteral("video"));
    QCOMPARE(seen.value("type").toInt(), int(PLDownloadMediaTypeVideo));
    QVERIFY(seen.value("frame").toBool());
    QVERIFY2(qAbs(seen.value("durationMs").toDouble() - 5000) <= 200,
             qPrintable(QString::number(seen.value("durationMs").toDouble())));
    QCOMPARE(seen.value("sha1").toString(), sha1Of(videoPath));
    downloadedOnce(seen);
    if (QTest::currentTestFailed())
        return;

    // A PDF: the sheet's library holds pictures and videos, so it goes out as a prepared file.
    const QString pdfPath = samples::makePdf(files.filePath(QStringLiteral("policy.pdf")));
    QFile pdfFile(pdfPath);
    QVERIFY(pdfFile.open(QIODevice::ReadOnly));
    PLMultiMediaInfo pdfInfo;
    pdfInfo.fileID = QUuid::createUuid().toString(QUuid::Id128);
    pdfInfo.fileMime = QStringLiteral("application/pdf");
    pdfInfo.fileName = QStringLiteral("Travel policy.pdf");
    pdfInfo.fileSize = QLocale::c().formattedDataSize(pdfFile.size(), 1, QLocale::DataSizeTraditionalFormat);
    QVERIFY(holdNextPut());
    QVERIFY(PLRichMediaPosts::postRichMediaWithPreparedMedia(ChatRoom::chatRoomWithID(QStringLiteral("r1")),
                                                             pdfInfo, pdfFile.readAll()));
    const QJsonObject pdf = sentWithRingThenPage(2, QStringLiteral("application/pdf"));
    if (QTest::currentTestFailed())
        return;
    seen = bobOpened(2);
    QVERIFY2(!seen.contains("problem"), QJsonDocument(seen).toJson(QJsonDocument::Compact).constData());
    QCOMPARE(seen.value("fileUrl").toString(), pdf.value("fileUrl").toString());
    QCOMPARE(seen.value("viewer").toString(), QStringLiteral("document"));
    QCOMPARE(seen.value("type").toInt(), int(PLDownloadMediaTypeDocument));
    QVERIFY(seen.value("pdf").toBool());
    QCOMPARE(seen.value("pages").toInt(), 2);
    QCOMPARE(seen.value("sha1").toString(), sha1Of(pdfPath));
    downloadedOnce(seen);
    if (QTest::currentTestFailed())
        return;

    QTRY_VERIFY_WITH_TIMEOUT(bob->process().state() == QProcess::NotRunning, 30000);
    QCOMPARE(bob->process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(bob->process().exitCode(), 0);
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    const QString peer = qEnvironmentVariable(kPeerVariable);
    if (!peer.isEmpty())
        return runBobsDevice(argc, argv, peer);
    QApplication app(argc, argv);
    TestMediaFlow t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_mediaflow.moc"
