#include "SmartTestData.h"
#include "TestSandbox.h"
#include "core/model/PelnixDataModel.h"
#include "core/model/StyleSheetXSLT.h"
#include "smart/PLXMLDocument.h"
#include "smart/PLXSLTStylesheet.h"
#include "smart/SmartFormManager.h"
#include "smart/SmartMessageRenderer.h"
#include "smart/SmartModel.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include <QtConcurrent/QtConcurrentMap>

using namespace pelnix;
using namespace pelnix::test;

// Declared before the test data: moc reads no further than it must.
class TestSmartRendering : public QObject {
    Q_OBJECT
private slots:
    void jsonToXML_data();
    void jsonToXML();
    void pollRoundTripEscapesText();
    void detailsSheetSeesRoomHeaders();
    void sharesRenderWithTheirFixtureSheets_data();
    void sharesRenderWithTheirFixtureSheets();
    void oneCompiledSheetServesManyThreads();
    void faultsGiveEmptyHTML_data();
    void faultsGiveEmptyHTML();
    void stylesheetCannotReadFiles_data();
    void stylesheetCannotReadFiles();
    void messageRenderingIsCachedAndFollowsChanges();
};

namespace {

const char kPollMessage[] =
    R"~({"type":"poll","xslt":"poll","formid":"f1","content":{"title":"Lunch <today> & more",
    "question":"Café or Zoë's?","options":[{"id":"1","text":"Café <b>Zoë</b>","votes":3},
    {"id":"2","text":"Fish & Chips","votes":1}]}})~";

QString xmlOf(const QByteArray& json) {
    const QJsonDocument document = QJsonDocument::fromJson(json);
    const QJsonValue value =
        document.isObject() ? QJsonValue(document.object()) : QJsonValue(document.array());
    QByteArray xml = PLXMLDocument::documentWithJSON(value, QStringLiteral("msg")).toXMLData();
    // Drop the declaration line.
    return QString::fromUtf8(xml.mid(xml.indexOf('\n') + 1)).trimmed();
}

QString render(const QByteArray& xslt, const QString& json, const QVariantMap& headers = {}) {
    return SmartMessageRenderer::transform(
        SmartMessageRenderer::messageDocument(json, headers),
        QString::fromLatin1(QTest::currentDataTag() ? QTest::currentDataTag() : QTest::currentTestFunction()),
        QString::fromUtf8(xslt));
}

QByteArray sheet(const QByteArray& templateBody) {
    return R"~(<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">)~"
           R"~(<xsl:output method="html" encoding="UTF-8"/>)~" +
           templateBody + "</xsl:stylesheet>";
}

} // namespace

void TestSmartRendering::jsonToXML_data() {
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("xml");
    QTest::newRow("scalars") << QByteArray(R"~({"s":"x","i":42,"d":2.5,"t":true,"f":false,"n":null})~")
                             << "<msg><d>2.5</d><f>false</f><i>42</i><n/><s>x</s><t>true</t></msg>";
    QTest::newRow("nested objects") << QByteArray(R"~({"a":{"b":{"c":"deep"}}})~")
                                    << "<msg><a><b><c>deep</c></b></a></msg>";
    QTest::newRow("arrays repeat their element")
        << QByteArray(R"~({"o":[{"v":1},{"v":2}],"tags":["x","y"],"empty":[]})~")
        << "<msg><o><v>1</v></o><o><v>2</v></o><tags>x</tags><tags>y</tags></msg>";
    QTest::newRow("arrays in arrays and at the top")
        << QByteArray(R"~([[1,2],"z"])~")
        << "<msg><item><item>1</item><item>2</item></item><item>z</item></msg>";
    QTest::newRow("text is escaped") << QByteArray(R"~({"t":"a < b & c > \"d\" ]]> é 日本"})~")
                                     << "<msg><t>a &lt; b &amp; c &gt; \"d\" ]]&gt; é 日本</t></msg>";
    QTest::newRow("markup in text stays text") << QByteArray(R"~({"t":"<script>alert(1)</script>"})~")
                                               << "<msg><t>&lt;script&gt;alert(1)&lt;/script&gt;</t></msg>";
    QTest::newRow("keys become element names")
        << QByteArray(R"~({"1st":"a","a b":"b","":"c","-x":"d","ok.name-1":"e","ü":"f"})~")
        << "<msg><_>c</_><_-x>d</_-x><_1st>a</_1st><a_b>b</a_b><ok.name-1>e</ok.name-1><_>f</_></msg>";
    QTest::newRow("controls XML cannot carry are dropped")
        << QByteArray("{\"t\":\"a\\u0001b\\u0000c\\td\"}") << "<msg><t>abc\td</t></msg>";
}

