// The generic call path of query-style services against a scripted loopback peer: what the caller's
// delegate hears of an asynchronous call, and how a synchronous call retries and answers.
#include "ScriptedHttpPeer.h"
#include "TestSandbox.h"
#include "media/s3/DateS3SDKUtil.h"
#include "media/s3/S3ErrorHandler.h"
#include "media/s3/S3Logger.h"
#include "media/s3/S3SDKUtil.h"
#include "media/s3/S3ServiceException.h"
#include "media/s3/S3ServiceRequest.h"
#include "media/s3/S3ServiceRequestDelegate.h"
#include "media/s3/S3ServiceResponseUnmarshaller.h"
#include "media/s3/S3StaticCredentialsProvider.h"
#include "media/s3/S3URLErrors.h"
#include "media/s3/S3WebServiceClient.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QTest>

using namespace pelnix;

namespace {

const QByteArray kFormType = "application/x-www-form-urlencoded; charset=utf-8";

// A query service's answer: the message id of its result.
class QueryResponse : public S3ServiceResponse {
public:
    QString className() const override { return QStringLiteral("QueryResponse"); }
    QString messageId;
};

// Reads a query service's document: a result's "MessageId", or an "Error" with "Code" and "Message",
// which becomes the response's exception.
class QueryUnmarshaller : public S3ServiceResponseUnmarshaller {
public:
    std::shared_ptr<S3ServiceResponse> response() override { return queryResponse(); }
    void didEndElement(S3XMLParser& parser, const QString& name) override {
        S3ServiceResponseUnmarshaller::didEndElement(parser, name);
        if (name == QLatin1String("MessageId"))
            queryResponse()->messageId = currentText();
        else if (name == QLatin1String("Code"))
            exception()->setErrorCode(currentText());
        else if (name == QLatin1String("Message"))
            exception()->setMessage(currentText());
    }

private:
    std::shared_ptr<QueryResponse> queryResponse() {
        if (!m_response)
            m_response = std::make_shared<QueryResponse>();
        return m_response;
    }
    std::shared_ptr<S3ServiceException> exception() {
        if (!m_exception) {
            m_exception = std::make_shared<S3ServiceException>();
            queryResponse()->setException(m_exception);
        }
        return m_exception;
    }
    std::shared_ptr<QueryResponse> m_response;
    std::shared_ptr<S3ServiceException> m_exception;
};

S3ServiceResponse::UnmarshallerFactory queryUnmarshaller() {
    return [] { return std::make_unique<QueryUnmarshaller>(); };
}

ScriptedHttpPeer::Reply result(const QByteArray& messageId = "m1") {
    return ScriptedHttpPeer::respond(200, "<SendMessageResponse><SendMessageResult><MessageId>" + messageId +
                                              "</MessageId></SendMessageResult><ResponseMetadata><RequestId>"
                                              "RID-1</RequestId></ResponseMetadata></SendMessageResponse>");
}

ScriptedHttpPeer::Reply serviceError(int status, const QByteArray& code, const QByteArray& date = {}) {
    ScriptedHttpPeer::Reply reply = ScriptedHttpPeer::respond(
        status, "<ErrorResponse><Error><Type>Sender</Type><Code>" + code +
                    "</Code><Message>refused</Message></Error><RequestId>RID-2</RequestId></ErrorResponse>");
    if (!date.isEmpty())
        reply.headers.append({"Date", date});
    return reply;
}

ScriptedHttpPeer::Reply ofKind(ScriptedHttpPeer::Reply::Kind kind) {
    ScriptedHttpPeer::Reply reply;
    reply.kind = kind;
    return reply;
}

// The scripted replies named in a table row.
ScriptedHttpPeer::Reply reply(const QString& name) {
    if (name == QLatin1String("ok"))
        return result();
    if (name == QLatin1String("500"))
        return ScriptedHttpPeer::respond(500, "<html>busy</html>");
    if (name == QLatin1String("throttled"))
        return serviceError(400, "ProvisionedThroughputExceededException");
    if (name == QLatin1String("invalid"))
        return serviceError(400, "InvalidParameterValue");
    if (name == QLatin1String("stall"))
        return ofKind(ScriptedHttpPeer::Reply::Stall);
    return ofKind(ScriptedHttpPeer::Reply::Drop);
}

std::shared_ptr<S3ServiceRequest> sendMessage(const QString& text = QStringLiteral("hello world")) {
    auto request = std::make_shared<S3ServiceRequest>();
    request->setParameterValue(QStringLiteral("SendMessage"), QStringLiteral("Action"));
    request->setParameterValue(text, QStringLiteral("MessageBody"));
    return request;
}

// What the caller's delegate hears, in order.
struct CallerDelegate : S3ServiceRequestDelegate {
    bool takesServiceExceptions = false;
    QStringList events;
    std::optional<PLError> error;
    S3ExceptionPtr exception;
    QString messageId, requestId;

