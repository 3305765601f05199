// Fetches that name the properties they read: only those columns are read, the rows come as partial
// objects, and a partial object reads, writes, merges, refreshes, filters and sorts as a whole one.
#include "SqliteExec.h"
#include "TestModel.h"
#include "TestSandbox.h"
#include "platform/SerialQueue.h"
#include "platform/store/ObjectContext.h"
#include "platform/store/ObjectStore.h"

#include <QTest>
#include <sqlite3.h>

using namespace pelnix;
using namespace pelnix::test;
using platform::FetchRequest;
using platform::ObjectPtr;
using platform::Predicate;
using platform::SortDescriptor;
using K = platform::PredicateKey;

Q_DECLARE_METATYPE(pelnix::platform::Predicate)

namespace {

const QStringList kMessageAttributes{"messageId", "text", "date", "state", "updateCount", "payload"};

// Runs statements on the default store's file, as another process would.
void sqliteExec(const QString& sql) {
    test::sqliteExec(PLPersistence::PS_defaultStore()->path(), sql);
}

QList<ObjectPtr> fetch(const ContextPtr& context, const QStringList& properties, const Predicate& p = {},
                       const QList<SortDescriptor>& sorts = {}) {
    FetchRequest request;
    request.entityName = QStringLiteral("Message");
    request.predicate = p;
    request.sortDescriptors = sorts;
    request.propertiesToFetch = properties;
    return context->executeFetchRequest(request).value_or(QList<ObjectPtr>());
}

ObjectPtr fetchOne(const ContextPtr& context, const QStringList& properties, const QString& messageId) {
    return fetch(context, properties, K("messageId") == messageId).value(0);
}

// Two rooms of three messages each, every attribute set to something other than its default.
void seed() {
    for (const QString& roomId : {QStringLiteral("A"), QStringLiteral("B")}) {
        auto room = makeRoom(roomId, roomId == "A" ? 1 : 2);
        for (int i = 0; i < 3; ++i) {
            auto m = Message::PS_createEntity();
            const int n = roomId == "A" ? i : 10 + i;
            m->setValue("messageId", QStringLiteral("%1%2").arg(roomId).arg(i));
            m->setValue("text", QStringLiteral("text %1").arg(char('z' - n)));
            m->setValue("date", 1000 + n);
            m->setValue("state", 1 + n % 2);
            m->setValue("updateCount", 7 + n);
            m->setValue("payload", QByteArray("bytes") + QByteArray::number(n));
            m->setObject("room", room);
        }
    }
    PLPersistence::PS_defaultContext()->save();
    PLPersistence::PS_defaultContext()->reset();
}

} // namespace

class TestPartialObjects : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { registerTestModel(); }
    void init() {
        sandbox = std::make_unique<TestSandbox>();
        PLManagedObject::initializeDatabase();
        seed();
    }
    void cleanup() {
        PLPersistence::cleanUp();
        sandbox.reset();
    }

    void partialObjectsReadAsWholeOnes_data();
    void partialObjectsReadAsWholeOnes();
    void narrowFetchReadsOnlyItsColumns();
    void registeredAndUnsavedObjectsComeAsTheyAre();
    void unknownPropertyFailsTheFetch();
    void writeToUnloadedSlotIsSavedAndKeepsTheRest_data();
    void writeToUnloadedSlotIsSavedAndKeepsTheRest();
    void mergedSlotIsLoadedAndKeptByTheLaterLoad();
    void refreshLoadsEverySlot();
    void rowGoneBeforeTheRestIsLoaded();
    void predicatesAndSortsInMemory_data();
    void predicatesAndSortsInMemory();

private:
    std::unique_ptr<TestSandbox> sandbox;
};

void TestPartialObjects::partialObjectsReadAsWholeOnes_data() {
    QTest::addColumn<QStringList>("properties");
    QTest::addColumn<bool>("partial");
    QTest::newRow("the key attribute") << QStringList{"messageId"} << true;
    QTest::newRow("text and the room") << QStringList{"text", "room"} << true;
    QTest::newRow("the room only") << QStringList{"room"} << true;
    QTest::newRow("a to-many beside an attribute") << QStringList{"assets", "date"} << true;
    QTest::newRow("all but one") << QStringList{"messageId", "text", "date", "state", "updateCount", "room"}
                                 << true;
    QTest::newRow("every column") << (kMessageAttributes + QStringList{"room"}) << false;
}

