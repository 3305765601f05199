// The image upload helper against the stand-in service: the default 250 x 250 without a prefix, a
// prefix and size of the caller's, the album save of a camera picture, the refusals and failures with
// their alerts (the handler answering nothing exactly once), and notifications after the end ignored.
#include "ConversationTestWorld.h"

#include "core/api/PLAppConfigurations.h"
#include "media/PLS3MediaUploader.h"
#include "platform/NotificationCenter.h"
#include "platform/Sandbox.h"
#include "platform/ui/AlertView.h"
#include "ui/account/PLPickerInfo.h"
#include "ui/conversation/PLImageUploadHelper.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QUuid>

using namespace pelnix;
using namespace pelnix::test;
using Mode = standin::FaultInjector::Mode;

namespace {

struct Uploaded {
    int calls = 0;
    int alertsAtCall = -1;
    std::optional<PLMultiMediaInfo> info;
};

int storedPuts(CoreFixture& fixture) {
    int puts = 0;
    for (const auto& r : fixture.server().requestLog())
        if (r.server == "s3" && r.method == "PUT" && r.status == 200)
            ++puts;
    return puts;
}

QString albumFolder() {
    return QDir(platform::Sandbox::root()).filePath(QStringLiteral("Pictures/Pelnix_Images"));
}

} // namespace

class TestImageUploadHelper : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void aLibraryPictureGoesUpAt250WithoutAPrefix();
    void theCallersPrefixAndSizeNameAndShapeTheFile();
    void aCameraPictureIsAlsoSavedIntoTheAlbum();
    void refusalsAndFailuresAnswerNothingOnce_data();
    void refusalsAndFailuresAnswerNothingOnce();
    void notificationsAfterTheEndAreIgnored();

private:
    QVariantMap libraryPick(QSize size);
    Uploaded run(const QVariantMap& info, const QString& prefix = {}, QSizeF size = {});
    QStringList alertTexts() const;

    std::unique_ptr<ConversationWorld> world;
    QTemporaryDir files;
    quint64 savedLimit = 0;
};

void TestImageUploadHelper::init() {
    world = std::make_unique<ConversationWorld>();
    platform::ui::Scheduler::shared()->setVirtualClock(false);
    world->open(world->importRoom(QStringLiteral("r1")));
    savedLimit = PLAppConfigurations::currentConfiguration()->uploadSizeLimit();
    PLAppConfigurations::currentConfiguration()->setProperty("uploadSizeLimit", quint64(15728640));
    PLS3MediaUploader::instance()->reset();
}

void TestImageUploadHelper::cleanup() {
    PLAppConfigurations::currentConfiguration()->setProperty("uploadSizeLimit", savedLimit);
    PLS3MediaUploader::instance()->reset();
    world.reset();
}

QVariantMap TestImageUploadHelper::libraryPick(QSize size) {
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(QColor(0x40, 0x80, 0xC0));
    const QString path =
        files.filePath(QStringLiteral("pick-%1x%2.png").arg(size.width()).arg(size.height()));
    picture.save(path);
    return {{PLPickerInfo::kMediaTypeKey, PLPickerInfo::kImageType},
            {PLPickerInfo::kOriginalImageKey, picture},
            {PLPickerInfo::kReferenceURLKey, path},
            {PLPickerInfo::kIsExistingMediaKey, true}};
}

Uploaded TestImageUploadHelper::run(const QVariantMap& info, const QString& prefix, QSizeF size) {
    Uploaded uploaded;
    const auto handler = [this, &uploaded](const std::optional<PLMultiMediaInfo>& mediaInfo) {
        ++uploaded.calls;
        uploaded.alertsAtCall = int(world->window->alerts().size());
        uploaded.info = mediaInfo;
    };
    if (size.isEmpty())
        PLImageUploadHelper::checkForSizeAndUploadImageUsingImageInfo(info, handler);
    else
        PLImageUploadHelper::checkForSizeAndUploadImageUsingImageInfo(info, prefix, size, handler);
    [&] { QTRY_COMPARE_WITH_TIMEOUT(uploaded.calls, 1, 20000); }();
    // No second answer comes later.
    QTest::qWait(50);
    return uploaded;
}

QStringList TestImageUploadHelper::alertTexts() const {
    QStringList texts;
    for (auto* alert : world->window->alerts())
        texts << alert->title() + QLatin1Char('|') + alert->message() + QLatin1Char('|') +
                     alert->buttonTitleAtIndex(0);
    return texts;
}

void TestImageUploadHelper::aLibraryPictureGoesUpAt250WithoutAPrefix() {
    const Uploaded uploaded = run(libraryPick(QSize(1200, 900)));
    QCOMPARE(uploaded.calls, 1);
    QVERIFY(uploaded.info);
    // 1200 x 900 toward 250 x 250 halves twice.
    QCOMPARE(uploaded.info->bigImgSize, QSizeF(300, 225));
    QVERIFY2(!QUuid::fromString(uploaded.info->fileID).isNull(), qPrintable(uploaded.info->fileID));
    QVERIFY(!uploaded.info->s3TinyURL.isEmpty());
    QCOMPARE(storedPuts(world->fixture), 1);
    QVERIFY(alertTexts().isEmpty());
    // A library picture is not saved again.
    QVERIFY(QDir(albumFolder()).isEmpty());
}