    void requestDidReceiveResponse(S3ServiceRequest*, const S3ServiceResponse&) override {
        events << "response";
    }
    void requestDidReceiveData(S3ServiceRequest*, const QByteArray&) override {
        if (events.isEmpty() || events.last() != QLatin1String("data"))
            events << "data";
    }
    void requestDidSendData(S3ServiceRequest*, qint64, qint64, qint64) override {
        if (events.isEmpty() || events.last() != QLatin1String("send"))
            events << "send";
    }
    void requestDidCompleteWithResponse(S3ServiceRequest*, S3ServiceResponse* response) override {
        events << "complete";
        if (auto* query = dynamic_cast<QueryResponse*>(response)) {
            messageId = query->messageId;
            requestId = query->requestId();
        }
    }
    void requestDidFailWithError(S3ServiceRequest*, const PLError& e) override {
        events << "error";
        error = e;
    }
    void requestDidFailWithServiceException(S3ServiceRequest* request, const S3ExceptionPtr& e) override {
        if (!takesServiceExceptions)
            return S3ServiceRequestDelegate::requestDidFailWithServiceException(request, e);
        events << "serviceException";
        exception = e;
    }
};

struct CountingProvider : S3CredentialsProvider {
    int refreshes = 0;
    S3Credentials credentials() const override { return S3Credentials("AKID", "SECRET"); }
    void refresh() override { ++refreshes; }
};

QString errorCode(const PLOptionalError& error) {
    return error ? error->userInfo.value(QStringLiteral("errorCode")).toString() : QString();
}

QStringList g_logLines;
void captureLog(QtMsgType, const QMessageLogContext&, const QString& text) {
    g_logLines << text;
}

} // namespace

class TestS3Invoke : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void asyncOutcomeReachesTheCallersDelegateOnce_data();
    void asyncOutcomeReachesTheCallersDelegateOnce();
    void syncCallRetriesAndAnswersTheLastAttempt_data();
    void syncCallRetriesAndAnswersTheLastAttempt();
    void tokenErrorRefreshesAndClockSkewSignsAgain();
    void exceptionsOnRaiseAndCallsWithoutAnAttempt();
    void logsNeverCarryTheSecurityToken();

private:
    std::unique_ptr<S3WebServiceClient> client(const ScriptedHttpPeer& peer);

    std::unique_ptr<test::TestSandbox> m_sandbox;
    QList<double> m_pauses;
};

void TestS3Invoke::init() {
    m_sandbox = std::make_unique<test::TestSandbox>();
    m_pauses.clear();
    S3ErrorHandler::shouldThrowExceptions();
    S3SDKUtil::setRuntimeClockSkew(0);
}

void TestS3Invoke::cleanup() {
    S3ErrorHandler::shouldThrowExceptions();
    S3SDKUtil::setRuntimeClockSkew(0);
    m_sandbox.reset();
}

std::unique_ptr<S3WebServiceClient> TestS3Invoke::client(const ScriptedHttpPeer& peer) {
    auto c = std::make_unique<S3WebServiceClient>(QStringLiteral("AKID"), QStringLiteral("SECRET"));
    c->setEndpoint(peer.endpoint());
    c->setSleeper([this](double seconds) { m_pauses << seconds; });
    return c;
}

