#include "TestSandbox.h"
#include "foundation/PLKeychainAccessHelper.h"
#include "foundation/PLKeychainItem.h"
#include "platform/FileSecretStore.h"
#include "platform/Sandbox.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace pelnix;

namespace {
// Counts what reaches the secret store; can be told to refuse writes.
class CountingSecretStore : public platform::SecretStore {
public:
    std::optional<QVariantMap> read(const QString& id) override {
        return items.contains(id) ? std::optional<QVariantMap>(items.value(id)) : std::nullopt;
    }
    bool write(const QString& id, const QVariantMap& attributes) override {
        ++writes;
        if (refuseWrites)
            return false;
        items.insert(id, attributes);
        return true;
    }
    bool remove(const QString& id) override {
        ++removes;
        items.remove(id);
        return true;
    }
    QHash<QString, QVariantMap> items;
    int writes = 0;
    int removes = 0;
    bool refuseWrites = false;
};
} // namespace

class TestPasscode : public QObject {
    Q_OBJECT
private slots:
    void init() { PLKeychainAccessHelper::dropKeychainInstanceForTesting(); }
    void cleanup() {
        PLKeychainAccessHelper::dropKeychainInstanceForTesting();
        platform::SecretStore::setDefaultStore({});
    }
    void emptyStoreReadsEmptyAndClearDoesNothing();
    void equalValuesWriteOnceAndNullIsIgnored();
    void clearedPasscodeIsGoneInANewProcess();
    void passcodeSurvivesAStoreWipe();
    void refusedWriteKeepsMemoryAndOldValueReturns();
};

void TestPasscode::emptyStoreReadsEmptyAndClearDoesNothing() {
    auto store = std::make_shared<CountingSecretStore>();
    platform::SecretStore::setDefaultStore(store);
    QCOMPARE(PLKeychainAccessHelper::currentPasscode(), QString(""));
    QVERIFY(!PLKeychainAccessHelper::currentPasscode().isNull());
    PLKeychainAccessHelper::clearOldPasscodeFromKeyChain();
    QCOMPARE(store->removes, 0);
    QCOMPARE(store->writes, 0);
}

void TestPasscode::equalValuesWriteOnceAndNullIsIgnored() {
    auto store = std::make_shared<CountingSecretStore>();
    platform::SecretStore::setDefaultStore(store);
    PLKeychainAccessHelper::setNewPassCodePin("1234");
    PLKeychainAccessHelper::setNewPassCodePin("1234");
    QCOMPARE(store->writes, 1);
    PLKeychainAccessHelper::setNewPassCodePin(QString());
    QCOMPARE(store->writes, 1);
    QCOMPARE(PLKeychainAccessHelper::currentPasscode(), QStringLiteral("1234"));
    PLKeychainAccessHelper::setNewPassCodePin("5678");
    QCOMPARE(store->writes, 2);
    QCOMPARE(store->items.value(PLKeychainAccessHelper::kPasscodeIdentifier).value("account").toString(),
             QStringLiteral("5678"));

    // Setting the same value on a freshly read item writes nothing either.
    PLKeychainAccessHelper::dropKeychainInstanceForTesting();
    PLKeychainAccessHelper::setNewPassCodePin("5678");
    QCOMPARE(store->writes, 2);
}

void TestPasscode::clearedPasscodeIsGoneInANewProcess() {
    test::TestSandbox sandbox; // the default file store
    PLKeychainAccessHelper::setNewPassCodePin("2468");
    PLKeychainAccessHelper::dropKeychainInstanceForTesting();
    QCOMPARE(PLKeychainAccessHelper::currentPasscode(), QStringLiteral("2468"));

    PLKeychainAccessHelper::clearOldPasscodeFromKeyChain();
    QCOMPARE(PLKeychainAccessHelper::currentPasscode(), QString(""));
    PLKeychainAccessHelper::dropKeychainInstanceForTesting();
    QCOMPARE(PLKeychainAccessHelper::currentPasscode(), QString(""));
    platform::FileSecretStore files;
    QVERIFY(!QFile::exists(files.pathForIdentifier(PLKeychainAccessHelper::kPasscodeIdentifier)));
}

void TestPasscode::passcodeSurvivesAStoreWipe() {
    test::TestSandbox sandbox;
    PLKeychainAccessHelper::setNewPassCodePin("1357");
    // What a session reset removes: the store and every file of the library's folders.
    for (const QString& folder : {platform::Sandbox::applicationSupport(), platform::Sandbox::caches(),
                                  platform::Sandbox::documents(), platform::Sandbox::tmp()})
        QDir(folder).removeRecursively();
    PLKeychainAccessHelper::dropKeychainInstanceForTesting();
    QCOMPARE(PLKeychainAccessHelper::currentPasscode(), QStringLiteral("1357"));
}

void TestPasscode::refusedWriteKeepsMemoryAndOldValueReturns() {
    auto store = std::make_shared<CountingSecretStore>();
    PLKeychainItem first(PLKeychainAccessHelper::kPasscodeIdentifier, {}, store);
    QVERIFY(first.setObject(QStringLiteral("1111"), kSecAttrAccount));
    store->refuseWrites = true;
    QVERIFY(!first.setObject(QStringLiteral("2222"), kSecAttrAccount));
    QCOMPARE(first.objectForKey(kSecAttrAccount).toString(), QStringLiteral("2222"));
    PLKeychainItem later(PLKeychainAccessHelper::kPasscodeIdentifier, {}, store);
    QCOMPARE(later.objectForKey(kSecAttrAccount).toString(), QStringLiteral("1111"));
    QCOMPARE(later.objectForKey(kSecAttrGeneric).toString(),
             QString::fromLatin1(PLKeychainAccessHelper::kPasscodeIdentifier));

    // The passcode helper reports the refusal and keeps using what the store holds.
    platform::SecretStore::setDefaultStore(store);
    PLKeychainAccessHelper::dropKeychainInstanceForTesting();
    QVERIFY(!PLKeychainAccessHelper::setNewPassCodePin(QStringLiteral("3333")));
    QCOMPARE(PLKeychainAccessHelper::currentPasscode(), QStringLiteral("1111"));
    store->refuseWrites = false;
    QVERIFY(PLKeychainAccessHelper::setNewPassCodePin(QStringLiteral("3333")));
    QCOMPARE(PLKeychainAccessHelper::currentPasscode(), QStringLiteral("3333"));
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QCoreApplication app(argc, argv);
    TestPasscode t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_passcode.moc"