void TestSmartRendering::jsonToXML() {
    QFETCH(QByteArray, json);
    QFETCH(QString, xml);
    QCOMPARE(xmlOf(json), xml);
}

void TestSmartRendering::pollRoundTripEscapesText() {
    const QString html =
        render(smartFixture("poll.xsl"), QString::fromUtf8(kPollMessage), {{"roomName", "Team <A> & B"}});
    QCOMPARE(
        html.trimmed(),
        QStringLiteral("<div class=\"poll\">"
                       "<h3>Lunch &lt;today&gt; &amp; more</h3>"
                       "<p class=\"question\">Café or Zoë's?</p>"
                       "<ul>"
                       "<li data-option=\"1\">Café &lt;b&gt;Zoë&lt;/b&gt;<span class=\"votes\">3</span></li>"
                       "<li data-option=\"2\">Fish &amp; Chips<span class=\"votes\">1</span></li>"
                       "</ul>"
                       "<p class=\"total\">4 votes</p>"
                       "<p class=\"room\">in Team &lt;A&gt; &amp; B</p>"
                       "</div>"));
}

void TestSmartRendering::detailsSheetSeesRoomHeaders() {
    const QString html =
        render(smartFixture("poll-details.xsl"), QString::fromUtf8(kPollMessage), {{"replyCount", 7}});
    QVERIFY2(html.contains("<td>Café &lt;b&gt;Zoë&lt;/b&gt;</td><td>75%</td>"), qPrintable(html));
    QVERIFY2(html.contains("<p class=\"replies\">7 replies</p>"), qPrintable(html));
}

void TestSmartRendering::sharesRenderWithTheirFixtureSheets_data() {
    QTest::addColumn<QString>("json");
    QTest::addColumn<QString>("expected");
    QTest::newRow("image")
        << SmartFormManager::constructshareMediaWithMediaDict({{"fileUrl", "https://f.test/s/1"},
                                                               {"fileName", "a&b.jpg"},
                                                               {"width", 640},
                                                               {"height", 480},
                                                               {"caption", "Zoë <3"},
                                                               {"preview", "data:image/png;base64,AA=="}})
        << "<div class=\"image\"><a href=\"https://f.test/s/1\"><img src=\"data:image/png;base64,AA==\" "
           "width=\"640\" height=\"480\" alt=\"a&amp;b.jpg\"></a><p class=\"caption\">Zoë &lt;3</p></div>";
    QTest::newRow("file")
        << SmartFormManager::constructshareMediaWithMediaDict({{"fileMime", "video/webm"},
                                                               {"fileUrl", "https://f.test/s/2"},
                                                               {"fileName", "clip.webm"},
                                                               {"fileSize", 2048}})
        << "<div class=\"file\"><a href=\"https://f.test/s/2\">clip.webm</a><span class=\"size\">2 "
           "KB</span></div>";
    QTest::newRow("location")
        << SmartFormManager::constructCheckInRequestWithLocationDict({{"location", "1.500, 2.250"},
                                                                      {"accuracy", "5.00"},
                                                                      {"locname", "Café"},
                                                                      {"lat", "1.500"},
                                                                      {"lng", "2.250"},
                                                                      {"username", "Ann"},
                                                                      {"date", "7 Dec"}})
        << "<div class=\"location\"><a href=\"https://www.openstreetmap.org/?mlat=1.500&amp;mlon=2.250\">"
           "Café</a><p class=\"coordinates\">1.500, 2.250 (±5.00 m)</p><p class=\"by\">Ann, 7 "
           "Dec</p></div>";
    QTest::newRow("contact") << SmartFormManager::constructShareContactJsonFromDictionary(
                                    {{"name", "Bo"},
                                     {"email",
                                      QVariantList{QVariantMap{{"label", "home"}, {"email", "bo@x.test"}}}}})
                             << "<div class=\"contact\"><h3>Bo</h3><p class=\"email\">home: <a "
                                "href=\"mailto:bo@x.test\">bo@x.test</a></p></div>";
}

