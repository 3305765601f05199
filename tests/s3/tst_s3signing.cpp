#include "RestSigner.h"
#include "TestSandbox.h"
#include "media/s3/S3AuthUtils.h"
#include "media/s3/S3Client.h"
#include "media/s3/S3Endpoints.h"
#include "media/s3/S3SDKUtil.h"
#include "media/s3/S3SignatureException.h"
#include "media/s3/S3StaticCredentialsProvider.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonObject>
#include <QTest>

using namespace pelnix;

namespace {

QString base64OfHex(const char* hex) {
    return QString::fromLatin1(QByteArray::fromHex(hex).toBase64());
}

// The instant every hand-written string to sign below carries.
const QDateTime kSigningTime(QDate(2024, 3, 5), QTime(10, 11, 12), Qt::UTC);
const QString kSigningDate = QStringLiteral("Tue, 05 Mar 2024 10:11:12 GMT");

// Makes the client's next Date header read kSigningTime: the runtime skew takes the clock back to it.
void pinSigningClock() {
    S3SDKUtil::setRuntimeClockSkew(
        double(QDateTime::currentMSecsSinceEpoch() - kSigningTime.toMSecsSinceEpoch()) / 1000.0);
}

} // namespace

class TestS3Signing : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(S3Endpoints::setDomainSuffix(QStringLiteral("example.test"))); }
    void cleanupTestCase() { S3Endpoints::setDomainSuffix({}); }
    void init() { S3SDKUtil::setRuntimeClockSkew(0); }
    void keyedHashMatchesPublishedVectors();
    void keyedHashRejectsOtherAlgorithms();
    void handWrittenVectorsAgreeWithOpenSSLAndTheIndependentSigner();
    void clientSignsTheHandWrittenStrings_data();
    void clientSignsTheHandWrittenStrings();
    void version4SignatureIsTheHandComputedOne();
    void canonicalHeadersCollapseWhitespaceAndSortWithoutCase();
    void version4PathIsEncodedAsEachServiceExpects_data();
    void version4PathIsEncodedAsEachServiceExpects();

private:
    test::TestSandbox m_sandbox;
};

void TestS3Signing::keyedHashMatchesPublishedVectors() {
    const QString key20(20, QChar(0x0b));
    const QByteArray jefeData("what do ya want for nothing?");
    // RFC 2202 and RFC 4231, cases 1 and 2.
    QCOMPARE(S3AuthUtils::HMACSign("Hi There", key20, S3AuthUtils::SHA1),
             base64OfHex("b617318655057264e28bc0b6fb378c8ef146be00"));
    QCOMPARE(S3AuthUtils::HMACSign(jefeData, QStringLiteral("Jefe"), S3AuthUtils::SHA1),
             base64OfHex("effcdf6ae5eb2fa2d27416d5f184df9c259a7c79"));
    QCOMPARE(S3AuthUtils::HMACSign("Hi There", key20, S3AuthUtils::SHA256),
             base64OfHex("b0344c61d8db38535ca8afceaf0bf12b881dc200c9833da726e9376c2e32cff7"));
    QCOMPARE(S3AuthUtils::HMACSign(jefeData, QStringLiteral("Jefe"), S3AuthUtils::SHA256),
             base64OfHex("5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843"));
    QCOMPARE(S3AuthUtils::HMACSign({}, QStringLiteral("k"), S3AuthUtils::SHA1).size(), 28);
    QCOMPARE(S3AuthUtils::HMACSign({}, QStringLiteral("k"), S3AuthUtils::SHA256).size(), 44);
    // A secret outside ASCII signs with its UTF-8 bytes, never with an empty key.
    QVERIFY(S3AuthUtils::HMACSign("x", QStringLiteral("s\u00e9cret"), S3AuthUtils::SHA1) !=
            S3AuthUtils::HMACSign("x", QString(), S3AuthUtils::SHA1));
}

void TestS3Signing::keyedHashRejectsOtherAlgorithms() {
    try {
        S3AuthUtils::HMACSign("data", QStringLiteral("key"), 1);
        QFAIL("algorithm 1 must raise");
    } catch (const S3SignatureException& e) {
        QCOMPARE(e.name(), QStringLiteral("Invalid hash algorithm"));
        QCOMPARE(e.reason(), QStringLiteral("Only SHA1 and SHA256 are supported"));
    }
}

