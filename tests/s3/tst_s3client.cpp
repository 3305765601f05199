#include "FakeNetwork.h"
#include "HostileHttpPeer.h"
#include "RestSigner.h"
#include "ScriptedHttpPeer.h"
#include "TestSandbox.h"
#include "media/s3/DateS3SDKUtil.h"
#include "media/s3/S3AuthUtils.h"
#include "media/s3/S3Client.h"
#include "media/s3/S3Connection.h"
#include "media/s3/S3Endpoints.h"
#include "media/s3/S3ErrorHandler.h"
#include "media/s3/S3Logger.h"
#include "media/s3/S3MD5Util.h"
#include "media/s3/S3SDKUtil.h"
#include "media/s3/S3SecretMask.h"
#include "media/s3/S3ServiceException.h"
#include "media/s3/S3ServiceRequestDelegate.h"
#include "media/s3/S3StaticCredentialsProvider.h"
#include "media/s3/S3URLErrors.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QTest>

#include <ctime>

using namespace pelnix;

namespace {

// Records every callback in order, as the application's uploaders would hear them.
struct RecordingDelegate : S3ServiceRequestDelegate {
    bool takesServiceExceptions = false;
    QStringList events;
    std::optional<PLError> error;
    S3ExceptionPtr exception;
    qint64 totalSent = 0;
    qint64 expected = 0;
    qint64 receivedBytes = 0;
    int completions = 0;
    int failures = 0;
    // Copied in the callback: the response belongs to the connection.
    struct Completed {
        QString className, etag, versionId, id2, requestId, serverSideEncryption;
        bool deleteMarker = true;
        bool hasException = true;
    };
    std::optional<Completed> completed;

    bool done() const { return completions + failures > 0; }

    void requestDidReceiveResponse(S3ServiceRequest*, const S3ServiceResponse&) override {
        events << QStringLiteral("response");
    }
    void requestDidReceiveData(S3ServiceRequest*, const QByteArray& data) override {
        events << QStringLiteral("data");
        receivedBytes += data.size();
    }
    void requestDidCompleteWithResponse(S3ServiceRequest*, S3ServiceResponse* response) override {
        events << QStringLiteral("complete");
        ++completions;
        if (auto* s3 = dynamic_cast<S3Response*>(response))
            completed = Completed{s3->className(),    s3->etag(),           s3->versionId(),
                                  s3->id2(),          s3->requestId(),      s3->serverSideEncryption(),
                                  s3->deleteMarker(), bool(s3->exception())};
    }
    void requestDidSendData(S3ServiceRequest*, qint64, qint64 total, qint64 expectedTotal) override {
        if (events.isEmpty() || events.last() != QLatin1String("send"))
            events << QStringLiteral("send");
        totalSent = total;
        expected = expectedTotal;
    }
    void requestDidFailWithError(S3ServiceRequest*, const PLError& e) override {
        events << QStringLiteral("error");
        error = e;
        ++failures;
    }
    void requestDidFailWithServiceException(S3ServiceRequest* request, const S3ExceptionPtr& e) override {
        if (!takesServiceExceptions)
            return S3ServiceRequestDelegate::requestDidFailWithServiceException(request, e);
        events << QStringLiteral("serviceException");
        exception = e;
        ++failures;
    }
};

struct CountingProvider : S3CredentialsProvider {
    int refreshes = 0;
    S3Credentials credentials() const override { return S3Credentials("AKID", "SECRET"); }
    void refresh() override { ++refreshes; }
};

// Temporary credentials that the token service renews on refresh: new secret, new token.
struct RenewingProvider : S3CredentialsProvider {
    int generation = 1;
    S3Credentials credentials() const override {
        return S3Credentials("AKID", QStringLiteral("secret-%1").arg(generation),
                             QStringLiteral("token-%1/+=").arg(generation));
    }
    void refresh() override { ++generation; }
};

// One case for the independent signer's check of a request as the peer received it.
// The name the client is given for the peer where virtual-host style applies: a domain, connected to
// the peer's address.
const QString kNamedHost = QStringLiteral("s3.example.test");

QJsonObject wireCase(const ScriptedHttpPeer& peer, const ScriptedHttpPeer::Request& request,
                     const QString& secret, const QString& bucket = {}, const QString& key = {},
                     const QString& host = QStringLiteral("127.0.0.1")) {
    QJsonObject c{{"raw", QString::fromLatin1(request.raw.toBase64())},
                  {"endpointHost", QStringLiteral("%1:%2").arg(host).arg(peer.port())},
                  {"access", "AKID"},
                  {"secret", secret}};
    if (!bucket.isNull()) {
        c["bucket"] = bucket;
        c["key"] = key;
    }
    return c;
}

// Runs the independent check and fails the test with its findings when a request does not pass.
bool passesIndependentCheck(const QJsonArray& cases) {
    const QJsonArray results = test::runRestSigner(QStringLiteral("check"), cases);
    if (results.size() != cases.size()) {
        qWarning("the independent signer gave %d results for %d requests", int(results.size()),
                 int(cases.size()));
        return false;
    }
    bool ok = true;
    for (const auto& result : results) {
        if (!result.toObject().value("ok").toBool()) {
            ok = false;
            qWarning().noquote() << QJsonDocument(result.toObject()).toJson();
        }
    }
    return ok;
}

QByteArray rfc822(const QDateTime& date) {
    const double skew = S3SDKUtil::getRuntimeClockSkew();
    S3SDKUtil::setRuntimeClockSkew(0);
    const QByteArray text = DateS3SDKUtil::stringWithRFC822Format(date).toLatin1();
    S3SDKUtil::setRuntimeClockSkew(skew);
    return text;
}

} // namespace

class TestS3Client : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void urlAndSignedHeadersReachTheWireUnchanged();
    void malformedHeadersAreRefusedBeforeAnythingIsSent_data();
    void malformedHeadersAreRefusedBeforeAnythingIsSent();
    void dotSegmentsNeverReachTheWireUnderAnotherPath();
    void tokenIsReadAgainAfterTheProviderRefreshes();
    void successReportsProgressResponseThenCompletion();
    void refusalsReachTheDelegateOnlyAsFailures();
    void timeoutFailsOnceAndAbortsTheTransfer();
    void droppedConnectionIsANetworkFailure();
    void anAnswerCutShortIsANetworkFailure_data();
    void anAnswerCutShortIsANetworkFailure();
    void syncCallRetriesWithExponentialPausesAndFreshSignatures();
    void nonRetryableOutcomesMakeOneAttempt();
    void tokenErrorRefreshesAndClockSkewIsCorrected();
    void clockIsCorrectedOnceAndOnlyWhenItIsOff_data();
    void clockIsCorrectedOnceAndOnlyWhenItIsOff();
    void exceptionsOnRaiseFromSyncCalls();
    void userAgentRedirectAndCloseDelimitedBody();
    void verboseLogsNameEveryHeaderButNoSecret();
    void secretHeadersAreMasked_data();
    void secretHeadersAreMasked();
    void refusalsEchoingTheSecretsLeaveThemOutOfEveryLogAndError_data();
    void refusalsEchoingTheSecretsLeaveThemOutOfEveryLogAndError();
    void redirectsToAnotherServerCarryNothingThere_data();
    void redirectsToAnotherServerCarryNothingThere();
    void aRedirectToTheBucketsRegionIsSignedAgainForIt();
    void echoedSecretsInAnyEncodingReachNoLogOrError_data();
    void echoedSecretsInAnyEncodingReachNoLogOrError();
    void maskFindsPiecesAndLeavesOrdinaryTextReadable_data();
    void maskFindsPiecesAndLeavesOrdinaryTextReadable();
    void sameServerRedirectsAreSignedForWhatTheyAsk_data();
    void sameServerRedirectsAreSignedForWhatTheyAsk();
    void theSignatureARedirectReplacedIsStillMasked();
    void maskTakesTimeInProportionToItsText_data();
    void maskTakesTimeInProportionToItsText();
    void aRefusalIsReadOnlyUpToItsBound();

private:
    std::unique_ptr<S3Client> client(const ScriptedHttpPeer& peer, const QString& token = {},
                                     const QString& host = QStringLiteral("127.0.0.1"));
    std::shared_ptr<S3PutObjectRequest> put(const QString& key,
                                            const QString& bucket = QStringLiteral("photos-1"),
                                            const QByteArray& data = "hello");
    // A blocking put of "k" with exceptions off (so a success is logged at info level too), every
    // category logged at every level into g_logLines.
    std::shared_ptr<S3Response> putLoggingEverything(S3Client& s3);

    std::unique_ptr<test::TestSandbox> m_sandbox;
    QList<double> m_pauses;
};

void TestS3Client::init() {
    m_sandbox = std::make_unique<test::TestSandbox>();
    m_pauses.clear();
    S3ErrorHandler::shouldThrowExceptions();
    S3SDKUtil::setRuntimeClockSkew(0);
}

void TestS3Client::cleanup() {
    S3ErrorHandler::shouldThrowExceptions();
    S3Endpoints::setDomainSuffix(QString());
    S3SDKUtil::setRuntimeClockSkew(0);
    m_sandbox.reset();
}

