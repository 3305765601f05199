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

// One signed request: the changes to the base case, and the answer it must get.
struct Expectation {
    const char* name;
    QJsonObject tweak;
    int status;
    const char* code;
};

QJsonArray tweakedCases(const QJsonObject& base, const QList<Expectation>& expectations) {
    QJsonArray cases;
    for (const auto& expectation : expectations) {
        QJsonObject tweaked = base;
        for (auto it = expectation.tweak.begin(); it != expectation.tweak.end(); ++it)
            tweaked[it.key()] = it.value();
        cases << tweaked;
    }
    return cases;
}

// The first answer that is not the expected one, named; empty when all are.
QString unexpectedAnswer(const QJsonArray& results, const QList<Expectation>& expectations) {
    for (int i = 0; i < expectations.size(); ++i) {
        const QJsonObject result = results[i].toObject();
        if (result["status"].toInt() != expectations[i].status || result["code"] != expectations[i].code)
            return QString("%1: %2 %3 %4")
                .arg(expectations[i].name)
                .arg(result["status"].toInt())
                .arg(result["code"].toString(),
                     QString::fromUtf8(QByteArray::fromBase64(result["body"].toString().toLatin1())));
    }
    return {};
}

} // namespace

class TestS3 : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void independentlySignedPutIsAcceptedAndReadsBackEqual();
    void tamperedRequestsAreRefusedWithTheRightCode();
    void amzDateTakesTheDateLineOutOfTheSignature();
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
    QJsonArray cases = tweakedCases(putCase("refused.jpg", body), expectations);
    QJsonObject fresh = putCase("refused.jpg", body);
    fresh["dateOffset"] = -14 * 60; // inside the allowed skew
    fresh["method"] = "GET";
    cases << fresh;

    const QJsonArray results = runPeer(cases);
    QCOMPARE(results.size(), cases.size());
    const QString unexpected = unexpectedAnswer(results, expectations);
    QVERIFY2(unexpected.isEmpty(), qPrintable(unexpected));
    for (int i = 0; i < expectations.size(); ++i)
        QVERIFY(QByteArray::fromBase64(results[i]["body"].toString().toLatin1()).contains("<RequestId>"));
    // None of the refused puts stored anything.
    QCOMPARE(results.last()["status"].toInt(), 404);
    QCOMPARE(results.last()["code"].toString(), QStringLiteral("NoSuchKey"));
}

void TestS3::amzDateTakesTheDateLineOutOfTheSignature() {
    // With x-amz-date present the Date line of the string to sign is empty and x-amz-date, signed
    // among the amz headers, is the date the clock check reads.
    const QList<Expectation> expectations{
        {"Date and x-amz-date, Date line empty", {{"amzDate", 0}}, 200, ""},
        {"stale Date beside a current x-amz-date", {{"amzDate", 0}, {"dateOffset", -60 * 60}}, 200, ""},
        {"Date signed beside x-amz-date",
         {{"amzDate", 0}, {"signDateWithAmzDate", true}},
         403,
         "SignatureDoesNotMatch"},
        {"stale x-amz-date beside a current Date", {{"amzDate", -16 * 60}}, 403, "RequestTimeTooSkewed"},
    };
    const QByteArray body = "dated bytes";
    QJsonArray cases = tweakedCases(putCase("dated.jpg", body), expectations);
    QJsonObject get = putCase("dated.jpg", body);
    get["method"] = "GET";
    get["amzDate"] = 0;
    get.remove("body");
    cases << get;

    const QJsonArray results = runPeer(cases);
    QCOMPARE(results.size(), cases.size());
    const QString unexpected = unexpectedAnswer(results, expectations);
    QVERIFY2(unexpected.isEmpty(), qPrintable(unexpected));
    QCOMPARE(results.last()["status"].toInt(), 200);
    QCOMPARE(QByteArray::fromBase64(results.last()["body"].toString().toLatin1()), body);
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