// Requests written out byte by byte, each with its string to sign written by hand and the signature
// computed by `printf '%s' "<string>" | openssl dgst -sha1 -hmac "<secret>" -binary | base64`. They
// hold both our signer and the independent Python signer to a tool that shares no code with either.
void TestS3Signing::handWrittenVectorsAgreeWithOpenSSLAndTheIndependentSigner() {
    struct Vector {
        const char* name;
        QByteArray raw;
        QString secret, stringToSign, signature;
    };
    const QList<Vector> vectors{
        {"virtual host, token, key with space and slash",
         "PUT /a%20b%2Fc.jpg HTTP/1.1\r\nHost: photos-1.s3.example.test\r\n"
         "Date: Tue, 05 Mar 2024 10:11:12 GMT\r\nContent-Type: image/jpeg\r\n"
         "Content-MD5: XUFAKrxLKna5cZ2REBfFkg==\r\nx-amz-security-token: token/with+chars==\r\n"
         "Authorization: AWS TESTACCESSKEY1:03FN8FUQRFmrxkPf1f7vy3uJUwE=\r\nContent-Length: 5\r\n\r\nhello",
         QStringLiteral("ex4mple/Secret+Key"),
         QStringLiteral("PUT\nXUFAKrxLKna5cZ2REBfFkg==\nimage/jpeg\nTue, 05 Mar 2024 10:11:12 GMT\n"
                        "x-amz-security-token:token/with+chars==\n/photos-1/a%20b%2Fc.jpg"),
         QStringLiteral("03FN8FUQRFmrxkPf1f7vy3uJUwE=")},
        {"path style, x-amz-date in place of Date, repeated and padded headers, signed sub-resource",
         "GET /pelnix.media/k?foo=bar&acl HTTP/1.1\r\nHost: s3.example.test\r\n"
         "Date: Tue, 05 Mar 2024 10:11:12 GMT\r\nx-amz-date: Tue, 05 Mar 2024 10:11:13 GMT\r\n"
         "X-Amz-Meta-Tag:  one \r\nx-amz-meta-tag:two\r\n"
         "Authorization: AWS TESTACCESSKEY1:MsWhSlhFpu9JeJGv2DeyJj+GBrk=\r\n\r\n",
         QStringLiteral("ex4mple/Secret+Key"),
         QStringLiteral("GET\n\n\n\nx-amz-date:Tue, 05 Mar 2024 10:11:13 GMT\nx-amz-meta-tag:one,two\n"
                        "/pelnix.media/k?acl"),
         QStringLiteral("MsWhSlhFpu9JeJGv2DeyJj+GBrk=")},
        {"bucket without key",
         "GET / HTTP/1.1\r\nHost: photos-1.s3.example.test\r\nDate: Tue, 05 Mar 2024 10:11:12 GMT\r\n"
         "Authorization: AWS TESTACCESSKEY1:kdxXhB8i4c6XEuEjuDJwZB/rypI=\r\n\r\n",
         QStringLiteral("plain"), QStringLiteral("GET\n\n\nTue, 05 Mar 2024 10:11:12 GMT\n/photos-1/"),
         QStringLiteral("kdxXhB8i4c6XEuEjuDJwZB/rypI=")},
    };
    QJsonArray cases;
    for (const Vector& v : vectors) {
        QCOMPARE(S3AuthUtils::HMACSign(v.stringToSign.toUtf8(), v.secret, S3AuthUtils::SHA1), v.signature);
        cases.append(QJsonObject{{"raw", QString::fromLatin1(v.raw.toBase64())},
                                 {"endpointHost", "s3.example.test"},
                                 {"access", "TESTACCESSKEY1"},
                                 {"secret", v.secret}});
    }
    const QJsonArray results = test::runRestSigner(QStringLiteral("check"), cases);
    QCOMPARE(results.size(), vectors.size());
    for (int i = 0; i < vectors.size(); ++i) {
        const QJsonObject result = results[i].toObject();
        QVERIFY2(result["ok"].toBool(), vectors[i].name);
        QCOMPARE(result["stringToSign"].toString(), vectors[i].stringToSign);
        QCOMPARE(result["signature"].toString(), vectors[i].signature);
    }
}

void TestS3Signing::clientSignsTheHandWrittenStrings_data() {
    QTest::addColumn<QString>("bucket");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("secret");
    QTest::addColumn<QString>("token");
    QTest::addColumn<bool>("decorated");
    QTest::addColumn<QString>("stringToSign");
    QTest::addColumn<QString>("signature");
    // The token comes from the client's credentials provider, not from the request.
    QTest::newRow("virtual host with a provider token")
        << "photos-1"
        << "a b/c.jpg"
        << "ex4mple/Secret+Key"
        << "token/with+chars==" << false
        << "PUT\nXUFAKrxLKna5cZ2REBfFkg==\nimage/jpeg\nTue, 05 Mar 2024 10:11:12 GMT\n"
           "x-amz-security-token:token/with+chars==\n/photos-1/a%20b/c.jpg"
        << "dAYC//UbMi5vDBlfb8Mj/bLVIrs=";
    // No content type: the form type is signed. The caption's outer blanks are not signed, because a
    // peer does not see them. The key and the secret hold characters outside ASCII.
    QTest::newRow("path style with amz headers and a UTF-8 key and secret")
        << "pelnix.media"
        << "caf\u00e9 \u65e5\u672c+1.png"
        << "s\u20accret/\u00fc+key"
        << "" << true
        << "PUT\nndTkYSaMgDT1yFZOFVxnpg==\napplication/x-www-form-urlencoded; charset=utf-8\n"
           "Tue, 05 Mar 2024 10:11:12 GMT\nx-amz-acl:public-read\nx-amz-meta-caption:spaced value\n"
           "x-amz-storage-class:REDUCED_REDUNDANCY\n/pelnix.media/caf%C3%A9%20%E6%97%A5%E6%9C%AC%2B1.png"
        << "Wr8/jxFUeckLcKqIpJVdHiLUWi8=";
}