std::unique_ptr<S3Client> TestS3Client::client(const ScriptedHttpPeer& peer, const QString& token,
                                               const QString& host) {
    auto c = std::make_unique<S3Client>(S3Credentials("AKID", "SECRET", token));
    c->setEndpoint(QStringLiteral("http://%1:%2").arg(host).arg(peer.port()));
    c->setConnectionHostOverride(QStringLiteral("127.0.0.1"));
    c->setSleeper([this](double seconds) { m_pauses << seconds; });
    return c;
}

std::shared_ptr<S3PutObjectRequest> TestS3Client::put(const QString& key, const QString& bucket,
                                                      const QByteArray& data) {
    auto request = std::make_shared<S3PutObjectRequest>(key, bucket);
    request->setContentType(QStringLiteral("image/jpeg"));
    request->setData(data);
    return request;
}

void TestS3Client::urlAndSignedHeadersReachTheWireUnchanged() {
    struct Case {
        QString bucket, key;
        QByteArray target;
        bool virtualHost;
    };
    const QList<Case> cases{
        {QStringLiteral("photos-1"), QStringLiteral("a b/c.jpg"), "/a%20b/c.jpg", true},
        {QStringLiteral("My_Bucket"), QStringLiteral("a b/c.jpg"), "/My_Bucket/a%20b/c.jpg", false},
        {QStringLiteral("photos-1"), QStringLiteral("x+y~\u00e9"), "/x%2By~%C3%A9", true},
        {QStringLiteral("pelnix.media"), QStringLiteral("f/1+2"), "/pelnix.media/f/1%2B2", false},
        {QStringLiteral("photos-1"), QStringLiteral("a/./b/../c"), "/a%2F.%2Fb%2F..%2Fc", true},
        {QStringLiteral("photos-1"), QStringLiteral("/a//b="), "/%2Fa%2F%2Fb%3D", true},
        {QStringLiteral("My_Bucket"), QStringLiteral("x//y/"), "/My_Bucket/x//y/", false},
        {QStringLiteral("pelnix.media"), QStringLiteral("...~!*'()"), "/pelnix.media/...~%21%2A%27%28%29",
         false},
    };
    QJsonArray independent;
    ScriptedHttpPeer peer;
    auto s3 = client(peer, QStringLiteral("TOKEN/with+chars"), kNamedHost);
    for (const Case& c : cases) {
        RecordingDelegate delegate;
        auto request = put(c.key, c.bucket, "body bytes");
        request->setDelegate(&delegate);
        QVERIFY(!s3->putObject(request));
        QTRY_VERIFY(delegate.done());
        QCOMPARE(delegate.events.last(), QStringLiteral("complete"));

        const auto& wire = peer.requests().last();
        QCOMPARE(wire.method, QByteArray("PUT"));
        QCOMPARE(wire.target, c.target);
        const QByteArray authority = kNamedHost.toLatin1() + ":" + QByteArray::number(peer.port());
        QCOMPARE(wire.header("Host"), c.virtualHost ? c.bucket.toUtf8() + "." + authority : authority);
        for (const char* name :
             {"Host", "Content-Type", "Content-Length", "Content-MD5", "Date", "Authorization"})
            QCOMPARE(wire.headerCount(name), 1);
        QCOMPARE(wire.header("Content-Length"), QByteArray("10"));
        QCOMPARE(wire.body, QByteArray("body bytes"));
        QCOMPARE(wire.header("Content-MD5"), S3MD5Util::base64md5FromData("body bytes").toLatin1());
        QCOMPARE(wire.header("x-amz-security-token"), QByteArray("TOKEN/with+chars"));

        // The signature must cover exactly what was sent, the resource naming the bucket in both styles.
        const QByteArray resource =
            "/" + c.bucket.toUtf8() + (c.virtualHost ? wire.target : wire.target.mid(c.bucket.size() + 1));
        const QByteArray signedText = "PUT\n" + wire.header("Content-MD5") + "\nimage/jpeg\n" +
                                      wire.header("Date") + "\nx-amz-security-token:TOKEN/with+chars\n" +
                                      resource;
        QCOMPARE(
            wire.header("Authorization"),
            "AWS AKID:" +
                S3AuthUtils::HMACSign(signedText, QStringLiteral("SECRET"), S3AuthUtils::SHA1).toLatin1());
        independent.append(wireCase(peer, wire, QStringLiteral("SECRET"), c.bucket, c.key, kNamedHost));
    }

    // Headers a caller adds, with blanks a peer drops when it reads them, and a key outside ASCII.
    RecordingDelegate delegate;
    auto decorated = put(QStringLiteral("caf\u00e9 \u65e5\u672c.png"), QStringLiteral("pelnix.media"));
    decorated->addMetadataWithValue(QStringLiteral("  two  words\t"), QStringLiteral("Caption"));
    decorated->addMetadataWithValue(QStringLiteral("caf\u00e9"), QStringLiteral("place"));
    decorated->setCannedACL(QStringLiteral(" public-read"));
    decorated->setCacheControl(QStringLiteral("max-age=60 "));
    decorated->setDelegate(&delegate);
    s3->putObject(decorated);
    QTRY_VERIFY(delegate.done());
    const auto& wire = peer.requests().last();
    QCOMPARE(wire.header("x-amz-meta-Caption"), QByteArray("two  words"));
    QVERIFY(wire.raw.contains("x-amz-meta-Caption: two  words\r\n"));
    independent.append(
        wireCase(peer, wire, QStringLiteral("SECRET"), decorated->bucket(), decorated->key(), kNamedHost));
    QVERIFY(passesIndependentCheck(independent));
}

void TestS3Client::malformedHeadersAreRefusedBeforeAnythingIsSent_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("value");
    for (const char* field : {"metadata", "metadata name", "content type", "token", "acl", "storage class",
                              "cache control", "redirect location", "user agent"}) {
        QTest::newRow(qPrintable(QStringLiteral("%1 with CR LF").arg(field)))
            << field << QStringLiteral("x\r\nx-amz-acl: public-read-write");
        QTest::newRow(qPrintable(QStringLiteral("%1 with LF").arg(field))) << field << QStringLiteral("x\ny");
        QTest::newRow(qPrintable(QStringLiteral("%1 with CR at the end").arg(field)))
            << field << QStringLiteral("x\r");
    }
    QTest::newRow("metadata name with a colon") << "metadata name" << QStringLiteral("a:b");
    QTest::newRow("metadata name with a space") << "metadata name" << QStringLiteral("a b");
    QTest::newRow("metadata with NUL") << "metadata" << QStringLiteral("a") + QChar(0) + QStringLiteral("b");
}

void TestS3Client::malformedHeadersAreRefusedBeforeAnythingIsSent() {
    QFETCH(QString, field);
    QFETCH(QString, value);
    ScriptedHttpPeer peer;
    auto s3 = client(peer, field == QLatin1String("token") ? value : QString());
    auto request = [&] {
        auto r = put(QStringLiteral("k"));
        if (field == QLatin1String("metadata"))
            r->addMetadataWithValue(value, QStringLiteral("caption"));
        else if (field == QLatin1String("metadata name"))
            r->addMetadataWithValue(QStringLiteral("v"), value);
        else if (field == QLatin1String("content type"))
            r->setContentType(value);
        else if (field == QLatin1String("acl"))
            r->setCannedACL(value);
        else if (field == QLatin1String("storage class"))
            r->setStorageClass(value);
        else if (field == QLatin1String("cache control"))
            r->setCacheControl(value);
        else if (field == QLatin1String("redirect location"))
            r->setRedirectLocation(value);
        return r;
    };
    if (field == QLatin1String("user agent"))
        s3->setUserAgent(value);

    // Asynchronous: the call answers the refusal at once and the delegate hears nothing.
    S3ErrorHandler::shouldNotThrowExceptions();
    RecordingDelegate delegate;
    auto async = request();
    async->setDelegate(&delegate);
    auto refused = s3->putObject(async);
    QVERIFY(refused && refused->error());
    QCOMPARE(refused->error()->domain, QString::fromLatin1(S3ClientErrorDomain));
    QVERIFY2(refused->error()
                 ->userInfo.value(QStringLiteral("message"))
                 .toString()
                 .startsWith(QStringLiteral("The request cannot be sent: ")),
             qPrintable(refused->error()->debugText()));
    // Synchronous, exceptions on: raised before the first attempt, never retried.
    S3ErrorHandler::shouldThrowExceptions();
    QVERIFY_THROWS_EXCEPTION(S3ClientException, s3->putObject(request()));
    QVERIFY(m_pauses.isEmpty());

    // Give any stray request the chance to arrive before counting: a sound one is sent last.
    RecordingDelegate marker;
    auto sound = put(QStringLiteral("after"));
    sound->setDelegate(&marker);
    s3->setUserAgent(QStringLiteral("Pelnix"));
    s3->setProvider(std::make_shared<S3StaticCredentialsProvider>(S3Credentials("AKID", "SECRET")));
    s3->putObject(sound);
    QTRY_VERIFY(marker.done());
    QCOMPARE(peer.requests().size(), 1);
    QCOMPARE(peer.requests().first().target, QByteArray("/photos-1/after"));
    QVERIFY(delegate.events.isEmpty());
}