void TestPartialObjects::partialObjectsReadAsWholeOnes() {
    QFETCH(QStringList, properties);
    QFETCH(bool, partial);
    auto wholeContext = PLPersistence::PS_context();
    const auto whole = fetch(wholeContext, {}, {}, {{"messageId", true}});
    QCOMPARE(whole.size(), 6);
    for (const auto& w : whole)
        QVERIFY(w->isWhole());
    // Each slot first read on its own object: every slot, loaded or not, is the one read first.
    for (const QString& key : kMessageAttributes + QStringList{"room", "room.roomId", "room.status"}) {
        auto context = PLPersistence::PS_context();
        const auto parts = fetch(context, properties, {}, {{"messageId", true}});
        QCOMPARE(parts.size(), whole.size());
        for (qsizetype i = 0; i < parts.size(); ++i) {
            QCOMPARE(parts[i]->isWhole(), !partial);
            QCOMPARE(parts[i]->valueForKeyPath(key), whole[i]->valueForKeyPath(key));
        }
    }
    // Typed reads, the foreign key and the related object.
    auto context = PLPersistence::PS_context();
    const auto parts = fetch(context, properties, {}, {{"messageId", true}});
    for (qsizetype i = 0; i < parts.size(); ++i) {
        QCOMPARE(parts[i]->foreignKey("room"), whole[i]->foreignKey("room"));
        QCOMPARE(parts[i]->object("room")->primaryKey(), whole[i]->object("room")->primaryKey());
        for (const QString& key : kMessageAttributes)
            QCOMPARE(parts[i]->value(key), whole[i]->value(key));
        QVERIFY(parts[i]->isWhole());
        QVERIFY(!parts[i]->hasChanges());
    }
}

void TestPartialObjects::narrowFetchReadsOnlyItsColumns() {
    auto m = fetchOne(PLPersistence::PS_defaultContext(), {"messageId", "date"}, "A1");
    QVERIFY(m && !m->isWhole());
    // Stored values change between the fetch and the first read of the rest.
    sqliteExec("UPDATE Message SET date = 5, text = 'changed', state = 9 WHERE messageId = 'A1'");
    QCOMPARE(m->value("date").toLongLong(), 1001LL); // read by the fetch
    QVERIFY(!m->isWhole());
    QCOMPARE(m->value("text").toString(), QStringLiteral("changed")); // read now
    QVERIFY(m->isWhole());
    QCOMPARE(m->value("state").toInt(), 9);
    QCOMPARE(m->value("date").toLongLong(), 1001LL); // a loaded slot is not read again
    QVERIFY(!m->hasChanges());
}

void TestPartialObjects::registeredAndUnsavedObjectsComeAsTheyAre() {
    auto context = PLPersistence::PS_defaultContext();
    auto whole = fetchOne(context, {}, "A0");
    QVERIFY(whole && whole->isWhole());
    QCOMPARE(fetchOne(context, {"messageId"}, "A0"), whole);
    QVERIFY(whole->isWhole());
    // Unsaved: an insert and a change, both placed from memory.
    auto inserted = Message::PS_createEntity(context);
    inserted->setValue("messageId", "N");
    inserted->setValue("text", "new");
    whole->setValue("text", "edited");
    const auto found = fetch(context, {"messageId"}, K("text") == "new" || K("text") == "edited");
    QCOMPARE(found.size(), 2);
    for (const auto& o : found)
        QVERIFY(o == inserted || o == whole);
    QVERIFY(inserted->isWhole());
    // A partial object stays the same instance when fetched whole later, and reads the rest on demand.
    auto partial = fetchOne(context, {"messageId"}, "B0");
    QVERIFY(!partial->isWhole());
    QCOMPARE(fetchOne(context, {}, "B0"), partial);
    QCOMPARE(partial->value("updateCount").toInt(), 17);
}

