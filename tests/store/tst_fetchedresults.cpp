#include "TestModel.h"
#include "TestSandbox.h"
#include "platform/SerialQueue.h"

#include <QCoreApplication>
#include <QTest>

using namespace pelnix;
using namespace pelnix::test;
using platform::FetchedResultsController;
using platform::IndexPath;
using K = platform::PredicateKey;

namespace {
using ChangeType = platform::FetchedResultsControllerDelegate::ChangeType;

QString text(const std::optional<IndexPath>& p) {
    return p ? QStringLiteral("%1.%2").arg(p->section).arg(p->row) : QStringLiteral("-");
}

// Writes down each change of a round as one line: "insert R - > 0.2", "section insert 1 @1".
class Recorder : public platform::FetchedResultsControllerDelegate {
public:
    QStringList calls;
    int rounds = 0;
    void controllerWillChangeContent(FetchedResultsController&) override { calls.clear(); }
    void didChangeSection(FetchedResultsController&, const QString& name, int index,
                          ChangeType type) override {
        calls << QStringLiteral("section %1 %2 @%3").arg(word(type), name).arg(index);
    }
    void didChangeObject(FetchedResultsController&, const platform::ObjectPtr& o,
                         std::optional<IndexPath> from, ChangeType type,
                         std::optional<IndexPath> to) override {
        const QString name = o->isInert() ? names.value(o->primaryKey()) : o->value<QString>("roomId");
        calls << QStringLiteral("%1 %2 %3 > %4").arg(word(type), name, text(from), text(to));
    }
    void controllerDidChangeContent(FetchedResultsController& controller) override {
        ++rounds;
        remember(controller);
    }
    // Deleted objects arrive inert: their names are taken from what the results held before.
    void remember(const FetchedResultsController& controller) {
        for (const auto& o : controller.fetchedObjects())
            names.insert(o->primaryKey(), o->value<QString>("roomId"));
    }
    QHash<qint64, QString> names;

private:
    static QString word(ChangeType type) {
        static const char* words[] = {"", "insert", "delete", "move", "update"};
        return QLatin1String(words[int(type)]);
    }
};

QStringList ids(const QList<platform::ObjectPtr>& objects) {
    QStringList out;
    for (const auto& o : objects)
        out << o->value<QString>("roomId");
    return out;
}
} // namespace

class TestFetchedResults : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { registerTestModel(); }
    void cleanup() { PLPersistence::cleanUp(); }

    void fetchesOnDemandInSections();
    void delegateHearsEachSaveOfItsContext();
    void delegateHearsMergesFromOtherThreads();
};

void TestFetchedResults::fetchesOnDemandInSections() {
    TestSandbox sandbox;
    PLManagedObject::initializeDatabase();
    makeRoom("A", 1, 10);
    makeRoom("B", 0, 30);
    makeRoom("C", 1, 20);
    Room::PS_findFirst()->save();
    Recorder recorder;
    auto request = PLEntityQueries::PS_requestAllSortedBy("Room", "status,activityDate", true);
    auto controller = PLEntityQueries::PS_fetchController(request, &recorder, true, "status");
    QCOMPARE(controller->cacheName(), QStringLiteral("PLPersistence-Cache-Room"));
    QVERIFY(!controller->hasFetched() && controller->fetchedObjects().isEmpty());
    makeRoom("D", 0, 5)->save(); // not fetched yet: nothing to tell
    QCOMPARE(recorder.rounds, 0);

    QVERIFY(PLEntityQueries::PS_performFetch(controller));
    QCOMPARE(ids(controller->fetchedObjects()), (QStringList{"D", "B", "A", "C"}));
    QCOMPARE(controller->sections().size(), 2);
    QCOMPARE(controller->sections()[1].name, QStringLiteral("1"));
    QCOMPARE(ids(controller->sections()[1].objects), (QStringList{"A", "C"}));
    auto c = Room::PS_findFirstByAttribute("roomId", "C");
    QCOMPARE(text(controller->indexPathForObject(c)), QStringLiteral("1.1"));
    QCOMPARE(controller->objectAtIndexPath({0, 1}), Room::PS_findFirstByAttribute("roomId", "B"));
    QVERIFY(!controller->objectAtIndexPath({2, 0}) && !controller->indexPathForObject(nullptr));

    // Without a section key path, one unnamed section; a failing request gives false and no results.
    auto all = Room::PS_fetchAllWithDelegate(&recorder);
    QCOMPARE(all->sections().size(), 1);
    QCOMPARE(all->fetchedObjects().size(), 4);
    auto broken = Room::PS_fetchAllSortedBy("nosuch", true, {}, {});
    QVERIFY(broken && broken->hasFetched() && broken->fetchedObjects().isEmpty());
    QVERIFY(!PLEntityQueries::PS_performFetch(broken));
}

