// Posts with media through the whole road against the stand-in and its S3 endpoint: the outbox
// entry, the upload pipeline, the short URL in the text, delivery, failure and resend.
#include "FakeMediaWorker.h"
#include "MediaTestWorld.h"
#include "OutboxTestWorld.h"
#include "PickedVideo.h"
#include "core/model/RichMediaInfo.h"
#include "foundation/DocumentSaver.h"
#include "media/PLMultiMediaInfo.h"
#include "media/PLPendingRichMediaUploadHelper.h"
#include "media/PLPendingRichMediaUploadsManager.h"
#include "media/PLRichMediaOutbox.h"
#include "media/PLRichMediaPosts.h"
#include "media/PLS3MediaUploader.h"
#include "media/PLVideoThumbnailer.h"
#include "platform/MediaWorkerQueue.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTemporaryDir>
#include <QtTest>

using namespace pelnix;
using namespace pelnix::test;
using Helper = PLPendingRichMediaUploadHelper;

namespace {

bool isDone(const PendingMessageInfo::Ptr& entry) {
    return entry->isDeleted() || entry->state() == 3;
}

PLMediaSelection picture(int width, int height, const QString& fileID = {}) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(200, 80, 40));
    PLMediaSelection selection;
    selection.originalImage = image;
    selection.referenceURL = QStringLiteral("library://asset/%1x%2").arg(width).arg(height);
    selection.fileID = fileID;
    return selection;
}

QString pendingFile(const RichMediaInfo::Ptr& row) {
    return DocumentSaver::filePathTillFolderName(QLatin1String(DocumentSaver::kPendingRichMediaUploadsFolder),
                                                 row->fileName());
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The world of the outbox with the pipeline connected as the library's start-up connects it.
struct MediaPostWorld {
    explicit MediaPostWorld(const QStringList& rooms = {"r1"}) : outbox(rooms) {
        PLRichMediaOutbox::install();
    }
    ~MediaPostWorld() { PLRichMediaOutbox::uninstall(); }

    int requests(const std::string& method, const std::string& pathPart) {
        int count = 0;
        for (const auto& r : outbox.server().requestLog())
            count += r.method == method && r.path.find(pathPart) != std::string::npos;
        return count;
    }
    // Every S3 put whose path matches is answered by `mode` until the faults are cleared.
    bool faultPuts(const std::string& pattern, standin::FaultInjector::Mode mode, int status = 500) {
        standin::StandinServer::Fault fault;
        fault.pathPattern = pattern;
        fault.method = "PUT";
        fault.mode = mode;
        fault.statusCode = status;
        fault.count = -1;
        return outbox.server().addFault(fault);
    }
    QJsonArray stored(const QString& room) { return outbox.server().storedMessages(room.toStdString()); }

    OutboxTestWorld outbox;
};

} // namespace

class TestRichMediaPost : public QObject {
    Q_OBJECT
private slots:
    void picturePostIsScaledUploadedAndDeliveredOnce();
    void refusedPutFailsThePostAndAResendCompletesIt();
    void stoppedPostCancelsItsUploadUntilResent();
    void chatletCarriesTheShortURLOfItsFirstFileOnly();
    void replyWithMediaWaitsForAllItsFiles();
    void videoPostsLeaveTheMainThreadFreeWhileThumbnailsHoldEveryPlace_data();
    void videoPostsLeaveTheMainThreadFreeWhileThumbnailsHoldEveryPlace();
    void aVideoPostStoppedOrSignedOutBeforeItsThumbnailUploadsNothing_data();
    void aVideoPostStoppedOrSignedOutBeforeItsThumbnailUploadsNothing();
    void aSignOutDropsTheOldSessionsVideoReads();
    void sanitisedFileName_data();
    void sanitisedFileName();
};

