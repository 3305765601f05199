// The transform workers: how many live at once, and a batch of messages in one round trip, each
// within its own time bound.
#include "HostileSmartMessages.h"
#include "smart/PLXMLDocument.h"
#include "smart/PLXSLTStylesheet.h"
#include "smart/RoomHeadersJSON.h"
#include "smart/SmartMessageRenderer.h"
#include "smart/XSLTWorkerPool.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <algorithm>
#include <limits>
#include <thread>
#include <vector>

using namespace pelnix;
using pelnix::test::ScopedLimits;

namespace {

QByteArray sheet(const QByteArray& templateBody) {
    return R"~(<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">)~"
           R"~(<xsl:output method="html" encoding="UTF-8"/>)~" +
           templateBody + "</xsl:stylesheet>";
}

// Writes the message's text, its headers and how many elements it has.
const QString kEcho = QString::fromUtf8(
    sheet(R"~(<xsl:template match="/msg"><p><xsl:value-of select="t"/>|)~"
          R"~(<xsl:value-of select="roomheaders/roomId"/>|<xsl:value-of select="roomheaders/replyCount"/>|)~"
          R"~(<xsl:value-of select="count(//*)"/></p></xsl:template>)~"));

const PLXSLTStylesheet::Limits kShortLimits = [] {
    PLXSLTStylesheet::Limits limits;
    limits.timeMs = 300;
    return limits;
}();

struct ScopedMaxWorkers {
    explicit ScopedMaxWorkers(int count) : previous(XSLTWorkerPool::shared().maxWorkers()) {
        XSLTWorkerPool::shared().setMaxWorkers(count);
    }
    ~ScopedMaxWorkers() { XSLTWorkerPool::shared().setMaxWorkers(previous); }
    int previous;
};

// What the same message gives transformed in this process.
QString inProcess(const QString& xslt, const SmartMessageRenderer::MessageParts& message) {
    const auto style = PLXSLTStylesheet::compile(xslt.toUtf8());
    const auto html =
        style->transform(SmartMessageRenderer::messageDocument(message.messageJSON, message.roomHeaders));
    return html.value_or(QString());
}

SmartMessageRenderer::MessageParts small(const QString& text) {
    return {QString::fromUtf8(QJsonDocument(QJsonObject{{"t", text}}).toJson(QJsonDocument::Compact)),
            {{"messageId", text}}};
}

} // namespace

class TestSmartWorkers : public QObject {
    Q_OBJECT
private slots:
    void init() { SmartMessageRenderer::forgetFailures(); }

    void aBatchRendersAsEachMessageAlone_data();
    void aBatchRendersAsEachMessageAlone();
    void roomHeadersReachTheWorkerAsQtWritesThem_data();
    void roomHeadersReachTheWorkerAsQtWritesThem();
    void eachRequestRunsItsOwnSheet();
    void aFailureIsRememberedForItsSheetAndBoundsOnly();
    void aHostileMessageEndsAtItsBoundAndTheRestOfItsBatchRenders();
    void manyCallersShareAtMostTheCappedWorkers();
    void aWorkerEndedAtTheBoundIsReplacedWithinTheCap();
};

void TestSmartWorkers::aBatchRendersAsEachMessageAlone_data() {
    QTest::addColumn<QString>("json");
    QTest::addColumn<QVariantMap>("headers");
    QTest::addColumn<QString>("expected");
    QTest::newRow("text and headers") << R"~({"t":"A <b>bold</b> & co"})~"
                                      << QVariantMap{{"roomId", "r1"}, {"replyCount", 3}, {"messageId", "m1"}}
                                      << "<p>A &lt;b&gt;bold&lt;/b&gt; &amp; co|r1|3|6</p>";
    QTest::newRow("text beyond ASCII")
        << R"~({"t":"Café Zoë ✓ 𝄞"})~" << QVariantMap{{"roomName", "Ünïcode"}} << "";
    QTest::newRow("large numbers in the headers")
        << R"~({"t":"n"})~" << QVariantMap{{"roomId", "r2"}, {"replyCount", qint64(1) << 52}, {"date", 1.5}}
        << "<p>n|r2|4503599627370496|6</p>";
    QTest::newRow("the message's own headers are kept")
        << R"~({"t":"own","roomheaders":{"roomId":"mine"}})~" << QVariantMap{{"roomId", "r3"}}
        << "<p>own|mine||4</p>";
    QTest::newRow("a message nested deep") << pelnix::test::nestedMessage(300, 2) << QVariantMap() << "";
    QTest::newRow("JSON held in a JSON string")
        << R"~("{\"t\":\"inner\"}")~" << QVariantMap{{"roomId", "r4"}} << "<p>inner|r4||4</p>";
    QTest::newRow("not an object") << R"~(["t"])~" << QVariantMap() << "";
}

// The worker builds each message document itself: what it renders is what this process renders.
void TestSmartWorkers::aBatchRendersAsEachMessageAlone() {
    QFETCH(QString, json);
    QFETCH(QVariantMap, headers);
    QFETCH(QString, expected);
    QVERIFY(XSLTWorkerPool::shared().isAvailable());
    const SmartMessageRenderer::MessageParts message{json, headers};
    const QString alone = inProcess(kEcho, message);
    if (!expected.isEmpty())
        QCOMPARE(alone.trimmed(), expected);
    // The same message among others in one batch, and alone.
    const QStringList batch =
        SmartMessageRenderer::renderBatch("echo", kEcho, {small("before"), message, small("after")});
    QCOMPARE(batch.size(), 3);
    QCOMPARE(batch.at(1), alone);
    QCOMPARE(batch.at(0), inProcess(kEcho, small("before")));
    QCOMPARE(batch.at(2), inProcess(kEcho, small("after")));
    QCOMPARE(SmartMessageRenderer::renderBatch("echo", kEcho, {message}), QStringList{alone});
}

void TestSmartWorkers::roomHeadersReachTheWorkerAsQtWritesThem_data() {
    QTest::addColumn<QVariantMap>("headers");
    QTest::newRow("texts with quotes, backslashes and controls")
        << QVariantMap{{"roomName", QString::fromUtf8("a\"b\\c\n\t\x01 \x1f\x7f end")}, {"a\"b", "key"}};
    QTest::newRow("texts beyond ASCII") << QVariantMap{{"roomName", "Café ✓ 𝄞 日本"}, {"senderName", "Zoë"}};
    QTest::newRow("whole numbers of every width")
        << QVariantMap{{"replyCount", qint16(-3)},
                       {"updateCount", 7},
                       {"roomType", 4000000000u},
                       {"date", qint64(1712345678901)},
                       {"largest", std::numeric_limits<qint64>::max()},
                       {"smallest", std::numeric_limits<qint64>::min()},
                       {"pastDoubles", (qint64(1) << 53) + 1},
                       {"unsignedShort", ushort(65535)}};
    QTest::newRow("booleans") << QVariantMap{{"yes", true}, {"no", false}};
    QTest::newRow("no headers") << QVariantMap();
    QTest::newRow("a text that is no valid UTF-16")
        << QVariantMap{{"roomName", QString(QChar(0xD800)) + "x"}, {"roomId", "r"}};
    QTest::newRow("a fraction, a date, a list and nothing")
        << QVariantMap{{"fraction", 1.5},
                       {"when", QDateTime(QDate(2026, 12, 8), QTime(17, 4, 31, 250), Qt::UTC)},
                       {"list", QVariantList{1, "x"}},
                       {"nothing", QVariant()},
                       {"roomId", "r"}};
}

// However the headers are written for the worker, it reads the object, and builds the document,
// that Qt's own conversion gives.
void TestSmartWorkers::roomHeadersReachTheWorkerAsQtWritesThem() {
    QFETCH(QVariantMap, headers);
    const QByteArray json = RoomHeadersJSON::compact(headers);
    // Qt's reader takes raw controls in a string; JSON does not.
    QVERIFY(std::none_of(json.cbegin(), json.cend(), [](char c) { return uchar(c) < 0x20; }));
    QJsonParseError error;
    const QJsonDocument written = QJsonDocument::fromJson(json, &error);
    QCOMPARE(error.error, QJsonParseError::NoError);
    QVERIFY(written.isObject());
    const QJsonObject expected = QJsonObject::fromVariantMap(headers);
    QCOMPARE(written.object(), expected);
    const auto document = [](const QJsonObject& object) {
        return PLXMLDocument::documentWithJSON(object, QStringLiteral("roomheaders")).toXMLData();
    };
    QCOMPARE(document(written.object()), document(expected));
}

// One worker, requests whose sheets alternate: each runs with its own sheet, the one of the request
// before it or not.
void TestSmartWorkers::eachRequestRunsItsOwnSheet() {
    ScopedMaxWorkers cap(1);
    const auto marking = [](const char* mark) {
        return sheet(QByteArray(R"~(<xsl:template match="/msg"><p>)~") + mark +
                     R"~(<xsl:value-of select="t"/></p></xsl:template>)~");
    };
    const QByteArray first = marking("1:");
    const QByteArray second = marking("2:");
    const QList<xsltworker::Input> inputs{{xsltworker::Input::Kind::MessageJSON, R"~({"t":"x"})~", "{}"}};
    for (const QByteArray* xslt : {&first, &second, &second, &first, &second}) {
        const QList<XSLTWorkerPool::Result> results =
            XSLTWorkerPool::shared().transform(*xslt, inputs, PLXSLTStylesheet::limits());
        QVERIFY(results.at(0).html);
        QCOMPARE(results.at(0).html->trimmed(), xslt == &first ? "<p>1:x</p>" : "<p>2:x</p>");
    }
}

// A message that failed with a sheet is not run with it again, and only with that sheet, under
// those bounds: whatever was asked in between.
void TestSmartWorkers::aFailureIsRememberedForItsSheetAndBoundsOnly() {
    const QString failing =
        QString::fromUtf8(sheet(R"~(<xsl:template match="/"><xsl:message terminate="yes">no</xsl:message>)~"
                                R"~(</xsl:template>)~"));
    const SmartMessageRenderer::MessageParts message = small("once");
    QCOMPARE(SmartMessageRenderer::renderBatch("failing", failing, {message}), QStringList{QString()});
    QVERIFY(SmartMessageRenderer::hasFailed("failing", failing, message));
    QVERIFY(!SmartMessageRenderer::hasFailed("failing", kEcho, message));
    QVERIFY(!SmartMessageRenderer::hasFailed("other", failing, message));
    QVERIFY(SmartMessageRenderer::hasFailed("failing", failing, message));
    {
        ScopedLimits limits(kShortLimits);
        QVERIFY(!SmartMessageRenderer::hasFailed("failing", failing, message));
    }
    QVERIFY(SmartMessageRenderer::hasFailed("failing", failing, message));
    QVERIFY(!SmartMessageRenderer::hasFailed("failing", failing, small("another")));
}

// One message whose evaluation outlasts the bound ends its worker; the messages after it in the same
// batch go to another worker and render. A batch this size is shared among workers: the others go
// on meanwhile.
void TestSmartWorkers::aHostileMessageEndsAtItsBoundAndTheRestOfItsBatchRenders() {
    ScopedLimits limits(kShortLimits);
    XSLTWorkerPool& workers = XSLTWorkerPool::shared();
    const int killed = workers.killedCount();
    const QString comparing = QString::fromUtf8(pelnix::test::comparingSheet());
    constexpr int kHostile = 5;
    QList<SmartMessageRenderer::MessageParts> batch;
    for (int at = 0; at < 3 * XSLTWorkerPool::kMinInputsPerWorker; ++at)
        batch.append(at == kHostile ? SmartMessageRenderer::MessageParts{pelnix::test::comparingMessage(),
                                                                         {{"messageId", "hostile"}}}
                                    : small(QStringLiteral("m%1").arg(at)));
    const QStringList html = SmartMessageRenderer::renderBatch("comparing", comparing, batch);
    QCOMPARE(workers.killedCount(), killed + 1);
    QCOMPARE(html.size(), batch.size());
    for (int at = 0; at < html.size(); ++at)
        QCOMPARE(html.at(at).trimmed(), at == kHostile ? QString() : QStringLiteral("<p>0</p>"));

    // The same through the pool: the reason is the time bound.
    QList<xsltworker::Input> inputs;
    for (const QString& json : {QStringLiteral(R"~({"t":"x"})~"), pelnix::test::comparingMessage()})
        inputs.append({xsltworker::Input::Kind::MessageJSON, json.toUtf8(), "{}"});
    const QList<XSLTWorkerPool::Result> results =
        workers.transform(comparing.toUtf8(), inputs, PLXSLTStylesheet::limits());
    QVERIFY(results.at(0).html);
    QVERIFY(!results.at(1).html);
    QVERIFY2(results.at(1).error.startsWith(QLatin1String("stopped after the time bound of 300 ms")),
             qPrintable(results.at(1).error));
    QVERIFY(results.at(1).lasting);
}

// Callers beyond the cap wait for a worker to come free instead of starting one each.
void TestSmartWorkers::manyCallersShareAtMostTheCappedWorkers() {
    XSLTWorkerPool& workers = XSLTWorkerPool::shared();
    QVERIFY(workers.isAvailable());
    QVERIFY(workers.maxWorkers() >= 1);
    QVERIFY(workers.maxWorkers() <= XSLTWorkerPool::kMaxWorkers);
    ScopedMaxWorkers cap(2);
    const int started = workers.startedCount();
    constexpr int kCallers = 32;
    std::vector<QString> html(kCallers);
    std::vector<std::thread> callers;
    for (int caller = 0; caller < kCallers; ++caller)
        callers.emplace_back([&html, caller] {
            html[caller] =
                SmartMessageRenderer::renderBatch("echo", kEcho, {small(QString::number(caller))}).value(0);
        });
    for (std::thread& caller : callers)
        caller.join();
    for (int caller = 0; caller < kCallers; ++caller)
        QCOMPARE(html.at(caller), inProcess(kEcho, small(QString::number(caller))));
    QVERIFY2(workers.startedCount() - started <= 2,
             qPrintable(QString::number(workers.startedCount() - started)));
    QVERIFY(workers.workerCount() <= 2);
}

// A worker ended at the bound frees its place: the caller waiting for it gets a new worker, and no
// more than the cap live.
void TestSmartWorkers::aWorkerEndedAtTheBoundIsReplacedWithinTheCap() {
    ScopedLimits limits(kShortLimits);
    ScopedMaxWorkers cap(1);
    XSLTWorkerPool& workers = XSLTWorkerPool::shared();
    const int killed = workers.killedCount();
    const QString comparing = QString::fromUtf8(pelnix::test::comparingSheet());
    const QList<SmartMessageRenderer::MessageParts> messages{
        {pelnix::test::comparingMessage(), {{"messageId", "hostile"}}}, small("a"), small("b"), small("c")};
    std::vector<QString> html(messages.size());
    std::vector<std::thread> callers;
    for (qsizetype at = 0; at < messages.size(); ++at)
        callers.emplace_back([&, at] {
            html[at] = SmartMessageRenderer::renderBatch("comparing", comparing, {messages.at(at)}).value(0);
        });
    for (std::thread& caller : callers)
        caller.join();
    QCOMPARE(html.at(0), QString());
    for (const int at : {1, 2, 3})
        QCOMPARE(html.at(at).trimmed(), QStringLiteral("<p>0</p>"));
    QCOMPARE(workers.killedCount(), killed + 1);
    QVERIFY(workers.workerCount() <= 1);
}

QTEST_GUILESS_MAIN(TestSmartWorkers)
#include "tst_smart_workers.moc"
