// One Message JSON into one row: dates, text changes, smart-message fields, ownership and the
// side effects of reading a message.
#include "RoomModelTestKit.h"
#include "core/model/FormJSON.h"

#include <QCoreApplication>

using namespace pelnix;
using namespace pelnix::test;

class TestMessageImport : public QObject {
    Q_OBJECT
private slots:
    void init() {
        world = std::make_unique<RoomModelWorld>();
        room = world->room("r1");
        world->user(8, "Bob");
        message = Message::PS_createEntity();
        room->addMessagesObject(message);
    }
    void cleanup() {
        message.reset();
        room.reset();
        world.reset();
    }

    void typeTable_data();
    void typeTable();
    void equalDateWithComparisonChangesOnlyTheId();
    void textChangesCountAsUpdates();
    void smartMessageFields_data();
    void smartMessageFields();
    void ownMessagesAreStoredRead_data();
    void ownMessagesAreStoredRead();
    void newNamePlaceholder();
    void senderFromReplacementTarget();
    void readingClearsUpdatesAndTakesThemFromTheRoomCount();
    void postWaitingInTheOutboxKeepsItsDate_data();
    void postWaitingInTheOutboxKeepsItsDate();
    void expiryOnlyForSmartMessages();
    void assetsByRemoteURL();
    void chatWindowTexts();

private:
    bool import(const QVariantMap& dict, bool updateSender = false, bool compareDate = true) {
        return message->updateWithDictionary(dict, ModelJSON::textJSON(dict.value("text").toString()),
                                             updateSender, compareDate);
    }

    std::unique_ptr<RoomModelWorld> world;
    std::shared_ptr<ChatRoom> room;
    std::shared_ptr<Message> message;
};

void TestMessageImport::typeTable_data() {
    QTest::addColumn<QString>("typeString");
    QTest::addColumn<int>("type");
    QTest::newRow("smartmessage") << "smartmessage" << 1;
    QTest::newRow("message") << "message" << 2;
    QTest::newRow("joined") << "joined" << 3;
    QTest::newRow("left") << "left" << 4;
    QTest::newRow("roomNameUpdate") << "roomNameUpdate" << 5;
    QTest::newRow("roomImgUpdate") << "roomImgUpdate" << 5;
    QTest::newRow("kicked") << "kicked" << 6;
    QTest::newRow("display") << "display" << 7;
    QTest::newRow("adminchanged keeps the type") << "adminchanged" << 9;
    QTest::newRow("roomDeleted keeps the type") << "roomDeleted" << 9;
}

void TestMessageImport::typeTable() {
    QFETCH(QString, typeString);
    QFETCH(int, type);
    message->setType(9);
    message->setTypeString(typeString);
    QCOMPARE(int(message->type()), type);
}

void TestMessageImport::equalDateWithComparisonChangesOnlyTheId() {
    QVERIFY(import(json(R"({"_id":"m1","type":"message","date":100,"text":"a","sender":"8"})")));
    QVERIFY(!import(json(R"({"_id":"m2","type":"kicked","date":100,"text":"b","sender":"8"})")));
    QCOMPARE(message->messageId(), QString("m2"));
    QCOMPARE(message->text(), QString("a"));
    QCOMPARE(message->type(), 2);
    QCOMPARE(message->actualDate(), 100);
}

void TestMessageImport::textChangesCountAsUpdates() {
    QVERIFY(import(json(R"({"_id":"m1","type":"message","date":100,"text":"a","sender":"8"})")));
    QCOMPARE(message->updateCount(), 1);
    QCOMPARE(message->latestAction(), QString("init"));
    QCOMPARE(message->senderUser()->profileName(), QString("Bob"));
    message->setState(1);
    message->setLatestAction("reply");
    // Same text, later date: nothing to announce as new, state kept.
    import(json(R"({"_id":"m1","type":"message","date":200,"text":"a","sender":"8"})"));
    QCOMPARE(message->updateCount(), 0);
    QCOMPARE(message->state(), 1);
    QCOMPARE(message->latestAction(), QString("reply"));
    QCOMPARE(message->date(), 200);
    // Changed text: unread again, one more update.
    import(json(R"({"_id":"m1","type":"message","date":300,"text":"b","sender":"8"})"));
    QCOMPARE(message->state(), 0);
    QCOMPARE(message->updateCount(), 1);
    QCOMPARE(User::PS_countOfEntitiesWithPredicate(platform::PredicateKey("userID") == 8), 1);
    // An update without "_id" keeps the ID the row is found by.
    import(json(R"({"type":"message","date":400,"text":"c","sender":"8"})"));
    QCOMPARE(message->messageId(), QString("m1"));
    QCOMPARE(message->text(), QString("c"));
}

