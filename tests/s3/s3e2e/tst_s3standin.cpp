#include "TestSandbox.h"
#include "media/s3/DateS3SDKUtil.h"
#include "media/s3/S3Client.h"
#include "media/s3/S3ErrorHandler.h"
#include "media/s3/S3MD5Util.h"
#include "media/s3/S3SDKUtil.h"
#include "media/s3/S3ServiceException.h"
#include "media/s3/S3ServiceRequestDelegate.h"
#include "standin/StandinServer.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QTest>
#include <QTimeZone>

using namespace pelnix;

namespace {

const QString kAccess = QStringLiteral("AKIDSTANDIN");
const QString kSecret = QStringLiteral("standin/secret+key");

// The uploader's view: progress, completion or failure, nothing else.
struct UploadDelegate : S3ServiceRequestDelegate {
    int completions = 0;
    int failures = 0;
    std::optional<PLError> error;
    QString etag;
    bool sawDateHeader = false;
    bool done() const { return completions + failures > 0; }
    void requestDidReceiveResponse(S3ServiceRequest*, const S3ServiceResponse& response) override {
        for (const auto& header : response.responseHeader())
            sawDateHeader |= header.first.compare(QLatin1String("Date"), Qt::CaseInsensitive) == 0;
    }
    void requestDidCompleteWithResponse(S3ServiceRequest*, S3ServiceResponse* response) override {
        ++completions;
        if (auto* s3 = dynamic_cast<S3Response*>(response))
            etag = s3->etag();
    }
    void requestDidFailWithError(S3ServiceRequest*, const PLError& e) override {
        ++failures;
        error = e;
    }
};

// Every step a caller's delegate hears, in order (progress and data once per run).
struct StepDelegate : S3ServiceRequestDelegate {
    QStringList steps;
    void add(const char* step) {
        if (steps.isEmpty() || steps.last() != QLatin1String(step))
            steps << QString::fromLatin1(step);
    }
    void requestDidReceiveResponse(S3ServiceRequest*, const S3ServiceResponse&) override { add("response"); }
    void requestDidReceiveData(S3ServiceRequest*, const QByteArray&) override { add("data"); }
    void requestDidSendData(S3ServiceRequest*, qint64, qint64, qint64) override { add("send"); }
    void requestDidCompleteWithResponse(S3ServiceRequest*, S3ServiceResponse*) override {
        steps << "complete";
    }
    void requestDidFailWithError(S3ServiceRequest*, const PLError&) override { steps << "error"; }
};

} // namespace

class TestS3Standin : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void putObjectStoresAndReadsBackInBothStyles();
    void bucketWithoutADotWorksAtAnAddressAndAtLocalhost();
    void refusalsArriveThroughTheDelegate();
    void wrongSecretIsRefusedAtOnceWithAClearError();
    void clockSkewIsCorrectedAfterOneFailure();
    void clockTwentyMinutesOffIsCorrectedOnce();
    void readBackCarriesLastModified();
    void paddedHeaderValuesAreSignedAsTheServiceReadsThem();
    void genericCallPathRetriesThroughServerErrors();

private:
    // At the endpoint the stand-in hands out, or at one of its names connected to its address.
    std::unique_ptr<S3Client> client(const QString& secret, const QString& token, const QString& host = {});
    int s3Requests() const;
    bool upload(S3Client& s3, const QString& bucket, const QString& key, const QByteArray& data,
                UploadDelegate& delegate);
    QByteArray readBack(S3Client& s3, const QString& bucket, const QString& key);

    std::unique_ptr<test::TestSandbox> m_sandbox;
    std::unique_ptr<standin::StandinServer> m_server;
};

