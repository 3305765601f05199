#include "StandinTestClient.h"
#include "TestSandbox.h"
#include "standin/RequestLog.h"
#include "standin/StandinServer.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QTcpSocket>
#include <QTest>

#include <httplib.h>

#include <memory>
#include <vector>

using namespace pelnix;
using namespace pelnix::test;
using standin::StandinServer;
using Form = QList<QPair<QString, QString>>;

namespace {

const QJsonObject kSeed{
    {"users",
     QJsonArray{QJsonObject{{"id", 5}, {"email", "ann@acme.test"}, {"name", "Ann"}, {"token", "tok5"}}}},
    {"rooms", QJsonArray{QJsonObject{{"_id", "r1"}, {"name", "Team"}, {"members", QJsonArray{5}}}}}};

// The status code of the first answer, once its status line has arrived.
int statusOf(const QByteArray& head) {
    return head.startsWith("HTTP/1.1 ") && head.size() >= 12 ? head.mid(9, 3).toInt() : 0;
}

} // namespace

class TestStandinLimits : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void longMessagesPostWhateverTheContentType();
    void bodiesOverTheLimitGetTheJsonError();
    void eventStreamsBeyondTheCapAreRefusedAndRequestsStayServed();
    void requestLogKeepsTheLatestEntriesAndTheStartOfEachBody();

private:
    void startServer(size_t maxBodyBytes);

    std::unique_ptr<TestSandbox> m_sandbox;
    std::unique_ptr<StandinServer> m_server;
    std::unique_ptr<StandinTestClient> m_client;
    QNetworkAccessManager m_network;
};

void TestStandinLimits::init() {
    m_sandbox = std::make_unique<TestSandbox>();
    startServer(StandinServer::Options().maxBodyBytes);
}

void TestStandinLimits::startServer(size_t maxBodyBytes) {
    m_client.reset();
    m_server.reset();
    StandinServer::Options options;
    options.dataDir = m_sandbox->path("standin").toStdString();
    options.maxBodyBytes = maxBodyBytes;
    m_server = std::make_unique<StandinServer>(options);
    QVERIFY(m_server->start());
    QVERIFY(!m_server->seed(kSeed).contains("error"));
    m_client = std::make_unique<StandinTestClient>(m_server->baseUrl());
    m_client->signIn(5, "tok5");
}

void TestStandinLimits::cleanup() {
    m_client.reset();
    m_server.reset();
    m_sandbox.reset();
}

void TestStandinLimits::longMessagesPostWhateverTheContentType() {
    // 1,000 CJK characters are 27,000 bytes once form-encoded.
    const QString text(1000, QChar(0x8A9E));
    const auto posted =
        m_client->post("rooms/r1/messages", {{"text", text}, {"type", "message"}, {"seqId", "long-1"}});
    QCOMPARE(posted.status, 200);
    QCOMPARE(posted.json()["text"].toString(), text);
    QCOMPARE(m_server->storedMessages("r1").first().toObject()["text"].toString(), text);

    // Control bodies are no exception.
    QJsonArray users;
    for (int i = 0; i < 200; ++i)
        users.append(QJsonObject{{"id", 100 + i}, {"email", QString("user%1@acme.test").arg(i)}});
    const auto seeded = StandinTestClient::wait(
        m_client->start("POST", "_ctl/users", QJsonDocument(QJsonObject{{"users", users}}).toJson()));
    QCOMPARE(seeded.status, 200);
    QCOMPARE(seeded.json()["users"].toArray().size(), 200);
}

void TestStandinLimits::bodiesOverTheLimitGetTheJsonError() {
    const size_t limit = 64 * 1024;
    startServer(limit);
    const QByteArray tooLarge = "text=" + QByteArray(qsizetype(limit), 'x') + "&type=message&seqId=big";
    for (const QByteArray type :
         {"application/x-www-form-urlencoded; charset=utf-8", "application/octet-stream"}) {
        for (const QString path : {"rooms/r1/messages", "no/such/route"}) {
            QNetworkRequest request(QUrl(QString::fromStdString(m_server->baseUrl()) + path));
            request.setRawHeader("Content-Type", type);
            request.setRawHeader("Authorization", "Tavrix 5:tok5:echat");
            const auto refused = StandinTestClient::wait(m_network.post(request, tooLarge));
            const QString context = path + " " + type;
            QVERIFY2(refused.status == 413, qPrintable(context));
            QVERIFY2(refused.json()["error"].toString() == "entityTooLarge", qPrintable(context));
            QCOMPARE(refused.json()["statusCode"].toInt(), 413);
        }
    }
    // Multipart bodies would reach the handlers only as parsed parts: refused, not posted empty.
    QNetworkRequest multipart(QUrl(QString::fromStdString(m_server->baseUrl()) + "rooms/r1/messages"));
    multipart.setRawHeader("Content-Type", "multipart/form-data; boundary=XX");
    multipart.setRawHeader("Authorization", "Tavrix 5:tok5:echat");
    const auto unsupported = StandinTestClient::wait(m_network.post(
        multipart, "--XX\r\nContent-Disposition: form-data; name=\"text\"\r\n\r\nhi\r\n--XX--\r\n"));
    QCOMPARE(unsupported.status, 415);
    QCOMPARE(unsupported.json()["error"].toString(), QStringLiteral("unsupportedMediaType"));
    QCOMPARE(m_server->storedMessages("r1").size(), 0);

    // A chunked body has no declared length: it is counted as it comes. One a little too large is read
    // to its end, so the refusal arrives whole before the connection closes (one request each).
    QTcpSocket socket;
    QByteArray answers;
    QObject::connect(&socket, &QTcpSocket::readyRead, &socket, [&] { answers += socket.readAll(); });
    socket.connectToHost(QHostAddress::LocalHost, m_server->port());
    QVERIFY(socket.waitForConnected(5000));
    const QByteArray headers = "Host: 127.0.0.1\r\nAuthorization: Tavrix 5:tok5:echat\r\n";
    socket.write("POST /rooms/r1/messages HTTP/1.1\r\n" + headers +
                 "Content-Type: application/x-www-form-urlencoded\r\nTransfer-Encoding: chunked\r\n\r\n");
    const QByteArray piece(16 * 1024, 'y');
    for (size_t sent = 0; sent <= limit; sent += size_t(piece.size()))
        socket.write(QByteArray::number(piece.size(), 16) + "\r\n" + piece + "\r\n");
    socket.write("0\r\n\r\n");
    QTRY_VERIFY(answers.endsWith("}"));
    QVERIFY2(answers.startsWith("HTTP/1.1 413"), answers.left(100).constData());
    QVERIFY(answers.contains(R"("error":"entityTooLarge")"));
    QVERIFY(answers.contains("Connection: close"));
    QTRY_COMPARE(socket.state(), QAbstractSocket::UnconnectedState);

    // Bodies within the limit still post after the refusals.
    const auto posted = m_client->post(
        "rooms/r1/messages", {{"text", QString(1000, 'z')}, {"type", "message"}, {"seqId", "fits"}});
    QCOMPARE(posted.status, 200);
    QCOMPARE(m_server->storedMessages("r1").size(), 1);
}

