// The rich-media pipeline of pending posts against the stand-in service and its S3 endpoint: the
// whole road to a short URL, failures and retries, restart, cancel and the pass limit.
#include "../s3/ScriptedHttpPeer.h"
#include "CapturedLog.h"
#include "MediaTestWorld.h"
#include "core/model/Asset.h"
#include "media/PLPendingRichMediaUploadHelper.h"
#include "media/PLS3ObjectPut.h"
#include "media/PLS3UploadCredentials.h"
#include "media/PLS3UploadServices.h"
#include "media/s3/S3Endpoints.h"
#include "media/s3/S3Logger.h"
#include "platform/NotificationCenter.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QSignalSpy>

using namespace pelnix;
using namespace pelnix::test;
using Helper = PLPendingRichMediaUploadHelper;
using Mode = standin::FaultInjector::Mode;

namespace {

// What the outbox heard, in order: "finished <mediaId>" / "failed <mediaId>".
struct OutboxDouble {
    QStringList heard;
    bool forceStopped = false;
    void install() {
        PLPendingRichMediaUploadsManager::Hooks hooks;
        hooks.mediaFinished = [this](const RichMediaInfo::Ptr& e) {
            heard << QStringLiteral("finished %1").arg(e->mediaId());
        };
        hooks.mediaFailed = [this](const RichMediaInfo::Ptr& e) {
            heard << QStringLiteral("failed %1").arg(e->mediaId());
        };
        hooks.isPostForceStopped = [this](const RichMediaInfo::Ptr&) { return forceStopped; };
        PLPendingRichMediaUploadsManager::sharedInstance()->setHooks(hooks);
    }
};

QByteArray tokenReply(const QJsonObject& object) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact).toBase64();
}

QStringList g_logLines;
void captureLog(QtMsgType, const QMessageLogContext& context, const QString& text) {
    g_logLines << QString::fromLatin1(context.category) + QLatin1Char(' ') + text;
}

// The reply as a MIME encoder writes it: lines of `columns` characters, each ended by `lineEnd`.
QByteArray wrapped(const QByteArray& base64, const QByteArray& lineEnd, int columns = 76) {
    QByteArray out;
    for (qsizetype i = 0; i < base64.size(); i += columns)
        out += base64.mid(i, columns) + lineEnd;
    return out;
}

// A session token as long as real ones, so its reply needs several lines.
const QString kLongToken = QString(180, QLatin1Char('t'));

} // namespace

class TestRichMediaUpload : public QObject {
    Q_OBJECT
private slots:
    void credentialsMakeTheClient_data();
    void credentialsMakeTheClient();
    void progressAndShortURLReplies();
    void picturePostReachesItsShortURL();
    void wrappedTokenReplyUploads();
    void failedPutEndsFailedAndARetryCompletes_data();
    void failedPutEndsFailedAndARetryCompletes();
    void unusableEntriesFail();
    void restartAfterThePutOnlyAsksForTheShortURL_data();
    void restartAfterThePutOnlyAsksForTheShortURL();
    void cancelReturnsTheEntryToNew();
    void aPassStartsAtMostThree();
    void aRefusedPutLogsAndReportsNoneOfTheSecretsItEchoes();
    void aRefusedPutWarnsWithItsStatusCodeAndRequestIdOnly_data();
    void aRefusedPutWarnsWithItsStatusCodeAndRequestIdOnly();
    void anUploadRefusedByTheServiceWarnsWithoutItsMessage();
};

