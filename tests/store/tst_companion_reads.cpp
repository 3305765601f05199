// Fetches that read each row's companion in the same statement (a room with the message its name
// points at): each row gets the first stored match as this context sees it, and none where the
// context's own unsaved changes or deletes make the stored match wrong. Rows are read out of SQLite in
// batches: a long read gives every value as a row-by-row read would, empty texts and nulls apart.
#include "SqliteExec.h"
#include "TestModel.h"
#include "TestSandbox.h"
#include "platform/store/ObjectContext.h"
#include "platform/store/ObjectModel.h"
#include "platform/store/ObjectStore.h"

#include <QTest>

using namespace pelnix;
using namespace pelnix::test;
using platform::FetchRequest;
using platform::ObjectPtr;
using K = platform::PredicateKey;

namespace {

ObjectPtr makeMessage(const QString& messageId, const QString& text, qint64 date) {
    auto m = Message::PS_createEntity();
    m->setValue("messageId", messageId);
    m->setValue("text", text);
    m->setValue("date", date);
    m->setValue("payload", QByteArray("bytes of ") + messageId.toUtf8());
    return m;
}

// Rooms named after the message each one shows, newest activity first.
FetchRequest roomsWithTheirMessages(const QStringList& properties = {"messageId", "text"}) {
    FetchRequest request;
    request.entityName = QStringLiteral("Room");
    request.predicate = K("status") != 9;
    request.sortDescriptors = {{"activityDate", false}};
    request.companion = FetchRequest::Companion{"name", "Message", "messageId", properties};
    return request;
}

// Each row's companion by the row's key, the last one handed where a row comes twice.
using Companions = QHash<qint64, ObjectPtr>;

platform::ObjectContext::CompanionSink into(Companions& companions) {
    return [&companions](platform::ManagedObject& row, ObjectPtr companion) {
        companions.insert(row.primaryKey(), std::move(companion));
    };
}

struct Read {
    QList<ObjectPtr> rows;
    Companions companions;
};

Read read(const ContextPtr& context, const FetchRequest& request = roomsWithTheirMessages()) {
    Read result;
    result.rows = context->executeFetchRequestWithCompanions(request, into(result.companions))
                      .value_or(QList<ObjectPtr>());
    return result;
}

// Each row's companion as values where the context holds no object of it: "id/text", "object:id/text"
// where it holds one, "none" where the row has none, by the row's room ID.
QHash<QString, QString> readValues(const ContextPtr& context) {
    QHash<QString, QString> shown;
    const auto keep = [&shown](platform::ManagedObject& row, const ObjectPtr& held,
                               const platform::ObjectContext::StoredCompanion* stored) {
        QString line = QStringLiteral("none");
        if (held)
            line = QStringLiteral("object:") + held->value("messageId").toString() + QLatin1Char('/') +
                   held->value("text").toString();
        if (stored)
            line = stored->value(0).toString() + QLatin1Char('/') + stored->value(1).toString();
        shown.insert(row.value("roomId").toString(), line);
    };
    if (!context->executeFetchRequestWithCompanionValues(roomsWithTheirMessages(), keep))
        shown.insert(QStringLiteral("failed"), QString());
    return shown;
}

QString companionOf(const Read& read, const QString& roomId) {
    for (const auto& row : read.rows)
        if (row->value("roomId").toString() == roomId) {
            const auto companion = read.companions.value(row->primaryKey());
            return companion ? companion->value("messageId").toString() + QLatin1Char('/') +
                                   companion->value("text").toString()
                             : QStringLiteral("none");
        }
    return QStringLiteral("no row");
}

} // namespace

class TestCompanionReads : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { registerTestModel(); }
    void init();
    void cleanup() {
        PLPersistence::cleanUp();
        sandbox.reset();
    }
    void eachRowGetsItsFirstStoredMatch();
    void whatThisContextHoldsDecides_data();
    void whatThisContextHoldsDecides();
    void unknownNamesFailTheFetch_data();
    void unknownNamesFailTheFetch();
    void aLongReadGivesEveryValueAsStored();

private:
    std::unique_ptr<TestSandbox> sandbox;
};

void TestCompanionReads::init() {
    sandbox = std::make_unique<TestSandbox>();
    PLManagedObject::initializeDatabase();
    makeRoom("A", 0, 40, "m1");
    makeRoom("B", 0, 30, "m2");
    makeRoom("C", 0, 20, "nothing");
    makeRoom("D", 0, 10, "m3");
    makeMessage("m1", "first", 1);
    makeMessage("m2", "the earlier m2", 2);
    makeMessage("m2", "the later m2", 3);
    makeMessage("m3", "third", 4);
    QVERIFY(PLPersistence::PS_defaultContext()->save());
    PLPersistence::PS_defaultContext()->reset();
}

