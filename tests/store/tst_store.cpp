#include "SqliteExec.h"
#include "TestModel.h"
#include "TestSandbox.h"
#include "platform/NotificationCenter.h"
#include "platform/Sandbox.h"
#include "platform/SerialQueue.h"
#include "platform/store/ObjectStore.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTest>
#include <sqlite3.h>

#include <csignal>
#include <cstdio>
#include <thread>

using namespace pelnix;
using namespace pelnix::test;
using platform::ObjectPtr;
using platform::Predicate;
using platform::SerialQueue;
using K = platform::PredicateKey;

namespace {
const QString kStoreName = QStringLiteral("Pelnix.xcdatamodeld");

QString storePath() {
    auto store = PLPersistence::PS_defaultStore();
    return store ? store->path() : QString();
}

// Runs `fn` on the queue's thread and waits for it (the main thread is free meanwhile).
void onWorker(SerialQueue& queue, const std::function<void()>& fn) {
    queue.async(fn);
    auto done = queue.postMarker();
    QTRY_VERIFY(done->load());
}

QString sqliteText(const QString& path, const char* sql) {
    sqlite3* db = nullptr;
    QString out;
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) == SQLITE_OK && sqlite3_step(stmt) == SQLITE_ROW)
            out = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
        sqlite3_finalize(stmt);
    }
    sqlite3_close(db);
    return out;
}

// An entity of more slots than a word has bits.
class Wide : public PLEntity<Wide> {
public:
    static QString entityName() { return QStringLiteral("Wide"); }
    static constexpr int kAttributes = 70;
    static QString key(int i) { return QStringLiteral("v%1").arg(i); }
};

void declareWide(platform::ObjectModel& m) {
    auto& wide = m.entity<Wide>(Wide::entityName());
    for (int i = 0; i < Wide::kAttributes; ++i)
        wide.attribute(Wide::key(i), AttributeType::Int32, 0);
}

} // namespace

class TestStore : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { registerTestModel(); }
    void cleanup() { PLPersistence::cleanUp(); }

    void storeLocationFollowsExistingFile();
    void pendingInsertsFoundAndPendingDeletesHidden();
    void sortTermsParseAndOrderFetches();
    void unsavedChangesPlaceSavedRowsInSortedAndLimitedFetches();
    void keyPathsSeeUnsavedChangesOfRelatedRows();
    void notEqualAndNotInKeepMissingValues();
    void longInListsMatchAsShortOnes();
    void longInListsOfEveryRowMatchAsShortOnes();
    void orderedFetchesFollowSQLitesOrder_data();
    void orderedFetchesFollowSQLitesOrder();
    void objectsOfManySlotsTrackReadsAndChanges();
    void aggregatesReadSavedRowsThroughJoins();
    void relationshipsKeepInversesAndOrder();
    void linksToObjectsUnsavedElsewhereAreRefused();
    void workerSaveVisibleOnMainBeforeItsNotification();
    void contextsMergeChangesPerProperty();
    void deletedRowsLeaveNoReferenceInAnyContext();
    void idleContextsHoldBoundedChangesAndCatchUp();
    void aBusyMainContextMergesABurstWithoutReReading();
    void aStoreMadeAgainWhileAThreadConnectsStaysWritable();
    void refreshKeepsUnsavedChanges();
    void cleanUpClosesFilesAndHeldObjectsGoInert();
    void manyToManyLinksSurviveReopen();
    void failuresReachTheErrorSinkAndGiveEmptyResults();
    void killedWriterLeavesEverySavedRow();
};

void TestStore::storeLocationFollowsExistingFile() {
    TestSandbox sandbox;
    PLManagedObject::initializeDatabase();
    const QString expected = platform::Sandbox::applicationSupport() + "/" +
                             QCoreApplication::applicationName() + "/" + kStoreName;
    QCOMPARE(storePath(), expected);
    QVERIFY(QFile::exists(expected));
    // A second start-up keeps the open stack.
    auto first = PLPersistence::PS_defaultStore();
    auto context = PLPersistence::PS_defaultContext();
    PLManagedObject::initializeDatabase();
    QCOMPARE(PLPersistence::PS_defaultStore(), first);
    QCOMPARE(PLPersistence::PS_defaultContext(), context);
    QCOMPARE(PLPersistence::PS_contextForCurrentThread(), context);
    PLPersistence::cleanUp();
    QVERIFY(!PLPersistence::PS_defaultContext());

    // A store already in Documents is used there.
    QDir().mkpath(platform::Sandbox::documents());
    QVERIFY(QFile::copy(expected, platform::Sandbox::documents() + "/" + kStoreName));
    PLManagedObject::initializeDatabase();
    QCOMPARE(storePath(), platform::Sandbox::documents() + "/" + kStoreName);
    QCOMPARE(sqliteText(storePath(), "PRAGMA journal_mode"), QStringLiteral("wal"));
}

void TestStore::pendingInsertsFoundAndPendingDeletesHidden() {
    TestSandbox sandbox;
    PLManagedObject::initializeDatabase();
    auto saved = makeRoom("R1", 0, 10);
    saved->save();
    auto pending = makeRoom("R2", 0, 20);
    QCOMPARE(Room::PS_findFirstByAttribute("roomId", "R2"), pending); // one instance per row
    QCOMPARE(Room::PS_findByAttribute("roomId", "R2").size(), 1);
    auto sorted = Room::PS_findAllSortedBy("activityDate", false, K("status") != 1);
    QCOMPARE(sorted.size(), 2);
    QCOMPARE(sorted.first(), pending);
    QCOMPARE(Room::PS_countOfEntities(), 2);

    // A pending change moves a saved row out of (and into) the result.
    saved->setValue("status", 1);
    QCOMPARE(Room::PS_findAllWithPredicate(K("status") != 1).size(), 1);
    QCOMPARE(Room::PS_findAllSortedBy("activityDate", true, K("status") == 1).first(), saved);

    saved->PS_deleteEntity();
    QVERIFY(!Room::PS_findFirstByAttribute("roomId", "R1"));
    QCOMPARE(Room::PS_findAllSortedBy("activityDate", false, K("activityDate") >= 0).size(), 1);
    QCOMPARE(Room::PS_findFirstWithPredicate({}, "activityDate", true), pending);
    pending->save();
    QVERIFY(saved->isInert());
    QCOMPARE(Room::PS_findAll().size(), 1);
    // Creating alone stores nothing.
    auto unsaved = makeRoom("R3");
    QCOMPARE(sqliteText(storePath(), "SELECT count(*) FROM Room"), QStringLiteral("1"));
    Q_UNUSED(unsaved)
}

