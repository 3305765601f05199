#include "TestModel.h"
#include "TestSandbox.h"
#include "foundation/persistence/PSObserving.h"
#include "foundation/persistence/PSSaves.h"
#include "platform/SerialQueue.h"

#include "platform/MainThread.h"

#include <QCoreApplication>
#include <QTest>
#include <QTimeZone>

using namespace pelnix;
using namespace pelnix::test;
using K = platform::PredicateKey;

namespace {
// An import target with hooks: refuses data marked "skip", records the calls.
class Contact : public PLEntity<Contact> {
public:
    static QString entityName() { return QStringLiteral("Contact"); }
    bool shouldImport(const QVariant& data) override { return !data.toMap().contains("skip"); }
    void didImport(const QVariant&) override { ++imports; }
    bool importValue(const QString& key, const QVariant& value) override {
        if (key != QLatin1String("nickname"))
            return false;
        setValue("nickname", value.toString().toUpper());
        return true;
    }
    int imports = 0;
};

void declareImportModel(platform::ObjectModel& m) {
    m.entity<Contact>("Contact")
        .attribute("contactID", platform::AttributeType::Int64)
        .attribute("name", platform::AttributeType::String)
        .attribute("nickname", platform::AttributeType::String)
        .attribute("phone", platform::AttributeType::String)
        .attribute("seen", platform::AttributeType::Int64)
        .attribute("born", platform::AttributeType::Int64)
        .attribute("score", platform::AttributeType::Double, 1.5)
        .attribute("colour", platform::AttributeType::Binary)
        .toMany("tags", "Tag", "contacts")
        .userInfo("name", {{"mappedKeyName", "full_name"}})
        .userInfo("phone", {{"mappedKeyName", "phone"}, {"mappedKeyName.2", "mobile"}})
        .userInfo("seen", {{"dateFormat", "UnixTime"}})
        .userInfo("born", {{"dateFormat", "yyyy-MM-dd'T'HH:mm:ssz"}})
        .userInfo("score", {{"useDefaultValueWhenNotPresent", true}})
        .userInfo("colour", {{"attributeValueClassName", "UIColor"}});
    m.entity<platform::ManagedObject>("Tag")
        .attribute("tagID", platform::AttributeType::Int64)
        .toMany("contacts", "Contact", "tags");
}
} // namespace

class TestPersistence : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        registerTestModel();
        PLPersistence::registerModelDeclaration("import", declareImportModel);
    }
    void cleanup() { PLPersistence::cleanUp(); }

    void importMapsKeysConvertsAndFindsExisting();
    void importHooksAndRelatedIdentifiers();
    void converters();
    void colourScannerStaysInItsFourSlots();
    void savesReportOnMainAndEmptySavesSayNo();
    void blockSavesAndObserving();
    void contextTreeIsNamedAndDescribed();
    void countsFindersAndValueHelpers();
};

void TestPersistence::importMapsKeysConvertsAndFindsExisting() {
    TestSandbox sandbox;
    PLManagedObject::initializeDatabase();
    const QVariantMap data{{"contactID", 7},
                           {"full_name", "Ann"},
                           {"mobile", "555"},
                           {"seen", 1000},
                           {"born", "2014-03-01T10:20:30GMT"},
                           {"colour", "rgba(255,0,51,1)"}};
    auto c = Contact::PS_importFromObject(data);
    QVERIFY(c);
    QCOMPARE(c->value<QString>("name"), QStringLiteral("Ann"));
    // "mobile" is alternative 2 and there is no alternative 1: the search stops before it.
    QVERIFY(c->value("phone").isNull());
    QCOMPARE(c->value<qint64>("seen"), 1000LL); // "UnixTime": milliseconds
    QCOMPARE(c->value<qint64>("born"),
             QDateTime(QDate(2014, 3, 1), QTime(10, 20, 30), QTimeZone::utc()).toMSecsSinceEpoch());
    QCOMPARE(c->value<double>("score"), 1.5);
    QVERIFY(c->value<QByteArray>("colour").startsWith("[1,0,0.2"));
    // The same key finds the same object; a date that does not parse clears the attribute.
    auto again = Contact::PS_importFromObject(QVariantMap{{"contactID", 7}, {"born", "yesterday"}});
    QCOMPARE(again, c);
    QCOMPARE(c->value<qint64>("born"), 0LL);
    QCOMPARE(Contact::PS_countOfEntities(), 1);
    QCOMPARE(
        Contact::PS_importFromArray({QVariantMap{{"contactID", 8}}, QVariantMap{{"contactID", 7}}}).size(),
        2);
    QCOMPARE(Contact::PS_countOfEntities(), 2);
}

