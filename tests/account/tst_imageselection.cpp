// The picture selection helper: which sources the choice offers, the camera's photo-access rules,
// the upload size limit on a pick (and a library item that cannot be read), removal, cancels that
// let the helper go, and the check of the service's default picture addresses.
#include "AccountTestKit.h"

#include "core/api/PLAppConfigurations.h"
#include "foundation/StringTinyURLValidation.h"
#include "platform/ui/ActionSheet.h"
#include "platform/ui/testing/FakeImagePicker.h"
#include "ui/account/PLImageSelectionHelper.h"
#include "ui/account/PLImageSelectionHelperProvider.h"
#include "ui/account/PLPickerInfo.h"

#include <QSignalSpy>
#include <QTemporaryDir>

using namespace pelnix;
using namespace pelnix::test;
using platform::ui::ActionSheet;
using platform::ui::FakeImagePicker;
using platform::ui::ImagePicker;
using Status = ImagePicker::AuthorizationStatus;

namespace {

struct Answers {
    int calls = 0;
    std::optional<QVariantMap> last;
    PLImageSelectionHelper::CompletionHandler handler() {
        return [this](const std::optional<QVariantMap>& selection) {
            ++calls;
            last = selection;
        };
    }
};

QStringList titlesOf(const ActionSheet* sheet) {
    QStringList titles;
    for (int i = 0; i < sheet->numberOfButtons(); ++i)
        titles << sheet->buttonTitleAtIndex(i);
    return titles;
}

void tapTitled(ActionSheet* sheet, const QString& title) {
    QVERIFY(sheet);
    const int index = titlesOf(sheet).indexOf(title);
    QVERIFY2(index >= 0, qPrintable(title));
    sheet->tapButtonAtIndex(index);
}

} // namespace

class TestImageSelection : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void theChoiceOffersTheSourcesThereAre_data();
    void theChoiceOffersTheSourcesThereAre();
    void cameraFollowsPhotoAccess_data();
    void cameraFollowsPhotoAccess();
    void aPickIsMeasuredAgainstTheLimit_data();
    void aPickIsMeasuredAgainstTheLimit();
    void removalAnswersNothingAndCancelsAnswerNot();
    void theInstalledHelperIsLetGoWhenTheUserCancels();
    void defaultPictureAddressesAreNoPictures_data();
    void defaultPictureAddressesAreNoPictures();

private:
    PLImageSelectionHelper* makeHelper(bool camera, bool reset = false);

    std::unique_ptr<AccountWorld> world;
    std::unique_ptr<ScreenHost> host;
    FakeImagePicker* picker = nullptr;
    QTemporaryDir files;
    quint64 savedLimit = 0;
};

void TestImageSelection::init() {
    world = std::make_unique<AccountWorld>(CoreFixture::Service::None);
    host = std::make_unique<ScreenHost>();
    auto fake = std::make_unique<FakeImagePicker>();
    picker = fake.get();
    ImagePicker::setCurrent(std::move(fake));
    savedLimit = PLAppConfigurations::currentConfiguration()->uploadSizeLimit();
    PLAppConfigurations::currentConfiguration()->setProperty("uploadSizeLimit", quint64(15728640));
}

void TestImageSelection::cleanup() {
    PLAppConfigurations::currentConfiguration()->setProperty("uploadSizeLimit", savedLimit);
    ImagePicker::setCurrent({});
    host.reset();
    world.reset();
}

PLImageSelectionHelper* TestImageSelection::makeHelper(bool camera, bool reset) {
    picker->cameraAvailable = camera;
    auto* helper = new PLImageSelectionHelper(host->root);
    helper->setShouldShowResetImage(reset);
    return helper;
}

void TestImageSelection::theChoiceOffersTheSourcesThereAre_data() {
    QTest::addColumn<bool>("camera");
    QTest::addColumn<bool>("reset");
    QTest::addColumn<QStringList>("titles");
    QTest::newRow("no camera, no removal") << false << false << QStringList{"Photo Library", "Cancel"};
    QTest::newRow("camera") << true << false << QStringList{"Photo Library", "Camera", "Cancel"};
    QTest::newRow("no camera, removal")
        << false << true << QStringList{"Photo Library", "Remove Profile Image", "Cancel"};
    QTest::newRow("camera and removal")
        << true << true << QStringList{"Photo Library", "Camera", "Remove Profile Image", "Cancel"};
}

void TestImageSelection::theChoiceOffersTheSourcesThereAre() {
    QFETCH(bool, camera);
    QFETCH(bool, reset);
    QFETCH(QStringList, titles);
    PLImageSelectionHelper* helper = makeHelper(camera, reset);
    QCOMPARE(helper->isCameraAvailable(), camera);
    Answers answers;
    helper->showImageSelectionOptionsInViewOfViewController(host->root, answers.handler());
    auto* sheet = qobject_cast<ActionSheet*>(host->lastAlert());
    QVERIFY(sheet);
    QCOMPARE(sheet, helper->actionSheet());
    QCOMPARE(titlesOf(sheet), titles);
    QCOMPARE(sheet->cancelButtonIndex(), titles.size() - 1);
    QVERIFY(sheet->title().isEmpty());
}

