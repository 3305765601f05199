// The HTTP answer reader: framing by length, chunks and the close; interim answers passed over
// within their bound and a 101 refused; malformed heads, lengths and chunks refused; every answer
// read the same whether its bytes come at once, in odd pieces or one at a time.
#include "platform/HttpResponseReader.h"

#include <QTest>

using pelnix::platform::HttpResponseReader;
using Step = HttpResponseReader::Step;

namespace {

struct Read {
    Step end = Step::NeedMore;
    int heads = 0;
    int status = 0;
    QByteArray body;
    QString error;
};

// Feeds `wire` in pieces of `piece` bytes, taking every step, then the close when `closes`.
Read read(HttpResponseReader& reader, const QByteArray& wire, qsizetype piece, bool closes) {
    Read result;
    QByteArray chunk;
    const auto drain = [&] {
        for (;;) {
            const Step step = reader.next(chunk);
            if (step == Step::Head) {
                ++result.heads;
                result.status = reader.status();
            } else if (step == Step::Body) {
                result.body += chunk;
            } else {
                return step;
            }
        }
    };
    for (qsizetype at = 0; at < wire.size() && (result.end = drain()) == Step::NeedMore; at += piece)
        reader.append(wire.mid(at, piece));
    result.end = drain();
    if (closes && result.end == Step::NeedMore) {
        reader.close();
        result.end = drain();
    }
    result.error = reader.error();
    return result;
}

QByteArray head(const QByteArray& fields, const QByteArray& status = "200 OK") {
    return "HTTP/1.1 " + status + "\r\n" + fields + "\r\n";
}

} // namespace