void TestPersistence::importHooksAndRelatedIdentifiers() {
    TestSandbox sandbox;
    PLManagedObject::initializeDatabase();
    auto c = Contact::PS_createEntity();
    QVERIFY(!c->PS_importValuesForKeysWithObject(QVariantMap{{"skip", 1}, {"full_name", "X"}}));
    QVERIFY(c->value("name").isNull());
    QCOMPARE(c->imports, 0);
    QVERIFY(c->PS_importValuesForKeysWithObject(
        QVariantMap{{"nickname", "ann"}, {"tags", QVariantList{3, 4, 3}}}));
    QCOMPARE(c->value<QString>("nickname"), QStringLiteral("ANN"));
    QCOMPARE(c->imports, 1);
    const auto tags = c->objects("tags");
    QCOMPARE(tags.size(), 2); // identifier 3 found again, not made twice
    QCOMPARE(tags.at(0)->value<qint64>("tagID"), 3LL);
    QCOMPARE(tags.at(1)->value<qint64>("tagID"), 4LL);
}

void TestPersistence::converters() {
    using namespace PLDataImport;
    QCOMPARE(PS_primaryKeyNameFromString("User"), QStringLiteral("userID"));
    QCOMPARE(PS_attributeNameFromString("name"), QStringLiteral("Name"));
    QCOMPARE(PS_attributeNameFromString(""), QString());
    QCOMPARE(PS_numberFromString("  -12.5kg"), -12.5);
    QCOMPARE(PS_numberFromString("kg12"), 0.0);
    QCOMPARE(PS_dateFromNumber(1000, false).toMSecsSinceEpoch(), 1000000LL);
    QCOMPARE(PS_dateFromNumber(1000, true).toMSecsSinceEpoch(), 1000LL);
    QVERIFY(!PS_dateFromString("2014-13-45T99:00:00GMT", "yyyy-MM-dd'T'HH:mm:ssz").isValid());
    QCOMPARE(PLPersistence::defaultStoreName(), QCoreApplication::applicationName() + ".sqlite");
}

void TestPersistence::colourScannerStaysInItsFourSlots() {
    using PLDataImport::PS_newColorComponentsFromString;
    using C = std::array<int, 4>;
    QCOMPARE(PS_newColorComponentsFromString("rgba(1, 2,3,4)"), (C{1, 2, 3, 4}));
    // More than four numbers: the rest is not read (nothing is written past the four slots).
    QCOMPARE(PS_newColorComponentsFromString("rgba(1,2,3,4,5,6,7,8)"), (C{1, 2, 3, 4}));
    // A component that is not an integer ends the scan instead of looping on it.
    QCOMPARE(PS_newColorComponentsFromString("rgba(9,x,3,4)"), (C{9, 0, 0, 0}));
    QCOMPARE(PS_newColorComponentsFromString("rgb(9,8,7)"), (C{0, 0, 0, 0}));
    QCOMPARE(PS_newColorComponentsFromString("rgba(((("), (C{0, 0, 0, 0}));
    QCOMPARE(PLDataImport::PS_colorFromString("rgba(255,0,0,1)"), (QVariantList{1.0, 0.0, 0.0, 1.0}));
}