void TestMessageImport::smartMessageFields_data() {
    QTest::addColumn<QByteArray>("textJSON");
    QTest::addColumn<QString>("xslt");
    QTest::addColumn<int>("replies");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("displayName");
    QTest::newRow("xslt given") << QByteArray(R"({"formid":"f1","xslt":"poll","type":"survey"})") << "poll"
                                << 0 << "init"
                                << "";
    QTest::newRow("no xslt: the type")
        << QByteArray(R"({"formid":"f1","type":"survey"})") << "survey" << 0 << "init"
        << "Survey";
    QTest::newRow("replies") << QByteArray(R"({"formid":"f1","xslt":"poll","summary":{"numreq":3}})")
                             << "poll" << 3 << "reply"
                             << "";
    QTest::newRow("responses when no requests")
        << QByteArray(R"({"formid":"f1","xslt":"poll","summary":{"numreq":0,"numresp":2}})") << "poll" << 2
        << "reply"
        << "";
    QTest::newRow("named action")
        << QByteArray(R"({"formid":"f1","xslt":"poll","latestAction":"comment","displayname":"Lunch"})")
        << "poll" << 0 << "comment"
        << "Lunch";
}

void TestMessageImport::smartMessageFields() {
    QFETCH(QByteArray, textJSON);
    QFETCH(QString, xslt);
    QFETCH(int, replies);
    QFETCH(QString, action);
    QFETCH(QString, displayName);
    auto form = FormJSON::PS_createEntity();
    form->setName("survey");
    form->setCategory("form");
    form->setData(R"({"displayname":"Survey"})");
    form->save();
    int rendered = 0;
    RoomModelServices::shared().renderSmartMessage = [&](const std::shared_ptr<Message>& m) {
        QCOMPARE(m, message);
        ++rendered;
    };
    message->setHtmlText("<old/>");
    QVariantMap dict{
        {"_id", "m1"}, {"type", "smartmessage"}, {"date", 10}, {"text", QString::fromUtf8(textJSON)}};
    import(dict);
    QCOMPARE(message->xsltName(), xslt);
    QCOMPARE(message->formId(), QString("f1"));
    QCOMPARE(int(message->replyCount()), replies);
    QCOMPARE(message->latestAction(), action);
    QCOMPARE(message->displayName(), displayName);
    QCOMPARE(message->htmlText(), QString());
    QCOMPARE(rendered, 1);
    QCOMPARE(message->displayText(), displayName);
}

void TestMessageImport::ownMessagesAreStoredRead_data() {
    QTest::addColumn<QByteArray>("dict");
    QTest::addColumn<int>("state");
    QTest::addColumn<bool>("announced");
    QTest::newRow("own, no replies")
        << QByteArray(R"({"_id":"m","type":"message","date":1,"text":"a","sender":"7"})") << 1 << false;
    QTest::newRow("someone else's") << QByteArray(
                                           R"({"_id":"m","type":"message","date":1,"text":"a","sender":"8"})")
                                    << 0 << true;
    QTest::newRow("own smart message with replies")
        << QByteArray(
               R"({"_id":"m","type":"smartmessage","date":1,"sender":"7","text":"{\"formid\":\"f\",\"summary\":{\"numreq\":2}}"})")
        << 0 << false;
    QTest::newRow("last actor is me")
        << QByteArray(
               R"({"_id":"m","type":"smartmessage","date":1,"sender":"8","text":"{\"formid\":\"f\",\"currentsender\":7,\"summary\":{\"numreq\":2}}"})")
        << 1 << false;
    QTest::newRow("my comment is announced")
        << QByteArray(
               R"({"_id":"m","type":"smartmessage","date":1,"sender":"7","text":"{\"formid\":\"f\",\"latestAction\":\"comment\"}"})")
        << 1 << true;
}

void TestMessageImport::ownMessagesAreStoredRead() {
    QFETCH(QByteArray, dict);
    QFETCH(int, state);
    QFETCH(bool, announced);
    QCOMPARE(import(QJsonDocument::fromJson(dict).object().toVariantMap()), announced);
    QCOMPARE(int(message->state()), state);
}

void TestMessageImport::newNamePlaceholder() {
    room->setName("Ops");
    import(json(R"j({"_id":"m","type":"roomNameUpdate","date":1,"text":"Now $newName ($newName)"})j"));
    QCOMPARE(message->text(), QString("Now Ops (Ops)"));
}