void TestPartialObjects::unknownPropertyFailsTheFetch() {
    QList<PLError> errors;
    QObject target;
    PLPersistence::setErrorHandlerTarget(&target, [&](QObject*, const PLError& e) { errors << e; });
    FetchRequest request;
    request.entityName = QStringLiteral("Message");
    request.propertiesToFetch = {"text", "nosuch"};
    PLOptionalError error;
    QVERIFY(!PLPersistence::PS_defaultContext()->executeFetchRequest(request, &error));
    QVERIFY(error && error->localizedDescription.contains("nosuch"));
    QCOMPARE(errors.size(), 1);
}

void TestPartialObjects::writeToUnloadedSlotIsSavedAndKeepsTheRest_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<bool>("change");
    QTest::newRow("text") << "text" << QVariant("rewritten") << true;
    QTest::newRow("scalar") << "state" << QVariant(5) << true;
    QTest::newRow("binary") << "payload" << QVariant(QByteArray("new bytes")) << true;
    QTest::newRow("to-one") << "room" << QVariant("B") << true;
    QTest::newRow("stored value again") << "updateCount" << QVariant(8) << false;
    QTest::newRow("stored room again") << "room" << QVariant("A") << false;
}

void TestPartialObjects::writeToUnloadedSlotIsSavedAndKeepsTheRest() {
    QFETCH(QString, key);
    QFETCH(QVariant, value);
    QFETCH(bool, change);
    auto other = PLPersistence::PS_context();
    const auto before = fetchOne(other, {}, "A1");
    QVERIFY(before);
    auto context = PLPersistence::PS_defaultContext();
    auto m = fetchOne(context, {"messageId"}, "A1");
    QVERIFY(!m->isWhole());
    if (key == "room")
        m->setObject("room", Room::PS_findFirstByAttribute("roomId", value, context));
    else
        m->setValue(key, value);
    QCOMPARE(m->hasChanges(), change);
    QCOMPARE(m->changedKeys(), change ? QStringList{key} : QStringList());
    QCOMPARE(context->save(), change);

    auto fresh = PLPersistence::PS_context();
    const auto after = fetchOne(fresh, {}, "A1");
    for (const QString& k : kMessageAttributes)
        QCOMPARE(after->value(k), k == key ? value : before->value(k));
    QCOMPARE(after->valueForKeyPath("room.roomId").toString(), key == "room" ? value.toString() : "A");
}

void TestPartialObjects::mergedSlotIsLoadedAndKeptByTheLaterLoad() {
    auto context = PLPersistence::PS_defaultContext();
    auto m = fetchOne(context, {"messageId"}, "A1");
    platform::SerialQueue queue("worker");
    queue.async([] {
        auto w = Message::PS_findFirstByAttribute("messageId", "A1");
        w->setValue("text", "merged");
        w->save();
    });
    auto done = queue.postMarker();
    QTRY_VERIFY(done->load());
    context->processPendingMerges();
    QVERIFY(!m->isWhole()); // the merge filled its own slot only
    sqliteExec("UPDATE Message SET text = 'raw', date = 77 WHERE messageId = 'A1'");
    QCOMPARE(m->value("text").toString(), QStringLiteral("merged"));
    QCOMPARE(m->value("date").toLongLong(), 77LL); // the load that follows keeps the merged slot
    QCOMPARE(m->value("text").toString(), QStringLiteral("merged"));
    QVERIFY(!m->hasChanges());
}

void TestPartialObjects::refreshLoadsEverySlot() {
    auto context = PLPersistence::PS_defaultContext();
    auto m = fetchOne(context, {"messageId"}, "A1");
    sqliteExec("UPDATE Message SET messageId = 'A1x', text = 'raw', updateCount = 3 WHERE messageId = 'A1'");
    context->refreshObject(m, true);
    QVERIFY(m->isWhole());
    QCOMPARE(m->value("messageId").toString(), QStringLiteral("A1x"));
    QCOMPARE(m->value("text").toString(), QStringLiteral("raw"));
    QCOMPARE(m->value("updateCount").toInt(), 3);
    QVERIFY(!m->hasChanges());
}