void TestSmartRendering::sharesRenderWithTheirFixtureSheets() {
    QFETCH(QString, json);
    QFETCH(QString, expected);
    const QString xslt = QJsonDocument::fromJson(json.toUtf8()).object().value("xslt").toString();
    QCOMPARE(render(smartFixture(xslt + ".xsl"), json).trimmed(), expected);
}

void TestSmartRendering::oneCompiledSheetServesManyThreads() {
    const QString xslt = QString::fromUtf8(smartFixture("poll.xsl"));
    QStringList inputs;
    for (int i = 0; i < 64; ++i)
        inputs.append(
            QStringLiteral(R"~({"content":{"title":"T%1","options":[{"id":"1","text":"x","votes":%1}]}})~")
                .arg(i));
    const QStringList outputs = QtConcurrent::blockingMapped(inputs, [&](const QString& json) {
        return SmartMessageRenderer::transform(SmartMessageRenderer::messageDocument(json, {}), "poll-shared",
                                               xslt);
    });
    for (int i = 0; i < inputs.size(); ++i)
        QVERIFY2(outputs.at(i).contains(QStringLiteral("<h3>T%1</h3>").arg(i)) &&
                     outputs.at(i).contains(QStringLiteral("%1 vote").arg(i)),
                 qPrintable(outputs.at(i)));
}

void TestSmartRendering::faultsGiveEmptyHTML_data() {
    QTest::addColumn<QByteArray>("xslt");
    QTest::addColumn<QString>("json");
    const QByteArray echo =
        sheet(R"~(<xsl:template match="/"><p><xsl:value-of select="msg/t"/></p></xsl:template>)~");
    QTest::newRow("json not well-formed") << echo << R"~({"t": "x")~";
    QTest::newRow("json not an object") << echo << R"~(["t"])~";
    QTest::newRow("json empty") << echo << QString();
    QTest::newRow("stylesheet not well-formed") << QByteArray("<xsl:stylesheet") << R"~({"t":"x"})~";
    QTest::newRow("not a stylesheet") << QByteArray("<html/>") << R"~({"t":"x"})~";
    QTest::newRow("stylesheet does not compile")
        << sheet(R"~(<xsl:template match="/"><xsl:value-of select="(("/></xsl:template>)~")
        << R"~({"t":"x"})~";
    QTest::newRow("transform terminates")
        << sheet(
               R"~(<xsl:template match="/"><xsl:message terminate="yes">stop</xsl:message></xsl:template>)~")
        << R"~({"t":"x"})~";
    QTest::newRow("unknown extension function")
        << QByteArray(R"~(<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform")~"
                      R"~( xmlns:str="http://exslt.org/strings"><xsl:template match="/">)~"
                      R"~(<xsl:value-of select="str:tokenize('a b')"/></xsl:template></xsl:stylesheet>)~")
        << R"~({"t":"x"})~";
    QTest::newRow("endless recursion")
        << sheet(R"~(<xsl:template match="/" name="loop"><xsl:call-template name="loop"/></xsl:template>)~")
        << R"~({"t":"x"})~";
}

void TestSmartRendering::faultsGiveEmptyHTML() {
    QFETCH(QByteArray, xslt);
    QFETCH(QString, json);
    QCOMPARE(render(xslt, json), QString());
}

void TestSmartRendering::stylesheetCannotReadFiles_data() {
    // A file the stylesheet must not see, next to the test.
    QTest::addColumn<QByteArray>("xslt");
    QTest::newRow("document()") << sheet(
        R"~(<xsl:template match="/"><p>[<xsl:copy-of select="document('file:///etc/passwd')"/>]</p></xsl:template>)~");
    QTest::newRow("document() of a relative path") << sheet(
        R"~(<xsl:template match="/"><p>[<xsl:copy-of select="document('/etc/passwd')"/>]</p></xsl:template>)~");
    QTest::newRow("external entity") << QByteArray(
        R"~(<?xml version="1.0"?><!DOCTYPE x [<!ENTITY secret SYSTEM "file:///etc/passwd">]>)~"
        R"~(<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">)~"
        R"~(<xsl:template match="/"><p>[&secret;]</p></xsl:template></xsl:stylesheet>)~");
    QTest::newRow("include") << sheet(R"~(<xsl:include href="file:///etc/passwd"/>)~"
                                      R"~(<xsl:template match="/"><p>[]</p></xsl:template>)~");
    QTest::newRow("import") << QByteArray(
        R"~(<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">)~"
        R"~(<xsl:import href="/etc/passwd"/><xsl:template match="/"><p>[]</p>)~"
        R"~(</xsl:template></xsl:stylesheet>)~");
    QTest::newRow("network") << sheet(
        R"~(<xsl:template match="/"><p>[<xsl:copy-of select="document('http://127.0.0.1:1/x')"/>]</p></xsl:template>)~");
    QTest::newRow("writing a file") << QByteArray(
        R"~(<xsl:stylesheet version="1.1" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">)~"
        R"~(<xsl:template match="/"><xsl:document href="/tmp/pelnix-xslt-written"><x/></xsl:document><p>[]</p>)~"
        R"~(</xsl:template></xsl:stylesheet>)~");
}