void TestS3Client::dotSegmentsNeverReachTheWireUnderAnotherPath() {
    S3ErrorHandler::shouldNotThrowExceptions();
    ScriptedHttpPeer peer;
    auto s3 = client(peer);
    struct Refused {
        QString bucket, key;
    };
    // Each would be sent to another resource than the one signed ("." would put to the bucket itself),
    // and a path-style bucket name is not escaped, so one that URL parsing changes cannot be signed.
    for (const Refused& r :
         {Refused{"photos-1", "."}, Refused{"photos-1", ".."}, Refused{"My_Bucket", "."},
          Refused{"My_Bucket", ".."}, Refused{".", "k"}, Refused{"..", "k"}, Refused{"..", QString()},
          Refused{"My Bucket", "k"}, Refused{"My_Bucket\r\nX-Injected: 1", "k"}}) {
        auto response = s3->putObject(put(r.key, r.bucket));
        QVERIFY2(response && response->error(), qPrintable(r.bucket + " / " + r.key));
        QCOMPARE(response->error()->domain, QString::fromLatin1(S3ClientErrorDomain));
    }
    QVERIFY(peer.requests().isEmpty());

    // Dots that do not make a whole segment are sent and signed as they are.
    QJsonArray independent;
    for (const QString& key : {QStringLiteral("..."), QStringLiteral(".hidden"), QStringLiteral("./x"),
                               QStringLiteral("x/.."), QStringLiteral("a.")}) {
        for (const QString& bucket : {QStringLiteral("photos-1"), QStringLiteral("My_Bucket")}) {
            auto response = s3->putObject(put(key, bucket));
            QVERIFY2(response && !response->error(), qPrintable(bucket + " / " + key));
            independent.append(wireCase(peer, peer.requests().last(), QStringLiteral("SECRET"), bucket, key));
        }
    }
    QVERIFY(passesIndependentCheck(independent));
}

void TestS3Client::tokenIsReadAgainAfterTheProviderRefreshes() {
    S3ErrorHandler::shouldNotThrowExceptions();
    ScriptedHttpPeer peer;
    peer.enqueue(ScriptedHttpPeer::errorDocument(400, "ExpiredToken", "expired"));
    peer.enqueue(ScriptedHttpPeer::respond(200));
    auto provider = std::make_shared<RenewingProvider>();
    S3Client s3(provider);
    s3.setEndpoint(peer.endpoint());
    s3.setSleeper([](double) {});
    auto response = s3.putObject(put(QStringLiteral("k"), QStringLiteral("My_Bucket")));
    QVERIFY(response && !response->error());
    QCOMPARE(provider->generation, 2);
    QCOMPARE(peer.requests().size(), 2);
    QCOMPARE(peer.requests()[0].header("x-amz-security-token"), QByteArray("token-1/+="));
    QCOMPARE(peer.requests()[1].header("x-amz-security-token"), QByteArray("token-2/+="));
    // Each attempt is signed with the secret that goes with its token.
    QVERIFY(passesIndependentCheck({wireCase(peer, peer.requests()[0], QStringLiteral("secret-1")),
                                    wireCase(peer, peer.requests()[1], QStringLiteral("secret-2"))}));

    // A token the caller set on the request stays, whatever the provider hands out.
    ScriptedHttpPeer second;
    s3.setEndpoint(second.endpoint());
    auto own = put(QStringLiteral("k"), QStringLiteral("My_Bucket"));
    own->setSecurityToken(QStringLiteral("caller-token"));
    QVERIFY(!s3.putObject(own)->error());
    QCOMPARE(second.requests().last().header("x-amz-security-token"), QByteArray("caller-token"));
}

void TestS3Client::successReportsProgressResponseThenCompletion() {
    ScriptedHttpPeer peer;
    peer.enqueue(ScriptedHttpPeer::respond(200, {},
                                           {{"ETag", "\"abc\""},
                                            {"x-amz-version-id", "v7"},
                                            {"x-amz-id-2", "id2text"},
                                            {"x-amz-request-id", "RID"},
                                            {"x-amz-server-side-encryption", "AES256"},
                                            {"x-amz-delete-marker", "true"}}));
    auto s3 = client(peer);
    RecordingDelegate delegate;
    const QByteArray payload(300 * 1024, 'x');
    auto request = put(QStringLiteral("big.bin"), QStringLiteral("photos-1"), payload);
    request->setDelegate(&delegate);
    s3->putObject(request);
    QTRY_VERIFY(delegate.done());
    QCOMPARE(delegate.events, (QStringList{"send", "response", "complete"}));
    QCOMPARE(delegate.totalSent, payload.size());
    QCOMPARE(delegate.expected, payload.size());
    QVERIFY(delegate.completed);
    QCOMPARE(delegate.completed->className, QStringLiteral("S3PutObjectResponse"));
    QCOMPARE(delegate.completed->etag, QStringLiteral("\"abc\""));
    QCOMPARE(delegate.completed->versionId, QStringLiteral("v7"));
    QCOMPARE(delegate.completed->id2, QStringLiteral("id2text"));
    QCOMPARE(delegate.completed->requestId, QStringLiteral("RID"));
    QCOMPARE(delegate.completed->serverSideEncryption, QStringLiteral("AES256"));
    QVERIFY(!delegate.completed->deleteMarker); // Boolean fields never come from headers
    QVERIFY(!delegate.completed->hasException);
}

void TestS3Client::refusalsReachTheDelegateOnlyAsFailures() {
    struct Case {
        const char* name;
        ScriptedHttpPeer::Reply reply;
        bool exceptionsOn;
        bool takesServiceExceptions;
        int status;
        QString errorCode;
        QString description; // of the error the uploader hears
    };
    const QList<Case> cases{
        {"403, uploader without service-exception callback",
         ScriptedHttpPeer::errorDocument(403, "AccessDenied", "Access Denied"), true, false, 403,
         "AccessDenied", "Access Denied (AccessDenied)"},
        {"403, delegate taking service exceptions",
         ScriptedHttpPeer::errorDocument(403, "AccessDenied", "Access Denied"), true, true, 403,
         "AccessDenied", QString()},
        {"404, exceptions off", ScriptedHttpPeer::errorDocument(404, "NoSuchBucket", "No bucket"), false,
         false, 404, "NoSuchBucket", "No bucket (NoSuchBucket)"},
        {"500 with a body that is not XML", ScriptedHttpPeer::respond(500, "<html>oops"), true, false, 500,
         QString(), "The storage service answered HTTP 500."},
        {"301 without Location", ScriptedHttpPeer::respond(301), true, false, 301, QString(),
         "The storage service answered HTTP 301."},
    };
    for (const Case& c : cases) {
        ScriptedHttpPeer peer;
        peer.enqueue(c.reply);
        c.exceptionsOn ? S3ErrorHandler::shouldThrowExceptions() : S3ErrorHandler::shouldNotThrowExceptions();
        auto s3 = client(peer);
        RecordingDelegate delegate;
        delegate.takesServiceExceptions = c.takesServiceExceptions;
        auto request = put(QStringLiteral("k"));
        request->setDelegate(&delegate);
        s3->putObject(request);
        QTRY_VERIFY2(delegate.done(), c.name);
        QVERIFY2(!delegate.events.contains(QStringLiteral("complete")), c.name);
        QCOMPARE(delegate.failures, 1);
        QCOMPARE(peer.requests().size(), 1); // one attempt: requests with a delegate are never retried
        if (c.takesServiceExceptions) {
            auto service = std::dynamic_pointer_cast<const S3ServiceException>(delegate.exception);
            QVERIFY(service);
            QCOMPARE(service->statusCode(), c.status);
            QCOMPARE(service->errorCode(), c.errorCode);
            QCOMPARE(service->message(), QStringLiteral("Access Denied"));
            QCOMPARE(service->requestId(), QStringLiteral("REQ123"));
        } else {
            QVERIFY2(delegate.error, c.name);
            QCOMPARE(delegate.error->domain, QString::fromLatin1(S3ServiceErrorDomain));
            QCOMPARE(delegate.error->code, c.status);
            QCOMPARE(delegate.error->userInfo.value(QStringLiteral("errorCode")).toString(), c.errorCode);
            QCOMPARE(delegate.error->localizedDescription, c.description);
        }
    }
}

void TestS3Client::timeoutFailsOnceAndAbortsTheTransfer() {
    ScriptedHttpPeer peer;
    ScriptedHttpPeer::Reply stall;
    stall.kind = ScriptedHttpPeer::Reply::Stall;
    peer.enqueue(stall);
    auto s3 = client(peer);
    s3->setTimeout(0.3);
    RecordingDelegate delegate;
    auto request = put(QStringLiteral("k"));
    request->setDelegate(&delegate);
    s3->putObject(request);
    QTRY_VERIFY(delegate.done());
    QTRY_COMPARE(peer.closedSockets(), 1); // the stalled transfer was dropped
    QCOMPARE(delegate.events, (QStringList{"send", "error"}));
    QCOMPARE(delegate.error->domain, QString::fromLatin1(S3ClientErrorDomain));
    QCOMPARE(delegate.error->code, -1);
    QCOMPARE(delegate.error->userInfo.value(QStringLiteral("message")).toString(),
             QStringLiteral("Request timed out."));

    // A cancelled request stays silent.
    peer.enqueue(stall);
    RecordingDelegate silent;
    auto cancelled = put(QStringLiteral("k2"));
    cancelled->setDelegate(&silent);
    s3->putObject(cancelled);
    QTRY_COMPARE(peer.requests().size(), 2);
    const QStringList before = silent.events;
    cancelled->cancel();
    QTRY_COMPARE(peer.closedSockets(), 2);
    QCOMPARE(silent.events, before);
    QVERIFY(!silent.done());
}