void TestImageUploadHelper::theCallersPrefixAndSizeNameAndShapeTheFile() {
    const Uploaded uploaded =
        run(libraryPick(QSize(800, 600)), QStringLiteral("acme_41_groupImage"), QSizeF(100, 100));
    QVERIFY(uploaded.info);
    QCOMPARE(uploaded.info->fileID, QStringLiteral("acme_41_groupImage"));
    QCOMPARE(uploaded.info->fileName, QStringLiteral("acme_41_groupImage.jpg"));
    QCOMPARE(uploaded.info->bigImgSize, QSizeF(100, 75));
}

void TestImageUploadHelper::aCameraPictureIsAlsoSavedIntoTheAlbum() {
    QImage shot(640, 480, QImage::Format_RGB32);
    shot.fill(Qt::darkRed);
    const QVariantMap info{{PLPickerInfo::kMediaTypeKey, PLPickerInfo::kImageType},
                           {PLPickerInfo::kOriginalImageKey, shot}};
    const Uploaded uploaded = run(info);
    QVERIFY(uploaded.info);
    QCOMPARE(uploaded.info->bigImgSize, QSizeF(320, 240));
    QTRY_VERIFY(!QDir(albumFolder()).isEmpty());
}

void TestImageUploadHelper::refusalsAndFailuresAnswerNothingOnce_data() {
    QTest::addColumn<QString>("failure");
    QTest::addColumn<QString>("alert");
    QTest::addColumn<bool>("alertFirst");
    QTest::addColumn<bool>("asksForCredentials");
    QTest::newRow("no picture info") << "empty" << QString() << false << false;
    QTest::newRow("library picture over the limit, before any preparation, told the limit")
        << "over"
        << "Alert|Max 64 bytes can be uploaded|OK" << true << false;
    QTest::newRow("camera picture whose prepared file is over the limit, told the limit")
        << "prepared"
        << "Alert|Max 64 bytes can be uploaded|OK" << true << false;
    QTest::newRow("library item that cannot be read")
        << "unreadable"
        << "Alert|The picked item cannot be read.|OK" << true << false;
    QTest::newRow("credentials refused") << "token"
                                         << "Failed|Unable to fetch credentials|OK" << true << true;
    QTest::newRow("put refused") << "put"
                                 << "Failed|Image upload failed.Please try again later|OK" << false << true;
}

void TestImageUploadHelper::refusalsAndFailuresAnswerNothingOnce() {
    QFETCH(QString, failure);
    QFETCH(QString, alert);
    QFETCH(bool, alertFirst);
    QFETCH(bool, asksForCredentials);
    QVariantMap info = libraryPick(QSize(400, 300));
    if (failure == QLatin1String("empty"))
        info.clear();
    else if (failure == QLatin1String("over")) {
        QVERIFY(QFileInfo(info.value(PLPickerInfo::kReferenceURLKey).toString()).size() > 64);
        PLAppConfigurations::currentConfiguration()->setProperty("uploadSizeLimit", quint64(64));
    } else if (failure == QLatin1String("prepared")) {
        info.remove(PLPickerInfo::kReferenceURLKey);
        info.remove(PLPickerInfo::kIsExistingMediaKey);
        PLAppConfigurations::currentConfiguration()->setProperty("uploadSizeLimit", quint64(64));
    } else if (failure == QLatin1String("unreadable"))
        QVERIFY(QFile::remove(info.value(PLPickerInfo::kReferenceURLKey).toString()));
    else if (failure == QLatin1String("token"))
        QVERIFY(world->fixture.server().addFault({"^/s3/token", "GET", -1, Mode::ErrorEnvelope, 0, 401}));
    else if (failure == QLatin1String("put"))
        QVERIFY(
            world->fixture.server().addFault({"pelnix\\.media/", "PUT", -1, Mode::ErrorEnvelope, 0, 403}));
    world->fixture.server().clearRequestLog();

    const Uploaded uploaded = run(info);
    QCOMPARE(uploaded.calls, 1);
    QVERIFY(!uploaded.info);
    QCOMPARE(alertTexts(), alert.isEmpty() ? QStringList() : QStringList{alert});
    // Refusals alert before answering; a failed upload answers first, then alerts.
    QCOMPARE(uploaded.alertsAtCall, alertFirst ? 1 : 0);
    QCOMPARE(world->fixture.requestsTo("/s3/token") > 0, asksForCredentials);
    QCOMPARE(storedPuts(world->fixture), 0);
    world->fixture.server().clearFaults();
}

void TestImageUploadHelper::notificationsAfterTheEndAreIgnored() {
    const Uploaded uploaded = [&] {
        Uploaded first;
        PLImageUploadHelper::checkForSizeAndUploadImageUsingImageInfo(
            libraryPick(QSize(300, 300)), [&first](const std::optional<PLMultiMediaInfo>& info) {
                ++first.calls;
                first.info = info;
            });
        [&] { QTRY_COMPARE_WITH_TIMEOUT(first.calls, 1, 20000); }();
        // Another upload's notifications reach no one who has finished.
        auto* center = platform::NotificationCenter::defaultCenter();
        center->post(QLatin1String(PLS3MediaUploaderDidFinishUploadingNotification),
                     QVariant::fromValue(PLMultiMediaInfo{}));
        center->post(QLatin1String(PLS3MediaUploaderDidFailWithErrorNotification));
        QCoreApplication::processEvents();
        return first;
    }();
    QCOMPARE(uploaded.calls, 1);
    QVERIFY(uploaded.info);
    QVERIFY(alertTexts().isEmpty());
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestImageUploadHelper t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_imageuploadhelper.moc"
