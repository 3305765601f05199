// A picture from the attachment sheet to another member's chat window, against the stand-in service:
// Ann picks a 4000 x 3000 picture through the picker, captions it and sends it; her window shows the
// upload ring while the storage endpoint holds the put, then the picture once the file is stored;
// the endpoint has received one signed put of the prepared picture; Bob's library, in a process of
// its own, receives the message through his event stream into his open chat window.
#include "AttachmentSending.h"

#include "foundation/ui/CustomFontRegistration.h"
#include "platform/ui/ActionSheet.h"
#include "platform/ui/Animator.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/WebEngineWebView.h"
#include "platform/ui/Window.h"
#include "platform/ui/testing/FakeImagePicker.h"
#include "ui/conversation/ConversationScreens.h"
#include "ui/conversation/PLCaptionTextView.h"
#include "ui/conversation/PLChatWindowCollectionView.h"
#include "ui/conversation/PLChatWindowViewController.h"
#include "ui/conversation/PLPendingRichMediaView.h"
#include "ui/conversation/PLSmartMessageCell.h"
#include "ui/conversation/PLUploadActionSheet.h"
#include "ui/conversation/PLUploadViewerWithCaptionController.h"
#include "ui/toolkit/PLCircularProgressView.h"

#include <QApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

using namespace pelnix;
using namespace pelnix::test;
using platform::ui::IndexPath;

namespace {

const QString kCaption = QStringLiteral("North wall, Monday");
const char kPeerVariable[] = "PELNIX_ATTACHMENT_PEER";

Message::Ptr pictureMessageIn(PLChatWindowViewController* chat, int* row = nullptr) {
    const auto& rows = chat->rowList().rows();
    for (int i = 0; i < rows.size(); ++i)
        if (const auto message = rows[i].message(); message && message->type() == 1) {
            if (row)
                *row = i;
            return message;
        }
    return nullptr;
}

// Bob's device: the library signed in as Bob against Ann's stand-in, his chat window open on the room.
// It says "READY" once his stream is open and "RECEIVED <text as Base64>" when the picture's row shows.
int runBobsDevice(int argc, char** argv, const QString& baseUrl) {
    QApplication app(argc, argv);
    platform::ui::Animator::setInstant(true);
    CoreFixture device(CoreFixture::Service::None);
    if (!startPeerSession(baseUrl, kBobEmail, kBob, kBobToken))
        return 2;
    platform::ui::Window window;
    auto* chat = showChatWindowOnRoom(window);
    tellParent("READY");
    int row = -1;
    Message::Ptr received;
    const bool shown = QTest::qWaitFor(
        [&] {
            received = pictureMessageIn(chat, &row);
            return received && chat->collectionView()->cellForItemAtIndexPath(IndexPath::forItem(row));
        },
        60000);
    if (!shown)
        return 3;
    tellParent("RECEIVED " + received->text().toUtf8().toBase64());
    endSession();
    return 0;
}

} // namespace

class TestAttachmentStream : public QObject, private AttachmentSending {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void aCaptionedPictureReachesAnotherMembersWindow();
};

void TestAttachmentStream::init() {
    start();
}

void TestAttachmentStream::cleanup() {
    stop();
}

