// A sign-out overtaking an attachment's download: Pelnix::resetPelnixSession() a second into a
// five-second download from the loopback media peer, as the last bytes are in but before the window
// heard of them, and while the picture is being filed into the photo album. The download's request
// ends, no viewer or alert of the old session shows, nothing of it is recorded in the store the next
// account uses, and the window lets go of it as of a cancelled download.
#include "MediaPeer.h"
#include "SmartScreensTestWorld.h"

#include "core/model/Asset.h"
#include "interface/Pelnix.h"
#include "platform/NotificationCenter.h"
#include "ui/conversation/PLMediaDownloadHelper.h"
#include "ui/conversation/PLMediaDownloader.h"
#include "ui/conversation/PLUploadScreenView.h"

#include <QApplication>
#include <QBuffer>
#include <QThreadPool>

using namespace pelnix;
using namespace pelnix::test;
using platform::NotificationCenter;

namespace {

QByteArray jpeg() {
    QImage image(QSize(64, 48), QImage::Format_RGB32);
    image.fill(QColor(40, 90, 200));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", 90);
    return bytes;
}

// Lets queued deliveries and the thread pool's work (the album's decoding and writing) run out.
void drain() {
    for (int i = 0; i < 20; ++i) {
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

} // namespace

class TestDownloadSignOut : public QObject {
    Q_OBJECT
private slots:
    void init() {
        world = std::make_unique<SmartScreensWorld>();
        room = world->importRoom(QStringLiteral("room1"));
        message = world->importMessage(room, QStringLiteral("m1"), 1000, QStringLiteral("A file"), kBob);
        QVERIFY(message);
        host = world->showHost(room);
    }
    void cleanup() {
        delete helper;
        helper = nullptr;
        drain();
        world.reset();
    }

    void aSignOutEndsTheOldSessionsDownload_data() {
        QTest::addColumn<QString>("when");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("mime");
        QTest::addColumn<bool>("sandboxed");
        QTest::addRow("a second into five") << "during"
                                            << "/slow.txt"
                                            << "text/plain" << true;
        QTest::addRow("the last bytes in, the window not told") << "last bytes"
                                                                << "/note.txt"
                                                                << "text/plain" << true;
        QTest::addRow("the picture being filed into the album") << "filing"
                                                                << "/pic.jpg"
                                                                << "image/jpeg" << false;
    }
    void aSignOutEndsTheOldSessionsDownload() {
        QFETCH(QString, when);
        QFETCH(QString, path);
        QFETCH(QString, mime);
        QFETCH(bool, sandboxed);
        MediaPeer peer;
        MediaPeer::Route slow{200, QByteArray(100000, 's'), "text/plain"};
        slow.bytesPer50ms = 1000;
        peer.routes[QStringLiteral("/slow.txt")] = slow;
        peer.routes[QStringLiteral("/note.txt")] = {200, QByteArray("Minutes of Monday"), "text/plain"};
        peer.routes[QStringLiteral("/pic.jpg")] = {200, jpeg(), "image/jpeg"};
        const auto account = CurrentUserInfo::currentUserInfo();
        account->setSandBoxingEnabled(sandboxed);
        account->save();
        const QString url = peer.url(path + QStringLiteral("?id=F1"));
        const QVariantMap info{{"fileUrl", url},
                               {"fileId", QStringLiteral("F1")},
                               {"fileName", QStringLiteral("f1.") + path.section(QLatin1Char('.'), -1)},
                               {"fileMime", mime}};
        auto* center = NotificationCenter::defaultCenter();
        bool signedOut = false;
        const auto signOut = [&signedOut] {
            Pelnix::resetPelnixSession();
            signedOut = true;
        };
        double fraction = 0;
        QList<NotificationCenter::Token> tokens;
        tokens << center->addObserver(
            QLatin1String(PLMediaDownloaderDidDownloadNotification),
            [&fraction](const platform::Notification& note) { fraction = note.object.toDouble(); });
        // Heard before the window hears the end.
        if (when == QLatin1String("last bytes"))
            tokens << center->addObserver(QLatin1String(PLMediaDownloaderDidFinishDownloadingNotification),
                                          [signOut](const platform::Notification&) { signOut(); });
        helper = new PLMediaDownloadHelper;
        helper->setMessage(message);
        helper->downloadMediaFromURL(url, room, info, host);
        QPointer<PLUploadScreenView> overlay = helper->downloadScreenView();
        QVERIFY(overlay);
        // Heard after the window began filing the picture.
        if (when == QLatin1String("filing"))
            tokens << center->addObserver(QLatin1String(PLMediaDownloaderDidFinishDownloadingNotification),
                                          [signOut](const platform::Notification&) { signOut(); });
        if (when == QLatin1String("during")) {
            QTRY_VERIFY(fraction >= 0.2);
            signOut();
            // The request ends with the session: the peer sees its reader go before the rest was sent.
            QTRY_COMPARE_WITH_TIMEOUT(peer.leftEarly.value(path), 1, 10000);
        } else {
            QTRY_VERIFY(signedOut);
        }
        drain();
        // A full bar leaves on its own a moment later.
        world->advance(1000);
        for (const auto token : tokens)
            center->removeObserver(token);
        QVERIFY(!helper->isDownloading());
        QVERIFY(!host->presentedViewController());
        QCOMPARE(world->alertTexts(), QStringList());
        QVERIFY(!overlay || !overlay->parentWidget());
        QVERIFY(!world->navigation->isNavigationBarHidden());
        QVERIFY(!Asset::assetWithRemoteURL(url));
    }

private:
    std::unique_ptr<SmartScreensWorld> world;
    ChatRoom::Ptr room;
    Message::Ptr message;
    ChatletHost* host = nullptr;
    PLMediaDownloadHelper* helper = nullptr;
};

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestDownloadSignOut t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_downloadsignout.moc"
