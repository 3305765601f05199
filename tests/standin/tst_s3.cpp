#include "RestSigner.h"
#include "StandinTestClient.h"
#include "TestSandbox.h"
#include "standin/StandinServer.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QTest>
#include <QUrl>

#include <memory>

using namespace pelnix;
using namespace pelnix::test;
using standin::StandinServer;

namespace {

// Key material with the characters real secrets carry.
const QString kAccess = QStringLiteral("AKIDSTANDINTEST01");
const QString kSecret = QStringLiteral("st4ndin/Secret+Key with space/0123456789");
const QString kToken = QStringLiteral("Session+/token with space==");

} // namespace

class TestS3 : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void independentlySignedPutIsAcceptedAndReadsBackEqual();
    void tamperedRequestsAreRefusedWithTheRightCode();
    void tokenServiceAndShortUrlServeTheObject();

private:
    // Signs each case with our independent signer and sends it; one result object per case.
    static QJsonArray runPeer(const QJsonArray& cases) {
        return runRestSigner(QStringLiteral("send"), cases);
    }
    QJsonObject putCase(const QString& key, const QByteArray& body) const;

    std::unique_ptr<TestSandbox> m_sandbox;
    std::unique_ptr<StandinServer> m_server;
};

void TestS3::init() {
    m_sandbox = std::make_unique<TestSandbox>();
    StandinServer::Options options;
    options.dataDir = m_sandbox->path("standin").toStdString();
    m_server = std::make_unique<StandinServer>(options);
    QVERIFY(m_server->start());
    m_server->addStorageKey(kAccess.toStdString(), kSecret.toStdString(), kToken.toStdString());
    m_server->addStorageKey("AKIDNOTOKEN", "plain/secret+key", "");
}

void TestS3::cleanup() {
    m_server.reset();
    m_sandbox.reset();
}

QJsonObject TestS3::putCase(const QString& key, const QByteArray& body) const {
    return QJsonObject{{"endpoint", QString::fromStdString(m_server->s3Endpoint())},
                       {"style", "path"},
                       {"method", "PUT"},
                       {"bucket", "pelnix.media"},
                       {"key", key},
                       {"body", QString::fromLatin1(body.toBase64())},
                       {"contentType", "image/jpeg"},
                       {"access", kAccess},
                       {"secret", kSecret},
                       {"token", kToken}};
}

void TestS3::independentlySignedPutIsAcceptedAndReadsBackEqual() {
    const QStringList keys{"ABCD-1234.jpg", "with space/and slash+plus.jpg", "grüße 日本 ~*'().png"};
    QJsonArray cases;
    QList<QByteArray> bodies;
    for (int i = 0; i < keys.size(); ++i) {
        bodies << QByteArray("\x00\x01picture ", 10) + keys[i].toUtf8() + QByteArray(1000 * i, char(i));
        for (const char* style : {"path", "vhost"}) {
            QJsonObject put = putCase(keys[i], bodies[i]);
            put["style"] = style;
            put["bucket"] = QString(style) == "path" ? "pelnix.media" : "photos-1";
            QJsonObject get = put;
            get["method"] = "GET";
            get.remove("body");
            cases << put << get;
        }
    }
    QJsonObject untokened = putCase("no-token.bin", "plain");
    untokened["access"] = "AKIDNOTOKEN";
    untokened["secret"] = "plain/secret+key";
    untokened.remove("token");
    // A peer reads header values without their outer blanks; the signer signs them so.
    untokened["metadata"] = QJsonObject{{"caption", "  padded\tvalue \t"}};
    cases << untokened;

    const QJsonArray results = runPeer(cases);
    QCOMPARE(results.size(), cases.size());
    for (int i = 0; i < cases.size(); ++i) {
        const QJsonObject result = results[i].toObject();
        const QJsonObject sent = cases[i].toObject();
        QVERIFY2(
            result["status"].toInt() == 200,
            qPrintable(
                QString("case %1 (%2 %3): %4 %5")
                    .arg(i)
                    .arg(sent["method"].toString(), sent["key"].toString(), result["code"].toString(),
                         QString::fromUtf8(QByteArray::fromBase64(result["body"].toString().toLatin1())))));
        if (i + 1 < cases.size() && sent["method"] == "GET") {
            const QByteArray expected = bodies[i / 4];
            QCOMPARE(QByteArray::fromBase64(result["body"].toString().toLatin1()), expected);
            QCOMPARE(
                result["etag"].toString(),
                '"' +
                    QString::fromLatin1(QCryptographicHash::hash(expected, QCryptographicHash::Md5).toHex()) +
                    '"');
        }
    }
}