void TestRichMediaUpload::credentialsMakeTheClient_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("usable");
    QTest::addColumn<QString>("endpoint");
    QTest::addColumn<QString>("sessionToken");
    const QString region0 = S3Endpoints::s3Endpoint(0);
    QTest::newRow("bare host") << tokenReply(
                                      {{"ak", "A"}, {"sk", "S"}, {"st", "T"}, {"ep", "s3.example.test"}})
                               << true << "https://s3.example.test"
                               << "T";
    QTest::newRow("https kept") << tokenReply({{"ak", "A"}, {"sk", "S"}, {"ep", "https://s3.example.test"}})
                                << true << "https://s3.example.test"
                                << "";
    QTest::newRow("plain http kept") << tokenReply({{"ak", "A"}, {"sk", "S"}, {"ep", "http://127.0.0.1:9"}})
                                     << true << "http://127.0.0.1:9"
                                     << "";
    QTest::newRow("no ep") << tokenReply({{"ak", "A"}, {"sk", "S"}}) << true << region0 << "";
    QTest::newRow("empty ep") << tokenReply({{"ak", "A"}, {"sk", "S"}, {"ep", ""}}) << true << region0 << "";
    QTest::newRow("no secret") << tokenReply({{"ak", "A"}, {"st", "T"}}) << false << ""
                               << "";
    QTest::newRow("not base64") << QByteArray("{\"ak\":\"A\"}") << false << ""
                                << "";
    QTest::newRow("not json") << QByteArray("bm90IGpzb24=") << false << ""
                              << "";
    const QJsonObject longReply{{"ak", "A"}, {"sk", "S"}, {"st", kLongToken}, {"ep", "s3.example.test"}};
    QTest::newRow("wrapped at 76, CR LF")
        << wrapped(tokenReply(longReply), "\r\n") << true << "https://s3.example.test" << kLongToken;
    QTest::newRow("wrapped at 76, LF")
        << wrapped(tokenReply(longReply), "\n") << true << "https://s3.example.test" << kLongToken;
    QTest::newRow("wrapped at 64, CR LF, no last line end")
        << wrapped(tokenReply(longReply), "\r\n", 64).chopped(2) << true << "https://s3.example.test"
        << kLongToken;
    QTest::newRow("wrapped, not json") << wrapped(QByteArray(200, 'x').toBase64(), "\r\n") << false << ""
                                       << "";
}

void TestRichMediaUpload::credentialsMakeTheClient() {
    QFETCH(QByteArray, reply);
    QFETCH(bool, usable);
    QFETCH(QString, endpoint);
    QFETCH(QString, sessionToken);
    const auto credentials = PLS3UploadCredentials::fromTokenReply(reply);
    QCOMPARE(credentials.has_value(), usable);
    if (!usable)
        return;
    QCOMPARE(credentials->endpoint(), endpoint);
    const auto client = credentials->makeClient(40);
    QCOMPARE(client->endpoint(), endpoint);
    QCOMPARE(client->connectionTimeout(), 40.0);
    QCOMPARE(credentials->sessionToken, sessionToken);
}

void TestRichMediaUpload::progressAndShortURLReplies() {
    QCOMPARE(Helper::progressPercent(50, 200), qint16(25));
    QCOMPARE(Helper::progressPercent(199, 200), qint16(99));
    QCOMPARE(Helper::progressPercent(200, 200), qint16(98));
    QCOMPARE(PLS3URLGeneratorService::shortURLFromReply("{\"status\":\"Success\",\"url\":\"http://s/x\"}"),
             QStringLiteral("http://s/x"));
    QVERIFY(PLS3URLGeneratorService::shortURLFromReply("{\"status\":\"Success\",\"url\":\"\"}").isEmpty());
    QVERIFY(PLS3URLGeneratorService::shortURLFromReply("{\"status\":\"Failure\",\"url\":\"http://s/x\"}")
                .isEmpty());
    QVERIFY(PLS3URLGeneratorService::shortURLFromReply("not json").isEmpty());
}