void TestS3Invoke::asyncOutcomeReachesTheCallersDelegateOnce_data() {
    QTest::addColumn<QString>("reply");
    QTest::addColumn<bool>("exceptionsOn");
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<QString>("errorCode");
    const QStringList failed{"send", "response", "data", "serviceException"};
    QTest::newRow("success") << "ok" << true << QStringList{"send", "response", "data", "complete"}
                             << QString();
    QTest::newRow("refusal, exceptions on") << "invalid" << true << failed << "InvalidParameterValue";
    QTest::newRow("refusal, exceptions off")
        << "invalid" << false << QStringList{"send", "response", "data", "error"} << "InvalidParameterValue";
    QTest::newRow("retryable refusal, one attempt")
        << "throttled" << true << failed << "ProvisionedThroughputExceededException";
    QTest::newRow("lost connection, exceptions on")
        << "drop" << true << QStringList{"send", "error"} << QString();
    QTest::newRow("time-out") << "stall" << true << QStringList{"send", "serviceException"} << QString();
}

void TestS3Invoke::asyncOutcomeReachesTheCallersDelegateOnce() {
    QFETCH(QString, reply);
    QFETCH(bool, exceptionsOn);
    QFETCH(QStringList, events);
    QFETCH(QString, errorCode);
    exceptionsOn ? S3ErrorHandler::shouldThrowExceptions() : S3ErrorHandler::shouldNotThrowExceptions();
    ScriptedHttpPeer peer;
    peer.setDefaultReply(::reply(reply));
    auto s3 = client(peer);
    s3->setTimeout(0.3);
    CallerDelegate delegate;
    delegate.takesServiceExceptions = true;
    auto request = sendMessage();
    request->setDelegate(&delegate);
    S3ServiceRequest raw;
    QVERIFY(!s3->invoke(request, &raw, queryUnmarshaller()));
    // Both requests hold the running connection.
    QVERIFY(raw.urlConnection());
    QCOMPARE(raw.urlConnection(), request->urlConnection());

    QTRY_VERIFY(!request->urlConnection()); // the attempt has ended
    QCOMPARE(delegate.events, events);
    if (reply == QLatin1String("ok")) {
        QCOMPARE(delegate.messageId, QStringLiteral("m1")); // the response read from the body
        QCOMPARE(delegate.requestId, QStringLiteral("RID-1"));
    }
    if (!errorCode.isEmpty()) {
        auto service = std::dynamic_pointer_cast<const S3ServiceException>(delegate.exception);
        QCOMPARE(exceptionsOn ? (service ? service->errorCode() : QString()) : ::errorCode(delegate.error),
                 errorCode);
    }
    if (reply == QLatin1String("drop")) {
        QCOMPARE(delegate.error->domain, QString::fromLatin1(S3URLErrorDomain));
        return; // the network layer sends a dropped request again by itself
    }
    QCOMPARE(peer.requests().size(), 1);
    QVERIFY(m_pauses.isEmpty());

    // A query-style request on the wire: a form body, signed with signature version 4.
    const auto& wire = peer.requests().first();
    QCOMPARE(wire.method, QByteArray("POST"));
    QCOMPARE(wire.target, QByteArray("/"));
    QCOMPARE(wire.body, QByteArray("Action=SendMessage&MessageBody=hello%20world"));
    QCOMPARE(wire.headerCount("Content-Type"), 1);
    QCOMPARE(wire.header("Content-Type"), kFormType);
    QCOMPARE(wire.header("User-Agent"), s3->userAgent().toUtf8());
    QVERIFY(wire.header("Authorization").startsWith("AWS4-HMAC-SHA256 Credential=AKID/"));
    QVERIFY(!wire.header("X-Amz-Date").isEmpty());
}