void TestPartialObjects::rowGoneBeforeTheRestIsLoaded() {
    QList<PLError> errors;
    QObject target;
    PLPersistence::setErrorHandlerTarget(&target, [&](QObject*, const PLError& e) { errors << e; });
    auto context = PLPersistence::PS_defaultContext();
    auto m = fetchOne(context, {"messageId", "room"}, "A1");
    auto held = fetchOne(context, {"messageId"}, "B1");
    sqliteExec("DELETE FROM Message WHERE messageId = 'A1'");
    QVERIFY(!m->value("text").isValid());
    QVERIFY(errors.size() == 1 && errors.first().localizedDescription.contains("gone"));
    QCOMPARE(m->value("date").toLongLong(), 0LL);
    QCOMPARE(m->value("state").toInt(), 0);
    QCOMPARE(m->value("messageId").toString(), QStringLiteral("A1")); // read by the fetch
    QCOMPARE(m->valueForKeyPath("room.roomId").toString(), QStringLiteral("A"));
    QVERIFY(!m->isInert());
    QCOMPARE(errors.size(), 1); // once, not at every read

    // An inert object stays inert: nothing is read and nothing reported.
    PLPersistence::cleanUp();
    QVERIFY(held->isInert());
    QVERIFY(!held->value("text").isValid());
    QCOMPARE(held->foreignKey("room"), qint64(0));
    QCOMPARE(errors.size(), 1);
}

void TestPartialObjects::predicatesAndSortsInMemory_data() {
    QTest::addColumn<Predicate>("predicate");
    QTest::addColumn<QList<SortDescriptor>>("sorts");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("room and date, by text")
        << (K("room.status") == 5 && K("date") > 1000) << QList<SortDescriptor>{{"text", true}}
        << QStringList{"A2", "A1"};
    QTest::newRow("room or state, by date descending")
        << (K("room.status") == 5 || K("state") == 2) << QList<SortDescriptor>{{"date", false}}
        << QStringList{"B1", "A2", "A1", "A0"};
    QTest::newRow("every room, by room then update count descending")
        << (K("room.status") != 0) << QList<SortDescriptor>{{"room.roomId", true}, {"updateCount", false}}
        << QStringList{"A2", "A1", "A0", "B2", "B1", "B0"};
    QTest::newRow("payload and text")
        << (K("payload") == QByteArray("bytes1") || K("text") == "text n")
        << QList<SortDescriptor>{{"messageId", false}} << QStringList{"B2", "A1"};
}

void TestPartialObjects::predicatesAndSortsInMemory() {
    QFETCH(Predicate, predicate);
    QFETCH(QList<SortDescriptor>, sorts);
    QFETCH(QStringList, expected);
    const auto ids = [](const QList<ObjectPtr>& objects) {
        QStringList out;
        for (const auto& o : objects)
            out << o->value("messageId").toString();
        return out;
    };
    // Evaluated on objects that have read nothing but their key.
    auto wholeContext = PLPersistence::PS_context();
    auto whole = fetch(wholeContext, {}, {}, {{"messageId", true}});
    QCOMPARE(whole.size(), 6);
    auto context = PLPersistence::PS_context();
    auto parts = fetch(context, {"messageId"}, {}, {{"messageId", true}});
    for (qsizetype i = 0; i < parts.size(); ++i)
        QCOMPARE(predicate.evaluate(*parts[i]), predicate.evaluate(*whole[i]));
    parts = fetch(context, {"messageId"}, {}, {{"messageId", true}});
    QCOMPARE(ids(PLEntityQueries::sortedObjects(parts, sorts)),
             ids(PLEntityQueries::sortedObjects(whole, sorts)));

    // Through a fetch: a room changed here places its messages (partial, registered) from memory.
    context = PLPersistence::PS_context();
    parts = fetch(context, {"messageId"});
    QCOMPARE(parts.size(), 6);
    Room::PS_findFirstByAttribute("roomId", "A", context)->setValue("status", 5);
    QCOMPARE(ids(fetch(context, {}, predicate, sorts)), expected);
    QCOMPARE(ids(fetch(context, {"messageId"}, predicate, sorts)), expected);
}

QTEST_GUILESS_MAIN(TestPartialObjects)
#include "tst_partial_objects.moc"