void TestRichMediaUpload::picturePostReachesItsShortURL() {
    MediaTestWorld world;
    OutboxDouble outbox;
    outbox.install();
    auto entry = world.picturePost(1, testPicture(4000, 3000));
    const QString file = MediaTestWorld::pendingFile(entry);
    QVERIFY(QFile::exists(file));

    MediaTestWorld::manager()->uploadRichMediaFilesToCloud();
    QTRY_COMPARE_WITH_TIMEOUT(outbox.heard, QStringList{"finished 1"}, 15000);

    QCOMPARE(entry->state(), qint16(Helper::Completed));
    QCOMPARE(entry->uploadProgress(), qint16(100));
    const auto info = PLMultiMediaInfo::multiMediaInfoFromJSONstring(entry->uploadedMediaInfo());
    QVERIFY(info && info->s3TinyURL.startsWith(world.fixture.baseUrl()));
    QCOMPARE(info->bigImgSize, QSizeF(500, 375));
    // The post of one picture now carries the short URL in its text; the file is gone, the asset known.
    QVERIFY2(entry->pendingmessage()->text().contains(info->s3TinyURL),
             qPrintable(entry->pendingmessage()->text()));
    QVERIFY(!QFile::exists(file));
    QVERIFY(Asset::assetWithRemoteURL(info->s3TinyURL));
    QCOMPARE(MediaTestWorld::manager()->runningCount(), 0);

    // Stored once, signed as the stand-in expects, and served back byte for byte.
    QCOMPARE(world.requestCount("s3", "PUT", "/pelnix.media/" + info->fileID.toStdString()), 1);
    QCOMPARE(world.fixture.lastRequest("/s3/token").header("version"), std::string("v1"));
    QCOMPARE(MediaTestWorld::download(info->s3TinyURL), world.uploadedBytes.value(1));
}

// A token service that wraps its Base64 in lines: the upload goes through with its credentials.
void TestRichMediaUpload::wrappedTokenReplyUploads() {
    MediaTestWorld world;
    OutboxDouble outbox;
    outbox.install();
    auto& server = world.fixture.server();
    server.addStorageKey("AKIDWRAPPED", "wrapped/secret+key", kLongToken.toStdString());
    const QJsonObject credentials{{"ak", "AKIDWRAPPED"},
                                  {"sk", "wrapped/secret+key"},
                                  {"st", kLongToken},
                                  {"ep", QString::fromStdString(server.s3Endpoint())}};
    standin::StandinServer::Fault reply;
    reply.pathPattern = "^/s3/token$";
    reply.method = "GET";
    reply.count = -1;
    reply.mode = Mode::Answer;
    reply.statusCode = 200;
    reply.body = wrapped(tokenReply(credentials), "\r\n").toStdString();
    reply.contentType = "text/plain";
    QVERIFY(server.addFault(reply));
    auto entry = world.picturePost(1, testPicture(640, 480));

    MediaTestWorld::manager()->uploadRichMediaFilesToCloud();
    QTRY_COMPARE_WITH_TIMEOUT(outbox.heard, QStringList{"finished 1"}, 15000);
    QCOMPARE(entry->state(), qint16(Helper::Completed));
    QCOMPARE(world.requestCount("api", "GET", "/s3/token"), 1);
    const auto info = PLMultiMediaInfo::multiMediaInfoFromJSONstring(entry->uploadedMediaInfo());
    QVERIFY(info);
    QCOMPARE(world.requestCount("s3", "PUT", "/pelnix.media/" + info->fileID.toStdString()), 1);
    for (const auto& request : server.requestLog())
        if (request.server == "s3" && request.method == "PUT")
            QCOMPARE(request.header("x-amz-security-token"), kLongToken.toStdString());
    QCOMPARE(MediaTestWorld::download(info->s3TinyURL), world.uploadedBytes.value(1));
}

void TestRichMediaUpload::failedPutEndsFailedAndARetryCompletes_data() {
    QTest::addColumn<bool>("stall");
    QTest::newRow("S3 refuses with 403") << false;
    QTest::newRow("S3 reply stalls") << true;
}

void TestRichMediaUpload::failedPutEndsFailedAndARetryCompletes() {
    QFETCH(bool, stall);
    MediaTestWorld world;
    OutboxDouble outbox;
    outbox.install();
    MediaTestWorld::manager()->setUploadTimeout(1);
    world.armFault("^/pelnix\\.media/", "PUT", stall ? Mode::Hold : Mode::ErrorEnvelope, -1, 403);
    auto entry = world.picturePost(1, testPicture(640, 480));

    MediaTestWorld::manager()->uploadRichMediaFilesToCloud();
    QTRY_COMPARE_WITH_TIMEOUT(outbox.heard, QStringList{"failed 1"}, 20000);
    QCOMPARE(entry->state(), qint16(Helper::Failed));
    QCOMPARE(entry->tryCount(), qint16(0));
    QCOMPARE(entry->uploadProgress(), qint16(0));
    QVERIFY(QFile::exists(MediaTestWorld::pendingFile(entry)));
    QCOMPARE(world.requestCount("api", "GET", "/s3/token"), Helper::kMaxTries);
    QCOMPARE(MediaTestWorld::manager()->runningCount(), 0);

    // The outbox re-queues the post: its file starts again from new, and now goes through.
    world.fixture.server().clearFaults();
    world.fixture.server().releaseHeld();
    entry->setState(Helper::New);
    entry->save();
    MediaTestWorld::manager()->uploadRichMediaFilesToCloud();
    QTRY_COMPARE_WITH_TIMEOUT(outbox.heard, (QStringList{"failed 1", "finished 1"}), 15000);
    QCOMPARE(entry->state(), qint16(Helper::Completed));
}