void TestS3Signing::clientSignsTheHandWrittenStrings() {
    QFETCH(QString, bucket);
    QFETCH(QString, key);
    QFETCH(QString, secret);
    QFETCH(QString, token);
    QFETCH(bool, decorated);
    QFETCH(QString, stringToSign);
    QFETCH(QString, signature);

    S3Client client(std::make_shared<S3StaticCredentialsProvider>(
        S3Credentials(QStringLiteral("TESTACCESSKEY1"), secret, token)));
    client.setEndpoint(QStringLiteral("https://s3.example.test"));
    auto request = std::make_shared<S3PutObjectRequest>(key, bucket);
    request->setEndpoint(client.endpoint());
    if (decorated) {
        request->setData("x");
        request->addMetadataWithValue(QStringLiteral("  spaced value\t "), QStringLiteral("Caption"));
        request->setCannedACL(QStringLiteral("public-read"));
        request->setStorageClass(QStringLiteral("REDUCED_REDUNDANCY"));
    } else {
        request->setData("hello");
        request->setContentType(QStringLiteral("image/jpeg"));
        request->setSecurityToken(client.provider()->credentials().securityToken());
    }
    pinSigningClock();
    const S3URLRequest& url = client.signS3Request(*request);
    QCOMPARE(url.valueForHTTPHeaderField(QStringLiteral("Date")), kSigningDate);
    QCOMPARE(client.stringToSign(*request), stringToSign);
    QCOMPARE(url.valueForHTTPHeaderField(QStringLiteral("Authorization")),
             QStringLiteral("AWS TESTACCESSKEY1:") + signature);
}

// Canonical request, string to sign and signature worked out by hand with openssl: the payload and
// canonical request hashed with `openssl dgst -sha256`, the key derived and the string signed with
// `openssl dgst -sha256 -mac HMAC -macopt key:...` / `-macopt hexkey:...`.
void TestS3Signing::version4SignatureIsTheHandComputedOne() {
    S3ServiceRequest request;
    request.setEndpoint(QStringLiteral("https://sns.us-west-2.example.test"));
    request.setParameterValue(QStringLiteral("Publish"), QStringLiteral("Action"));
    request.setParameterValue(QStringLiteral("hello world & more/0"), QStringLiteral("Message"));
    request.configureURLRequest();
    QCOMPARE(request.queryString(), QStringLiteral("Action=Publish&Message=hello%20world%20%26%20more%2F0"));
    QCOMPARE(request.regionName(), QStringLiteral("us-west-2"));
    QCOMPARE(request.serviceName(), QStringLiteral("sns"));

    S3HeaderList headers{{QStringLiteral("Host"), request.hostName()}};
    const S3Credentials credentials(QStringLiteral("TESTACCESSKEY1"), QStringLiteral("ex4mple/Secret+Key"));
    const QString canonical = QStringLiteral(
        "POST\n/\n\nhost:sns.us-west-2.example.test\nx-amz-date:20240305T101112Z\n\nhost;x-amz-date\n"
        "305c7a15bb144328b702e1cae75c92f4030d19230b5e3c8a1e50e69195101971");
    QCOMPARE(S3AuthUtils::hexHash(canonical),
             QStringLiteral("2f6b23b8337953c8adf14be836a795b5881fbf7a2fec95bdbd65f19053cea190"));
    S3AuthUtils::signRequestV4(request, headers, request.queryString(), credentials, kSigningTime);
    QCOMPARE(request.urlRequest().valueForHTTPHeaderField(QStringLiteral("Authorization")),
             QStringLiteral("AWS4-HMAC-SHA256 Credential=TESTACCESSKEY1/20240305/us-west-2/sns/aws4_request, "
                            "SignedHeaders=host;x-amz-date, "
                            "Signature=fbaeac3f5d900ad772d2dcb59f9dcd838065d14a92b36b5bedfa1cea8de2df90"));
}

