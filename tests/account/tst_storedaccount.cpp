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
#include "foundation/persistence/PLPersistence.h"
#include "ui/account/PLAppLockAccount.h"
#include "ui/account/PLStoredAppLockAccount.h"

#include <QCoreApplication>
#include <QTest>

using namespace pelnix;

// The lock's view of the account when no one installed another: the stored account row.
class TestStoredAccount : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { PelnixDataModel::registerDeclaration(); }
    void cleanup() { PLPersistence::cleanUp(); }

    void withoutARowTheAccountIsSignedOutWithTheLockOff();
    void lockStateChangesAreSavedUnlessImposed();
};

void TestStoredAccount::withoutARowTheAccountIsSignedOutWithTheLockOff() {
    test::TestSandbox sandbox;
    PLManagedObject::initializeDatabase();
    QVERIFY(dynamic_cast<PLStoredAppLockAccount*>(PLAppLockAccount::current().get()));
    PLStoredAppLockAccount account;
    QCOMPARE(account.status(), 0);
    QCOMPARE(account.appLockState(), 0);
    QVERIFY(!account.showsAppLockScreen());
    account.changeAppLockStatusToState(1); // nowhere to keep it
    QVERIFY(!CurrentUserInfo::PS_findFirst());
}

void TestStoredAccount::lockStateChangesAreSavedUnlessImposed() {
    test::TestSandbox sandbox;
    PLManagedObject::initializeDatabase();
    {
        auto row = CurrentUserInfo::PS_createEntity();
        row->setStatus(3);
        row->setAppLockState(1);
        row->save();
    }
    PLStoredAppLockAccount account;
    QCOMPARE(account.status(), 3);
    QCOMPARE(account.appLockState(), 1);
    account.changeAppLockStatusToState(0);

    PLPersistence::cleanUp(); // as after a restart
    PLManagedObject::initializeDatabase();
    QCOMPARE(account.appLockState(), 0);
    {
        auto row = CurrentUserInfo::PS_findFirst();
        row->setShowsAppLockScreen(true);
        row->save();
    }
    account.changeAppLockStatusToState(1);
    QCOMPARE(account.appLockState(), 0);
    QVERIFY(account.showsAppLockScreen());
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QCoreApplication app(argc, argv);
    TestStoredAccount t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_storedaccount.moc"