void TestRichMediaUpload::unusableEntriesFail() {
    MediaTestWorld world;
    OutboxDouble outbox;
    outbox.install();
    // The temporary file is gone: nothing to upload, no request.
    auto noFile = world.picturePost(1, testPicture(64, 64));
    QVERIFY(QFile::remove(MediaTestWorld::pendingFile(noFile)));
    MediaTestWorld::manager()->uploadRichMediaFilesToCloud();
    QCOMPARE(outbox.heard, QStringList{"failed 1"});
    QCOMPARE(noFile->state(), qint16(Helper::Failed));
    QCOMPARE(world.requestCount("api", "GET", "/s3/token"), 0);

    // A stored file ID that cannot form an object key: the client refuses the put, the entry fails.
    auto badKey = world.picturePost(2, testPicture(64, 64));
    auto info = PLMultiMediaInfo::multiMediaInfoFromJSONstring(badKey->uploadedMediaInfo());
    info->fileID = QStringLiteral("..");
    badKey->setUploadedMediaInfo(info->representMediaInfoAsString());
    badKey->save();
    MediaTestWorld::manager()->uploadRichMediaFilesToCloud();
    QTRY_COMPARE_WITH_TIMEOUT(outbox.heard, (QStringList{"failed 1", "failed 2"}), 15000);
    QCOMPARE(badKey->state(), qint16(Helper::Failed));
    QVERIFY(QFile::exists(MediaTestWorld::pendingFile(badKey)));
    QCOMPARE(world.requestCount("s3", "PUT", "/"), 0);
    QCOMPARE(MediaTestWorld::manager()->runningCount(), 0);
}

void TestRichMediaUpload::restartAfterThePutOnlyAsksForTheShortURL_data() {
    QTest::addColumn<int>("storedState");
    QTest::newRow("short URL requested") << int(Helper::ShortURLRequested);
    // Stored states a process can end in between two steps; they must not leave the entry idle.
    QTest::newRow("stored in S3") << int(Helper::Stored);
    QTest::newRow("short URL not obtained") << int(Helper::ShortURLFailed);
    QTest::newRow("short URL received") << int(Helper::ShortURLReceived);
}

void TestRichMediaUpload::restartAfterThePutOnlyAsksForTheShortURL() {
    QFETCH(int, storedState);
    MediaTestWorld world;
    OutboxDouble outbox;
    outbox.install();
    world.armFault("^/s3/file", "GET", Mode::Hold);
    auto entry = world.picturePost(1, testPicture(64, 64));
    MediaTestWorld::manager()->uploadRichMediaFilesToCloud();
    QTRY_COMPARE_WITH_TIMEOUT(world.fixture.server().heldCount(), 1, 15000);
    QCOMPARE(entry->state(), qint16(Helper::ShortURLRequested));
    QCOMPARE(entry->uploadProgress(), qint16(99));

    // The process ends with the short URL outstanding; the next one starts from the stored state.
    MediaTestWorld::manager()->reset();
    entry->setState(qint16(storedState));
    entry->save();
    world.fixture.server().clearFaults();
    world.fixture.server().releaseHeld();
    QTRY_COMPARE(world.fixture.server().heldCount(), 0);
    world.fixture.server().clearRequestLog();
    MediaTestWorld::manager()->uploadRichMediaFilesToCloud();
    QTRY_COMPARE_WITH_TIMEOUT(outbox.heard, QStringList{"finished 1"}, 15000);
    QCOMPARE(world.requestCount("s3", "PUT", "/"), 0);
    QCOMPARE(world.requestCount("api", "GET", "/s3/token"), 0);
    QCOMPARE(world.requestCount("api", "GET", "/s3/file"), 1);
}