void TestStore::sortTermsParseAndOrderFetches() {
    using S = platform::SortDescriptor;
    QCOMPARE(S::parseTerm("activityDate:NO,name", true),
             (QList<S>{{"activityDate", false}, {"name", false}}));
    QCOMPARE(S::parseTerm("a,b:NO", true), (QList<S>{{"a", true}, {"b", false}}));
    QCOMPARE(S::parseTerm("a:x:YES", false), (QList<S>{{"a", true}}));
    QCOMPARE(S::parseTerm("a, b", true), (QList<S>{{"a", true}, {" b", true}}));
    QVERIFY(S::boolValue(" +007") && S::boolValue("true") && !S::boolValue("NO") && !S::boolValue("00"));

    TestSandbox sandbox;
    PLManagedObject::initializeDatabase();
    makeRoom("A", 0, 5, "b");
    makeRoom("B", 0, 9, "a");
    makeRoom("C", 0, 5, "a");
    Room::PS_findFirst()->save();
    makeRoom("D", 0, 5, "c"); // unsaved: sorted in memory beside the stored rows
    QStringList ids;
    for (const auto& r : Room::PS_findAllSortedBy("activityDate:NO,name", true))
        ids << r->roomId();
    QCOMPARE(ids, (QStringList{"B", "D", "A", "C"}));
    QCOMPARE(Room::PS_findFirstOrderedByAttribute("name,activityDate:NO", true)->roomId(),
             QStringLiteral("B"));
}

namespace {
QStringList roomIds(const Room::List& rooms) {
    QStringList ids;
    for (const auto& r : rooms)
        ids << (r ? r->roomId() : QStringLiteral("-"));
    return ids;
}
} // namespace

void TestStore::unsavedChangesPlaceSavedRowsInSortedAndLimitedFetches() {
    TestSandbox sandbox;
    PLManagedObject::initializeDatabase();
    auto a = makeRoom("A", 0, 10), b = makeRoom("B", 0, 20), c = makeRoom("C", 0, 30);
    a->save();
    a->setValue("activityDate", 100);
    QCOMPARE(roomIds(Room::PS_findAllSortedBy("activityDate", false)), (QStringList{"A", "C", "B"}));
    QCOMPARE(Room::PS_findFirstOrderedByAttribute("activityDate", false), a);
    // A row moved out of the first place gives way to the next stored one.
    c->setValue("activityDate", 1);
    QCOMPARE(Room::PS_findFirstOrderedByAttribute("activityDate", true), c);
    a->setValue("activityDate", 0);
    QCOMPARE(roomIds(Room::PS_findAllSortedBy("activityDate", false)), (QStringList{"B", "C", "A"}));
    QCOMPARE(Room::PS_findFirstWithPredicate(K("status") == 0, "activityDate", false), b);
    // The same through a key path: messages ordered by their room's unsaved activity.
    for (const auto& room : {a, b, c}) {
        auto m = Message::PS_createEntity();
        m->setValue("messageId", room->roomId());
        m->setObject("room", room);
    }
    a->save();
    b->setValue("activityDate", -5);
    auto messages = Message::PS_findAllSortedBy("room.activityDate", true);
    QCOMPARE(messages.size(), 3);
    QCOMPARE(messages.first()->value<QString>("messageId"), QStringLiteral("B"));
    QCOMPARE(Message::PS_findFirstOrderedByAttribute("room.activityDate", true), messages.first());
}

void TestStore::keyPathsSeeUnsavedChangesOfRelatedRows() {
    TestSandbox sandbox;
    PLManagedObject::initializeDatabase();
    auto open = makeRoom("open", 0), closed = makeRoom("closed", 1), gone = makeRoom("gone", 1);
    for (const auto& room : {open, closed, gone}) {
        auto m = Message::PS_createEntity();
        m->setValue("messageId", room->roomId());
        m->setObject("room", room);
    }
    open->save();
    const auto active = K("room.status") != 1;
    auto ids = [](const Message::List& list) {
        QStringList out;
        for (const auto& m : list)
            out << m->value<QString>("messageId");
        return out;
    };
    QCOMPARE(ids(Message::PS_findAllSortedBy("messageId", true, active)), QStringList{"open"});
    open->setValue("status", 1);   // leaves the result
    closed->setValue("status", 0); // joins it
    gone->PS_deleteEntity();       // its message has no room now: nil != 1
    QCOMPARE(ids(Message::PS_findAllSortedBy("messageId", true, active)), (QStringList{"closed", "gone"}));
    QCOMPARE(Message::PS_countOfEntitiesWithPredicate(active), 2);
    QCOMPARE(Message::PS_findFirstWithPredicate(K("room.status") == 1)->value<QString>("messageId"),
             QStringLiteral("open"));
    QCOMPARE(ids(Message::PS_findAllWithPredicate(K("room.roomId") == "gone")), QStringList{});
    open->save();
    QCOMPARE(Message::PS_countOfEntitiesWithPredicate(active), 2);
    QCOMPARE(sqliteText(storePath(), "SELECT count(*) FROM Message WHERE room IS NULL"), QStringLiteral("1"));
}

void TestStore::notEqualAndNotInKeepMissingValues() {
    TestSandbox sandbox;
    PLManagedObject::initializeDatabase();
    auto make = [](int id, const QVariant& email) {
        auto u = User::PS_createEntity();
        u->setValue("userID", id);
        u->setValue("email", email);
        return u;
    };
    make(1, QVariant());
    make(2, "a@x");
    make(3, "b@x");
    QCOMPARE(User::PS_findFirst()->userID(), 1);
    auto check = [&](const char* phase) {
        auto ids = [](const User::List& users) {
            QList<int> out;
            for (const auto& u : users)
                out << u->userID();
            return out;
        };
        QCOMPARE(ids(User::PS_findAllSortedBy("userID", true, K("email") != "a@x")), (QList<int>{1, 3}));
        QCOMPARE(ids(User::PS_findAllSortedBy("userID", true, !K("email").in({"a@x", "c@x"}))),
                 (QList<int>{1, 3}));
        QCOMPARE(ids(User::PS_findAllSortedBy("userID", true, K("email").in({"a@x", "b@x"}))),
                 (QList<int>{2, 3}));
        QCOMPARE(ids(User::PS_findAllSortedBy("userID", true, K("email") == QVariant())), (QList<int>{1}));
        QCOMPARE(ids(User::PS_findAllSortedBy("userID", true, !(K("email") < "b"))), (QList<int>{1, 3}));
        // A number given as text compares with an integer attribute as a number.
        QCOMPARE(ids(User::PS_findAllWithPredicate(K("userID") == "2")), (QList<int>{2}));
        Q_UNUSED(phase)
    };
    check("in memory"); // all unsaved: the predicate runs on the overlay only
    User::PS_findFirst()->save();
    check("in SQL");
}