void TestMessageImport::senderFromReplacementTarget() {
    auto dict =
        json(R"({"_id":"m","type":"roomNameUpdate","date":1,"text":"x","replacements":{"target":"8"}})");
    import(dict, false);
    QCOMPARE(message->senderUser()->userID(), 0);
    message->setDate(0);
    import(dict, true);
    QCOMPARE(message->senderUser()->userID(), 8);
}

void TestMessageImport::readingClearsUpdatesAndTakesThemFromTheRoomCount() {
    room->setTempUnreadMessageCount(5);
    message->setUpdateCount(3);
    message->setState(0);
    QCOMPARE(message->updateCount(), 3);
    QCOMPARE(room->tempUnreadMessageCount(), 8);
    message->setState(1);
    QCOMPARE(message->updateCount(), 0);
    QCOMPARE(room->tempUnreadMessageCount(), 5);
}

void TestMessageImport::postWaitingInTheOutboxKeepsItsDate_data() {
    QTest::addColumn<bool>("saved");
    QTest::addColumn<int>("entryState"); // 0: no entry
    QTest::addColumn<qint64>("serverDate");
    QTest::addColumn<qint64>("date");
    for (bool saved : {false, true}) {
        const char* how = saved ? "saved" : "not saved yet";
        QTest::addRow("%s, waiting, earlier answer", how) << saved << 1 << qint64(50) << qint64(100);
        QTest::addRow("%s, waiting, later answer", how) << saved << 1 << qint64(150) << qint64(150);
        QTest::addRow("%s, completed entry", how) << saved << 3 << qint64(50) << qint64(50);
        QTest::addRow("%s, no entry", how) << saved << 0 << qint64(50) << qint64(50);
    }
}

void TestMessageImport::postWaitingInTheOutboxKeepsItsDate() {
    QFETCH(bool, saved);
    QFETCH(int, entryState);
    QFETCH(qint64, serverDate);
    QFETCH(qint64, date);
    message->setDate(100);
    if (entryState != 0) {
        auto entry = PendingMessageInfo::PS_createEntity();
        entry->setState(qint16(entryState));
        entry->setMessage(message);
    }
    if (saved)
        room->save();
    import(QVariantMap{{"_id", "m"},
                       {"type", "message"},
                       {"date", double(serverDate)},
                       { "text",
                         "t" }},
           false, false);
    QCOMPARE(message->date(), date);
    QCOMPARE(message->actualDate(), serverDate);
}

void TestMessageImport::expiryOnlyForSmartMessages() {
    QStringList posted;
    RoomModelServices::shared().postPrivateMessage = [&](const std::shared_ptr<ChatRoom>& r,
                                                         const QString& text, bool smart, PLResultHandler) {
        posted << r->roomId() + " " + text + (smart ? " smart" : " plain");
        return true;
    };
    message->setType(2);
    QVERIFY(!message->expireNowWithCompletionHandler({}));
    QVERIFY(posted.isEmpty());
    message->setType(1);
    message->setFormId("f\"1");
    QVERIFY(message->expireNowWithCompletionHandler({}));
    QCOMPARE(posted, QStringList{R"(r1 {"formid":"f\"1","type":"expiry"} plain)"});
}

void TestMessageImport::assetsByRemoteURL() {
    auto alone = Asset::addAssetWithRemoteURL("https://files.test/a", "/tmp/a", nullptr);
    QVERIFY(!alone->hasChanges());
    auto again = Asset::addAssetWithRemoteURL("https://files.test/a", "/tmp/b", message);
    QCOMPARE(again, alone);
    QCOMPARE(Asset::PS_countOfEntities(), 1);
    QCOMPARE(alone->localURL(), QString("/tmp/b"));
    QCOMPARE(message->assets().size(), 1);
    QCOMPARE(Asset::assetWithRemoteURL("https://files.test/a"), alone);
}

void TestMessageImport::chatWindowTexts() {
    QDateTime local(QDate(2026, 3, 4), QTime(15, 7));
    message->setDate(local.toMSecsSinceEpoch() + 999);
    QCOMPARE(message->chatWindowTimeString(), QString("3:07 PM"));
    message->setText("plain");
    QCOMPARE(message->displayText(), QString("plain"));
    QVERIFY(!message->isStale());
}

int main(int argc, char** argv) {
    prepareTestEnvironment();
    QCoreApplication app(argc, argv);
    TestMessageImport test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_message_import.moc"