void TestRichMediaPost::picturePostIsScaledUploadedAndDeliveredOnce() {
    MediaPostWorld w;
    // Announced only once the message, its entry and its media are committed.
    bool storedWhenAnnounced = false;
    auto token = platform::NotificationCenter::defaultCenter()->addObserver(
        QLatin1String(ChatRoomMessageAddedNotification), [&](const platform::Notification& n) {
            const auto message =
                Message::messageWithID(n.userInfo.value(QLatin1String(kMessageIDKey)).toString());
            const auto entries = message ? message->pendingMessages() : QList<PendingMessageInfo::Ptr>{};
            storedWhenAnnounced = message && !message->hasChanges() && entries.size() == 1 &&
                                  !entries.first()->hasChanges() &&
                                  entries.first()->richMediaInfo().size() == 1 &&
                                  !entries.first()->richMediaInfo().first()->hasChanges();
        });
    const auto message =
        PLRichMediaPosts::postRichMediaForMediaSelection(w.outbox.room("r1"), picture(4000, 3000));
    platform::NotificationCenter::defaultCenter()->removeObserver(token);
    QVERIFY(storedWhenAnnounced);
    QCOMPARE(message->displayName(), QString("Rich Media"));
    QCOMPARE(message->displayCellHeight(), qint16(200));

    const auto entry = message->pendingMessages().first();
    const auto row = PLRichMediaPosts::firstRichMedia(*entry);
    QCOMPARE(entry->type(), qint16(3));
    const QString seqId = entry->seqId();
    const QByteArray jpeg = readAll(pendingFile(row));
    QVERIFY(!jpeg.isEmpty());
    QCOMPARE(QImage::fromData(jpeg).size(), QSize(500, 375));

    QTRY_VERIFY_WITH_TIMEOUT(isDone(entry), 20000);
    const auto info = PLMultiMediaInfo::multiMediaInfoFromJSONstring(row->uploadedMediaInfo());
    QVERIFY(info && !info->s3TinyURL.isEmpty());
    QCOMPARE(w.requests("PUT", "/pelnix.media/" + info->fileID.toStdString()), 1);
    const QJsonArray stored = w.stored("r1");
    QCOMPARE(stored.size(), 1);
    QCOMPARE(stored.at(0).toObject().value("seqId").toString(), seqId);
    QVERIFY2(stored.at(0).toObject().value("text").toString().contains(info->s3TinyURL),
             qPrintable(stored.at(0).toObject().value("text").toString()));
    QCOMPARE(MediaTestWorld::download(info->s3TinyURL), jpeg);
    // The temporary file went with the completed upload.
    QVERIFY(!QFile::exists(pendingFile(row)));
}

void TestRichMediaPost::refusedPutFailsThePostAndAResendCompletesIt() {
    MediaPostWorld w;
    QVERIFY(w.faultPuts("^/pelnix\\.media/", standin::FaultInjector::Mode::ErrorEnvelope, 403));

    const auto message =
        PLRichMediaPosts::postRichMediaForMediaSelection(w.outbox.room("r1"), picture(640, 480));
    const auto entry = message->pendingMessages().first();
    const auto row = PLRichMediaPosts::firstRichMedia(*entry);
    const QString seqId = entry->seqId();
    QTRY_COMPARE_WITH_TIMEOUT(entry->state(), qint16(4), 20000);
    QCOMPARE(row->state(), qint16(Helper::Failed));
    QVERIFY(QFile::exists(pendingFile(row)));
    QCOMPARE(w.stored("r1").size(), 0);
    QCOMPARE(PLPendingRichMediaUploadsManager::sharedInstance()->runningCount(), 0);

    w.outbox.server().clearFaults();
    PLRichMediaOutbox::resend(entry);
    QTRY_VERIFY_WITH_TIMEOUT(isDone(entry), 20000);
    QCOMPARE(w.stored("r1").size(), 1);
    QCOMPARE(w.stored("r1").at(0).toObject().value("seqId").toString(), seqId);
}

void TestRichMediaPost::stoppedPostCancelsItsUploadUntilResent() {
    MediaPostWorld w;
    QVERIFY(w.faultPuts("^/pelnix\\.media/", standin::FaultInjector::Mode::Hold));
    const auto message =
        PLRichMediaPosts::postRichMediaForMediaSelection(w.outbox.room("r1"), picture(640, 480));
    const auto entry = message->pendingMessages().first();
    const auto row = PLRichMediaPosts::firstRichMedia(*entry);
    QTRY_COMPARE_WITH_TIMEOUT(w.outbox.server().heldCount(), 1, 20000);

    entry->cancelPostingRichMedia();
    QCOMPARE(entry->state(), qint16(5));
    QCOMPARE(row->state(), qint16(Helper::New));
    QVERIFY(!row->hasChanges());
    auto* uploads = PLPendingRichMediaUploadsManager::sharedInstance();
    QCOMPARE(uploads->runningCount(), 0);
    // A later pass leaves the stopped post alone.
    PLModelManager::sharedModelManager()->uploadRichMediaFilesToCloud();
    QCOMPARE(uploads->runningCount(), 0);

    w.outbox.server().clearFaults();
    w.outbox.server().releaseHeld();
    PLRichMediaOutbox::resend(entry);
    QTRY_VERIFY_WITH_TIMEOUT(isDone(entry), 20000);
    QCOMPARE(w.stored("r1").size(), 1);
}