void TestAttachmentStream::aCaptionedPictureReachesAnotherMembersWindow() {
    // Bob's device starts and follows his stream.
    startBobsDevice(kPeerVariable);
    if (QTest::currentTestFailed())
        return;

    // Ann's chat window on the room.
    showAnnsChatWindow();

    // A 4000 x 3000 picture in her library.
    QTemporaryDir library;
    const QString path = library.filePath(QStringLiteral("IMG_0042.jpg"));
    QVERIFY(saveCameraPicture(path));

    // The storage endpoint holds the put, so the ring can be seen.
    QVERIFY(holdNextPut());

    pickFromLibrary(platform::ui::PickedMedia{path, false, QImage(path), {}});
    if (QTest::currentTestFailed())
        return;
    captionAndSend(kCaption);
    if (QTest::currentTestFailed())
        return;

    // Half a second later the post is in the window, its picture under the ring.
    int row = -1;
    QTRY_VERIFY_WITH_TIMEOUT(pictureMessageIn(chat, &row), 20000);
    QTRY_VERIFY_WITH_TIMEOUT(world->server().heldCount() == 1, 20000);
    PLSmartMessageCell* cell = nullptr;
    QTRY_VERIFY_WITH_TIMEOUT((cell = qobject_cast<PLSmartMessageCell*>(
                                  chat->collectionView()->cellForItemAtIndexPath(IndexPath::forItem(row)))) &&
                                 cell->pendingRichMediaView()->isVisible() &&
                                 cell->pendingRichMediaView()->circularProgressView()->isVisible(),
                             20000);

    // Stored: the ring goes and the post carries the picture's short URL and the caption.
    world->server().releaseHeld();
    const Message::Ptr message = pictureMessageIn(chat);
    QTRY_VERIFY_WITH_TIMEOUT(!mediaOf(message->text()).value("fileUrl").toString().isEmpty(), 30000);
    const QJsonObject media = mediaOf(message->text());
    QCOMPARE(media.value("caption").toString(), kCaption);
    QCOMPARE(media.value("fileMime").toString(), QStringLiteral("image/jpeg"));
    QCOMPARE(media.value("width").toDouble(), 500.0);
    QCOMPARE(media.value("height").toDouble(), 375.0);
    QTRY_VERIFY_WITH_TIMEOUT(world->server().storedMessages("r1").size() == 1, 20000);
    int shownRow = -1;
    pictureMessageIn(chat, &shownRow);
    QTRY_VERIFY_WITH_TIMEOUT(
        (cell = qobject_cast<PLSmartMessageCell*>(
             chat->collectionView()->cellForItemAtIndexPath(IndexPath::forItem(shownRow)))) &&
            !cell->pendingRichMediaView()->isVisible(),
        20000);
    // Its page shows the picture (its preview; the full file is fetched when opened).
    QTRY_VERIFY_WITH_TIMEOUT(cell->isPageShown(), 30000);
    QString page;
    cell->webView()->evaluateJavaScript(
        QStringLiteral(
            "Array.from(document.images).map(function(i){return i.src+' '+i.naturalWidth;}).join('|')"),
        [&page](const QVariant& v) { page = v.isValid() ? v.toString() : QStringLiteral("-"); });
    QTRY_VERIFY_WITH_TIMEOUT(!page.isNull(), 20000);
    const QString preview = media.value("preview").toString();
    QVERIFY2(page.startsWith(preview + QLatin1Char(' ')), qPrintable(page.left(200)));
    QVERIFY2(page.section(QLatin1Char(' '), 1, 1).section(QLatin1Char('|'), 0, 0).toInt() > 0,
             qPrintable(page.right(100)));

    // One signed put of the prepared picture (500 x 375, as JPEG) under the file's ID.
    checkOneSignedPut(media, QStringLiteral("image/jpeg"));
    if (QTest::currentTestFailed())
        return;
    QNetworkAccessManager network;
    QNetworkReply* stored = network.get(QNetworkRequest(QUrl(media.value("fileUrl").toString())));
    QTRY_VERIFY_WITH_TIMEOUT(stored->isFinished(), 20000);
    QCOMPARE(QImage::fromData(stored->readAll()).size(), QSize(500, 375));
    stored->deleteLater();

    // Bob's window received it through his stream.
    const auto received = bob->says(QStringLiteral("RECEIVED "), 60000);
    QVERIFY2(received && !received->isEmpty(), bob->errorTail().constData());
    const QJsonObject bobsMedia = mediaOf(QString::fromUtf8(QByteArray::fromBase64(received->toLatin1())));
    QCOMPARE(bobsMedia.value("fileUrl").toString(), media.value("fileUrl").toString());
    QCOMPARE(bobsMedia.value("caption").toString(), kCaption);
    QTRY_VERIFY_WITH_TIMEOUT(bob->process().state() == QProcess::NotRunning, 20000);
    QCOMPARE(bob->process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(bob->process().exitCode(), 0);
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    const QString peer = qEnvironmentVariable(kPeerVariable);
    if (!peer.isEmpty())
        return runBobsDevice(argc, argv, peer);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    TestAttachmentStream t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_attachmentstream.moc"