void TestStore::longInListsMatchAsShortOnes() {
    TestSandbox sandbox;
    PLManagedObject::initializeDatabase();
    // Text that any serialised form of a list has to escape or encode.
    const QStringList awkward{QStringLiteral("quote\"back\\slash\t\n\x01@x"),
                              QStringLiteral("\u00e9\U0001F600\u2028@x"), QStringLiteral("plain@x")};
    const QList<QVariant> emails{awkward[0], awkward[1], awkward[2], QVariant(), QStringLiteral("other@x")};
    for (int i = 0; i < emails.size(); ++i) {
        auto u = User::PS_createEntity();
        u->setValue("userID", i + 1);
        u->setValue("email", emails[i]);
    }
    // Past 2^53: a list passed through doubles would match its neighbour instead.
    constexpr qint64 kBig = 9'007'199'254'740'993LL;
    for (qint64 date : {kBig, kBig - 1}) {
        auto m = Message::PS_createEntity();
        m->setValue("messageId", QString::number(date));
        m->setValue("date", date);
    }
    User::PS_findFirst()->save();

    auto ids = [](const User::List& users) {
        QList<int> out;
        for (const auto& u : users)
            out << u->userID();
        return out;
    };
    QVariantList someEmails{awkward[0], awkward[1], QVariant()};
    for (int i = 0; i < 40; ++i)
        someEmails << QStringLiteral("absent-%1@x").arg(i);
    QCOMPARE(ids(User::PS_findAllSortedBy("userID", true, K("email").in(someEmails))), (QList<int>{1, 2}));
    QCOMPARE(ids(User::PS_findAllSortedBy("userID", true, !K("email").in(someEmails))),
             (QList<int>{3, 4, 5}));
    QCOMPARE(User::PS_countOfEntitiesWithPredicate(K("email").in(someEmails)), 2);

    // More values than SQLite accepts as parameters of one statement.
    sqlite3* probe = nullptr;
    sqlite3_open(":memory:", &probe);
    const int parameterLimit = sqlite3_limit(probe, SQLITE_LIMIT_VARIABLE_NUMBER, -1);
    sqlite3_close(probe);
    QVariantList manyIds{2, QStringLiteral("3")};
    for (int i = 0; i < parameterLimit; ++i)
        manyIds << 1000 + i;
    QCOMPARE(ids(User::PS_findAllSortedBy("userID", true, K("userID").in(manyIds))), (QList<int>{2, 3}));

    QVariantList dates{kBig};
    for (int i = 0; i < 20; ++i)
        dates << kBig + 1 + i;
    const auto byDate = Message::PS_findAllWithPredicate(K("date").in(dates));
    QCOMPARE(byDate.size(), 1);
    QCOMPARE(byDate.first()->value("date").toLongLong(), kBig);

    // Unsaved changes are matched in memory by the same rules.
    User::PS_findFirstByAttribute("userID", 5)->setValue("email", awkward[1]);
    QCOMPARE(ids(User::PS_findAllSortedBy("userID", true, K("email").in(someEmails))), (QList<int>{1, 2, 5}));
}

// Lists longer than a statement's inline values, which every row must match, are joined to their
// column where an index serves it: the same rows come as through IN, whatever else the predicate
// asks, and with this context's unsaved changes.
void TestStore::longInListsOfEveryRowMatchAsShortOnes() {
    TestSandbox sandbox;
    PLManagedObject::initializeDatabase();
    QList<Room::Ptr> rooms;
    for (int r = 0; r < 3; ++r)
        rooms << makeRoom(QStringLiteral("r%1").arg(r), r == 1 ? 1 : 0);
    for (int i = 0; i < 40; ++i) {
        auto m = Message::PS_createEntity();
        m->setValue("messageId", QStringLiteral("m%1").arg(i));
        m->setValue("text", QStringLiteral("t%1").arg(i));
        m->setValue("date", i);
        m->setObject("room", rooms[i % 3]);
    }
    PLPersistence::PS_defaultContext()->save();
    PLPersistence::PS_defaultContext()->reset();

    const auto dates = [](const Message::List& list) {
        QList<int> out;
        for (const auto& m : list)
            out << int(m->value("date").toLongLong());
        return out;
    };
    const auto range = [](int from, int to, const std::function<bool(int)>& keep = {}) {
        QList<int> out;
        for (int i = from; i < to; ++i)
            if (!keep || keep(i))
                out << i;
        return out;
    };
    // m0 to m29, two of them twice, and names of no message.
    QVariantList ids, texts;
    for (int i = 0; i < 30; ++i) {
        ids << QStringLiteral("m%1").arg(i);
        texts << QStringLiteral("t%1").arg(i);
    }
    ids << QStringLiteral("m0") << QStringLiteral("m5") << QStringLiteral("absent") << QVariant();
    const auto byDate = [](const Predicate& p) { return Message::PS_findAllSortedBy("date", true, p); };

    QCOMPARE(dates(byDate(K("messageId").in(ids))), range(0, 30));
    QCOMPARE(dates(Message::PS_findAllWithPredicate(K("messageId").in(ids))), range(0, 30)); // key order
    QCOMPARE(dates(byDate(K("messageId").in(ids) && K("date") >= 10)), range(10, 30));
    QCOMPARE(dates(byDate(K("date") >= 10 && K("messageId").in(ids) && K("date") < 20)), range(10, 20));
    QCOMPARE(dates(byDate(K("messageId").in(ids) || K("date") == 35)), range(0, 30) << 35);
    QCOMPARE(dates(byDate(!K("messageId").in(ids))), range(30, 40));
    QCOMPARE(dates(byDate(K("text").in(texts))), range(0, 30)); // no index: through IN
    QCOMPARE(Message::PS_countOfEntitiesWithPredicate(K("messageId").in(ids)), 30);
    QCOMPARE(Message::PS_findFirstWithPredicate(K("messageId").in(ids), "date", false)->value("date").toInt(),
             29);

    // A to-one relationship by keys: its foreign key has an index.
    QVariantList roomKeys{rooms[0]->primaryKey(), rooms[2]->primaryKey(), rooms[0]->primaryKey()};
    for (int i = 0; i < 20; ++i)
        roomKeys << 100000 + i;
    QCOMPARE(dates(byDate(K("room").in(roomKeys))), range(0, 40, [](int i) { return i % 3 != 1; }));

    // Unsaved changes: a room that changed here, seen through a key path beside the joined list.
    const auto held = Room::PS_findAll();
    Room::PS_findFirstByAttribute("roomId", "r0")->setValue("status", 1);
    Room::PS_findFirstByAttribute("roomId", "r1")->setValue("status", 0);
    QCOMPARE(dates(byDate(K("room.status") == 0 && K("messageId").in(ids))),
             range(0, 30, [](int i) { return i % 3 != 0; }));
    Message::PS_findFirstByAttribute("messageId", "m3")->setValue("messageId", "m33");
    QCOMPARE(dates(byDate(K("messageId").in(ids))), range(0, 30, [](int i) { return i != 3; }));
}