class TestHttpResponseReader : public QObject {
    Q_OBJECT
private slots:
    void answersAreFramedAndRead_data() {
        QTest::addColumn<QByteArray>("wire");
        QTest::addColumn<bool>("closes");
        QTest::addColumn<int>("end");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        const int done = int(Step::Done), failed = int(Step::Failed), waiting = int(Step::NeedMore);
        const QByteArray chunked = "Transfer-Encoding: chunked\r\n";

        QTest::addRow("length") << head("Content-Length: 5\r\n") + "hello" << false << done << 200
                                << QByteArray("hello");
        QTest::addRow("length, bytes after it ignored")
            << head("Content-Length: 5\r\n") + "helloXYZ" << false << done << 200 << QByteArray("hello");
        QTest::addRow("length cut short")
            << head("Content-Length: 9\r\n") + "hello" << true << failed << 200 << QByteArray("hello");
        QTest::addRow("length 0") << head("Content-Length: 0\r\n") << false << done << 200 << QByteArray();
        QTest::addRow("lengths that agree") << head("Content-Length: 5\r\nContent-Length: 5\r\n") + "hello"
                                            << false << done << 200 << QByteArray("hello");
        QTest::addRow("lengths that disagree") << head("Content-Length: 5\r\nContent-Length: 6\r\n") + "hello"
                                               << false << failed << 0 << QByteArray();
        QTest::addRow("negative length")
            << head("Content-Length: -1\r\n") << false << failed << 0 << QByteArray();
        QTest::addRow("length over 64 bits")
            << head("Content-Length: 99999999999999999999\r\n") << false << failed << 0 << QByteArray();
        QTest::addRow("up to the close")
            << head("") + "all of it" << true << done << 200 << QByteArray("all of it");
        QTest::addRow("up to the close, still open")
            << head("") + "so far" << false << waiting << 200 << QByteArray("so far");
        QTest::addRow("chunked") << head(chunked) + "5\r\nhello\r\n6;name=value\r\n world\r\n0\r\n\r\n"
                                 << false << done << 200 << QByteArray("hello world");
        QTest::addRow("chunked, upper-case size and trailers")
            << head(chunked) + "A\r\n0123456789\r\n0\r\nChecksum: 1\r\n\r\n"
            << false << done << 200 << QByteArray("0123456789");
        QTest::addRow("chunked after another coding")
            << head("Transfer-Encoding: gzip, chunked\r\n") + "2\r\nok\r\n0\r\n\r\n"
            << false << done << 200 << QByteArray("ok");
        QTest::addRow("chunked over a length")
            << head("Content-Length: 100\r\n" + chunked) + "2\r\nok\r\n0\r\n\r\n"
            << false << done << 200 << QByteArray("ok");
        QTest::addRow("chunked, cut")
            << head(chunked) + "5\r\nhel" << true << failed << 200 << QByteArray("hel");
        QTest::addRow("chunked, no last chunk") << head(chunked) + "2\r\nok\r\n"
                                                << true << failed << 200 << QByteArray("ok");
        QTest::addRow("chunk size no number") << head(chunked) + "zz\r\nok\r\n"
                                              << false << failed << 200 << QByteArray();
        QTest::addRow("chunk size over 64 bits") << head(chunked) + "1000000000000000\r\n"
                                                 << false << failed << 200 << QByteArray();
        QTest::addRow("chunk longer than its size") << head(chunked) + "2\r\nokay\r\n0\r\n\r\n"
                                                    << false << failed << 200 << QByteArray("ok");
        QTest::addRow("other coding, up to the close")
            << head("Transfer-Encoding: gzip\r\nContent-Length: 1\r\n") + "gzipped" << true << done << 200
            << QByteArray("gzipped");
        QTest::addRow("bare line feeds") << QByteArray("HTTP/1.1 200 OK\nContent-Length: 2\n\nok") << false
                                         << done << 200 << QByteArray("ok");
        QTest::addRow("HTTP/1.0, no reason")
            << QByteArray("HTTP/1.0 200\r\n\r\nold") << true << done << 200 << QByteArray("old");
        QTest::addRow("204, no body")
            << head("", "204 No Content") + "stray" << false << done << 204 << QByteArray();
        QTest::addRow("404 with its body") << head("Content-Length: 4\r\n", "404 Not Found") + "gone" << false
                                           << done << 404 << QByteArray("gone");
        QTest::addRow("100 first") << head("", "100 Continue") + head("Content-Length: 2\r\n") + "ok" << false
                                   << done << 200 << QByteArray("ok");
        QTest::addRow("103 with a Link first") << head("Link: </a.css>; rel=preload\r\n", "103 Early Hints") +
                                                      head("Content-Length: 2\r\n") + "ok"
                                               << false << done << 200 << QByteArray("ok");
        QTest::addRow("102, 150 and 199 first")
            << head("", "102 Processing") + head("", "150 Odd") + head("", "199 Odd") +
                   head("Content-Length: 2\r\n") + "ok"
            << false << done << 200 << QByteArray("ok");
        QTest::addRow("blank lines before the head")
            << "\r\n\r\n" + head("Content-Length: 2\r\n") + "ok" << false << done << 200 << QByteArray("ok");
        QTest::addRow("101 refused") << head("Upgrade: websocket\r\n", "101 Switching Protocols") +
                                            head("Content-Length: 2\r\n") + "ok"
                                     << false << failed << 0 << QByteArray();
        QTest::addRow("closed before an answer") << QByteArray() << true << failed << 0 << QByteArray();
        QTest::addRow("closed inside a head")
            << QByteArray("HTTP/1.1 200 OK\r\nContent-") << true << failed << 0 << QByteArray();
        QTest::addRow("no HTTP") << QByteArray("SSH-2.0-OpenSSH_9.2\r\n\r\n") << false << failed << 0
                                 << QByteArray();
        QTest::addRow("HTTP/2 status line")
            << QByteArray("HTTP/2 200\r\n\r\nok") << false << failed << 0 << QByteArray();
        QTest::addRow("status 600") << head("", "600 Odd") << false << failed << 0 << QByteArray();
        QTest::addRow("status 2x0") << head("", "2x0 Odd") << false << failed << 0 << QByteArray();
        QTest::addRow("status of four digits")
            << head("", "2000 Odd") << false << failed << 0 << QByteArray();
        QTest::addRow("blank before a colon")
            << head("Content-Length : 2\r\n") + "ok" << false << failed << 0 << QByteArray();
        QTest::addRow("line without a colon")
            << head("Content-Length 2\r\n") + "ok" << false << failed << 0 << QByteArray();
    }
    void answersAreFramedAndRead() {
        QFETCH(QByteArray, wire);
        QFETCH(bool, closes);
        QFETCH(int, end);
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        for (const qsizetype piece : {qsizetype(1), qsizetype(7), qMax<qsizetype>(1, wire.size())}) {
            HttpResponseReader reader;
            const Read result = read(reader, wire, piece, closes);
            const QByteArray where =
                "in pieces of " + QByteArray::number(piece) + ": " + result.error.toUtf8();
            QVERIFY2(int(result.end) == end, where.constData());
            QVERIFY2(result.status == status, where.constData());
            QVERIFY2(result.body == body, where.constData());
            QVERIFY2(result.heads == (status ? 1 : 0), where.constData());
            QVERIFY2(result.error.isEmpty() == (end != int(Step::Failed)), where.constData());
        }
    }