void TestImageSelection::cameraFollowsPhotoAccess_data() {
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("front");
    QTest::addColumn<bool>("pickerShown");
    QTest::addColumn<QString>("alert");
    QTest::newRow("undecided: the question only")
        << int(Status::NotDetermined) << false << false << QString();
    QTest::newRow("denied") << int(Status::Denied) << false << false
                            << "Please enable access to Photos in Privacy Settings";
    QTest::newRow("restricted") << int(Status::Restricted) << false << false
                                << "Please enable access to Photos in Privacy Settings";
    QTest::newRow("authorised, rear") << int(Status::Authorized) << false << true << QString();
    QTest::newRow("authorised, front") << int(Status::Authorized) << true << true << QString();
}

void TestImageSelection::cameraFollowsPhotoAccess() {
    QFETCH(int, status);
    QFETCH(bool, front);
    QFETCH(bool, pickerShown);
    QFETCH(QString, alert);
    picker->status = Status(status);
    PLImageSelectionHelper* helper = makeHelper(true);
    helper->setShouldUseFrontCamera(front);
    QSignalSpy finished(helper, &PLImageSelectionHelper::finished);
    Answers answers;
    helper->showImageSelectionOptionsInViewOfViewController(host->root, answers.handler());
    tapTitled(helper->actionSheet(), QStringLiteral("Camera"));
    QCOMPARE(picker->requests.size(), pickerShown ? 1 : 0);
    QCOMPARE(picker->authorizationRequests, status == int(Status::NotDetermined) ? 1 : 0);
    if (pickerShown) {
        QCOMPARE(picker->requests.first().source, ImagePicker::Source::Camera);
        QCOMPARE(picker->cameraDevice(),
                 front ? ImagePicker::CameraDevice::Front : ImagePicker::CameraDevice::Rear);
        QVERIFY(!helper->isExistingMedia());
    }
    if (alert.isEmpty()) {
        QVERIFY(!host->lastAlert());
    } else {
        QVERIFY(host->lastAlert());
        QCOMPARE(host->lastAlert()->title(), QStringLiteral("Alert"));
        QCOMPARE(host->lastAlert()->message(), alert);
    }
    // Refused or cancelled (the fake has no pick): nothing reported, and the showing is over.
    QCOMPARE(answers.calls, 0);
    QCOMPARE(finished.size(), 1);
}

void TestImageSelection::aPickIsMeasuredAgainstTheLimit_data() {
    QTest::addColumn<bool>("fromLibrary");
    QTest::addColumn<quint64>("limit");
    QTest::addColumn<bool>("fileGone");
    QTest::addColumn<QString>("alert");
    QTest::addColumn<bool>("selected");
    QTest::newRow("library, within") << true << quint64(15728640) << false << QString() << true;
    QTest::newRow("library, over, told the limit")
        << true << quint64(16) << false << "Max 16 bytes can be uploaded" << false;
    QTest::newRow("library, at the limit") << true << quint64(0) << false << QString() << true;
    QTest::newRow("library item unreadable")
        << true << quint64(15728640) << true << "The picked item cannot be read." << false;
    QTest::newRow("camera picture, whatever its size") << false << quint64(16) << false << QString() << true;
}

