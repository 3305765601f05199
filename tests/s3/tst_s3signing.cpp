#include "TestSandbox.h"
#include "media/s3/S3AuthUtils.h"
#include "media/s3/S3Client.h"
#include "media/s3/S3SDKUtil.h"
#include "media/s3/S3SignatureException.h"
#include "media/s3/StringS3SDKUtil.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

using namespace pelnix;

namespace {

const QString kPython = QStringLiteral("/usr/bin/python3");

bool botocoreAvailable() {
    QProcess probe;
    probe.start(kPython, {QStringLiteral("-c"), QStringLiteral("import botocore.auth")});
    return probe.waitForFinished(30000) && probe.exitStatus() == QProcess::NormalExit &&
           probe.exitCode() == 0;
}

QJsonObject runOracle(const QJsonObject& cases) {
    QProcess oracle;
    oracle.start(kPython, {QStringLiteral(PELNIX_S3_TEST_DIR "/botocore_oracle.py")});
    if (!oracle.waitForStarted(30000))
        return {};
    oracle.write(QJsonDocument(cases).toJson());
    oracle.closeWriteChannel();
    if (!oracle.waitForFinished(60000) || oracle.exitCode() != 0) {
        qWarning().noquote() << oracle.readAllStandardError();
        return {};
    }
    return QJsonDocument::fromJson(oracle.readAllStandardOutput()).object();
}

QString base64OfHex(const char* hex) {
    return QString::fromLatin1(QByteArray::fromHex(hex).toBase64());
}

} // namespace