void TestPersistence::savesReportOnMainAndEmptySavesSayNo() {
    TestSandbox sandbox;
    PLManagedObject::initializeDatabase();
    auto context = PLPersistence::PS_defaultContext();
    QList<std::pair<bool, bool>> results; // (success, has error)
    auto record = [&](bool ok, const PLOptionalError& e) {
        QVERIFY(platform::isMainThread());
        results.append({ok, e.has_value()});
    };
    PSSaves::PS_saveToPersistentStoreWithCompletion(context, record);
    QVERIFY(results.isEmpty()); // always asynchronous
    QTRY_COMPARE(results.size(), 1);
    QCOMPARE(results.last(), std::make_pair(false, false));
    Room::PS_createEntity()->setValue("roomId", "R");
    PSSaves::PS_saveWithOptions(
        context, PSSaves::PSSaveOptionParents | PSSaves::PSSaveOptionAndWaitExceptRoot, record);
    QTRY_COMPARE(results.size(), 2);
    QCOMPARE(results.last(), std::make_pair(true, false));
    int handled = 0;
    // Nothing to save counts as a failure without an error.
    PSSaves::PS_saveInBackgroundErrorHandler(context, [&](const PLOptionalError& e) {
        QVERIFY(!e);
        ++handled;
    });
    Room::PS_createEntity();
    PSSaves::PS_saveInBackgroundErrorHandler(context,
                                             [&](const PLOptionalError& e) { handled += e ? 100 : 10; }, {});
    QTRY_COMPARE(handled, 11); // success without a completion: the handler, with no error
}

void TestPersistence::blockSavesAndObserving() {
    TestSandbox sandbox;
    PLManagedObject::initializeDatabase();
    bool done = false;
    PLPersistence::saveWithBlock(
        [](const ContextPtr& c) {
            auto room = Room::PS_createEntity(c);
            room->setValue("roomId", "bg");
            QCOMPARE(c->workingName(), QStringLiteral("saveWithBlock:completion:"));
        },
        [&](bool ok, const PLOptionalError&) { done = ok; });
    QTRY_VERIFY(done);
    QVERIFY(Room::PS_findFirstByAttribute("roomId", "bg"));
    PLPersistence::saveWithBlockAndWait(
        [](const ContextPtr& c) { Room::PS_createEntity(c)->setValue("roomId", "w"); });
    QCOMPARE(Room::PS_countOfEntities(), 2);

    // Explicit observing merges at once, on the saving thread.
    auto a = PLPersistence::PS_context(), b = PLPersistence::PS_context();
    auto inB = Room::PS_findFirstByAttribute("roomId", "w", b);
    PSObserving::PS_observeContext(b, a);
    Room::PS_findFirstByAttribute("roomId", "w", a)->setValue("status", 4);
    QVERIFY(a->save());
    QCOMPARE(inB->status(), 4);
    PSObserving::PS_stopObservingContext(b, a);
}

void TestPersistence::contextTreeIsNamedAndDescribed() {
    // The coordinator is never made on demand.
    QVERIFY(!PLPersistence::shouldAutoCreateDefaultPersistentStoreCoordinator());
    QVERIFY(!PLPersistence::PS_rootSavingContext());
    TestSandbox sandbox;
    PLManagedObject::initializeDatabase();
    auto root = PLPersistence::PS_rootSavingContext();
    auto main = PLPersistence::PS_defaultContext();
    QVERIFY(root && main && root != main);
    QCOMPARE(PLPersistence::PS_workingName(root), QStringLiteral("PLPersistence Root Saving Context"));
    QCOMPARE(PLPersistence::PS_workingName(main), QStringLiteral("PLPersistence Default Context"));
    auto address = [](const ContextPtr& c) {
        return QString::asprintf("%p", static_cast<const void*>(c.get()));
    };
    QCOMPARE(PLPersistence::PS_description(main),
             QStringLiteral("<ObjectContext (%1): PLPersistence Default Context> on the main thread")
                 .arg(address(main)));
    const QString mainChain = QStringLiteral("\n- PLPersistence Default Context (%1) (*)\n"
                                             "- PLPersistence Root Saving Context (%2) \n")
                                  .arg(address(main), address(root));
    QCOMPARE(PLPersistence::PS_parentChain(main), mainChain);
    QVERIFY(PLPersistence::currentStack().contains(QStringLiteral("Context Chain:   \n") + mainChain));

    auto unnamed = PLPersistence::PS_context();
    QCOMPARE(PLPersistence::PS_workingName(unnamed), QStringLiteral("Untitled Context"));
    QCOMPARE(unnamed->parentContext(), root);
    PLPersistence::PS_setWorkingName(unnamed, "mine");
    QCOMPARE(PLPersistence::PS_workingName(unnamed), QStringLiteral("mine"));

    // A thread's context hangs below the default context and says where it is asked from.
    platform::SerialQueue queue("worker");
    QString chain, description;
    ContextPtr threadContext;
    queue.async([&] {
        threadContext = PLPersistence::PS_contextForCurrentThread();
        chain = PLPersistence::PS_parentChain(threadContext);
        description = PLPersistence::PS_description(threadContext);
    });
    auto done = queue.postMarker();
    QTRY_VERIFY(done->load());
    QCOMPARE(chain, QStringLiteral("\n- Thread Context (%1) (*)\n").arg(address(threadContext)) +
                        mainChain.mid(1).replace("(*)", ""));
    QVERIFY(description.endsWith(QStringLiteral("> on a background thread")));

    PLPersistence::cleanUp();
    QVERIFY(!PLPersistence::PS_rootSavingContext());
    QCOMPARE(PLPersistence::PS_parentChain(nullptr), QStringLiteral("\n"));
}

