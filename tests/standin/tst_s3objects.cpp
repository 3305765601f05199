#include "StandinTestClient.h"
#include "TestSandbox.h"
#include "standin/S3Signature.h"
#include "standin/StandinServer.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>

#include <memory>

using namespace pelnix;
using namespace pelnix::test;
using standin::S3Signature;
using standin::StandinServer;

namespace {

const QString kAccess = QStringLiteral("AKIDOBJECTS01");
const QString kSecret = QStringLiteral("objects/secret+key");
const QString kBucket = QStringLiteral("pelnix.media");

using Headers = QList<QPair<QByteArray, QByteArray>>;

struct S3Reply {
    int status = 0;
    QByteArray body;
    Headers headers;

    QByteArray header(const QByteArray& name) const {
        for (const auto& [key, value] : headers) {
            if (key.compare(name, Qt::CaseInsensitive) == 0)
                return value;
        }
        return {};
    }
    // The text of one element of an error document.
    QString element(const QString& name) const {
        return QRegularExpression("<" + name + ">(.*)</" + name + ">")
            .match(QString::fromUtf8(body))
            .captured(1);
    }
};

// Signed object requests. It signs with the stand-in's own signer: these tests are about what the object
// API stores and answers, not about the signature scheme.
class S3Caller {
public:
    explicit S3Caller(QString endpoint) : m_endpoint(std::move(endpoint)) {}

    // `headers` are sent and signed as given (Content-Type, Content-MD5, x-amz-*).
    S3Reply send(const QByteArray& method, const QString& key, const QByteArray& body = {},
                 const Headers& headers = {}) {
        const QByteArray resource = "/" + kBucket.toUtf8() + "/" + QUrl::toPercentEncoding(key);
        QNetworkRequest request(QUrl::fromEncoded(m_endpoint.toUtf8() + resource));
        S3Signature::Headers signedHeaders;
        Headers sent = headers;
        const bool typed = std::any_of(sent.begin(), sent.end(), [](const auto& header) {
            return header.first.compare("Content-Type", Qt::CaseInsensitive) == 0;
        });
        if (!typed && !body.isEmpty())
            sent.append(qMakePair(QByteArray("Content-Type"),
                                  QByteArray("binary/octet-stream"))); // else Qt adds one after signing
        sent.append(qMakePair(QByteArray("Date"), QByteArray::fromStdString(S3Signature::formatHttpDate(
                                                      QDateTime::currentMSecsSinceEpoch()))));
        for (const auto& [name, value] : sent) {
            request.setRawHeader(name, value);
            signedHeaders.emplace_back(name.toStdString(), value.toStdString());
        }
        const std::string signature = S3Signature::sign(
            m_secret.toStdString(),
            S3Signature::stringToSign(method.toStdString(), signedHeaders, resource.toStdString()));
        request.setRawHeader("Authorization",
                             "AWS " + kAccess.toUtf8() + ":" + QByteArray::fromStdString(signature));

        // Qt knows a HEAD answer has no body only when it is sent as one.
        QNetworkReply* reply =
            method == "HEAD" ? m_network.head(request) : m_network.sendCustomRequest(request, method, body);
        if (!reply->isFinished())
            QSignalSpy(reply, &QNetworkReply::finished).wait(60000);
        S3Reply result;
        result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        result.body = reply->readAll();
        result.headers = reply->rawHeaderPairs();
        reply->deleteLater();
        return result;
    }

    void setSecret(const QString& secret) { m_secret = secret; }

private:
    QString m_endpoint;
    QString m_secret = kSecret;
    QNetworkAccessManager m_network;
};

QByteArray md5Etag(const QByteArray& data) {
    return '"' + QCryptographicHash::hash(data, QCryptographicHash::Md5).toHex() + '"';
}

// The process's peak resident memory in KiB, or -1.
qint64 peakMemoryKiB(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const auto match =
        QRegularExpression(R"(VmHWM:\s+(\d+) kB)").match(QString::fromLatin1(status.readAll()));
    return match.hasMatch() ? match.captured(1).toLongLong() : -1;
}

} // namespace

class TestS3Objects : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void headAndGetAnswerWithTheStoredMetadata();
    void keyLengthIsCountedInBytes_data();
    void keyLengthIsCountedInBytes();
    void errorDocumentsCarryCodeMessageResourceAndRequestId();
    void bodiesOfAnyContentTypeAreTakenUpToTheLimit();
    void uploadsStreamThroughFilesWithinASmallMemoryBound();

private:
    void startServer(size_t maxBodyBytes = StandinServer::Options().maxBodyBytes);

    std::unique_ptr<TestSandbox> m_sandbox;
    std::unique_ptr<StandinServer> m_server;
    std::unique_ptr<S3Caller> m_s3;
};

