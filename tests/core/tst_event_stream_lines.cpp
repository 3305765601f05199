#include "core/model/EventStreamLineAssembler.h"

#include <QJsonDocument>
#include <QTest>

using namespace pelnix;

namespace {

QStringList texts(const QList<QVariantMap>& events) {
    QStringList out;
    for (const QVariantMap& event : events)
        out << QString::fromUtf8(QJsonDocument::fromVariant(event).toJson(QJsonDocument::Compact));
    return out;
}

// Feeds `body` cut at the given offsets and collects every event.
QStringList feed(const QByteArray& body, const QList<qsizetype>& cuts, bool* notAuthenticated = nullptr) {
    EventStreamLineAssembler assembler;
    QList<QVariantMap> events;
    qsizetype from = 0;
    QList<qsizetype> all = cuts;
    all << body.size();
    for (qsizetype cut : all) {
        const auto result = assembler.append(body.mid(from, cut - from));
        events += result.events;
        if (notAuthenticated && result.notAuthenticated)
            *notAuthenticated = true;
        from = cut;
    }
    return texts(events);
}

} // namespace

class TestEventStreamLines : public QObject {
    Q_OBJECT
private slots:
    void linesYieldEventsInOrder_data();
    void linesYieldEventsInOrder();
    void everySplitGivesTheSameEvents();
    void notAuthenticatedBodyEndsTheSession();
    void resetDropsAWaitingFragment();
};

void TestEventStreamLines::linesYieldEventsInOrder_data() {
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QStringList>("events");
    QTest::newRow("two lines") << QByteArray("data: {\"a\":1}\ndata: {\"b\":2}\n")
                               << QStringList{R"({"a":1})", R"({"b":2})"};
    QTest::newRow("prefix and spaces only") << QByteArray("data:    \n\n  \r\n") << QStringList{};
    QTest::newRow("keep-alives between events")
        << QByteArray("\n\ndata: {\"a\":1}\r\n\n") << QStringList{R"({"a":1})"};
    QTest::newRow("garbage line dropped, next event kept")
        << QByteArray("data: {\"a\":\ndata: [1]\ndata: {\"b\":2}\n") << QStringList{R"({"b":2})"};
    QTest::newRow("unterminated last event taken")
        << QByteArray("data: {\"a\":1}") << QStringList{R"({"a":1})"};
    QTest::newRow("error line ends the walk of its piece")
        << QByteArray("data: {\"a\":1}\ndata: {\"error\":\"NotAuthenticated\"}\ndata: {\"b\":2}\n")
        << QStringList{R"({"a":1})"};
    QTest::newRow("no prefix still read") << QByteArray("{\"a\":1}\n") << QStringList{R"({"a":1})"};
}

void TestEventStreamLines::linesYieldEventsInOrder() {
    QFETCH(QByteArray, body);
    QFETCH(QStringList, events);
    QCOMPARE(feed(body, {}), events);
}

// Network reads end anywhere: inside "data: ", inside a multi-byte character, right after a space
// inside a text, or between "\r" and "\n". Every single cut and every pair of cuts must give the
// same events, each once and unchanged.
void TestEventStreamLines::everySplitGivesTheSameEvents() {
    const QByteArray body =
        QByteArray("data: {\"type\":\"welcome\",\"date\":1}\n\n") +
        "data: {\"text\":\"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80 end \",\"date\":2}\r\n" + "data:   \n" +
        "data: {\"text\":\"  lead and trail  \",\"n\":[1,2]}\n" + "data: {\"text\":\"last\"}\n";
    const QStringList whole = feed(body, {});
    QCOMPARE(whole.size(), 4);
    QVERIFY(whole.at(1).contains(QString::fromUtf8("caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80 end ")));
    for (qsizetype i = 1; i < body.size(); ++i) {
        QCOMPARE(feed(body, {i}), whole);
        for (qsizetype j = i + 1; j < body.size(); j += 3)
            QCOMPARE(feed(body, {i, j}), whole);
    }
    QList<qsizetype> bytes;
    for (qsizetype i = 1; i < body.size(); ++i)
        bytes << i;
    QCOMPARE(feed(body, bytes), whole);
}

void TestEventStreamLines::notAuthenticatedBodyEndsTheSession() {
    const QByteArray body = R"({"name":"NotAuthenticated","message":"x"})"
                            "\ndata: {\"a\":1}\n";
    for (qsizetype i = 1; i < body.size(); ++i) {
        bool ended = false;
        QCOMPARE(feed(body, {i}, &ended), QStringList{});
        QVERIFY2(ended, qPrintable(QString::number(i)));
    }
    // Where any later line begins, in the piece that ends the line before or in one of its own: the
    // events before it are kept, nothing after it is read.
    const QByteArray later = "data: {\"a\":1}\n{\"name\":\"NotAuthenticated\"}\ndata: {\"b\":2}\n";
    for (qsizetype i = 1; i < later.size(); ++i) {
        bool ended = false;
        QCOMPARE(feed(later, {i}, &ended), QStringList{R"({"a":1})"});
        QVERIFY2(ended, qPrintable(QString::number(i)));
    }
    // Inside a line it is data, also when a piece begins with it.
    const QByteArray inside = "data: {\"user\":{\"name\":\"NotAuthenticated\",\"id\":7}}\n";
    bool ended = false;
    QCOMPARE(feed(inside, {inside.indexOf("{\"name")}, &ended),
             QStringList{R"({"user":{"id":7,"name":"NotAuthenticated"}})"});
    QVERIFY(!ended);
}

void TestEventStreamLines::resetDropsAWaitingFragment() {
    EventStreamLineAssembler assembler;
    QVERIFY(assembler.append("data: {\"a\":1}\ndata: {\"b\":").events.size() == 1);
    QCOMPARE(assembler.pendingBytes(), QByteArray("data: {\"b\":"));
    assembler.reset();
    QCOMPARE(assembler.pendingBytes(), QByteArray());
    QCOMPARE(texts(assembler.append("data: {\"c\":3}\n").events), QStringList{R"({"c":3})"});
}

QTEST_GUILESS_MAIN(TestEventStreamLines)
#include "tst_event_stream_lines.moc"