void TestS3Client::droppedConnectionIsANetworkFailure() {
    ScriptedHttpPeer peer;
    ScriptedHttpPeer::Reply drop;
    drop.kind = ScriptedHttpPeer::Reply::Drop;
    peer.setDefaultReply(drop); // Qt itself sends again once on a dropped connection
    auto s3 = client(peer);
    RecordingDelegate delegate;
    delegate.takesServiceExceptions = true; // a network failure still arrives as an error
    auto request = put(QStringLiteral("k"));
    request->setDelegate(&delegate);
    s3->putObject(request);
    QTRY_VERIFY(delegate.done());
    QCOMPARE(delegate.events, (QStringList{"send", "error"}));
    QCOMPARE(delegate.error->domain, QString::fromLatin1(S3URLErrorDomain));
    QCOMPARE(delegate.error->code, S3URLErrors::NetworkConnectionLost);
}

void TestS3Client::anAnswerCutShortIsANetworkFailure_data() {
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("contentLength");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("completes");
    const QByteArray refusal = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Error><Code>AccessDenied</Code>"
                               "<Message>Access Denied</Message></Error>";
    QTest::newRow("whole") << 200 << QByteArray("0") << QByteArray() << true;
    QTest::newRow("cut short") << 200 << QByteArray("64") << QByteArray() << false;
    QTest::newRow("a refusal cut short") << 403 << QByteArray("4096") << refusal << false;
}

// Qt can finish an answer whose connection closed before its announced body as a whole one: the
// object is not taken for stored, and the call is retried as after a dropped connection.
void TestS3Client::anAnswerCutShortIsANetworkFailure() {
    QFETCH(int, status);
    QFETCH(QByteArray, contentLength);
    QFETCH(QByteArray, body);
    QFETCH(bool, completes);
    test::FakeNetwork network({status,
                               {{"Content-Length", contentLength}, {"ETag", "\"abc\""}},
                               body,
                               status == 403 ? QNetworkReply::ContentAccessDenied : QNetworkReply::NoError});
    S3Connection::setNetworkAccessManager(&network);
    auto s3 = std::make_unique<S3Client>(S3Credentials("AKID", "SECRET"));
    s3->setEndpoint(QStringLiteral("http://s3.test"));
    s3->setSleeper([this](double seconds) { m_pauses << seconds; });

    RecordingDelegate delegate;
    auto request = put(QStringLiteral("k"));
    request->setDelegate(&delegate);
    s3->putObject(request);
    QTRY_VERIFY(delegate.done());
    QCOMPARE(network.requests(), 1);
    if (completes) {
        QCOMPARE(delegate.events, (QStringList{"response", "complete"}));
        QCOMPARE(delegate.completed->etag, QStringLiteral("\"abc\""));
        return;
    }
    QCOMPARE(delegate.completions, 0);
    QCOMPARE(delegate.error->domain, QString::fromLatin1(S3URLErrorDomain));
    QCOMPARE(delegate.error->code, S3URLErrors::NetworkConnectionLost);

    // A blocking call tries again, as after any lost connection.
    S3ErrorHandler::shouldNotThrowExceptions();
    const auto response = s3->putObject(put(QStringLiteral("k")));
    QCOMPARE(response->error()->code, S3URLErrors::NetworkConnectionLost);
    QCOMPARE(m_pauses.size(), 5);
    QCOMPARE(network.requests(), 1 + 5);
}

void TestS3Client::syncCallRetriesWithExponentialPausesAndFreshSignatures() {
    S3ErrorHandler::shouldNotThrowExceptions();
    {
        ScriptedHttpPeer peer;
        for (int i = 0; i < 5; ++i)
            peer.enqueue(ScriptedHttpPeer::respond(500, "<Error><Code>InternalError</Code></Error>"));
        auto response = client(peer)->putObject(put(QStringLiteral("k")));
        QVERIFY(response);
        QCOMPARE(peer.requests().size(), 5);
        QCOMPARE(m_pauses, (QList<double>{0.2, 0.4, 0.8, 1.6, 3.2}));
        QVERIFY(response->error());
        QCOMPARE(response->error()->code, 500);
    }
    {
        m_pauses.clear();
        ScriptedHttpPeer peer;
        peer.enqueue(ScriptedHttpPeer::respond(503));
        peer.enqueue(ScriptedHttpPeer::respond(200, {}, {{"ETag", "\"e\""}}));
        auto s3 = client(peer);
        // Moves the signing clock during the pause, so the second attempt must carry a new Date.
        s3->setSleeper([this](double s) {
            m_pauses << s;
            S3SDKUtil::setRuntimeClockSkew(-30);
        });
        auto response = s3->putObject(put(QStringLiteral("k")));
        QVERIFY(response && !response->error());
        QCOMPARE(response->etag(), QStringLiteral("\"e\""));
        QCOMPARE(peer.requests().size(), 2);
        QCOMPARE(m_pauses, QList<double>{0.2});
        QVERIFY(peer.requests()[0].header("Date") != peer.requests()[1].header("Date"));
        QVERIFY(peer.requests()[0].header("Authorization") != peer.requests()[1].header("Authorization"));
        S3SDKUtil::setRuntimeClockSkew(0);
    }
    {
        ScriptedHttpPeer peer;
        ScriptedHttpPeer::Reply stall;
        stall.kind = ScriptedHttpPeer::Reply::Stall;
        peer.enqueue(stall);
        peer.enqueue(ScriptedHttpPeer::respond(200));
        auto s3 = client(peer);
        s3->setTimeout(0.3);
        auto response = s3->putObject(put(QStringLiteral("k")));
        QVERIFY(response && !response->error());
        QCOMPARE(peer.requests().size(), 2); // a timed-out attempt is retried
    }
    {
        m_pauses.clear();
        ScriptedHttpPeer peer;
        ScriptedHttpPeer::Reply drop;
        drop.kind = ScriptedHttpPeer::Reply::Drop;
        peer.setDefaultReply(drop);
        auto response = client(peer)->putObject(put(QStringLiteral("k")));
        QCOMPARE(response->error()->code, S3URLErrors::NetworkConnectionLost);
        QCOMPARE(m_pauses.size(), 5); // a lost connection is retried on every attempt
    }
}

void TestS3Client::nonRetryableOutcomesMakeOneAttempt() {
    S3ErrorHandler::shouldNotThrowExceptions();
    {
        quint16 closedPort = 0;
        {
            QTcpServer probe;
            QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
            closedPort = probe.serverPort();
        }
        S3Client s3(S3Credentials("AKID", "SECRET"));
        s3.setEndpoint(QStringLiteral("http://127.0.0.1:%1").arg(closedPort));
        s3.setSleeper([this](double s) { m_pauses << s; });
        auto response = s3.putObject(put(QStringLiteral("k"), QStringLiteral("My_Bucket")));
        QVERIFY(response && response->error());
        QCOMPARE(response->error()->domain, QString::fromLatin1(S3URLErrorDomain));
        QCOMPARE(response->error()->code, S3URLErrors::CannotConnectToHost);
        QVERIFY(m_pauses.isEmpty());
    }
    {
        ScriptedHttpPeer peer;
        peer.enqueue(ScriptedHttpPeer::errorDocument(403, "AccessDenied", "Access Denied"));
        auto response = client(peer)->putObject(put(QStringLiteral("k")));
        QCOMPARE(peer.requests().size(), 1);
        QCOMPARE(response->error()->code, 403);
    }
    {
        ScriptedHttpPeer peer;
        auto s3 = client(peer);
        s3->setMaxRetries(0);
        auto response = s3->putObject(put(QStringLiteral("k")));
        QVERIFY(response && response->error());
        QCOMPARE(response->error()->userInfo.value(QStringLiteral("message")).toString(),
                 QStringLiteral("Unknown error occurred."));
        QVERIFY(peer.requests().isEmpty());
    }
}

void TestS3Client::tokenErrorRefreshesAndClockSkewIsCorrected() {
    S3ErrorHandler::shouldNotThrowExceptions();
    {
        ScriptedHttpPeer peer;
        peer.enqueue(ScriptedHttpPeer::errorDocument(400, "ExpiredToken", "expired"));
        peer.enqueue(ScriptedHttpPeer::respond(200));
        auto provider = std::make_shared<CountingProvider>();
        S3Client s3(provider);
        s3.setEndpoint(peer.endpoint());
        s3.setSleeper([](double) {});
        auto response = s3.putObject(put(QStringLiteral("k"), QStringLiteral("My_Bucket")));
        QVERIFY(response && !response->error());
        QCOMPARE(provider->refreshes, 1);
    }
    {
        // The service runs an hour behind the device.
        ScriptedHttpPeer peer;
        const QDateTime serviceNow = QDateTime::currentDateTimeUtc().addSecs(-3600);
        peer.enqueue(
            ScriptedHttpPeer::errorDocument(403, "RequestTimeTooSkewed", "skewed", rfc822(serviceNow)));
        peer.enqueue(ScriptedHttpPeer::respond(200));
        auto response = client(peer)->putObject(put(QStringLiteral("k")));
        QVERIFY(response && !response->error());
        QVERIFY(qAbs(S3SDKUtil::getRuntimeClockSkew() - 3600) < 5);
        const QDateTime sent = QDateTime::fromString(
            QString::fromLatin1(peer.requests()[1].header("Date")).chopped(4), "ddd, dd MMM yyyy HH:mm:ss");
        QVERIFY(qAbs(QDateTime(sent.date(), sent.time(), Qt::UTC).secsTo(serviceNow)) < 5);
    }
    {
        // Without a Date header the same refusal is final.
        ScriptedHttpPeer peer;
        peer.enqueue(ScriptedHttpPeer::errorDocument(403, "SignatureDoesNotMatch", "bad"));
        auto response = client(peer)->putObject(put(QStringLiteral("k")));
        QCOMPARE(peer.requests().size(), 1);
        QCOMPARE(response->error()->userInfo.value(QStringLiteral("errorCode")).toString(),
                 QStringLiteral("SignatureDoesNotMatch"));
    }
}