void TestRichMediaUpload::cancelReturnsTheEntryToNew() {
    MediaTestWorld world;
    OutboxDouble outbox;
    outbox.install();
    world.armFault("^/pelnix\\.media/", "PUT", Mode::Hold);
    auto entry = world.picturePost(1, testPicture(64, 64));
    MediaTestWorld::manager()->uploadRichMediaFilesToCloud();
    QTRY_COMPARE_WITH_TIMEOUT(world.fixture.server().heldCount(), 1, 15000);
    QCOMPARE(entry->state(), qint16(Helper::UploadProgress));

    MediaTestWorld::manager()->cancelUploadingRichMedia(entry);
    QCOMPARE(entry->state(), qint16(Helper::New));
    QCOMPARE(entry->uploadProgress(), qint16(0));
    QCOMPARE(entry->tryCount(), qint16(0));
    QVERIFY(!MediaTestWorld::manager()->containsRichMediaUploadsHelper(entry));
    world.fixture.server().releaseHeld();
    QTRY_COMPARE(world.fixture.server().heldCount(), 0);
    QTest::qWait(0);
    QVERIFY(outbox.heard.isEmpty());
    QCOMPARE(entry->state(), qint16(Helper::New));
}

void TestRichMediaUpload::aPassStartsAtMostThree() {
    MediaTestWorld world;
    OutboxDouble outbox;
    outbox.install();
    world.armFault("^/s3/token", "GET", Mode::Hold);
    QList<RichMediaInfo::Ptr> entries;
    for (qint64 id = 1; id <= 5; ++id)
        entries << world.picturePost(id, testPicture(32, 32));

    auto* manager = MediaTestWorld::manager();
    manager->uploadRichMediaFilesToCloud();
    QCOMPARE(manager->runningCount(), 3);
    for (int i = 0; i < 5; ++i)
        QCOMPARE(manager->containsRichMediaUploadsHelper(entries[i]), i < 3);
    QTRY_COMPARE_WITH_TIMEOUT(world.fixture.server().heldCount(), 3, 15000);

    // Running entries are neither counted nor started twice.
    manager->uploadRichMediaFilesToCloud();
    QCOMPARE(manager->runningCount(), 5);
    manager->uploadRichMediaFilesToCloud();
    QCOMPARE(manager->runningCount(), 5);
    QTRY_COMPARE_WITH_TIMEOUT(world.fixture.server().heldCount(), 5, 15000);

    // A stopped post's files are not started.
    manager->reset();
    outbox.forceStopped = true;
    manager->uploadRichMediaFilesToCloud();
    QCOMPARE(manager->runningCount(), 0);
}

void TestRichMediaUpload::aRefusedPutLogsAndReportsNoneOfTheSecretsItEchoes() {
    const QString secret = QStringLiteral("Zm9vYmFy/secret+key=0123456789");
    const QString token = QStringLiteral("c2Vzc2lvbg==/token+from/the+service");
    ScriptedHttpPeer peer;
    peer.enqueue(ScriptedHttpPeer::echoingSignatureRefusal(secret.toUtf8()));
    // The token service's answer naming the peer as the storage endpoint, made into the put's client
    // as the uploaders make theirs.
    const auto credentials = PLS3UploadCredentials::fromTokenReply(
        tokenReply({{"ak", "AKUPLOAD"}, {"sk", secret}, {"st", token}, {"ep", peer.endpoint()}}));
    QVERIFY(credentials);
    PLS3ObjectPut put(credentials->makeClient(40));
    QSignalSpy failed(&put, &PLS3ObjectPut::failed);

    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=true\n*.info=true"));
    S3Logger::verboseLogging();
    g_logLines.clear();
    const auto previous = qInstallMessageHandler(captureLog);
    put.start(QStringLiteral("file-1"), QStringLiteral("image/jpeg"), "picture bytes");
    const bool heard = QTest::qWaitFor([&] { return failed.count() == 1; }, 20000);
    qInstallMessageHandler(previous);
    S3Logger::basicLogging();
    QLoggingCategory::setFilterRules(QString());
    QVERIFY(heard);

    QCOMPARE(peer.requests().size(), 1);
    const QByteArray authorization = peer.requests().first().header("Authorization");
    const QString signature = QString::fromLatin1(authorization.mid(authorization.lastIndexOf(':') + 1));
    const PLError error = failed.first().first().value<PLError>();
    const QString texts = g_logLines.join(QLatin1Char('\n')) + QLatin1Char('\n') + error.debugText();
    QVERIFY2(texts.contains(QStringLiteral("pelnix.media.put")), qPrintable(texts));
    QVERIFY2(error.localizedDescription.contains(QStringLiteral("SignatureDoesNotMatch")),
             qPrintable(error.localizedDescription));
    for (const QString& value : {secret, token, signature})
        for (const QString& form : {value, QString::fromLatin1(QUrl::toPercentEncoding(value)),
                                    QString::fromLatin1(value.toUtf8().toHex(' '))})
            QVERIFY2(!texts.contains(form, Qt::CaseInsensitive), qPrintable(form));
}