void TestRichMediaPost::chatletCarriesTheShortURLOfItsFirstFileOnly() {
    MediaPostWorld w;
    const QString chatlet = QStringLiteral(R"({"formid":"F-SITE","displayname":"Site photo","url":"%1"})")
                                .arg(PLRichMediaPosts::uploadPlaceholder("PHOTO-1"));
    const auto message = PLRichMediaPosts::postChatletWithMessageString(
        w.outbox.room("r1"), chatlet, {picture(800, 600, "PHOTO-1"), picture(800, 600, "PHOTO-2")});
    QCOMPARE(message->displayName(), QString("Site photo"));
    const auto entry = message->pendingMessages().first();
    QCOMPARE(entry->type(), qint16(1));
    QCOMPARE(entry->richMediaInfo().size(), 1);
    const auto row = entry->richMediaInfo().first();

    QTRY_VERIFY_WITH_TIMEOUT(isDone(entry), 20000);
    QCOMPARE(w.requests("PUT", "/pelnix.media/"), 1);
    QCOMPARE(w.requests("PUT", "/pelnix.media/PHOTO-1"), 1);
    const QString text = w.stored("r1").at(0).toObject().value("text").toString();
    QVERIFY2(!text.contains("PLS3URLPlaceHolder"), qPrintable(text));
    const auto info = PLMultiMediaInfo::multiMediaInfoFromJSONstring(row->uploadedMediaInfo());
    QVERIFY(info && text.contains(info->s3TinyURL));
}

void TestRichMediaPost::replyWithMediaWaitsForAllItsFiles() {
    MediaPostWorld w;
    auto room = w.outbox.room("r1");
    const auto smart = room->postChatlet(R"({"formid":"F-SURVEY","displayname":"Survey"})");
    QTRY_VERIFY_WITH_TIMEOUT(w.stored("r1").size() == 1, 20000);

    // The second file's upload is held: the reply waits, and so does the text after it.
    QVERIFY(w.faultPuts("^/pelnix\\.media/B", standin::FaultInjector::Mode::Hold));
    const QString reply =
        QStringLiteral(R"({"formid":"F-SURVEY","a":"%1","b":"%2"})")
            .arg(PLRichMediaPosts::uploadPlaceholder("A"), PLRichMediaPosts::uploadPlaceholder("B"));
    // Replied to inside a second, the form is dated from the reply's moment, not from the second's start.
    qint64 before = 0;
    QTRY_VERIFY((before = QDateTime::currentMSecsSinceEpoch()) % 1000 > 0 && before % 1000 < 900);
    PLRichMediaPosts::replyToChatletWithMultipleRichMediaSelectionString(
        room, reply, {picture(300, 200, "A"), picture(300, 200, "B")}, smart);
    QVERIFY(smart->date() >= before);
    QCOMPARE(room->activityDate(), smart->date());
    const auto replyEntry = smart->latestPendingMessage();
    QCOMPARE(replyEntry->type(), qint16(4));
    QCOMPARE(replyEntry->richMediaInfo().size(), 2);
    QVERIFY(!PLRichMediaPosts::hasAtleaseOneMoreLatestReplyPendingMessage(*replyEntry));
    auto later = room->postTextMessage("after");
    QTRY_COMPARE_WITH_TIMEOUT(w.outbox.server().heldCount(), 1, 20000);
    QTRY_VERIFY(PLRichMediaPosts::firstRichMedia(*replyEntry)->state() == Helper::Completed);
    QCOMPARE(w.stored("r1").size(), 1);
    QCOMPARE(replyEntry->state(), qint16(1));

    w.outbox.server().releaseHeld();
    QTRY_VERIFY_WITH_TIMEOUT(isDone(later->pendingMessages().value(0, replyEntry)) && isDone(replyEntry),
                             20000);
    const QJsonArray stored = w.stored("r1");
    QCOMPARE(stored.size(), 3);
    const QString text = stored.at(1).toObject().value("text").toString();
    QVERIFY2(!text.contains("PLS3URLPlaceHolder"), qPrintable(text));
    QCOMPARE(stored.at(2).toObject().value("text").toString(), QString("after"));
}