void TestStore::orderedFetchesFollowSQLitesOrder_data() {
    QTest::addColumn<QString>("term");
    QTest::addColumn<bool>("ascending");
    QTest::addColumn<QString>("sqliteOrder");
    QTest::addColumn<QStringList>("properties");
    QTest::newRow("an integer up") << "activityDate" << true << "activityDate, pk" << QStringList();
    QTest::newRow("an integer down") << "activityDate" << false << "activityDate DESC, pk DESC"
                                     << QStringList();
    // A key without its own direction takes the one before it.
    QTest::newRow("two keys") << "status:NO,activityDate" << true << "status DESC, activityDate DESC, pk DESC"
                              << QStringList();
    QTest::newRow("two directions") << "status:NO,activityDate:YES" << true << "status DESC, activityDate, pk"
                                    << QStringList();
    QTest::newRow("a flag, then down")
        << "muted,activityDate:NO" << true << "muted, activityDate DESC, pk DESC" << QStringList();
    QTest::newRow("text") << "name" << true << "name, pk" << QStringList();
    QTest::newRow("read with the key")
        << "activityDate" << false << "activityDate DESC, pk DESC" << QStringList{"roomId", "activityDate"};
    QTest::newRow("read without the key")
        << "activityDate" << false << "activityDate DESC, pk DESC" << QStringList{"roomId"};
}

// Whether SQLite or the store orders the rows, they come in SQLite's order, ties by primary key.
void TestStore::orderedFetchesFollowSQLitesOrder() {
    QFETCH(QString, term);
    QFETCH(bool, ascending);
    QFETCH(QString, sqliteOrder);
    QFETCH(QStringList, properties);
    TestSandbox sandbox;
    PLManagedObject::initializeDatabase();
    const QList<std::tuple<const char*, int, qint64, bool>> rows{
        {"a", 0, 5, false}, {"b", 0, -3, true}, {"c", 1, 5, false}, {"d", 0, 9, true},
        {"e", 0, 5, true},  {"f", 2, 0, false}, {"g", 0, 0, false}, {"h", 1, -3, true}};
    for (const auto& [id, status, activity, muted] : rows)
        makeRoom(id, status, activity, QStringLiteral("n") + QLatin1Char(id[0] == 'e' ? 'a' : id[0]))
            ->setValue("muted", muted);
    PLPersistence::PS_defaultContext()->save();
    const QString path = storePath();
    PLPersistence::PS_defaultContext()->reset();

    const auto fetch = [&] {
        platform::FetchRequest request =
            PLEntityQueries::PS_requestAllSortedBy(Room::entityName(), term, ascending, Predicate());
        request.propertiesToFetch = properties;
        return roomIds(Room::castAll(PLEntityQueries::PS_executeFetchRequest(request))).join(',');
    };
    const auto expected = [&] {
        return sqliteText(path,
                          qPrintable("SELECT group_concat(roomId) FROM (SELECT roomId FROM Room ORDER BY " +
                                     sqliteOrder + ")"));
    };
    QCOMPARE(fetch(), expected());
    // Rows this context already holds are placed by what the file holds, as SQLite places them.
    const auto held = Room::PS_findAll();
    QCOMPARE(fetch(), expected());
    // A value of another type in an integer column: SQLite's order still.
    sqliteExec(path, "UPDATE Room SET activityDate = 'later', status = 1.5 WHERE roomId = 'd'");
    PLPersistence::PS_defaultContext()->reset();
    QCOMPARE(fetch(), expected());
}

// Changes, partial reads and merges of an object of more slots than are held inline.
void TestStore::objectsOfManySlotsTrackReadsAndChanges() {
    PLPersistence::registerModelDeclaration(QStringLiteral("wide"), declareWide);
    TestSandbox sandbox;
    PLManagedObject::initializeDatabase();
    auto wide = Wide::PS_createEntity();
    for (int i = 0; i < Wide::kAttributes; ++i)
        wide->setValue(Wide::key(i), i * 10);
    wide->save();
    QVERIFY(!wide->hasChanges());
    wide->setValue(Wide::key(66), -1);
    wide->setValue(Wide::key(3), -2);
    QCOMPARE(wide->changedKeys(), (QStringList{Wide::key(3), Wide::key(66)}));
    wide->save();
    QVERIFY(!wide->hasChanges());
    wide.reset();
    PLPersistence::PS_defaultContext()->reset();

    // Read in part: the rest comes on the first read of a slot past the inline ones.
    platform::FetchRequest request = PLEntityQueries::PS_requestAll(Wide::entityName());
    request.propertiesToFetch = QStringList{Wide::key(1), Wide::key(68)};
    auto partial = Wide::castAll(PLEntityQueries::PS_executeFetchRequest(request)).value(0);
    QVERIFY(partial && !partial->isWhole());
    QCOMPARE(partial->value(Wide::key(68)).toInt(), 680);
    QVERIFY(!partial->isWhole());
    QCOMPARE(partial->value(Wide::key(66)).toInt(), -1);
    QVERIFY(partial->isWhole());
    QCOMPARE(partial->value(Wide::key(3)).toInt(), -2);
    partial->setValue(Wide::key(69), 7);
    QVERIFY(partial->hasChanges());
    QCOMPARE(partial->changedKeys(), QStringList{Wide::key(69)});
    partial->save();
    PLPersistence::PS_defaultContext()->reset();
    QCOMPARE(Wide::PS_findFirst()->value(Wide::key(69)).toInt(), 7);
}