void TestS3Objects::init() {
    m_sandbox = std::make_unique<TestSandbox>();
    startServer();
}

void TestS3Objects::startServer(size_t maxBodyBytes) {
    m_s3.reset();
    m_server.reset();
    StandinServer::Options options;
    options.dataDir = m_sandbox->path("standin").toStdString();
    options.maxBodyBytes = maxBodyBytes;
    m_server = std::make_unique<StandinServer>(options);
    QVERIFY(m_server->start());
    m_server->addStorageKey(kAccess.toStdString(), kSecret.toStdString(), "");
    m_s3 = std::make_unique<S3Caller>(QString::fromStdString(m_server->s3Endpoint()));
}

void TestS3Objects::cleanup() {
    m_s3.reset();
    m_server.reset();
    m_sandbox.reset();
}

void TestS3Objects::headAndGetAnswerWithTheStoredMetadata() {
    const QByteArray picture = QByteArray("\x89PNG\r\n", 6) + QByteArray(5000, 'p');
    const auto put = m_s3->send("PUT", "album/photo 1.png", picture,
                                {{"Content-Type", "image/png"},
                                 {"x-amz-meta-origin", "camera"},
                                 {"X-Amz-Meta-Caption", "Lake at dawn"}});
    QCOMPARE(put.status, 200);
    QCOMPARE(put.header("ETag"), md5Etag(picture));

    for (const QByteArray method : {"HEAD", "GET"}) {
        const auto reply = m_s3->send(method, "album/photo 1.png");
        QVERIFY2(reply.status == 200, method.constData());
        QCOMPARE(reply.header("Content-Length").toLongLong(), qint64(picture.size()));
        QCOMPARE(reply.header("Content-Type"), QByteArray("image/png"));
        QCOMPARE(reply.header("ETag"), md5Etag(picture));
        QCOMPARE(reply.header("x-amz-meta-origin"), QByteArray("camera"));
        QCOMPARE(reply.header("x-amz-meta-caption"), QByteArray("Lake at dawn"));
        QCOMPARE(reply.body, method == "GET" ? picture : QByteArray());
    }

    // A new upload replaces the metadata with its own.
    QCOMPARE(m_s3->send("PUT", "album/photo 1.png", "again", {{"x-amz-meta-caption", "Night"}}).status, 200);
    const auto replaced = m_s3->send("HEAD", "album/photo 1.png");
    QCOMPARE(replaced.header("x-amz-meta-caption"), QByteArray("Night"));
    QVERIFY(replaced.header("x-amz-meta-origin").isEmpty());
    QCOMPARE(replaced.header("Content-Length"), QByteArray("5"));

    const auto missing = m_s3->send("HEAD", "album/none.png");
    QCOMPARE(missing.status, 404);
    QVERIFY(missing.body.isEmpty());
}

void TestS3Objects::keyLengthIsCountedInBytes_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("status");
    QTest::newRow("1,024 bytes") << QString(1024, 'k') << 200;
    QTest::newRow("1,025 bytes") << QString(1025, 'k') << 400;
    // 342 characters, but 1,026 bytes in UTF-8.
    QTest::newRow("342 CJK characters") << QString(342, QChar(0x65E5)) << 400;
}

void TestS3Objects::keyLengthIsCountedInBytes() {
    QFETCH(QString, key);
    QFETCH(int, status);
    const auto put = m_s3->send("PUT", key, "body");
    QCOMPARE(put.status, status);
    if (status == 400) {
        QCOMPARE(put.element("Code"), QStringLiteral("KeyTooLongError"));
        QCOMPARE(m_s3->send("GET", key).element("Code"), QStringLiteral("KeyTooLongError"));
    } else {
        QCOMPARE(m_s3->send("GET", key).body, QByteArray("body"));
    }
}

void TestS3Objects::errorDocumentsCarryCodeMessageResourceAndRequestId() {
    const auto missing = m_s3->send("GET", "no such.jpg");
    QCOMPARE(missing.status, 404);
    m_s3->setSecret("not-the-secret");
    const auto forged = m_s3->send("PUT", "forged.jpg", "x");
    QCOMPARE(forged.status, 403);
    m_s3->setSecret(kSecret);
    const auto unknownMethod = m_s3->send("POST", "forged.jpg", "x");

    const QList<QPair<S3Reply, QString>> refusals{
        {missing, "NoSuchKey"}, {forged, "SignatureDoesNotMatch"}, {unknownMethod, "MethodNotAllowed"}};
    for (const auto& [reply, code] : refusals) {
        QCOMPARE(reply.element("Code"), code);
        QVERIFY(!reply.element("Message").isEmpty());
        QVERIFY2(!reply.element("Message").contains("AWS"), qPrintable(reply.element("Message")));
        QVERIFY(reply.element("Resource").startsWith("/" + kBucket + "/"));
        QCOMPARE(reply.element("RequestId").toUtf8(), reply.header("x-amz-request-id"));
        QVERIFY(!reply.header("Date").isEmpty());
    }
    QCOMPARE(missing.element("Resource"), "/" + kBucket + "/no%20such.jpg");
}

