#include "TestSandbox.h"
#include "platform/FileSecretStore.h"
#include "platform/QtKeychainSecretStore.h"
#include "platform/Sandbox.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <sys/stat.h>

using namespace pelnix;
using namespace pelnix::platform;

namespace {
mode_t modeOf(const QString& path) {
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return 0;
    return st.st_mode & 07777;
}
} // namespace

class TestSecretStore : public QObject {
    Q_OBJECT
private slots:
    void itemFileIsPrivateFromTheStart();
    void replaceAndRemoveLeaveNoLeftovers();
    void liesOutsideTheWipedFolders();
    void refusesUnsafeIdentifiersAndUnreadableItems();
    void secretServiceWithoutAServiceFailsPromptly();
};

void TestSecretStore::itemFileIsPrivateFromTheStart() {
    test::TestSandbox sandbox;
    const mode_t oldMask = ::umask(0); // the widest umask must not widen the files
    FileSecretStore store;
    const bool written = store.write("inc.karvest.Pelnix.Passcode", {{"account", "1234"}});
    ::umask(oldMask);
    QVERIFY(written);
    const QString path = store.pathForIdentifier("inc.karvest.Pelnix.Passcode");
    QCOMPARE(modeOf(path), mode_t(0600));
    QCOMPARE(modeOf(store.folder()), mode_t(0700));
    QCOMPARE(store.read("inc.karvest.Pelnix.Passcode")->value("account").toString(), QStringLiteral("1234"));

    // A folder that was left open is closed before a secret goes into it.
    QVERIFY(QFile::setPermissions(store.folder(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                      QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                                      QFileDevice::ExeOther));
    QVERIFY(store.write("inc.karvest.Pelnix.Passcode", {{"account", "5678"}}));
    QCOMPARE(modeOf(store.folder()), mode_t(0700));
    QCOMPARE(modeOf(path), mode_t(0600));
}

void TestSecretStore::replaceAndRemoveLeaveNoLeftovers() {
    test::TestSandbox sandbox;
    FileSecretStore store;
    QVERIFY(store.remove("item")); // nothing to remove is fine
    for (int i = 0; i < 5; ++i)
        QVERIFY(store.write("item", {{"account", QString::number(i)}}));
    QCOMPARE(store.read("item")->value("account").toString(), QStringLiteral("4"));
    QCOMPARE(QDir(store.folder()).entryList(QDir::Files | QDir::Hidden), QStringList{"item.json"});
    QVERIFY(store.remove("item"));
    QVERIFY(!store.read("item").has_value());
    QVERIFY(QDir(store.folder()).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

void TestSecretStore::liesOutsideTheWipedFolders() {
    test::TestSandbox sandbox;
    FileSecretStore store;
    QVERIFY(store.write("item", {{"account", "1"}}));
    for (const QString& wiped :
         {Sandbox::applicationSupport(), Sandbox::caches(), Sandbox::documents(), Sandbox::tmp()})
        QVERIFY2(!store.folder().startsWith(wiped + "/"), qPrintable(wiped));
    QVERIFY(store.folder().startsWith(sandbox.root() + "/"));
}

void TestSecretStore::refusesUnsafeIdentifiersAndUnreadableItems() {
    test::TestSandbox sandbox;
    FileSecretStore store;
    for (const char* bad : {"", "..", "../escape", "a/b", ".hidden"}) {
        QVERIFY2(!store.write(QString::fromLatin1(bad), {{"account", "1"}}), bad);
        QVERIFY2(!store.read(QString::fromLatin1(bad)).has_value(), bad);
    }
    QVERIFY(!QFile::exists(sandbox.path("Library/escape.json")));

    QVERIFY(store.write("item", {{"account", "1"}}));
    QFile file(store.pathForIdentifier("item"));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("{torn");
    file.close();
    QVERIFY(!store.read("item").has_value());
}

void TestSecretStore::secretServiceWithoutAServiceFailsPromptly() {
    if (!QtKeychainSecretStore::isBuiltIn())
        QSKIP("built without qtkeychain");
    if (qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS"))
        QSKIP("a session bus is present; the answer depends on the desktop");
    // No Secret Service: every call returns (no endless wait), reports failure, and writes no file.
    test::TestSandbox sandbox;
    auto store = QtKeychainSecretStore::create();
    QVERIFY(!store->write("pelnix.test.item", {{"account", "1"}}));
    QVERIFY(!store->read("pelnix.test.item").has_value());
    QVERIFY(sandbox.listFiles().isEmpty());
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QCoreApplication app(argc, argv);
    TestSecretStore t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_secretstore.moc"