void TestS3Client::clockIsCorrectedOnceAndOnlyWhenItIsOff_data() {
    QTest::addColumn<QString>("code");
    QTest::addColumn<int>("offset"); // the service's clock minus ours, seconds
    QTest::addColumn<bool>("dated");
    QTest::addColumn<bool>("repeats"); // the service refuses every attempt
    QTest::addColumn<int>("requests");
    QTest::addColumn<bool>("succeeds");
    const QString mismatch = QStringLiteral("SignatureDoesNotMatch");
    const QString invalid = QStringLiteral("InvalidSignatureException");
    const QString skewed = QStringLiteral("RequestTimeTooSkewed");
    QTest::newRow("signature refused, clocks agree (a wrong secret)")
        << mismatch << 0 << true << true << 1 << false;
    QTest::newRow("signature refused, clocks 10 minutes apart")
        << mismatch << 600 << true << true << 1 << false;
    QTest::newRow("signature refused, service 20 minutes ahead")
        << mismatch << 1200 << true << false << 2 << true;
    QTest::newRow("signature refused again after the correction")
        << mismatch << 1200 << true << true << 2 << false;
    QTest::newRow("invalid signature, clocks agree") << invalid << 0 << true << true << 1 << false;
    QTest::newRow("invalid signature, service 20 minutes behind")
        << invalid << -1200 << true << false << 2 << true;
    QTest::newRow("too skewed, service 20 minutes ahead") << skewed << 1200 << true << false << 2 << true;
    QTest::newRow("too skewed without a Date") << skewed << 1200 << false << false << 1 << false;
    QTest::newRow("too skewed on every attempt") << skewed << 1200 << true << true << 2 << false;
    QTest::newRow("expired, service 20 minutes behind")
        << QStringLiteral("RequestExpired") << -1200 << true << false << 2 << true;
}

void TestS3Client::clockIsCorrectedOnceAndOnlyWhenItIsOff() {
    QFETCH(QString, code);
    QFETCH(int, offset);
    QFETCH(bool, dated);
    QFETCH(bool, repeats);
    QFETCH(int, requests);
    QFETCH(bool, succeeds);
    S3ErrorHandler::shouldNotThrowExceptions();
    ScriptedHttpPeer peer;
    const QByteArray date = dated ? rfc822(QDateTime::currentDateTimeUtc().addSecs(offset)) : QByteArray();
    const auto refusal = ScriptedHttpPeer::errorDocument(403, code.toLatin1(), "refused", date);
    peer.enqueue(refusal);
    if (repeats)
        peer.setDefaultReply(refusal);
    const auto response = client(peer)->putObject(put(QStringLiteral("k")));
    QVERIFY(response);
    QCOMPARE(peer.requests().size(), requests);
    QCOMPARE(m_pauses.size(), requests - 1);
    QCOMPARE(!response->error(), succeeds);
    if (!succeeds)
        QCOMPARE(response->error()->userInfo.value(QStringLiteral("errorCode")).toString(), code);
    if (requests > 1)
        QVERIFY(qAbs(S3SDKUtil::getRuntimeClockSkew() + offset) < 5);
    else
        QCOMPARE(S3SDKUtil::getRuntimeClockSkew(), 0.0);
}

void TestS3Client::exceptionsOnRaiseFromSyncCalls() {
    ScriptedHttpPeer peer;
    peer.enqueue(ScriptedHttpPeer::errorDocument(404, "NoSuchKey", "gone"));
    auto s3 = client(peer);
    try {
        s3->putObject(put(QStringLiteral("k")));
        QFAIL("a refused sync call must raise");
    } catch (const S3ServiceException& e) {
        QCOMPARE(e.statusCode(), 404);
        QCOMPARE(e.errorCode(), QStringLiteral("NoSuchKey"));
        QCOMPARE(e.requestId(), QStringLiteral("REQ123"));
        QCOMPARE(QString::fromUtf8(e.what()), QStringLiteral("gone (NoSuchKey)"));
    }
    s3->setMaxRetries(0);
    QVERIFY_THROWS_EXCEPTION(S3ClientException, s3->putObject(put(QStringLiteral("k"))));
    QVERIFY_THROWS_EXCEPTION(S3ClientException, s3->putObject(nullptr));
}

void TestS3Client::userAgentRedirectAndCloseDelimitedBody() {
    ScriptedHttpPeer peer;
    peer.enqueue(ScriptedHttpPeer::respond(307, {}, {{"Location", "/moved/here"}}));
    peer.enqueue(ScriptedHttpPeer::respond(200));
    auto s3 = client(peer);
    s3->setUserAgent(QStringLiteral("Pelnix"));
    S3ErrorHandler::shouldNotThrowExceptions();
    auto response = s3->putObject(put(QStringLiteral("k"), QStringLiteral("My_Bucket")));
    QVERIFY(response && !response->error());
    QCOMPARE(peer.requests().size(), 2);
    QCOMPARE(peer.requests()[1].target, QByteArray("/moved/here"));
    // Signed again for the path it now asks for.
    QCOMPARE(peer.requests()[1].header("Content-MD5"), peer.requests()[0].header("Content-MD5"));
    QVERIFY(peer.requests()[1].header("Authorization") != peer.requests()[0].header("Authorization"));
    QCOMPARE(peer.requests()[1].body, QByteArray("hello"));
    const QByteArray agent = peer.requests()[0].header("User-Agent");
    QVERIFY(agent.startsWith("Pelnix, s3-client-iOS/1.7.1"));
    QVERIFY(agent.endsWith(" NE"));
    const QString sdk = S3SDKUtil::userAgentString();
    QCOMPARE(s3->copy()->userAgent().count(sdk), 2);

    ScriptedHttpPeer::Reply closing = ScriptedHttpPeer::errorDocument(409, "OperationAborted", "busy");
    closing.closeDelimited = true;
    peer.enqueue(closing);
    response = s3->putObject(put(QStringLiteral("k"), QStringLiteral("My_Bucket")));
    QCOMPARE(response->error()->userInfo.value(QStringLiteral("errorCode")).toString(),
             QStringLiteral("OperationAborted"));
}

namespace {
QStringList g_logLines;
QStringList g_categories;
void captureLog(QtMsgType, const QMessageLogContext& context, const QString& text) {
    g_logLines << text;
    g_categories << QString::fromLatin1(context.category);
}
} // namespace

void TestS3Client::verboseLogsNameEveryHeaderButNoSecret() {
    ScriptedHttpPeer peer;
    peer.enqueue(ScriptedHttpPeer::errorDocument(403, "AccessDenied", "denied"));
    auto s3 = client(peer, QStringLiteral("SESSIONTOKEN42"));
    auto request = put(QStringLiteral("k"));
    request->addMetadataWithValue(QStringLiteral("holiday"), QStringLiteral("caption"));
    // The client's lines are below warnings: quiet unless turned up.
    QLoggingCategory::setFilterRules(QStringLiteral("pelnix.s3.info=true"));
    S3Logger::verboseLogging();
    g_logLines.clear();
    g_categories.clear();
    auto previous = qInstallMessageHandler(captureLog);
    S3ErrorHandler::shouldNotThrowExceptions();
    s3->putObject(request);
    qInstallMessageHandler(previous);
    S3Logger::basicLogging();
    QLoggingCategory::setFilterRules(QString());

    QCOMPARE(g_categories, QStringList(g_logLines.size(), QStringLiteral("pelnix.s3")));
    const QString log = g_logLines.join(QLatin1Char('\n'));
    QVERIFY(log.contains(QStringLiteral("In SignURLRequest: String to Sign")));
    QVERIFY(log.contains(QStringLiteral("|Request headers: ")));
    const auto& wire = peer.requests().first();
    for (const char* header : {"Host", "Date", "Content-MD5", "x-amz-meta-caption"}) {
        const QString line =
            QStringLiteral("|  %1: %2").arg(QLatin1String(header), QString::fromUtf8(wire.header(header)));
        QVERIFY2(log.contains(line), qPrintable(line));
    }
    for (const char* header : {"Authorization", "x-amz-security-token"})
        QVERIFY2(log.contains(QStringLiteral("|  %1: <redacted>").arg(QLatin1String(header))), header);
    // The signature authorises a replay of the request for as long as its date is accepted.
    const QByteArray signature =
        wire.header("Authorization").mid(wire.header("Authorization").indexOf(':') + 1);
    QVERIFY(signature.size() > 20);
    for (const QString& secret :
         {QStringLiteral("SESSIONTOKEN42"), QStringLiteral("SECRET"), QString::fromLatin1(signature)})
        QVERIFY2(!log.contains(secret), qPrintable(secret));
}