void TestStandinLimits::eventStreamsBeyondTheCapAreRefusedAndRequestsStayServed() {
    // More streams than the service has workers, opened a few at a time so the accept queue keeps up.
    struct Stream {
        QTcpSocket socket;
        QByteArray received;
    };
    const int streams = StandinServer::kRequestWorkers + 8;
    std::vector<std::unique_ptr<Stream>> opened;
    for (int i = 0; i < streams; ++i) {
        auto stream = std::make_unique<Stream>();
        Stream* raw = stream.get();
        QObject::connect(&raw->socket, &QTcpSocket::readyRead, &raw->socket,
                         [raw] { raw->received += raw->socket.readAll(); });
        raw->socket.connectToHost(QHostAddress::LocalHost, m_server->port());
        QVERIFY(raw->socket.waitForConnected(5000));
        raw->socket.write(
            "GET /events?after=0 HTTP/1.1\r\nHost: 127.0.0.1\r\nAuthorization: Tavrix 5:tok5:echat\r\n\r\n");
        QVERIFY(raw->socket.waitForBytesWritten(5000));
        opened.push_back(std::move(stream));
        if (opened.size() % 8 == 0) {
            for (const auto& open : opened)
                QTRY_VERIFY2(statusOf(open->received) != 0, "an event stream got no answer");
        }
    }
    int accepted = 0, refused = 0;
    for (const auto& open : opened) {
        const int status = statusOf(open->received);
        accepted += status == 200;
        refused += status == 503;
    }
    QCOMPARE(accepted, StandinServer::kMaxEventStreams);
    QCOMPARE(refused, streams - StandinServer::kMaxEventStreams);
    QCOMPARE(m_server->openStreams(5), StandinServer::kMaxEventStreams);

    QCOMPARE(m_client->get("rooms/lite").status, 200);
    QCOMPARE(m_client->get("_ctl/streams?user=5").json()["open"].toInt(), StandinServer::kMaxEventStreams);
    // Closed streams free their places.
    m_server->closeStreams();
    QByteArray stream;
    m_client->openStream(0, &stream);
    QTRY_VERIFY(stream.contains("welcome"));
}

void TestStandinLimits::requestLogKeepsTheLatestEntriesAndTheStartOfEachBody() {
    using standin::RequestLog;
    RequestLog log;
    httplib::Request request;
    request.method = "POST";
    std::vector<size_t> indexes;
    for (size_t i = 0; i < RequestLog::kMaxEntries + 5; ++i) {
        request.target = "/upload/" + std::to_string(i);
        request.body = std::string(i == RequestLog::kMaxEntries + 4 ? 1024 * 1024 : 10, 'b');
        indexes.push_back(log.begin("api", request));
    }
    // Finishing a dropped entry is ignored; the others still find theirs.
    log.finish(indexes.front(), 500, "lost");
    log.finish(indexes.back(), 201, std::string(1024 * 1024, 'r'));
    log.setBody(indexes[10], "replaced");

    const auto entries = log.entries();
    QCOMPARE(entries.size(), RequestLog::kMaxEntries);
    QCOMPARE(entries.front().path, std::string("/upload/5"));
    QCOMPARE(entries.back().status, 201);
    QCOMPARE(entries.back().body.size(), RequestLog::kBodyPrefixBytes);
    QCOMPARE(entries.back().responseBody.size(), RequestLog::kBodyPrefixBytes);
    QCOMPARE(entries[5].body, std::string("replaced"));

    log.clear();
    request.target = "/after-clear";
    const size_t next = log.begin("api", request);
    log.finish(indexes.back(), 500, "stale");
    log.finish(next, 204, "");
    QCOMPARE(log.entries().size(), size_t(1));
    QCOMPARE(log.entries().front().status, 204);
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QCoreApplication app(argc, argv);
    TestStandinLimits test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_standinlimits.moc"
