#include "TestSandbox.h"
#include "foundation/PLCurrentBundleInfo.h"

#include <QCoreApplication>
#include <QTest>

using namespace pelnix;

class TestBundle : public QObject {
    Q_OBJECT
private slots:
    void identifierComesFromTheBundle() {
        QCOMPARE(PLCurrentBundleInfo::identifier(), QStringLiteral("inc.karvest.Pelnix"));
    }
    void resourcesAreFoundByNameAndType() {
        QCOMPARE(PLCurrentBundleInfo::pathForResource("Info", "plist"),
                 QStringLiteral(":/pelnix/Info.plist"));
        QVERIFY(PLCurrentBundleInfo::pathForResource("Missing", "plist").isEmpty());
        QVERIFY(PLCurrentBundleInfo::pathForResource({}, {}).isEmpty());
        QVERIFY(PLCurrentBundleInfo::dataForResource("Info", "plist").contains("CFBundleIdentifier"));
        QVERIFY(!PLCurrentBundleInfo::pathForResource("fonts/DejaVuSans", "ttf").isEmpty());
    }
    void untranslatedTextAnswersItself() {
        QCOMPARE(PLCurrentBundleInfo::localizedString("Please check your network connectivity."),
                 QStringLiteral("Please check your network connectivity."));
        QVERIFY(QCoreApplication::translate("Pelnix", "Failed") == QStringLiteral("Failed"));
    }
};

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QCoreApplication app(argc, argv);
    TestBundle t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_bundle.moc"