void TestS3Objects::bodiesOfAnyContentTypeAreTakenUpToTheLimit() {
    // An upload that falls back to the form content type is still an object body.
    const QByteArray formLike = QByteArray("a=1&b=").append(QByteArray(64 * 1024, 'x'));
    QCOMPARE(m_s3->send("PUT", "form.bin", formLike, {{"Content-Type", "application/x-www-form-urlencoded"}})
                 .status,
             200);
    QCOMPARE(m_s3->send("GET", "form.bin").body, formLike);

    const size_t limit = 256 * 1024;
    startServer(limit);
    for (const QByteArray type : {"image/jpeg", "application/x-www-form-urlencoded"}) {
        const auto refused =
            m_s3->send("PUT", "big.bin", QByteArray(qsizetype(limit) + 1, 'b'), {{"Content-Type", type}});
        QCOMPARE(refused.status, 400);
        QCOMPARE(refused.element("Code"), QStringLiteral("EntityTooLarge"));
        QCOMPARE(refused.element("Resource"), "/" + kBucket + "/big.bin");
        QCOMPARE(m_s3->send("HEAD", "big.bin").status, 404);
    }
    QCOMPARE(m_s3->send("PUT", "big.bin", QByteArray(qsizetype(limit), 'b')).status, 200);
    QCOMPARE(m_s3->send("HEAD", "big.bin").header("Content-Length").toULongLong(), quint64(limit));
}

void TestS3Objects::uploadsStreamThroughFilesWithinASmallMemoryBound() {
    QProcess service;
    service.start(PELNIX_STANDIN_EXE, {"--data-dir", m_sandbox->path("program")});
    QString base, endpoint;
    while (endpoint.isEmpty() && (service.canReadLine() || service.waitForReadyRead(10000))) {
        const QString line = QString::fromUtf8(service.readLine()).trimmed();
        if (line.startsWith("PORT "))
            base = "http://127.0.0.1:" + line.mid(5) + "/";
        if (line.startsWith("S3PORT "))
            endpoint = "http://127.0.0.1:" + line.mid(7);
    }
    QVERIFY(!endpoint.isEmpty());
    StandinTestClient control(base.toStdString());
    const QJsonObject key{{"ak", kAccess}, {"sk", kSecret}, {"st", ""}};
    QCOMPARE(StandinTestClient::wait(control.start("POST", "_ctl/s3key", QJsonDocument(key).toJson())).status,
             200);
    S3Caller s3(endpoint);
    QCOMPARE(s3.send("PUT", "warm-up", "small").status, 200);
    QCOMPARE(s3.send("GET", "warm-up").body, QByteArray("small"));
    const qint64 before = peakMemoryKiB(service.processId());
    QVERIFY(before > 0);

    constexpr qsizetype kUpload = 20 * 1024 * 1024;
    QByteArray body(kUpload, Qt::Uninitialized);
    for (int round = 0; round < 20; ++round) {
        for (qsizetype i = 0; i < kUpload; i += 4096)
            body[i] = char(round + i / 4096);
        const auto put = s3.send("PUT", "video.webm", body, {{"Content-Type", "video/webm"}});
        QVERIFY2(put.status == 200, qPrintable(QString("upload %1: %2").arg(round).arg(put.status)));
        QCOMPARE(put.header("ETag"), md5Etag(body));
    }
    const auto read = s3.send("GET", "video.webm");
    QCOMPARE(read.body.size(), kUpload);
    QVERIFY(read.body == body);

    const qint64 after = peakMemoryKiB(service.processId());
    qInfo("stand-in peak memory: %lld KiB before, %lld KiB after 20 uploads of 20 MiB", before, after);
    QVERIFY2(after - before < kUpload / 2 / 1024, "the service held upload bodies in memory");

    // The request log keeps only the start of each body.
    const auto log = control.get("_ctl/log").json().array();
    QVERIFY(!log.isEmpty());
    for (const auto& entry : log)
        QVERIFY(entry.toObject()["body"].toString().size() <= 16 * 1024);

    service.terminate();
    QVERIFY(service.waitForFinished(10000));
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QCoreApplication app(argc, argv);
    TestS3Objects test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_s3objects.moc"