void TestImageSelection::aPickIsMeasuredAgainstTheLimit() {
    QFETCH(bool, fromLibrary);
    QFETCH(quint64, limit);
    QFETCH(bool, fileGone);
    QFETCH(QString, alert);
    QFETCH(bool, selected);
    QImage picture(400, 300, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    const QString path = files.filePath(QStringLiteral("pick.png"));
    QVERIFY(picture.save(path));
    // Limit 0 in the table stands for the file's own size: at the limit is within it.
    PLAppConfigurations::currentConfiguration()->setProperty("uploadSizeLimit",
                                                             limit ? limit : quint64(QFileInfo(path).size()));
    picker->answer = platform::ui::PickedMedia{path, false, picture, {}};
    picker->status = Status::Authorized;
    if (fileGone)
        QVERIFY(QFile::remove(path));

    PLImageSelectionHelper* helper = makeHelper(true);
    QSignalSpy finished(helper, &PLImageSelectionHelper::finished);
    Answers answers;
    helper->showImageSelectionOptionsInViewOfViewController(host->root, answers.handler());
    tapTitled(helper->actionSheet(),
              fromLibrary ? QStringLiteral("Photo Library") : QStringLiteral("Camera"));
    QCOMPARE(picker->requests.size(), 1);
    QVERIFY(picker->requests.first().allowsEditing);
    QCOMPARE(answers.calls, 1);
    QCOMPARE(finished.size(), 1);
    QCOMPARE(answers.last.has_value(), selected);
    if (selected) {
        QCOMPARE(answers.last->value(PLPickerInfo::kIsExistingMediaKey).toBool(), fromLibrary);
        QCOMPARE(answers.last->value(PLPickerInfo::kMediaTypeKey).toString(), PLPickerInfo::kImageType);
        QCOMPARE(answers.last->value(PLPickerInfo::kOriginalImageKey).value<QImage>().size(),
                 QSize(400, 300));
        QCOMPARE(answers.last->value(PLPickerInfo::kEditedImageKey).value<QImage>().size(), QSize(300, 300));
        QCOMPARE(answers.last->contains(PLPickerInfo::kReferenceURLKey), fromLibrary);
        QVERIFY(!host->lastAlert());
    } else {
        QVERIFY(host->lastAlert());
        QCOMPARE(host->lastAlert()->title(), QStringLiteral("Alert"));
        QCOMPARE(host->lastAlert()->message(), alert);
    }
}

void TestImageSelection::removalAnswersNothingAndCancelsAnswerNot() {
    PLImageSelectionHelper* helper = makeHelper(false, true);
    QSignalSpy finished(helper, &PLImageSelectionHelper::finished);
    Answers answers;
    helper->showImageSelectionOptionsInViewOfViewController(host->root, answers.handler());
    tapTitled(helper->actionSheet(), QStringLiteral("Remove Profile Image"));
    QCOMPARE(answers.calls, 1);
    QVERIFY(!answers.last);
    QCOMPARE(finished.size(), 1);

    // The choice cancelled, then the picker cancelled: no answer, each showing ends.
    helper->showImageSelectionOptionsInViewOfViewController(host->root, answers.handler());
    tapTitled(helper->actionSheet(), QStringLiteral("Cancel"));
    QCOMPARE(finished.size(), 2);
    picker->answer.reset();
    helper->showImageSelectionOptionsInViewOfViewController(host->root, answers.handler());
    tapTitled(helper->actionSheet(), QStringLiteral("Photo Library"));
    QCOMPARE(picker->requests.size(), 1);
    QCOMPARE(finished.size(), 3);
    QCOMPARE(answers.calls, 1);
}

void TestImageSelection::theInstalledHelperIsLetGoWhenTheUserCancels() {
    PLImageSelectionProvider::setCurrent(std::make_unique<PLImageSelectionHelperProvider>());
    int calls = 0;
    PLImageSelectionProvider::askForPicture(host->root, {},
                                            [&calls](const std::optional<QVariantMap>&) { ++calls; });
    QCOMPARE(host->root->findChildren<PLImageSelectionHelper*>().size(), 1);
    tapTitled(qobject_cast<ActionSheet*>(host->lastAlert()), QStringLiteral("Cancel"));
    QTRY_COMPARE(host->root->findChildren<PLImageSelectionHelper*>().size(), 0);
    QCOMPARE(calls, 0);

    // And after an answer.
    QImage picture(64, 48, QImage::Format_RGB32);
    picture.fill(Qt::red);
    const QString path = files.filePath(QStringLiteral("small.png"));
    QVERIFY(picture.save(path));
    picker->answer = platform::ui::PickedMedia{path, false, picture, {}};
    PLImageSelectionProvider::askForPicture(
        host->root, {},
        [&calls](const std::optional<QVariantMap>& selection) { calls += selection ? 1 : 100; });
    tapTitled(qobject_cast<ActionSheet*>(host->lastAlert()), QStringLiteral("Photo Library"));
    QCOMPARE(calls, 1);
    QTRY_COMPARE(host->root->findChildren<PLImageSelectionHelper*>().size(), 0);
}

void TestImageSelection::defaultPictureAddressesAreNoPictures_data() {
    QTest::addColumn<QString>("url");
    QTest::addColumn<bool>("valid");
    QTest::newRow("no address") << QString() << false;
    QTest::newRow("empty") << QStringLiteral("") << true;
    QTest::newRow("uploaded picture") << "https://files.example.test/u/42.jpg" << true;
    QTest::newRow("default profile") << "https://cdn.example.test/profiles/dummy/profile.png" << false;
    QTest::newRow("pattern") << "https://cdn.example.test/images/pattern/3.png" << false;
    QTest::newRow("pattern in the query") << "https://files.example.test/p.png?from=images/pattern" << false;
    QTest::newRow("other case") << "https://cdn.example.test/Images/Pattern/3.png" << true;
}

void TestImageSelection::defaultPictureAddressesAreNoPictures() {
    QFETCH(QString, url);
    QFETCH(bool, valid);
    QCOMPARE(TinyURLValidation::isValidTinyURL(url), valid);
    QCOMPARE(CurrentUserInfo::isValidTinyURL(url.isNull() ? QVariant() : QVariant(url)), valid);
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestImageSelection t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_imageselection.moc"