void TestPersistence::countsFindersAndValueHelpers() {
    TestSandbox sandbox;
    PLManagedObject::initializeDatabase();
    const QVariant none = Room::PS_numberOfEntities();
    QCOMPARE(none.typeId(), QMetaType::ULongLong);
    QCOMPARE(none.toULongLong(), 0ULL);
    QList<Room::Ptr> rooms;
    for (qint64 activity : {30, 10, 20}) {
        rooms << Room::PS_createEntity();
        rooms.last()->setValue("roomId", QString::number(activity));
        rooms.last()->setValue("activityDate", activity);
    }
    rooms.first()->save();
    QCOMPARE(Room::PS_numberOfEntities().toULongLong(), 3ULL);
    QCOMPARE(Room::PS_numberOfEntitiesWithPredicate(K("activityDate") > 15).toULongLong(), 2ULL);

    // The attribute finders return the first match, in the sorted order when given one.
    QCOMPARE(Room::PS_findFirstWithPredicateAndRetrieveAttributes(K("activityDate") == 20, {"roomId"}),
             rooms[2]);
    QCOMPARE(Room::PS_findFirstWithPredicateAndRetrieveAttributes(K("activityDate") > 15, "activityDate",
                                                                  true, {"roomId", "nosuch"}),
             rooms[2]);
    QCOMPARE(PLEntityQueries::PS_propertiesNamed("Room", {"status", "nosuch", "members", "roomId"}),
             (QStringList{"status", "members", "roomId"}));

    // Sorted requests carry the default batch size; other requests none.
    QCOMPARE(PLEntityQueries::PS_defaultBatchSize(), 20);
    QCOMPARE(PLEntityQueries::PS_requestAllSortedBy("Room", "roomId", true).fetchBatchSize, 20);
    PLEntityQueries::PS_setDefaultBatchSize(50);
    QCOMPARE(PLEntityQueries::PS_requestAllSortedBy("Room", "roomId", true).fetchBatchSize, 50);
    QCOMPARE(PLEntityQueries::PS_requestAll("Room").fetchBatchSize, 0);
    PLEntityQueries::PS_setDefaultBatchSize(20);

    // Smallest and largest saved values, and the object that holds the smallest.
    QCOMPARE(rooms[0]->PS_minValueFor("activityDate").toLongLong(), 10LL);
    QCOMPARE(rooms[0]->PS_maxValueFor("activityDate").toLongLong(), 30LL);
    QCOMPARE(rooms[0]->PS_objectWithMinValueFor("activityDate"), rooms[1]);
    QCOMPARE(rooms[0]->PS_objectWithMinValueFor("name"), platform::ObjectPtr()); // no room has a name
    QVERIFY(!rooms[0]->PS_minValueFor("nosuch").isValid());
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QCoreApplication app(argc, argv);
    TestPersistence test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_persistence.moc"