void TestStore::aggregatesReadSavedRowsThroughJoins() {
    TestSandbox sandbox;
    PLManagedObject::initializeDatabase();
    QVERIFY(!Message::PS_aggregateOperation("max:", "date").isValid());
    auto open = makeRoom("open", 0);
    auto closed = makeRoom("closed", 1);
    auto message = [](const Room::Ptr& room, qint64 date, int state, int updates) {
        auto m = Message::PS_createEntity();
        m->setValue("date", date);
        m->setValue("state", state);
        m->setValue("updateCount", updates);
        m->setObject("room", room);
        return m;
    };
    message(open, 100, 0, 2);
    message(open, 300, 1, 50);
    message(closed, 200, 0, 7);
    message(nullptr, 50, 0, 4); // no room: "room.status != 1" holds, as nil != 1
    // Aggregates read saved data only.
    QVERIFY(!Message::PS_aggregateOperation("max:", "date").isValid());
    open->save();
    QCOMPARE(Message::PS_aggregateOperation("max:", "date").toLongLong(), 300LL);
    const auto unread = K("state") == 0 && K("room.status") != 1;
    QCOMPARE(Message::PS_aggregateOperation("sum:", "updateCount", unread).toLongLong(), 6LL);
    QCOMPARE(Message::PS_countOfEntitiesWithPredicate(unread), 2);
    const auto groups = Message::PS_aggregateOperation("sum:", "updateCount", {}, "state");
    QCOMPARE(groups.size(), 2);
    QCOMPARE(groups.at(0).toMap().value("result").toLongLong(), 13LL);
    QVERIFY(!Message::PS_aggregateOperation("sum:", "updateCount", K("state") == 9).isValid());
}

void TestStore::relationshipsKeepInversesAndOrder() {
    TestSandbox sandbox;
    PLManagedObject::initializeDatabase();
    auto room = makeRoom("R");
    auto other = makeRoom("O");
    QList<Member::Ptr> members;
    for (int i = 0; i < 3; ++i) {
        members << Member::PS_createEntity();
        room->addObject("members", members.last());
    }
    QCOMPARE(members[1]->object<Room>("room"), room); // adding to the set sets the inverse
    QCOMPARE(room->objects<Member>("members"), members);
    members[0]->setObject("room", other);
    QCOMPARE(room->objects("members").size(), 2);
    QCOMPARE(Member::PS_findAllWithPredicate(K("room") == room).size(), 2);
    room->save();
    // Deleting a room nullifies its members' key but keeps the members.
    room->PS_deleteEntity();
    QVERIFY(!members[1]->object("room"));
    room->PS_deleteEntity();
    Room::PS_findFirst()->save();
    QCOMPARE(Member::PS_countOfEntities(), 3);
    QCOMPARE(Member::PS_countOfEntitiesWithPredicate(K("room") == platform::ObjectPtr()), 2);

    // One-to-one: each side follows the other; a new partner detaches the old one.
    auto u1 = User::PS_createEntity(), u2 = User::PS_createEntity();
    auto profile = Profile::PS_createEntity();
    u1->setObject("profile", profile);
    QCOMPARE(profile->object<User>("user"), u1);
    u2->setObject("profile", profile);
    QVERIFY(!u1->object("profile"));
    QCOMPARE(profile->object<User>("user"), u2);
}

void TestStore::linksToObjectsUnsavedElsewhereAreRefused() {
    TestSandbox sandbox;
    PLManagedObject::initializeDatabase();
    QList<PLError> errors;
    QObject target;
    PLPersistence::setErrorHandlerTarget(&target, [&](QObject*, const PLError& e) { errors << e; });
    auto kept = makeRoom("K");
    auto member = Member::PS_createEntity();
    member->setObject("room", kept);
    kept->save();

    auto other = PLPersistence::PS_context();
    auto unsavedRoom = Room::PS_createEntity(other);
    auto unsavedMember = Member::PS_createEntity(other);
    const QRegularExpression refused("Refused to link Member\\.room to a Room");
    QTest::ignoreMessage(QtWarningMsg, refused);
    member->setObject("room", unsavedRoom);
    QCOMPARE(member->object("room"), kept); // the old link stays
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Refused to link Room\\.members to a Member"));
    kept->addObject("members", unsavedMember);
    QCOMPARE(kept->objects("members").size(), 1);
    QCOMPARE(errors.size(), 2);
    QCOMPARE(errors.first().code, 133000);
    QVERIFY(!kept->hasChanges() && !member->hasChanges());

    // Once saved there, the same objects link through this context's own instances.
    QVERIFY(other->save());
    member->setObject("room", unsavedRoom);
    QCOMPARE(member->foreignKey("room"), unsavedRoom->primaryKey());
    QVERIFY(member->object("room") != unsavedRoom); // our own instance of that row
    kept->addObject("members", unsavedMember);
    QCOMPARE(kept->objects("members").size(), 1);
    QCOMPARE(errors.size(), 2);
}

void TestStore::workerSaveVisibleOnMainBeforeItsNotification() {
    TestSandbox sandbox;
    PLManagedObject::initializeDatabase();
    auto room = makeRoom("R1", 0, 0, "old");
    room->save();
    SerialQueue queue("Event Precessing");
    QString seenName;
    bool seenMessage = false;
    auto* center = platform::NotificationCenter::defaultCenter();
    auto token = center->addObserver("ChatRoomUpdatedNotification", [&](const platform::Notification& n) {
        auto r = Room::PS_findFirstByAttribute("roomId", n.userInfo.value("ChatRoomID"));
        seenName = room->name(); // the object held since before the save
        seenMessage = r && !r->objects("messages").isEmpty();
    });
    QSignalSpy spy(center, &platform::NotificationCenter::posted);
    queue.async([&] {
        QVERIFY(PLPersistence::PS_contextForCurrentThread() != PLPersistence::PS_defaultContext());
        QCOMPARE(PLPersistence::PS_contextForCurrentThread(), PLPersistence::PS_contextForCurrentThread());
        auto r = Room::PS_findFirstByAttribute("roomId", "R1");
        r->setValue("name", "new");
        auto m = Message::PS_createEntity();
        m->setObject("room", r);
        m->save(); // returns after the commit; never waits for the main thread
        center->post("ChatRoomUpdatedNotification", {}, {{"ChatRoomID", "R1"}});
    });
    QTRY_COMPARE(spy.count(), 1);
    QCOMPARE(seenName, QStringLiteral("new"));
    QVERIFY(seenMessage);
    center->removeObserver(token);

    // A cache clear gives the worker a fresh context.
    std::shared_ptr<platform::ObjectContext> before, after;
    onWorker(queue, [&] { before = PLPersistence::PS_contextForCurrentThread(); });
    PLPersistence::PS_clearNonMainThreadContextsCache();
    onWorker(queue, [&] { after = PLPersistence::PS_contextForCurrentThread(); });
    QVERIFY(before && after && before != after);
}