void TestS3Standin::init() {
    m_sandbox = std::make_unique<test::TestSandbox>();
    standin::StandinServer::Options options;
    options.dataDir = m_sandbox->path(QStringLiteral("standin")).toStdString();
    m_server = std::make_unique<standin::StandinServer>(options);
    QVERIFY(m_server->start());
    m_server->addStorageKey(kAccess.toStdString(), kSecret.toStdString(), "");
    m_server->addStorageKey("AKIDTOKEN", kSecret.toStdString(), "session/token+==");
    S3SDKUtil::setRuntimeClockSkew(0);
    S3ErrorHandler::shouldThrowExceptions();
}

void TestS3Standin::cleanup() {
    m_server->stop();
    m_server.reset();
    m_sandbox.reset();
    S3SDKUtil::setRuntimeClockSkew(0);
}

std::unique_ptr<S3Client> TestS3Standin::client(const QString& secret, const QString& token,
                                                const QString& host) {
    auto s3 = std::make_unique<S3Client>(
        S3Credentials(token.isEmpty() ? kAccess : QStringLiteral("AKIDTOKEN"), secret, token));
    if (host.isEmpty()) {
        s3->setEndpoint(QString::fromStdString(m_server->s3Endpoint()));
    } else {
        s3->setEndpoint(QStringLiteral("http://%1:%2").arg(host).arg(m_server->s3Port()));
        // Virtual-host names such as photos-1.s3.localhost need not resolve; connect to the address.
        s3->setConnectionHostOverride(QStringLiteral("127.0.0.1"));
    }
    s3->setConnectionTimeout(40);
    s3->setSleeper([](double) { QFAIL("no pause is expected"); });
    return s3;
}

int TestS3Standin::s3Requests() const {
    int count = 0;
    for (const auto& logged : m_server->requestLog())
        count += logged.server == "s3" ? 1 : 0;
    return count;
}

bool TestS3Standin::upload(S3Client& s3, const QString& bucket, const QString& key, const QByteArray& data,
                           UploadDelegate& delegate) {
    auto request = std::make_shared<S3PutObjectRequest>(key, bucket);
    request->setContentType(QStringLiteral("image/jpeg"));
    request->setData(data);
    request->setDelegate(&delegate);
    s3.putObject(request);
    return QTest::qWaitFor([&] { return delegate.done(); }, 10000);
}

QByteArray TestS3Standin::readBack(S3Client& s3, const QString& bucket, const QString& key) {
    auto request = std::make_shared<S3Request>();
    request->setBucket(bucket);
    request->setKey(key);
    auto response = s3.invoke(request);
    return response && response->httpStatusCode() == 200 ? response->body() : QByteArray("<missing>");
}

void TestS3Standin::putObjectStoresAndReadsBackInBothStyles() {
    const QStringList keys{QStringLiteral("with space.jpg"), QStringLiteral("dir/sub+plus=.png"),
                           QStringLiteral("caf\u00e9/\u65e5\u672c.txt"), QStringLiteral("a/./b/../c.jpg"),
                           QStringLiteral("x//y.jpg")};
    for (const QString& token : {QString(), QStringLiteral("session/token+==")}) {
        // The address the stand-in hands out takes every bucket in the path; a name takes photos-1 in
        // the host.
        for (const QString& host : {QString(), QStringLiteral("s3.localhost")}) {
            auto s3 = client(kSecret, token, host);
            for (const QString& bucket : {QStringLiteral("photos-1"), QStringLiteral("pelnix.media")}) {
                const bool virtualHost = !host.isEmpty() && bucket == QLatin1String("photos-1");
                for (const QString& key : keys) {
                    const QByteArray data = (bucket + key + token).toUtf8().repeated(100);
                    UploadDelegate delegate;
                    QVERIFY(upload(*s3, bucket, key, data, delegate));
                    QVERIFY2(delegate.completions == 1 && delegate.failures == 0,
                             qPrintable(bucket + "/" + key + ": " +
                                        (delegate.error ? delegate.error->debugText() : "")));
                    const auto sent = m_server->requestLog().back();
                    QCOMPARE(
                        QString::fromStdString(sent.header("Host")).startsWith(bucket + QLatin1Char('.')),
                        virtualHost);
                    QCOMPARE(delegate.etag,
                             QLatin1Char('"') + S3MD5Util::hexEncodeMD5(data) + QLatin1Char('"'));
                    QCOMPARE(readBack(*s3, bucket, key), data);
                }
            }
        }
    }
}

