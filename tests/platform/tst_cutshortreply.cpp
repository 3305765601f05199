// The check every reader of a Qt reply makes at its end: a body shorter than the length its reply
// announced came through a connection that closed early, whatever Qt reported.
#include "CodedBodies.h"
#include "FakeReply.h"
#include "platform/CutShortReply.h"

#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

using namespace pelnix;
using pelnix::test::FakeReply;

namespace {

using Headers = QList<QPair<QByteArray, QByteArray>>;

// Answers the first request on each connection with `reply` as raw bytes, then closes.
class RawPeer : public QObject {
public:
    explicit RawPeer(const QByteArray& reply) : m_reply(reply) {
        m_server.listen(QHostAddress::LocalHost, 0);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    if (!socket->peek(8192).contains("\r\n\r\n") || socket->property("answered").toBool())
                        return;
                    socket->setProperty("answered", true);
                    socket->write(m_reply);
                    socket->disconnectFromHost();
                });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }
    QUrl url() const { return QUrl(QStringLiteral("http://127.0.0.1:%1/a").arg(m_server.serverPort())); }

private:
    QTcpServer m_server;
    QByteArray m_reply;
};

} // namespace

class TestCutShortReply : public QObject {
    Q_OBJECT
private slots:
    void aBodyShortOfItsLengthIsCut_data();
    void aBodyShortOfItsLengthIsCut();
    void aDecodedBodyIsMeasuredByWhatWasRead_data();
    void aDecodedBodyIsMeasuredByWhatWasRead();
};

void TestCutShortReply::aBodyShortOfItsLengthIsCut_data() {
    QTest::addColumn<int>("operation");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("contentLength"); // empty: none
    QTest::addColumn<qint64>("received");
    QTest::addColumn<int>("qtError");
    QTest::addColumn<bool>("cut");
    const int get = QNetworkAccessManager::GetOperation;
    const int none = QNetworkReply::NoError;
    // Qt's HTTP client, under load, can finish such answers as if they were whole.
    QTest::newRow("nothing of the body") << get << 200 << QByteArray("64") << qint64(0) << none << true;
    QTest::newRow("part of the body") << get << 200 << QByteArray("64") << qint64(10) << none << true;
    QTest::newRow("one byte short") << get << 200 << QByteArray("64") << qint64(63) << none << true;
    QTest::newRow("the answer to a post")
        << int(QNetworkAccessManager::PostOperation) << 201 << QByteArray("64") << qint64(3) << none << true;
    QTest::newRow("an error page cut short")
        << get << 500 << QByteArray("4096") << qint64(50) << int(QNetworkReply::InternalServerError) << true;
    // Whole answers, and those whose end only the connection tells.
    QTest::newRow("whole") << get << 200 << QByteArray("64") << qint64(64) << none << false;
    QTest::newRow("empty and announced so") << get << 200 << QByteArray("0") << qint64(0) << none << false;
    QTest::newRow("more than announced") << get << 200 << QByteArray("4") << qint64(10) << none << false;
    QTest::newRow("no length") << get << 200 << QByteArray() << qint64(2) << none << false;
    QTest::newRow("a length that is no number")
        << get << 200 << QByteArray("sixty") << qint64(2) << none << false;
    // Answers that never carry a body, whatever their headers say.
    QTest::newRow("HEAD") << int(QNetworkAccessManager::HeadOperation) << 200 << QByteArray("64") << qint64(0)
                          << none << false;
    QTest::newRow("no content") << get << 204 << QByteArray("64") << qint64(0) << none << false;
    QTest::newRow("not modified") << get << 304 << QByteArray("64") << qint64(0) << none << false;
}

void TestCutShortReply::aBodyShortOfItsLengthIsCut() {
    QFETCH(int, operation);
    QFETCH(int, status);
    QFETCH(QByteArray, contentLength);
    QFETCH(qint64, received);
    QFETCH(int, qtError);
    QFETCH(bool, cut);
    FakeReply::Answer answer{
        status, {{"Content-Type", "application/json"}}, {}, QNetworkReply::NetworkError(qtError)};
    if (!contentLength.isEmpty())
        answer.headers.append({"Content-Length", contentLength});
    FakeReply reply(answer, QNetworkAccessManager::Operation(operation),
                    QNetworkRequest(QUrl("http://h.test/a")));
    reply.finishNow();
    QCOMPARE(platform::isCutShort(&reply, received), cut);
}

void TestCutShortReply::aDecodedBodyIsMeasuredByWhatWasRead_data() {
    QTest::addColumn<QByteArray>("headers");
    QTest::addColumn<QByteArray>("wire");
    QTest::addColumn<QByteArray>("body");
    // "{}" compressed is ten times as long as itself: a length Qt kept would count the wire's bytes.
    const QByteArray compressed = test::gzipped("{}");
    QTest::newRow("compressed, shorter once decoded")
        << QByteArray("Content-Encoding: gzip\r\nContent-Length: " + QByteArray::number(compressed.size()))
        << compressed << QByteArray("{}");
    QTest::newRow("plain") << QByteArray("Content-Length: 2") << QByteArray("{}") << QByteArray("{}");
}

// A real answer over loopback: the length a reply still shows after Qt decoded its body is that of
// the bytes read.
void TestCutShortReply::aDecodedBodyIsMeasuredByWhatWasRead() {
    QFETCH(QByteArray, headers);
    QFETCH(QByteArray, wire);
    QFETCH(QByteArray, body);
    RawPeer peer("HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nConnection: close\r\n" + headers +
                 "\r\n\r\n" + wire);
    QNetworkAccessManager network;
    std::unique_ptr<QNetworkReply> reply(network.get(QNetworkRequest(peer.url())));
    QSignalSpy finished(reply.get(), &QNetworkReply::finished);
    QVERIFY(finished.wait(10000));
    QCOMPARE(reply->error(), QNetworkReply::NoError);
    const QByteArray read = reply->readAll();
    QCOMPARE(read, body);
    QVERIFY(!platform::isCutShort(reply.get(), read.size()));
}

QTEST_GUILESS_MAIN(TestCutShortReply)
#include "tst_cutshortreply.moc"