void TestFetchedResults::delegateHearsEachSaveOfItsContext() {
    TestSandbox sandbox;
    PLManagedObject::initializeDatabase();
    auto a = makeRoom("A", 0, 10), b = makeRoom("B", 0, 20), c = makeRoom("C", 0, 30);
    a->save();
    Recorder recorder;
    auto controller = Room::PS_fetchAllSortedBy("activityDate", true, K("status") == 0, {}, &recorder);
    QCOMPARE(ids(controller->fetchedObjects()), (QStringList{"A", "B", "C"}));
    recorder.remember(*controller);

    a->setValue("activityDate", 40); // unsaved: nothing yet
    QCOMPARE(recorder.rounds, 0);
    makeRoom("D", 0, 25);
    a->save();
    QCOMPARE(recorder.rounds, 1);
    // Only the row whose place changed moves; the others shift without a word.
    QCOMPARE(recorder.calls, (QStringList{"insert D - > 0.1", "move A 0.0 > 0.3"}));
    QCOMPARE(ids(controller->fetchedObjects()), (QStringList{"B", "D", "C", "A"}));

    b->setValue("name", "renamed");
    b->save();
    QCOMPARE(recorder.calls, QStringList{"update B 0.0 > 0.0"});
    b->PS_deleteEntity();
    c->setValue("status", 1); // leaves the predicate
    c->save();
    QCOMPARE(recorder.calls, (QStringList{"delete B 0.0 > -", "delete C 0.2 > -"}));
    QCOMPARE(ids(controller->fetchedObjects()), (QStringList{"D", "A"}));
    // A save that touches nothing in the results says nothing.
    const int rounds = recorder.rounds;
    c->setValue("name", "elsewhere");
    c->save();
    QCOMPARE(recorder.rounds, rounds);
    // A controller dropped before its context stops listening.
    controller.reset();
    a->setValue("activityDate", 1);
    a->save();
    QCOMPARE(recorder.rounds, rounds);
}

void TestFetchedResults::delegateHearsMergesFromOtherThreads() {
    TestSandbox sandbox;
    PLManagedObject::initializeDatabase();
    makeRoom("A", 0, 10);
    makeRoom("B", 0, 20);
    Room::PS_findFirst()->save();
    Recorder recorder;
    auto controller = Room::PS_fetchAllGroupedBy("status", {}, "status,activityDate", true, &recorder);
    QCOMPARE(controller->sections().size(), 1);
    recorder.remember(*controller);
    platform::SerialQueue queue("worker");
    queue.async([] { makeRoom("C", 2, 5)->save(); });
    QTRY_COMPARE(recorder.rounds, 1);
    QCOMPARE(recorder.calls, (QStringList{"section insert 2 @1", "insert C - > 1.0"}));
    queue.async([] {
        Room::PS_findFirstByAttribute("roomId", "A")->setValue("status", 2);
        Room::PS_findFirstByAttribute("roomId", "A")->save();
    });
    QTRY_COMPARE(recorder.rounds, 2);
    QCOMPARE(recorder.calls, QStringList{"move A 0.0 > 1.1"});
    queue.async([] {
        Room::PS_findFirstByAttribute("roomId", "B")->PS_deleteEntity();
        Room::PS_findFirst()->save();
    });
    QTRY_COMPARE(recorder.rounds, 3);
    QCOMPARE(recorder.calls, (QStringList{"section delete 0 @0", "delete B 0.0 > -"}));
    QCOMPARE(controller->sections().size(), 1);
    QCOMPARE(ids(controller->fetchedObjects()), (QStringList{"C", "A"}));
    auto marker = queue.postMarker();
    QTRY_VERIFY(marker->load());
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QCoreApplication app(argc, argv);
    TestFetchedResults test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_fetchedresults.moc"