namespace {

QString base32(const QByteArray& bytes) {
    static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ234567";
    QString out;
    quint32 buffer = 0;
    int bits = 0;
    for (const char c : bytes) {
        buffer = (buffer << 8) | uchar(c);
        for (bits += 8; bits >= 5; bits -= 5)
            out += QLatin1Char(kAlphabet[(buffer >> (bits - 5)) & 31]);
    }
    if (bits > 0)
        out += QLatin1Char(kAlphabet[(buffer << (5 - bits)) & 31]);
    return out;
}

// `token` as a server gone bad may echo it where no mask can know the encoding.
QString echoed(const QString& encoding, const QString& token) {
    const QByteArray bytes = token.toUtf8();
    QString out;
    if (encoding == QLatin1String("reversed")) {
        std::reverse_copy(token.cbegin(), token.cend(), std::back_inserter(out));
    } else if (encoding == QLatin1String("ROT13")) {
        for (const QChar c : token) {
            const char16_t u = c.unicode();
            const bool lower = u >= 'a' && u <= 'z';
            const bool upper = u >= 'A' && u <= 'Z';
            out += lower || upper ? QChar(char16_t((u - (lower ? 'a' : 'A') + 13) % 26 + (lower ? 'a' : 'A')))
                                  : c;
        }
    } else if (encoding == QLatin1String("Base32")) {
        out = base32(bytes);
    } else if (encoding == QLatin1String("one character at a time")) {
        out = token.split(QString()).join(QLatin1Char('.'));
    } else {
        for (const char c : bytes) {
            if (encoding == QLatin1String("octal escapes"))
                out += QStringLiteral("\\%1").arg(int(uchar(c)), 3, 8, QLatin1Char('0'));
            else if (encoding == QLatin1String("quoted-printable"))
                out += QStringLiteral("=%1").arg(int(uchar(c)), 2, 16, QLatin1Char('0')).toUpper();
            else // references padded past what a reference may hold
                out += QStringLiteral("&amp;#%1;").arg(int(uchar(c)), 12, 10, QLatin1Char('0'));
        }
    }
    return out;
}

} // namespace

void TestRichMediaUpload::aRefusedPutWarnsWithItsStatusCodeAndRequestIdOnly_data() {
    QTest::addColumn<QString>("encoding");
    for (const char* encoding : {"reversed", "ROT13", "Base32", "one character at a time", "octal escapes",
                                 "quoted-printable", "padded references"})
        QTest::newRow(encoding) << encoding;
}