void TestS3Signing::canonicalHeadersCollapseWhitespaceAndSortWithoutCase() {
    const S3HeaderList headers{{QStringLiteral("zeta"), QStringLiteral("a  \t b")},
                               {QStringLiteral("Alpha"), QStringLiteral("  lead")},
                               {QStringLiteral("beta"), QStringLiteral("x")}};
    QCOMPARE(S3AuthUtils::getCanonicalizedHeaderString(headers),
             QStringLiteral("alpha: lead\nbeta:x\nzeta:a b\n"));
    QCOMPARE(S3AuthUtils::getSignedHeadersString(headers), QStringLiteral("alpha;beta;zeta"));
}

void TestS3Signing::version4PathIsEncodedAsEachServiceExpects_data() {
    QTest::addColumn<QString>("service");
    QTest::addColumn<QString>("region");
    QTest::addColumn<QString>("endpoint");
    QTest::addColumn<QString>("canonicalPath");
    QTest::newRow("s3, eu-west-1: encoded once")
        << "s3"
        << "eu-west-1" << QStringLiteral("https://s3-eu-west-1.example.test/photos-1/a b/c+d=\u00e9~.jpg")
        << "/photos-1/a%20b/c%2Bd%3D%C3%A9~.jpg";
    QTest::newRow("sqs, us-east-1: encoded twice") << "sqs"
                                                   << "us-east-1"
                                                   << "https://queue.example.test/123456789012/my queue"
                                                   << "/123456789012/my%2520queue";
    QTest::newRow("sns, ap-southeast-2: encoded twice")
        << "sns"
        << "ap-southeast-2" << QStringLiteral("https://sns.ap-southeast-2.example.test/t/x+y=z/\u00e9")
        << "/t/x%252By%253Dz/%25C3%25A9";
    QTest::newRow("execute-api, us-west-2: an escaped slash stays in its segment")
        << "execute-api"
        << "us-west-2"
        << "https://api.execute-api.us-west-2.example.test/stage/a%2Fb"
        << "/stage/a%252Fb";
    QTest::newRow("dynamodb, sa-east-1: no path") << "dynamodb"
                                                  << "sa-east-1"
                                                  << "https://dynamodb.sa-east-1.example.test"
                                                  << "/";
}

// Each case is signed by the library and by our own signer written from the scheme's public description
// (sigv4_reference.py); both see the same request, with a session token among the parameters.
void TestS3Signing::version4PathIsEncodedAsEachServiceExpects() {
    QFETCH(QString, service);
    QFETCH(QString, region);
    QFETCH(QString, endpoint);
    QFETCH(QString, canonicalPath);
    S3ServiceRequest request;
    request.setEndpoint(endpoint);
    request.setServiceName(service);
    request.setRegionName(region);
    const S3Credentials credentials(QStringLiteral("TESTACCESSKEY1"), QStringLiteral("ex4mple/Secret+Key"),
                                    QStringLiteral("session/token+=="));
    request.setCredentials(credentials);
    request.setParameterValue(QStringLiteral("Send"), QStringLiteral("Action"));
    request.configureURLRequest();
    QVERIFY(request.queryString().contains(QStringLiteral("SecurityToken=session%2Ftoken%2B%3D%3D")));
    const QUrl url = request.urlRequest().url();
    QCOMPARE(S3AuthUtils::getV4CanonicalPath(url, service), canonicalPath);

    S3HeaderList headers{{QStringLiteral("Host"), request.hostName()}};
    S3AuthUtils::signRequestV4(request, headers, request.queryString(), credentials, kSigningTime);
    QJsonArray headerPairs;
    for (const auto& header : headers)
        headerPairs.append(QJsonArray{header.first, header.second});
    const QString sentPath = QString::fromLatin1(
        url.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority | QUrl::RemoveQuery | QUrl::RemoveFragment));
    const QJsonArray results = test::runPythonChecker({QStringLiteral(PELNIX_V4_SIGNER)},
                                                      {QJsonObject{{"method", "POST"},
                                                                   {"path", sentPath},
                                                                   {"query", ""},
                                                                   {"headers", headerPairs},
                                                                   {"payload", request.queryString()},
                                                                   {"service", service},
                                                                   {"region", region},
                                                                   {"access", credentials.accessKey()},
                                                                   {"secret", credentials.secretKey()},
                                                                   {"amzDate", "20240305T101112Z"}}});
    QCOMPARE(results.size(), 1);
    const QJsonObject independent = results.first().toObject();
    QVERIFY2(independent.value("canonicalRequest")
                 .toString()
                 .contains(QLatin1Char('\n') + canonicalPath + QLatin1Char('\n')),
             qPrintable(independent.value("canonicalRequest").toString()));
    QCOMPARE(request.urlRequest().valueForHTTPHeaderField(QStringLiteral("Authorization")),
             independent.value("authorization").toString());
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QCoreApplication app(argc, argv);
    TestS3Signing t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_s3signing.moc"