void TestS3Client::secretHeadersAreMasked_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("masked");
    for (const char* name : {"Authorization", "x-amz-security-token", "Proxy-Authorization", "X-Auth-Token",
                             "x-amz-server-side-encryption-customer-key", "X-Api-Key", "x-amz-credential",
                             "X-Amz-Signature", "x-client-secret", "Cookie", "X-Password"})
        QTest::newRow(name) << name << true;
    for (const char* name : {"Host", "Date", "Content-Type", "Content-Length", "Content-MD5", "User-Agent",
                             "x-amz-acl", "x-amz-meta-caption", "Cache-Control"})
        QTest::newRow(name) << name << false;
}

void TestS3Client::secretHeadersAreMasked() {
    QFETCH(QString, name);
    QFETCH(bool, masked);
    QCOMPARE(S3AbstractWebServiceClient::isSecretHeader(name), masked);
}

namespace {

const QString kEchoedSecret = QStringLiteral("s3cr3t/Key+For=Tests0123456789");
const QString kEchoedToken = QStringLiteral("IQoJb3JpZ2luX2VjEJr//session+token/42==");

// How a peer may write a secret back: as it is, percent-encoded, or as the bytes in hexadecimal.
QStringList formsOf(const QByteArray& secret) {
    return {QString::fromUtf8(secret),
            QString::fromLatin1(QUrl::toPercentEncoding(QString::fromUtf8(secret))),
            QString::fromLatin1(secret.toHex()), QString::fromLatin1(secret.toHex(' ')).toUpper()};
}

// Every text of an error as a caller may show or log it.
QStringList textsOf(const PLError& error) {
    QStringList texts{error.localizedDescription, error.debugText()};
    for (auto it = error.userInfo.cbegin(); it != error.userInfo.cend(); ++it) {
        texts << it.value().toString();
        if (const auto exception = it.value().value<S3ExceptionPtr>())
            texts << exception->description() << QString::fromUtf8(exception->what()) << exception->message();
    }
    return texts;
}

QStringList textsOf(const S3ClientException& exception) {
    QStringList texts{exception.description(), QString::fromUtf8(exception.what()), exception.message(),
                      exception.reason()};
    if (exception.error())
        texts << textsOf(*exception.error());
    return texts;
}

} // namespace

void TestS3Client::refusalsEchoingTheSecretsLeaveThemOutOfEveryLogAndError_data() {
    QTest::addColumn<QString>("call");
    QTest::newRow("delegate") << "delegate";
    QTest::newRow("blocking, exceptions off") << "errors";
    QTest::newRow("blocking, exceptions on") << "exceptions";
}

void TestS3Client::refusalsEchoingTheSecretsLeaveThemOutOfEveryLogAndError() {
    QFETCH(QString, call);
    ScriptedHttpPeer peer;
    peer.enqueue(ScriptedHttpPeer::echoingSignatureRefusal(kEchoedSecret.toUtf8()));
    auto s3 = std::make_unique<S3Client>(S3Credentials("AKID", kEchoedSecret, kEchoedToken));
    s3->setEndpoint(peer.endpoint());
    s3->setSleeper([](double) {});

    // Every category, every level.
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=true\n*.info=true"));
    S3Logger::verboseLogging();
    g_logLines.clear();
    auto previous = qInstallMessageHandler(captureLog);
    QStringList errors;
    if (call == QLatin1String("delegate")) {
        RecordingDelegate delegate;
        auto request = put(QStringLiteral("k"));
        request->setDelegate(&delegate);
        QVERIFY(!s3->putObject(request));
        QTRY_VERIFY(delegate.done());
        QVERIFY(delegate.error);
        errors << textsOf(*delegate.error);
    } else if (call == QLatin1String("errors")) {
        S3ErrorHandler::shouldNotThrowExceptions();
        const auto response = s3->putObject(put(QStringLiteral("k")));
        QVERIFY(response && response->error());
        errors << textsOf(*response->error()) << response->description();
        if (response->exception())
            errors << textsOf(*response->exception());
    } else {
        try {
            s3->putObject(put(QStringLiteral("k")));
            QFAIL("no exception");
        } catch (const S3ClientException& exception) {
            errors << textsOf(exception);
        }
    }
    qInstallMessageHandler(previous);
    S3Logger::basicLogging();
    QLoggingCategory::setFilterRules(QString());

    QCOMPARE(peer.requests().size(), 1);
    const auto& wire = peer.requests().first();
    const QByteArray signature =
        wire.header("Authorization").mid(wire.header("Authorization").lastIndexOf(':') + 1);
    QCOMPARE(wire.header("x-amz-security-token"), kEchoedToken.toUtf8());
    const QString log = g_logLines.join(QLatin1Char('\n'));
    QVERIFY2(log.contains(QStringLiteral("|Response Body:")), qPrintable(log));
    const QString error = errors.join(QLatin1Char('\n'));
    // Still useful: the service's code and its message.
    QVERIFY2(error.contains(QStringLiteral("SignatureDoesNotMatch")), qPrintable(error));
    QVERIFY2(error.contains(QStringLiteral("The request signature we calculated does not match")),
             qPrintable(error));
    for (const QByteArray& secret : {kEchoedSecret.toUtf8(), kEchoedToken.toUtf8(), signature}) {
        for (const QString& form : formsOf(secret)) {
            QVERIFY2(!log.contains(form, Qt::CaseInsensitive), qPrintable(QStringLiteral("log: ") + form));
            QVERIFY2(!error.contains(form, Qt::CaseInsensitive),
                     qPrintable(QStringLiteral("error: ") + form));
        }
    }
}

void TestS3Client::redirectsToAnotherServerCarryNothingThere_data() {
    QTest::addColumn<QString>("location");
    QTest::addColumn<bool>("delegate");
    QTest::addColumn<QString>("error");
    // "P1" stands for the first peer's port, "P2" for the second's.
    for (bool delegate : {true, false}) {
        const char* how = delegate ? "delegate" : "blocking";
        QTest::addRow("307 to another port, %s", how) << "http://127.0.0.1:P2/photos-1/k" << delegate
                                                      << "redirected the request to http://127.0.0.1:P2";
        QTest::addRow("301 to another host, %s", how) << "http://elsewhere.test:P1/photos-1/k" << delegate
                                                      << "redirected the request to http://elsewhere.test:P1";
        QTest::addRow("302 to a region of the service on another port, %s", how)
            << "http://photos-1.s3-eu-west-1.example.test:P2/k" << delegate << "s3-eu-west-1.example.test:P2";
        QTest::addRow("307 to the region's endpoint over another scheme, %s", how)
            << "https://photos-1.s3-eu-west-1.example.test/k" << delegate << "https://photos-1.s3-eu-west-1";
        QTest::addRow("303 without an address, %s", how) << "" << delegate << "HTTP 303";
    }
}

void TestS3Client::redirectsToAnotherServerCarryNothingThere() {
    QFETCH(QString, location);
    QFETCH(bool, delegate);
    QFETCH(QString, error);
    S3Endpoints::setDomainSuffix(QStringLiteral("example.test"));
    ScriptedHttpPeer peer;
    ScriptedHttpPeer other;
    other.setDefaultReply(ScriptedHttpPeer::respond(200));
    const auto ports = [&](QString text) {
        return text.replace(QLatin1String("P1"), QString::number(peer.port()))
            .replace(QLatin1String("P2"), QString::number(other.port()));
    };
    const QString tag = QString::fromLatin1(QTest::currentDataTag());
    const int status = tag.left(3).toInt();
    peer.enqueue(ScriptedHttpPeer::respond(
        status, {},
        location.isEmpty() ? QList<QPair<QByteArray, QByteArray>>{}
                           : QList<QPair<QByteArray, QByteArray>>{{"Location", ports(location).toUtf8()}}));
    peer.setDefaultReply(ScriptedHttpPeer::respond(200));
    auto s3 = client(peer, QStringLiteral("SESSIONTOKEN42"), QStringLiteral("s3.example.test"));
    auto request = put(QStringLiteral("k"));
    std::optional<PLError> failure;
    RecordingDelegate recorder;
    if (delegate) {
        request->setDelegate(&recorder);
        QVERIFY(!s3->putObject(request));
        QTRY_VERIFY(recorder.done());
        QCOMPARE(recorder.completions, 0);
        failure = recorder.error;
    } else {
        S3ErrorHandler::shouldNotThrowExceptions();
        const auto response = s3->putObject(request);
        failure = response ? response->error() : std::nullopt;
    }
    QVERIFY(failure);
    QVERIFY2(failure->localizedDescription.contains(ports(error)), qPrintable(failure->localizedDescription));
    // Neither the signed request, its token nor its body went anywhere else.
    QCOMPARE(other.requests().size(), 0);
    QCOMPARE(peer.requests().size(), 1);
}