void TestS3::tamperedRequestsAreRefusedWithTheRightCode() {
    const QByteArray body = "the real bytes";
    struct Expectation {
        const char* name;
        QJsonObject tweak;
        int status;
        const char* code;
    };
    const QList<Expectation> expectations{
        {"wrong secret", {{"secret", kSecret + "x"}}, 403, "SignatureDoesNotMatch"},
        {"header changed after signing",
         {{"afterSigning", QJsonObject{{"Content-Type", "text/html"}}}},
         403,
         "SignatureDoesNotMatch"},
        {"metadata changed after signing",
         {{"metadata", QJsonObject{{"caption", "signed"}}},
          {"afterSigning", QJsonObject{{"x-amz-meta-caption", "sent"}}}},
         403,
         "SignatureDoesNotMatch"},
        {"token changed after signing",
         {{"afterSigning", QJsonObject{{"x-amz-security-token", kToken + "x"}}}},
         400,
         "InvalidToken"},
        {"no session token", {{"token", ""}}, 400, "InvalidToken"},
        {"stale Date", {{"dateOffset", -16 * 60}}, 403, "RequestTimeTooSkewed"},
        {"future Date", {{"dateOffset", 16 * 60}}, 403, "RequestTimeTooSkewed"},
        {"digest of other bytes",
         {{"contentMd5",
           QString::fromLatin1(QCryptographicHash::hash("other", QCryptographicHash::Md5).toBase64())}},
         400,
         "BadDigest"},
        {"unknown access key", {{"access", "AKIDUNKNOWN"}}, 403, "InvalidAccessKeyId"},
    };
    QJsonArray cases;
    for (const auto& expectation : expectations) {
        QJsonObject put = putCase("refused.jpg", body);
        for (auto it = expectation.tweak.begin(); it != expectation.tweak.end(); ++it)
            put[it.key()] = it.value();
        cases << put;
    }
    QJsonObject fresh = putCase("refused.jpg", body);
    fresh["dateOffset"] = -14 * 60; // inside the allowed skew
    fresh["method"] = "GET";
    cases << fresh;

    const QJsonArray results = runPeer(cases);
    QCOMPARE(results.size(), cases.size());
    for (int i = 0; i < expectations.size(); ++i) {
        const QJsonObject result = results[i].toObject();
        QVERIFY2(result["status"].toInt() == expectations[i].status && result["code"] == expectations[i].code,
                 qPrintable(QString("%1: %2 %3")
                                .arg(expectations[i].name)
                                .arg(result["status"].toInt())
                                .arg(result["code"].toString())));
        QVERIFY(QByteArray::fromBase64(result["body"].toString().toLatin1()).contains("<RequestId>"));
    }
    // None of the refused puts stored anything.
    QCOMPARE(results.last()["status"].toInt(), 404);
    QCOMPARE(results.last()["code"].toString(), QStringLiteral("NoSuchKey"));
}

void TestS3::tokenServiceAndShortUrlServeTheObject() {
    QVERIFY(!m_server
                 ->seed(QJsonObject{
                     {"users", QJsonArray{QJsonObject{{"id", 5}, {"email", "a@b.test"}, {"token", "t5"}}}}})
                 .contains("error"));
    StandinTestClient client(m_server->baseUrl());
    client.signIn(5, "t5");
    const auto tokenReply = client.get("s3/token");
    const QJsonObject credentials = QJsonDocument::fromJson(QByteArray::fromBase64(tokenReply.body)).object();
    QCOMPARE(credentials["ep"].toString(), QString::fromStdString(m_server->s3Endpoint()));
    QVERIFY(!credentials["sk"].toString().isEmpty());
    client.signIn(5, "wrong");
    QCOMPARE(client.get("s3/token").json()["statusCode"].toInt(), 401);

    const QString fileId = QStringLiteral("6F9619FF-8B86-D011-B42D-00CF4FC964FF");
    const QByteArray picture = "\x89PNG picture bytes";
    QJsonObject put = putCase(fileId, picture);
    put["access"] = credentials["ak"];
    put["secret"] = credentials["sk"];
    put["token"] = credentials["st"];
    put["contentType"] = "image/png";
    QCOMPARE(runPeer({put}).first()["status"].toInt(), 200);

    client.signIn(5, "t5");
    const auto url =
        client.get("s3/file?fileId=" + fileId + "&bucket=pelnix.media&fileMime=image/png&shortened=true");
    QCOMPARE(url.json()["status"].toString(), QStringLiteral("Success"));
    const QString shortUrl = url.json()["url"].toString();
    QVERIFY(shortUrl.startsWith(QString::fromStdString(m_server->baseUrl())));
    StandinTestClient anonymous(m_server->baseUrl());
    const auto served = anonymous.get(shortUrl.mid(int(m_server->baseUrl().size())));
    QCOMPARE(served.body, picture);

    const auto unknown =
        client.get("s3/file?fileId=NOPE&bucket=pelnix.media&fileMime=image/png&shortened=true");
    QCOMPARE(unknown.json()["status"].toString(), QStringLiteral("Failure"));
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QCoreApplication app(argc, argv);
    TestS3 test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_s3.moc"
