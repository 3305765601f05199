#include "TestSandbox.h"
#include "foundation/PLStoredModel.h"
#include "platform/NotificationCenter.h"
#include "platform/PlistCodec.h"
#include "platform/Sandbox.h"
#include "platform/SerialQueue.h"

#include <QDateTime>
#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QTimeZone>

#include <thread>

using namespace pelnix;

// A persisted object as the library's settings classes are written.
class SampleSettings : public PLStoredModelOf<SampleSettings> {
    Q_OBJECT
    Q_PROPERTY(QString name MEMBER m_name)
    Q_PROPERTY(qint64 counter MEMBER m_counter)
    Q_PROPERTY(bool enabled MEMBER m_enabled)
    Q_PROPERTY(QByteArray blob MEMBER m_blob)
    Q_PROPERTY(QDateTime when MEMBER m_when)
    Q_PROPERTY(QVariantMap extra MEMBER m_extra)
    Q_PROPERTY(QString scratch MEMBER m_scratch STORED false)
public:
    static inline QString resourcePath; // the bundle resource, in the test's sandbox
    QString resourceFile() const override {
        return resourcePath.isEmpty() ? PLStoredModel::resourceFile() : resourcePath;
    }

    QString m_name;
    qint64 m_counter = 0;
    bool m_enabled = false;
    QByteArray m_blob;
    QDateTime m_when;
    QVariantMap m_extra;
    QString m_scratch;

protected:
    void setUp() override {
        m_enabled = true;
        m_scratch = QStringLiteral("from setUp");
    }
};

// A value object that is built from raw data or text rather than a dictionary.
class RawHolder : public PLStoredModelOf<RawHolder> {
    Q_OBJECT
    Q_PROPERTY(QString text MEMBER m_text)
public:
    bool setWithData(const QByteArray& data) override {
        m_bytes = data;
        return true;
    }
    bool setWithString(const QString& string) override {
        m_text = string;
        return true;
    }
    QByteArray m_bytes;
    QString m_text;
};

class TestStoredModel : public QObject {
    Q_OBJECT
private slots:
    void init() {
        PLStoredModel::dropSharedInstancesForTesting();
        SampleSettings::resourcePath.clear();
    }
    void bundleDefaultsAppliedAndUnknownKeysIgnored();
    void constructionFromObjectsNeverThrows();
    void saveThenNewProcessReloadsSavedValues();
    void onlyTheSharedInstanceSaves();
    void fileSniffingFallsBackInOrder();
    void jsonFormWritesUtcAndBase64();
    void debugDescriptionShortensLongStrings();
    void replacingFromWorkerNotifiesOnMainThread();
    void firstUseFromManyThreadsMakesOneSharedInstance();
};

namespace {
QString writeResource(const test::TestSandbox& sandbox, const QVariantMap& values) {
    const QString path = sandbox.path(QStringLiteral("SampleSettings-resource.plist"));
    platform::PlistCodec::writeFile(path, values);
    return path;
}
} // namespace

void TestStoredModel::bundleDefaultsAppliedAndUnknownKeysIgnored() {
    test::TestSandbox sandbox;
    SampleSettings::resourcePath =
        writeResource(sandbox, {{"name", "Default"}, {"counter", 7}, {"noSuchProperty", "x"}});

    auto settings = SampleSettings::instance();
    QCOMPARE(settings->m_name, QStringLiteral("Default"));
    QCOMPARE(settings->m_counter, 7);
    QVERIFY(settings->m_enabled);                        // setUp ran and the resource left it alone
    QVERIFY(settings->dynamicPropertyNames().isEmpty()); // the unknown key made nothing up

    // An explicit value layers over the defaults; an invalid one stores the empty value.
    auto built = SampleSettings::instanceWithObject(QVariantMap{{"counter", QVariant()}, {"enabled", false}});
    QCOMPARE(built->m_name, QStringLiteral("Default"));
    QCOMPARE(built->m_counter, 0);
    QVERIFY(!built->m_enabled);

    QCOMPARE(SampleSettings::allPropertyKeys(SampleSettings::staticMetaObject),
             (QStringList{"name", "counter", "enabled", "blob", "when", "extra", "scratch"}));
    QVERIFY(!SampleSettings::codablePropertyKeys(SampleSettings::staticMetaObject).contains("scratch"));
}