void TestS3Standin::bucketWithoutADotWorksAtAnAddressAndAtLocalhost() {
    for (const QString& endpoint :
         {QStringLiteral("http://127.0.0.1:%1"), QStringLiteral("http://localhost:%1")}) {
        S3Client s3(S3Credentials(kAccess, kSecret));
        s3.setEndpoint(endpoint.arg(m_server->s3Port()));
        const QByteArray data = endpoint.toUtf8().repeated(50);
        UploadDelegate delegate;
        QVERIFY(upload(s3, QStringLiteral("photos"), QStringLiteral("album/first.jpg"), data, delegate));
        QVERIFY2(delegate.completions == 1,
                 qPrintable(delegate.error ? delegate.error->debugText() : endpoint));
        QCOMPARE(readBack(s3, QStringLiteral("photos"), QStringLiteral("album/first.jpg")), data);
    }
}

void TestS3Standin::refusalsArriveThroughTheDelegate() {
    auto wrong = client(QStringLiteral("not-the-secret"), {});
    UploadDelegate delegate;
    QVERIFY(upload(*wrong, QStringLiteral("photos-1"), QStringLiteral("k.jpg"), "data", delegate));
    QCOMPARE(delegate.completions, 0);
    QCOMPARE(delegate.failures, 1);
    QCOMPARE(delegate.error->code, 403);
    QCOMPARE(delegate.error->userInfo.value(QStringLiteral("errorCode")).toString(),
             QStringLiteral("SignatureDoesNotMatch"));

    auto badToken = client(kSecret, QStringLiteral("stale-token"));
    UploadDelegate tokenDelegate;
    QVERIFY(upload(*badToken, QStringLiteral("photos-1"), QStringLiteral("k.jpg"), "data", tokenDelegate));
    QCOMPARE(tokenDelegate.completions, 0);
    QCOMPARE(tokenDelegate.failures, 1);
}

void TestS3Standin::wrongSecretIsRefusedAtOnceWithAClearError() {
    auto wrong = client(QStringLiteral("not-the-secret"), {});
    const QString refusal =
        QStringLiteral("The signature does not match the request and the key. (SignatureDoesNotMatch)");
    S3ErrorHandler::shouldNotThrowExceptions();
    const auto response = wrong->putObject(
        std::make_shared<S3PutObjectRequest>(QStringLiteral("k.jpg"), QStringLiteral("photos-1")));
    QVERIFY(response && response->error());
    QCOMPARE(response->error()->code, 403);
    QCOMPARE(response->error()->localizedDescription, refusal);
    QCOMPARE(s3Requests(), 1);

    S3ErrorHandler::shouldThrowExceptions();
    try {
        wrong->putObject(
            std::make_shared<S3PutObjectRequest>(QStringLiteral("k.jpg"), QStringLiteral("photos-1")));
        QFAIL("a refused blocking call raises while exceptions are on");
    } catch (const S3ServiceException& e) {
        QCOMPARE(QString::fromUtf8(e.what()), refusal);
    }
    QCOMPARE(s3Requests(), 2);
    QCOMPARE(S3SDKUtil::getRuntimeClockSkew(), 0.0); // no clock was blamed

    // Asynchronously the refusal is not taken for the clock's either.
    UploadDelegate delegate;
    QVERIFY(upload(*wrong, QStringLiteral("photos-1"), QStringLiteral("k.jpg"), "data", delegate));
    QCOMPARE(delegate.error->localizedDescription, refusal);
    QVERIFY(!delegate.error->userInfo.contains(QStringLiteral("S3ClockSkewError")));
    QCOMPARE(s3Requests(), 3);
}

