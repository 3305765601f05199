#include "core/model/PelnixDataModel.h"
#include "platform/store/ObjectModel.h"

#include <QTest>

using namespace pelnix;

class TestDataModel : public QObject {
    Q_OBJECT
private slots:
    void modelIsCompleteAndConsistent();
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

QTEST_GUILESS_MAIN(TestDataModel)
#include "tst_data_model.moc"
