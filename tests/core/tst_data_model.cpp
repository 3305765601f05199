#include "TestSandbox.h"
#include "core/model/Asset.h"
#include "core/model/Challenge.h"
#include "core/model/ChatRoom.h"
#include "core/model/CurrentUserInfo.h"
#include "core/model/DeletedMessage.h"
#include "core/model/Message.h"
#include "core/model/PelnixDataModel.h"
#include "core/model/PendingMessageInfo.h"
#include "core/model/RichMediaInfo.h"
#include "core/model/RoomMember.h"
#include "core/model/User.h"
#include "platform/store/ObjectModel.h"

#include <QTest>

using namespace pelnix;
using namespace pelnix::test;

class TestDataModel : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { PelnixDataModel::registerDeclaration(); }
    void cleanup() { PLPersistence::cleanUp(); }

    void modelIsCompleteAndConsistent();
    void graphSurvivesReopen();
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

void TestDataModel::graphSurvivesReopen() {
    TestSandbox sandbox;
    PLManagedObject::initializeDatabase();
    {
        auto account = CurrentUserInfo::PS_createEntity();
        auto me = User::PS_createEntity();
        me->setUserID(7);
        account->setUser(me);
        account->setChallenge(Challenge::PS_createEntity());
        account->setPrivateEventTime(Q_INT64_C(1700000000123));

        auto room = ChatRoom::PS_createEntity();
        room->setRoomId("r1");
        auto member = RoomMember::PS_createEntity();
        member->setUser(me);
        room->addMembersObject(member);
        auto message = Message::PS_createEntity();
        message->setMessageId("m1");
        message->setSenderUser(me);
        room->addMessagesObject(message);
        auto asset = Asset::PS_createEntity();
        asset->setRemoteURL("https://files.test/a");
        message->addAssetsObject(asset);
        auto pending = PendingMessageInfo::PS_createEntity();
        pending->setMessage(message);
        pending->setRoom(room);
        pending->addRichMediaInfoObject(RichMediaInfo::PS_createEntity());
        auto tombstone = DeletedMessage::PS_createEntity();
        tombstone->setRoom(room);
        account->save();
    }
    PLPersistence::cleanUp();
    PLManagedObject::initializeDatabase();

    auto account = CurrentUserInfo::PS_findFirst();
    QVERIFY(account);
    QCOMPARE(account->privateEventTime(), Q_INT64_C(1700000000123));
    QCOMPARE(account->user()->userID(), 7);
    QVERIFY(account->challenge());
    QCOMPARE(account->challenge()->currentUser(), account);
    auto room = ChatRoom::PS_findFirstByAttribute("roomId", "r1");
    QVERIFY(room);
    QCOMPARE(room->members().size(), 1);
    QCOMPARE(room->members().first()->user(), account->user());
    QCOMPARE(room->deletedMessages().size(), 1);
    auto message = room->messages().value(0);
    QVERIFY(message);
    QCOMPARE(message->senderUser()->senderMessages().size(), 1);
    QCOMPARE(message->assets().value(0)->messages().value(0), message);
    auto pending = room->pendingMessages().value(0);
    QVERIFY(pending);
    QCOMPARE(pending->message(), message);
    QCOMPARE(pending->richMediaInfo().value(0)->pendingmessage(), pending);
}

QTEST_GUILESS_MAIN(TestDataModel)
#include "tst_data_model.moc"