void TestS3Standin::clockSkewIsCorrectedAfterOneFailure() {
    auto s3 = client(kSecret, {});
    S3SDKUtil::setRuntimeClockSkew(3600); // we believe the device is an hour ahead; it is not
    UploadDelegate first;
    QVERIFY(upload(*s3, QStringLiteral("photos-1"), QStringLiteral("skew.jpg"), "one", first));
    QCOMPARE(first.failures, 1);
    QCOMPARE(first.error->userInfo.value(QStringLiteral("errorCode")).toString(),
             QStringLiteral("RequestTimeTooSkewed"));
    QVERIFY2(first.sawDateHeader, "the refusal must carry the service's Date to measure the skew from");
    QVERIFY(first.error->userInfo.value(QStringLiteral("S3ClockSkewError")).toBool());
    QVERIFY(qAbs(S3SDKUtil::getRuntimeClockSkew()) < 5);

    UploadDelegate second;
    QVERIFY(upload(*s3, QStringLiteral("photos-1"), QStringLiteral("skew.jpg"), "two", second));
    QCOMPARE(second.completions, 1);
}

void TestS3Standin::clockTwentyMinutesOffIsCorrectedOnce() {
    auto s3 = client(kSecret, {});
    QList<double> pauses;
    s3->setSleeper([&](double seconds) { pauses << seconds; });
    S3SDKUtil::setRuntimeClockSkew(20 * 60); // our requests read 20 minutes behind the service's clock
    S3ErrorHandler::shouldNotThrowExceptions();
    auto request =
        std::make_shared<S3PutObjectRequest>(QStringLiteral("late.jpg"), QStringLiteral("photos-1"));
    request->setData("late");
    const auto response = s3->putObject(request);
    QVERIFY2(response && !response->error(), qPrintable(response->error()->debugText()));
    QCOMPARE(s3Requests(), 2);
    QCOMPARE(pauses.size(), 1);
    QVERIFY(qAbs(S3SDKUtil::getRuntimeClockSkew()) < 5);
    QCOMPARE(readBack(*s3, QStringLiteral("photos-1"), QStringLiteral("late.jpg")), QByteArray("late"));
}

void TestS3Standin::readBackCarriesLastModified() {
    auto s3 = client(kSecret, {});
    const QDateTime before = QDateTime::currentDateTimeUtc().addMSecs(-1000);
    UploadDelegate delegate;
    QVERIFY(upload(*s3, QStringLiteral("photos-1"), QStringLiteral("dated.jpg"), "dated", delegate));
    QCOMPARE(delegate.completions, 1);
    auto get = std::make_shared<S3Request>();
    get->setBucket(QStringLiteral("photos-1"));
    get->setKey(QStringLiteral("dated.jpg"));
    const auto response = s3->invoke(get);
    QCOMPARE(response->httpStatusCode(), 200);
    // An HTTP date (RFC 7231 IMF-fixdate) between the upload and the answer.
    const QString text = response->valueForHTTPHeaderField(QStringLiteral("Last-Modified"));
    QVERIFY2(text.endsWith(QLatin1String(" GMT")), qPrintable(text));
    QDateTime modified =
        QLocale::c().toDateTime(text.chopped(4), QStringLiteral("ddd, dd MMM yyyy HH:mm:ss"));
    modified.setTimeZone(QTimeZone::utc());
    QVERIFY2(modified.isValid(), qPrintable(text));
    QVERIFY(modified >= before.addMSecs(-before.time().msec()));
    QVERIFY(modified <= DateS3SDKUtil::dateWithRFC822Format(response->valueForHTTPHeaderField("Date")));
}