class TestS3Signing : public QObject {
    Q_OBJECT
private slots:
    void init() { S3SDKUtil::setRuntimeClockSkew(0); }
    void keyedHashMatchesPublishedVectors();
    void keyedHashRejectsOtherAlgorithms();
    void putObjectSignatureMatchesBotocore();
    void version4SignatureMatchesBotocore();
    void canonicalHeadersCollapseWhitespaceAndSortWithoutCase();

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

void TestS3Signing::putObjectSignatureMatchesBotocore() {
    if (!botocoreAvailable())
        QSKIP("/usr/bin/python3 cannot import botocore (Debian package python3-botocore)");

    const QStringList buckets{"photos-1", "My_Bucket", "pelnix.media", "abc"};
    const QStringList keys{"a b/c.jpg",      "x+y=z",
                           "~tilde_dot.-",   "caf\u00e9/\u65e5\u672c.png",
                           "100%/?#[]!*'()", "emoji \U0001F600.gif"};
    const QStringList tokens{QString(), "FQoGZXIvYXdzE/token+==", "t"};
    const QStringList types{"image/jpeg", "video/mp4", QString()};
    const QStringList secrets{"wJalrXUtnFEMI/K7MDENG/bPxRfiCYEXAMPLEKEY", "s\u00e9cret\u20ac"};

    struct Signed {
        QString stringToSign, signature;
    };
    QList<Signed> ours;
    QJsonArray cases;
    for (int i = 0; i < 24; ++i) {
        const QString secret = secrets[i % secrets.size()];
        S3Client client(S3Credentials("AKIDEXAMPLE", secret, tokens[i % tokens.size()]));
        client.setEndpoint(i % 2 ? QStringLiteral("https://s3.amazonaws.com")
                                 : QStringLiteral("http://127.0.0.1:9000"));
        auto request =
            std::make_shared<S3PutObjectRequest>(keys[i % keys.size()], buckets[i % buckets.size()]);
        request->setEndpoint(client.endpoint());
        request->setSecurityToken(client.provider()->credentials().securityToken().isEmpty()
                                      ? QString()
                                      : client.provider()->credentials().securityToken());
        if (!types[i % types.size()].isNull())
            request->setContentType(types[i % types.size()]);
        request->setData(QByteArray("payload ") + QByteArray::number(i));
        if (i % 3 == 0)
            request->addMetadataWithValue(QStringLiteral("value %1").arg(i), QStringLiteral("Caption"));
        if (i % 4 == 1)
            request->setStorageClass(QStringLiteral("REDUCED_REDUNDANCY"));
        if (i % 5 == 2)
            request->setCannedACL(QStringLiteral("public-read"));
        if (i % 6 == 3)
            request->setServerSideEncryption(QStringLiteral("AES256"));
        if (i % 7 == 4)
            request->setRedirectLocation(QStringLiteral("/elsewhere"));
        S3SDKUtil::setRuntimeClockSkew(i *
                                       37.0); // the Date header carries the skew; botocore reads it as sent

        const S3URLRequest& url = client.signS3Request(*request);
        const QString authorization = url.valueForHTTPHeaderField(QStringLiteral("Authorization"));
        QVERIFY(authorization.startsWith(QStringLiteral("AWS AKIDEXAMPLE:")));
        ours.append({client.stringToSign(*request), authorization.mid(16)});

        QJsonArray headers;
        for (const auto& h : url.allHTTPHeaderFields())
            headers.append(QJsonArray{h.first, h.second});
        const QString encodedKey = StringS3SDKUtil::stringWithURLEncoding(request->key());
        cases.append(QJsonObject{{"method", url.httpMethod()},
                                 {"url", QString::fromUtf8(url.url().toEncoded())},
                                 {"headers", headers},
                                 {"auth_path", "/" + request->bucket() + "/" + encodedKey},
                                 {"ak", "AKIDEXAMPLE"},
                                 {"sk", secret},
                                 {"token", client.provider()->credentials().securityToken()}});
    }
    const QJsonArray theirs = runOracle(QJsonObject{{"hmacv1", cases}}).value("hmacv1").toArray();
    QCOMPARE(theirs.size(), ours.size());
    for (int i = 0; i < ours.size(); ++i) {
        const QJsonObject reference = theirs[i].toObject();
        QCOMPARE(ours[i].stringToSign, reference.value("string_to_sign").toString());
        QCOMPARE(ours[i].signature, reference.value("signature").toString());
    }
}

void TestS3Signing::version4SignatureMatchesBotocore() {
    if (!botocoreAvailable())
        QSKIP("/usr/bin/python3 cannot import botocore (Debian package python3-botocore)");
    const QDateTime now(QDate(2024, 3, 5), QTime(10, 11, 12), Qt::UTC);
    const QStringList endpoints{"https://sns.us-west-2.amazonaws.com", "https://sdb.amazonaws.com",
                                "https://eu-west-1.queue.amazonaws.com",
                                "https://email.us-east-1.amazonaws.com"};
    QJsonArray cases;
    QStringList ours;
    for (int i = 0; i < endpoints.size(); ++i) {
        S3ServiceRequest request;
        request.setEndpoint(endpoints[i]);
        request.setParameterValue(QStringLiteral("Publish"), QStringLiteral("Action"));
        request.setParameterValue(QStringLiteral("hello world & more/%1").arg(i), QStringLiteral("Message"));
        request.configureURLRequest();
        S3HeaderList headers{{QStringLiteral("Host"), request.hostName()}};
        const S3Credentials credentials("AKIDEXAMPLE", "wJalrXUtnFEMI/K7MDENG+bPxRfiCYEXAMPLEKEY");
        S3AuthUtils::signRequestV4(request, headers, request.queryString(), credentials, now);
        ours << request.urlRequest().valueForHTTPHeaderField(QStringLiteral("Authorization"));
        QJsonArray wire;
        for (const auto& h : headers)
            wire.append(QJsonArray{h.first, h.second});
        cases.append(QJsonObject{{"method", "POST"},
                                 {"url", endpoints[i] + "/"},
                                 {"headers", wire},
                                 {"payload", request.queryString()},
                                 {"region", request.regionName()},
                                 {"service", request.serviceName()},
                                 {"timestamp", "20240305T101112Z"},
                                 {"ak", credentials.accessKey()},
                                 {"sk", credentials.secretKey()}});
    }
    const QJsonArray theirs = runOracle(QJsonObject{{"sigv4", cases}}).value("sigv4").toArray();
    QCOMPARE(theirs.size(), ours.size());
    for (int i = 0; i < ours.size(); ++i) {
        const QString signature = theirs[i].toObject().value("signature").toString();
        QVERIFY2(ours[i].endsWith(QStringLiteral("SignedHeaders=host;x-amz-date, Signature=") + signature),
                 qPrintable(ours[i] + QStringLiteral(" vs ") +
                            theirs[i].toObject().value("canonical_request").toString()));
    }
}

void TestS3Signing::canonicalHeadersCollapseWhitespaceAndSortWithoutCase() {
    const S3HeaderList headers{{QStringLiteral("zeta"), QStringLiteral("a  \t b")},
                               {QStringLiteral("Alpha"), QStringLiteral("  lead")},
                               {QStringLiteral("beta"), QStringLiteral("x")}};
    QCOMPARE(S3AuthUtils::getCanonicalizedHeaderString(headers),
             QStringLiteral("alpha: lead\nbeta:x\nzeta:a b\n"));
    QCOMPARE(S3AuthUtils::getSignedHeadersString(headers), QStringLiteral("alpha;beta;zeta"));
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QCoreApplication app(argc, argv);
    TestS3Signing t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_s3signing.moc"