void TestS3Invoke::syncCallRetriesAndAnswersTheLastAttempt_data() {
    QTest::addColumn<QStringList>("replies"); // the last one repeats
    QTest::addColumn<int>("maxRetries");
    QTest::addColumn<int>("attempts");
    QTest::addColumn<QList<double>>("pauses"); // also after a last attempt that would have been retried
    QTest::addColumn<QString>("errorDomain");  // empty: the call succeeds
    QTest::addColumn<QString>("errorCode");
    const QString service = QString::fromLatin1(S3ServiceErrorDomain);
    QTest::newRow("two server errors, then the result")
        << QStringList{"500", "500", "ok"} << 5 << 3 << QList<double>{0.2, 0.4} << QString() << QString();
    QTest::newRow("throttled on every attempt")
        << QStringList{"throttled"} << 3 << 3 << QList<double>{0.2, 0.4, 0.8} << service
        << "ProvisionedThroughputExceededException";
    QTest::newRow("refused for a bad parameter")
        << QStringList{"invalid", "ok"} << 5 << 1 << QList<double>{} << service << "InvalidParameterValue";
    QTest::newRow("time-out, then the result")
        << QStringList{"stall", "ok"} << 5 << 2 << QList<double>{0.2} << QString() << QString();
    QTest::newRow("connection lost on every attempt")
        << QStringList{"drop"} << 2 << 2 << QList<double>{0.2, 0.4} << QString::fromLatin1(S3URLErrorDomain)
        << QString();
}

void TestS3Invoke::syncCallRetriesAndAnswersTheLastAttempt() {
    QFETCH(QStringList, replies);
    QFETCH(int, maxRetries);
    QFETCH(int, attempts);
    QFETCH(QList<double>, pauses);
    QFETCH(QString, errorDomain);
    QFETCH(QString, errorCode);
    S3ErrorHandler::shouldNotThrowExceptions();
    ScriptedHttpPeer peer;
    for (const QString& name : replies)
        peer.enqueue(reply(name));
    peer.setDefaultReply(reply(replies.last()));
    auto s3 = client(peer);
    s3->setMaxRetries(maxRetries);
    s3->setTimeout(0.3);
    auto request = sendMessage();

    const auto response = s3->invoke(request, request.get(), queryUnmarshaller());
    QVERIFY(response);
    QVERIFY(!request->delegate()); // nothing of the call stays attached to the request
    QCOMPARE(m_pauses, pauses);
    if (errorDomain.isEmpty()) {
        QVERIFY2(!response->error(), qPrintable(response->error()->debugText()));
        auto query = std::dynamic_pointer_cast<QueryResponse>(response);
        QVERIFY(query);
        QCOMPARE(query->messageId, QStringLiteral("m1"));
        QCOMPARE(query->request(), request);
    } else {
        QVERIFY(response->error());
        QCOMPARE(response->error()->domain, errorDomain);
        QCOMPARE(::errorCode(response->error()), errorCode);
    }
    if (replies.last() == QLatin1String("drop"))
        return; // the network layer sends a dropped request again by itself
    QCOMPARE(peer.requests().size(), attempts);
    // Every attempt sends the same form, its type named once.
    for (const auto& wire : peer.requests()) {
        QCOMPARE(wire.headerCount("Content-Type"), 1);
        QCOMPARE(wire.header("Content-Type"), kFormType);
        QCOMPARE(wire.body, peer.requests().first().body);
    }
}

void TestS3Invoke::tokenErrorRefreshesAndClockSkewSignsAgain() {
    S3ErrorHandler::shouldNotThrowExceptions();
    {
        ScriptedHttpPeer peer;
        peer.enqueue(serviceError(400, "ExpiredToken"));
        peer.enqueue(result("m2"));
        auto provider = std::make_shared<CountingProvider>();
        S3WebServiceClient s3(provider);
        s3.setEndpoint(peer.endpoint());
        s3.setSleeper([](double) {});
        auto response = s3.invoke(sendMessage(), nullptr, queryUnmarshaller());
        QVERIFY(response && !response->error());
        QCOMPARE(provider->refreshes, 1);
        QCOMPARE(std::dynamic_pointer_cast<QueryResponse>(response)->messageId, QStringLiteral("m2"));
    }
    {
        // The service runs an hour behind the device: the retry is signed again in its time.
        ScriptedHttpPeer peer;
        const QByteArray serviceDate =
            DateS3SDKUtil::stringWithRFC822Format(QDateTime::currentDateTimeUtc().addSecs(-3600)).toLatin1();
        peer.enqueue(serviceError(403, "SignatureDoesNotMatch", serviceDate));
        peer.enqueue(result());
        auto s3 = client(peer);
        auto request = sendMessage();
        auto response = s3->invoke(request, request.get(), queryUnmarshaller());
        QVERIFY(response && !response->error());
        QVERIFY(qAbs(S3SDKUtil::getRuntimeClockSkew() - 3600) < 5);
        QCOMPARE(peer.requests().size(), 2);
        const auto& first = peer.requests()[0];
        const auto& second = peer.requests()[1];
        QVERIFY(first.header("X-Amz-Date") != second.header("X-Amz-Date"));
        QVERIFY(first.header("Authorization") != second.header("Authorization"));
        QCOMPARE(second.body, first.body);
        QCOMPARE(second.headerCount("Content-Type"), 1);
    }
}