namespace {

enum class VideoPost { SmartForm, Reply, SingleAttachment, PendingEntry };

// Every place of the media workers held by a thumbnail asked for on this thread, from a worker that
// answers a 48 x 64 picture (portrait, so a single attachment's row height shows it was used) once
// open() is called. The handler's blocking previews come from the media stack, as the library's
// start-up connects it.
struct HeldPlaces {
    HeldPlaces() {
        PLMultiMediaHandler::setThumbnailProvider(
            [](const QString& path) { return PLVideoThumbnailer::thumbnailFromVideoAtPath(path); });
        worker = FakeMediaWorker::gated("busy", videoReading({48, 64}));
        for (int i = 0; i < places; ++i)
            PLVideoThumbnailer::thumbnailAndDuration(
                QStringLiteral("/nowhere/busy-%1.webm").arg(i),
                [this](const QImage& picture, qint64) { thumbnails << picture; }, 60000);
    }
    ~HeldPlaces() { PLMultiMediaHandler::setThumbnailProvider({}); }

    PLMediaSelection video(const QString& fileID) const { return pickedVideo(dir, fileID); }
    static QString form(const QList<PLMediaSelection>& selections) {
        QStringList placeholders;
        for (const PLMediaSelection& selection : selections)
            placeholders << PLRichMediaPosts::uploadPlaceholder(selection.fileID);
        return QStringLiteral(R"({"formid":"F-SURVEY","displayname":"Site video","v":"%1"})")
            .arg(placeholders.join(QLatin1Char(' ')));
    }
    // Once every read has answered and its worker is collected.
    static bool settled() {
        return platform::MediaWorkerQueue::shared().holders() == 0 &&
               platform::MediaWorkerQueue::shared().waiting() == 0;
    }

    const int places = platform::MediaWorkerQueue::shared().maxWorkers();
    QTemporaryDir dir;
    std::unique_ptr<FakeMediaWorker> worker;
    QList<QImage> thumbnails;
};

} // namespace
Q_DECLARE_METATYPE(VideoPost)

void TestRichMediaPost::videoPostsLeaveTheMainThreadFreeWhileThumbnailsHoldEveryPlace_data() {
    QTest::addColumn<VideoPost>("post");
    QTest::addColumn<int>("videos");
    QTest::newRow("smart form") << VideoPost::SmartForm << 1;
    QTest::newRow("reply with two videos") << VideoPost::Reply << 2;
    QTest::newRow("single attachment") << VideoPost::SingleAttachment << 1;
    QTest::newRow("pending entry") << VideoPost::PendingEntry << 1;
}