void TestStore::contextsMergeChangesPerProperty() {
    TestSandbox sandbox;
    PLManagedObject::initializeDatabase();
    auto room = makeRoom("R1", 0, 1, "n0");
    room->save();
    SerialQueue queue("worker");
    room->setValue("name", "main"); // main changes the name...
    onWorker(queue, [] {            // ...the worker the status, and saves first
        auto r = Room::PS_findFirstByAttribute("roomId", "R1");
        r->setValue("status", 2);
        r->setValue("activityDate", 7);
        r->save();
    });
    QCOMPARE(room->status(), 2); // merged: the main context had not changed it
    QCOMPARE(room->name(), QStringLiteral("main"));
    room->setValue("activityDate", 9); // same property: the later save wins
    room->save();
    onWorker(queue, [] {
        auto r = Room::PS_findFirstByAttribute("roomId", "R1");
        QCOMPARE(r->name(), QStringLiteral("main")); // the worker's held object got main's save
        QCOMPARE(r->value<qint64>("activityDate"), 9LL);
    });
    const QString path = storePath();
    QCOMPARE(sqliteText(path, "SELECT name || ',' || status || ',' || activityDate FROM Room"),
             QStringLiteral("main,2,9"));
}

void TestStore::deletedRowsLeaveNoReferenceInAnyContext() {
    TestSandbox sandbox;
    PLManagedObject::initializeDatabase();
    auto room = makeRoom("R");
    auto kept = makeRoom("K");
    QList<Member::Ptr> members;
    for (int i = 0; i < 3; ++i) {
        members << Member::PS_createEntity();
        members.last()->setObject("room", i < 2 ? room : kept);
    }
    room->save();
    // Another context holds one member; a worker's context another.
    auto other = PLPersistence::PS_context();
    auto theirs = Member::cast(members[0]->PS_inContext(other));
    QVERIFY(theirs && theirs->object("room"));
    QVERIFY(!Room::cast(theirs)); // an object of another entity is no room
    // ...and in a third context an unsaved change links the kept member to the doomed room.
    auto third = PLPersistence::PS_context();
    auto relinked = Member::cast(members[2]->PS_inContext(third));
    relinked->setObject("room", room->PS_inContext(third));
    SerialQueue queue("worker");
    Member::Ptr onWorkerSide;
    const qint64 workerKey = members[1]->primaryKey();
    onWorker(queue, [&] {
        onWorkerSide =
            Member::cast(PLPersistence::PS_contextForCurrentThread()->existingObject("Member", workerKey));
        QVERIFY(onWorkerSide && onWorkerSide->foreignKey("room"));
    });

    platform::ChangeSetPtr published;
    auto main = PLPersistence::PS_defaultContext();
    const auto watch = main->addSaveObserver([&](const platform::ChangeSetPtr& c) { published = c; });
    room->PS_deleteEntity();
    room->save();
    main->removeSaveObserver(watch);

    // The published change set names both members whose reference was cleared.
    QVERIFY(published);
    QSet<qint64> cleared;
    for (const auto& u : published->updated)
        for (const auto& [slot, value] : u.values)
            if (u.entity->columnForSlot(slot) == QLatin1String("room") && value.isNull())
                cleared.insert(u.primaryKey);
    QCOMPARE(cleared, (QSet<qint64>{members[0]->primaryKey(), members[1]->primaryKey()}));
    // In memory, in the saving context and in the others, the reference is gone.
    for (const auto& m : {members[0], members[1]}) {
        QCOMPARE(m->foreignKey("room"), 0);
        QVERIFY(!m->valueForKeyPath("room").isValid());
        QVERIFY(!m->hasChanges());
    }
    QVERIFY(Member::PS_findAll(other).size() == 3); // merges the save into `other`
    QCOMPARE(theirs->foreignKey("room"), 0);
    QCOMPARE(Member::PS_countOfEntitiesWithPredicate(K("room") == platform::ObjectPtr(), other), 2);
    onWorker(queue, [&] {
        QVERIFY(Member::PS_findFirst()); // merges on the worker's next use
        QCOMPARE(onWorkerSide->foreignKey("room"), 0);
        onWorkerSide.reset();
    });
    // The unsaved link to the deleted row is dropped rather than saved dangling.
    QVERIFY(Member::PS_findFirst(third));
    QCOMPARE(relinked->foreignKey("room"), 0);
    third->save();
    QCOMPARE(sqliteText(storePath(), "SELECT count(*) FROM Member WHERE room IS NOT NULL"),
             QStringLiteral("0"));
}