// With every category at its default, the warning of a refused put names the status, the service's
// code and its request id: not its message, which may quote anything, the session token in an
// encoding no mask knows included.
void TestRichMediaUpload::aRefusedPutWarnsWithItsStatusCodeAndRequestIdOnly() {
    QFETCH(QString, encoding);
    const QString secret = QStringLiteral("Zm9vYmFy/secret+key=0123456789");
    const QString token = QStringLiteral("c2Vzc2lvbg==/token+from/the+service");
    const QString echo = echoed(encoding, token);
    ScriptedHttpPeer peer;
    peer.enqueue(ScriptedHttpPeer::respond(
        403,
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Error><Code>SignatureDoesNotMatch</Code><Message>The "
        "request signature we calculated does not match; you sent " +
            echo.toUtf8() + "</Message><RequestId>4442587FB7D0A2F9</RequestId></Error>",
        {{"Content-Type", "application/xml"}}));
    const auto credentials = PLS3UploadCredentials::fromTokenReply(
        tokenReply({{"ak", "AKUPLOAD"}, {"sk", secret}, {"st", token}, {"ep", peer.endpoint()}}));
    QVERIFY(credentials);
    PLS3ObjectPut put(credentials->makeClient(40));
    QSignalSpy failed(&put, &PLS3ObjectPut::failed);

    QLoggingCategory::setFilterRules(QString());
    CapturedLog log;
    put.start(QStringLiteral("file-1"), QStringLiteral("image/jpeg"), "picture bytes");
    QVERIFY(QTest::qWaitFor([&] { return failed.count() == 1; }, 20000));

    const QString text = log.text();
    QVERIFY2(
        text.contains(QStringLiteral("pelnix.media.put put failed: HTTP 403, code SignatureDoesNotMatch, "
                                     "request id 4442587FB7D0A2F9")),
        qPrintable(text));
    QVERIFY2(!text.contains(QStringLiteral("we calculated")), qPrintable(text));
    // As the message read it (references decoded once), and whatever a log line escapes.
    const auto plain = [](QString t) {
        return t.replace(QStringLiteral("&amp;"), QStringLiteral("&")).remove(QLatin1Char('\\'));
    };
    QVERIFY2(!plain(text).contains(plain(echo).left(16)), qPrintable(text));
    // The caller still has the service's words.
    const PLError error = failed.first().first().value<PLError>();
    QVERIFY2(error.localizedDescription.contains(QStringLiteral("we calculated")),
             qPrintable(error.localizedDescription));
}

// The shared uploader's warning of a refused put says no more than the put's.
void TestRichMediaUpload::anUploadRefusedByTheServiceWarnsWithoutItsMessage() {
    MediaTestWorld world;
    std::optional<bool> usable;
    PLS3MediaUploader::instance()->fetchS3Credentials([&](bool ok) { usable = ok; });
    QTRY_VERIFY_WITH_TIMEOUT(usable.has_value(), 20000);
    QVERIFY(*usable);
    standin::StandinServer::Fault fault;
    fault.pathPattern = "F-REFUSED";
    fault.method = "PUT";
    fault.mode = Mode::Answer;
    fault.count = -1;
    fault.statusCode = 403;
    fault.contentType = "application/xml";
    fault.body = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Error><Code>AccessDenied</Code><Message>Your "
                 "words for Alice: meet at the north gate</Message><RequestId>7A62C49F347B4D2A</RequestId>"
                 "</Error>";
    QVERIFY(world.fixture.server().addFault(fault));
    std::optional<QVariant> failure;
    const quint64 observer = platform::NotificationCenter::defaultCenter()->addObserver(
        QLatin1String(PLS3MediaUploaderDidFailWithErrorNotification),
        [&](const platform::Notification& notification) { failure = notification.object; });
    PLMultiMediaInfo info;
    info.fileID = QStringLiteral("F-REFUSED");
    info.fileMime = QStringLiteral("image/jpeg");

    QLoggingCategory::setFilterRules(QString());
    CapturedLog log;
    PLS3MediaUploader::instance()->uploadData("picture bytes", info);
    QTRY_VERIFY_WITH_TIMEOUT(failure.has_value(), 20000);
    platform::NotificationCenter::defaultCenter()->removeObserver(observer);

    const QString text = log.text();
    QVERIFY2(text.contains(QStringLiteral("pelnix.media.uploader upload failed: HTTP 403, code AccessDenied, "
                                          "request id 7A62C49F347B4D2A")),
             qPrintable(text));
    QVERIFY2(!text.contains(QStringLiteral("north gate")), qPrintable(text));
}

QTEST_MAIN(TestRichMediaUpload)
#include "tst_richmediaupload.moc"
