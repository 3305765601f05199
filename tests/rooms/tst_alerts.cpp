// The confirmations of clearing and leaving or closing: the exact texts per kind and role.
#include "RoomsTestKit.h"
#include "ui/rooms/PLGroupInfoAlertsFactory.h"

#include <QApplication>

using namespace pelnix;
using namespace pelnix::test;

class TestGroupActionAlerts : public QObject {
    Q_OBJECT
private slots:
    void init() {
        store = std::make_unique<RoomsStore>();
        store->add({{"g-admin", "Ops", 3000, false, kAnn, {kAnn, 42, 43}},
                    {"g-member", "Design", 2000, false, 42, {kAnn, 42}},
                    {"o-admin", "", 1000, true, kAnn, {kAnn, 42}},
                    {"o-member", "", 500, true, 42, {kAnn, 42}}});
    }
    void cleanup() { store.reset(); }

    void alertPerKindAndRole_data();
    void alertPerKindAndRole();
    void otherKindsGiveNothing();
    void theRoomIsHeldByItsID();

private:
    std::unique_ptr<RoomsStore> store;
};

void TestGroupActionAlerts::alertPerKindAndRole_data() {
    QTest::addColumn<QString>("room");
    QTest::addColumn<qint64>("kind");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("buttons");
    const QString clearText =
        QStringLiteral("Are you sure you want to clear all messages in this conversation from your device?");
    const QStringList yesNo{QStringLiteral("Yes"), QStringLiteral("No")};
    for (const char* room : {"g-admin", "g-member", "o-admin", ""})
        QTest::addRow("clear %s", *room ? room : "without a room")
            << QString::fromLatin1(room) << qint64(0) << QStringLiteral("Clear Conversation") << clearText
            << yesNo;
    QTest::newRow("leave one-to-one") << "o-member" << qint64(1) << "Delete and Leave"
                                      << "Are you sure you want to delete conversation and leave?" << yesNo;
    // One-to-one is decided before the admin role.
    QTest::newRow("leave one-to-one as its admin")
        << "o-admin" << qint64(1) << "Delete and Leave"
        << "Are you sure you want to delete conversation and leave?" << yesNo;
    QTest::newRow("close group as admin")
        << "g-admin" << qint64(1) << "Leave and Delete"
        << "This will terminate the group permanently. All members will be removed and all data will be "
           "deleted.\n\n *If you want this group to continue without you, you can transfer admin rights and "
           "then "
           "perform this action"
        << QStringList{QStringLiteral("Delete"), QStringLiteral("No")};
    QTest::newRow("leave group as member") << "g-member" << qint64(1) << "Leave conversation"
                                           << "Are you sure you want to leave Design?" << yesNo;
}

void TestGroupActionAlerts::alertPerKindAndRole() {
    QFETCH(QString, room);
    QFETCH(qint64, kind);
    QFETCH(QString, title);
    QFETCH(QString, message);
    QFETCH(QStringList, buttons);
    PLGroupInfoAlertsFactory factory;
    factory.setChatRoom(ChatRoom::chatRoomWithID(room));
    std::unique_ptr<AlertView> alert(factory.alertViewForType(kind));
    QVERIFY(alert);
    QCOMPARE(alert->title(), title);
    QCOMPARE(alert->message(), message);
    QCOMPARE(alert->numberOfButtons(), buttons.size());
    for (int i = 0; i < buttons.size(); ++i)
        QCOMPARE(alert->buttonTitleAtIndex(i), buttons[i]);
    // Built only: no cancel button chosen, not shown.
    QCOMPARE(alert->cancelButtonIndex(), -1);
    QVERIFY(!alert->isShown());
}

void TestGroupActionAlerts::otherKindsGiveNothing() {
    PLGroupInfoAlertsFactory factory;
    factory.setChatRoom(ChatRoom::chatRoomWithID(QStringLiteral("g-admin")));
    for (qint64 kind : {qint64(2), qint64(-1), qint64(7)})
        QVERIFY(!factory.alertViewForType(kind));
}

void TestGroupActionAlerts::theRoomIsHeldByItsID() {
    PLGroupInfoAlertsFactory factory;
    factory.setChatRoom(ChatRoom::chatRoomWithID(QStringLiteral("g-member")));
    QCOMPARE(factory.chatRoom()->roomId(), QStringLiteral("g-member"));
    // A renamed room is named as it is now.
    auto room = ChatRoom::chatRoomWithID(QStringLiteral("g-member"));
    room->setName(QStringLiteral("Design 2"));
    room->save();
    std::unique_ptr<AlertView> alert(factory.alertViewForType(1));
    QCOMPARE(alert->message(), QStringLiteral("Are you sure you want to leave Design 2?"));
}

int main(int argc, char** argv) {
    test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestGroupActionAlerts t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_alerts.moc"