void TestStoredModel::constructionFromObjectsNeverThrows() {
    test::TestSandbox sandbox;
    QVERIFY(!SampleSettings::instanceWithObject(QVariant()));
    QVERIFY(!SampleSettings::instanceWithObject(QVariant::fromValue(nullptr)));
    // The class takes dictionaries only: other values give nothing instead of an exception.
    QVERIFY(!SampleSettings::instanceWithObject(QStringLiteral("text")));
    QVERIFY(!SampleSettings::instanceWithObject(QByteArray("data")));
    QVERIFY(!SampleSettings::instanceWithObject(42));

    const auto list = SampleSettings::instancesWithArray(
        {QVariantMap{{"name", "a"}}, QStringLiteral("skipped"), QVariantMap{{"name", "b"}}});
    QCOMPARE(list.size(), 2);
    QCOMPARE(list.at(1)->m_name, QStringLiteral("b"));

    // A wrongly typed value leaves the property as it was.
    auto odd = SampleSettings::instanceWithObject(QVariantMap{{"extra", 5}, {"name", "ok"}});
    QVERIFY(odd->m_extra.isEmpty());
    QCOMPARE(odd->m_name, QStringLiteral("ok"));
}

void TestStoredModel::saveThenNewProcessReloadsSavedValues() {
    test::TestSandbox sandbox;
    SampleSettings::resourcePath = writeResource(sandbox, {{"name", "Default"}});

    auto shared = SampleSettings::sharedInstance();
    QCOMPARE(shared->m_name, QStringLiteral("Default")); // no save file yet: the defaults
    QCOMPARE(SampleSettings::sharedInstance(), shared);

    const QDateTime when = QDateTime::fromMSecsSinceEpoch(
        1'700'000'000'000LL, QTimeZone::utc()); // XML plist dates keep whole seconds
    shared->m_name = QStringLiteral("Grüße 日本");
    shared->m_counter = 5'000'000'000LL;
    shared->m_blob = QByteArray("\x00\xff\x10", 3);
    shared->m_when = when;
    shared->m_extra = {{"nested", QVariantMap{{"list", QVariantList{1, "two"}}}}};
    shared->m_scratch = QStringLiteral("not saved");
    QVERIFY(shared->save());
    QVERIFY(QFile::exists(platform::Sandbox::applicationSupport() + "/SampleSettings.plist"));

    PLStoredModel::dropSharedInstancesForTesting(); // a new process
    auto reloaded = SampleSettings::sharedInstance();
    QVERIFY(reloaded != shared);
    QCOMPARE(reloaded->m_name, QStringLiteral("Grüße 日本"));
    QCOMPARE(reloaded->m_counter, 5'000'000'000LL);
    QCOMPARE(reloaded->m_blob, QByteArray("\x00\xff\x10", 3));
    QCOMPARE(reloaded->m_when, when);
    QCOMPARE(reloaded->m_extra.value("nested").toMap().value("list").toList().at(1).toString(),
             QStringLiteral("two"));
    QCOMPARE(reloaded->m_scratch, QStringLiteral("from setUp"));

    // A save file that cannot be read falls back to the defaults.
    QFile broken(reloaded->SM_saveFilePath());
    QVERIFY(broken.open(QIODevice::WriteOnly | QIODevice::Truncate));
    broken.close();
    QCOMPARE(SampleSettings::reloadSharedInstance()->m_name, QStringLiteral("Default"));
}

void TestStoredModel::onlyTheSharedInstanceSaves() {
    test::TestSandbox sandbox;
    auto loose = SampleSettings::instance();
    QVERIFY(!loose->save());
    QVERIFY(!QFile::exists(platform::Sandbox::applicationSupport() + "/SampleSettings.plist"));

    // A shared instance of another class is refused at run time.
    QVERIFY(!PLStoredModel::setSharedInstance(SampleSettings::staticMetaObject, RawHolder::instance()));
    QVERIFY(!SampleSettings::hasSharedInstance());
    QVERIFY(PLStoredModel::setSharedInstance(SampleSettings::staticMetaObject, loose));
    QVERIFY(loose->save());
}

void TestStoredModel::fileSniffingFallsBackInOrder() {
    test::TestSandbox sandbox;
    auto write = [&](const char* name, const QByteArray& bytes) {
        QFile f(sandbox.path(QString::fromLatin1(name)));
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return f.fileName();
    };
    // A '{' that is not JSON and not a property list reaches the data setter.
    auto raw = RawHolder::instanceWithContentsOfFile(write("a", "{not json"));
    QVERIFY(raw);
    QCOMPARE(raw->m_bytes, QByteArray("{not json"));
    // A bare JSON string is a string.
    QCOMPARE(RawHolder::instanceWithContentsOfFile(write("b", "\"hello\""))->m_text, QStringLiteral("hello"));
    // JSON and property-list dictionaries both set properties.
    QCOMPARE(SampleSettings::instanceWithContentsOfFile(write("c", "{\"name\": \"J\"}"))->m_name,
             QStringLiteral("J"));
    QCOMPARE(SampleSettings::instanceWithContentsOfFile(
                 write("d", platform::PlistCodec::toXml(QVariantMap{{"name", "P"}})))
                 ->m_name,
             QStringLiteral("P"));
    // JSON null is nothing; an empty or missing file gives nothing.
    QVERIFY(!SampleSettings::instanceWithContentsOfFile(write("e", "null")));
    QVERIFY(!SampleSettings::instanceWithContentsOfFile(write("f", "")));
    QVERIFY(!PLStoredModel::decodeFileData({}).has_value());
    QVERIFY(!SampleSettings::instanceWithContentsOfFile(sandbox.path("missing")));
    // Raw data on a class without a data setter: nothing, and no exception.
    QVERIFY(!SampleSettings::instanceWithContentsOfFile(write("g", "\x01\x02")));
}

void TestStoredModel::jsonFormWritesUtcAndBase64() {
    test::TestSandbox sandbox;
    auto settings = SampleSettings::instance();
    // 12:30 at +05:00 is 07:30 UTC.
    settings->m_when = QDateTime(QDate(2024, 3, 1), QTime(12, 30, 0, 250), QTimeZone(5 * 3600));
    settings->m_blob = QByteArray("hi!");
    const QVariantMap json = settings->SM_JSONRepresentation();
    QCOMPARE(json.value("when").toString(), QStringLiteral("2024-03-01T07:30:00.250Z"));
    QCOMPARE(json.value("blob").toString(), QStringLiteral("aGkh"));
    QVERIFY(!json.contains("scratch"));
    QVERIFY(!json.contains("name")); // never set
    QCOMPARE(settings->SM_propertyListRepresentation().value("blob").toByteArray(), QByteArray("hi!"));
}

void TestStoredModel::debugDescriptionShortensLongStrings() {
    test::TestSandbox sandbox;
    auto settings = SampleSettings::instance();
    settings->m_name = QStringLiteral("0123456789abcdef");     // 16: whole
    settings->m_scratch = QStringLiteral("0123456789abcdefg"); // 17: cut
    const QString text = settings->debugDescription();
    QVERIFY2(text.startsWith("<SampleSettings: 0x"), qPrintable(text));
    QVERIFY2(text.contains("; name = \"0123456789abcdef\""), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("; scratch = \"0123456789abcde…\"")), qPrintable(text));
    QVERIFY2(text.contains("; enabled = 1"), qPrintable(text));
    QVERIFY(text.endsWith('>'));
}