void TestStore::idleContextsHoldBoundedChangesAndCatchUp() {
    TestSandbox sandbox;
    PLManagedObject::initializeDatabase();
    auto room = makeRoom("R", 0, 0, "n0");
    auto doomed = makeRoom("D");
    auto member = Member::PS_createEntity();
    member->setObject("room", room);
    room->save();
    SerialQueue queue("idle worker");
    std::shared_ptr<platform::ObjectContext> idle;
    Room::Ptr held, heldDoomed;
    Member::Ptr heldMember;
    onWorker(queue, [&] {
        idle = PLPersistence::PS_contextForCurrentThread();
        held = Room::PS_findFirstByAttribute("roomId", "R");
        heldDoomed = Room::PS_findFirstByAttribute("roomId", "D");
        heldMember = Member::PS_findFirst();
        held->setValue("status", 7); // unsaved here: survives what follows
        heldMember->setObject("room", heldDoomed);
    });
    // Many saves while the worker's context does not run: what it holds stays bounded.
    for (int i = 1; i <= 3 * int(platform::ObjectContext::kMaxPendingMerges); ++i) {
        room->setValue("name", QStringLiteral("n%1").arg(i));
        room->setValue("activityDate", i);
        room->save();
        QVERIFY(idle->pendingMergeCount() <= platform::ObjectContext::kMaxPendingMerges);
    }
    doomed->PS_deleteEntity();
    doomed->save();
    onWorker(queue, [&] {
        QCOMPARE(Room::PS_countOfEntities(), 1); // its next use catches up with the store
        QCOMPARE(held->name(), QStringLiteral("n192"));
        QCOMPARE(held->value<qint64>("activityDate"), 192LL);
        QCOMPARE(held->status(), 7);
        QVERIFY(heldDoomed->isInert());
        QCOMPARE(heldMember->foreignKey("room"), 0); // its unsaved link to the deleted room went
        held->save();
        held.reset();
        heldDoomed.reset();
        heldMember.reset();
        idle.reset();
    });
    QCOMPARE(sqliteText(storePath(), "SELECT name || ',' || status FROM Room"), QStringLiteral("n192,7"));
    QCOMPARE(sqliteText(storePath(), "SELECT count(*) FROM Member WHERE room IS NULL"), QStringLiteral("1"));
}

// A burst of saves elsewhere while the main thread is busy: the main context merges each of them
// when it runs again rather than re-reading everything it holds.
void TestStore::aBusyMainContextMergesABurstWithoutReReading() {
    TestSandbox sandbox;
    PLManagedObject::initializeDatabase();
    auto room = makeRoom("R");
    room->save();
    auto main = PLPersistence::PS_defaultContext();
    int merged = 0, reRead = 0;
    const quint64 token =
        main->addChangeObserver([&](const platform::ChangeSet* changes) { ++(changes ? merged : reRead); });
    const int burst = 4 * int(platform::ObjectContext::kMaxPendingMerges);
    SerialQueue queue("burst");
    QSemaphore done;
    queue.async([&] {
        for (int i = 1; i <= burst; ++i) {
            auto mine = Room::PS_findFirstByAttribute("roomId", "R");
            mine->setValue("activityDate", i);
            mine->save();
        }
        PLPersistence::PS_clearContextForCurrentThread();
        done.release();
    });
    done.acquire(); // the main thread blocked meanwhile: no event of it ran
    QCOMPARE(main->pendingMergeCount(), burst);
    QCOMPARE(Room::PS_countOfEntities(), 1); // a fetch merges what waits
    QCOMPARE(room->value<qint64>("activityDate"), qint64(burst));
    QCOMPARE(merged, burst);
    QCOMPARE(reRead, 0);
    main->removeChangeObserver(token);
}

// The store is deleted and made again at the same path (as at a new sign-in) while another thread
// keeps connecting: no connection outlives the close on the deleted file, whose stale state SQLite
// would otherwise hand to the new file's connections (every write then fails with a disk I/O error).
void TestStore::aStoreMadeAgainWhileAThreadConnectsStaysWritable() {
    TestSandbox sandbox;
    PLManagedObject::initializeDatabase();
    const auto model = PLPersistence::PS_defaultManagedObjectModel();
    const QString path = sandbox.path(QStringLiteral("again.sqlite"));
    QMutex mutex;
    auto store = platform::ObjectStore::open(model, path);
    QVERIFY(store);
    std::atomic<bool> stop{false};
    // The thread opens connections and lets them go at once, so that some of them are still
    // closing the old file on that thread when this one closes the store and deletes its files.
    std::thread connecting([&] {
        while (!stop) {
            std::shared_ptr<platform::ObjectStore> current;
            {
                QMutexLocker lock(&mutex);
                current = store;
            }
            QString problem;
            current->connect(&problem);
        }
    });
    // A failed check returns from here: the thread is joined on that path too.
    const auto joinThread = qScopeGuard([&] {
        stop = true;
        connecting.join();
        store->close();
    });
    for (int round = 0; round < 200; ++round) {
        store->close();
        for (const QString& file : {path, path + "-wal", path + "-shm"})
            QFile::remove(file);
        PLOptionalError error;
        auto again = platform::ObjectStore::open(model, path, &error);
        QVERIFY2(again, qPrintable(QStringLiteral("round %1: %2")
                                       .arg(round)
                                       .arg(error ? error->localizedDescription : QString())));
        {
            QMutexLocker lock(&mutex);
            store = again;
        }
        auto context = store->newContext();
        context->insertObject(QStringLiteral("Room"))->setValue("roomId", QStringLiteral("R%1").arg(round));
        QVERIFY2(context->save(&error),
                 qPrintable(QStringLiteral("round %1: %2")
                                .arg(round)
                                .arg(error ? error->localizedDescription : QString())));
    }
}

void TestStore::refreshKeepsUnsavedChanges() {
    TestSandbox sandbox;
    PLManagedObject::initializeDatabase();
    auto room = makeRoom("R1", 0, 1, "n0");
    room->save();
    room->setValue("name", "unsaved");
    auto context = PLPersistence::PS_context(); // another context on this thread
    auto other = Room::PS_findFirstByAttribute("roomId", "R1", context);
    other->setValue("status", 5);
    other->setValue("name", "theirs");
    QVERIFY(context->save());
    room->refreshObject();
    QCOMPARE(room->status(), 5);
    QCOMPARE(room->name(), QStringLiteral("unsaved"));
    room->save();
    QCOMPARE(sqliteText(storePath(), "SELECT name FROM Room"), QStringLiteral("unsaved"));
}