// A post with a video returns at once and the main thread keeps turning while thumbnails hold every
// place; once the places free, the thumbnails answer and the post goes out once, in its turn, with
// its video's preview.
void TestRichMediaPost::videoPostsLeaveTheMainThreadFreeWhileThumbnailsHoldEveryPlace() {
    QFETCH(VideoPost, post);
    QFETCH(int, videos);
    MediaPostWorld w;
    auto room = w.outbox.room("r1");
    Message::Ptr smart;
    if (post == VideoPost::Reply) {
        smart = room->postChatlet(R"({"formid":"F-SURVEY","displayname":"Survey"})");
        QTRY_VERIFY_WITH_TIMEOUT(w.stored("r1").size() == 1, 20000);
    }
    const int before = w.stored("r1").size();
    auto& queue = platform::MediaWorkerQueue::shared();
    QTRY_VERIFY(HeldPlaces::settled());
    HeldPlaces held;
    QCOMPARE(queue.holders(), held.places);

    QList<PLMediaSelection> selections;
    for (int i = 0; i < videos; ++i)
        selections << held.video(QStringLiteral("V%1").arg(i));
    PendingMessageInfo::Ptr entry;
    switch (post) {
    case VideoPost::SmartForm:
        entry = PLRichMediaPosts::postChatletWithMessageString(room, HeldPlaces::form(selections), selections)
                    ->pendingMessages()
                    .first();
        break;
    case VideoPost::Reply:
        PLRichMediaPosts::replyToChatletWithMultipleRichMediaSelectionString(
            room, HeldPlaces::form(selections), selections, smart);
        entry = smart->latestPendingMessage();
        break;
    case VideoPost::SingleAttachment:
        entry = PLRichMediaPosts::postRichMediaForMediaSelection(room, selections.first())
                    ->pendingMessages()
                    .first();
        break;
    case VideoPost::PendingEntry: {
        auto message = room->createMessage();
        message->setType(1);
        entry = PLRichMediaPosts::addPendingRichMediaWithMediaInfo(room, selections.first(), message,
                                                                   PLRichMediaPosts::kRichMediaEntry);
        break;
    }
    }
    // The post is stored with its files and waits for their thumbnails, which wait for a place.
    QVERIFY(entry);
    const QString seqId = entry->seqId();
    const Message::Ptr message = entry->message();
    const RichMediaInfo::List rows = entry->richMediaInfo();
    QCOMPARE(rows.size(), videos);
    QCOMPARE(queue.waiting(), videos);
    // A text posted after it goes out after it.
    const auto later = room->postTextMessage("after the video");

    int ticks = 0;
    QTimer turning;
    connect(&turning, &QTimer::timeout, [&ticks] { ++ticks; });
    turning.start(1);
    QTRY_VERIFY(ticks >= 3);
    QCOMPARE(queue.holders(), held.places);
    QCOMPARE(w.stored("r1").size(), before);
    QCOMPARE(PLPendingRichMediaUploadsManager::sharedInstance()->runningCount(), 0);

    held.worker->open();
    QTRY_COMPARE_WITH_TIMEOUT(held.thumbnails.size(), held.places, 20000);
    for (const QImage& thumbnail : std::as_const(held.thumbnails))
        QCOMPARE(thumbnail.size(), QSize(48, 64));
    QTRY_VERIFY_WITH_TIMEOUT(isDone(entry) && isDone(later->pendingMessages().value(0, entry)), 20000);
    const QJsonArray stored = w.stored("r1");
    QCOMPARE(stored.size(), before + 2);
    QCOMPARE(stored.at(before).toObject().value("seqId").toString(), seqId);
    QCOMPARE(stored.at(before + 1).toObject().value("text").toString(), QString("after the video"));
    QCOMPARE(w.requests("PUT", "/pelnix.media/"), videos);
    QVERIFY2(!stored.at(before).toObject().value("text").toString().contains("PLS3URLPlaceHolder"),
             qPrintable(stored.at(before).toObject().value("text").toString()));
    for (const auto& row : rows) {
        const auto info = PLMultiMediaInfo::multiMediaInfoFromJSONstring(row->uploadedMediaInfo());
        QVERIFY(info);
        QVERIFY(info->preview.startsWith(QStringLiteral("data:image/jpeg;base64,")));
        QCOMPARE(info->bigImgSize, QSizeF(48, 64));
        QVERIFY(!info->s3TinyURL.isEmpty());
    }
    if (post == VideoPost::SingleAttachment)
        QCOMPARE(message->displayCellHeight(), ChatRoom::displayCellHeightForImageSize({48, 64}));
    QTRY_VERIFY(HeldPlaces::settled());
}

void TestRichMediaPost::aVideoPostStoppedOrSignedOutBeforeItsThumbnailUploadsNothing_data() {
    QTest::addColumn<bool>("signedOut");
    QTest::addColumn<bool>("described");
    QTest::newRow("stopped by the user") << false << true;
    QTest::newRow("signed out") << true << false;
}

