#include "CoreFixture.h"
#include "core/api/PLAppConfigurations.h"
#include "smart/MessageLinkProcessing.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace pelnix;
using namespace pelnix::test;

class TestSmartLinks : public QObject {
    Q_OBJECT
private slots:
    void classification_data();
    void classification();
    void usesTheConfiguredBaseURLAndAnswersAtOnce();
};

namespace {

const QString kBase = QStringLiteral("https://app.test/sm/");

QString base64Json(const QVariantMap& object) {
    return QString::fromLatin1(
        QJsonDocument(QJsonObject::fromVariantMap(object)).toJson(QJsonDocument::Compact).toBase64());
}

QVariantMap payload(const QString& smartType, const QVariantMap& action = {{"fileUrl", "https://f.test/1"}}) {
    return {{"SmartType", smartType},
            {"ParamInfoDict", QVariantMap{{"displayname", "Poll"}}},
            {"ActionInfoDict", action}};
}

QString smartLink(const QString& method, const QVariantMap& object) {
    return kBase + method + "/" + base64Json(object);
}

} // namespace

void TestSmartLinks::classification_data() {
    QTest::addColumn<QString>("url");
    QTest::addColumn<int>("type");
    QTest::addColumn<QVariantMap>("info");

    const QVariantMap poll = payload("poll");
    QTest::newRow("sms with body") << "sms:+15551234?body=Hello%20there&x=1" << 1
                                   << QVariantMap{
                                          {"recipient", "+15551234"}, {"body", "Hello there"}, {"x", "1"}};
    QTest::newRow("sms with ; and no pairs") << "sms:+1,+2;" << 1 << QVariantMap{{"recipient", "+1,+2"}};
    QTest::newRow("sms wins over mailto in the same text")
        << "mailto:a@b.test?body=sms:1" << 1 << QVariantMap{{"recipient", "1"}};
    QTest::newRow("mailto") << "mailto:ann%40acme.test?cc=bo@acme.test&subject=Hi%20%26%20bye&body=Line%0A2"
                            << 2
                            << QVariantMap{{"recipient", "ann@acme.test"},
                                           {"cc", "bo@acme.test"},
                                           {"subject", "Hi & bye"},
                                           {"body", "Line\n2"}};
    QTest::newRow("tel") << "tel:+15551234" << 3 << QVariantMap{{"externalLinkDict", "tel:+15551234"}};
    QTest::newRow("tel inside a base-URL link stays tel")
        << kBase + "tel:1" << 3 << QVariantMap{{"externalLinkDict", kBase + "tel:1"}};
    QTest::newRow("map over https") << "https://www.openstreetmap.org/?mlat=1&mlon=2" << 4 << QVariantMap();
    QTest::newRow("map over http") << "http://www.openstreetmap.org/x" << 4 << QVariantMap();
    QTest::newRow("map host only later in the text is not a map")
        << "https://evil.test/www.openstreetmap.org" << 12
        << QVariantMap{{"externalLinkDict", "https://evil.test/www.openstreetmap.org"}};
    QTest::newRow("internal link") << "http://pelnix:data=" + base64Json({{"room", "r1"}}) << 13
                                   << QVariantMap{{"internalLinkDict", QVariantMap{{"room", "r1"}}}};
    QTest::newRow("internal link over https, percent-encoded")
        << "https://pelnix:data=" + QString::fromLatin1(QUrl::toPercentEncoding(base64Json({{"a", 1}}))) << 13
        << QVariantMap{{"internalLinkDict", QVariantMap{{"a", 1}}}};
    QTest::newRow("internal link that does not decode")
        << "http://pelnix:data=%%%" << 12 << QVariantMap{{"externalLinkDict", "http://pelnix:data=%%%"}};
    QTest::newRow("compose") << smartLink("compose", poll) << 5 << poll;
    QTest::newRow("compose with suffix") << smartLink("composeReply", poll) << 5 << poll;
    QTest::newRow("download") << smartLink("download", poll) << 6 << poll;
    QTest::newRow("download of a location")
        << smartLink("download", payload("location")) << 10 << payload("location");
    QTest::newRow("download of a contact")
        << smartLink("download", payload("contact")) << 14 << payload("contact");
    QTest::newRow("comments") << smartLink("comments", poll) << 8 << poll;
    QTest::newRow("details") << smartLink("details", poll) << 7 << poll;
    const QVariantMap located = payload("checkin", {{"where", "@latlong"}});
    QTest::newRow("payload with @latlong") << smartLink("respond", located) << 10 << located;
    QTest::newRow("compose wins over @latlong") << smartLink("compose", located) << 5 << located;
    QTest::newRow("immediate response: none built") << smartLink("vote", poll) << 11 << QVariantMap();
    QTest::newRow("missing dictionaries read as empty")
        << smartLink("details", {{"SmartType", "poll"}}) << 7
        << QVariantMap{
               {"SmartType", "poll"}, {"ParamInfoDict", QVariantMap()}, {"ActionInfoDict", QVariantMap()}};
    QTest::newRow("payload not Base64") << kBase + "compose/@@notbase64@@" << 12
                                        << QVariantMap{{"externalLinkDict", kBase + "compose/@@notbase64@@"}};
    QTest::newRow("payload Base64 but not JSON")
        << kBase + "compose/" + QString::fromLatin1(QByteArray("plain words").toBase64()) << 12
        << QVariantMap{{"externalLinkDict",
                        kBase + "compose/" + QString::fromLatin1(QByteArray("plain words").toBase64())}};
    QTest::newRow("no payload at all")
        << kBase + "compose" << 12 << QVariantMap{{"externalLinkDict", kBase + "compose"}};
    QTest::newRow("equal to the base URL") << kBase << 0 << QVariantMap();
    QTest::newRow("base URL plus two characters is not a smart link")
        << kBase + "ab" << 12 << QVariantMap{{"externalLinkDict", kBase + "ab"}};
    QTest::newRow("any other link") << "https://example.test/page" << 12
                                    << QVariantMap{{"externalLinkDict", "https://example.test/page"}};
    QTest::newRow("empty text") << QString() << 12 << QVariantMap{{"externalLinkDict", QString()}};
}

void TestSmartLinks::classification() {
    QFETCH(QString, url);
    QFETCH(int, type);
    QFETCH(QVariantMap, info);
    const auto [actualType, actualInfo] = MessageLinkProcessing::classifyLink(url, kBase);
    QCOMPARE(actualType, type);
    QCOMPARE(QJsonDocument(QJsonObject::fromVariantMap(actualInfo)).toJson(),
             QJsonDocument(QJsonObject::fromVariantMap(info)).toJson());
}

void TestSmartLinks::usesTheConfiguredBaseURLAndAnswersAtOnce() {
    CoreFixture fixture;
    const QString base = PLAppConfigurations::currentConfiguration()->baseURL();
    QVERIFY(!base.isEmpty());
    QList<int> types;
    auto record = [&](int type, const QVariantMap&) { types.append(type); };
    MessageLinkProcessing::processLinkURLString(nullptr, base, record);
    MessageLinkProcessing::processLinkURLString(nullptr, base + "details/" + base64Json(payload("poll")),
                                                record);
    QCOMPARE(types, (QList<int>{0, 7}));
}

QTEST_GUILESS_MAIN(TestSmartLinks)
#include "tst_smart_links.moc"