    // Fields read as they came: escapes kept, blanks around the value gone, repeats joined, a
    // continuation line on its field, names in any case.
    void fieldsAreGivenAsTheyCame() {
        HttpResponseReader reader;
        const Read result =
            read(reader,
                 head("Location:  ../a%2Fb?q=%20x \r\nX-Two: a\r\nx-two: b\r\nX-Folded: one\r\n  two\r\n"
                      "Content-Length: 0\r\n",
                      "302 Found"),
                 3, false);
        QCOMPARE(int(result.end), int(Step::Done));
        QCOMPARE(reader.status(), 302);
        QCOMPARE(reader.header("LOCATION"), QByteArray("../a%2Fb?q=%20x"));
        QCOMPARE(reader.header("x-two"), QByteArray("a, b"));
        QCOMPARE(reader.header("X-Folded"), QByteArray("one two"));
        QCOMPARE(reader.header("Missing"), QByteArray());
        QCOMPARE(reader.contentLength(), qint64(0));
    }

    // Bounds hold to the byte: a head of exactly the bound is read, one byte more is refused; interim
    // heads together the same, however small each is.
    void headsAreBounded_data() {
        QTest::addColumn<qsizetype>("over");
        QTest::addColumn<bool>("interim");
        QTest::addRow("a head at the bound") << qsizetype(0) << false;
        QTest::addRow("a head one byte over") << qsizetype(1) << false;
        QTest::addRow("interim heads at the bound") << qsizetype(0) << true;
        QTest::addRow("interim heads one byte over") << qsizetype(1) << true;
    }
    void headsAreBounded() {
        QFETCH(qsizetype, over);
        QFETCH(bool, interim);
        HttpResponseReader::Bounds bounds;
        bounds.maxHeadBytes = 1000;
        bounds.maxInterimBytes = 1000;
        const QByteArray final = head("Content-Length: 2\r\n") + "ok";
        QByteArray wire;
        if (interim) {
            // Forty heads of 25 bytes make the bound; the last one grows by `over`.
            for (int i = 0; i < 40; ++i)
                wire += head("", i == 39 ? "100 Continue" + QByteArray(over, '!') : "100 Continue");
            QCOMPARE(wire.size(), 1000 + over);
            wire += final;
        } else {
            const QByteArray start = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nX-Pad: ";
            wire = start + QByteArray(1000 + over - start.size() - 4, 'p') + "\r\n\r\nok";
        }
        HttpResponseReader reader(bounds);
        const Read result = read(reader, wire, 64, false);
        QCOMPARE(int(result.end), over ? int(Step::Failed) : int(Step::Done));
        QCOMPARE(result.body, over ? QByteArray() : QByteArray("ok"));
        if (interim && !over)
            QCOMPARE(reader.interimBytes(), qsizetype(1000));
    }

    // Interim heads without end are refused once their bound is reached, not read for ever.
    void endlessInterimHeadsEndAtTheBound() {
        HttpResponseReader reader;
        QByteArray block;
        for (int i = 0; i < 1000; ++i)
            block += head("", "100 Continue");
        QByteArray ignored;
        qint64 fed = 0;
        Step step = Step::NeedMore;
        while (step == Step::NeedMore && fed < 64 * 1024 * 1024) {
            reader.append(block);
            fed += block.size();
            step = reader.next(ignored);
        }
        QCOMPARE(int(step), int(Step::Failed));
        QVERIFY2(fed <= HttpResponseReader::Bounds().maxInterimBytes + block.size(),
                 qPrintable(QString::number(fed)));
    }
};

QTEST_GUILESS_MAIN(TestHttpResponseReader)
#include "tst_http_response_reader.moc"
