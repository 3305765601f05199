#include "TestSandbox.h"
#include "core/model/PelnixDataModel.h"
#include "foundation/JsonHelpers.h"
#include "smart/PLSmartMessageInfo.h"
#include "smart/SmartFormManager.h"
#include "smart/SmartModel.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace pelnix;
using namespace pelnix::test;

// The form constructors over the bundle templates, and the smart-message row model.
class TestSmartForms : public QObject {
    Q_OBJECT
private slots:
    void constructorsMergeIntoTheTemplate_data();
    void constructorsMergeIntoTheTemplate();
    void missingTemplateGivesNull();
    void rowModelSnapshotsTheMessage();
};

namespace {
QVariantMap parsed(const QString& text) {
    return QJsonDocument::fromJson(text.toUtf8()).object().toVariantMap();
}
} // namespace

void TestSmartForms::constructorsMergeIntoTheTemplate_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QVariantMap>("values");
    QTest::addColumn<QString>("xslt");
    QTest::addColumn<QString>("keptKey"); // a template key the values do not set
    QTest::newRow("image") << 0
                           << QVariantMap{{"fileId", "f1"},
                                          {"fileMime", "image/png"},
                                          {"caption", "Zoë & <me>"}}
                           << "image"
                           << "width";
    QTest::newRow("video goes to the file form")
        << 0 << QVariantMap{{"fileId", "v1"}, {"fileMime", "video/webm"}, {"fileUrl", "https://f.test/v"}}
        << "file"
        << "fileSize";
    QTest::newRow("no MIME type is a picture") << 0 << QVariantMap{{"fileId", "x"}} << "image"
                                               << "preview";
    QTest::newRow("contact") << 1
                             << QVariantMap{{"name", "Ann"},
                                            {"phone",
                                             QVariantList{QVariantMap{{"label", "work"}, {"phone", "+1"}}}}}
                             << "contact"
                             << "email";
    QTest::newRow("check-in") << 2 << QVariantMap{{"lat", "1.500"}, {"lng", "2.250"}, {"locname", "Café"}}
                              << "location"
                              << "accuracy";
}

void TestSmartForms::constructorsMergeIntoTheTemplate() {
    QFETCH(int, kind);
    QFETCH(QVariantMap, values);
    QFETCH(QString, xslt);
    QFETCH(QString, keptKey);
    const QString text = kind == 0   ? SmartFormManager::constructshareMediaWithMediaDict(values)
                         : kind == 1 ? SmartFormManager::constructShareContactJsonFromDictionary(values)
                                     : SmartFormManager::constructCheckInRequestWithLocationDict(values);
    QVERIFY(!text.isNull());
    QVERIFY2(text.contains("\n    "), "pretty-printed");
    const QVariantMap form = parsed(text);
    QCOMPARE(form.value("xslt").toString(), xslt);
    QCOMPARE(form.value("content").toMap().keys(), QStringList{"media"});
    const QVariantList media = form.value("content").toMap().value("media").toList();
    QCOMPARE(media.size(), 1);
    const QVariantMap entry = media.first().toMap();
    for (auto it = values.begin(); it != values.end(); ++it)
        QCOMPARE(entry.value(it.key()), it.value());
    QVERIFY2(entry.contains(keptKey), qPrintable(text));
}

void TestSmartForms::missingTemplateGivesNull() {
    QVERIFY(SmartFormManager::formJSONFromTemplate("No_Such_Form", {{"a", 1}}).isNull());
}

void TestSmartForms::rowModelSnapshotsTheMessage() {
    TestSandbox sandbox;
    PelnixDataModel::registerDeclaration();
    PLManagedObject::initializeDatabase();
    auto account = CurrentUserInfo::PS_createEntity();
    auto me = User::PS_createEntity();
    me->setUserID(7);
    account->setUser(me);
    auto other = User::PS_createEntity();
    other->setUserID(8);
    auto message = Message::PS_createEntity();
    message->setState(0);

    PLSmartMessageInfo info(other, me, "9:05 AM", "<p>x</p>", 120.7, "1", "reply", message);
    QCOMPARE(info.type(), 1);
    QCOMPARE(info.state(), 0);
    QVERIFY(info.isStale());
    QCOMPARE(info.displayCellHeight(), 120);
    QCOMPARE(info.chatWindowTimeString(), "9:05 AM");
    QVERIFY(!info.senderIsMe());
    QVERIFY(info.lastUpdatedUserIsMe());
    QVERIFY(info.latestActionIsReply());
    QVERIFY(!info.latestActionIsInit() && !info.latestActionIsComment() && !info.latestActionIsExpired());
    QCOMPARE(info.smartMessage(), message);
    info.setHtmlString("<p>y</p>");
    info.setDisplayCellHeight(33);
    QCOMPARE(info.htmlString(), "<p>y</p>");
    QCOMPARE(info.displayCellHeight(), 33);
    // The row does not keep its message alive.
    message.reset();
    PLPersistence::cleanUp();
    QVERIFY(!info.smartMessage());

    const auto dummy = PLSmartMessageInfo::dummyInstanceWithDisplayHeight(1e9);
    QCOMPARE(dummy->type(), 1);
    QCOMPARE(dummy->state(), 1);
    QCOMPARE(dummy->displayCellHeight(), 32767);
    QVERIFY(dummy->isStale());
    QVERIFY(!dummy->senderIsMe() && !dummy->smartMessage() && dummy->htmlString().isEmpty());
    QCOMPARE(PLSmartMessageInfo::dummyInstanceWithDisplayHeight(-5)->displayCellHeight(), 0);
}

QTEST_GUILESS_MAIN(TestSmartForms)
#include "tst_smart_forms.moc"