void TestStore::cleanUpClosesFilesAndHeldObjectsGoInert() {
    TestSandbox sandbox;
    PLManagedObject::initializeDatabase();
    auto room = makeRoom("R1", 3);
    room->addObject("members", Member::PS_createEntity());
    room->save();
    const QString path = storePath();
    QVERIFY(QFile::exists(path + "-wal"));
    QSignalSpy cleaned(platform::NotificationCenter::defaultCenter(), &platform::NotificationCenter::posted);
    PLPersistence::cleanUp();
    QCOMPARE(cleaned.count(), 1);
    QCOMPARE(cleaned.first().first().toString(), QString(kPLPersistenceCleanedUpNotification));
    // Held objects are inert: empty values, no crash, nothing written.
    QVERIFY(room->isInert());
    QCOMPARE(room->roomId(), QString());
    QCOMPARE(room->status(), 0);
    QVERIFY(room->objects("members").isEmpty());
    room->setValue("name", "x");
    room->addObject("members", nullptr);
    room->save();
    room->refreshObject();
    QVERIFY(!Room::PS_findFirst());
    QVERIFY(!Room::PS_createEntity());
    // Every connection is closed: the files can go, and a new store opens empty.
    for (const QString& f : {path, path + "-wal", path + "-shm"})
        QVERIFY(!QFile::exists(f) || QFile::remove(f));
    PLManagedObject::initializeDatabase();
    QCOMPARE(Room::PS_countOfEntities(), 0);
    makeRoom("R2")->save();
    QCOMPARE(Room::PS_findAll().size(), 1);
    QCOMPARE(sqliteText(path, "PRAGMA journal_mode"), QStringLiteral("wal"));
}

void TestStore::manyToManyLinksSurviveReopen() {
    TestSandbox sandbox;
    PLManagedObject::initializeDatabase();
    auto m1 = Message::PS_createEntity(), m2 = Message::PS_createEntity();
    m1->setValue("messageId", "m1");
    m2->setValue("messageId", "m2");
    m1->setValue("payload", QByteArray("\x00\x01", 2));
    auto a1 = Asset::PS_createEntity(), a2 = Asset::PS_createEntity();
    a1->setValue("remoteURL", "u1");
    a2->setValue("remoteURL", "u2");
    m1->addObject("assets", a1);
    m1->addObject("assets", a2);
    a1->addObject("messages", m2); // from the other side
    QCOMPARE(a1->objects("messages"), (QList<ObjectPtr>{m1, m2}));
    m1->save();
    PLPersistence::cleanUp();

    PLManagedObject::initializeDatabase();
    auto r1 = Message::PS_findFirstByAttribute("messageId", "m1");
    auto r2 = Message::PS_findFirstByAttribute("messageId", "m2");
    QCOMPARE(r1->value<QByteArray>("payload"), QByteArray("\x00\x01", 2));
    QCOMPARE(r1->objects("assets").size(), 2);
    QCOMPARE(r2->objects<Asset>("assets").first()->value<QString>("remoteURL"), QStringLiteral("u1"));
    auto u1 = Asset::PS_findFirstByAttribute("remoteURL", "u1");
    QCOMPARE(u1->objects("messages"), (QList<ObjectPtr>{r1, r2}));
    u1->removeObject("messages", r1);
    QCOMPARE(r1->objects("assets").size(), 1);
    r2->PS_deleteEntity();
    u1->save();
    QVERIFY(u1->objects("messages").isEmpty());
    QCOMPARE(sqliteText(storePath(), "SELECT count(*) FROM Asset_messages"), QStringLiteral("1"));
}

void TestStore::failuresReachTheErrorSinkAndGiveEmptyResults() {
    TestSandbox sandbox;
    QVERIFY(!Room::PS_findFirst()); // no stack at all
    QVERIFY(Room::PS_findAll().isEmpty());
    PLManagedObject::initializeDatabase();
    QObject target;
    QList<PLError> errors;
    PLPersistence::setErrorHandlerTarget(&target, [&](QObject* t, const PLError& e) {
        QCOMPARE(t, &target);
        errors << e;
    });
    makeRoom("R1")->save();
    QVERIFY(Room::PS_findAllWithPredicate(K("nosuch") == 1).isEmpty());
    QVERIFY(Room::PS_findAllSortedBy("nosuch", true).isEmpty());
    QVERIFY(!Room::PS_aggregateOperation("median:", "status").isValid());
    QCOMPARE(errors.size(), 3);
    QVERIFY(errors.first().localizedDescription.contains("nosuch"));
    PLPersistence::handleErrors(std::nullopt);
    QCOMPARE(errors.size(), 3);
    // The sink can be read back and handed on; clean-up clears it.
    QCOMPARE(PLPersistence::errorHandlerTarget(), &target);
    PLPersistence::errorHandlerAction()(&target, PLError(QStringLiteral("d"), 1, QStringLiteral("again")));
    QCOMPARE(errors.last().localizedDescription, QStringLiteral("again"));
    PLPersistence::cleanUpErrorHanding();
    QVERIFY(!PLPersistence::errorHandlerTarget() && !PLPersistence::errorHandlerAction());
    // The logging level is kept as set (31 at first).
    QCOMPARE(PLPersistence::loggingLevel(), 31);
    PLPersistence::setLoggingLevel(4);
    QCOMPARE(PLPersistence::loggingLevel(), 4);
    PLPersistence::setLoggingLevel(31);
}

// The child half of the crash test: saves rows one by one and reports each save that returned.
static int runCrashChild(const QString& root) {
    platform::Sandbox::setRoot(root);
    registerTestModel();
    PLManagedObject::initializeDatabase();
    for (int i = 0;; ++i) {
        auto m = Message::PS_createEntity();
        m->setValue("messageId", QString::number(i));
        m->setValue("text", QString(200, QChar('x')));
        m->save();
        std::printf("%d\n", i);
        std::fflush(stdout);
    }
}

void TestStore::killedWriterLeavesEverySavedRow() {
    TestSandbox sandbox;
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {"--crash-child", sandbox.root()});
    QVERIFY(child.waitForStarted());
    int reported = -1;
    QByteArray buffer;
    while (reported < 300) {
        QVERIFY(child.waitForReadyRead(10000));
        buffer += child.readAllStandardOutput();
        int nl;
        while ((nl = int(buffer.indexOf('\n'))) >= 0) {
            reported = buffer.left(nl).toInt();
            buffer.remove(0, nl + 1);
        }
    }
    ::kill(pid_t(child.processId()), SIGKILL);
    QVERIFY(child.waitForFinished());
    buffer += child.readAllStandardOutput();
    for (const QByteArray& line : buffer.split('\n'))
        if (!line.isEmpty())
            reported = line.toInt();

    PLManagedObject::initializeDatabase();
    QVERIFY(Message::PS_countOfEntities() >= reported + 1);
    for (int i = 0; i <= reported; ++i)
        QVERIFY2(Message::PS_findFirstByAttribute("messageId", QString::number(i)),
                 qPrintable(QString::number(i)));
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QCoreApplication app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "--crash-child")
        return runCrashChild(QString::fromLocal8Bit(argv[2]));
    TestStore test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_store.moc"
