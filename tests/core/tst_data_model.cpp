#include "TestSandbox.h"
#include "core/model/Message.h"
#include "core/model/PelnixDataModel.h"
#include "platform/store/ObjectModel.h"
#include "platform/store/ObjectStore.h"

#include <QTest>
#include <sqlite3.h>

using namespace pelnix;

class TestDataModel : public QObject {
    Q_OBJECT
private slots:
    void modelIsCompleteAndConsistent();
    void roomPagesAndUnreadMessagesAreReadThroughIndexes_data();
    void roomPagesAndUnreadMessagesAreReadThroughIndexes();
    void indexesNameStoredColumnsOnly();
};

void TestDataModel::modelIsCompleteAndConsistent() {
    platform::ObjectModel model;
    PelnixDataModel::declare(model);
    QString problem;
    QVERIFY2(model.finish(&problem), qPrintable(problem));
    QStringList names = model.entityNames();
    names.sort();
    QCOMPARE(names, (QStringList{"Asset", "Challenge", "ChatRoom", "CurrentUserInfo", "DeletedMessage",
                                 "FormJSON", "Message", "PendingMessageInfo", "RichMediaInfo", "RoomMember",
                                 "StyleSheetXSLT", "User"}));
    // Only what this device alone holds pays for a full sync.
    for (const auto& e : model.entities())
        QCOMPARE(e->isDurable(), e->name() == "PendingMessageInfo" || e->name() == "RichMediaInfo");
    QVERIFY(model.entityNamed("Message")->relationshipNamed("assets")->isManyToMany());
    QCOMPARE(
        model.entityNamed("ChatRoom")->attributeNamed("tempUnreadMessageCount")->defaultValue.toLongLong(),
        -1);
}

void TestDataModel::roomPagesAndUnreadMessagesAreReadThroughIndexes_data() {
    // The room's queries as the store words them, and how SQLite must answer them: through an index,
    // without sorting and without a pass over every message of the store.
    QTest::addColumn<QByteArray>("query");
    QTest::addColumn<QByteArray>("index");
    const QByteArray select = R"(SELECT t0.pk FROM "Message" AS t0 WHERE t0."room" = ?1 )";
    QTest::newRow("newest page") << select + R"(ORDER BY t0."date" DESC, t0.pk DESC LIMIT 21)"
                                 << QByteArray("Message_room_date");
    QTest::newRow("older page") << select +
                                       R"(AND t0."date" < ?2 ORDER BY t0."date" DESC, t0.pk DESC LIMIT 21)"
                                << QByteArray("Message_room_date");
    QTest::newRow("first unread") << select + R"(AND t0."state" = 0 ORDER BY t0."date", t0.pk LIMIT 1)"
                                  << QByteArray("Message_room_state_date");
    QTest::newRow("unread count")
        << QByteArray(
               R"(SELECT sum(t0."updateCount") FROM "Message" AS t0 WHERE t0."room" = ?1 AND t0."state" = 0)")
        << QByteArray("Message_room_state_date");
}

void TestDataModel::roomPagesAndUnreadMessagesAreReadThroughIndexes() {
    QFETCH(QByteArray, query);
    QFETCH(QByteArray, index);
    test::TestSandbox sandbox;
    auto model = std::make_shared<platform::ObjectModel>();
    PelnixDataModel::declare(*model);
    QVERIFY(model->finish());
    const QString path = sandbox.path("model.sqlite");
    QVERIFY(platform::ObjectStore::open(model, path));
    sqlite3* db = nullptr;
    QCOMPARE(sqlite3_open(path.toUtf8().constData(), &db), SQLITE_OK);
    sqlite3_stmt* stmt = nullptr;
    QCOMPARE(sqlite3_prepare_v2(db, "EXPLAIN QUERY PLAN " + query, -1, &stmt, nullptr), SQLITE_OK);
    QByteArrayList steps;
    while (sqlite3_step(stmt) == SQLITE_ROW)
        steps << reinterpret_cast<const char*>(sqlite3_column_text(stmt, 3));
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    // One step, a search through the index: no scan, no sort of its own.
    QCOMPARE(steps.size(), 1);
    QVERIFY2(steps[0].startsWith("SEARCH") && steps[0].contains("INDEX " + index + " "), steps[0]);
}

void TestDataModel::indexesNameStoredColumnsOnly() {
    platform::ObjectModel model;
    model.entity<Message>("Message")
        .attribute("date", platform::AttributeType::Int64)
        .index({"date", "nope"});
    QString problem;
    QVERIFY(!model.finish(&problem));
    QVERIFY2(problem.contains("nope"), qPrintable(problem));
    platform::ObjectModel empty;
    empty.entity<Message>("Message").index({});
    QVERIFY(!empty.finish(&problem));
}

QTEST_GUILESS_MAIN(TestDataModel)
#include "tst_data_model.moc"