void TestS3Invoke::exceptionsOnRaiseAndCallsWithoutAnAttempt() {
    ScriptedHttpPeer peer;
    peer.setDefaultReply(serviceError(400, "ProvisionedThroughputExceededException"));
    auto s3 = client(peer);
    s3->setMaxRetries(2);
    try {
        s3->invoke(sendMessage(), nullptr, queryUnmarshaller());
        QFAIL("a refused synchronous call must raise");
    } catch (const S3ServiceException& e) {
        QCOMPARE(e.errorCode(), QStringLiteral("ProvisionedThroughputExceededException"));
        QCOMPARE(e.message(), QStringLiteral("refused"));
    }
    QCOMPARE(peer.requests().size(), 2); // retried before it raised
    QVERIFY_THROWS_EXCEPTION(S3ClientException, s3->invoke(nullptr, nullptr, queryUnmarshaller()));
    s3->setMaxRetries(0);
    auto request = sendMessage();
    QVERIFY_THROWS_EXCEPTION(S3ClientException, s3->invoke(request, nullptr, queryUnmarshaller()));
    QVERIFY(!request->delegate());

    // With exceptions off the same cases answer errors; without an attempt nothing is sent.
    S3ErrorHandler::shouldNotThrowExceptions();
    auto none = s3->invoke(sendMessage(), nullptr, queryUnmarshaller());
    QCOMPARE(none->error()->userInfo.value(QStringLiteral("message")).toString(),
             QStringLiteral("Unknown error occurred."));
    auto nil = s3->invoke(nullptr, nullptr, queryUnmarshaller());
    QCOMPARE(nil->error()->userInfo.value(QStringLiteral("message")).toString(),
             QStringLiteral("Request cannot be nil."));
    // A header that would split on the wire is refused before anything is sent.
    s3->setMaxRetries(5);
    s3->setUserAgent(QStringLiteral("host\r\nX-Injected: 1"));
    auto split = s3->invoke(sendMessage(), nullptr, queryUnmarshaller());
    QVERIFY(split->error()
                ->userInfo.value(QStringLiteral("message"))
                .toString()
                .startsWith("The request cannot be sent"));
    QCOMPARE(peer.requests().size(), 2);
}

void TestS3Invoke::logsNeverCarryTheSecurityToken() {
    ScriptedHttpPeer peer;
    peer.setDefaultReply(result());
    S3WebServiceClient s3(S3Credentials("AKID", "SECRETKEY", "SESSION+TOKEN/42"));
    s3.setEndpoint(peer.endpoint());
    // The client's lines are below warnings: quiet unless turned up.
    QLoggingCategory::setFilterRules(QStringLiteral("pelnix.s3.info=true"));
    S3Logger::verboseLogging();
    g_logLines.clear();
    auto previous = qInstallMessageHandler(captureLog);
    auto response = s3.invoke(sendMessage(), nullptr, queryUnmarshaller());
    qInstallMessageHandler(previous);
    S3Logger::basicLogging();
    QLoggingCategory::setFilterRules(QString());
    QVERIFY(response && !response->error());
    // The token travels as a parameter of the signed form...
    QVERIFY(peer.requests().first().body.contains("SecurityToken=SESSION%2BTOKEN%2F42"));
    // ...and the verbose log shows the form without it.
    QVERIFY(g_logLines.join('\n').contains(QStringLiteral("Request body: ")));
    for (const QString& line : g_logLines) {
        QVERIFY2(!line.contains(QStringLiteral("SESSION")), qPrintable(line));
        QVERIFY2(!line.contains(QStringLiteral("SECRETKEY")), qPrintable(line));
    }
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QCoreApplication app(argc, argv);
    TestS3Invoke t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_s3invoke.moc"