void TestSmartRendering::stylesheetCannotReadFiles() {
    QFETCH(QByteArray, xslt);
    QFile::remove("/tmp/pelnix-xslt-written");
    const QString html = render(xslt, R"~({"t":"x"})~");
    QVERIFY2(!html.contains("root:"), qPrintable(html));
    QVERIFY2(html.isEmpty() || html.contains("<p>[]</p>"), qPrintable(html));
    QVERIFY(!QFile::exists("/tmp/pelnix-xslt-written"));
}

void TestSmartRendering::messageRenderingIsCachedAndFollowsChanges() {
    TestSandbox sandbox;
    PelnixDataModel::registerDeclaration();
    PLManagedObject::initializeDatabase();
    auto sheetRow = StyleSheetXSLT::PS_createEntity();
    sheetRow->setName("echo");
    sheetRow->setCategory("form");
    sheetRow->setData(QString::fromUtf8(sheet(
        R"~(<xsl:template match="/msg"><p><xsl:value-of select="t"/>@<xsl:value-of select="roomheaders/roomId"/></p></xsl:template>)~")));
    auto room = ChatRoom::PS_createEntity();
    room->setRoomId("r9");
    auto message = Message::PS_createEntity();
    message->setType(1);
    message->setXsltName("echo");
    message->setText(R"~({"t":"one"})~");
    room->addMessagesObject(message);
    message->save();

    QCOMPARE(SmartMessageRenderer::htmlString(message).trimmed(), QStringLiteral("<p>one@r9</p>"));
    QCOMPARE(message->htmlText().trimmed(), QStringLiteral("<p>one@r9</p>"));
    // The cached HTML is answered until the text changes and the cache is cleared.
    message->setText(R"~({"t":"two"})~");
    QCOMPARE(SmartMessageRenderer::htmlString(message).trimmed(), QStringLiteral("<p>one@r9</p>"));
    message->setHtmlText({});
    QCOMPARE(SmartMessageRenderer::generateHTMLString(message, false).trimmed(),
             QStringLiteral("<p>two@r9</p>"));
    // A changed stylesheet is compiled again.
    sheetRow->setData(QString::fromUtf8(
        sheet(R"~(<xsl:template match="/msg"><b><xsl:value-of select="t"/></b></xsl:template>)~")));
    message->setHtmlText({});
    QCOMPARE(SmartMessageRenderer::htmlString(message).trimmed(), QStringLiteral("<b>two</b>"));
    // Nothing is cached from a failed rendering.
    message->setText("not json");
    message->setHtmlText({});
    QCOMPARE(SmartMessageRenderer::htmlString(message), QString());
    QCOMPARE(message->htmlText(), QString());
    PLPersistence::cleanUp();
}

QTEST_GUILESS_MAIN(TestSmartRendering)
#include "tst_smart_rendering.moc"
