// The profile picture's two uploads through the shared uploader, against the stand-in service.
#include "MediaTestWorld.h"
#include "core/api/PLAppConfigurations.h"
#include "core/api/UploadSizeLimitText.h"
#include "interface/PelnixProfileImageUploadHelper.h"
#include "platform/NotificationCenter.h"

using namespace pelnix;
using namespace pelnix::test;
using Mode = standin::FaultInjector::Mode;
using Info = PelnixProfileImageUploadHelper::Info;

namespace {

struct Outcome {
    int calls = 0;
    bool success = false;
    PLOptionalError error;
    Info thumbnail, large;
};

// The two keys the S3 endpoint stored, in order.
QStringList storedKeys(MediaTestWorld& world) {
    QStringList keys;
    for (const auto& r : world.fixture.server().requestLog())
        if (r.server == "s3" && r.method == "PUT" && r.status == 200)
            keys << QString::fromStdString(r.path).section(QLatin1Char('/'), 2);
    return keys;
}

} // namespace

class TestProfileImageUpload : public QObject {
    Q_OBJECT
private slots:
    void init() {
        m_world = std::make_unique<MediaTestWorld>();
        m_alerts.clear();
        PelnixProfileImageUploadHelper::setAlertHook(
            [this](const QString& title, const QString& message, const QString& button) {
                m_alerts << title + QLatin1Char('|') + message + QLatin1Char('|') + button;
            });
    }
    void cleanup() {
        PelnixProfileImageUploadHelper::setAlertHook({});
        m_world.reset();
    }
    void bothSizesAreStoredUnderThePrefixedIDs();
    void failuresEndWithTheProfileError_data();
    void failuresEndWithTheProfileError();
    void dataOverTheLimitIsRefusedWithAnAlert();
    void progressIsReportedUpToTheEnd();

private:
    Outcome upload(const QImage& image) {
        Outcome outcome;
        PelnixProfileImageUploadHelper helper;
        helper.setPrefixSource([] { return QStringLiteral("test_acme_41"); });
        helper.uploadImage(
            image, [&](bool ok, const PLOptionalError& error, const Info& thumbnail, const Info& large) {
                ++outcome.calls;
                outcome.success = ok;
                outcome.error = error;
                outcome.thumbnail = thumbnail;
                outcome.large = large;
            });
        [&] { QTRY_COMPARE_WITH_TIMEOUT(outcome.calls, 1, 15000); }();
        return outcome;
    }
    static QByteArray thumbnailBytes(const QImage& image) {
        PLMultiMediaHandler handler;
        handler.customSize = QSizeF(250, 250);
        handler.uniqueIDPrefixForProfileImage = QStringLiteral("test_acme_41_thumbnailImage");
        PLMediaSelection selection;
        selection.originalImage = image;
        return handler.processMultiMediaWithInfo(selection);
    }

    std::unique_ptr<MediaTestWorld> m_world;
    QStringList m_alerts;
};

void TestProfileImageUpload::bothSizesAreStoredUnderThePrefixedIDs() {
    const Outcome outcome = upload(testPicture(1200, 900));
    QCOMPARE(outcome.calls, 1);
    QVERIFY(outcome.success);
    QVERIFY(!outcome.error);
    QVERIFY(outcome.thumbnail && outcome.large);
    QCOMPARE(outcome.thumbnail->fileID, QStringLiteral("test_acme_41_thumbnailImage"));
    QCOMPARE(outcome.large->fileID, QStringLiteral("test_acme_41_largeImage"));
    QCOMPARE(outcome.thumbnail->bigImgSize, QSizeF(300, 225));
    QCOMPARE(outcome.large->bigImgSize, QSizeF(600, 450));
    QCOMPARE(storedKeys(*m_world), (QStringList{"test_acme_41_thumbnailImage", "test_acme_41_largeImage"}));
    QVERIFY(!outcome.thumbnail->s3TinyURL.isEmpty());
    QVERIFY(outcome.thumbnail->s3TinyURL != outcome.large->s3TinyURL);
    QCOMPARE(QImage::fromData(MediaTestWorld::download(outcome.large->s3TinyURL)).size(), QSize(600, 450));
    QVERIFY(m_alerts.isEmpty());
}