void TestCompanionReads::eachRowGetsItsFirstStoredMatch() {
    const auto context = PLPersistence::PS_context();
    const auto before = context->fetchCount();
    const Read result = read(context);
    QCOMPARE(context->fetchCount(), before + 1);
    QCOMPARE(result.rows.size(), 4);
    QCOMPARE(result.rows.first()->value("roomId").toString(), QStringLiteral("A"));
    QCOMPARE(companionOf(result, "A"), QStringLiteral("m1/first"));
    QCOMPARE(companionOf(result, "B"), QStringLiteral("m2/the earlier m2"));
    QCOMPARE(companionOf(result, "C"), QStringLiteral("none"));
    QCOMPARE(companionOf(result, "D"), QStringLiteral("m3/third"));

    // Companions are the context's objects, read as narrowed: the rest comes when asked for.
    const auto m3 = result.companions.value(result.rows.last()->primaryKey());
    QVERIFY(!m3->isWhole());
    QCOMPARE(m3->value("payload").toByteArray(), QByteArray("bytes of m3"));
    QVERIFY(m3->isWhole());
    const auto again = read(context);
    QCOMPARE(again.companions.value(again.rows.last()->primaryKey()), m3);
    QCOMPARE(again.rows.last(), result.rows.last());
}

void TestCompanionReads::whatThisContextHoldsDecides_data() {
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("expected"); // the companion of room D
    QTest::addColumn<QString>("values");   // the same read as values
    QTest::newRow("nothing changed") << "none"
                                     << "m3/third"
                                     << "m3/third";
    QTest::newRow("the message deleted here") << "delete message"
                                              << "none"
                                              << "none";
    QTest::newRow("the room points elsewhere, unsaved") << "rename room"
                                                        << "none"
                                                        << "none";
    QTest::newRow("the message's key changed, unsaved") << "rename message"
                                                        << "none"
                                                        << "none";
    QTest::newRow("the message's text changed, unsaved") << "edit message"
                                                         << "m3/edited"
                                                         << "object:m3/edited";
    QTest::newRow("the message held whole beforehand") << "hold message"
                                                       << "m3/third"
                                                       << "object:m3/third";
    QTest::newRow("the room held narrowed beforehand") << "hold narrowed room"
                                                       << "m3/third"
                                                       << "m3/third";
}

void TestCompanionReads::whatThisContextHoldsDecides() {
    QFETCH(QString, change);
    QFETCH(QString, expected);
    QFETCH(QString, values);
    const auto context = PLPersistence::PS_context();
    // The message as this context holds it, where the change needs it.
    const ObjectPtr message = change.endsWith(QStringLiteral("message"))
                                  ? ObjectPtr(Message::PS_findFirstByAttribute("messageId", "m3", context))
                                  : ObjectPtr();
    ObjectPtr heldRoom;
    if (change == "delete message")
        context->deleteObject(message);
    if (change == "rename room")
        Room::PS_findFirstByAttribute("roomId", "D", context)->setValue("name", "m1");
    if (change == "rename message")
        message->setValue("messageId", "m4");
    if (change == "edit message")
        message->setValue("text", "edited");
    if (change == "hold narrowed room") {
        FetchRequest narrow;
        narrow.entityName = QStringLiteral("Room");
        narrow.predicate = K("roomId") == QStringLiteral("D");
        narrow.propertiesToFetch = {"roomId"};
        heldRoom = context->executeFetchRequest(narrow).value_or(QList<ObjectPtr>()).value(0);
        QVERIFY(heldRoom && !heldRoom->isWhole());
    }
    // Read as values first: an object read would hold every companion.
    const auto shown = readValues(context);
    QCOMPARE(shown.value("D"), values);
    QCOMPARE(shown.value("B"), QStringLiteral("m2/the earlier m2"));
    QCOMPARE(shown.value("C"), QStringLiteral("none"));
    // Values come without an object of the message.
    const qint64 m3 =
        Message::PS_findFirstByAttribute("messageId", "m3", PLPersistence::PS_context())->primaryKey();
    QCOMPARE(bool(context->heldObject(m3)), bool(message));
    const quint64 messagesVersion = context->rowsVersion(context->store()->model()->entityNamed("Message"));
    const Read result = read(context);
    QCOMPARE(companionOf(result, "D"), expected);
    if (message && expected != "none")
        QCOMPARE(result.companions.value(result.rows.last()->primaryKey()), message);
    if (heldRoom)
        QCOMPARE(result.rows.last(), heldRoom);
    // The other rows are not touched by it.
    QCOMPARE(companionOf(result, "B"), QStringLiteral("m2/the earlier m2"));
    // Stored values stay what the objects show until a save changes a stored message.
    const auto* messages = context->store()->model()->entityNamed("Message");
    QCOMPARE(context->rowsVersion(messages), messagesVersion);
    if (context->hasChanges()) {
        QVERIFY(context->save());
        QCOMPARE(context->rowsVersion(messages) != messagesVersion, change.endsWith("message"));
    }
}