void TestS3Client::aRedirectToTheBucketsRegionIsSignedAgainForIt() {
    S3Endpoints::setDomainSuffix(QStringLiteral("example.test"));
    ScriptedHttpPeer peer;
    const QByteArray region = "s3-eu-west-1.example.test:" + QByteArray::number(peer.port());
    peer.enqueue(
        ScriptedHttpPeer::respond(307, {}, {{"Location", "http://photos-1." + region + "/k?moved"}}));
    peer.enqueue(ScriptedHttpPeer::respond(200));
    // The bucket's region answers on this peer too: the client connects every name to it.
    auto s3 = client(peer, QStringLiteral("SESSIONTOKEN42"), QStringLiteral("s3.example.test"));
    RecordingDelegate recorder;
    auto request = put(QStringLiteral("k"));
    request->setDelegate(&recorder);
    QVERIFY(!s3->putObject(request));
    QTRY_VERIFY(recorder.done());
    QCOMPARE(recorder.completions, 1);
    QCOMPARE(peer.requests().size(), 2);
    const auto& first = peer.requests()[0];
    const auto& second = peer.requests()[1];
    QCOMPARE(first.header("Host"), "photos-1.s3.example.test:" + QByteArray::number(peer.port()));
    QCOMPARE(second.header("Host"), "photos-1." + region);
    // The object's own address at the new endpoint, not whatever the answer's path said.
    QCOMPARE(second.target, QByteArray("/k"));
    QCOMPARE(second.body, QByteArray("hello"));
    QVERIFY(
        passesIndependentCheck({wireCase(peer, second, QStringLiteral("SECRET"), QStringLiteral("photos-1"),
                                         QStringLiteral("k"), QStringLiteral("s3-eu-west-1.example.test"))}));
}

namespace {

// A secret as a peer writes it back in one encoding, and the texts by which a log line or an error
// would show it (the written text, or each piece of it when it is split).
struct Echo {
    QByteArray written;
    QStringList shows;
};

Echo encoded(const QString& encoding, const QByteArray& secret) {
    const auto latin1 = [](const QByteArray& bytes) { return QString::fromLatin1(bytes); };
    QByteArray out;
    if (encoding == QLatin1String("as it is")) {
        out = secret;
    } else if (encoding == QLatin1String("Base64")) {
        out = secret.toBase64();
    } else if (encoding == QLatin1String("split over two lines")) {
        const qsizetype half = secret.size() / 2;
        return {secret.left(half) + "\r\n  " + secret.mid(half),
                {latin1(secret.left(half)), latin1(secret.mid(half))}};
    } else if (encoding == QLatin1String("plus as a space")) {
        out = QByteArray(secret).replace('+', ' ');
    } else if (encoding == QLatin1String("XML references")) {
        for (const char c : secret)
            out += "&#" + QByteArray::number(int(uchar(c))) + ';';
    } else if (encoding == QLatin1String("JSON escapes")) {
        for (const char c : secret)
            out += "\\u00" + QByteArray(1, c).toHex();
    } else if (encoding == QLatin1String("percent twice")) {
        out =
            QUrl::toPercentEncoding(QString::fromLatin1(QUrl::toPercentEncoding(QString::fromUtf8(secret))));
    } else if (encoding == QLatin1String("hexadecimal")) {
        out = secret.toHex(' ').toUpper();
    }
    return {out, {latin1(out)}};
}

// A peer that echoes the secret key, the token and the signature its request carried, in `encoding`,
// in the part of its answer that `where` names.
ScriptedHttpPeer::Reply echoing(const QString& where, const QString& encoding, const QByteArray& secret) {
    ScriptedHttpPeer::Reply reply;
    reply.answer = [=](const ScriptedHttpPeer::Request& q) {
        const QByteArray authorization = q.header("Authorization");
        const QByteArray signature = authorization.mid(authorization.lastIndexOf(':') + 1);
        const QByteArray token = q.header("x-amz-security-token");
        QByteArray echoes;
        for (const QByteArray& echoed : {token, signature, secret})
            echoes += ' ' + encoded(encoding, echoed).written;
        const QByteArray document =
            "<?xml version=\"1.0\" encoding=\"%1\"?>\n<Error><Code>AccessDenied</Code>"
            "<Message>Access Denied:" +
            echoes + "</Message><RequestId>REQ7</RequestId></Error>";
        if (where == QLatin1String("message"))
            return ScriptedHttpPeer::respond(403, QByteArray(document).replace("%1", "UTF-8"),
                                             {{"Content-Type", "application/xml"}});
        if (where == QLatin1String("UTF-16 document")) {
            const QString text = QString::fromUtf8(QByteArray(document).replace("%1", "UTF-16"));
            QByteArray body("\xFF\xFE", 2);
            body.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
            return ScriptedHttpPeer::respond(403, body,
                                             {{"Content-Type", "application/xml; charset=UTF-16"}});
        }
        if (where == QLatin1String("header value"))
            return ScriptedHttpPeer::respond(200, {}, {{"X-Echo", echoes.trimmed()}});
        if (where == QLatin1String("header name"))
            return ScriptedHttpPeer::respond(200, {}, {{encoded(encoding, token).written, "1"}});
        // A Location on another server, refused.
        return ScriptedHttpPeer::respond(
            302, {},
            {{"Location", "http://elsewhere.test:1/" + encoded(encoding, token).written + '/' +
                              encoded(encoding, signature).written}});
    };
    return reply;
}

} // namespace

std::shared_ptr<S3Response> TestS3Client::putLoggingEverything(S3Client& s3) {
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=true\n*.info=true"));
    S3Logger::verboseLogging();
    S3ErrorHandler::shouldNotThrowExceptions();
    g_logLines.clear();
    auto previous = qInstallMessageHandler(captureLog);
    const auto response = s3.putObject(put(QStringLiteral("k")));
    qInstallMessageHandler(previous);
    S3Logger::basicLogging();
    QLoggingCategory::setFilterRules(QString());
    return response;
}

void TestS3Client::echoedSecretsInAnyEncodingReachNoLogOrError_data() {
    QTest::addColumn<QString>("where");
    QTest::addColumn<QString>("encoding");
    for (const char* encoding : {"as it is", "Base64", "split over two lines", "plus as a space",
                                 "XML references", "JSON escapes", "percent twice", "hexadecimal"})
        QTest::addRow("message, %s", encoding) << "message" << encoding;
    QTest::newRow("UTF-16 document") << "UTF-16 document"
                                     << "as it is";
    QTest::newRow("header value, Base64") << "header value"
                                          << "Base64";
    QTest::newRow("header name") << "header name"
                                 << "as it is";
    QTest::newRow("refused Location, Base64") << "Location"
                                              << "Base64";
}

void TestS3Client::echoedSecretsInAnyEncodingReachNoLogOrError() {
    QFETCH(QString, where);
    QFETCH(QString, encoding);
    // A header name holds no "/", "+" or "=": a peer that sends one breaks the answer, not the mask.
    const QString token = where == QLatin1String("header name")
                              ? QStringLiteral("IQoJb3JpZ2luX2VjEJr-session-token-42")
                              : kEchoedToken;
    ScriptedHttpPeer peer;
    peer.enqueue(echoing(where, encoding, kEchoedSecret.toUtf8()));
    auto s3 = std::make_unique<S3Client>(S3Credentials("AKID", kEchoedSecret, token));
    s3->setEndpoint(peer.endpoint());
    s3->setSleeper([](double) {});

    const auto response = putLoggingEverything(*s3);

    QVERIFY(response);
    QCOMPARE(peer.requests().size(), 1);
    const auto& wire = peer.requests().first();
    const QByteArray signature =
        wire.header("Authorization").mid(wire.header("Authorization").lastIndexOf(':') + 1);
    const QString log = g_logLines.join(QLatin1Char('\n'));
    const QString error =
        (response->error() ? textsOf(*response->error()) : QStringList()).join(QLatin1Char('\n'));
    if (where == QLatin1String("message")) {
        // The service's own words stay readable.
        QVERIFY2(error.contains(QStringLiteral("Access Denied:")), qPrintable(error));
    } else if (where.startsWith(QLatin1String("header"))) {
        QVERIFY(!response->error());
        QVERIFY2(log.contains(QStringLiteral("|Response [")), qPrintable(log));
    } else if (where == QLatin1String("Location")) {
        QVERIFY2(error.contains(QStringLiteral("http://elsewhere.test:1")), qPrintable(error));
    }
    for (const QByteArray& secret : {kEchoedSecret.toUtf8(), token.toUtf8(), signature}) {
        QStringList shows = encoded(encoding, secret).shows << QString::fromUtf8(secret);
        // A UTF-16 text read as bytes.
        QString wide;
        for (const QChar c : QString::fromUtf8(secret))
            wide += QString(c) + QChar(0);
        shows << wide;
        for (const QString& form : shows) {
            QVERIFY2(!log.contains(form, Qt::CaseInsensitive),
                     qPrintable(QStringLiteral("log: ") + form + QLatin1Char('\n') + log));
            QVERIFY2(!error.contains(form, Qt::CaseInsensitive),
                     qPrintable(QStringLiteral("error: ") + form));
        }
    }
}

void TestS3Client::maskFindsPiecesAndLeavesOrdinaryTextReadable_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("masked");
    const QString secret = kEchoedSecret; // "s3cr3t/Key+For=Tests0123456789"
    QTest::newRow("ordinary message") << "Access Denied"
                                      << "Access Denied";
    QTest::newRow("a piece of 16") << "got Key+For=Tests0123 here"
                                   << "got <redacted> here";
    QTest::newRow("a piece of 15 stays") << "got Key+For=Tests012 here"
                                         << "got Key+For=Tests012 here";
    QTest::newRow("Base64 inside a longer Base64 text")
        << QString::fromLatin1(("x" + secret.toUtf8() + "yz").toBase64())
        << QStringLiteral("eH<redacted>Xl6");
    QTest::newRow("escaped line break within") << "(s3cr3t/Key+For=\\nTests0123456789)"
                                               << "(<redacted>)";
}