void TestStoredModel::replacingFromWorkerNotifiesOnMainThread() {
    test::TestSandbox sandbox;
    auto first = SampleSettings::sharedInstance();
    QThread* deliveredOn = nullptr;
    PLStoredModel::Ptr announced;
    auto* center = platform::NotificationCenter::defaultCenter();
    const auto token = center->addObserver(PLStoredModelSharedInstanceUpdatedNotification,
                                           [&](const platform::Notification& n) {
                                               deliveredOn = QThread::currentThread();
                                               announced = n.object.value<PLStoredModel::Ptr>();
                                           });
    platform::SerialQueue worker(QStringLiteral("worker"));
    worker.async([] { SampleSettings::setSharedInstance(SampleSettings::instance()); });
    QTRY_VERIFY(announced);
    QCOMPARE(deliveredOn, QThread::currentThread());
    QCOMPARE(announced, first); // the notification carries the replaced instance
    QVERIFY(SampleSettings::sharedInstance() != first);
    center->removeObserver(token);
}

void TestStoredModel::firstUseFromManyThreadsMakesOneSharedInstance() {
    test::TestSandbox sandbox;
    PLStoredModel::Ptr seen[8];
    std::vector<std::thread> threads;
    for (auto& slot : seen)
        threads.emplace_back([&slot] { slot = SampleSettings::sharedInstance(); });
    for (auto& t : threads)
        t.join();
    for (const auto& p : seen)
        QCOMPARE(p, seen[0]);
    QCOMPARE(seen[0]->thread(), QThread::currentThread()); // made on a worker, owned by main
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QCoreApplication app(argc, argv);
    TestStoredModel t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_storedmodel.moc"