void TestS3Standin::paddedHeaderValuesAreSignedAsTheServiceReadsThem() {
    auto s3 = client(kSecret, QStringLiteral("session/token+=="));
    UploadDelegate delegate;
    auto request =
        std::make_shared<S3PutObjectRequest>(QStringLiteral("padded.jpg"), QStringLiteral("photos-1"));
    request->setContentType(QStringLiteral(" image/jpeg "));
    request->addMetadataWithValue(QStringLiteral("  holiday  snap\t"), QStringLiteral("caption"));
    request->setCacheControl(QStringLiteral("\tmax-age=60 "));
    request->setData("padded");
    request->setDelegate(&delegate);
    s3->putObject(request);
    QVERIFY(QTest::qWaitFor([&] { return delegate.done(); }, 10000));
    QVERIFY2(delegate.completions == 1 && delegate.failures == 0,
             qPrintable(delegate.error ? delegate.error->debugText() : QString()));
    QCOMPARE(readBack(*s3, QStringLiteral("photos-1"), QStringLiteral("padded.jpg")), QByteArray("padded"));
}

void TestS3Standin::genericCallPathRetriesThroughServerErrors() {
    // A query-style call: its form goes to the service's public API, which answers JSON.
    S3WebServiceClient generic(kAccess, kSecret);
    generic.setEndpoint(QString::fromStdString(m_server->baseUrl()) + QStringLiteral("api/public"));
    QList<double> pauses;
    generic.setSleeper([&](double seconds) { pauses << seconds; });
    auto challenge = [] {
        auto request = std::make_shared<S3ServiceRequest>();
        request->setParameterValue(QStringLiteral("echat.getChallenge"), QStringLiteral("method"));
        return request;
    };
    S3ErrorHandler::shouldNotThrowExceptions();

    standin::StandinServer::Fault busy;
    busy.pathPattern = "^/api/public$";
    busy.method = "POST";
    busy.count = 2;
    busy.mode = standin::StandinServer::FaultMode::ServerError;
    QVERIFY(m_server->addFault(busy));
    const auto answered = generic.invoke(challenge(), nullptr, {});
    QVERIFY(answered && !answered->error());
    QCOMPARE(answered->httpStatusCode(), 200);
    QCOMPARE(pauses, (QList<double>{0.2, 0.4}));
    const QJsonObject success =
        QJsonDocument::fromJson(answered->body()).object()["response"].toObject()["success"].toObject();
    QVERIFY(success.contains(QStringLiteral("challenge")));

    // Asynchronously: one attempt, each step heard once.
    StepDelegate delegate;
    auto request = challenge();
    request->setDelegate(&delegate);
    QVERIFY(!generic.invoke(request, nullptr, {}));
    QTRY_VERIFY(!request->urlConnection());
    QCOMPARE(delegate.steps, (QStringList{"send", "response", "data", "complete"}));

    // The object API takes the keyed-hash signature only: the generic path's version 4 is refused,
    // at once, for good, and saying why.
    S3WebServiceClient objects(kAccess, kSecret);
    objects.setEndpoint(QString::fromStdString(m_server->s3Endpoint()));
    objects.setSleeper([&](double seconds) { pauses << seconds; });
    auto get = std::make_shared<S3Request>();
    get->setBucket(QStringLiteral("pelnix.media"));
    get->setKey(QStringLiteral("k.jpg"));
    const auto refused = objects.invoke(get, nullptr, {});
    QVERIFY(refused && refused->error());
    QCOMPARE(refused->error()->code, 400);
    QCOMPARE(refused->error()->userInfo.value(QStringLiteral("errorCode")).toString(),
             QStringLiteral("InvalidRequest"));
    QVERIFY2(refused->error()->localizedDescription.contains(
                 QStringLiteral("ignature version 4 is not supported")),
             qPrintable(refused->error()->localizedDescription));
    QCOMPARE(pauses.size(), 2);
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QCoreApplication app(argc, argv);
    TestS3Standin t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_s3standin.moc"