void TestProfileImageUpload::failuresEndWithTheProfileError_data() {
    QTest::addColumn<QString>("failure");
    QTest::addColumn<int>("stored");
    QTest::newRow("no image") << "null" << 0;
    QTest::newRow("offline: credentials cannot be asked for") << "offline" << 0;
    QTest::newRow("credentials refused") << "token" << 0;
    QTest::newRow("large refused after the thumbnail") << "large" << 1;
    QTest::newRow("no short URL") << "shorturl" << 1;
}

void TestProfileImageUpload::failuresEndWithTheProfileError() {
    QFETCH(QString, failure);
    QFETCH(int, stored);
    QImage image = testPicture(800, 600);
    if (failure == "null")
        image = QImage();
    else if (failure == "offline")
        m_world->fixture.setOnline(false);
    else if (failure == "token")
        m_world->armFault("^/s3/token", "GET", Mode::ErrorEnvelope, -1, 401);
    else if (failure == "large")
        m_world->armFault("_largeImage", "PUT", Mode::ErrorEnvelope, -1, 403);
    else if (failure == "shorturl")
        m_world->armFault("^/s3/file", "GET", Mode::ErrorEnvelope, 1, 404);

    const Outcome outcome = upload(image);
    QCOMPARE(outcome.calls, 1);
    QVERIFY(!outcome.success);
    QVERIFY(outcome.error);
    QCOMPARE(outcome.error->code, qint64(-1009));
    QCOMPARE(outcome.error->localizedDescription, QStringLiteral(" Profile Image Upload Failed"));
    QVERIFY(!outcome.thumbnail && !outcome.large);
    QCOMPARE(storedKeys(*m_world).size(), stored);
    if (failure == "null")
        QCOMPARE(m_world->requestCount("api", "GET", "/s3/token"), 0);
}

void TestProfileImageUpload::dataOverTheLimitIsRefusedWithAnAlert() {
    const QImage image = testPicture(400, 400);
    const quint64 size = quint64(thumbnailBytes(image).size());
    auto* configuration = PLAppConfigurations::currentConfiguration();

    configuration->setProperty("uploadSizeLimit", size);
    PelnixProfileImageUploadHelper helper;
    QList<Info> results;
    helper.uploadProfileImage(image, QStringLiteral("test_acme_41_thumbnailImage"), QSizeF(250, 250),
                              [&](const Info& info) { results << info; });
    QTRY_COMPARE_WITH_TIMEOUT(results.size(), 1, 15000);
    QVERIFY(results.first());
    QVERIFY(m_alerts.isEmpty());

    configuration->setProperty("uploadSizeLimit", size - 1);
    m_world->fixture.server().clearRequestLog();
    helper.uploadProfileImage(image, QStringLiteral("test_acme_41_thumbnailImage"), QSizeF(250, 250),
                              [&](const Info& info) { results << info; });
    QCOMPARE(results.size(), 2);
    QVERIFY(!results.last());
    // The alert names the configured limit.
    QCOMPARE(m_alerts, QStringList{"Alert|" + UploadSizeLimitText::overLimitMessage(size - 1) + "|OK"});
    QCOMPARE(m_world->requestCount("api", "GET", "/s3/token"), 0);
}

void TestProfileImageUpload::progressIsReportedUpToTheEnd() {
    QList<double> fractions;
    const auto token = platform::NotificationCenter::defaultCenter()->addObserver(
        QLatin1String(PLS3MediaUploaderDidUploadNotification),
        [&](const platform::Notification& n) { fractions << n.object.toDouble(); });
    const Outcome outcome = upload(testPicture(640, 480));
    platform::NotificationCenter::defaultCenter()->removeObserver(token);
    QVERIFY(outcome.success);
    QVERIFY(!fractions.isEmpty());
    // Each of the two uploads ends at 1.0; below that nothing passes 0.99.
    QCOMPARE(fractions.last(), 1.0);
    QCOMPARE(fractions.count(1.0), 2);
    for (double fraction : std::as_const(fractions))
        QVERIFY(fraction <= 0.99 || fraction == 1.0);
}

QTEST_MAIN(TestProfileImageUpload)
#include "tst_profileimageupload.moc"