void TestCompanionReads::unknownNamesFailTheFetch_data() {
    QTest::addColumn<QString>("attribute");
    QTest::addColumn<QString>("entity");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QStringList>("properties");
    QTest::newRow("no such attribute") << "title"
                                       << "Message"
                                       << "messageId" << QStringList{"text"};
    QTest::newRow("no such entity") << "name"
                                    << "Note"
                                    << "messageId" << QStringList{"text"};
    QTest::newRow("no such key") << "name"
                                 << "Message"
                                 << "noteId" << QStringList{"text"};
    QTest::newRow("no such property") << "name"
                                      << "Message"
                                      << "messageId" << QStringList{"body"};
}

void TestCompanionReads::unknownNamesFailTheFetch() {
    QFETCH(QString, attribute);
    QFETCH(QString, entity);
    QFETCH(QString, key);
    QFETCH(QStringList, properties);
    FetchRequest request = roomsWithTheirMessages();
    request.companion = FetchRequest::Companion{attribute, entity, key, properties};
    Companions companions;
    PLOptionalError error;
    const auto rows =
        PLPersistence::PS_context()->executeFetchRequestWithCompanions(request, into(companions), &error);
    QVERIFY(!rows);
    QVERIFY(error);
    QVERIFY(companions.isEmpty());
}

void TestCompanionReads::aLongReadGivesEveryValueAsStored() {
    // More rows than one batch read out of SQLite, with empty texts, null texts and empty blobs.
    constexpr int kRooms = 300;
    for (int r = 0; r < kRooms; ++r) {
        makeRoom(QStringLiteral("long%1").arg(r), r % 5, 1000 + r, QStringLiteral("lm%1").arg(r));
        auto m = makeMessage(QStringLiteral("lm%1").arg(r), QStringLiteral("text %1 ✓").arg(r), 100 + r);
        if (r % 4 == 0)
            m->setValue("text", QString(""));
        if (r % 4 == 2)
            m->setValue("text", QVariant());
        if (r % 4 == 3)
            m->setValue("payload", QByteArray());
    }
    QVERIFY(PLPersistence::PS_defaultContext()->save());

    const auto context = PLPersistence::PS_context();
    const Read result = read(context, roomsWithTheirMessages({"messageId", "text", "payload", "date"}));
    // Each row read on its own by its key, in a context of its own.
    const auto oneByOne = PLPersistence::PS_context();
    QCOMPARE(result.rows.size(), kRooms + 4);
    for (const auto& room : result.rows) {
        const QString roomId = room->value("roomId").toString();
        if (!roomId.startsWith(QStringLiteral("long")))
            continue;
        const auto stored = oneByOne->existingObject("Room", room->primaryKey());
        for (const QString& key : QStringList{"roomId", "name", "status", "activityDate", "muted"})
            QCOMPARE(room->value(key), stored->value(key));
        const auto companion = result.companions.value(room->primaryKey());
        QVERIFY2(companion, qPrintable(roomId));
        const auto message = oneByOne->existingObject("Message", companion->primaryKey());
        QCOMPARE(message->value("messageId"), room->value("name"));
        for (const QString& key : QStringList{"messageId", "text", "payload", "date"}) {
            QCOMPARE(companion->value(key), message->value(key));
            QCOMPARE(companion->value(key).isNull(), message->value(key).isNull());
        }
    }
    // Texts alone, in date order: empty ones stay apart from null, also one that comes first in a batch.
    FetchRequest texts;
    texts.entityName = QStringLiteral("Message");
    texts.sortDescriptors = {{"date", true}};
    texts.propertiesToFetch = {"text"};
    const auto textsContext = PLPersistence::PS_context();
    const auto messages = textsContext->executeFetchRequest(texts).value_or(QList<ObjectPtr>());
    QCOMPARE(messages.size(), kRooms + 4);
    int empty = 0;
    for (const auto& message : messages) {
        const QVariant stored = oneByOne->existingObject("Message", message->primaryKey())->value("text");
        QCOMPARE(message->value("text"), stored);
        QCOMPARE(message->value("text").toString().isNull(), stored.toString().isNull());
        empty += !stored.toString().isNull() && stored.toString().isEmpty();
    }
    QCOMPARE(empty, kRooms / 4);
}

QTEST_GUILESS_MAIN(TestCompanionReads)
#include "tst_companion_reads.moc"