void TestS3Client::maskFindsPiecesAndLeavesOrdinaryTextReadable() {
    QFETCH(QString, text);
    QFETCH(QString, masked);
    S3SecretMask mask;
    mask.addSecret(kEchoedSecret);
    QCOMPARE(mask.mask(text), masked);
}

void TestS3Client::sameServerRedirectsAreSignedForWhatTheyAsk_data() {
    QTest::addColumn<QString>("endpointHost");
    QTest::addColumn<QString>("location");
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("target");
    // "P" stands for the peer's port.
    QTest::newRow("another path") << "127.0.0.1"
                                  << "/moved/here"
                                  << "127.0.0.1:P"
                                  << "/moved/here";
    QTest::newRow("another path with a sub-resource and a plain parameter") << "127.0.0.1"
                                                                            << "/photos-1/k2?x=1&versionId=7"
                                                                            << "127.0.0.1:P"
                                                                            << "/photos-1/k2?x=1&versionId=7";
    QTest::newRow("user information") << "127.0.0.1"
                                      << "http://user:pw@127.0.0.1:P/photos-1/k"
                                      << "127.0.0.1:P"
                                      << "/photos-1/k";
    QTest::newRow("the bucket's host, user information and another path")
        << "s3.example.test"
        << "http://user:pw@photos-1.s3.example.test:P/moved"
        << "photos-1.s3.example.test:P"
        << "/moved";
}

void TestS3Client::sameServerRedirectsAreSignedForWhatTheyAsk() {
    QFETCH(QString, endpointHost);
    QFETCH(QString, location);
    QFETCH(QString, host);
    QFETCH(QString, target);
    ScriptedHttpPeer peer;
    const auto port = [&](QString text) {
        return text.replace(QLatin1String("P"), QString::number(peer.port()));
    };
    peer.enqueue(ScriptedHttpPeer::respond(307, {}, {{"Location", port(location).toUtf8()}}));
    peer.enqueue(ScriptedHttpPeer::respond(200));
    auto s3 = client(peer, QStringLiteral("SESSIONTOKEN42"), endpointHost);
    S3ErrorHandler::shouldNotThrowExceptions();
    const auto response = s3->putObject(put(QStringLiteral("k")));
    QVERIFY(response && !response->error());
    QCOMPARE(peer.requests().size(), 2);
    const auto& second = peer.requests()[1];
    QCOMPARE(QString::fromLatin1(second.header("Host")), port(host));
    QCOMPARE(QString::fromLatin1(second.target), target);
    QCOMPARE(second.headerCount("Authorization"), 1);
    QCOMPARE(second.body, QByteArray("hello"));
    // The user information goes nowhere: not as given, not as Basic credentials, not in the request
    // line or the Host. (A search for its letters alone would find them in the signature now and
    // then.)
    QVERIFY(!second.raw.contains("user:pw"));
    QVERIFY(!second.raw.contains("dXNlcjpwdw==")); // "user:pw" as Basic credentials
    QVERIFY(!second.target.contains("user:"));
    QVERIFY(!second.header("Host").contains("user:"));
    QVERIFY(passesIndependentCheck(
        {wireCase(peer, second, QStringLiteral("SECRET"), QString(), QString(), endpointHost)}));
}

void TestS3Client::theSignatureARedirectReplacedIsStillMasked() {
    ScriptedHttpPeer peer;
    peer.enqueue(ScriptedHttpPeer::respond(307, {}, {{"Location", "/moved"}}));
    ScriptedHttpPeer::Reply refusal;
    refusal.answer = [&peer](const ScriptedHttpPeer::Request&) {
        const QByteArray first = peer.requests().first().header("Authorization");
        return ScriptedHttpPeer::errorDocument(403, "AccessDenied", "Access Denied: " + first.toBase64(), {});
    };
    peer.enqueue(refusal);
    auto s3 = client(peer, QStringLiteral("SESSIONTOKEN42"));
    const auto response = putLoggingEverything(*s3);

    QVERIFY(response && response->error());
    QCOMPARE(peer.requests().size(), 2);
    const QByteArray first = peer.requests()[0].header("Authorization");
    QVERIFY(first != peer.requests()[1].header("Authorization"));
    const QString texts =
        g_logLines.join(QLatin1Char('\n')) + textsOf(*response->error()).join(QLatin1Char('\n'));
    QVERIFY2(texts.contains(QStringLiteral("Access Denied: ")), qPrintable(texts));
    const QByteArray signature = first.mid(first.lastIndexOf(':') + 1);
    for (const QByteArray& form : {signature, signature.toBase64(), first.toBase64()})
        QVERIFY2(!texts.contains(QString::fromLatin1(form)), form.constData());
}

void TestS3Client::maskTakesTimeInProportionToItsText_data() {
    QTest::addColumn<QString>("unit");
    QTest::addColumn<bool>("document");
    QTest::newRow("ampersands") << "&" << false;
    QTest::newRow("references never closed") << "&#x1" << false;
    QTest::newRow("escapes cut short") << "%4\\u00" << false;
    QTest::newRow("echo elements never closed") << "<StringToSign>" << true;
    QTest::newRow("echo elements closed by others") << "<CanonicalRequest></StringToSign>" << true;
}

// A refusal's text is the service's: whatever it repeats, masking it costs time in proportion to its
// length, so a message of a million "&" is masked as quickly as a million letters.
void TestS3Client::maskTakesTimeInProportionToItsText() {
    QFETCH(QString, unit);
    QFETCH(bool, document);
    S3SecretMask mask;
    mask.addSecret(kEchoedSecret);
    mask.addSecret(kEchoedToken);
    // The quickest of three runs on this thread's own CPU time: a loaded machine's other work, which
    // the wall clock would count, does not make a linear mask look quadratic.
    const auto threadCpuMs = [] {
        timespec now{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return qint64(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
    };
    const auto quickest = [&](qsizetype size) {
        const QString text = unit.repeated(size / unit.size()) + kEchoedSecret;
        const QByteArray bytes = text.toUtf8();
        qint64 best = std::numeric_limits<qint64>::max();
        for (int run = 0; run < 3; ++run) {
            const qint64 start = threadCpuMs();
            const QString masked =
                document ? mask.maskDocument(bytes, QStringLiteral("application/xml")) : mask.mask(text);
            best = qMin(best, threadCpuMs() - start);
            if (masked.contains(kEchoedSecret))
                qWarning("the secret was not masked after \"%s\"", qPrintable(unit));
        }
        return best;
    };
    const qint64 quarter = quickest(256 * 1024);
    QVERIFY2(quarter < 500, qPrintable(QStringLiteral("256 K characters: %1 ms").arg(quarter)));
    const qint64 whole = quickest(1024 * 1024);
    QVERIFY2(whole < 2000, qPrintable(QStringLiteral("1 M characters: %1 ms").arg(whole)));
    // Four times the text: about four times the time, far from the sixteen of a square.
    QVERIFY2(whole <= 8 * quarter + 50,
             qPrintable(QStringLiteral("256 K: %1 ms, 1 M: %2 ms").arg(quarter).arg(whole)));
    const QString tail = QStringLiteral("&&") + kEchoedSecret;
    QVERIFY(!mask.mask(unit.repeated(1000) + tail).contains(kEchoedSecret));
}

// A refusal of 100 MB: its first 16 KiB are kept and parsed, the rest is not read. The service's code,
// status and request id still reach the caller.
void TestS3Client::aRefusalIsReadOnlyUpToItsBound() {
    test::HostileHttpPeer peer;
    test::HostileHttpPeer::Answer answer;
    answer.status = 403;
    answer.contentType = "application/xml";
    answer.head = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Error><Code>AccessDenied</Code>"
                  "<RequestId>4442587FB7D0A2F9</RequestId><Message>";
    answer.unit = QByteArray(64 * 1024, 'x');
    answer.repeat = 1600;
    answer.tail = "</Message></Error>";
    peer.answerEveryPath(answer);
    auto s3 = std::make_unique<S3Client>(S3Credentials("AKID", "SECRET"));
    s3->setEndpoint(peer.origin());
    RecordingDelegate delegate;
    auto request = put(QStringLiteral("k"));
    request->setDelegate(&delegate);
    QElapsedTimer clock;
    clock.start();
    QVERIFY(!s3->putObject(request));
    QTRY_VERIFY_WITH_TIMEOUT(delegate.done(), 120000);
    const qint64 elapsed = clock.elapsed();

    QVERIFY2(delegate.receivedBytes <= S3ServiceResponse::kMaxRefusalBody,
             qPrintable(QString::number(delegate.receivedBytes)));
    // What the peer wrote is what the loopback's buffers took before the transfer ended.
    QVERIFY2(peer.bytesSent() < 32 * 1024 * 1024, qPrintable(QString::number(peer.bytesSent())));
    QVERIFY2(elapsed < 10000, qPrintable(QString::number(elapsed)));
    QVERIFY(delegate.error);
    QCOMPARE(delegate.error->code, qint64(403));
    QCOMPARE(delegate.error->userInfo.value(QStringLiteral("errorCode")).toString(),
             QStringLiteral("AccessDenied"));
    QCOMPARE(delegate.error->userInfo.value(QStringLiteral("requestId")).toString(),
             QStringLiteral("4442587FB7D0A2F9"));
    QCOMPARE(delegate.completions, 0);
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QCoreApplication app(argc, argv);
    TestS3Client t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_s3client.moc"