// The thumbnail of a post's video comes after the user stopped the post, or after sign-out forgot
// every upload: nothing is uploaded, and a forgotten file is left as it was.
void TestRichMediaPost::aVideoPostStoppedOrSignedOutBeforeItsThumbnailUploadsNothing() {
    QFETCH(bool, signedOut);
    QFETCH(bool, described);
    MediaPostWorld w;
    QTRY_VERIFY(HeldPlaces::settled());
    HeldPlaces held;
    const QList<PLMediaSelection> selections{held.video(QStringLiteral("V0"))};
    const auto entry = PLRichMediaPosts::postChatletWithMessageString(
                           w.outbox.room("r1"), HeldPlaces::form(selections), selections)
                           ->pendingMessages()
                           .first();
    const auto row = PLRichMediaPosts::firstRichMedia(*entry);
    auto* uploads = PLPendingRichMediaUploadsManager::sharedInstance();
    if (signedOut)
        uploads->reset();
    else
        entry->cancelPostingRichMedia();

    held.worker->open();
    QTRY_COMPARE_WITH_TIMEOUT(held.thumbnails.size(), held.places, 20000);
    QTRY_VERIFY_WITH_TIMEOUT(HeldPlaces::settled(), 20000);
    // A later pass leaves a stopped post alone too.
    if (!signedOut)
        PLModelManager::sharedModelManager()->uploadRichMediaFilesToCloud();
    QCOMPARE(uploads->runningCount(), 0);
    QCOMPARE(w.requests("PUT", "/pelnix.media/"), 0);
    QCOMPARE(w.stored("r1").size(), 0);
    QCOMPARE(row->state(), qint16(Helper::New));
    const auto info = PLMultiMediaInfo::multiMediaInfoFromJSONstring(row->uploadedMediaInfo());
    QVERIFY(info);
    QCOMPARE(info->bigImgSize, described ? QSizeF(48, 64) : QSizeF(0, 0));
}

// Video posts whose thumbnails never come, then a sign-out: their reads leave the queue and their
// workers are ended at once, and the next session's first video is described without waiting for
// any of them.
void TestRichMediaPost::aSignOutDropsTheOldSessionsVideoReads() {
    MediaPostWorld w;
    QTRY_VERIFY(HeldPlaces::settled());
    const auto worker = FakeMediaWorker::gated("hanging", videoReading({48, 64}));
    QTemporaryDir dir;
    auto& queue = platform::MediaWorkerQueue::shared();
    const int places = queue.maxWorkers();
    const auto room = w.outbox.room("r1");
    QList<Message::Ptr> old;
    for (int i = 0; i < places + 8; ++i)
        old << PLRichMediaPosts::postRichMediaForMediaSelection(
            room, pickedVideo(dir, QStringLiteral("hanging-%1").arg(i)));
    QCOMPARE(queue.holders(), places);
    QCOMPARE(queue.waiting(), 8);

    // The media side of Pelnix::resetPelnixSession().
    PLRichMediaOutbox::uninstall();
    PLRichMediaOutbox::install();
    QCOMPARE(queue.waiting(), 0);
    // The store the next account finds holds none of them.
    for (const auto& message : std::as_const(old))
        message->pendingMessages().first()->cancelPostingRichMedia();
    // Well within the reads' 5 s bound: the workers were ended, not waited for.
    QTRY_COMPARE_WITH_TIMEOUT(queue.holders(), 0, 3000);

    QElapsedTimer clock;
    clock.start();
    const auto next =
        PLRichMediaPosts::postRichMediaForMediaSelection(room, pickedVideo(dir, QStringLiteral("next")));
    const auto row = PLRichMediaPosts::firstRichMedia(*next->pendingMessages().first());
    const auto described = [&row] {
        const auto info = PLMultiMediaInfo::multiMediaInfoFromJSONstring(row->uploadedMediaInfo());
        return info && info->bigImgSize == QSizeF(48, 64);
    };
    QTRY_VERIFY_WITH_TIMEOUT(described(), 4000);
    QVERIFY2(clock.elapsed() < 4000, qPrintable(QString::number(clock.elapsed())));
}

void TestRichMediaPost::sanitisedFileName_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");
    QTest::newRow("plain") << "ABC-1.jpg"
                           << "ABC-1.jpg";
    QTest::newRow("path") << "../../etc/passwd"
                          << "_.._etc_passwd";
    QTest::newRow("hidden") << ".profile"
                            << "profile";
    QTest::newRow("odd extension") << "ID.m p4;rm"
                                   << "ID.m_p4_rm";
    QTest::newRow("nothing left") << "..."
                                  << "fallback";
}

void TestRichMediaPost::sanitisedFileName() {
    QFETCH(QString, name);
    QFETCH(QString, expected);
    QCOMPARE(PLRichMediaPosts::sanitisedFileName(name, "fallback"), expected);
}

QTEST_MAIN(TestRichMediaPost)
#include "tst_richmediapost.moc"
